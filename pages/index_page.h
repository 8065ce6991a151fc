#pragma once
// The index page of a description folder: one HTML page linking the
// converted descriptions ("<WP>_converted.html") of the folder, either as a
// bare list for small handheld screens or as a table with chosen columns,
// sorted by one of eight keys.
//
// Every text taken from the database or the settings is HTML-escaped; the
// page is Windows-1252 (declared iso-8859-1) with CR LF line ends and is
// written through a temporary file.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/cache_rec.h"
#include "core/coords.h"
#include "core/proc_settings.h"
#include "core/result.h"
#include "platform/services.h"

namespace tv {

inline constexpr std::string_view kIndexFileName = "index.html";
inline constexpr std::string_view kConvertedSuffix = "_converted.html";

// Items of the sort choice, in the order the window offers them.
enum IndexSort : int {
    kSortWaypoint = 0,
    kSortHidden = 1,
    kSortCoords = 2,
    kSortDistance = 3,
    kSortName = 4,
    kSortType = 5,
    kSortDT = 6,
    kSortSize = 7,
};
inline constexpr int kIndexSortCount = 8;

// The window's options (settings keys "Idx...").
struct IndexOptions {
    bool saveOptions = true;   // cbSaveOptions  IdxSaveOpts
    bool pocketPC = false;     // cbSparversion  IdxPPC
    bool hidden = true;        // cbHidden       IdxOOHidden
    bool coords = true;        // cbKoord        IdxOOCoord
    bool distance = true;      // cbDistance     IdxOODistance
    bool name = true;          // cbName         IdxOOName
    bool type = true;          // cbType         IdxOOType
    bool dt = true;            // cbDT           IdxOODT
    bool size = true;          // cbSize         IdxOOSize
    bool showAfter = true;     // cbShow         IdxShowImmediate
    int sort = kSortDistance;  // rgSort         IdxSortOrder
    int which = 1;             // rgWhich        IdxAddWhich: 0 work-list caches only, 1 all
    bool descending = false;   // rgAscDesc      IdxAscDesc
    int home = 0;              // cbHome         IdxHome: 0 the home, k the additional home k
    std::string fileName;      // edIndexFilename IdxFilename

    friend bool operator==(const IndexOptions&, const IndexOptions&) = default;
};

// Reads the options from section "Program" of tq.conf. "IdxSaveOpts" is always
// read (missing: true); the others only while it is on, each keeping its
// value in `o` when missing; "IdxAddWhich" only without a folder override.
// Items out of range fall back to their first item.
void ReadIndexOptions(IndexOptions& o, bool folderOverride);
// Writes "IdxSaveOpts" and, while it is on, the others (in one rewrite of the
// file); "IdxAddWhich" and "IdxFilename" only without a folder override.
bool WriteIndexOptions(const IndexOptions& o, bool folderOverride);

// The home the distances are measured from.
struct IndexHome {
    std::string name;             // "HOME" or the additional home's name (settings text)
    std::optional<LatLon> where;  // none: the additional home's coordinates are no numbers
    bool additional = false;      // an additional home (item > 0)
};
// The home of item `item` of the home choice: 0 (or an item beyond the homes
// present) the settings' home "HOME", k the additional home k - 1 with its
// coordinates read with '.'.
IndexHome IndexHomeFor(const TProcSettings& settings, int item);
// The names of the home choice: "HOME" and the additional homes' names.
std::vector<std::string> HomeChoiceNames(const TProcSettings& settings);

// Waypoint codes of the converted pages "GC*_converted.html" in `folder`
// (ignoring case): each file name cut before its first '_', in name order
// (ignoring case), each code once.
std::vector<std::string> ListConvertedCodes(const std::string& folder);

// One table row, the values of one cache.
struct IndexRow {
    std::string code;      // as the file is named
    std::string name;      // database name (plain text)
    std::string hidden;    // "dd.mm.yyyy"
    std::string coords;    // FormatCoord
    std::string distance;  // "12.3km NNE", "?" when it cannot be computed
    std::string type;
    std::string size;  // "?" when empty
    std::string dt;    // "2.5 / 3", a "0.0" shown as "0"
    double km = 0.0;   // sort key; kNoDistanceKm when unknown
    double day = 0.0;  // hidden date as a whole day number, sort key
};
inline constexpr double kNoDistanceKm = 99999.0;

IndexRow MakeIndexRow(std::string_view code, const TCacheRec& rec, const IndexHome& home);

// Sorts the rows ascending by the key of the sort item, stably (rows with
// equal keys keep their order). Text keys compare ignoring case through the
// Windows-1252 table; hidden date and distance compare as numbers.
void SortIndexRows(std::vector<IndexRow>& rows, int sortItem);

// Work-list filter: the codes of "WPList.txt", compared ignoring case.
class WorkListFilter {
public:
    WorkListFilter() = default;
    explicit WorkListFilter(const std::vector<std::string>& lines);
    bool Contains(std::string_view code) const;

private:
    std::vector<std::string> codes_;  // upper-cased, sorted
};

// Reads the work list once for a page. A file that cannot be read shows the
// error box "Fehler beim Lesen der Datei " + path once and gives an empty list.
WorkListFilter ReadIndexWorkList(const std::string& workListPath);

struct IndexPageParams {
    std::vector<std::string> codes;  // the folder's converted pages (ListConvertedCodes)
    IndexOptions options;
    IndexHome home;
    WorkListFilter workList;  // used while options.which == 0
    // Database look-up; FindCacheByWaypoint when empty.
    std::function<bool(std::string_view code, TCacheRec& rec)> findCache;
};

// The page of the parameters, every line ended by CR LF.
std::string RenderIndexPage(const IndexPageParams& params);
// The table rows of the parameters in the order written (filtered, sorted,
// reversed when descending): caches missing from the database have no row.
std::vector<IndexRow> IndexTableRows(const IndexPageParams& params);

// Writes the page atomically. The error (the old file kept) when `path` is a
// file of the program in `workDir` or the program folder (ProgramFileRefusal,
// nothing written) or cannot be written (errno, WriteErrorText).
Result<void> WriteIndexPage(const std::string& path, const std::string& workDir, const IndexPageParams& params);

// ---- texts of the window ------------------------------------------------------------

// "Das Ausgabeverzeichnis \"" + folder + "\" enthält keine konvertierten Cachebeschreibungen!"
std::string NoConvertedPagesText(std::string_view folder);
// "Das Ausgabeverzeichnis enthält " + count + " konvertierte Cachebeschreibungen."
std::string ConvertedCountText(std::size_t count);
// "Letztes Änderungsdatum der Indexdatei: dd. MM. yyyy", or "Eine Indexdatei
// ist bislang nicht vorhanden." without a file.
std::string IndexDateText(const std::optional<platform::DateTime>& fileTime);
// The question when the index file is to go into another folder than the
// pages it links (`folder` ends in '/').
std::string OtherFolderQuestion(std::string_view folder);
// Whether `file` lies directly in `folder`, comparing the real folders
// (links and "." / ".." resolved); a name without a folder lies in `folder`.
bool IsInFolder(const std::string& file, const std::string& folder);
// `file`, or folder + file when it names no folder.
std::string IndexFilePath(const std::string& file, const std::string& folder);

}  // namespace tv
