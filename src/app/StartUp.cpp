// Start-up of the program.
#include "StartUp.h"

#include "AboutDlg.h"
#include "MainDlg.h"
#include "data/Engine.h"
#include "data/Error.h"
#include "data/Globals.h"
#include "dialogs/HelpDlg.h"
#include "dialogs/ResultDlg.h"
#include "dialogs/SystemDlg.h"
#include "dialogs/WaitDlg.h"
#include "pupils/LogonDlg.h"
#include "pupils/ZakDlg.h"
#include "pupils/ZakListDlg.h"
#include "selection/ErrorTestTypeDlg.h"
#include "selection/QuestionTypeDlg.h"
#include "selection/TestTypeDlg.h"
#include "testing/InfoDlg.h"
#include "testing/TestDlg.h"
#include "widgets/Guard.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>

#include <memory>

namespace {

// Loads the engine's driver library, so that opening the database does not wait for it.
void preloadDatabaseDriver(const QString& programDir)
{
    const QDir dbDir(QDir(programDir).filePath(QStringLiteral("DB")));
    const bool server = QFile::exists(dbDir.filePath(QString::fromLatin1(ServerFileName)));
    const QString name = QStringLiteral("ferdano-driver-preload");
    QSqlDatabase::addDatabase(server ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), name);
    QSqlDatabase::removeDatabase(name);
}

} // namespace

int RunProgram(const TDM::Options& options)
{
    // The splash and the main window come first. The other windows are made once the main window
    // is on screen: nobody can reach them before the sign-in, which waits for them.
    const QString programDir =
        options.programDir.isEmpty() ? QCoreApplication::applicationDirPath() : options.programDir;
    auto splash = std::make_unique<TAboutDlg>();
    // Work that needs no text, done while the font configuration is read beside it (the first
    // text waits for that): the two pictures about to be shown and the database driver.
    TForm::preloadSkin(splash->skinName());
    TForm::preloadSkin(QStringLiteral("main"));
    preloadDatabaseDriver(programDir);
    auto main = std::make_unique<TMainDlg>();
    main->FormCreate(programDir);

    splash->centreOnScreen();
    splash->show();
    splash->repaint();
    QCoreApplication::processEvents();

    // the data module
    auto dm = std::make_unique<TDM>();
    try {
        dm->DMCreate(options);
    } catch (const TError& e) {
        // also on standard error, for whoever started the program from a terminal or a script
        qWarning("%s", qPrintable(e.message()));
        ShowGeneralError(e.message());
    }
    if (!dm->DB.connected())
        return 1;

    std::unique_ptr<TQuestionTypeDlg> questionType;
    std::unique_ptr<THelpDlg> help;
    std::unique_ptr<TTestTypeDlg> testType;
    std::unique_ptr<TWaitDlg> wait;
    std::unique_ptr<TResultDlg> result;
    std::unique_ptr<TErrorTestTypeDlg> errorTestType;
    std::unique_ptr<TInfoDlg> info;
    std::unique_ptr<TZakDlg> zak;
    std::unique_ptr<TLogonDlg> logon;
    std::unique_ptr<TZakListDlg> zakList;
    std::unique_ptr<TTestDlg> test;
    std::unique_ptr<TSystemDlg> system;
    main->setStartUpWork([&] {
        questionType = std::make_unique<TQuestionTypeDlg>();
        help = std::make_unique<THelpDlg>();
        testType = std::make_unique<TTestTypeDlg>();
        wait = std::make_unique<TWaitDlg>();
        result = std::make_unique<TResultDlg>();
        errorTestType = std::make_unique<TErrorTestTypeDlg>();
        info = std::make_unique<TInfoDlg>();
        zak = std::make_unique<TZakDlg>();
        logon = std::make_unique<TLogonDlg>();
        zakList = std::make_unique<TZakListDlg>();
        test = std::make_unique<TTestDlg>();
        system = std::make_unique<TSystemDlg>();
    });

    splash->hide();
    main->centreOnScreen();
    main->ShowModal();

    dm->DMDestroy();
    DatabaseVersion.clear();
    SignedInPupil.FullName.clear();
    return 0;
}
