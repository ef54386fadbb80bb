// The countdown and message panel.
#include "InfoDlg.h"

#include "Evaluation.h"
#include "data/Clock.h"
#include "data/Globals.h"
#include "data/Strings.h"
#include "widgets/FancyButton.h"
#include "widgets/Guard.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

namespace {
constexpr int TickerWidth = 200;
constexpr int TickerTop = 90;
constexpr int TickerBoxHeight = 97;

QString longTime(const QDateTime& t)
{
    return t.time().toString(QStringLiteral("H:mm:ss"));
}

QLabel* makeLabel(const QString& text, QWidget* parent, QRect geometry)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(geometry);
    return l;
}
} // namespace

TInfoDlg::TInfoDlg(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("InfoDlg"));
    setWindowTitle(Str::PanelHeading);
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setModal(false);
    setSkin(QStringLiteral("info"), QSize(260, 300));

    QFont bold = font();
    bold.setBold(true);

    auto* heading = makeLabel(Str::PanelHeading, this, QRect(16, 10, 228, 20));
    heading->setAlignment(Qt::AlignCenter);
    heading->setFont(bold);

    Label2 = makeLabel(QString(), this, QRect(16, 32, 228, 30));
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignCenter);
    QFont clockFont = bold;
    clockFont.setPixelSize(22);
    Label2->setFont(clockFont);
    Label3 = makeLabel(QString(), this, QRect(16, 62, 228, 18));
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setAlignment(Qt::AlignCenter);

    buildCountdown(bold);
    buildTicker(bold);

    YesBtn = TDsFancyButton::create(Str::CloseCaption, this, {81, 262, 97, 25}, QStringLiteral("YesBtn"));
    YesBtn->applyGreyFrame();
    connect(YesBtn, &QAbstractButton::clicked, this, &TInfoDlg::YesBtnClick);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(300);
    connect(Timer1, &QTimer::timeout, this, &TInfoDlg::Timer1Timer);

    setTimeLimit(0);
}

