#pragma once
// Waiting for a window that closes itself (a timer-started run, a deferred
// close) without blocking the test.
class QWidget;

namespace tvtest {

// Processes events until the window is hidden or `ms` milliseconds have passed.
void WaitUntilClosed(QWidget& window, int ms = 2000);

}  // namespace tvtest
