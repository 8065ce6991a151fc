#include "platform/ui/modal_host.h"

#include <QLayout>
#include <QScreen>
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
    // A window that nobody sized yet gets its layout's size first; centring
    // the default size put small boxes off-centre and long ones off the screen.
    if (!form->testAttribute(Qt::WA_Resized)) {
        if (QLayout* layout = form->layout()) layout->activate();
        form->adjustSize();
    }
    const QWidget* window = owner->window();
    const QSize size = form->frameGeometry().size();
    QPoint p = CenteredPosition(window->frameGeometry(), size);
    if (const QScreen* screen = window->screen()) {
        const QRect area = screen->availableGeometry();
        p.setX(std::clamp(p.x(), area.left(), std::max(area.left(), area.left() + area.width() - size.width())));
        p.setY(std::clamp(p.y(), area.top(), std::max(area.top(), area.top() + area.height() - size.height())));
    }
    form->move(p);
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
