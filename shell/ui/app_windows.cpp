#include "shell/ui/app_windows.h"

#include <cassert>
#include <functional>

#include "acquire/ui/frm_load_from_gc.h"
#include "acquire/ui/frm_load_html.h"
#include "exchange/ui/frm_gpx_exp.h"
#include "exchange/ui/frm_gpx_imp.h"
#include "geo/ui/frm_calc.h"
#include "geo/ui/frm_coord_input.h"
#include "geo/ui/frm_gm_link.h"
#include "geo/ui/frm_google_maps.h"
#include "geo/ui/frm_google_show.h"
#include "geo/ui/frm_utm.h"
#include "geo/ui/frm_map.h"
#include "geo/ui/frm_route.h"
#include "pages/ui/frm_add_info.h"
#include "pages/ui/frm_add_wp_display.h"
#include "pages/ui/frm_cache_details.h"
#include "pages/ui/frm_create_descr.h"
#include "pages/ui/frm_edit_cache.h"
#include "pages/ui/frm_index.h"
#include "shell/ui/frm_buddylist.h"
#include "shell/ui/frm_cache_filter.h"
#include "shell/ui/frm_get_day.h"
#include "shell/ui/frm_input_line.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/frm_name_search.h"
#include "shell/ui/frm_rot13.h"
#include "shell/ui/frm_settings.h"
#include "shell/ui/frm_sub_selector.h"
#include "shell/ui/frm_wait.h"
#include "shell/ui/tooltip_gate.h"

namespace tv {

namespace {

using Factory = std::function<std::unique_ptr<QWidget>()>;

template <typename T>
std::unique_ptr<QWidget> Make() {
    return std::make_unique<T>();
}

struct SlotDef {
    Win slot;
    const char* name;
    Factory make;
};

// One row per long-lived window, in creation order.
const std::array<SlotDef, kAppWindowCount>& Table() {
    static const std::array<SlotDef, kAppWindowCount> table = {{
        {Win::frmMain, "frmMain", Make<TfrmMain>},
        {Win::frmSettings, "frmSettings", Make<TfrmSettings>},
        {Win::frmLoadHTML, "frmLoadHTML", Make<TfrmLoadHTML>},
        {Win::frmCreateDescr, "frmCreateDescr", Make<TfrmCreateDescr>},
        {Win::frmIndex, "frmIndex", Make<TfrmIndex>},
        {Win::frmGetDay, "frmGetDay", Make<TfrmGetDay>},
        {Win::frmCacheDetails, "frmCacheDetails", Make<TfrmCacheDetails>},
        {Win::frmWait, "frmWait", Make<TfrmWait>},
        {Win::frmCalc, "frmCalc", Make<TfrmCalc>},
        {Win::frmRoute, "frmRoute", Make<TfrmRoute>},
        {Win::frmMap, "frmMap", Make<TfrmMap>},
        {Win::frmCoordInput, "frmCoordInput", Make<TfrmCoordInput>},
        {Win::frmLoadFromGC, "frmLoadFromGC", Make<TfrmLoadFromGC>},
        {Win::frmEditCache, "frmEditCache", Make<TfrmEditCache>},
        {Win::frmNameSearch, "frmNameSearch", Make<TfrmNameSearch>},
        {Win::frmGPXExp, "frmGPXExp", Make<TfrmGPXExp>},
        {Win::frmAddInfo, "frmAddInfo", Make<TfrmAddInfo>},
        {Win::frmCacheFilter, "frmCacheFilter", Make<TfrmCacheFilter>},
        {Win::frmROT13, "frmROT13", Make<TfrmROT13>},
        {Win::frmInputLine, "frmInputLine", Make<TfrmInputLine>},
        {Win::frmGPXImp, "frmGPXImp", Make<TfrmGPXImp>},
        {Win::frmSubSelector, "frmSubSelector", Make<TfrmSubSelector>},
        {Win::frmBuddylist, "frmBuddylist", Make<TfrmBuddylist>},
        {Win::frmUTM, "frmUTM", Make<TfrmUTM>},
        {Win::frmGoogleShow, "frmGoogleShow", Make<TfrmGoogleShow>},
        {Win::frmGoogleMaps, "frmGoogleMaps", Make<TfrmGoogleMaps>},
        {Win::frmAddWPDisplay, "frmAddWPDisplay", Make<TfrmAddWPDisplay>},
        {Win::frmGMLink, "frmGMLink", Make<TfrmGMLink>},
    }};
    return table;
}

AppWindows* current = nullptr;

}  // namespace

const char* WinName(Win slot) { return Table()[static_cast<std::size_t>(slot)].name; }

const std::array<Win, 9>& AppWindows::HintWindows() {
    static const std::array<Win, 9> hints = {Win::frmSettings, Win::frmMap,         Win::frmCacheDetails,
                                             Win::frmCalc,     Win::frmNameSearch,  Win::frmCoordInput,
                                             Win::frmGPXExp,   Win::frmIndex,       Win::frmRoute};
    return hints;
}

AppWindows::AppWindows() {
    for (std::size_t i = 0; i < Table().size(); ++i) {
        const SlotDef& def = Table()[i];
        assert(static_cast<std::size_t>(def.slot) == i);
        windows_[i] = def.make();
        order_.push_back(windows_[i]->objectName().toStdString());
    }
    previousServices_ = InstallWaitWindow(*frmWait());
    frmMain()->ApplyShowHintsToOthers = [this](bool show) {
        for (Win w : HintWindows()) SetShowHints(window(w), show);
    };
    current = this;
}

AppWindows::~AppWindows() {
    if (current == this) current = nullptr;
    frmMain()->FormDestroy();
    frmMain()->ApplyShowHintsToOthers = nullptr;
    platform::install(previousServices_);
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) it->reset();
}

TfrmMain* AppWindows::frmMain() const { return get<TfrmMain>(Win::frmMain); }

TfrmWait* AppWindows::frmWait() const { return get<TfrmWait>(Win::frmWait); }

AppWindows* Windows() { return current; }

}  // namespace tv
