// The test window.
#include "TestDlg.h"

#include "Artwork.h"
#include "ImageZoom.h"
#include "InfoDlg.h"
#include "WrapCheckBox.h"
#include "data/Clock.h"
#include "data/DataModule.h"
#include "data/DataSet.h"
#include "data/Engine.h"
#include "data/SignInLock.h"
#include "data/Error.h"
#include "data/Format.h"
#include "data/Globals.h"
#include "pictures/Picture.h"
#include "data/Strings.h"
#include "dialogs/ResultDlg.h"
#include "dialogs/SystemDlg.h"
#include "widgets/FancyButton.h"
#include "widgets/Guard.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

#include <optional>

TTestDlg* TestDlg = nullptr;

namespace {
TTestDlg::RunTestHook& hook()
{
    static TTestDlg::RunTestHook h;
    return h;
}

const QPoint FramePos(24, 84);
const QPoint PanelPos(28, 88);

QScrollArea* makeScrollBox(QWidget* parent, const QString& name, QRect geometry)
{
    auto* box = new QScrollArea(parent);
    box->setObjectName(name);
    box->setAccessibleName(name == QLatin1String("ScrollBox1") ? Str::QuestionTextName : Str::AnswersName);
    box->setGeometry(geometry);
    box->setFocusPolicy(Qt::NoFocus);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    box->setFrameShape(QFrame::StyledPanel);
    box->setWidgetResizable(false);
    QPalette pal = box->palette();
    pal.setColor(QPalette::Window, QColor(250, 246, 232));
    box->setPalette(pal);
    box->viewport()->setAutoFillBackground(true);
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    box->setWidget(content);
    return box;
}

TDsFancyButton* makeButton(const QString& caption, QWidget* parent, const QString& name, QRect geometry)
{
    auto* b = new TDsFancyButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(geometry);
    return b;
}

// The width inside a scroll box, with room kept for the scroll bar that appears for long texts
// (the viewport has no size of its own before the window is first shown).
int contentWidth(const QScrollArea* box)
{
    return box->width() - 2 * box->frameWidth() - box->verticalScrollBar()->sizeHint().width();
}

QString confirmationText(int mode)
{
    switch (mode) {
    case tmHints:
        return Str::ConfirmEndHints;
    case tmPractice:
        return Str::ConfirmEndPractice;
    case tmLive:
        return Str::ConfirmEndLive;
    case tmErrorTest:
        return Str::ConfirmEndErrorTest;
    default:
        return Str::ConfirmEndBrowsing;
    }
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

    QFont bold = font();
    bold.setBold(true);

    ZakName = new QLabel(this);
    ZakName->setObjectName(QStringLiteral("ZakName"));
    ZakName->setGeometry(24, 14, 420, 20);
    ZakName->setFont(bold);
    TestNameLb = new QLabel(this);
    TestNameLb->setObjectName(QStringLiteral("TestNameLb"));
    TestNameLb->setGeometry(24, 36, 420, 40);
    TestNameLb->setWordWrap(true);
    TestNameLb->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    QuestinNo = new QLabel(this);
    QuestinNo->setObjectName(QStringLiteral("QuestinNo"));
    QuestinNo->setGeometry(470, 14, 150, 20);
    QFont numberFont = bold;
    numberFont.setPixelSize(15);
    QuestinNo->setFont(numberFont);
    PointForQuestion = new QLabel(this);
    PointForQuestion->setObjectName(QStringLiteral("PointForQuestion"));
    PointForQuestion->setGeometry(630, 14, 110, 20);
    PointForQuestion->setFont(bold);
    QuestionCount = new QLabel(this);
    QuestionCount->setObjectName(QStringLiteral("QuestionCount"));
    QuestionCount->setGeometry(470, 38, 270, 18);
    NotReadyQuestion = new QLabel(this);
    NotReadyQuestion->setObjectName(QStringLiteral("NotReadyQuestion"));
    NotReadyQuestion->setGeometry(470, 58, 270, 18);

    // The picture, its frame behind it, and the placeholder for questions without one.
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setScaledContents(true);
    Image1->setPixmap(QPixmap::fromImage(Artwork::pictureFrame()));
    Image1->setAccessibleName(Str::PictureName);
    Image1->setGeometry(QRect(FramePos, QSize(290, 190)));
    BMPPanel = new QFrame(this);
    BMPPanel->setObjectName(QStringLiteral("BMPPanel"));
    BMPPanel->setAccessibleName(Str::PictureName);
    BMPPanel->setGeometry(QRect(PanelPos, QSize(282, 182)));
    BMPPanel->setAutoFillBackground(true);
    QPalette panelPal = BMPPanel->palette();
    panelPal.setColor(QPalette::Window, QColor(60, 50, 30));
    BMPPanel->setPalette(panelPal);
    BMPImage = new QLabel(BMPPanel);
    BMPImage->setObjectName(QStringLiteral("BMPImage"));
    BMPImage->setScaledContents(true);
    BMPImage->setAccessibleName(Str::PictureName);
    BMPImage->setGeometry(0, 0, 280, 180);
    BMPImage->installEventFilter(this);
    Image2 = Artwork::placeholderPicture();

    ScrollBox1 = makeScrollBox(this, QStringLiteral("ScrollBox1"), QRect(330, 84, 300, 190));
    LabelQuestion = new TWrapCheckBox(ScrollBox1->widget());
    LabelQuestion->setObjectName(QStringLiteral("LabelQuestion"));
    LabelQuestion->setShowIndicator(false);
    LabelQuestion->setCheckable(false);
    LabelQuestion->setFocusPolicy(Qt::NoFocus);
    LabelQuestion->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont questionFont = bold;
    questionFont.setPixelSize(14);
    LabelQuestion->setFont(questionFont);
    LabelQuestion->setGeometry(4, 4, 276, 20);

    ScrollBox2 = makeScrollBox(this, QStringLiteral("ScrollBox2"), QRect(24, 288, 606, 210));
    QFont answerFont = font();
    answerFont.setPixelSize(13);
    for (int k = 0; k < 4; ++k) {
        auto* box = new TWrapCheckBox(ScrollBox2->widget());
        box->setObjectName(QStringLiteral("LabelAnswer%1").arg(k + 1));
        box->setFocusPolicy(Qt::NoFocus);
        box->setFont(answerFont);
        box->setGeometry(6, 6, 574, 20);
        box->setChangeHandler([this] { AnswerChange(); });
        LabelAnswer[k] = box;
    }

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

    Timer1 = new QTimer(this);
    Timer1->setSingleShot(true);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TTestDlg::Timer1Timer);

