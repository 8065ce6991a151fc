#pragma once
// The search for caches along a route. The route is sampled: along each
// segment a sample every maxDist/sqrt(2) km, starting at the segment's first
// point, and every cache within maxDist of a sample is caught by the first
// sample that reaches it (samples in route order, caches in database order
// for each sample). A grid over the caches narrows each sample to the few
// caches near it; the outcome is the same as testing every cache at every
// sample.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/cache_rec.h"
#include "core/coords.h"

namespace tv {

// One record of "Caches.bin", as far as the search needs it.
struct RouteIndexEntry {
    ShortStr<16> code;
    double lat = 0.0;
    double lon = 0.0;
    std::int32_t recNo = 0;
};

enum class RouteIndexStatus { Ok, OpenFailed, ReadFailed };

struct RouteIndex {
    RouteIndexStatus status = RouteIndexStatus::Ok;
    int error = 0;  // the system's cause when the status is not Ok
    std::vector<RouteIndexEntry> entries;  // in file order; what was read before a read error
};

// Reads the cache database file; `progress(count, total)` after every 100
// records (total = file size / 296).
RouteIndex ReadRouteIndex(const std::string& path, const std::function<void(int, int)>& progress = {});
// The same from the bytes of a file (a trailing partial record is ignored).
std::vector<RouteIndexEntry> RouteIndexFromBytes(std::string_view bytes);

struct RouteHit {
    std::string code;
    double routeKm = 0.0;           // to the sample that caught it
    std::optional<double> homeKm;
    std::string name;
    std::size_t entry = 0;          // index into the route index
};

struct RouteSearchParams {
    const std::vector<RouteIndexEntry>* index = nullptr;
    std::vector<LatLon> route;
    double maxDistKm = 0.0;
    std::optional<LatLon> home;
    // The cache's name when it is kept (found in the database and passing the
    // filter); nothing drops it. Without a callback every cache is kept with
    // an empty name.
    std::function<std::optional<std::string>(const RouteIndexEntry&)> keep;
    std::function<void(int segment, int segmentCount)> onSegment;  // before each segment (0-based)
    std::function<void(const RouteHit&)> onHit;                    // after each kept cache
    std::function<bool()> cancelled;                               // polled before each segment, sample, cache
    bool usePrefilter = true;                                      // false: test every cache at every sample
};

struct RouteSearchResult {
    std::vector<RouteHit> hits;
    bool cancelled = false;
};

RouteSearchResult SearchAlongRoute(const RouteSearchParams& params);

// The sample positions of one segment (the first at `from`): n+1 samples,
// n = trunc(length/step), each next one `step` km further, the bearing taken
// anew towards `to` at every step so that long segments stay on their great
// circle. A projection that fails ends the segment.
std::vector<LatLon> SegmentSamples(LatLon from, LatLon to, double stepKm);

// "GC1234 (1.27 km / 45.80 km) Name", or "GC1234 (1.27 km) Name" without a
// home distance.
std::string FormatResultLine(const RouteHit& hit);
// The waypoint code of a result line: the text before its first blank,
// trimmed (the whole trimmed line when there is no blank).
std::string ResultLineCode(std::string_view line);
// The lines whose code is not in `codes` (compared without regard to case;
// `codes` holds upper-cased codes).
std::vector<std::string> RemoveResultLines(const std::vector<std::string>& lines,
                                           const std::unordered_set<std::string>& upperCodes);
// Upper-cased codes of the records in the bytes of "Finds.bin".
std::unordered_set<std::string> FoundCodesFromBytes(std::string_view bytes);

enum class WorkListSaveStatus { Ok, ReadFailed, WriteFailed };
struct WorkListSaveResult {
    WorkListSaveStatus status = WorkListSaveStatus::Ok;
    std::string path;  // the work list that was (or was to be) written
    int cause = 0;     // ReadFailed: the system's cause
};
// Writes the codes into the work list "WPList.txt" of `workDir` (CR LF),
// after the list's old lines when `keepOld` (no de-duplication). A missing
// list has no old lines; one that exists but cannot be read is left alone
// (ReadFailed).
WorkListSaveResult SaveRouteWorkList(const std::string& workDir, bool keepOld, const std::vector<std::string>& codes);

}  // namespace tv
