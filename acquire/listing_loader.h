#pragma once
// Fetches the listing pages of a work list with their pictures, picture list
// (<WP>.meta) and one map picture per cache, under the skip rules (finds,
// ignored, archived, fresh enough) and the limit of 50 pages per run.
//
// ListingLoader is the engine behind the loader window: the window owns one
// instance (one HTTP client, so cookies last for the window's life), calls
// beginShow() at every showing, builds the run parameters from its controls
// and shows what the events report. Everything runs on the caller's thread;
// the HTTP client pumps the user interface's events during transfers, so an
// abort button can call abort() in the middle of a run.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "acquire/http_client.h"
#include "core/listing_site.h"
#include "core/result.h"
#include "platform/services.h"

namespace tv {

// ---- Options (the window's option controls) ------------------------------------

struct LoaderOptions {
    int overwrite = 0;          // rgOverwrite: 0 never, 1 always, 2 when older than `age` days
    std::string age = "14";     // edAge: at most 4 digits
    bool saveOptions = true;    // cbSaveOptions
    bool loadMap = true;        // cbLoadMap
    int mapKind = 1;            // rgMap 0..3
    std::array<int, 4> zoom{3, 3, 2, 6};  // remembered zoom step per map service
    int mapSize = 0;            // cbMapsize
    bool loadImages = true;     // cbLoadImages
    bool remoteImages = true;   // cbRemoteImages
    bool excludeFinds = true;   // cbExcludelist
    bool excludeIgnored = true; // cbIgnorelist (never stored)
    bool excludeArchived = true;  // cbArchivelist
};

// Reads section "Program" as the window does at every showing: "LoadSaveOpts"
// always, the others only when it is set, "LoadMapSize" always. A missing key
// keeps the value `o` holds; kinds, sizes and the overwrite choice are
// clamped, the age keeps only its first 4 digits.
void ReadLoaderOptions(LoaderOptions& o);
// Writes "LoadSaveOpts" and, while it is set, all other keys.
void WriteLoaderOptions(const LoaderOptions& o);

// ---- Helpers ----------------------------------------------------------------------

// The details address of WP on the site + "&Submit6=Find&log=y".
std::string ListingPageUrl(const ListingSite& site, const std::string& wp);

// The work list "WPList.txt" of the folder: entries trimmed, empty lines
// dropped, order kept; a missing list is empty. One that exists but cannot
// be read is an error with the system's cause and ReadErrorText(path).
Result<std::vector<std::string>> ReadWorkList(const std::string& workDir);

// Upper-cased codes for case-insensitive membership tests.
using CodeSet = std::unordered_set<std::string>;
// Of each archive-list line the text after its first ';' ("A;GC1" -> GC1,
// "D;GC2" -> GC2); a line without ';' is taken whole.
CodeSet ArchiveCodes(const std::vector<std::string>& lines);

// Whole calendar days from the file's local modification date to `today`;
// nothing when the file does not exist.
std::optional<int> FileAgeDays(const std::string& path, const platform::DateTime& today);

// "hh.nn.ss"
std::string ClockText(const platform::DateTime& t);

// "<n>#" + value with every CR LF, lone CR and lone LF replaced by one blank.
std::string MetaLine(int n, std::string_view value);

// Shortens a text for a label: while wider than `maxWidth`, two characters are
// taken from its middle; then "..." is put into the middle.
std::string ShortenMiddle(std::string text, int maxWidth, const std::function<int(const std::string&)>& measure);

// ---- Engine -----------------------------------------------------------------------

struct LoaderCounters {
    int loaded = 0, errors = 0, skipped = 0, existing = 0, found = 0, ignored = 0, archived = 0;
};

// What a run reports; every member may be left empty.
struct LoaderEvents {
    std::function<void(const std::string&)> protocol;  // appends a line to the protocol
    std::function<void()> clearProtocol;
    std::function<void(const std::string&)> task;      // lblTask
    std::function<void(const std::string&)> subtask;   // lblSubtask
    std::function<void(const LoaderCounters&)> counters;
    std::function<void(int position, int count)> waypoint;              // pb1 (0 resets)
    std::function<void(std::int64_t received, std::int64_t total)> bytes;  // pb2
    // A single download outside a run starts (true) or ends (false): the
    // window shows the protocol instead of the options and hides the counters.
    std::function<void(bool)> singleDownload;
    // Width measure and room of lblSubtask for shortening long file names.
    std::function<int(const std::string&)> measure;
    int subtaskWidth = 0;
};

struct LoaderRunParams {
    std::vector<std::string> workList;
    bool mapsOnly = false;
    LoaderOptions options;
    std::string workDir;  // lists, QUIRK, temporary map files; ends in '/'
    std::string outDir;   // pages, pictures, maps; ends in '/'
    ListingSite site = SettingsListingSite();
    // Nobody watches (batch run): a failed picture or map is a protocol line
    // and counted in the result instead of an error box.
    bool unattended = false;
};

struct LoaderRunResult {
    LoaderCounters counters;
    bool aborted = false;
    int failedPictures = 0;  // pictures and maps not loaded in an unattended run
    Error listError;         // code != 0: an exclusion list could not be read; nothing was loaded
};

class ListingLoader {
public:
    static constexpr int kPageLimit = 50;