    if (!TestDlg) TestDlg = this;
}

TTestDlg::~TTestDlg()
{
    // The panel is lent to this window while a run shows it; it belongs to the program.
    if (InfoDlg && InfoDlg->parent() == this) InfoDlg->setParent(nullptr, InfoDlg->windowFlags());
    if (TestDlg == this) TestDlg = nullptr;
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
    const bool boxesEnabled = (mode == tmBrowse && !ShowAnswerNow) || mode != tmBrowse;
    for (TWrapCheckBox* box : LabelAnswer)
        box->setEnabled(boxesEnabled);
    ShowAnswerBtn->setEnabled(mode == tmBrowse || mode == tmHints);
    // Nothing of an earlier run may show through the panel, nor end this one ("Info" may bring
    // the panel back before this run hands it its time limit).
    if (InfoDlg)
        InfoDlg->ResetForRun();
    m_set = questionSet;
    m_inCloseQuery = false;
    m_scoring = false;
    m_reportTime.reset();
    UpdateQuestionCountLabel();
    UnansweredCount = mode == tmBrowse || !hasQuestion() ? 0 : m_set->recordCount();
    UpdateUnansweredLabel();
    Guarded([&] { ShowQuestion(); });

    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->geometry();
        const int panelWidth = InfoDlg ? InfoDlg->width() : 0;
        move(area.x() + (area.width() - width() - panelWidth + 120) / 2,
             area.y() + (area.height() - height()) / 2);
    }
    ShowModal();
    m_set = nullptr;
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

void TTestDlg::setAnswerHandlersAttached(bool attached)
{
    for (TWrapCheckBox* box : LabelAnswer) {
        if (attached)
            box->attachChangeHandler();
        else
            box->detachChangeHandler();
    }
}

