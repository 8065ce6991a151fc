#include "platform/ui/modal_host.h"

#include <QWidget>
#include <algorithm>

namespace tv {

QPoint CenteredPosition(const QRect& owner, const QSize& form) {
    // C++ integer division truncates toward zero, as the placement rule wants.
    const int left = owner.left() + (owner.width() - form.width()) / 2;
    const int top = owner.top() + (owner.height() - form.height()) / 2;
    return {std::max(left, 0), std::max(top, 0)};
}

void CenterFormOver(const QWidget* owner, QWidget* form) {
    if (!owner || !form) return;
    const QWidget* window = owner->window();
    form->move(CenteredPosition(window->frameGeometry(), form->frameGeometry().size()));
}

namespace platform {

int QtModalHost::exec(QDialog& dialog, QWidget* over) {
    CenterFormOver(over, &dialog);
    return dialog.exec();
}

namespace {
IModalHost* QtHost() {
    static QtModalHost qt;
    return &qt;
}
IModalHost*& Current() {
    static IModalHost* current = QtHost();
    return current;
}
}  // namespace

IModalHost& modalHost() { return *Current(); }

IModalHost* installModalHost(IModalHost* host) {
    IModalHost* previous = Current();
    Current() = host ? host : QtHost();
    return previous;
}

}  // namespace platform
}  // namespace tv
