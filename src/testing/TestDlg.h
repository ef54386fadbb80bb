// The test window: every question run (browsing, tests with hints, practice, live and error
// tests) happens here: the question with its answers and picture, answering, moving, hints,
// the close with its scoring, the outcome and what is stored.
#pragma once

#include "Evaluation.h"
#include "widgets/Form.h"

#include <QByteArray>
#include <QImage>

#include <functional>
#include <optional>

class QLabel;
class QFrame;
class QScrollArea;
class QTimer;
class TDataSet;
class TDsFancyButton;
class TWrapCheckBox;

enum TestMode
{
    tmBrowse = 1,
    tmHints = 2,
    tmPractice = 3,
    tmLive = 4,
    tmErrorTest = 5,
    tmReview = 7
};

class TTestDlg : public TForm
{
    Q_OBJECT
public:
    explicit TTestDlg(QWidget* parent = nullptr);
    ~TTestDlg() override;

    // The one way into the test engine; returns when the window has closed.
    void RunTest(int mode, int testId, const QString& caption, TDataSet* questionSet, bool showAnswerNow,
                 quint16 timeLimitMinutes);

    // Tests of the callers replace the run with a function that receives the arguments.
    struct RunTestArgs
    {
        int mode;
        int testId;
        QString caption;
        TDataSet* questionSet;
        bool showAnswerNow;
        quint16 timeLimitMinutes;
    };
    using RunTestHook = std::function<void(const RunTestArgs&)>;
    static void setRunTestHook(RunTestHook hook);

    // ---- presentation ----
    void ShowQuestion();
    void UpdateQuestionCountLabel();
    void UpdateUnansweredLabel();
    void UpdateQuestionLabels();
    void LoadQuestionPicture(int id);
    void ShowCorrectAnswers(bool tick);

    // ---- scoring and storing ----
    TEvaluation Evaluate();
    void StoreAnswerOutcome(bool isRight, int questionId, const QString& pattern);
    void StoreTestOutcome(bool isPerfect);
    void WriteReport(int total, int gained, const QStringList& lines);
    void EnterReview();

    // The countdown ran out: close without the confirmation, scoring as if confirmed.
    void RequestTimedOutClose();

    TDataSet* questionSet() const { return m_set; }
    bool pictureClickable() const { return m_pictureClickable; }

    // ---- state of a run ----
    bool Activated = false;
    int Mode = tmBrowse;
    int TestId = 0;
    int AnswerGap = 10;
    bool ShowAnswerNow = false;
    int UnansweredCount = 0;
    int TickedCount = 0;
    QString TestCaption;
    quint16 TimeLimitSecs = 0;
    bool TimedOut = false;

    // ---- controls ----
    QLabel* ZakName;
    QLabel* TestNameLb;
    QLabel* QuestinNo;
    QLabel* PointForQuestion;
    QLabel* QuestionCount;
    QLabel* NotReadyQuestion;
    QScrollArea* ScrollBox1;
    TWrapCheckBox* LabelQuestion;
    QScrollArea* ScrollBox2;
    TWrapCheckBox* LabelAnswer[4];
    QLabel* Image1;
    QFrame* BMPPanel;
    QLabel* BMPImage;
    QImage Image2; // the placeholder picture
    TDsFancyButton* FirstBtn;
    TDsFancyButton* PrevBtn;
    TDsFancyButton* NextBtn;
    TDsFancyButton* LastBtn;
    TDsFancyButton* InfoBtn;
    TDsFancyButton* ShowAnswerBtn;
    TDsFancyButton* OkBtn;
    QTimer* Timer1;

public slots:
    void AnswerChange();
    void FirstBtnClick();
    void PrevBtnClick();
    void NextBtnClick();
    void LastBtnClick();
    void ShowAnswerBtnClick();
    void InfoBtnClick();
    void OkBtnClick();
    void BMPImageClick();
    void Timer1Timer();

protected:
    void FormActivate() override;
    bool FormCloseQuery() override;
    void FormClose() override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void FillAnswerBox(int k, int answerCount);
    void setAnswerHandlersAttached(bool attached);
    bool hasQuestion() const;
    // Scores the run and stores it; nothing (with the error shown and the run as it was) when
    // the database refused to store it. `abandoned` is set when the pupil's sign-in went to
    // another station: the run is then closed unstored.
    std::optional<TEvaluation> scoreAndStore(bool& abandoned);
    // Shows the outcome; true when the pupil chose to review.
    bool showOutcome(const TEvaluation& ev);
    void closeAfterTimeout();
    void layoutAnswers();

    TDataSet* m_set = nullptr;
    QByteArray m_pictureBytes;
    QImage m_viewImage;
    QSize m_pictureSize;
    bool m_pictureClickable = false;
    bool m_inCloseQuery = false;
    bool m_scoring = false;
    bool m_zoomOpen = false;
    // The time of the run's report, fixed by the first attempt to store it: an attempt whose
    // outcome the server did not confirm may have been stored, and a retry must not store the
    // report twice.
    std::optional<QDateTime> m_reportTime;
    bool m_reportRetry = false;
};

extern TTestDlg* TestDlg;