void TTestDlg::ShowQuestion()
{
    setAnswerHandlersAttached(false);
    auto reattach = qScopeGuard([this] { setAnswerHandlersAttached(true); });
    const bool any = hasQuestion();
    const QString cc = any ? m_set->asString(QStringLiteral("CC")) : QString();
    const QString ticks = TickPattern(cc);
    for (int k = 0; k < 4; ++k) {
        LabelAnswer[k]->setFontColour(Qt::black);
        LabelAnswer[k]->setChecked(ticks[k] == u'1');
    }
    UpdateQuestionLabels();

    LabelQuestion->setCaption(any ? JoinMemoLines(m_set->asString(QStringLiteral("OTAZKA"))) : QString());
    const int questionWidth = contentWidth(ScrollBox1);
    LabelQuestion->setGeometry(4, 4, questionWidth - 8, LabelQuestion->neededHeight(questionWidth - 8) + 5);
    ScrollBox1->widget()->resize(questionWidth, LabelQuestion->height() + 8);
    ScrollBox1->verticalScrollBar()->setValue(0);

    int answerCount = 0;
    if (any) {
        DM->QOdpoved->close();
        DM->QOdpoved->setParam(QStringLiteral("ID_OTAZKA"), m_set->asInteger(QStringLiteral("ID_OTAZKA")));
        DM->QOdpoved->open();
        answerCount = DM->QOdpoved->recordCount();
    }
    for (int k = 0; k < 4; ++k)
        FillAnswerBox(k, answerCount);
    layoutAnswers();

    if (Mode == tmBrowse && ShowAnswerNow) ShowCorrectAnswers(true);
    if (Mode == tmReview) ShowCorrectAnswers(false);
    TickedCount = CountTicked(cc);
    reattach.dismiss();
    setAnswerHandlersAttached(true);

    // The texts are painted before a large picture is decoded.
    if (isVisible()) {
        ScrollBox1->repaint();
        ScrollBox2->repaint();
    }
    LoadQuestionPicture(any ? m_set->asInteger(QStringLiteral("ID_PICT")) : 0);
}

void TTestDlg::FillAnswerBox(int k, int answerCount)
{
    TWrapCheckBox* box = LabelAnswer[k];
    // A question with fewer answers hides the surplus boxes.
    if (k >= answerCount) {
        box->setCaption(QString());
        box->hide();
        return;
    }
    if (k > 0) DM->QOdpoved->next();
    box->setCaption(Str::AnswerPrefixes[k] +
                    JoinMemoLines(DM->QOdpoved->asString(QStringLiteral("TEXT_ODP"))));
    box->show();
    if (Mode != tmBrowse) box->setChecked(TickPattern(m_set->asString(QStringLiteral("CC")))[k] == u'1');
}

void TTestDlg::layoutAnswers()
{
    int top = 6;
    const int width = contentWidth(ScrollBox2) - 8;
    for (TWrapCheckBox* box : LabelAnswer) {
        if (box->isHidden()) continue;
        box->setGeometry(6, top, width, box->neededHeight(width) + AnswerGap);
        top += box->height();
    }
    ScrollBox2->widget()->resize(contentWidth(ScrollBox2), top + 4);
    ScrollBox2->verticalScrollBar()->setValue(0);
}

void TTestDlg::LoadQuestionPicture(int id)
{
    Picture::Decoded decoded;
    QByteArray bytes;
    if (id != 0) {
        // Every failure to read the picture shows the placeholder; the run goes on.
        try {
            DM->QBmp->close();
            DM->QBmp->setParam(QStringLiteral("ID_PICT"), id);
            DM->QBmp->open();
            if (!DM->QBmp->isEmpty()) {
                bytes = DM->QBmp->asBytes(QStringLiteral("BMP"));
                decoded = Picture::decode(bytes, QSize(280, 180));
            }
        } catch (const TError&) {
            decoded = Picture::Decoded();
        }
    }
    QSize own;
    if (!decoded.ok() || decoded.fullSize.isEmpty()) {
        m_viewImage = Image2;
        m_pictureBytes.clear();
        own = Image2.size();
        m_pictureClickable = false;
    } else {
        m_viewImage = decoded.image;
        m_pictureBytes = bytes;
        own = decoded.fullSize;
        m_pictureClickable = hasQuestion() && m_set->asInteger(QStringLiteral("ID_OKRUH")) == 4;
    }
    m_pictureSize = own;
    const QSize fit = FitPicture(own);
    BMPPanel->setGeometry(QRect(PanelPos, fit + QSize(2, 2)));
    Image1->setGeometry(QRect(FramePos, FrameSize(fit)));
    BMPImage->setGeometry(QRect(QPoint(0, 0), fit));
    BMPImage->setPixmap(QPixmap::fromImage(m_viewImage));
    if (m_pictureClickable)
        BMPImage->setCursor(Artwork::zoomInCursor());
    else
        BMPImage->unsetCursor();
}

