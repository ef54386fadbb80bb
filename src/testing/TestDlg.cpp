// The test window: the run, moving through the questions, the keys, and the close with its scoring.
#include "TestDlg.h"

#include "InfoDlg.h"
#include "QuestionView.h"
#include "TestOutcome.h"
#include "data/DataModule.h"
#include "data/DataSet.h"
#include "data/Engine.h"
#include "data/Error.h"
#include "data/Format.h"
#include "data/Globals.h"
#include "data/Strings.h"
#include "dialogs/ResultDlg.h"
#include "dialogs/SystemDlg.h"
#include "widgets/FancyButton.h"
#include "widgets/Guard.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>

TTestDlg* TestDlg = nullptr;

namespace {
TTestDlg::RunTestHook& hook()
{
    static TTestDlg::RunTestHook h;
    return h;
}

QLabel* makeLabel(QWidget* parent, const QString& name, QRect geometry)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setGeometry(geometry);
    return l;
}

TDsFancyButton* makeButton(const QString& caption, QWidget* parent, const QString& name, QRect geometry)
{
    auto* b = new TDsFancyButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(geometry);
    return b;
}
} // namespace

void TTestDlg::setRunTestHook(RunTestHook h)
{
    hook() = std::move(h);
}

TTestDlg::TTestDlg(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("TestDlg"));
    setWindowTitle(Str::AppTitle);
    setSkin(QStringLiteral("test"), QSize(760, 560));
    setFocusPolicy(Qt::StrongFocus);

    buildLabels();
    m_view = new TQuestionView(this);
    connect(m_view, &TQuestionView::answerChanged, this, &TTestDlg::AnswerChange);
    buildButtons();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TTestDlg::Timer1Timer);

    if (!TestDlg)
        TestDlg = this;
}

void TTestDlg::buildLabels()
{
    QFont bold = font();
    bold.setBold(true);
    ZakName = makeLabel(this, QStringLiteral("ZakName"), QRect(24, 14, 420, 20));
    ZakName->setFont(bold);
    TestNameLb = makeLabel(this, QStringLiteral("TestNameLb"), QRect(24, 36, 420, 40));
    TestNameLb->setWordWrap(true);
    TestNameLb->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    QuestinNo = makeLabel(this, QStringLiteral("QuestinNo"), QRect(470, 14, 150, 20));
    QFont numberFont = bold;
    numberFont.setPixelSize(15);
    QuestinNo->setFont(numberFont);
    PointForQuestion = makeLabel(this, QStringLiteral("PointForQuestion"), QRect(630, 14, 110, 20));
    PointForQuestion->setFont(bold);
    QuestionCount = makeLabel(this, QStringLiteral("QuestionCount"), QRect(470, 38, 270, 18));
    NotReadyQuestion = makeLabel(this, QStringLiteral("NotReadyQuestion"), QRect(470, 58, 270, 18));
}

void TTestDlg::buildButtons()
{
    FirstBtn = makeButton(Str::FirstCaption, this, QStringLiteral("FirstBtn"), QRect(24, 516, 50, 25));
    PrevBtn = makeButton(Str::PrevCaption, this, QStringLiteral("PrevBtn"), QRect(80, 516, 50, 25));
    NextBtn = makeButton(Str::NextCaption, this, QStringLiteral("NextBtn"), QRect(136, 516, 50, 25));
    LastBtn = makeButton(Str::LastCaption, this, QStringLiteral("LastBtn"), QRect(192, 516, 50, 25));
    InfoBtn = makeButton(Str::InfoCaption, this, QStringLiteral("InfoBtn"), QRect(300, 516, 80, 25));
    ShowAnswerBtn =
        makeButton(Str::ShowAnswerCaption, this, QStringLiteral("ShowAnswerBtn"), QRect(390, 516, 50, 25));
    OkBtn = makeButton(Str::Ok, this, QStringLiteral("OkBtn"), QRect(640, 516, 97, 25));
    FirstBtn->setAccessibleName(Str::FirstQuestionName);
    PrevBtn->setAccessibleName(Str::PrevQuestionName);
    NextBtn->setAccessibleName(Str::NextQuestionName);
    LastBtn->setAccessibleName(Str::LastQuestionName);
    ShowAnswerBtn->setAccessibleName(Str::CorrectAnswersName);
    connect(FirstBtn, &QAbstractButton::clicked, this, &TTestDlg::FirstBtnClick);
    connect(PrevBtn, &QAbstractButton::clicked, this, &TTestDlg::PrevBtnClick);
    connect(NextBtn, &QAbstractButton::clicked, this, &TTestDlg::NextBtnClick);
    connect(LastBtn, &QAbstractButton::clicked, this, &TTestDlg::LastBtnClick);
    connect(InfoBtn, &QAbstractButton::clicked, this, &TTestDlg::InfoBtnClick);
    connect(ShowAnswerBtn, &QAbstractButton::clicked, this, &TTestDlg::ShowAnswerBtnClick);
    connect(OkBtn, &QAbstractButton::clicked, this, &TTestDlg::OkBtnClick);
}

