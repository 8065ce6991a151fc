#pragma once
// National cache-database lists (one cache per text line) into the cache
// database "Caches.bin".
//
// Without a database the converted records become the database, and its
// index is written from the entries gathered as the records are written. With
// one, they go to "Caches.bin.tmp" first and only the caches the database
// does not know yet are appended (codes compared as the index compares them:
// looked up in Caches.idx when it covers every record, else in a hash set of
// the database's codes), in one append pass, after which the index of the
// work folder is the old one with the new entries merged in.
//
// Line rules: bytes are taken one by one; CR is dropped, TAB becomes a blank,
// bytes from 32 up are kept, any other control byte ends the line; a line also
// ends after 513 characters (the rest starts the next line) and at the end of
// the file. Empty lines are no lines: they are neither converted nor counted.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/cache_db.h"
#include "core/cache_rec.h"
#include "core/coords.h"
#include "core/str_util.h"

namespace tv {

inline constexpr std::size_t kNationalLineMax = 513;

// Splits a byte stream fed in pieces into list lines under the rules above.
class NationalLineSplitter {
public:
    using LineFn = std::function<void(std::string_view line)>;

    explicit NationalLineSplitter(LineFn onLine) : onLine_(std::move(onLine)) {}
    void Feed(std::string_view bytes);
    // End of the stream: hands out the unfinished line.
    void Finish();

private:
    void Emit();

    LineFn onLine_;
    std::string line_;
};

// Every line of a whole text (for tests and small lists).
std::vector<std::string> SplitNationalLines(std::string_view bytes);

// Country id of the national table entry (CacheDBTable()) whose list file
// name equals `fileName` ignoring case; the last match wins; 0 when none.
std::int32_t LookupCountryByFile(std::string_view fileName);

// The question after a merge: n, the distance with one decimal and the
// bearing without decimals ('.' as decimal point).
std::string NearestQuestionText(int newCount, double distanceKm, double bearing);

// The merge's scratch file of `database` ("Caches.bin.tmp" beside
// "Caches.bin"). A conversion marks it as a write at work while it writes it
// (MarkWriteAtWork); a killed one leaves it behind.
std::string MergeScratchPath(const std::string& database);

// Result codes of ConverteHTTP besides the converted count.
inline constexpr int kConvSourceError = -1;  // the list cannot be opened
inline constexpr int kConvOutputError = -2;  // the output file cannot be created
inline constexpr int kConvReadError = -3;    // read error in the list
inline constexpr int kConvWriteError = -4;   // write error in the output file
inline constexpr int kConvMergeError = -5;   // the new caches could not be appended to the database

// What the converter reports while it works; every member may be empty.
struct NationalDbEvents {
    // The action text ("Cache-Datenbank wird eingelesen." ...).
    std::function<void(const std::string&)> action;
    // Lines (or, in the merge, records) handled so far; every 100 and at the end.
    std::function<void(int processed)> progress;
    // The nearest new cache after a merge with ShowNearest, when the user
    // asked for its details. RecNo is its position in the database.
    std::function<void(const TCacheRec&)> showDetails;
};

// The converter behind the window "Cache-DB einlesen / konvertieren".
class NationalDbConverter {
public:
    void SetSourceName(std::string path) { source_ = std::move(path); }
    void SetDestName(std::string path) { dest_ = std::move(path); }
    // Home position for the distances; ProcSettings' home when not set.
    void SetHome(LatLon home) { home_ = home; }
    NationalDbEvents& Events() { return events_; }

    // Converts the list. The number of completely converted lines, or one of
    // the negative codes above. A failure leaves the database as it was.
    // With a database present, the new caches are appended to it and, with
    // `ShowNearest`, the nearest of them is offered (Yes/No question through
    // platform::messages(), then Events().showDetails); a merge that fails
    // shows its error box and gives kConvMergeError.
    // Lines whose waypoint code is no safe code (IsSafeWaypointCode) are
    // skipped and noted in GetRefused(); they count as neither converted nor
    // failed.
    int ConverteHTTP(bool ShowNearest);

    int GetConvertedCount() const { return converted_; }
    int GetFailedCount() const { return failed_; }
    int GetIncompleteCount() const { return incomplete_; }
    const RefusedCodes& GetRefused() const { return refused_; }
    // Caches the last merge appended (0 when none or no merge ran); after a
    // failed merge, those of them still in the database.
    int GetNewCount() const { return newCount_; }
    // After kConvSourceError or kConvReadError (the list) and after
    // kConvOutputError or kConvWriteError (the output, or a database that is
    // no regular file): the file and the system's error number (0 when none
    // is known).
    const std::string& GetErrorFile() const { return errorFile_; }
    int GetErrorCode() const { return errorCode_; }

private:
    int Convert(const std::string& outPath, std::int32_t country, LatLon home,
                std::vector<TCacheIndexList::Entry>* entries);
    bool Merge(const std::string& tmpPath, LatLon home, bool showNearest);
    void Action(const std::string& text);
    void Progress(int n);

    std::string source_, dest_;
    std::optional<LatLon> home_;
    NationalDbEvents events_;
    int converted_ = 0, incomplete_ = 0, failed_ = 0, newCount_ = 0;
    RefusedCodes refused_;
    std::string errorFile_;
    int errorCode_ = 0;
};

}  // namespace tv
