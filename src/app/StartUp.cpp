// Start-up of the program.
#include "StartUp.h"

#include "AboutDlg.h"
#include "MainDlg.h"
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

#include <memory>

int RunProgram(const TDM::Options& options)
{
    // windows 1 to 9, before the database
    auto splash = std::make_unique<TAboutDlg>();
    auto main = std::make_unique<TMainDlg>();
    auto questionType = std::make_unique<TQuestionTypeDlg>();
    auto help = std::make_unique<THelpDlg>();
    auto testType = std::make_unique<TTestTypeDlg>();
    auto wait = std::make_unique<TWaitDlg>();
    auto result = std::make_unique<TResultDlg>();
    auto errorTestType = std::make_unique<TErrorTestTypeDlg>();
    auto info = std::make_unique<TInfoDlg>();
    main->FormCreate(options.programDir.isEmpty() ? QCoreApplication::applicationDirPath() : options.programDir);

    splash->centreOnScreen();
    splash->show();
    splash->repaint();
    QCoreApplication::processEvents();

    // 10: the data module
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

    // windows 11 to 15
    auto zak = std::make_unique<TZakDlg>();
    auto logon = std::make_unique<TLogonDlg>();
    auto zakList = std::make_unique<TZakListDlg>();
    auto test = std::make_unique<TTestDlg>();
    auto system = std::make_unique<TSystemDlg>();

    splash->hide();
    main->centreOnScreen();
    main->ShowModal();

    dm->DMDestroy();
    DatabaseVersion.clear();
    SignedInPupil.FullName.clear();
    return 0;
}