TTestDlg::~TTestDlg()
{
    // The panel is lent to this window while a run shows it; it belongs to the program.
    if (m_panel && m_panel->parent() == this)
        m_panel->setParent(nullptr, m_panel->windowFlags());
    if (TestDlg == this)
        TestDlg = nullptr;
}

void TTestDlg::setPanel(TInfoDlg* panel)
{
    if (m_panel)
        disconnect(m_panel, nullptr, this, nullptr);
    m_panel = panel;
    if (m_panel)
        connect(m_panel, &TInfoDlg::countdownExpired, this, &TTestDlg::RequestTimedOutClose);
}

bool TTestDlg::hasQuestion() const
{
    return m_set && m_set->active() && !m_set->isEmpty();
}

void TTestDlg::RunTest(int mode, int testId, const QString& caption, TDataSet* questionSet,
                       bool showAnswerNow, quint16 timeLimitMinutes)
{
    if (hook()) {
        hook()({mode, testId, caption, questionSet, showAnswerNow, timeLimitMinutes});
        return;
    }
    TimedOut = false;
    Activated = false;
    AnswerGap = 10;
    Mode = mode;
    TestId = testId;
    TestCaption = caption;
    ZakName->setText(SignedInPupil.FullName);
    ShowAnswerNow = showAnswerNow;
    TestNameLb->setText(TestCaption);
    setWindowTitle(TestCaption); // the window's name for assistive technologies
    TimeLimitSecs = quint16(timeLimitMinutes * 60u);
    m_view->setAnswersEnabled((mode == tmBrowse && !ShowAnswerNow) || mode != tmBrowse);
    ShowAnswerBtn->setEnabled(mode == tmBrowse || mode == tmHints);
    // Nothing of an earlier run may show through the panel, nor end this one ("Info" may bring
    // the panel back before this run hands it its time limit).
    if (m_panel)
        m_panel->ResetForRun();
    m_set = questionSet;
    m_inCloseQuery = false;
    m_inScoring = false;
    m_scoring.reset();
    UpdateQuestionCountLabel();
    UnansweredCount = mode == tmBrowse || !hasQuestion() ? 0 : m_set->recordCount();
    UpdateUnansweredLabel();
    Guarded([&] { ShowQuestion(); });
    placeOnScreen();
    ShowModal();
    m_set = nullptr;
}

void TTestDlg::placeOnScreen()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const int panelWidth = m_panel ? m_panel->width() : 0;
    move(area.x() + (area.width() - width() - panelWidth + 120) / 2,
         area.y() + (area.height() - height()) / 2);
}

void TTestDlg::UpdateQuestionCountLabel()
{
    QuestionCount->setText(Format(Str::QuestionTotal, {hasQuestion() ? m_set->recordCount() : 0}));
}

void TTestDlg::UpdateUnansweredLabel()
{
    NotReadyQuestion->setText(Format(Str::QuestionsUnanswered, {UnansweredCount}));
}

void TTestDlg::UpdateQuestionLabels()
{
    const bool any = hasQuestion();
    QuestinNo->setText(Format(Str::QuestionNumber, {any ? m_set->recNo() : 0}));
    PointForQuestion->setText(
        Format(Str::QuestionPoints, {any ? m_set->asInteger(QStringLiteral("BB")) : 0}));
}

