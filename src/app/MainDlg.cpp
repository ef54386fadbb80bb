// The main window and its commands.
#include "MainDlg.h"

#include "data/DataModule.h"
#include "data/Engine.h"
#include "data/Format.h"
#include "data/Globals.h"
#include "data/Public.h"
#include "data/SignInLock.h"
#include "data/Strings.h"
#include "pupils/LogonDlg.h"
#include "pupils/ZakDlg.h"
#include "pupils/ZakListDlg.h"
#include "selection/ErrorTestTypeDlg.h"
#include "selection/QuestionTypeDlg.h"
#include "selection/TestTypeDlg.h"
#include "widgets/FancyButton.h"
#include "widgets/Guard.h"
#include "widgets/PictureStore.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QTextStream>

#include <cstdio>
#include <utility>

TMainDlg* MainDlg = nullptr;

const QString TMainDlg::SkinName = QStringLiteral("main");
const QString TMainDlg::LogoPath = QStringLiteral(":/ferdano/logo.png");

namespace {
const QEvent::Type SignInEvent = QEvent::Type(QEvent::User + 1);

// For the start-up benchmark (bench/): with FERDANO_BENCH_EXIT_AFTER_PAINT=1 the program prints a
// marker after the main window's first paint and ends there, without asking for a sign-in.
bool benchExitAfterPaint()
{
    static const bool set = qEnvironmentVariableIntValue("FERDANO_BENCH_EXIT_AFTER_PAINT") == 1;
    return set;
}

// The same for the start-up to the sign-in window (bench/ServerBench.cpp): with
// FERDANO_BENCH_EXIT_AT_SIGNIN=1 the program prints a marker once the sign-in window is on the
// screen, painted, and ends as if the sign-in had been cancelled.
void benchExitAtSignIn(QObject* context)
{
    if (qEnvironmentVariableIntValue("FERDANO_BENCH_EXIT_AT_SIGNIN") != 1)
        return;
    QMetaObject::invokeMethod(
        context,
        [] {
            if (QWidget* window = QApplication::activeModalWidget())
                window->repaint();
            std::fputs("ferdano: sign-in window shown\n", stdout);
            std::fflush(stdout);
            QCoreApplication::exit(0);
        },
        Qt::QueuedConnection);
}
} // namespace

TMainDlg::TMainDlg(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("MainDlg"));
    setWindowTitle(Str::AppTitle);
    setSkin(SkinName, QSize(640, 480));

    auto* title = new QLabel(Str::MainTitle, this);
    title->setObjectName(QStringLiteral("TitleLabel"));
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPixelSize(22);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setGeometry(40, 28, 560, 32);

    m_version = new QLabel(this);
    m_version->setObjectName(QStringLiteral("VersionLabel"));
    m_version->setGeometry(42, 62, 400, 18);
    m_user = new QLabel(this);
    m_user->setObjectName(QStringLiteral("UserLabel"));
    m_user->setGeometry(42, 82, 400, 18);
    connect(&TSession::instance(), &TSession::userLabelChanged, m_user, &QLabel::setText);

    m_logo = new QLabel(this);
    m_logo->setObjectName(QStringLiteral("Logo"));
    m_logo->setAccessibleName(QStringLiteral("Logo"));
    m_logo->setAlignment(Qt::AlignCenter);
    m_logo->setGeometry(60, 140, 260, 220);
    m_logo->setPixmap(PictureStore::pixmap(LogoPath));

    m_linkUrl = QUrl(Str::DefaultLinkUrl);
    m_link = new QLabel(this);
    m_link->setObjectName(QStringLiteral("LinkLabel"));
    m_link->setGeometry(60, 380, 300, 20);
    m_link->setTextFormat(Qt::RichText);
    m_link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_link->setCursor(Qt::PointingHandCursor);
    m_link->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(m_linkUrl.toString().toHtmlEscaped()));
    m_link->setToolTip(Str::DefaultLinkName);
    connect(m_link, &QLabel::linkActivated, this,
            [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); });

    // The buttons are numbered as their components: 1 to 7, and 9 for "&Konec".
    struct TCommand
    {
        QString caption;
        void (TMainDlg::*handler)();
    };
    const TCommand commands[] = {{Str::CmdBrowse, &TMainDlg::DsFancyButton1Click},
                                 {Str::CmdHints, &TMainDlg::DsFancyButton2Click},
                                 {Str::CmdPractice, &TMainDlg::DsFancyButton3Click},
                                 {Str::CmdLive, &TMainDlg::DsFancyButton4Click},
                                 {Str::CmdErrorTests, &TMainDlg::DsFancyButton5Click},
                                 {Str::CmdRegister, &TMainDlg::DsFancyButton6Click},
                                 {Str::CmdSignIn, &TMainDlg::DsFancyButton7Click},
                                 {Str::CmdEnd, &TMainDlg::DsFancyButton8Click}};
    int top = 120;
    for (const TCommand& c : commands) {
        const int number = m_buttons.size() == 7 ? 9 : int(m_buttons.size()) + 1;
        auto* b = TDsFancyButton::create(c.caption, this, {440, top, 140, 25},
                                         QStringLiteral("DsFancyButton%1").arg(number));
        connectGuarded(b, &QAbstractButton::clicked, this, c.handler);
        top += 36;
        m_buttons.append(b);
    }
    if (!MainDlg)
        MainDlg = this;
}

TMainDlg::~TMainDlg()
{
    if (MainDlg == this)
        MainDlg = nullptr;
}

TDsFancyButton* TMainDlg::button(int n) const
{
    // buttons are numbered as their components: 1 to 7, and 9 for "&Konec"
    const int i = n == 9 ? 7 : n - 1;
    return i >= 0 && i < m_buttons.size() ? m_buttons[i] : nullptr;
}

