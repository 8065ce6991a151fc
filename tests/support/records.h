#pragma once
// Cache records and work folders for tests that need a cache database or
// additional waypoints.
#include <string>
#include <vector>

#include "core/cache_rec.h"
#include "support/temp_dir.h"

namespace tvtest {

// A cache record with the code, the name, the coordinates and the type set;
// every other field keeps its default.
tv::TCacheRec CacheRecord(const std::string& waypoint, const std::string& name = "", double lat = 0.0,
                          double lon = 0.0, const std::string& type = "");

// An additional waypoint `id` of the cache `cache`.
tv::TAddWPRec AddWPPoint(const char* cache, const char* id, double lat, double lon, const char* type,
                         const std::string& descr = "", const char* comment = "");

// Writes the records as the cache database "Caches.bin" (or `relative`) below
// `folder`, without an index (the first look-up builds it); returns the path.
std::string WriteCaches(const TempDir& folder, const std::vector<tv::TCacheRec>& recs,
                        const std::string& relative = "Caches.bin");

// A temporary folder that is the program's work folder while it lives:
// ProcSettings.WorkDir names it and the cache index starts and ends empty.
// The previous work folder comes back afterwards.
class WorkFolder : public TempDir {
public:
    WorkFolder();
    ~WorkFolder();
    // WriteCaches into this folder.
    std::string writeCaches(const std::vector<tv::TCacheRec>& recs) const { return WriteCaches(*this, recs); }

private:
    std::string previousWorkDir_;
};

}  // namespace tvtest
