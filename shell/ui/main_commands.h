#pragma once
// The main window's own commands and the windows reached from its menus:
// marks, the folder and cache pop-ups, moving rows onto a folder of the tree,
// files dropped on the window, the calculator, the editing and tool windows,
// the listing loader, the description and index windows, debug switch and
// index rebuild. Each handler collects the selection, calls one function of
// shell/main_commands.h and shows the result.
#include <QObject>
#include <QPointer>
#include <string>
#include <vector>

#include "shell/main_commands_drops.h"

class QAction;
class QMimeData;
class QTreeWidgetItem;

namespace tv {

class AppWindows;
class TfrmMain;

class MainCommands : public QObject {
    Q_OBJECT

public:
    // Binds every command whose window exists to the main window of `windows`.
    explicit MainCommands(AppWindows& windows);
    ~MainCommands() override;

    // The imports that dropped files go to; the window accepts dropped files
    // only while at least one is set. A GPX import is followed by the status
    // bar's refresh.
    void SetDropHandlers(DropHandlers handlers);

    // ---- Datei, Spezial, Hilfe
    void mnuDebugModeClick();
    void mnuRebuildIndexClick();
    void mnuAboutClick();
    void mnuOnlineDocClick();
    void Errortracker1Click();
    // ---- windows of the menus
    void mnuBuddylistClick();
    void mnuEditCacheClick();
    void mnuAddWaypointsClick();
    void mnuLoadHTMLClick();
    void mnuCreateDescrClick();
    void mnuCreateIndexClick();
    void mnuCalcDistanceClick();
    void mnuProjectionClick();
    void mnuROT13Click();
    void mnuExportClick();
    void mnuExportDirClick();
    void mnuSuitcaseClick();
    // The database's CSV export; no menu item offers it.
    void mnuExportGCrecordsClick();
    // ---- folder pop-up
    void mnuNewDirClick();
    void mnuEmptyDirClick();
    void mnuDeleteTreeClick();
    void mnuCleanDirClick();
    void mnuOrigToWorklistClick();
    // ---- cache pop-up
    void mnuShowInBrowserClick();
    void mnuEditLongDescrClick();
    void mnuMarkAllClick();
    void mnuMarkNoneClick();
    void mnuInvertMarksClick();
    void mnuCopyPathClick();
    void pmMarkWorklistClick();
    void pmMarkExcludedClick();
    void mnuCreateDirIndexClick();
    void mnuShowIndexClick();
    void mnuDeleteMarkedClick();
    void mnuReloadMarkedClick();
    void mnuAddToFindsClick();
    void mnuLoadFindsClick();     // Datei: the user's finds from the listing site
    void mnuDBFromPagesClick();   // database from the stored listing pages

    // Moves the files of `codes` from the current folder into the folder of
    // `node` (the drop of list rows onto the tree).
    void tvDirDragDrop(const QTreeWidgetItem* node, const std::vector<std::string>& codes);
    // The captions a drag from the cache list carries that are rows of the
    // list now (a drag from elsewhere carries none).
    std::vector<std::string> DraggedCaptions(const QMimeData* data) const;

    // The name search as a single pick over `over`; the chosen code or "".
    std::string PickCacheByName(QWidget& over);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void bind();
    void applyMarks(const std::vector<bool>& marks);
    std::vector<std::string> captions() const;
    std::string chosenFolder() const;
    void updateIndexItem();
    int execWindow(QWidget* window);

    AppWindows& windows_;
    QPointer<TfrmMain> main_;
    std::vector<QAction*> bound_;  // unbound again when this goes
    DropHandlers drops_;
};

}  // namespace tv