void TTestDlg::ShowCorrectAnswers(bool tick)
{
    if (!hasQuestion()) return;
    const QString p = CorrectPattern(m_set->asString(QStringLiteral("AA")));
    for (int k = 0; k < 4; ++k) {
        const bool correct = k < p.size() && p[k] == u'1';
        if (tick) LabelAnswer[k]->setChecked(correct);
        if (correct) {
            LabelAnswer[k]->setFontColour(QColor(255, 0, 0));
            LabelAnswer[k]->repaint();
        }
    }
}

void TTestDlg::AnswerChange()
{
    Guarded([&] {
        if (Mode == tmBrowse || !hasQuestion()) return;
        QString pattern;
        for (TWrapCheckBox* box : LabelAnswer)
            pattern += box->isChecked() ? u'1' : u'0';
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
    Guarded([&] {
        if (m_set && m_set->active()) m_set->first();
        ShowQuestion();
    });
}

void TTestDlg::PrevBtnClick()
{
    Guarded([&] {
        if (m_set && m_set->active()) m_set->prior();
        ShowQuestion();
    });
}

void TTestDlg::NextBtnClick()
{
    Guarded([&] {
        if (m_set && m_set->active()) m_set->next();
        ShowQuestion();
    });
}

void TTestDlg::LastBtnClick()
{
    Guarded([&] {
        if (m_set && m_set->active()) m_set->last();
        ShowQuestion();
    });
}

void TTestDlg::ShowAnswerBtnClick()
{
    Guarded([&] {
        if (ShowAnswerBtn->isEnabled()) ShowCorrectAnswers(false);
    });
}

void TTestDlg::InfoBtnClick()
{
    Guarded([&] {
        if (InfoDlg) InfoDlg->ShowPanel();
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
    auto moveTen = [&](int distance) {
        Guarded([&] {
            if (m_set && m_set->active()) m_set->moveBy(distance);
            ShowQuestion();
        });
    };
    auto invert = [&](int k) {
        TWrapCheckBox* box = LabelAnswer[k];
        if (box->isEnabled() && !box->isHidden()) box->setChecked(!box->isChecked());
    };
    switch (key) {
    case Qt::Key_Escape:
        close();
        break;
    case Qt::Key_PageUp:
        if (ctrl)
            moveTen(-10);
        else
            PrevBtnClick();
        break;
    case Qt::Key_PageDown:
        if (ctrl)
            moveTen(10);
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
        invert(key - Qt::Key_A);
        break;
    case Qt::Key_F1:
        ShowAnswerBtnClick();
        break;
    default:
        break;
    }
}

bool TTestDlg::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == BMPImage && e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        BMPImageClick();
        return true;
    }
    return TForm::eventFilter(watched, e);
}

void TTestDlg::BMPImageClick()
{
    Guarded([&] {
        if (!m_pictureClickable || m_zoomOpen) return;
        // The full-size picture is decoded only now, for the enlarged view.
        Picture::Decoded full = Picture::decode(m_pictureBytes);
        QImage image = full.ok() ? full.image : m_viewImage.scaled(m_pictureSize);
        TImageZoom zoom(this);
        zoom.setPicture(image);
        zoom.centreOnScreen();
        m_zoomOpen = true;
        auto reset = qScopeGuard([this] {
            m_zoomOpen = false;
            if (m_pictureClickable) BMPImage->setCursor(Artwork::zoomInCursor());
        });
        zoom.ShowModal();
    });
}

void TTestDlg::FormActivate()
{
    if (m_pictureClickable) BMPImage->setCursor(Artwork::zoomInCursor());
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
        if (!InfoDlg || !isVisible()) return;
        InfoDlg->move(x() + width() - 120, y() + height() - InfoDlg->height() - 100);
        InfoDlg->setTimeLimit(TimeLimitSecs);
        if (TimeLimitSecs != 0) InfoDlg->StartCountdown();
        // Lent to this window so that the modal run does not block the panel's button.
        if (InfoDlg->parent() != this) InfoDlg->setParent(this, InfoDlg->windowFlags());
        InfoDlg->ShowPanel();
        activateWindow();
    });
}

void TTestDlg::RequestTimedOutClose()
{
    if (m_scoring || !isVisible()) return;
    TimedOut = true;
    QTimer::singleShot(0, this, [this] { closeAfterTimeout(); });
}

