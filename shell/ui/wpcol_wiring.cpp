#include "shell/ui/wpcol_wiring.h"

#include "exchange/ui/frm_wpcol.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/modal_result.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/frm_sub_selector.h"

namespace tv {

namespace {

// The picker lists the candidates; only "Übernehmen" takes the ticked ones.
std::optional<std::vector<std::string>> PickByName(const std::vector<NameCandidate>& candidates, QWidget& over) {
    TfrmSubSelector picker;
    picker.Clear();
    for (const NameCandidate& c : candidates) picker.AddLine(c.line);
    if (platform::modalHost().exec(picker, &over) != mrYes) return std::nullopt;
    return picker.TickedWaypoints();
}

}  // namespace

void InstallWPCollector(TfrmMain& main) {
    TfrmMain* m = &main;
    main.BindCommand(main.menus.mnuWPCollector, [m] {
        TfrmWPCol window;
        window.PickNames = PickByName;
        platform::modalHost().exec(window, m);
        if (m->UpdateStatusBar) m->UpdateStatusBar();
    });
}

}  // namespace tv
