#pragma once
// The user's own finds from the listing site: the "nearest" search for the
// caches found by a user name is paged through with TListLoader, each row
// gives a waypoint code and a found date, and the result is merged into
// "Finds.bin" of the work folder.
//
// FindsLoad is the paging driver behind the finds window: the window calls
// Start() and then LoadOnePage() on every tick of its timer while it
// returns true; no window code is needed to test it.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "acquire/http_client.h"
#include "acquire/list_loader.h"
#include "core/cache_db.h"
#include "core/cache_rec.h"
#include "core/listing_site.h"
#include "core/result.h"
#include "core/str_util.h"

namespace tv {

// Rows per result page of the site.
inline constexpr int kFindsPerPage = 20;

// The user name for the query: Windows-1252 taken to UTF-8, every byte
// except A-Z a-z 0-9 "-_.~" percent-encoded, a blank as "+"
// ("Die Füchse" -> "Die+F%C3%BCchse").
std::string EncodeUserName(std::string_view cp1252);

// "http://" + host + "/seek/nearest.aspx?ul=" + encoded name + "&submit4=Find".
std::string BuildFindsUrl(const ListingSite& site, std::string_view userName);

// The number in the first bold span after "Total Records"; nothing when the
// page has none.
std::optional<int> ParseTotalRecords(std::string_view page);
// Pages needed for `total` rows.
int FindsPageCount(int total);

struct FindRow {
    std::string code;      // "GC..." as the page writes it (at most 64 characters)
    std::string dateText;  // as the page writes it, at most 20 characters
};
// The rows of one result page in page order.
std::vector<FindRow> ParseFindRows(std::string_view page);

// "dd.mm.yyyy"
std::string FoundDateText(std::chrono::year_month_day d);
// A real date of years 1..9999 ("99999 days ago" gives none), which the
// ten characters of the found date can hold.
bool IsFindDate(std::chrono::year_month_day d);


struct FindsMerge {
    std::vector<TFoundRec> records;  // the file's records in file order, then the appended ones
    int kept = 0;
    int appended = 0;
    std::vector<std::string> protocol;
};

// Each file record takes the found date of the first loaded find with its
// code (ignoring case) and, when the cache is in the database, its
// coordinates, type and the first 80 characters of its name; loaded finds
// whose code the file lacks are appended once each, with the database data
// or the name "*** nicht in Datenbank gefunden ***". With `updateExisting`
// off, file records stay as they are.
FindsMerge MergeFinds(const std::vector<TFoundRec>& fileRecords, const std::vector<TFoundRec>& loaded,
                      const CacheLookup& lookup, bool updateExisting = true);

// Every record of the finds file; a missing file reads as empty. An error
// when the file exists but cannot be read, so that a rewrite cannot lose
// finds.
Result<std::vector<TFoundRec>> ReadFindsFile(const std::string& path);
// Reads, merges and rewrites the file atomically; the file stays unchanged
// on any error.
Result<FindsMerge> SaveFinds(const std::string& path, const std::vector<TFoundRec>& loaded, const CacheLookup& lookup,
                             bool updateExisting = true);


struct FindsLoadParams {
    ListingSite site;
    std::string userName;  // Windows-1252
    ProxyConfig proxy;     // server empty or `use` off: no proxy
    bool loadAll = true;   // cbLoadall: else rows older than minDate end the load
    std::chrono::year_month_day minDate{};
    std::chrono::year_month_day today{};
    std::string workDir;  // "Finds.bin" and the page copies; ends in '/'
    bool debug = false;   // page copies "finds<n>.html" and the loader's debug lines
    CacheLookup lookup;   // empty: DatabaseLookup()
};

class FindsLoad {
public:
    enum class State { Idle, Loading, Saved, Failed, Cancelled };

    FindsLoad();

    // Every protocol line; page-loading lines start with the time "hh:nn:ss ".
    std::function<void(const std::string&)> protocol;

    // Clears the loaded finds and counters, applies the proxy and builds the URL.
    void Start(const FindsLoadParams& params);
    // Loads and parses the next page; on the last page (or the minimum date)
    // merges into "Finds.bin". True when another page is to be loaded.
    bool LoadOnePage();
    // Ends the load before its next page; stops a running request.
    void Cancel();

    State state() const { return state_; }
    int pageNo() const { return pageNo_; }
    int total() const { return total_; }
    int pageCount() const { return pageCount_; }
    const std::string& url() const { return url_; }
    const std::vector<TFoundRec>& loaded() const { return loaded_; }
    // Rows whose code may not be stored (IsSafeWaypointCode); named in the
    // protocol after the merge.
    const RefusedCodes& refused() const { return refused_; }
    TListLoader& loader() { return *loader_; }

private:
    void stamped(const std::string& line);
    void line(const std::string& text);
    void parsePage(const std::string& page);
    void fail(const std::string& text);
    void save();

    std::unique_ptr<TListLoader> loader_;
    FindsLoadParams params_;
    State state_ = State::Idle;
    std::string url_;
    int pageNo_ = 0;
    int total_ = 0;
    int pageCount_ = 0;
    bool stop_ = false;
    bool cancel_ = false;
    std::vector<TFoundRec> loaded_;
    RefusedCodes refused_;
};

}  // namespace tv
