#pragma once
// Connects the route search and the map to the main window and to the
// windows of other parts they open (cache filter, cache details, work list).
namespace tv {

class AppWindows;

// Binds "Caches entlang einer Route berechnen" and the quick-info map button,
// and fills the route and map windows' hooks. Windows still placeholders are
// left alone.
void InstallGeoWindows(AppWindows& windows);

}  // namespace tv
