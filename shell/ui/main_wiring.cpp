#include "shell/ui/main_wiring.h"

#include <QToolButton>
#include <QWidget>

#include "core/proc_settings.h"
#include "exchange/ui/frm_gpx_imp.h"
#include "exchange/ui/frm_gpx_imp_add_wp.h"
#include "geo/ui/frm_coord_input.h"
#include "geo/ui/frm_map.h"
#include "pages/ui/frm_cache_details.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "shell/cachedb_commands.h"
#include "shell/settings_edit.h"
#include "shell/ui/app_windows.h"
#include "shell/ui/batch_wiring.h"
#include "shell/ui/cachedb_menu.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/frm_settings.h"
#include "shell/ui/frm_sub_selector.h"
#include "shell/ui/geo_menu.h"
#include "shell/ui/geo_wiring.h"
#include "shell/ui/main_cache_list.h"
#include "shell/ui/main_commands.h"
#include "shell/ui/wpcol_wiring.h"

namespace tv {

namespace {

// The details window for a record: plus shown, minus hidden, no find data.
// A list row sets the window's folder while it shows and empties it after.
void ShowDetails(AppWindows& windows, const TCacheRec& rec, const std::optional<std::string>& folder) {
    auto* details = windows.get<TfrmCacheDetails>(Win::frmCacheDetails);
    if (!details) return;
    if (folder) details->DescrFolder = *folder;
    details->sbMinus->setVisible(false);
    details->sbPlus->setVisible(true);
    details->Cache = rec;
    details->FoundDateText.clear();
    details->FoundCaption.clear();
    platform::modalHost().exec(*details, windows.frmMain());
    if (folder) details->DescrFolder.clear();
}

}  // namespace

MainWiring::MainWiring(AppWindows& windows) {
    TfrmMain* main = windows.frmMain();

    // Datei / Grundeinstellungen, tool button 1 and the first start.
    if (auto* settings = windows.get<TfrmSettings>(Win::frmSettings)) {
        settings->CoordInput = windows.get<TfrmCoordInput>(Win::frmCoordInput);
        main->BindCommand(main->menus.Grundeinstellungen1, [main, settings] {
            SettingsCommandHooks hooks;
            hooks.listClientWidth = [main] { return main->lvCaches->viewport()->width(); };
            hooks.reselectHome = [main] { main->UpDownClick(); };
            hooks.rebuildTree = [main] { main->BuildFolderTree(); };
            hooks.applyShowHints = [main] { main->ApplyShowHints(); };
            RunSettingsCommand(*settings, main, hooks);
        });
    }

    // Cache-database commands, status bar and the database check at start.
    cacheDb_ = std::make_unique<CacheDbMenu>(main, main->StatusPanel0);
    CacheDbMenu* db = cacheDb_.get();
    main->BindCommand(main->menus.mnuReadCacheDB, [db] { db->mnuReadCacheDBClick(); });
    main->BindCommand(main->menus.mnuReadAdditionalCacheDBs, [db] { db->mnuReadAdditionalCacheDBsClick(); });
    main->BindCommand(main->menus.lokaleCacheDBkonvertieren1, [db] { db->lokaleCacheDBkonvertieren1Click(); });
    main->BindCommand(main->menus.convertAdditionalCacheDBs, [db] { db->convertAdditionalCacheDBsClick(); });
    main->BindCommand(main->menus.mnuGetArchiveList, [db] { db->mnuGetArchiveListClick(); });
    main->BindCommand(main->menus.mnuCheckForUpdate, [db] { db->mnuCheckForUpdateClick(); });
    main->CheckCacheDBVersion = [] { return tv::CheckCacheDBVersion(); };
    main->UpdateStatusBar = [db] { db->UpdateStatusBar(); };

    // Details of a list row or of the quick-info cache.
    main->ShowCacheDetails = [&windows](const TCacheRec& rec, const std::optional<std::string>& folder) {
        ShowDetails(windows, rec, folder);
    };
    db->showDetails = [&windows](const TCacheRec& rec) { ShowDetails(windows, rec, std::nullopt); };

    // Result pickers show a double-clicked entry in a details window of their
    // own, with both the plus and the minus button.
    TfrmSubSelector::DetailsFactory factory = [](const TCacheRec& rec) {
        auto details = std::make_unique<TfrmCacheDetails>();
        details->sbMinus->setVisible(true);
        details->sbPlus->setVisible(true);
        details->Cache = rec;
        return std::unique_ptr<QDialog>(std::move(details));
    };
    TfrmSubSelector::SetDefaultDetailsFactory(factory);
    if (auto* picker = windows.get<TfrmSubSelector>(Win::frmSubSelector)) picker->MakeDetailsWindow = factory;

    // Marks, pop-ups, folder moves, dropped files and the windows of the menus.
    commands_ = std::make_unique<MainCommands>(windows);
    // UTM, online maps and map links.
    geo_ = std::make_unique<GeoMenu>(windows, [c = commands_.get()](QWidget& over) { return c->PickCacheByName(over); });

    // Route search and map.
    InstallGeoWindows(windows);

    // Files dropped on the main window: additional waypoints ("...WPTS.GPX")
    // and GPX files; Datenbank aus GPX-Datei befüllen.
    DropHandlers drops;
    drops.importAddWaypoints = [main](const std::string& file) {
        TfrmGPXImpAddWP import;
        import.FileName = file;
        platform::modalHost().exec(import, main);
    };
    if (auto* gpx = windows.get<TfrmGPXImp>(Win::frmGPXImp)) {
        auto importGpx = [main, gpx](const std::string& file) {
            gpx->FileName = file;
            platform::modalHost().exec(*gpx, main);
        };
        main->BindCommand(main->menus.mnuGPXImport, [main, importGpx] {
            const auto file = platform::fileDialogs().openFile(W("GPX-Datei öffnen"),
                                                               "GPX-Dateien (*.gpx);;Alle Dateien (*)", GetWorkDir());
            if (!file) return;
            importGpx(*file);
            if (main->UpdateStatusBar) main->UpdateStatusBar();
        });
        drops.importGpx = importGpx;
    }
    commands_->SetDropHandlers(std::move(drops));

    // Datei / Batch: loader, descriptions and index in turn.
    InstallBatchRun(*main);

    // Wegpunkte / Arbeits-, Fund- und Ignoreliste (Ctrl+W) and its tool button.
    InstallWPCollector(*main, windows.get<TfrmMap>(Win::frmMap));
}

MainWiring::~MainWiring() {
    geo_.reset();
    commands_.reset();
    TfrmSubSelector::SetDefaultDetailsFactory(nullptr);
}

}  // namespace tv
