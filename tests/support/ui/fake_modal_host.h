#pragma once
// A modal host for window tests: dialogs run a script instead of a nested loop.
#include <QDialog>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/modal_host.h"

namespace tv::platform {

// For tests: no nested loop. exec records the dialog's objectName, centres
// and shows it (so its show handler runs), then runs the next scripted step
// (else `onExec`). The step may work the dialog's controls and close it
// itself; if the dialog is still open afterwards it is closed with done() and
// the step's return value (without any step: `defaultResult`). exec returns
// the dialog's result.
class FakeModalHost final : public IModalHost {
public:
    using Step = std::function<int(QDialog&)>;
    std::vector<std::string> shown;
    std::deque<Step> script;
    Step onExec;
    int defaultResult = QDialog::Rejected;

    int exec(QDialog& dialog, QWidget* over) override;
};

// Installs a FakeModalHost for the lifetime of a test.
struct ScopedFakeModalHost {
    FakeModalHost host;
    ScopedFakeModalHost() : previous_(installModalHost(&host)) {}
    ~ScopedFakeModalHost() { installModalHost(previous_); }
    ScopedFakeModalHost(const ScopedFakeModalHost&) = delete;
    ScopedFakeModalHost& operator=(const ScopedFakeModalHost&) = delete;

private:
    IModalHost* previous_;
};

}  // namespace tv::platform
