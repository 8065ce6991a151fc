#pragma once
// Cache records from listing pages stored on disk ("GC....html"): the page
// is cut into its <span id="..."> sections by the span parser that the
// listing loader uses, the record fields are read from them, and the import
// loop adds the caches missing from the database (optionally updating the
// ones that differ) and new codes to the work list.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/cache_rec.h"
#include "core/result.h"
#include "core/str_util.h"

namespace tv {

// "48°12.300" -> 48.205: the integer before the degree sign (empty: 0) plus
// the minutes after it / 60; 0 without a degree sign; nothing when a number
// cannot be read.
std::optional<double> DegMinToDecimal(std::string_view text);

// "N 48° 12.300 E 011° 34.567" -> (48.205, 11.57612); S and W negative.
// (0, 0) when there is no E or W; nothing when a number cannot be read.
std::optional<std::pair<double, double>> ParseLatLonText(std::string_view text);

// Name, type and size equal ignoring case, equal hidden dates, coordinates
// within 1.67e-5 degrees, equal difficulty, terrain and country.
bool SameCacheData(const TCacheRec& a, const TCacheRec& b);

// A stored listing page: "GC" at the start (any case), no "_", and ".htm" in
// the name ("GC12AB.html", "GC12AB.htm"; not "GC12AB_converted.html").
bool IsCandidatePageName(std::string_view fileName);

// Base names (up to the first ".") of the folder's stored pages, sorted by
// name; a code stored as ".html" and ".htm" is taken once.
std::vector<std::string> ScanPageFolder(const std::string& folder);

// Country id of an English country name (0 when unknown).
using CountryLookup = std::function<std::int32_t(std::string_view name)>;

// The record of one page; `baseName` gives the waypoint code. A zeroed record
// when the coordinates are missing, "???" or unreadable, or the code is not
// "GC" + 1..6 letters or digits. Without `country`, the national table of
// the program is asked.
TCacheRec ExtractCacheFromText(std::string_view page, std::string_view baseName,
                               const CountryLookup& country = nullptr);
// Reads basePath + ".html", else basePath + ".htm" (name case ignored); a
// zeroed record when neither can be read.
TCacheRec ExtractCacheFromPage(const std::string& basePath, const CountryLookup& country = nullptr);

struct PageImportParams {
    std::string folder;           // scanned for pages
    bool updateExisting = false;  // rgExist "Datenbank updaten"
    bool addToWorkList = true;    // cbAddToWL
    std::string workDir;          // "WPList.txt"; empty: the work folder
    CountryLookup country;        // empty: the program's national table
};

struct PageImportResult {
    int added = 0, skipped = 0, changed = 0;
    bool noPages = false;        // the folder holds no stored page
    bool workListError = false;  // "WPList.txt" exists but could not be read or written
    Error workListRead;          // code != 0: it could not be read (the system's cause)
    RefusedCodes refused;        // pages whose name is no safe waypoint code
    std::string summary;         // "Fertig. n neu, n übersprungen, n geändert."
};

// Runs the import against the cache database of the work folder and
// rebuilds its index at the end. Every protocol line goes to `protocol`;
// `keepGoing` is asked before each page.
PageImportResult ImportStoredPages(const PageImportParams& params,
                                   const std::function<void(const std::string&)>& protocol,
                                   const std::function<bool()>& keepGoing = nullptr);

}  // namespace tv
