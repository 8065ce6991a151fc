#pragma once
// Opens the waypoint-collection window from the main window (menu item and
// tool button "Arbeits-, Fund- und Ignoreliste", Ctrl+W) and from the listing
// loader's "bearbeiten", with the result picker of the shell for its name
// search.
#include <string>
#include <vector>

class QWidget;

namespace tv {

class TfrmMain;

class TfrmMap;

// `map` (may be null) shows the list's caches from the window's map items.
void InstallWPCollector(TfrmMain& main, TfrmMap* map);

// The collection window shown modally over `over`.
void ExecWPCollector(QWidget* over, TfrmMap* map);

// The codes on the map over the whole of Germany with black marks; returns the
// codes the user removed there when the map closed with OK, else none.
std::vector<std::string> ShowCodesInMap(TfrmMap& map, const std::vector<std::string>& codes, QWidget& over);

}  // namespace tv
