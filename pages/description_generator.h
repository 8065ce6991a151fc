#pragma once
// Turns the stored listing pages of a list of caches into offline description
// pages "<WP>_converted.html": for each cache the record is gathered, the long
// description cleaned, the template filled and the page written.
//
// The description window builds DescriptionRunParams from its controls, reads
// the template once (LoadDescriptionTemplate), shows what the progress
// callback reports and calls cancel() from its "Abbrechen" button (the
// callback is the place to let the user interface handle its events).
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/cache_rec.h"
#include "core/listing_site.h"
#include "core/result.h"
#include "pages/description_data.h"
#include "pages/description_html.h"
#include "pages/description_template.h"

namespace tv {

// The window's options.
struct DescriptionOptions {
    // Page "Ausgabeoptionen"
    bool keepOld = false;         // cbKeepOld
    bool logs = true;             // cbLogs
    std::string maxLogs;          // cbMaxLog text; "" = all logs
    bool boldLogs = true;         // cbBoldLogs
    bool cacheImages = true;      // cbCacheimages
    int imageKind = 1;            // rgImageKind: 0 one below the other, 1 two columns
    int hints = kHintsPlain;      // rgHints
    // Page "HTML-Reformatierung"
    CleanFlags clean;
    // Page "Kartenoptionen"
    std::vector<std::string> mapOrder = DefaultMapOrder();  // lbMaps
    int resizeMap = 0;            // rgResizeMap
};

struct DescriptionRunParams {
    std::vector<std::string> waypoints;  // WaypointList
    std::string templateText;            // read once per run
    DescriptionOptions options;
    std::optional<DescriptionHome> home;  // none: no distances
    std::string outDir;   // stored pages in, converted pages out; ends in '/'
    std::string workDir;  // Buddies.txt, Persinfo.txt, CacheWaypoints.bin; ends in '/'
    int htmlMaxWidth = 640;  // HTMLMaxWidth
    // Links to the original page and the host of its log icons.
    ListingSite site = SettingsListingSite();
    // Map page bases of the MapQuest and Google links (defaults: see GatherSources).
    std::string mapquestBase;
    std::string googleBase;
    // Database look-up; FindCacheByWaypoint (the work folder of the settings)
    // when empty.
    std::function<bool(std::string_view, TCacheRec&)> findCache;
};

enum class DescriptionOutcome {
    Converted,  // the page was written
    Skipped,    // no stored page, or kept because a converted page exists
    Failed,     // invalid code or the page could not be written (see error)
    Cancelled,  // passed over after cancel()
};

struct DescriptionCacheResult {
    std::string waypoint;
    DescriptionOutcome outcome = DescriptionOutcome::Skipped;
    std::string error;  // German text for Failed
};

struct DescriptionRunResult {
    std::vector<DescriptionCacheResult> caches;  // one per waypoint, in list order
    int converted = 0;
    int skipped = 0;
    int failed = 0;
    bool cancelled = false;
    // "GC1(2/0), GC2(-1/3)": caches whose pictures or links were removed.
    std::string removedContent;
};

struct DescriptionProgress {
    int index = 0;   // 0-based position in the list
    int count = 0;
    std::string waypoint;
    // "Erzeuge Beschreibung für GC1 (Cache 1 von 5)" or "Überspringe GC1".
    std::string text;
};

// "Templatedatei nicht gefunden:" CR LF + path.
std::string TemplateNotFoundText(const std::string& path);
// The template read whole, every line ended by CR LF; "" when the file is
// missing or empty (the caller shows TemplateNotFoundText).
std::string LoadDescriptionTemplate(const std::string& path);
// The same, but a template that exists and cannot be read (a folder, a pipe)
// is its error, with the system's cause.
Result<std::string> ReadDescriptionTemplate(const std::string& path);

class DescriptionGenerator {
public:
    explicit DescriptionGenerator(DescriptionRunParams params);

    // Called before each cache of run(), with the text for the window.
    void setProgress(std::function<void(const DescriptionProgress&)> progress) { progress_ = std::move(progress); }

    // Converts every waypoint of the list. Reads Buddies.txt, the notes and the
    // additional waypoints once. Caches after a cancel() are passed over.
    DescriptionRunResult run();

    // Gathers, cleans and fills one cache without writing; what run() writes.
    // `removedContent` (when given) gets the cache's removed-content entry.
    std::string render(std::string_view waypoint, std::string* removedContent = nullptr);
    // render() and write: Converted or Failed (the skip rules are run()'s).
    DescriptionCacheResult generate(std::string_view waypoint, std::string* removedContent = nullptr);

    void cancel() { cancel_ = true; }
    bool cancelled() const { return cancel_; }

private:
    void prepare();

    DescriptionRunParams p_;
    std::function<void(const DescriptionProgress&)> progress_;
    std::atomic<bool> cancel_{false};
    bool prepared_ = false;
    BuddyMatcher buddies_;
    FolderSnapshot folder_;
    std::unordered_map<std::string, TAddWPList> addWpGroups_;  // by cache code
    std::string notesFile_;
};

}  // namespace tv
