#include <QApplication>

#include "platform/ui/qt_services.h"
#include "shell/startup.h"
#include "shell/ui/app_windows.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/main_wiring.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Trailvane");
    tv::platform::InstallQtServices();
    tv::platform::InstallGermanQtTranslations();
    // A second program on the same work folder would rewrite the database
    // under the first one: it stops here, before it writes anything.
    if (!tv::TakeWorkFolderAtStart()) return 1;
    tv::StartProgram();

    tv::AppWindows windows;
    // The commands and windows of the other parts; the main-window commands
    // (menus, pop-ups, batch run, dropped files) bind here as well.
    tv::MainWiring wiring(windows);
    windows.frmMain()->show();
    return QApplication::exec();
}
