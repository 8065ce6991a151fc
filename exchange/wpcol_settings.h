#pragma once
// The collection window's own settings: section "WPCollector" and the
// radius text in "Program" of the work folder's tq.conf.
#include <array>
#include <string>

namespace tv {

class TIniFile;

struct WpColSettings {
    bool preselectMultiFinds = true;
    int radSearchHomeIndex = 0;
    int radSearchHomeIndexGlobal = 0;
    std::string radius = "15";
    int importFormatIndex = 0;
    bool ignoreFinds = true;
    bool filterCacheType = false;
    bool filterCacheDate = false;
    bool skipArchived = true;
    bool skipOldEvents = true;
    bool skipMicros = false;
    std::array<bool, 10> types{};  // by cache-type number 0..9
    int activePage = 0;

    // Indexes beyond the choices fall back to the first entry.
    void Load(const TIniFile& ini, int homeCount, int formatCount, int pageCount);
    // False when the file could not be written.
    bool Save(TIniFile& ini) const;
};

}  // namespace tv