void TTestDlg::ShowQuestion()
{
    const bool any = hasQuestion();
    UpdateQuestionLabels();
    TickedCount = CountTicked(any ? m_set->asString(QStringLiteral("CC")) : QString());
    m_view->showQuestion(any ? m_set : nullptr, Mode, ShowAnswerNow, AnswerGap);
}

void TTestDlg::LoadQuestionPicture(int id)
{
    m_view->loadPicture(id, hasQuestion() && m_set->asInteger(QStringLiteral("ID_OKRUH")) == 4);
}

void TTestDlg::ShowCorrectAnswers(bool tick)
{
    if (!hasQuestion())
        return;
    m_view->showCorrectAnswers(CorrectPattern(m_set->asString(QStringLiteral("AA"))), tick);
}

bool TTestDlg::pictureClickable() const
{
    return m_view->pictureClickable();
}

QString TTestDlg::shownExplanation() const
{
    return m_view->shownExplanation();
}

void TTestDlg::AnswerChange()
{
    Guarded([&] {
        if (Mode == tmBrowse || !hasQuestion())
            return;
        const QString pattern = m_view->tickPattern();
        m_set->edit();
        m_set->setValue(QStringLiteral("CC"), pattern);
        m_set->post();
        const int n = CountTicked(pattern);
        if (n == 0)
            ++UnansweredCount;
        else if (n == 1 && TickedCount == 0)
            --UnansweredCount;
        TickedCount = n;
        UpdateUnansweredLabel();
    });
}

void TTestDlg::FirstBtnClick()
{
    navigate([](TDataSet& set) { set.first(); });
}

void TTestDlg::PrevBtnClick()
{
    navigate([](TDataSet& set) { set.prior(); });
}

void TTestDlg::NextBtnClick()
{
    navigate([](TDataSet& set) { set.next(); });
}

void TTestDlg::LastBtnClick()
{
    navigate([](TDataSet& set) { set.last(); });
}

void TTestDlg::navigate(const std::function<void(TDataSet&)>& move)
{
    Guarded([&] {
        if (m_set && m_set->active())
            move(*m_set);
        ShowQuestion();
    });
}

void TTestDlg::ShowAnswerBtnClick()
{
    Guarded([&] {
        if (ShowAnswerBtn->isEnabled())
            ShowCorrectAnswers(false);
    });
}

void TTestDlg::InfoBtnClick()
{
    Guarded([&] {
        if (m_panel)
            m_panel->ShowPanel();
    });
}

void TTestDlg::OkBtnClick()
{
    close();
}

void TTestDlg::keyPressEvent(QKeyEvent* e)
{
    FormKeyDown(e->key(), e->modifiers());
    e->accept();
}

void TTestDlg::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const bool ctrl = modifiers & Qt::ControlModifier;
    switch (key) {
    case Qt::Key_Escape:
        close();
        break;
    case Qt::Key_PageUp:
        if (ctrl)
            navigate([](TDataSet& set) { set.moveBy(-10); });
        else
            PrevBtnClick();
        break;
    case Qt::Key_PageDown:
        if (ctrl)
            navigate([](TDataSet& set) { set.moveBy(10); });
        else
            NextBtnClick();
        break;
    case Qt::Key_End:
        LastBtnClick();
        break;
    case Qt::Key_Home:
        FirstBtnClick();
        break;
    case Qt::Key_A:
    case Qt::Key_B:
    case Qt::Key_C:
    case Qt::Key_D:
        m_view->invertAnswer(key - Qt::Key_A);
        break;
    case Qt::Key_F1:
        ShowAnswerBtnClick();
        break;
    default:
        break;
    }
}

void TTestDlg::FormActivate()
{
    m_view->restoreZoomCursor();
    setFocus();
    if (!Activated) {
        Activated = true;
        Timer1->start();
    }
}

