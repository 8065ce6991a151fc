#include "support/ui/wait_closed.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>

namespace tvtest {

void WaitUntilClosed(QWidget& window, int ms) {
    QElapsedTimer t;
    t.start();
    while (window.isVisible() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace tvtest
