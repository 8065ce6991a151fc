#include "shell/ui/wpcol_wiring.h"

#include "exchange/ui/frm_wpcol.h"
#include "geo/ui/frm_map.h"
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

void InstallWPCollector(TfrmMain& main, TfrmMap* map) {
    TfrmMain* m = &main;
    main.BindCommand(main.menus.mnuWPCollector, [m, map] {
        TfrmWPCol window;
        window.PickNames = PickByName;
        if (map) {
            // The caches on the map around them; what the user removes there
            // leaves the list.
            window.ShowMap = [map](const std::vector<std::string>& codes, QWidget& over) {
                map->ClearCacheList();
                map->ClearRouteList();
                for (const std::string& code : codes) map->AddCacheByWaypoint(code);
                map->btnZoomCacheRangeClick();
                platform::modalHost().exec(*map, &over);
                std::vector<std::string> removed = map->RemovedList();
                map->ClearCacheList();
                return removed;
            };
        }
        platform::modalHost().exec(window, m);
        if (m->UpdateStatusBar) m->UpdateStatusBar();
    });
}

}  // namespace tv