void TTestDlg::closeAfterTimeout()
{
    if (!isVisible() || m_scoring) return;
    // A confirmation or the enlarged picture is open: close it first; the confirmation then
    // goes on as if the pupil had confirmed.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != this) {
        modal->close();
        if (m_inCloseQuery) return;
        QTimer::singleShot(0, this, [this] { closeAfterTimeout(); });
        return;
    }
    if (!m_inCloseQuery) close();
}

bool TTestDlg::FormCloseQuery()
{
    if (m_inCloseQuery) return false;
    m_inCloseQuery = true;
    auto done = qScopeGuard([this] {
        m_inCloseQuery = false;
        m_scoring = false;
    });
    // The countdown may end while the question is open; the test is then scored all the same.
    if (!TimedOut && !SystemDlg->Execute(confirmationText(Mode), false) && !TimedOut) return false;
    Timer1->stop();
    // The countdown must not strike while the outcome is being scored and shown.
    const bool countdownRunning = InfoDlg && InfoDlg->Timer1->isActive();
    if (InfoDlg) InfoDlg->Timer1->stop();
    m_scoring = true;
    bool review = false;
    if ((Mode == tmPractice || Mode == tmLive || Mode == tmErrorTest) && hasQuestion()) {
        bool abandoned = false;
        std::optional<TEvaluation> ev = scoreAndStore(abandoned);
        if (abandoned) {
            if (InfoDlg) InfoDlg->ClosePanel();
            return true;
        }
        if (!ev) {
            if (countdownRunning)
                InfoDlg->Timer1->start();
            return false;
        }
        review = showOutcome(*ev);
    }
    if (InfoDlg) InfoDlg->ClosePanel();
    return !review;
}

std::optional<TEvaluation> TTestDlg::scoreAndStore(bool& abandoned)
{
    const TDataSet::Snapshot answers = m_set->snapshot();
    try {
        std::optional<TEvaluation> ev = Evaluate();
        m_reportTime.reset();
        return ev;
    } catch (const TSignInLost& e) {
        // Another station has the pupil now: nothing may be stored under the pupil's name here.
        ShowGeneralError(e.message());
        abandoned = true;
        return std::nullopt;
    } catch (const TError& e) {
        if (DM->engine().replaced()) {
            // No attempt can reach the database any more; the message says to start again.
            ShowGeneralError(e.message());
            abandoned = true;
            return std::nullopt;
        }
        // Nothing of the test was stored: the pupil gets the test back as it was and can close
        // it again.
        m_set->restore(answers);
        Guarded([&] { ShowQuestion(); });
        ShowGeneralError(Format(Str::TestNotStored, {e.message()}));
        return std::nullopt;
    }
}

bool TTestDlg::showOutcome(const TEvaluation& ev)
{
    const bool perfect = ev.perfect();
    const QString message = perfect ? Format(Str::ScorePerfect, {ev.gained, ev.total})
                                    : Format(Str::ScoreReview, {ev.gained, ev.total});
    bool review = false;
    if (Mode == tmLive) {
        const TVerdict v = LiveVerdict(ev.gained, ev.total, SignedInPupil.PassMinimum, ev.mandatoryMissed);
        if (perfect)
            ResultDlg->Execute(message, v.verdict, v.note, true);
        else
            review = ResultDlg->Execute(message, v.verdict, v.note, false);
    } else {
        if (perfect)
            SystemDlg->Execute(message, true);
        else
            review = SystemDlg->Execute(message, false);
    }
    if (review && hasQuestion())
        EnterReview();
    else
        review = false;
    return review;
}

TEvaluation TTestDlg::Evaluate()
{
    // A scored test is stored as a whole or not at all: the wrong answers, the unfinished stored
    // test and the report of a live test.
    // The sign-in is checked first: after a lost connection it is taken back, unless another
    // station took the pupil meanwhile.
    if (!DM->engine().signInLock().confirm(SignedInPupil.PupilId))
        throw TSignInLost(Str::SignInTakenOver);
    // A retry after a failed attempt keeps that attempt's time; the report is looked for first.
    m_reportRetry = m_reportTime.has_value();
    if (!m_reportTime)
        m_reportTime = Clock::now();
    TEvaluation ev;
    DM->DB.runInTransaction([&] {
        ev = EvaluateQuestionSet(
            *m_set, SignedInPupil.MandatoryGroup, SignedInPupil.PassMinimum,
            [this](bool right, int id, const QString& cc) { StoreAnswerOutcome(right, id, cc); });
        StoreTestOutcome(ev.perfect());
        if (Mode == tmLive)
            WriteReport(ev.total, ev.gained, ev.lines);
    });
    return ev;
}

