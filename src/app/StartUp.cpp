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
#include "data/DataModule.h"
#include "data/Statements.h"
#include "pupils/FailedDlg.h"
#include "pupils/LogonDlg.h"
#include "pupils/StatistikaDlg.h"
#include "pupils/ZakDlg.h"
#include "pupils/ZakListDlg.h"
#include "selection/ErrorTestTypeDlg.h"
#include "selection/QuestionTypeDlg.h"
#include "selection/TestTypeDlg.h"
#include "testing/InfoDlg.h"
#include "testing/TestDlg.h"
#include "widgets/Guard.h"
#include "widgets/PictureStore.h"

#include <QApplication>
#include <QDir>

#include <memory>
#include <vector>

int RunProgram(const TDM::Options& options)
{
    // The splash and the main window come first. The other windows are made once the main window
    // is on screen: nobody can reach them before the sign-in, which waits for them.
    const QString programDir =
        options.programDir.isEmpty() ? QCoreApplication::applicationDirPath() : options.programDir;
    // The pictures of the first two windows are decoded on a thread of their own meanwhile, in
    // the order of their first need: the main window's making (the logo), the splash's paint and
    // the main window's paint.
    TForm::preparePictures({TMainDlg::LogoPath, TForm::skinPicturePath(TAboutDlg::SkinName),
                            TForm::skinPicturePath(TMainDlg::SkinName)});
    auto splash = std::make_unique<TAboutDlg>();
    // Work that needs no text, done while the font configuration is read beside it (the first
    // text waits for that).
    TEngine::preloadDriver(QDir(programDir).filePath(QStringLiteral("DB")));
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
        qWarning("%s", qUtf8Printable(e.message()));
        // The splash is kept above all other windows and would cover the message box: it goes
        // first, as it would a moment later anyway.
        splash->hide();
        ShowGeneralError(e.message());
    }
    if (!dm->DB.connected())
        return 1;

    std::vector<std::unique_ptr<QWidget>> windows;
    main->setStartUpWork([&windows] {
        windows.push_back(std::make_unique<TQuestionTypeDlg>());
        windows.push_back(std::make_unique<THelpDlg>());
        windows.push_back(std::make_unique<TTestTypeDlg>());
        windows.push_back(std::make_unique<TWaitDlg>());
        windows.push_back(std::make_unique<TResultDlg>());
        windows.push_back(std::make_unique<TErrorTestTypeDlg>());
        auto panel = std::make_unique<TInfoDlg>();
        TInfoDlg* infoPanel = panel.get();
        windows.push_back(std::move(panel));
        windows.push_back(std::make_unique<TZakDlg>());
        windows.push_back(std::make_unique<TLogonDlg>());
        windows.push_back(std::make_unique<TZakListDlg>());
        windows.push_back(std::make_unique<TStatistikaDlg>());
        auto failed = std::make_unique<TFailedDlg>();
        TFailedDlg* failedList = failed.get();
        windows.push_back(std::move(failed));
        auto test = std::make_unique<TTestDlg>();
        test->setPanel(infoPanel);
        // A question of the school's most failed ones opens in the browsing view, answers shown.
        QObject::connect(failedList, &TFailedDlg::questionRequested, test.get(),
                         [testDlg = test.get()](int questionId, const QString& caption) {
                             Statements::OpenDrawnQuestions(*DM->QTestType3, {questionId});
                             if (DM->QTestType3->isEmpty()) // gone from the bank meanwhile
                                 return;
                             testDlg->RunTest(tmBrowse, 0, caption, DM->QTestType3, true, 0);
                         });
        windows.push_back(std::move(test));
        windows.push_back(std::make_unique<TSystemDlg>());
    });

    splash->hide();
    main->centreOnScreen();
    main->ShowModal();

    dm->DMDestroy();
    DatabaseVersion.clear();
    TSession::instance().signOut();
    while (!windows.empty()) // the last made first
        windows.pop_back();
    PictureStore::finishBackground();
    return 0;
}
