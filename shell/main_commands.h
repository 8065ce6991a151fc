#pragma once
// The main window's commands without the window: the text lists of the work
// folder, marking rows by the work, finds and ignore lists, moving and
// deleting the files of caches, the folder commands (new, empty, tidy up,
// originals into the work list), "dirlist.txt", the reload of marked caches,
// the debug switch and the index rebuild. Texts are Windows-1252.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/result.h"
#include "platform/services.h"

namespace tv {

// ---- text lists in the work folder ------------------------------------------

// One spelling each; readers also find a file whose name differs in case
// only ("WPlist.txt").
inline constexpr std::string_view kWorkListFile = "WPList.txt";
inline constexpr std::string_view kIgnoreListFile = "WPignore.txt";
inline constexpr std::string_view kClipboardListFile = "WPclipboard.txt";
inline constexpr std::string_view kNewListFile = "WPnew.txt";
inline constexpr std::string_view kArchivedListFile = "WParchived.txt";
inline constexpr std::string_view kDirListFile = "dirlist.txt";

// Reads the lines as they are (LF or CR LF), the file found ignoring case;
// a missing list is the error ENOENT, as any other cause the system gives.
Result<std::vector<std::string>> ReadWorkDirList(const std::string& workDir, std::string_view name);
// Writes workDir + name (this exact spelling), every line ended by CR LF,
// through a temporary file; false (old file kept) on failure.
bool WriteWorkDirList(const std::string& workDir, std::string_view name, const std::vector<std::string>& lines);
// A list that could not be read: its "Fehler beim Lesen der Datei " + path
// in the error box, with the system's cause.
void ShowListReadError(const Error& error);

// ---- marking ---------------------------------------------------------------

// One flag per caption: a line counts when it is not empty and its first two
// characters, upper-cased, are "GC"; it marks the captions equal to it exactly.
std::vector<bool> MarkByWorkList(const std::vector<std::string>& lines, const std::vector<std::string>& captions);

// Waypoint codes of "Finds.bin" in the work folder (440-byte records, file
// order); the read error (ENOENT for a missing file) with the system's cause.
Result<std::vector<std::string>> ReadFindCodes(const std::string& workDir);

// Marks the captions equal to a find's code (exactly) and those the ignore
// list holds (ignoring case). The progress bar runs over the finds, then its
// maximum becomes the ignore list's length; the event pump runs meanwhile.
std::vector<bool> MarkByExcludeLists(const std::vector<std::string>& findCodes,
                                     const std::vector<std::string>& ignoreLines,
                                     const std::vector<std::string>& captions, platform::IProgress& progress,
                                     platform::IEventPump& pump);

// ---- folders of the description folder ----------------------------------------

// The folder a tree node stands for: `outDir` for the root (nodeName empty),
// else outDir + nodeName + "/". Nothing when the name is not one plain folder
// name (no '/', not "." or ".."), so no node leads out of the folder.
std::optional<std::string> NodeFolder(const std::string& outDir, std::string_view nodeName);

// The files of one cache in `folder` (names only): code + ".html" and
// code + ".meta" (matched ignoring case) and every file whose name starts
// with code + "_" (ignoring case; pictures, map pictures, converted page).
struct CacheFileSet {
    std::optional<std::string> html;
    std::optional<std::string> meta;
    std::vector<std::string> parts;  // code + "_..."
};
CacheFileSet FindCacheFiles(const std::string& folder, std::string_view code);

// The same look-up for many codes over one listing of the folder.
class CacheFileIndex {
public:
    explicit CacheFileIndex(std::string folder);
    CacheFileSet Find(std::string_view code) const;

private:
    struct Names {
        std::vector<std::string> html, meta, parts;
    };
    std::string folder_;
    std::unordered_map<std::string, Names> byCode_;  // upper-cased code
};
// A code that can name files of a cache: not empty, no '/' and no NUL.
bool IsUsableCode(std::string_view code);

// ---- move ------------------------------------------------------------------

struct MoveResult {
    int caches = 0;
    int moved = 0;   // ".html" and "_" files copied and removed ( ".meta" not counted)
    int failed = 0;  // files that could not be copied; they stay where they are
};
// Copies each cache's files to `to` and removes the sources of successful
// copies. A source that is missing counts neither as moved nor as failed.
// The wait window shows "Verschiebe Dateien..." with one step per cache.
MoveResult MoveCaches(const std::vector<std::string>& codes, const std::string& from, const std::string& to,
                      platform::IProgress& progress, platform::IEventPump& pump);
std::string MoveReportText(const MoveResult& r, const std::string& from, const std::string& to);
std::string SameFolderMoveText();

// ---- delete ----------------------------------------------------------------

struct DeleteResult {
    int caches = 0;
    int files = 0;             // files actually removed
    int failed = 0;            // files that stayed (read-only folder, ...)
    std::string firstFailure;  // the first of them
};
std::string DeleteQuestionText();
DeleteResult DeleteCaches(const std::vector<std::string>& codes, const std::string& folder);
// n + " Cache gelöscht (" (one) or " Caches gelöscht (" + files + " Dateien insgesamt)",
// then the files that could not be removed, if any.
std::string DeleteReportText(const DeleteResult& r);

// ---- folder pop-up -----------------------------------------------------------

// Creates outDir + name after checking the whole name (IsValidFolderName);
// 0 or the system's error number (EINVAL for a refused name).
int CreateNewFolder(const std::string& outDir, std::string_view name);
inline constexpr std::string_view kNewFolderErrorText = "Fehler beim Anlegen des Verzeichnisses";

std::string EmptyFolderQuestionText(const std::string& folder);

std::string CleanupQuestionText(const std::string& folder);
// Deletes "GC????.htm*", "GC?????.htm*" and "*.meta" (DOS masks, case
// ignored); the number of files removed.
int CleanupFolder(const std::string& folder);
std::string CleanupReportText(int files, const std::string& folder);

std::string OriginalsQuestionText();
struct OriginalsResult {
    int added = 0;
    bool saved = false;
    Error readError;  // code != 0: the work list to keep could not be read; nothing was written
};
// The codes of the folder's "GC*.html" files without '_' (name up to its
// first '.'), in name order, that `inDatabase` knows and the list lacks
// (ignoring case), appended to the work list (its lines first when `keep`,
// else an empty list); the list is saved as "WPList.txt". With `keep` a
// missing work list is an empty one; one that cannot be read is left alone.
OriginalsResult OriginalsToWorkList(const std::string& folder, bool keep, const std::string& workDir,
                                    const std::function<bool(const std::string& code)>& inDatabase);
std::string OriginalsReportText(int added);

// ---- list of the rows ----------------------------------------------------------

// Rewrites workDir + "dirlist.txt" with the captions in list order.
bool WriteDirList(const std::string& workDir, const std::vector<std::string>& captions);

// ---- reload of marked caches ------------------------------------------------------

std::string ReloadQuestionText(std::size_t marked);
struct ReloadPlan {
    std::vector<std::string> handOver;  // the loader's hand-over list
    bool saveWorkList = false;          // after the loader closed
    std::vector<std::string> workList;  // the work list to save then
    Error readError;                    // code != 0: the work list could not be read; nothing to do
};
// The marked codes for the loader; with `addToWorkList` also the work list
// with each marked code it lacks (ignoring case) appended (a missing list is
// an empty one; one that cannot be read gives readError).
ReloadPlan PlanReloadMarked(const std::vector<std::string>& marked, bool addToWorkList, const std::string& workDir);

// ---- small commands ------------------------------------------------------------

// Switches DebugMode and logs the switch (with the version lines when on).
void SetDebugMode(bool on);
// Rebuilds Caches.idx and loads it; the error text, or "" when it worked.
std::string RebuildIndex();

}  // namespace tv
