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
#include "widgets/Guard.h"

#include <QApplication>

#include <memory>

int RunProgram(const TDM::Options& options)
{
    // windows 1 to 9 (the windows of the subsystems are created in their own issue order)
    auto splash = std::make_unique<TAboutDlg>();
    auto main = std::make_unique<TMainDlg>();
    auto help = std::make_unique<THelpDlg>();
    auto wait = std::make_unique<TWaitDlg>();
    auto result = std::make_unique<TResultDlg>();
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
    auto system = std::make_unique<TSystemDlg>();

    splash->hide();
    main->centreOnScreen();
    main->ShowModal();

    dm->DMDestroy();
    DatabaseVersion.clear();
    SignedInPupil.FullName.clear();
    return 0;
}
