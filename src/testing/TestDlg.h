// The test window: every question run (browsing, tests with hints, practice, live and error
// tests) happens here: the question with its answers and picture, answering, moving, hints,
// the close with its scoring, the outcome and what is stored.
#pragma once

#include "TestMode.h"
#include "TestScoring.h"
#include "widgets/Form.h"

#include <QPointer>

#include <functional>
#include <optional>

class QLabel;
class QTimer;
class TDataSet;
class TDsFancyButton;
class TInfoDlg;
class TQuestionView;

class TTestDlg : public TForm
{
    Q_OBJECT
public:
    explicit TTestDlg(QWidget* parent = nullptr);
    ~TTestDlg() override;

    // The information panel that stands beside this window during a run: it appears a second
    // after the window first becomes active, and its countdown running out ends the test.
    void setPanel(TInfoDlg* panel);

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
    bool pictureClickable() const;
    // The explanation shown under the answers; empty while none is shown.
    QString shownExplanation() const;

    // ---- the state of the run ----
    int mode() const { return Mode; }
    int unansweredCount() const { return UnansweredCount; }
    int tickedCount() const { return TickedCount; }
    // The countdown ended the test.
    bool timedOut() const { return TimedOut; }
    // The window has become active in this run (the panel's timer started then).
    bool activated() const { return Activated; }

public slots:
    void AnswerChange();
    void FirstBtnClick();
    void PrevBtnClick();
    void NextBtnClick();
    void LastBtnClick();
    void ShowAnswerBtnClick();
    void InfoBtnClick();
    void OkBtnClick();
    void Timer1Timer();

protected:
    void FormActivate() override;
    bool FormCloseQuery() override;
    void FormClose() override;
    void keyPressEvent(QKeyEvent* e) override;

private slots:
    // The countdown ran out: close without the confirmation, scoring as if confirmed.
    void RequestTimedOutClose();

private:
    void buildLabels();
    void buildButtons();
    void placeOnScreen();
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    // Moves through the question set (when there is one) and shows the question arrived at.
    void navigate(const std::function<void(TDataSet&)>& move);
    bool hasQuestion() const;
    // Scores the run and stores it; nothing (with the error shown and the run as it was) when
    // the database refused to store it. `abandoned` is set when the pupil's sign-in went to
    // another station: the run is then closed unstored.
    std::optional<TEvaluation> Evaluate(bool& abandoned);
    void EnterReview();
    void closeAfterTimeout();

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
    TQuestionView* m_view; // the question text, the answer boxes and the picture
    TDsFancyButton* FirstBtn;
    TDsFancyButton* PrevBtn;
    TDsFancyButton* NextBtn;
    TDsFancyButton* LastBtn;
    TDsFancyButton* InfoBtn;
    TDsFancyButton* ShowAnswerBtn;
    TDsFancyButton* OkBtn;
    QTimer* Timer1;

    QPointer<TInfoDlg> m_panel;
    TDataSet* m_set = nullptr;
    TTestScoring m_scoring;
    bool m_inCloseQuery = false;
    bool m_inScoring = false;
};

extern TTestDlg* TestDlg;
