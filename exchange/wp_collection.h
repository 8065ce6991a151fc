#pragma once
// The four waypoint lists of the collection window in memory: 1 work list
// "WPList.txt", 2 finds "Finds.bin", 3 ignore list "WPignore.txt", 4
// clipboard "WPclipboard.txt", plus the archived codes of "WParchived.txt"
// and a copy of the whole cache database for the name and radius searches.
// Nothing reaches the files before Save().
//
// Entries are addressed by waypoint code or by their index in the list (a
// list may hold a code twice), never by a row of a (sorted) view.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/cache_db.h"
#include "core/cache_rec.h"
#include "core/coords.h"

namespace tv {

inline constexpr int kWorkList = 1;
inline constexpr int kFoundList = 2;
inline constexpr int kIgnoreList = 3;
inline constexpr int kClipList = 4;

struct WpEntry {
    TCacheRec rec;           // rec.FoundDate: the day of the find (list 2)
    std::string storedDate;  // the date text read from Finds.bin, written back while the date is untouched
};


// File name of a list (1..4) in the work folder.
std::string_view ListFileName(int list);
// "Arbeitsliste (12 Einträge)".
std::string ListHeader(int list, int count);

// The record of a code that the database does not hold: zero bytes, the code
// cut to 16, name "?", and type "?" when it came from a list file.
TCacheRec MakeUnknownRecord(std::string_view code, bool typeQuestionMark);
// The code of a "WParchived.txt" line: the text after the last ';' when it
// starts with "GC" (case counts).
std::optional<std::string> ParseArchiveLine(std::string_view line);

// Day counts as "dd.MM.yyyy"; nothing for values outside years 1..9999.
std::optional<std::string> FormatDayDate(double dayCount);
// Strict "d.M.yyyy" (one or two digits for day and month).
std::optional<double> ParseDayDate(std::string_view text);

// ---- the list view's texts ------------------------------------------------
bool CoordsUsable(double lat, double lon);
// Distance cell: "12,3", or "" when the record has no usable coordinates.
std::string DistanceCell(const TCacheRec& rec, LatLon ref);
// Cells of one row: 9 columns, a 10th "Gefunden" for list 2.
std::vector<std::string> FormatRowCells(const TCacheRec& rec, int list, LatLon ref);
// Replaces "Ä", "Ö", "Ü" (Windows-1252) by "Ae", "Oe", "Ue".
std::string FoldUmlauts(std::string_view text);
// Three-way compare of two cells of a column (descending swaps them first).
int CompareCells(int column, std::string_view a, std::string_view b, bool descending);
// Tops of the five items of the list-button panel.
std::array<int, 5> ButtonPanelTops(int panelHeight, int buttonHeight);

// ---- adding rules -----------------------------------------------------------
enum class AddResult { Added, Refused, NeedsConfirm, Empty };

struct RadiusFilter {
    double radius = 0;  // km
    LatLon centre;
    bool filterDate = false;
    double minHidden = 0;  // day count, whole days compared
    bool filterType = false;
    std::array<bool, 10> types{};  // by cache-type number 0..9
    bool skipArchived = true;
    bool skipOldEvents = true;
    bool skipMicros = false;
    bool ignoreFinds = true;
    double today = 0;      // day count
    double foundDate = 0;  // given to entries added to the finds list
    // Distance in km, nothing when it cannot be computed (CalcDistanceBearing
    // when empty).
    std::function<std::optional<double>(LatLon, LatLon)> distance;
};


struct NameCandidate {
    std::string line;  // name + " (" + code + ")"
    std::string code;
};

// Per-list load state: a list whose file could not be read is never written
// back, so that the user's file is not replaced by what the window holds.
struct ListLoadState {
    bool complete = true;
    bool changed = false;
};

struct SaveReport {
    std::vector<std::string> failed;   // paths that could not be written
    std::vector<std::string> skipped;  // paths not rewritten because their load was incomplete
    std::vector<std::string> refused;  // those of them the user changed: the changes are not saved
    bool ok() const { return failed.empty() && refused.empty(); }
};

class WaypointCollection {
public:
    explicit WaypointCollection(CacheLookup lookup = {});

