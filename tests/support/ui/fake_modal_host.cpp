#include "support/ui/fake_modal_host.h"

namespace tv::platform {

int FakeModalHost::exec(QDialog& dialog, QWidget* over) {
    shown.push_back(dialog.objectName().toStdString());
    CenterFormOver(over, &dialog);
    dialog.setResult(0);
    dialog.show();
    int result = defaultResult;
    if (!script.empty()) {
        Step step = std::move(script.front());
        script.pop_front();
        result = step(dialog);
    } else if (onExec) {
        result = onExec(dialog);
    }
    if (dialog.isVisible()) dialog.done(result);
    return dialog.result();
}

}  // namespace tv::platform
