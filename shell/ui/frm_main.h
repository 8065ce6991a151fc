#pragma once
// The main window: folder tree of the description folder on the left, the
// converted descriptions of the chosen folder on the right, the home selector
// and the quick info below. Start-up (FormShow, RunOnce) and shutdown
// (FormClose, FormDestroy, Beenden1Click) live here too. The menu commands
// are bound from outside with BindCommand; windows of other parts are reached
// through the hooks below.
#include <QMainWindow>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/cache_rec.h"
#include "core/coords.h"
#include "shell/main_list.h"
#include "shell/startup_task.h"
#include "shell/ui/main_menus.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QSplitter;
class QStatusBar;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace tv {

class TCacheListView;

class TfrmMain : public QMainWindow {
    Q_OBJECT

public:
    TfrmMain();
    ~TfrmMain() override;

    // ---- controls --------------------------------------------------------
    MainMenus menus;  // MainMenu1, paToolbar, pmDir, pmCaches and their items
    QStatusBar* StatusBar = nullptr;
    QLabel* StatusPanel0 = nullptr;  // panel 0: state of the database and archive list
    QWidget* Panel2 = nullptr;       // client area: tree and list
    QSplitter* Splitter1 = nullptr;
    QTreeWidget* tvDir = nullptr;
    QLabel* Panel4 = nullptr;  // row-count text above the list
    TCacheListView* lvCaches = nullptr;
    QWidget* paFooter = nullptr;
    QGroupBox* gbHome = nullptr;  // "Home-Selektor"
    QLabel* lblHome = nullptr;
    QLabel* lblHomeCoord = nullptr;
    QSpinBox* UpDown = nullptr;
    QGroupBox* gbQuickinfo = nullptr;
    QLineEdit* edWaypoint = nullptr;
    QPushButton* btnQuick = nullptr;
    QLabel* lblQIName = nullptr;
    QLabel* lblQIKind = nullptr;
    QLabel* lblQIKoords = nullptr;
    QPushButton* btnShowInMap = nullptr;
    QPushButton* btnQuickInfo = nullptr;
    QTimer* Timer1 = nullptr;      // start-up task, 200 ms, off until FormShow
    QTimer* tiAutoLoad = nullptr;  // batch run, 500 ms, off

    // ---- fields ------------------------------------------------------------
    bool RunOnceDone = false;
    SortState Sort;             // sort column, last sort column, descending
    std::string CurrentFolder;  // ends in '/'
    LatLon CurrentHome;
    TCacheRec QuickInfoRec;  // an empty waypoint: the quick-info buttons do nothing
    int BatchState = 0;      // 0 start ... 4 finished

    // ---- hooks for other parts (empty: nothing happens) -------------------
    // Looks a waypoint up for the rows and the quick info; DatabaseLookup()
    // unless a test sets another.
    CacheLookup Lookup;
    std::function<bool()> CheckCacheDBVersion;  // start-up database check
    std::function<void()> UpdateStatusBar;      // rewrites StatusPanel0
    // The cache-details window for a record: for a list row `descrFolder` is
    // the current folder (set while the window shows, emptied afterwards);
    // for the quick info it is nothing (the window's folder stays as it is).
    std::function<void(const TCacheRec& rec, const std::optional<std::string>& descrFolder)> ShowCacheDetails;
    // The online map for a record (btnShowInMap).
    std::function<void(const TCacheRec& rec)> ShowInMap;
    // Each tick of tiAutoLoad.
    std::function<void()> tiAutoLoadTimer;
    // Files dropped on the window (paths, in order).
    std::function<void(const std::vector<std::string>& files)> FilesDropped;
    // Applies the tooltip switch to further windows (ApplyShowHints calls it
    // after the main window).
    std::function<void(bool show)> ApplyShowHintsToOthers;

    // ---- commands ----------------------------------------------------------
    using Command = std::function<void()>;
    // Connects `item` (a menu or pop-up item, and with it its tool button) to
    // `handler` and enables it; a later call replaces the handler; an empty
    // handler disables the item again.
    void BindCommand(QAction* item, Command handler);
    bool IsBound(QAction* item) const;
    // An item whose use depends on the folder chosen (e.g. "Indexdatei
    // anzeigen") is enabled only while it is bound and allowed.
    void SetAllowed(QAction* item, bool allowed);
    bool IsAllowed(QAction* item) const;
    // Runs the bound handler of `item` (nothing when unbound).
    void RunCommand(QAction* item);

    void SetStatusText(const std::string& text);  // panel 0, Windows-1252

    // ---- handlers ------------------------------------------------------------
    void FormShow();
    void RunOnce();
    void FormClose();
    // Section "MainForm" and the temporary files; called once before the
    // windows are destroyed (also after Beenden).
    void FormDestroy();
    void Beenden1Click();
    void ApplyShowHints();
    // The hooks the start-up task runs with (splash, settings, database ...).
    StartupHooks MakeStartupHooks();

    void BuildFolderTree();
    void tvDirChange(QTreeWidgetItem* node);
    void RefreshCacheList();
    void SetDefaultColumnWidths();
    void lvCachesColumnClick(int column);
    void SortList();
    void UpDownClick();
    void lblHomeDblClick();
    void btnQuickClick();
    void btnQuickInfoClick();
    void btnShowInMapClick();
    void lvCachesDblClick();

    // The folder a tree node stands for (ends in '/'): the description folder
    // for the root, else its subfolder; nothing for no node.
    std::optional<std::string> FolderOfNode(const QTreeWidgetItem* node) const;

    // The rows in display order and the marked captions.
    std::vector<CacheRow> Rows() const;
    std::vector<std::string> MarkedCaptions() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildLayout();
    void showQuickInfo(const QuickInfoView& view);
    void updateItemState(QAction* item);
    // Tells once per run about names of a listing the program cannot show.
    void reportSkippedNames(const std::vector<std::string>& utf8Names);

    std::unordered_map<QAction*, Command> commands_;
    std::unordered_map<QAction*, bool> allowed_;
    bool destroyed_ = false;
    std::set<std::string> reportedNames_;
    std::vector<std::string> pendingNames_;
};

}  // namespace tv