void TInfoDlg::buildCountdown(const QFont& bold)
{
    // The countdown panel: light text on a dark ground, so that the yellow countdown reads well.
    Panel3 = new QWidget(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setGeometry(12, 88, 236, 164);
    Panel3->setAutoFillBackground(true);
    QPalette dark = Panel3->palette();
    dark.setColor(QPalette::Window, QColor(58, 54, 38));
    dark.setColor(QPalette::WindowText, QColor(240, 234, 214));
    Panel3->setPalette(dark);
    Label5 = makeLabel(Str::TestStart, Panel3, QRect(10, 10, 120, 18));
    Label5->setObjectName(QStringLiteral("Label5"));
    Label6 = makeLabel(QString(), Panel3, QRect(140, 10, 86, 18));
    Label6->setObjectName(QStringLiteral("Label6"));
    Label4 = makeLabel(Str::TestEnd, Panel3, QRect(10, 32, 120, 18));
    Label4->setObjectName(QStringLiteral("Label4"));
    Label7 = makeLabel(QString(), Panel3, QRect(140, 32, 86, 18));
    Label7->setObjectName(QStringLiteral("Label7"));
    Label8 = makeLabel(QString(), Panel3, QRect(6, 64, 224, 24));
    Label8->setObjectName(QStringLiteral("Label8"));
    Label8->setAlignment(Qt::AlignCenter);
    Label8->setFont(bold);
    Label8->setStyleSheet(QStringLiteral("color: rgb(255, 255, 0);"));
    QFont upFont = bold;
    upFont.setPixelSize(17);
    Label10 = makeLabel(Str::TimeUp, Panel3, QRect(7, 65, 224, 24));
    Label10->setObjectName(QStringLiteral("Label10"));
    Label10->setAlignment(Qt::AlignCenter);
    Label10->setFont(upFont);
    Label10->setStyleSheet(QStringLiteral("color: rgb(0, 0, 0);"));
    Label9 = makeLabel(Str::TimeUp, Panel3, QRect(6, 64, 224, 24));
    Label9->setObjectName(QStringLiteral("Label9"));
    Label9->setAlignment(Qt::AlignCenter);
    Label9->setFont(upFont);
    Label9->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    Label9->hide();
    Label10->hide();
    Gauge1 = new QProgressBar(Panel3);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setGeometry(10, 106, 216, 22);
    Gauge1->setTextVisible(true);
    Gauge1->setFormat(QStringLiteral("%p%"));
    Gauge1->setAccessibleName(Str::GaugeName);
}

void TInfoDlg::buildTicker(const QFont& bold)
{
    // The ticker: the message label scrolls up through a box without visible scroll bars.
    auto* tickerFrame = new QFrame(this);
    tickerFrame->setObjectName(QStringLiteral("Panel2"));
    tickerFrame->setGeometry(12, 88, 236, 164);
    tickerFrame->setFrameShape(QFrame::Box);
    tickerFrame->setAutoFillBackground(true);
    QPalette paper = tickerFrame->palette();
    paper.setColor(QPalette::Window, QColor(250, 246, 232));
    paper.setColor(QPalette::WindowText, QColor(128, 128, 0));
    tickerFrame->setPalette(paper);
    Panel2 = tickerFrame;
    ScrollBox1 = new QScrollArea(Panel2);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setGeometry(16, 34, TickerWidth + 4, TickerBoxHeight);
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setFocusPolicy(Qt::NoFocus);
    ScrollBox1->setAccessibleName(Str::TickerName);
    ScrollBox1->viewport()->setAutoFillBackground(false);
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    Label1 = new QLabel(content);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setGeometry(2, TickerTop, TickerWidth, 20);
    Label1->setFont(bold);
    QPalette ink = Label1->palette();
    ink.setColor(QPalette::WindowText, QColor(40, 36, 20));
    Label1->setPalette(ink);
    content->resize(TickerWidth + 4, TickerTop + 20 + 2 * TickerBoxHeight);
    ScrollBox1->setWidget(content);
    ScrollBox1->setWidgetResizable(false);
}

TInfoDlg::~TInfoDlg() = default;

void TInfoDlg::setTimeLimit(quint16 limitSecs)
{
    Panel3->setVisible(limitSecs != 0);
    Panel2->setVisible(limitSecs == 0);
    TimeLimitSecs = limitSecs;
}

void TInfoDlg::StartCountdown()
{
    StartTime = Clock::now();
    EndTime = StartTime.addSecs(TimeLimitSecs);
    Label6->setText(longTime(StartTime));
    Label7->setText(longTime(EndTime));
    Gauge1->setMinimum(1);
    Gauge1->setMaximum(qMax<int>(1, TimeLimitSecs));
    Gauge1->setValue(1);
    Label8->setText(CountdownText(TimeLimitSecs));
}

void TInfoDlg::ResetForRun()
{
    ClosePanel();
    setTimeLimit(0);
    StartTime = EndTime = QDateTime();
    MessageIndex = 0;
    Label6->clear();
    Label7->clear();
    Label8->clear();
    Label8->setVisible(true);
    Label9->setVisible(false);
    Label10->setVisible(false);
    Gauge1->setMinimum(1);
    Gauge1->setMaximum(1);
    Gauge1->setValue(1);
}

void TInfoDlg::ShowPanel()
{
    show();
    raise();
    // Activation may not reach a tool window at once; the tick must run all the same.
    restartTicker();
}

void TInfoDlg::ClosePanel()
{
    Timer1->stop();
    m_pausedWhileTicking = false;
    hide();
}

void TInfoDlg::PauseCountdown()
{
    m_pausedWhileTicking = Timer1->isActive();
    Timer1->stop();
}

void TInfoDlg::ResumeCountdown()
{
    if (m_pausedWhileTicking)
        Timer1->start();
    m_pausedWhileTicking = false;
}

bool TInfoDlg::isTicking() const
{
    return Timer1->isActive();
}

void TInfoDlg::FormActivate()
{
    // An activation that arrives after the panel was closed must not start it again.
    if (!isVisible())
        return;
    restartTicker();
}

void TInfoDlg::restartTicker()
{
    MessageIndex = 0;
    const QLocale czech(QLocale::Czech, QLocale::CzechRepublic);
    const QDateTime now = Clock::now();
    Label3->setText(czech.toString(now.date(), QLocale::ShortFormat));
    Label2->setText(longTime(now));
    Label8->setVisible(true);
    Label9->setVisible(false);
    Label10->setVisible(false);
    setTickerText(MessageList.isEmpty() ? QString() : MessageList.value(0));
    Timer1->start();
}

void TInfoDlg::setTickerText(const QString& text)
{
    Label1->setText(text);
    const int h = qMax(Label1->fontMetrics().height(), Label1->heightForWidth(TickerWidth));
    Label1->setGeometry(2, TickerTop, TickerWidth, h);
    ScrollBox1->widget()->resize(TickerWidth + 4, TickerTop + h + 2 * TickerBoxHeight + 4);
}

int TInfoDlg::scrollPosition() const
{
    return ScrollBox1->verticalScrollBar()->value();
}

void TInfoDlg::Timer1Timer()
{
    Guarded([&] {
        const QDateTime now = Clock::now();
        Label2->setText(longTime(now));
        if (!Panel3->isHidden())
            tickCountdown(now);
        else
            tickTicker();
    });
}

void TInfoDlg::tickCountdown(const QDateTime& now)
{
    const int remaining = RemainingSeconds(TimeLimitSecs, StartTime, now);
    Label8->setText(CountdownText(remaining));
    Gauge1->setValue(TimeLimitSecs - remaining);
    if (remaining <= 10) {
        ++m_beeps;
        QApplication::beep();
    }
    if (remaining == 0) {
        Label8->hide();
        Label9->show();
        Label10->show();
        Label9->raise();
        Timer1->stop();
        emit countdownExpired();
    }
}

void TInfoDlg::tickTicker()
{
    QScrollBar* bar = ScrollBox1->verticalScrollBar();
    bar->setValue(bar->value() + 2);
    if (bar->value() >= Label1->height() + ScrollBox1->height()) {
        bar->setValue(1);
        ++MessageIndex;
        if (MessageIndex >= MessageList.size())
            MessageIndex = 0;
        setTickerText(MessageList.value(MessageIndex));
    }
}

void TInfoDlg::YesBtnClick()
{
    hide();
}