void TTestDlg::Timer1Timer()
{
    Guarded([&] {
        Timer1->stop();
        if (!m_panel || !isVisible())
            return;
        m_panel->move(x() + width() - 120, y() + height() - m_panel->height() - 100);
        m_panel->setTimeLimit(TimeLimitSecs);
        if (TimeLimitSecs != 0)
            m_panel->StartCountdown();
        // Lent to this window so that the modal run does not block the panel's button.
        if (m_panel->parent() != this)
            m_panel->setParent(this, m_panel->windowFlags());
        m_panel->ShowPanel();
        activateWindow();
    });
}

void TTestDlg::RequestTimedOutClose()
{
    if (m_inScoring || !isVisible())
        return;
    TimedOut = true;
    QTimer::singleShot(0, this, [this] { closeAfterTimeout(); });
}

void TTestDlg::closeAfterTimeout()
{
    if (!isVisible() || m_inScoring)
        return;
    // A confirmation or the enlarged picture is open: close it first; the confirmation then
    // goes on as if the pupil had confirmed.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != this) {
        modal->close();
        if (m_inCloseQuery)
            return;
        QTimer::singleShot(0, this, [this] { closeAfterTimeout(); });
        return;
    }
    if (!m_inCloseQuery)
        close();
}

bool TTestDlg::FormCloseQuery()
{
    if (m_inCloseQuery)
        return false;
    m_inCloseQuery = true;
    auto done = qScopeGuard([this] {
        m_inCloseQuery = false;
        m_inScoring = false;
    });
    // The countdown may end while the question is open; the test is then scored all the same.
    if (!TimedOut && !SystemDlg->Execute(ConfirmationText(Mode), false) && !TimedOut)
        return false;
    Timer1->stop();
    // The countdown must not strike while the outcome is being scored and shown.
    if (m_panel)
        m_panel->PauseCountdown();
    m_inScoring = true;
    bool review = false;
    if ((Mode == tmPractice || Mode == tmLive || Mode == tmErrorTest) && hasQuestion()) {
        bool abandoned = false;
        std::optional<TEvaluation> ev = Evaluate(abandoned);
        if (!ev && !abandoned) {
            if (m_panel)
                m_panel->ResumeCountdown();
            return false;
        }
        // The pupil may choose to review the wrongly answered questions, if there are any left.
        if (ev && ShowOutcome(*ev, Mode == tmLive, SignedInPupil.PassMinimum) && hasQuestion()) {
            EnterReview();
            review = true;
        }
    }
    if (m_panel)
        m_panel->ClosePanel();
    return !review;
}

std::optional<TEvaluation> TTestDlg::Evaluate(bool& abandoned)
{
    try {
        TEvaluation ev = m_scoring.scoreAndStore(*m_set, TestId, TestCaption, Mode);
        if (Mode == tmLive)
            ResultDlg->setReportLines(m_scoring.reportLines());
        return ev;
    } catch (const TSignInLost& e) {
        // Another station has the pupil now: nothing may be stored under the pupil's name here.
        ShowGeneralError(e.message());
        abandoned = true;
    } catch (const TError& e) {
        if (DM->engine().replaced()) {
            // No attempt can reach the database any more; the message says to start again.
            ShowGeneralError(e.message());
            abandoned = true;
            return std::nullopt;
        }
        // Nothing of the test was stored: the pupil gets the test back as it was and can close
        // it again.
        Guarded([&] { ShowQuestion(); });
        ShowGeneralError(Format(Str::TestNotStored, {e.message()}));
    }
    return std::nullopt;
}

void TTestDlg::EnterReview()
{
    Mode = tmReview;
    m_view->setAnswersEnabled(false);
    UpdateQuestionCountLabel();
    ShowAnswerBtn->setEnabled(true);
    UnansweredCount = 0;
    UpdateUnansweredLabel();
    // Closing the review asks again, also after a test that the countdown ended; the review is
    // never timed, so the panel shows the ticker when "Info" brings it back.
    TimedOut = false;
    if (m_panel)
        m_panel->setTimeLimit(0);
    m_set->first();
    ShowQuestion();
}

void TTestDlg::FormClose()
{
    Timer1->stop();
    if (m_panel)
        m_panel->ClosePanel();
}
