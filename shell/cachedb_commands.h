#pragma once
// The main window's commands around the national cache databases: download
// (plain or zipped) and conversion of the primary and the further lists,
// conversion of local lists, the validity check of "Caches.bin" at start, the
// status-bar text, the archive-list download and the update check.
//
// Windows come in through CacheDbHooks (the window glue in shell/ui fills
// them); the defaults run the same work without windows: downloads through
// the HTTP client with the wait window as progress, conversion through
// NationalDbConverter, the archive list through UrlLoader. Boxes go through
// platform::messages(), the hourglass through platform::pump().
//
// A failed download, a damaged archive or an archive without the expected
// list stops the command before anything is converted, so the database stays
// as it was. A ZIP is unpacked into a temporary folder and only the entry
// named like the list (top level, any letter case) is taken from it.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/cache_rec.h"
#include "core/str_util.h"

namespace tv {

class NationalDbConverter;

// ---- Pure rules ------------------------------------------------------------

// Whether the first record of "Caches.bin" belongs to a database of this
// program: latitude in -90..90, longitude in -180..180, not both 0, country id
// below 999, the code (upper-cased) starting with "GC".
bool IsValidFirstRecord(const TCacheRec& rec);

// "dd.mm.yyyy" -> yyyymmdd from characters 7-10, 4-5 and 1-2; 0 when that
// text is not a number ("1.1.2008", "", "xx.yy.zzzz").
int ParseDateToNumber(std::string_view text);

enum class VersionVerdict { UpToDate, InstalledNewer, Outdated };
// Against the program's own version and date (program_version.h).
VersionVerdict CompareWithOwnVersion(std::string_view version, std::string_view date);
// The box text of a verdict.
std::string VersionVerdictText(VersionVerdict verdict, std::string_view version, std::string_view date);

// base + name, plus ".zip" when zipped (base is used as it is: it ends in '/').
std::string DbListUrl(std::string_view base, std::string_view name, bool zipped);

// Part of the status bar for one file: its date and number of entries.
struct DbFileState {
    int day = 0, month = 0, year = 0;  // local modification date
    long long entries = 0;
};
// "Stand der Cache-DB: dd.MM.yyyy, n Einträge." or "Keine Cache-DB gefunden.",
// a blank, and the same for the archive list.
std::string StatusBarText(const std::optional<DbFileState>& db, const std::optional<DbFileState>& archive);
// Reads the two files of the work folder, reloads ArchiveList from
// "WParchived.txt" when it exists, and returns the status-bar text.
std::string ReadStatusBarText();

// The texts shown by the commands (Windows-1252).
std::string ListNotFoundText(const std::string& path);
// The program has no download server of its own: without an address in the
// settings the commands say which one is missing and where it is entered.
std::string NoCacheDBUrlText();
std::string NoArchiveUrlText();
std::string NoUpdateUrlText();
std::string InvalidDatabaseQuestion();

// Checks the first record of GetWorkDir() + "Caches.bin". Invalid (also a
// file shorter than one record): asks whether to delete the file and deletes
// it on Yes; false. A file that cannot be opened or read: false without a
// question, so that a database that is merely locked is never offered for
// deletion.
bool CheckCacheDBVersion();

// ---- Commands --------------------------------------------------------------

struct ConvertOutcome {
    int result = 0;  // converted lines, or -1..-5 (national_db.h)
    int failed = 0;
    int incomplete = 0;
    int newCount = 0;
    RefusedCodes refused;   // lines skipped for their waypoint code
    int errorCode = 0;      // after a failed output file: the system's error number
    std::string errorFile;  // and that file
};
// The outcome of a conversion that gave `result`.
ConvertOutcome OutcomeOf(int result, const NationalDbConverter& converter);

// name + ":" CR LF + r + " Datensätze wurden konvertiert" and, when there are
// any, the lines for failed records, for lines refused for their code
// (RefusedCodes::Text) and for incomplete records.
std::string ConvertReportText(std::string_view name, const ConvertOutcome& o);
// The error box after a negative result: a failed merge says so and how many
// new caches stayed in the database; a failed output file is named with the
// system's cause; else "Fehler #" + r + " bei der Verarbeitung.".
std::string ConvertErrorText(std::string_view name, const ConvertOutcome& o);

struct DownloadRequest {
    std::string url;
    std::string dest;
    std::string task;     // "Lade Cache-DB", "Updateverfügbarkeit"
    std::string content;  // "Die Cache-Datenbank wird vom Internet geladen..." ...
    bool noWarning = false;
};

struct CacheDbHooks {
    // Downloads into req.dest (replaced only on success). A failure is
    // reported by the hook itself; false then.
    std::function<bool(const DownloadRequest& req)> download;
    // One conversion of `source` into `dest` (the converter window).
    std::function<ConvertOutcome(const std::string& source, const std::string& dest, bool showNearest)> convert;
    // Fetches the archive list into `dest` (proxy from the settings); the line
    // count, or nothing after a failure (which the hook has reported).
    std::function<std::optional<int>(const std::string& url, const std::string& dest)> loadArchiveList;
    // Panel 0 of the main window's status bar.
    std::function<void(const std::string& text)> setStatusText;
};

// Hooks without windows (see the top of this file); setStatusText is empty.
CacheDbHooks DefaultCacheDbHooks();

class CacheDbCommands {
public:
    // Missing hooks are taken from DefaultCacheDbHooks().
    explicit CacheDbCommands(CacheDbHooks hooks = {});

    // Converts GetWorkDir() + name into "Caches.bin" (mode 1: the primary
    // list, which offers the nearest new cache; 0: a further one). Reports as
    // the settings ask; returns the number of new caches.
    int ConvertCacheDB(const std::string& name, int mode, bool report);
    // Writes the status-bar text through the hook and returns it.
    std::string UpdateStatusBar();

    // Menu commands. The downloads and the update check take their addresses
    // from the settings ("CacheDBUrl", "ArchiveUrl", "UpdateURL"); an empty one
    // is reported and nothing is contacted.
    void DownloadPrimaryCacheDB();       // "Primäre Cache-DB laden und konvertieren"
    void DownloadAdditionalCacheDBs();
    void ConvertLocalPrimaryCacheDB();
    void ConvertLocalAdditionalCacheDBs();
    void DownloadArchiveList();
    void CheckForUpdate();

private:
    enum class Fetch { Ok, DownloadFailed, Failed };
    Fetch FetchList(const std::string& name, bool noWarning);
    bool ExtractList(const std::string& archive, const std::string& name);
    void ConvertFurther(const std::vector<int>& entries);
    void RebuildIndex();

    CacheDbHooks hooks_;
};

}  // namespace tv
