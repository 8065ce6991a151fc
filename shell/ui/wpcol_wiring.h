#pragma once
// Opens the waypoint-collection window from the main window (menu item and
// tool button "Arbeits-, Fund- und Ignoreliste", Ctrl+W), with the result
// picker of the shell for its name search.
namespace tv {

class TfrmMain;

class TfrmMap;

// `map` (may be null) shows the list's caches from the window's map items.
void InstallWPCollector(TfrmMain& main, TfrmMap* map);

}  // namespace tv
