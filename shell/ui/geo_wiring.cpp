#include "shell/ui/geo_wiring.h"

#include <QAction>
#include <QToolButton>

#include "geo/ui/frm_map.h"
#include "geo/ui/frm_route.h"
#include "pages/ui/frm_cache_details.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/modal_result.h"
#include "shell/ui/app_windows.h"
#include "shell/ui/frm_cache_filter.h"
#include "shell/ui/frm_main.h"

namespace tv {

namespace {

// The details window as the route and the map show a cache: minus button to
// drop it, no find data.
int ShowDetailsForRemoval(AppWindows& windows, const TCacheRec& rec, QWidget& over) {
    auto* details = windows.get<TfrmCacheDetails>(Win::frmCacheDetails);
    if (!details) return mrCancel;
    details->sbMinus->setVisible(true);
    details->Cache = rec;
    details->FoundDateText.clear();
    details->FoundCaption = " ";
    return platform::modalHost().exec(*details, &over);
}

}  // namespace

void InstallGeoWindows(AppWindows& windows) {
    TfrmMain* main = windows.frmMain();
    auto* map = windows.get<TfrmMap>(Win::frmMap);
    if (map) {
        map->ShowCacheDetails = [&windows](const TCacheRec& rec, QWidget& over) {
            return ShowDetailsForRemoval(windows, rec, over);
        };
    }
    auto* route = windows.get<TfrmRoute>(Win::frmRoute);
    if (!route) return;
    route->Map = map;
    if (auto* filter = windows.get<TfrmCacheFilter>(Win::frmCacheFilter)) {
        route->IsTypeSelected = [filter](int type) { return filter->IsTypeSelected(type); };
        route->EditCacheFilter = [filter](QWidget& over) {
            return platform::modalHost().exec(*filter, &over) == mrOk;
        };
    }
    route->ShowCacheDetails = [&windows](const TCacheRec& rec, QWidget& over) {
        return ShowDetailsForRemoval(windows, rec, over);
    };
    main->BindCommand(main->menus.mnuRoute, [main, route] {
        if (platform::modalHost().exec(*route, main) != mrOk) return;
        const auto answer = platform::messages().show(
            platform::MsgKind::Confirmation,
            W("Die Routenwegpunkte wurden in die Arbeitsliste geschrieben.\r\nArbeitsliste jetzt zur Kontrolle anzeigen?"),
            platform::MsgButtons::YesNo);
        if (answer == platform::MsgResult::Yes && main->menus.mnuWPCollector->isEnabled())
            main->menus.mnuWPCollector->trigger();
    });
}

}  // namespace tv
