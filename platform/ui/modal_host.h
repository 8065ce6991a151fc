#pragma once
// Modal windows: every window shown modally is first centred over its caller
// (CenterFormOver). Windows show each other through the process-wide modal
// host, so that tests replace the nested event loop with a script.
#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <string>

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

// The process-wide host; the Qt host until another is installed.
IModalHost& modalHost();
// Installs `host` (null: the Qt host) and returns the one before.
IModalHost* installModalHost(IModalHost* host);

}  // namespace platform
}  // namespace tv
