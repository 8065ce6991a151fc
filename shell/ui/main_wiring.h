#pragma once
// Connects the commands and windows of the other parts to the main window:
// the settings command, the cache-database commands with the status bar and
// the start-up check, the cache-details window for list rows and the quick
// info, and the main window's own commands (MainCommands). Commands whose
// part is not built yet stay unbound (disabled).
#include <memory>

namespace tv {

class AppWindows;
class CacheDbMenu;
class GeoMenu;
class MainCommands;

class MainWiring {
public:
    explicit MainWiring(AppWindows& windows);
    ~MainWiring();
    MainWiring(const MainWiring&) = delete;
    MainWiring& operator=(const MainWiring&) = delete;

    CacheDbMenu& cacheDbMenu() { return *cacheDb_; }
    MainCommands& commands() { return *commands_; }

private:
    std::unique_ptr<CacheDbMenu> cacheDb_;
    std::unique_ptr<MainCommands> commands_;
    std::unique_ptr<GeoMenu> geo_;
};

}  // namespace tv
