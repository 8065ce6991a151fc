#pragma once
// The name search over the cache database: every cache's name and waypoint
// code are searched as one text (so "hleGC1" finds "Alte Mühle" GC1AB),
// ignoring case with the Windows-1252 upper-casing ("müh" finds "Mühle").
// Results are entries name + " [" + code + "]" that the user ticks; the
// ticked codes are kept in Marked (upper-cased), across searches.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/result.h"

namespace tv {

namespace platform {
class IProgress;
}

// The waypoint code of a search entry: the entry upper-cased; walking from its
// end, every 0-9 and A-Z is collected until a "[" (or the first character).
std::string EntryWaypoint(std::string_view entry);
// name + " [" + code + "]".
std::string SearchEntry(std::string_view name, std::string_view code);

class NameSearchModel {
public:
    // Called now and then during long work (after the event pump ran); true
    // stops the work.
    using CancelCheck = std::function<bool()>;

    // Single pick when false: ticking an entry unticks every other one.
    bool MultiSelect = true;

    // Searching needs at least 3 characters.
    static bool canSearch(std::string_view text) { return text.size() >= 3; }

    // Reads every record of the cache database file (296-byte records) with the
    // wait window ("Cacheliste wird gelesen"), its bar running from 0 to the
    // number of records and updated (with a pass of the event pump) every 100
    // records. A failure leaves the records read so far and reports the error;
    // a cancel leaves nothing loaded and reports code -1.
    Result<void> load(const std::string& cacheFile, platform::IProgress& progress,
                      const CancelCheck& cancelled = {});
    // Adds one cache by hand (the loader uses it for each record).
    void addCache(std::string_view name, std::string_view code);
    // Frees the loaded caches and the results (Marked stays).
    void unload();
    bool loaded() const { return loaded_; }
    std::size_t cacheCount() const { return starts_.size(); }

    // Fills the results with every cache whose upper-cased name + code holds
    // the upper-cased pattern, in file order; an entry is ticked iff its code
    // is marked. Does nothing without loaded caches. False when cancelled
    // (the results are then empty).
    bool search(std::string_view pattern, const CancelCheck& cancelled = {});
    void clearResults();
    std::size_t resultCount() const { return results_.size(); }
    std::string entryText(std::size_t i) const;
    std::string entryCode(std::size_t i) const;
    bool ticked(std::size_t i) const { return ticked_[i] != 0; }

    // The user ticked or unticked result i. Updates Marked (upper-cased codes)
    // and the tick states; returns the other results whose tick state changed
    // (in single pick: every other ticked entry; entries of the same code
    // follow the clicked one).
    std::vector<std::size_t> onCheck(std::size_t i, bool ticked);

    const std::vector<std::string>& marked() const { return marked_; }
    void clearMarked();
    // count + " Caches markiert".
    std::string markedText() const;

private:
    std::string_view name(std::size_t cache) const;
    std::string_view code(std::size_t cache) const;
    void mark(const std::string& code);
    void unmark(const std::string& code);

    bool loaded_ = false;
    // All names and codes back to back; cache k is name [starts_[k],
    // codeStarts_[k]) and code [codeStarts_[k], starts_[k + 1]).
    std::string text_;
    std::vector<std::uint32_t> starts_, codeStarts_;

    std::vector<std::uint32_t> results_;  // cache numbers
    std::vector<char> ticked_;
    std::vector<std::string> marked_;
    std::unordered_set<std::string> markedSet_;
};

}  // namespace tv
