#include "shell/ui/wpcol_wiring.h"

#include "acquire/ui/frm_load_html.h"
#include "exchange/ui/frm_wpcol.h"
#include "geo/map_model.h"
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

std::vector<std::string> ShowCodesInMap(TfrmMap& map, const std::vector<std::string>& codes, QWidget& over) {
    map.ClearCacheList();
    map.ClearRouteList();
    map.SetView(MapBounds{6.0, 14.0, 47.0, 55.0});
    map.CacheColor = Qt::black;
    for (const std::string& code : codes) map.AddCacheByWaypoint(code);
    const int result = platform::modalHost().exec(map, &over);
    std::vector<std::string> removed;
    // Caches taken off a cancelled map stay in the list.
    if (result == mrOk) removed = map.RemovedList();
    map.ClearCacheList();
    return removed;
}

void ExecWPCollector(QWidget* over, TfrmMap* map) {
    TfrmWPCol window;
    window.PickNames = PickByName;
    if (map)
        window.ShowMap = [map](const std::vector<std::string>& codes, QWidget& w) {
            return ShowCodesInMap(*map, codes, w);
        };
    platform::modalHost().exec(window, over);
}

void InstallWPCollector(TfrmMain& main, TfrmMap* map) {
    TfrmMain* m = &main;
    main.BindCommand(main.menus.mnuWPCollector, [m, map] {
        ExecWPCollector(m, map);
        if (m->UpdateStatusBar) m->UpdateStatusBar();
    });
    // "bearbeiten" beside the listing loader's exclusion lists.
    TfrmLoadHTML::ShowExclusionList = [map](QWidget* over) { ExecWPCollector(over, map); };
}

}  // namespace tv
