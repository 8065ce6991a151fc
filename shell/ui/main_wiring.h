#pragma once
// Connects the commands and windows of the other parts to the main window:
// the settings command, the cache-database commands with the status bar and
// the start-up check, and the cache-details window for list rows and the
// quick info. Commands whose part is not built yet stay unbound (disabled).
#include <memory>

namespace tv {

class AppWindows;
class CacheDbMenu;

class MainWiring {
public:
    explicit MainWiring(AppWindows& windows);
    ~MainWiring();
    MainWiring(const MainWiring&) = delete;
    MainWiring& operator=(const MainWiring&) = delete;

    CacheDbMenu& cacheDbMenu() { return *cacheDb_; }

private:
    std::unique_ptr<CacheDbMenu> cacheDb_;
};

}  // namespace tv
