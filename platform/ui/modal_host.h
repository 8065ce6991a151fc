#pragma once
// Modal windows: every window shown modally is first centred over its caller
// (CenterFormOver). Windows show each other through the process-wide modal
// host, so that tests replace the nested event loop with a script.
#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace tv {

// Top-left corner that puts a form of `form` size on the centre of `owner`:
// owner.left + (owner.width - form.width) / 2 (division toward zero), the same
// for top, each clamped at 0 from below.
QPoint CenteredPosition(const QRect& owner, const QSize& form);
// Moves `form` so (outer frames of both windows). Nothing happens without an owner.
void CenterFormOver(const QWidget* owner, QWidget* form);

namespace platform {

class IModalHost {
public:
    virtual ~IModalHost() = default;
    // Shows `dialog` modally over `over` (may be null) and returns its result.
    virtual int exec(QDialog& dialog, QWidget* over) = 0;
};

// CenterFormOver, then QDialog::exec.
class QtModalHost final : public IModalHost {
public:
    int exec(QDialog& dialog, QWidget* over) override;
};

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

// The process-wide host; the Qt host until another is installed.
IModalHost& modalHost();
// Installs `host` (null: the Qt host) and returns the one before.
IModalHost* installModalHost(IModalHost* host);

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

}  // namespace platform
}  // namespace tv
