// The question part of the test window: the question's text, its answer boxes and its picture
// with the enlarged view; the window tells it what to show and hears when the pupil ticks.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSize>

class QFrame;
class QLabel;
class QScrollArea;
class QWidget;
class TDataSet;
class TWrapCheckBox;

class TQuestionView final : public QObject
{
    Q_OBJECT
public:
    // Builds the controls on the window.
    explicit TQuestionView(QWidget* window);

    // Shows the current question of the set (nothing without one): text, answers, the pupil's
    // ticks from CC, the correct answers where the mode shows them, then the picture.
    void showQuestion(const TDataSet* set, int mode, bool showAnswerNow, int answerGap);
    // Marks the correct answers of the pattern red, ticking them too with `tick`, and shows the
    // question's explanation under the answers, if it has one. Nothing in the modes that are
    // scored: their right answers stay hidden until the scoring.
    void showCorrectAnswers(const QString& correctPattern, bool tick);
    // The explanation shown under the answers; empty while none is shown.
    QString shownExplanation() const;
    // The picture of BMP row `id`, or the placeholder; a readable picture can be enlarged when
    // `zoomable`.
    void loadPicture(int id, bool zoomable);

    void setAnswersEnabled(bool enabled);
    // Inverts an answer box that is enabled and shown (the keys "a" to "d").
    void invertAnswer(int k);
    // The ticks of the four boxes as "0"/"1".
    QString tickPattern() const;
    bool pictureClickable() const { return m_pictureClickable; }
    // Shows the magnifier again over an enlargeable picture (it may have been lost meanwhile).
    void restoreZoomCursor();

signals:
    // The pupil ticked or unticked an answer (not when a question is shown).
    void answerChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildPicture(QWidget* window);
    void buildTexts(QWidget* window);
    void buildExplanation(QWidget* window);
    void showExplanation();
    void hideExplanation();
    void fillAnswerBox(int k, int answerCount);
    void layoutAnswers(int answerGap);
    void setAnswerHandlersAttached(bool attached);
    void BMPImageClick();

    QScrollArea* ScrollBox1;
    TWrapCheckBox* LabelQuestion;
    QScrollArea* ScrollBox2;
    TWrapCheckBox* LabelAnswer[4];
    QScrollArea* ScrollBox3; // the explanation, under the answers
    QLabel* ExplanationLb;
    QLabel* LabelExplanation;
    QLabel* Image1;
    QFrame* BMPPanel;
    QLabel* BMPImage;
    QImage Image2; // the placeholder picture

    QByteArray m_pictureBytes;
    QImage m_viewImage;
    QSize m_pictureSize;
    bool m_pictureClickable = false;
    bool m_zoomOpen = false;
    int m_questionId = 0;
    int m_mode = 0;
    int m_answerGap = 10;
};
