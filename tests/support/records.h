#pragma once
// Cache records and work folders for tests that need a cache database or
// additional waypoints.
#include <algorithm>
#include <cmath>
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

// Great-circle distance in km on the sphere of radius 6371 km (haversine),
// written apart from the program's own formula, to check its figures.
inline double HaversineKm(double lat1, double lon1, double lat2, double lon2) {
    const double rad = 3.14159265358979323846 / 180.0;
    const double dLat = (lat2 - lat1) * rad, dLon = (lon2 - lon1) * rad;
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(lat1 * rad) * std::cos(lat2 * rad) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * 6371.0 * std::asin(std::min(1.0, std::sqrt(a)));
}

}  // namespace tvtest
