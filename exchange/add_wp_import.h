#pragma once
// Additional waypoints of caches (parking places, stages...) from a GPX file
// whose waypoint names are the cache code with another two-letter prefix:
// each <wpt> becomes one TAddWPRec of cache "GC" + name[2..], merged into
// "CacheWaypoints.bin" by its own id.
#include <string>
#include <string_view>
#include <vector>

#include "core/cache_rec.h"
#include "core/result.h"

namespace tv {

struct AddWpParse {
    std::vector<TAddWPRec> records;  // in file order, duplicates kept
    std::vector<std::string> log;    // "<n> - <id>: <type>" per waypoint
};

// Reads the <wpt> elements of the GPX text (its bytes as the file holds
// them). Fails, naming the waypoint, on a coordinate that is no number or
// on text that is no well-formed XML; nothing is taken then.
Result<AddWpParse> ParseAddWaypoints(std::string_view gpx);

// Lines of the text (CR LF, LF or CR) and those holding `what`.
int CountTextLines(std::string_view text);
int CountLinesContaining(std::string_view text, std::string_view what);

struct AddWpImportResult {
    std::vector<std::string> log;  // the waypoint lines and the three counts
    int before = 0, inFile = 0, after = 0;
};
// Parses, merges into the store file and rewrites it (when it holds any
// record). A store that cannot be read whole is not rewritten.
Result<AddWpImportResult> ImportAddWaypoints(std::string_view gpx, const std::string& storePath);

}  // namespace tv
