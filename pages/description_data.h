#pragma once
// Gathering every value one offline description page shows: first the cache
// database record, then the sections of the stored listing page "<WP>.html"
// (which overwrite the database values), its picture list "<WP>.meta", the
// map picture, the log counts, the found logs and the buddies among the
// finders.
//
// Every text field of TCacheDescription holds HTML as it goes into the page:
// page sections as the page wrote them, texts from the database and the
// settings HTML-escaped.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "acquire/span_parser.h"
#include "core/cache_rec.h"
#include "core/listing_site.h"
#include "core/coords.h"
#include "pages/description_html.h"
#include "platform/services.h"

namespace tv {

struct TCacheDescription {
    std::string CacheName;
    std::string CacheOwner;
    std::string LatLon;       // FormatCoord of the database coordinates; "" when not in the database
    std::string UtmFormat;
    std::string Location;
    std::string DateHidden;   // "dd.mm.yyyy" from the database, "dd. mm. yyyy" from the page
    std::string WaypointName;
    std::string Difficulty;
    std::string Terrain;
    std::string ErrorText;
    std::string TravelBugs;
    std::string Watchers;
    std::string ShortDescription;
    std::string LongDescription;
    std::string Hints;        // plain hint text (bracketed parts as written)
    std::string CacheMapFileName;  // "./" + map picture name, or ""
    std::string CacheMapLink;
    std::string GoogleMapLink;
    std::vector<TDescrImage> Images;  // at most kMaxDescrImages, entry 1 first
    std::string NumVisits;
    std::string CacheLogs;
    std::string CacheType;    // "?" when unknown
    std::string CacheSize;    // "?" when unknown
    std::string OrigCreationDate;      // "dd. mm. yyyy" of the stored page, "?" without one
    std::string OrigCreationDateTime;  // "dd. mm. yyyy, hh:nn", "?" without one
    std::string FirstFoundLog;
    std::string LatestFoundLog;
    std::string LogLimitations;
    std::string AdditionalWaypoints;
    std::string CoordUpdate;

    // Log kinds counted on this page (all zero when it has no logs section).
    LogCounts Counts;
    // Finders of this cache that are buddies, in log order.
    std::vector<std::string> FoundBuddies;
    // The database coordinates; empty when the cache is not in the database.
    std::optional<tv::LatLon> DatabaseCoords;
    // Whether the stored page was found and read.
    bool PageFound = false;

    int ImageCount() const { return static_cast<int>(Images.size()); }
};

// The two controls of the window that shape the logs.
struct GatherOptions {
    std::string maxLogText;  // cbMaxLog: "" = all logs
    bool boldLogs = true;    // cbBoldLogs
};

// Buddies.txt as the finder comparison needs it: upper-cased names.
class BuddyMatcher {
public:
    BuddyMatcher() = default;
    explicit BuddyMatcher(const std::vector<std::string>& lines);
    bool Contains(std::string_view finder) const;
    bool empty() const { return names_.empty(); }

private:
    std::unordered_set<std::string> names_;
};

// Names of a description folder, read once for many caches. Look-ups ignore
// ASCII case; names come in the order of ListFolder (by name ignoring case).
class FolderSnapshot {
public:
    FolderSnapshot() = default;
    static FolderSnapshot Read(const std::string& folder);
    static FolderSnapshot FromNames(std::vector<std::string> names);
    // Names starting with `prefix` (ignoring case), in listing order.
    std::vector<std::string> WithPrefix(std::string_view prefix) const;
    // The first name equal to `name` ignoring case.
    std::optional<std::string> Find(std::string_view name) const;

private:
    std::vector<std::pair<std::string, std::string>> entries_;  // (upper-cased, name), sorted
};

// Where the gathering reads from.
struct GatherSources {
    std::string outDir;  // description folder, ends in '/'
    const BuddyMatcher* buddies = nullptr;
    // The folder's names; without one the folder is listed for the cache.
    const FolderSnapshot* folder = nullptr;
    // Database look-up; FindCacheByWaypoint when empty.
    std::function<bool(std::string_view, TCacheRec&)> findCache;
    // The additional-waypoint table of a cache; "" when empty.
    std::function<std::string(std::string_view)> addWaypointsHtml;
    // The listing site, for the log icons.
    ListingSite site = SettingsListingSite();
    // Scheme and host of the map pages linked from the description.
    std::string mapquestBase;  // "http://" + the MapQuest host of the map settings when empty
    std::string googleBase;    // kGoogleMapsBase when empty
};

inline constexpr std::string_view kGoogleMapsBase = "https://maps.google.com";

// Fills the record of one cache. A code that is not 1 to 16 letters and
// digits reads nothing (type and size "?", page date "?").
TCacheDescription ReadCacheData(std::string_view waypoint, const GatherOptions& options,
                                const GatherSources& sources);

// ---- Steps, usable on their own ---------------------------------------------------

// The whole file, every line (the last one too) followed by `separator`; ""
// when the file cannot be read.
std::string ReadTextFile(const std::string& fileName, std::string_view separator);
// The text with every line ended by `separator`, as ReadTextFile gives it.
std::string EndLinesWith(std::string_view text, std::string_view separator);

// The stored page from its "<BODY" line on (the whole page without one),
// scripts removed: what the section loop reads.
std::string ListingPageBody(std::string_view page);

// "7 Beobachter" from the watcher line of a page, or "".
std::string ExtractWatcherCount(std::string_view page);

// ROT13 on the characters inside square brackets only.
std::string Rot13InBrackets(std::string_view text);

// Appends the finder of a log line (the text after the first " by ") to
// `found` when it is a buddy.
void CheckBuddyLog(std::string_view logText, const BuddyMatcher& buddies, std::vector<std::string>& found);

// "<P>" and "<BR>" (any case) become CR LF + "<P>" and "<BR>" + CR LF.
std::string NormaliseLongDescription(std::string_view text);

// The log steps on a cleaned logs section: coordinate update, flattening,
// found logs with buddies, log limit and bold markup.
void ProcessCacheLogs(std::string_view section, const GatherOptions& options, const BuddyMatcher& buddies,
                      TCacheDescription& d);

// Size of a recorded picture: its bare name looked up in the description
// folder (exactly, else ignoring case). False when it is missing or not a
// picture of a known kind.
bool GetImageSize(const std::string& fileName, const std::string& outDir, int& width, int& height,
                  const FolderSnapshot* folder = nullptr);

// The map links of the database coordinates.
std::string GoogleMapLinkFor(double lat, double lon, std::string_view googleBase);
std::string CacheMapLinkFor(double lat, double lon, std::string_view mapquestBase);

// "dd.mm.yyyy" of a day count; "" when it is no date.
std::string DayCountDateText(double dayCount);
// "dd. mm. yyyy" and "dd. mm. yyyy, hh:nn".
std::string DescrDateText(const platform::DateTime& t);
std::string DescrDateTimeText(const platform::DateTime& t);

}  // namespace tv