void TTestDlg::StoreAnswerOutcome(bool isRight, int questionId, const QString& pattern)
{
    TQuery* q = DM->QTmp;
    const QString pupil = SqlInt(SignedInPupil.PupilId);
    const QString question = SqlInt(questionId);
    q->close();
    q->clearSql();
    if (isRight) {
        q->addLine(QStringLiteral("DELETE FROM ZAKODP WHERE ID_ZAK=") + pupil +
                   QStringLiteral(" AND ID_OTAZKA=") + question);
        q->execSql();
        return;
    }
    q->addLine(QStringLiteral("SELECT * FROM ZAKODP WHERE ID_ZAK=") + pupil +
               QStringLiteral(" AND ID_OTAZKA=") + question);
    q->open();
    if (!q->isEmpty()) return;
    q->close();
    q->clearSql();
    q->addLine(QStringLiteral("INSERT INTO ZAKODP (ID_ZAK,ID_OTAZKA,ZAK_ODP) VALUES (") + pupil + u',' +
               question + u',' + SqlQuote(TrimText(pattern)) + u')');
    q->execSql();
}

void TTestDlg::StoreTestOutcome(bool isPerfect)
{
    if (TestId == 0) return;
    TQuery* q = DM->QTmp;
    const QString pupil = SqlInt(SignedInPupil.PupilId);
    const QString test = SqlInt(TestId);
    q->close();
    q->clearSql();
    if (isPerfect) {
        q->addLine(QStringLiteral("DELETE FROM ZAKTEST WHERE ID_ZAK=") + pupil +
                   QStringLiteral(" AND ID_TEST=") + test);
        q->execSql();
        return;
    }
    q->addLine(QStringLiteral("SELECT * FROM ZAKTEST WHERE ID_ZAK=") + pupil +
               QStringLiteral(" AND ID_TEST=") + test);
    q->open();
    if (!q->isEmpty()) return;
    q->close();
    q->clearSql();
    q->addLine(QStringLiteral("INSERT INTO ZAKTEST (ID_ZAK,ID_TEST) VALUES (") + pupil + u',' + test + u')');
    q->execSql();
}

void TTestDlg::WriteReport(int total, int gained, const QStringList& lines)
{
    const QDateTime when = m_reportTime.value_or(Clock::now());
    const QStringList report = ComposeReport(SignedInPupil.FullName, QString(SignedInPupil.LicenceCategory),
                                             when, TestCaption, lines, total, gained);
    ResultDlg->setReportLines(report);
    if (m_reportRetry && DM->ReportStored(SignedInPupil.PupilId, when, TestId))
        return; // an earlier attempt whose answer from the server was lost did store it
    TQuery* q = DM->QStatistic;
    q->close();
    q->setParam(QStringLiteral("ID_ZAK"), -1);
    q->open();
    q->append();
    q->setValue(QStringLiteral("ID_ZAK"), SignedInPupil.PupilId);
    q->setValue(QStringLiteral("PTOTAL"), total);
    q->setValue(QStringLiteral("PCURRENT"), gained);
    q->setValue(QStringLiteral("DATETIME"), when);
    q->setValue(QStringLiteral("ID_TEST"), TestId);
    q->setValue(QStringLiteral("TEST_NAME"), TestCaption);
    QString text;
    for (const QString& line : report)
        text += line + QStringLiteral("\r\n");
    q->setValue(QStringLiteral("REPORT"), text);
    // One insert, applied and committed at once; a failure leaves no half-written report.
    q->postAndApply();
}

void TTestDlg::EnterReview()
{
    Mode = tmReview;
    for (TWrapCheckBox* box : LabelAnswer)
        box->setEnabled(false);
    UpdateQuestionCountLabel();
    ShowAnswerBtn->setEnabled(true);
    UnansweredCount = 0;
    UpdateUnansweredLabel();
    // Closing the review asks again, also after a test that the countdown ended; the review is
    // never timed, so the panel shows the ticker when "Info" brings it back.
    TimedOut = false;
    if (InfoDlg) InfoDlg->setTimeLimit(0);
    m_set->first();
    ShowQuestion();
}

void TTestDlg::FormClose()
{
    Timer1->stop();
    if (InfoDlg) InfoDlg->ClosePanel();
}
