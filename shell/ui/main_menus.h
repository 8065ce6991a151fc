#pragma once
// The main window's menu bar, tool bar and the two pop-up menus. Every item
// is a QAction; the tool buttons run the menu item of the same command. An
// item does something only once a handler is bound to it (TfrmMain::
// BindCommand); until then it stays disabled.
#include <QString>
#include <vector>

class QAction;
class QMainWindow;
class QMenu;
class QToolButton;
class QWidget;

namespace tv {

struct MainMenus {
    // Datei
    QAction* Grundeinstellungen1 = nullptr;
    QAction* mnuUpdateFromSite = nullptr;  // hidden
    QAction* mnuLoadFinds = nullptr;
    QAction* mnuBuddylist = nullptr;
    QAction* mnuExport = nullptr;
    QAction* mnuSuitcase = nullptr;
    QAction* mnuBatch = nullptr;
    QAction* mnuDebugMode = nullptr;  // checkable, in "Spezial"
    QAction* mnuRebuildIndex = nullptr;
    QAction* Beenden1 = nullptr;
    // Ansicht
    QAction* mnuRefresh = nullptr;      // F5
    QAction* mnuShowToolbar = nullptr;  // checkable, checked
    // Cache-Datenbank
    QAction* mnuReadCacheDB = nullptr;  // Ctrl+L
    QAction* mnuReadAdditionalCacheDBs = nullptr;
    QAction* lokaleCacheDBkonvertieren1 = nullptr;
    QAction* convertAdditionalCacheDBs = nullptr;
    QAction* mnuGPXImport = nullptr;  // Ctrl+G
    QAction* mnuDBFromPages = nullptr;
    QAction* mnuGetArchiveList = nullptr;
    QAction* mnuEditCache = nullptr;
    // Waypoints
    QAction* mnuWPCollector = nullptr;  // Ctrl+W
    QAction* mnuAddWaypoints = nullptr;
    QAction* mnuLoadHTML = nullptr;     // Ctrl+B
    // Ausgabe
    QAction* mnuCreateDescr = nullptr;
    QAction* mnuCreateIndex = nullptr;
    // Tools
    QAction* mnuCalcDistance = nullptr;
    QAction* mnuProjection = nullptr;
    QAction* mnuUTM = nullptr;
    QAction* mnuROT13 = nullptr;
    QAction* mnuRoute = nullptr;
    QAction* mnuGoogleMapsList = nullptr;
    QAction* mnuGMLink = nullptr;
    // Hilfe
    QAction* mnuAbout = nullptr;
    QAction* mnuOnlineDoc = nullptr;
    QAction* mnuCheckForUpdate = nullptr;
    QAction* Errortracker1 = nullptr;

    // Folder tree pop-up
    QMenu* pmDir = nullptr;
    QAction* mnuNewDir = nullptr;
    QAction* mnuEmptyDir = nullptr;
    QAction* mnuDeleteTree = nullptr;
    QAction* mnuCleanDir = nullptr;
    QAction* mnuOrigToWorklist = nullptr;

    // Cache list pop-up (its shortcuts work only while the list has the focus)
    QMenu* pmCaches = nullptr;
    QAction* mnuShowInBrowser = nullptr;  // F6
    QAction* mnuEditLongDescr = nullptr;
    QAction* mnuShowInGoogleMaps = nullptr;
    QAction* mnuMarkAll = nullptr;   // Ctrl+A
    QAction* mnuMarkNone = nullptr;  // Ctrl+N
    QAction* mnuInvertMarks = nullptr;
    QAction* mnuCopyPath = nullptr;  // Ctrl+C
    QAction* mnuMarkWorklist = nullptr;
    QAction* mnuMarkExcluded = nullptr;
    QAction* mnuCreateDirIndex = nullptr;  // Ctrl+I
    QAction* mnuShowIndex = nullptr;
    QAction* mnuExportDir = nullptr;      // Ctrl+E
    QAction* mnuDeleteMarked = nullptr;   // Del
    QAction* mnuReloadMarked = nullptr;
    QAction* mnuAddToFinds = nullptr;

    // The tool-bar panel and its buttons in order (17, in four groups).
    QWidget* paToolbar = nullptr;
    std::vector<QToolButton*> toolButtons;

    // Every item of the menu bar and the pop-ups.
    std::vector<QAction*> all;
};

// Builds the menu bar of `window` and the tool-bar panel (parented to
// `window`, not yet placed in a layout). Every item starts disabled.
void BuildMainMenus(QMainWindow& window, MainMenus& m);
// Builds the two pop-ups and attaches them (and their shortcuts, limited to
// the widget) to the tree and the list.
void BuildPopupMenus(QWidget* tvDir, QWidget* lvCaches, MainMenus& m);

}  // namespace tv
