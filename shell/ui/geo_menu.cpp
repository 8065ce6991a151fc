#include "shell/ui/geo_menu.h"

#include <QAction>
#include <cerrno>

#include "core/cache_rec.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/proc_settings.h"
#include "geo/ui/frm_gm_link.h"
#include "geo/ui/frm_google_maps.h"
#include "geo/ui/frm_google_show.h"
#include "geo/ui/frm_utm.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/modal_result.h"
#include "shell/main_commands.h"
#include "shell/main_list.h"
#include "shell/ui/app_windows.h"
#include "shell/ui/frm_main.h"

namespace tv {

GeoMenu::GeoMenu(AppWindows& windows, PickCache pick) : windows_(windows), main_(windows.frmMain()) {
    MainMenus& u = main_->menus;
    auto on = [this](QAction* item, void (GeoMenu::*handler)()) {
        main_->BindCommand(item, [this, handler] { (this->*handler)(); });
        bound_.push_back(item);
    };
    if (auto* utm = windows_.get<TfrmUTM>(Win::frmUTM)) {
        on(u.mnuUTM, &GeoMenu::mnuUTMClick);
        utm->PickCache = std::move(pick);
    }
    if (windows_.get<TfrmGoogleMaps>(Win::frmGoogleMaps)) on(u.mnuGoogleMapsList, &GeoMenu::mnuGoogleMapsListClick);
    if (windows_.get<TfrmGMLink>(Win::frmGMLink)) on(u.mnuGMLink, &GeoMenu::mnuGMLinkClick);
    // The pop-up item and the quick-info map button open the online map.
    if (windows_.get<TfrmGoogleShow>(Win::frmGoogleShow)) {
        on(u.mnuShowInGoogleMaps, &GeoMenu::mnuShowInGoogleMapsClick);
        main_->ShowInMap = [this](const TCacheRec& rec) { ShowOnMap(rec); };
    }
}

GeoMenu::~GeoMenu() {
    if (auto* utm = windows_.get<TfrmUTM>(Win::frmUTM)) utm->PickCache = nullptr;
    if (!main_) return;
    for (QAction* item : bound_) main_->BindCommand(item, nullptr);
    main_->ShowInMap = nullptr;
}

void GeoMenu::mnuUTMClick() { platform::modalHost().exec(*windows_.get<TfrmUTM>(Win::frmUTM), main_); }

void GeoMenu::mnuGMLinkClick() { platform::modalHost().exec(*windows_.get<TfrmGMLink>(Win::frmGMLink), main_); }

void GeoMenu::mnuGoogleMapsListClick() {
    // The map window reads the current folder's codes from "dirlist.txt".
    std::vector<std::string> captions;
    for (const CacheRow& row : main_->Rows()) captions.push_back(row.caption);
    const std::string work = GetWorkDir();
    if (!WriteDirList(work, captions)) {
        ShowSysError(EIO, WriteErrorText(work + std::string(kDirListFile)));
        return;
    }
    platform::modalHost().exec(*windows_.get<TfrmGoogleMaps>(Win::frmGoogleMaps), main_);
}

void GeoMenu::mnuShowInGoogleMapsClick() {
    const std::vector<std::string> marked = main_->MarkedCaptions();
    if (marked.empty()) {
        platform::messages().show(platform::MsgKind::Warning, "Bitte zuerst einen Cache markieren.");
        return;
    }
    const CacheLookup lookup = main_->Lookup ? main_->Lookup : DatabaseLookup();
    TCacheRec rec;
    if (!lookup(marked.front(), rec)) {
        platform::messages().show(platform::MsgKind::Error, W("Zugehöriger Cache nicht in Datenbank gefunden."));
        return;
    }
    ShowOnMap(rec);
}

void GeoMenu::ShowOnMap(const TCacheRec& rec) {
    auto* show = windows_.get<TfrmGoogleShow>(Win::frmGoogleShow);
    show->lat = static_cast<float>(rec.Lat);
    show->lon = static_cast<float>(rec.Lon);
    if (platform::modalHost().exec(*show, main_) == mrOk) platform::shellOpen().open(show->URL);
}

}  // namespace tv
