#include "shell/ui/tooltip_gate.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QSet>
#include <QWidget>

namespace tv {

namespace {

class TooltipGate final : public QObject {
public:
    QSet<const QWidget*> silenced;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip || silenced.isEmpty() || !watched->isWidgetType()) return false;
        const QWidget* w = static_cast<QWidget*>(watched)->window();
        return silenced.contains(w);
    }
};

TooltipGate& Gate() {
    static QPointer<TooltipGate> gate;
    if (!gate) {
        gate = new TooltipGate;
        gate->setParent(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(gate);
    }
    return *gate;
}

}  // namespace

void SetShowHints(QWidget* window, bool show) {
    if (!window) return;
    TooltipGate& gate = Gate();
    if (show) {
        gate.silenced.remove(window);
    } else if (!gate.silenced.contains(window)) {
        gate.silenced.insert(window);
        QObject::connect(window, &QObject::destroyed, &gate,
                         [&gate, window] { gate.silenced.remove(window); });
    }
}

bool ShowHints(const QWidget* window) { return !Gate().silenced.contains(window); }

}  // namespace tv
