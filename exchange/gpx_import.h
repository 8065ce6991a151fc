#pragma once
// Import of a pocket-query GPX file into the cache database in two passes.
// Pass 1 reads the file into cache records and compares them with
// "Caches.bin": same, changed (with the list of differing fields) or new.
// The user may drop entries of the result list; pass 2 then overwrites the
// changed caches, appends the new ones, rebuilds the index and, when asked,
// puts the new caches within a radius at the front of the work list and
// writes their description pages from the GPX data.
//
// Both passes stream: the GPX file and the database are read once each and
// never held whole, so a national database and a big query stay cheap.
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/cache_rec.h"
#include "core/coords.h"
#include "core/listing_site.h"
#include "core/result.h"
#include "core/str_util.h"
#include "exchange/gpx_cache_reader.h"

namespace tv {

inline constexpr int kGpxSame = 0;
inline constexpr int kGpxChanged = 1;
inline constexpr int kGpxNew = 2;
inline constexpr int kGpxSkipped = 3;

using CountryLookup = std::function<std::int32_t(std::string_view country)>;

// The cache record of one waypoint: Windows-1252 texts cut to their fields,
// "Geocache|" removed from the type, "Not chosen"/"Other" sizes emptied,
// ratings "1.0" when missing, distance from `home` (0 when it cannot be
// computed), InDB 1. Nothing for a waypoint without the cache extension,
// without a safe code (IsSafeWaypointCode: letters and digits, at most the 16
// characters of the record's field) or without readable coordinates.
std::optional<TCacheRec> MakeImportRecord(const GpxCacheWpt& wpt, const LatLon& home, const CountryLookup& country);

// Compares an imported record with the stored one: kGpxSame, or kGpxChanged
// with `diff` naming the differing fields ("Cachename, Cachetyp"; a changed id
// alone gives "Cache-ID "). Names, types and sizes ignore case; coordinates
// allow 0.001 degrees; ratings compare as numbers when both are numbers.
int CompareWithDb(const TCacheRec& imported, const TCacheRec& stored, std::string& diff);

struct GpxImportEntry {
    TCacheRec rec;         // as it will be written ('D' in ChangeMark when changed)
    bool isNew = false;
    std::string diff;      // changed: the differing fields
};

// "GC1: Diff=Cachename" or "GC1: Neu (01.05.2004)".
std::string GpxListLine(const GpxImportEntry& entry);
// Whether a line of the list stands for a new cache, and its code.
bool GpxLineIsNew(std::string_view line);
std::string GpxLineCode(std::string_view line);

// Every wpt element read counts once: same, changed, added, skipped,
// refused, duplicates or plain waypoints.
struct GpxPass1Result {
    int definitions = 0;  // wpt elements read
    int same = 0, changed = 0, added = 0;
    int skipped = 0;      // caches without readable coordinates
    int plainWaypoints = 0;  // wpt elements without cache data (no cache extension)
    RefusedCodes refused; // caches whose code is empty or may not be stored (counted, named once)
    int duplicates = 0;   // caches whose code came before in the file (the first one counts)
    std::vector<GpxImportEntry> entries;  // changed and new, in file order
    std::vector<std::string> memoLines;   // "r - code: name" per counted cache
    std::optional<Error> error;           // the file or the database could not be read
};

// The review's caption after pass 1: "9 Cachedefinitionen gefunden, 1
// unterschiedlich, 2 neu, 6 alt", with the caches skipped for their
// coordinates, their code or a code they repeat and the plain waypoints
// passed over; a file of plain waypoints only says so instead.
std::string GpxPass1StatusText(const GpxPass1Result& r);
// The box when pass 1 left nothing to review.
std::string GpxNothingToImportText(const GpxPass1Result& r);

struct GpxPass2Options {
    bool radiusSearch = false;
    double radiusKm = 0.0;
    LatLon centre;
    bool getDescriptions = true;
    bool keepOld = true;
    std::string outDir;   // description folder, ends in '/'
    ListingSite site;
};

struct GpxPass2Result {
    int added = 0;        // new caches written
    int corrected = 0;    // changed caches written
    int failed = 0;       // caches that could not be written
    std::vector<std::string> hits;  // new caches inside the radius, in list order
    int pagesWritten = 0;
    int pagesFailed = 0;
    std::vector<std::string> errors;  // German texts of failed writes
    // Texts for the boxes (Windows-1252).
    std::string summary;    // "Datenbankupdate abgeschlossen. ..."
    std::string hitsText;   // radius search: the hits box (empty without the search)
    bool worklistWritten = false;
};

struct GpxImportParams {
    std::string gpxFile;   // Caches.bin and WPList.txt are those of GetWorkDir()
    LatLon home;           // the settings' HOME, for the stored distance
    CountryLookup country; // CountryIDByName when empty
};

class GpxImportSession {
public:
    explicit GpxImportSession(GpxImportParams params);

    // Progress of the reading: bytes done of the whole.
    void setProgress(std::function<void(std::uint64_t done, std::uint64_t total)> progress) {
        progress_ = std::move(progress);
    }

    const GpxPass1Result& pass1();
    // The record of the first result entry with this code (exact case).
    const GpxImportEntry* FindResult(std::string_view code) const;

    // Writes the caches of the remaining list lines (see GpxListLine).
    GpxPass2Result pass2(const std::vector<std::string>& lines, const GpxPass2Options& options);

    const GpxPass1Result& result() const { return result_; }

private:
    GpxImportParams p_;
    std::function<void(std::uint64_t, std::uint64_t)> progress_;
    GpxPass1Result result_;
};

// The hits box: "Es wurden n Caches in die Arbeitsliste eingefügt:" and the
// first ten "code: name" lines, or the box of a search without hits.
std::string RadiusHitsMessage(const std::vector<std::string>& hits,
                              const std::function<std::string(const std::string&)>& nameOf);
// Puts the codes in front of the lines of the work list. A work list that
// exists but cannot be read is left alone (error).
Result<void> PrependToWorkList(const std::string& path, const std::vector<std::string>& codes);

// The window's options in section [Program] of tq.conf.
struct GpxImportOptions {
    bool saveOptions = true;
    bool radiusSearch = false;
    bool getDescriptions = true;
    bool keepOld = true;
    std::string radius = "10";
};
// GPXImpSaveOpts (missing: false) and, only when it is set, the others.
void LoadGpxImportOptions(GpxImportOptions& o);
// GPXImpSaveOpts always; the others only while it is set.
bool SaveGpxImportOptions(const GpxImportOptions& o);


// What the window shows before pass 1: line count, "</wpt>" lines, the
// first lines of the file and the gpx name from them.
struct GpxFileSummary {
    std::uint64_t lines = 0;
    std::uint64_t definitions = 0;
    std::string preview;  // Windows-1252, the first lines
    std::string gpxName;  // Windows-1252; "" when the preview holds none
    bool readable = false;
};
GpxFileSummary SummarizeGpxFile(const std::string& path, std::size_t previewBytes = 64 * 1024);

}  // namespace tv
