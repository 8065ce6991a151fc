#include "support/records.h"

#include "core/cache_db.h"
#include "core/proc_settings.h"

namespace tvtest {

tv::TCacheRec CacheRecord(const std::string& waypoint, const std::string& name, double lat, double lon,
                          const std::string& type) {
    tv::TCacheRec r;
    r.CacheType = type;
    r.Waypoint = waypoint;
    r.Name = name;
    r.Lat = lat;
    r.Lon = lon;
    return r;
}

tv::TAddWPRec AddWPPoint(const char* cache, const char* id, double lat, double lon, const char* type,
                         const std::string& descr, const char* comment) {
    tv::TAddWPRec r;
    r.CacheCode = cache;
    r.Id = id;
    r.Lat = lat;
    r.Lon = lon;
    r.WPType = type;
    r.Description = descr;
    r.Comment = comment;
    return r;
}

std::string WriteCaches(const TempDir& folder, const std::vector<tv::TCacheRec>& recs, const std::string& relative) {
    return folder.write(relative, tv::EncodeCacheRecs(recs)).string();
}

WorkFolder::WorkFolder() : previousWorkDir_(tv::ProcSettings.WorkDir) {
    tv::ProcSettings.WorkDir = str();
    tv::CacheIndexList.Clear();
}

WorkFolder::~WorkFolder() {
    tv::CacheIndexList.Clear();
    tv::ProcSettings.WorkDir = previousWorkDir_;
}

}  // namespace tvtest