    // ---- loading and saving ---------------------------------------------
    // Reads every record of Caches.bin into the copy; `progress` gets the
    // records read so far every 100 records. An open or read error carries
    // the system's cause and ReadErrorText(path) (the records read so far
    // stay); a file that is no regular file is not read at all.
    Result<void> ReadDBCopy(const std::string& path, const std::function<void(int)>& progress = {});
    void SetDBCopy(std::vector<TCacheRec> recs) { dbCopy_ = std::move(recs); }
    const std::vector<TCacheRec>& DBCopy() const { return dbCopy_; }

    // Reads the four lists and the archived codes from the folder. Returns
    // the read errors (the system's cause and ReadErrorText(path)) of files
    // that exist but could not be read; a missing file is an empty list.
    std::vector<Error> LoadLists(const std::string& dir);
    // Backups, then the lists; a list that could not be read is skipped
    // (refused when the user changed it). A list whose backup (path + ".bk") could not be
    // written stays as it is, and the backup's path is reported as failed.
    // Modified stays true unless everything worked.
    SaveReport Save(const std::string& dir);

    // ---- state --------------------------------------------------------------
    const std::vector<WpEntry>& List(int list) const { return lists_.at(Slot(list)); }
    std::vector<WpEntry>& MutableList(int list);
    const std::vector<std::string>& ArchivedCodes() const { return archived_; }
    bool Modified() const { return modified_; }
    void SetModified(bool m) { modified_ = m; }
    const ListLoadState& LoadState(int list) const { return state_.at(Slot(list)); }
    bool IsFoundOrIgnored(std::string_view code) const;
    bool Contains(int list, std::string_view code) const;

    // ---- adding -------------------------------------------------------------
    AddResult AddByCode(std::string_view text, int list, double dtpFound, bool ignoreFinds, bool confirmedUnknown);
    std::vector<NameCandidate> NameSearchCandidates(std::string_view text, int list, bool ignoreFinds) const;
    // Adds the database records of the codes; returns how many were added.
    int AddPicked(const std::vector<std::string>& codes, int list, double dtpFound);
    int RadiusSearch(const RadiusFilter& filter, int list);
    // Codes from files: no presence check, so a code may come twice.
    int AddCodes(const std::vector<std::string>& codes, int list, bool ignoreFinds, double dtpFound);

    // ---- entry operations ---------------------------------------------------
    // Per code (first match in `from`): add to `to` unless it holds the code,
    // then remove from `from`. Returns how many entries moved or vanished.
    int MoveEntries(const std::vector<std::string>& codes, int from, int to, double dtpFound);
    // Removes one entry per given code (first match, case ignored).
    int RemoveEntries(int list, const std::vector<std::string>& codes);
    // The same by index in the list `from` (`list`): a row acts on its own
    // entry even when the list holds its code twice.
    int MoveRows(const std::vector<std::size_t>& rows, int from, int to, double dtpFound);
    int RemoveRows(int list, const std::vector<std::size_t>& rows);
    void ClearList(int list);
    int RemoveFindsAndIgnores(int list);
    int RemoveArchived(int list);
    // Finds-list entries of the codes that the database holds get the
    // database record with this found date. Returns the codes changed.
    std::vector<std::string> SetFoundDate(const std::vector<std::string>& codes, double date);
    std::vector<std::string> SetFoundDateRows(const std::vector<std::size_t>& rows, double date);
    // After an edit of the database record: the copy (which gains a new
    // cache) and every list take the new record; finds keep their date.
    void ReplaceRecordEverywhere(const TCacheRec& rec);

    bool Lookup(std::string_view code, TCacheRec& rec) const;

private:
    static std::size_t Slot(int list);
    void Changed(int list);
    std::unordered_set<std::string> KeySet(int list) const;
    bool FindsRuleOk(int list, std::string_view code, bool ignoreFinds) const;
    void ReadTextListInto(const std::string& dir, int list, bool dropRepeats, std::vector<Error>& bad);
    void ReadFinds(const std::string& dir, std::vector<Error>& bad);
    void ReadArchived(const std::string& dir, std::vector<Error>& bad);

    CacheLookup lookup_;
    std::array<std::vector<WpEntry>, 4> lists_;
    std::array<ListLoadState, 4> state_;
    std::vector<std::string> archived_;
    std::unordered_set<std::string> archivedKeys_;
    std::vector<TCacheRec> dbCopy_;
    bool modified_ = false;
};

}  // namespace tv
