#pragma once
// The main window's cache-database commands with their windows: the
// converter window for each conversion, a loader window of its own for each
// download, the "Load from URL" window for the archive list, and panel 0 of
// the status bar.
// The main window owns one CacheDbMenu and calls these from its menu and
// tool-button slots; no exception leaves them (it is shown in a box).
#include <functional>
#include <string>

#include "core/cache_rec.h"
#include "shell/cachedb_commands.h"

class QLabel;
class QWidget;

namespace tv {

// Writes ReadStatusBarText() into the label (ArchiveList is reloaded).
void UpdateStatusBar(QLabel* statusPanel);

class CacheDbMenu {
public:
    // `mainWindow` centres the windows; `statusPanel` is panel 0 of its status bar.
    CacheDbMenu(QWidget* mainWindow, QLabel* statusPanel);
    CacheDbMenu(const CacheDbMenu&) = delete;
    CacheDbMenu& operator=(const CacheDbMenu&) = delete;

    // The cache details window for the nearest new cache of a merge.
    std::function<void(const TCacheRec&)> showDetails;

    void mnuReadCacheDBClick();              // Ctrl+L, tool button 6
    void mnuReadAdditionalCacheDBsClick();
    void lokaleCacheDBkonvertieren1Click();  // tool button 7
    void convertAdditionalCacheDBsClick();
    void mnuGetArchiveListClick();           // tool button 8
    void mnuCheckForUpdateClick();

    void UpdateStatusBar();
    int ConvertCacheDB(const std::string& name, int mode, bool report);

    // The hooks that show the windows (also for tests).
    CacheDbHooks WindowHooks();
    CacheDbCommands& Commands() { return commands_; }

private:
    void Guard(const std::function<void()>& command);

    QWidget* mainWindow_;
    QLabel* statusPanel_;
    CacheDbCommands commands_;
};

}  // namespace tv
