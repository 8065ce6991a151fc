#include <QApplication>

#include "platform/ui/qt_services.h"
#include "shell/startup.h"
#include "shell/ui/plain_main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Trailvane");
    tv::platform::InstallQtServices();
    tv::StartProgram();

    tv::PlainMainWindow window;
    window.show();
    const int rc = QApplication::exec();
    window.shutdown();
    return rc;
}