void TMainDlg::FormCreate(const QString& programDir)
{
    const QDir dir(programDir);
    const QString logoFile = dir.filePath(QStringLiteral("Logo.bmp"));
    if (QFile::exists(logoFile))
        if (const QImage logo = PictureStore::decodeFile(logoFile); !logo.isNull())
            m_logo->setPixmap(QPixmap::fromImage(logo));

    QFile url(dir.filePath(QStringLiteral("logo.url")));
    if (!url.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QString address, name;
    QTextStream in(&url);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key.compare(QLatin1String("URL"), Qt::CaseInsensitive) == 0)
            address = value;
        else if (key.compare(QLatin1String("NAME"), Qt::CaseInsensitive) == 0)
            name = value;
    }
    if (in.status() != QTextStream::Ok || address.isEmpty())
        return;
    m_linkUrl = QUrl(address);
    m_link->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                        .arg(m_linkUrl.toString().toHtmlEscaped(), address.toHtmlEscaped()));
    m_link->setToolTip(name);
}

void TMainDlg::FormActivate()
{
    // Activation after one of the window's own dialogs is not a new activation.
    if (m_inCommand || m_activatedOnce)
        return;
    m_activatedOnce = true;
    m_version->setText(Str::VersionLine + DatabaseVersion);
    if (benchExitAfterPaint())
        return;
    QCoreApplication::postEvent(this, new QEvent(SignInEvent));
}

bool TMainDlg::event(QEvent* e)
{
    if (e->type() == SignInEvent) {
        Guarded([this] { deferredSignIn(); });
        return true;
    }
    if (e->type() == QEvent::Show && !m_painted) {
        // the skin covers the window, so the first paint is seen on its controls
        installEventFilter(this);
        for (QWidget* child : findChildren<QWidget*>())
            child->installEventFilter(this);
    }
    return TForm::event(e);
}

bool TMainDlg::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::Paint && !m_painted) {
        m_painted = true;
        // Queued, so that both follow the whole window's paint.
        if (benchExitAfterPaint())
            QMetaObject::invokeMethod(
                this,
                [this] {
                    std::fputs("ferdano: main window painted\n", stdout);
                    std::fflush(stdout);
                    finishStartUp(); // the rest of the start-up still counts for the peak memory
                    reject();
                },
                Qt::QueuedConnection);
        QMetaObject::invokeMethod(
            this, [this] { finishStartUp(); }, Qt::QueuedConnection);
    }
    return TForm::eventFilter(watched, e);
}

void TMainDlg::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        e->accept();
        return;
    }
    TForm::keyPressEvent(e);
}

void TMainDlg::finishStartUp()
{
    if (!m_startUpWork)
        return;
    const std::function<void()> work = std::exchange(m_startUpWork, {});
    Guarded(work);
}

void TMainDlg::deferredSignIn()
{
    finishStartUp();
    // A sign-in that fails with an error ends the program as a cancelled one does: nobody may
    // reach the commands without being signed in.
    bool signedIn = false;
    benchExitAtSignIn(this);
    Guarded([&] { signedIn = LogonDlg && LogonDlg->Logon(-1); });
    if (!signedIn)
        reject();
}

void TMainDlg::signInAgainIfLost()
{
    if (SignedInPupil.PupilId == 0 || !DM || !DM->DB.connected())
        return;
    bool held = true;
    // A database that cannot tell is no proof of a lost sign-in: its message is shown, and the
    // next command asks again.
    Guarded([&] { held = DM->engine().signInLock().confirm(SignedInPupil.PupilId); });
    if (held)
        return;
    const int pupilId = SignedInPupil.PupilId;
    TSession::instance().signOut();
    TSession::instance().setUserLabel(Format(Str::UserLabel, {QString()}));
    bool signedIn = false;
    Guarded([&] { signedIn = LogonDlg && LogonDlg->Logon(pupilId); });
    if (!signedIn)
        reject();
}

void TMainDlg::DsFancyButton1Click()
{
    // An error inside is shown here, so that the main window always comes back.
    runHidden([] {
        Guarded([] {
            QuestionTypeDlg->centreOnScreen();
            QuestionTypeDlg->ShowModal();
        });
    });
}

void TMainDlg::DsFancyButton2Click()
{
    runHidden([] { Guarded([] { TestTypeDlg->Execute(2); }); });
}

void TMainDlg::DsFancyButton3Click()
{
    runHidden([] { Guarded([] { TestTypeDlg->Execute(3); }); });
}

void TMainDlg::DsFancyButton4Click()
{
    runHidden([] { Guarded([] { TestTypeDlg->Execute(4); }); });
}

void TMainDlg::DsFancyButton5Click()
{
    runHidden([] { Guarded([] { ErrorTestTypeDlg->Execute(); }); });
}

void TMainDlg::DsFancyButton6Click()
{
    // Errors are shown inside, so that the main window always comes back.
    runHidden([] {
        Guarded([] {
            const bool privileged = SignedInPupil.PupilId == PrivilegedPupilId;
            DM->OpenRegister(!privileged, SignedInPupil.PupilId);
            if (privileged)
                ZakListDlg->Execute();
            else
                ZakDlg->EditPupil(false, QString(), QString());
        });
        Guarded([] {
            TQuery* q = DM->QSelectZak;
            q->close();
            q->setParam(QStringLiteral("ID_ZAK"), SignedInPupil.PupilId);
            q->open();
            if (!q->isEmpty())
                ShowUserName(*q);
        });
    });
}

void TMainDlg::DsFancyButton7Click()
{
    LogonDlg->Logon(SignedInPupil.PupilId);
}

void TMainDlg::DsFancyButton8Click()
{
    reject();
}
