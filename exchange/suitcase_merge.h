#pragma once
// Taking a suitcase into this PC's stores: the cache database, work and
// ignore lists, finds, personal notes and the stored pages. Each store is
// rewritten through a temporary file, so a merge that fails keeps the old
// file; nothing outside the description folder is ever written from a page
// entry.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/cache_rec.h"
#include "core/result.h"
#include "core/str_util.h"
#include "exchange/suitcase_format.h"

namespace tv {

// ---- the single merges (pure) -----------------------------------------------------------

struct CacheMergeResult {
    std::vector<CacheRecBytes> records;  // sorted by upper-cased waypoint code
    int added = 0, changed = 0, discarded = 0;
    std::vector<std::string> newCodes;
};
// A merge of both lists sorted by code: equal codes take the suitcase record
// (counted changed) or, with `keepLocal`, the local one (suitcase counted
// discarded); codes only in the suitcase are new. A code the suitcase holds
// twice is taken once, as its first record.
CacheMergeResult MergeCacheDb(std::vector<CacheRecBytes> local, std::vector<CacheRecBytes> suitcase, bool keepLocal);

struct CodeListMergeResult {
    std::vector<std::string> lines;
    int added = 0, present = 0;
};
// Appends each suitcase entry the list does not hold yet (case ignored, also
// against entries appended before); empty entries and entries with control
// characters are left out.
CodeListMergeResult MergeCodeList(std::vector<std::string> local, const std::vector<std::string>& suitcase);

enum class FindsPolicy { TakeSuitcase = 0, NewerDate = 1, KeepLocal = 2 };
struct FindsMergeResult {
    std::vector<TFoundRec> records;
    int added = 0, updated = 0;
};
// Local records in file order, each matched by code (case ignored) against
// the suitcase finds; unmatched suitcase finds are appended. With NewerDate
// the suitcase record wins unless the local "dd.MM.yyyy" date is later; a
// local date that is no date loses, a suitcase date that is no date loses.
// A code the suitcase holds twice is taken once, as its first record.
FindsMergeResult MergeFinds(const std::vector<TFoundRec>& local, std::vector<TFoundRec> suitcase, FindsPolicy policy);

enum class NotesPolicy { TakeSuitcase = 0, Both = 1, Ask = 2, KeepLocal = 3 };
inline constexpr const char* kLocalNotesHeader = "*** Lokal vorhandene Informationen: ***";
inline constexpr const char* kSuitcaseNotesHeader = "*** Aus Aktenkoffer importierte Informationen: ***";
// Edits the combined text of one cache (Ask); returns the lines to keep.
using NotesMixer = std::function<std::vector<std::string>(const std::string& waypoint, std::vector<std::string> lines)>;
// What a notes merge changed: caches whose notes came only from the
// suitcase, and caches on both sides whose local notes now read otherwise.
struct NotesMergeCounts {
    int added = 0, changed = 0;
};
// The lines of the new Persinfo.txt from the local file's text and the
// suitcase's note lines; `counts`, when given, gets what changed.
std::vector<std::string> MergeNotes(const std::string& localText, std::vector<std::string> suitcase, NotesPolicy policy,
                                    const NotesMixer& mixer, NotesMergeCounts* counts = nullptr);

// ---- page entries ---------------------------------------------------------------------

enum class PagePolicy { Replace = 0, ReplaceIfNewer = 1, KeepLocal = 2 };

// Whether a carried waypoint may name files: "GC" and ASCII letters or
// digits, at most 12 characters.
bool IsCarriedWaypoint(const std::string& waypoint);
// The file name a carried map or picture is written under: the name without
// any folder part, when it is one the packing side makes: the page's
// waypoint, "_", letters and digits, and a picture extension (jpg, jpeg, gif,
// png, bmp; any case). Else "": the file is not written.
std::string CarriedFileName(const std::string& waypoint, const std::string& carried);

struct PageEntriesResult {
    int added = 0, replaced = 0, discarded = 0;
    int filesSkipped = 0;  // maps and pictures under other names
    std::vector<std::string> taken, skipped;
    std::optional<StreamError> error;  // the run stopped at it
};
// Takes the page entries of an opened suitcase into `outDir`: all of them
// are written into a staging folder first and moved in only when every one
// arrived whole; on an error nothing has changed. A page carried twice
// arrives once. `log` gets the debug lines.
PageEntriesResult ProcessPageEntries(SuitcaseReader& reader, const std::string& outDir, PagePolicy policy,
                                     const std::function<void(const std::string&)>& log = {},
                                     const std::function<void(int done)>& step = {});

// Removes the staging folders a merge into `outDir` killed before its end
// left behind. A merge marks its staging folder as a write at work
// (MarkWriteAtWork) while it runs; that folder stays.
void RemoveLeftoverSuitcaseStaging(const std::string& outDir);

// ---- the whole commit -------------------------------------------------------------------

struct SuitcaseCommitParams {
    std::string workDir, outDir;
    bool getDb = false, getWorkList = false, getFinds = false, getIgnoreList = false, getNotes = false,
         getPages = false;
    bool keepLocalDb = true;    // rgImpDB item 1
    bool saveNewCodes = false;  // cbAddNewDBRecsToCliplist
    std::string newCodesFile;   // paFilename
    FindsPolicy finds = FindsPolicy::NewerDate;
    NotesPolicy notes = NotesPolicy::KeepLocal;
    PagePolicy pages = PagePolicy::ReplaceIfNewer;
    bool insertWorkList = false;  // cbInsertWorklist
    NotesMixer mixer;
    std::function<void(const std::string& action)> action;
    std::function<void(const std::string&)> log;
    std::function<void(int entriesDone)> step;  // per page entry
};

struct SuitcaseCommitResult {
    int wlAdded = 0, wlPresent = 0, ilAdded = 0, ilPresent = 0;
    int dbAdded = 0, dbChanged = 0, dbDiscarded = 0;
    int findsAdded = 0, findsUpdated = 0;
    int notesAdded = 0, notesChanged = 0;
    int pagesAdded = 0, pagesReplaced = 0, pagesDiscarded = 0;
    int filesSkipped = 0;  // carried maps and pictures under names the packing side never makes
    // Carried records and list entries whose code is no safe waypoint code:
    // how many were left out, and each code once.
    RefusedCodes refused;
    std::vector<std::string> taken, skipped;
    bool pagesStopped = false;        // a stream error ended the page run
    bool newCodesRefused = false;     // the list of new codes names a file of the program: nothing was done
    std::vector<std::string> errors;  // texts for the error box, in order
};

// Merges what `params` asks for. Everything is read and checked first: the
// pages go into a staging folder, the new contents of the stores into
// temporary files; only then the pages move in and each store is replaced.
// A failure before that leaves every file as it was (errors say why). The
// database is merged against Caches.bin as it is then, holding the folder's
// write lock until it is replaced and indexed. `localDb` is the local
// database as read when the window opened; when it could not be read, or
// cannot be read now, a merge that asks for the database stops with that
// read error before anything is written. Codes that are no safe waypoint codes
// are left out of every store and counted. A list of new codes named after a
// file of the program (ProgramFileRefusal) or after a page, .meta or picture
// the suitcase brings is refused before anything is read or written.
SuitcaseCommitResult CommitSuitcase(SuitcaseReader& reader, const Result<std::vector<CacheRecBytes>>& localDb,
                                    const SuitcaseCommitParams& params);

// The result box's text.
std::string CommitResultText(const SuitcaseCommitResult& r, bool findsChecked, bool pagesChecked);

// The summary window's lines: "WP: name" (cut to 138) of the taken pages, or
// the marker for none, then the discarded ones.
std::vector<std::string> SuitcaseSummaryLines(const std::vector<std::string>& taken,
                                              const std::vector<std::string>& skipped,
                                              const std::function<std::string(const std::string&)>& cacheName);

// The local database's records (none when it is missing); when it exists
// but cannot be read, the error with the system's cause and the text
// "Fehler beim Lesen der Datei " + its path, formatted for the error box.
Result<std::vector<CacheRecBytes>> ReadLocalCacheDb(const std::string& workDir);

}  // namespace tv