    ListingLoader();

    void setEvents(LoaderEvents events);
    LoaderEvents& events() { return events_; }
    HttpClient& http() { return http_; }

    // At every showing of the window: clears the map session id, the error
    // flag, the abort flag and the current waypoint.
    void beginShow();

    // Loads the work list. Polls the abort flag before each waypoint.
    LoaderRunResult run(const LoaderRunParams& params);

    // Stops the run before its next waypoint (the current one is finished).
    void abort() { abort_ = true; }
    bool aborted() const { return abort_; }

    // Set when a listing page could not be fetched or stored.
    bool errorFlag() const { return errorFlag_; }
    void setErrorFlag(bool on) { errorFlag_ = on; }
    const std::string& currentWaypoint() const { return current_; }
    const std::string& mapSessionId() const { return mapSessionId_; }

    // Fetches one listing page into outDir + WP + ".html" (lines ended by CR
    // LF). False (and the error flag set) when the request failed, the answer
    // was empty or the file could not be written; an older page then stays.
    bool getCacheToFile(const std::string& wp, const std::string& outDir);
    // Fetches a URL into a file of at most `maxBytes`. A failure is shown in
    // the error box (also when quiet; in an unattended run a protocol line
    // instead) and leaves no file behind. Not quiet: the protocol is cleared
    // and gets start and end times.
    bool getBinaryToFile(const std::string& url, const std::string& dest, bool quiet,
                         std::int64_t maxBytes = kMaxListBytes);
    // The map picture of one cache from service `kind` (see map_pictures.h).
    void getCacheMapToFile(const std::string& wp, int kind, const LoaderOptions& options,
                           const std::string& workDir, const std::string& outDir);
    // Pictures of the stored page <WP>.html and its <WP>.meta; returns the
    // number of pictures recorded.
    int loadPictures(const std::string& wp, bool remoteImages, const std::string& outDir);
    // The site of single downloads outside a run (a run uses its parameters').
    void setSite(ListingSite site) { site_ = std::move(site); }
    const ListingSite& site() const { return site_; }
    // Applies the proxy settings to the HTTP client.
    void initializeHTTP();

private:
    void protocol(const std::string& line);
    void subtask(const std::string& text);
    void counters(const LoaderCounters& c);
    bool fetchPicture(const std::string& url, const std::string& wp, int n, const std::string& outDir,
                      std::string& path);

    HttpClient http_;
    LoaderEvents events_;
    std::atomic<bool> abort_{false};
    bool errorFlag_ = false;
    std::string current_;
    std::string mapSessionId_;
    ListingSite site_ = SettingsListingSite();
    int* runFailures_ = nullptr;  // set during an unattended run
};

}  // namespace tv
