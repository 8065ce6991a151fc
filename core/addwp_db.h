#pragma once
// The additional waypoints of caches (parking places, stages, finals...):
// "CacheWaypoints.bin" in the work folder, 416-byte TAddWPRec records back
// to back without a header; loading, saving, merging an imported list, the
// German type labels and the HTML table of one cache's points for its
// offline page.
#include <string>
#include <string_view>

#include "core/cache_rec.h"

namespace tv {

inline constexpr const char* kAddWaypointsFileName = "CacheWaypoints.bin";

// GetWorkDir() + "CacheWaypoints.bin".
std::string AddWaypointsPath();

// Appends every whole record of the file to the list, keyed by its own id;
// returns how many. A missing file adds nothing; a read error keeps the
// records read before it. The default form reads the work folder's file
// (found ignoring the case of its name). `error` (when given) receives 0, or
// the errno of a file that is there but could not be read.
int LoadAddWaypoints(TAddWPList& list, const std::string& file, int* error = nullptr);
int LoadAddWaypoints(TAddWPList& list, int* error = nullptr);

// Replaces the file by the list's records in list order, through a temporary
// file and a rename; false (and the old file kept) when anything failed.
bool SaveAddWaypoints(const TAddWPList& list, const std::string& file);
bool SaveAddWaypoints(const TAddWPList& list);

// For each source record in order: a target record with the same own id
// (exact comparison; the first such) is overwritten in place, otherwise the
// record is appended. Returns the number appended.
int MergeAddWaypoints(TAddWPList& target, const TAddWPList& source);

// Whether the point's coordinates name a place: within range and not both
// zero (an unset point).
bool HasUsableCoords(const TAddWPRec& point);

// Index of a point type (ASCII case ignored): "TRAILHEAD" 0, "FINAL
// LOCATION" 1, "PARKING AREA" 2, "QUESTION TO ANSWER" 3, "STAGES OF A
// MULTICACHE" 4, anything else 5. Also the icon of the type in the
// additional-waypoint window.
int AddWPTypeToImageIndex(std::string_view typeText);
inline constexpr int kAddWPImageCount = 6;
// The German label of the type at the same index: "Start", "Finale",
// "Parken", "Frage", "Stage"; anything else "Ref.Pkt.".
std::string WaypointTypeLabel(std::string_view typeText);

// The HTML table of the points in `all` that belong to `cache` (exact cache
// code), in list order; "" when there are none. Distances with a decimal
// comma, coordinates in FormatCoord form; every text from the records is
// HTML-escaped.
std::string BuildAddWaypointsHTMLFrom(const TCacheRec& cache, const TAddWPList& all);
// Looks the cache up in the database and builds its table from `all`; "" when
// the cache is not in the database. For batches: load the list once.
void BuildAddWaypointsHTML(std::string_view cacheCode, const TAddWPList& all, std::string& html);
// The same, reading the work folder's file.
void BuildAddWaypointsHTML(std::string_view cacheCode, std::string& html);

}  // namespace tv
