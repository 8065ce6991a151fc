#pragma once
// The settings dialog without its widgets: the values of its controls as one
// struct, filling it from the settings record, checking it and taking it back
// all at once, the list of additional homes being edited, and what happens
// after the dialog closed (save, confirmation, main-window refresh).
#include <functional>
#include <string>
#include <vector>

#include "core/proc_settings.h"
#include "core/result.h"

namespace tv {

class TCacheDBTable;

// ---- update reminder -------------------------------------------------------

// Item of the reminder radio group: 7 -> 1, 14 -> 2, 28 -> 3, -1 -> 4, any
// other interval -> 0 ("einem Tag").
int IntervalToIndex(int interval);
// Back: 0 -> 1, 1 -> 7, 2 -> 14, 3 -> 28, 4 or none (-1) -> -1.
int IndexToInterval(int index);

// ---- national databases ----------------------------------------------------

// One text per table entry: the German country name (the English one when the
// table has no German name) + " (" + list file + ")".
std::vector<std::string> DatabaseListTexts(const TCacheDBTable& table);
// Index to select in the primary list: primary - 1 when it names an entry,
// the third entry (2) when primary < 1 and the table has one, else -1.
int PrimaryIndex(int primary, int count);

// ---- additional homes ------------------------------------------------------

struct HomeEntry {
    std::string lat, lon;  // fixed texts, 5 decimals, '.'
    std::string name;
};

enum class HomeEdit { Ok, NoName, NameExists, NoSelection };

// The message box text of a refused edit (empty for Ok and NoSelection).
std::string HomeEditMessage(HomeEdit result);

// The additional homes while the dialog is open. Entries keep their index;
// the list box shows them sorted by name and maps each row to its index, so
// homes of equal names stay apart. Nothing reaches the record before OK.
class HomesEditor {
public:
    HomesEditor() = default;
    explicit HomesEditor(const TProcSettings& s);

    const std::vector<HomeEntry>& Entries() const { return entries_; }
    int Count() const { return static_cast<int>(entries_.size()); }

    // A new home; its name must not be empty nor equal another's (ignoring
    // case, as the list box compares).
    HomeEdit Add(double lat, double lon, const std::string& name);
    // Overwrites entry `index`; the name must not be empty but may equal
    // another home's.
    HomeEdit Change(int index, double lat, double lon, const std::string& name);
    HomeEdit Remove(int index);

    // Entry indices in list-box order: names ignoring case, then by index.
    std::vector<int> SortedOrder() const;
    // The three lists of the record.
    void WriteTo(TProcSettings& s) const;

    // The stored text of a coordinate: fixed, 8 significant digits, 5 decimals.
    static std::string CoordText(double value);

private:
    std::vector<HomeEntry> entries_;
};

// ---- the whole dialog --------------------------------------------------------

struct SettingsFormData {
    // Pfade+Dateien
    std::string workDir, outDir, offlineCacheDir, templateFile;
    // Cache-Datenbank
    std::string dbUrl, archiveUrl;
    bool zipped = true;
    std::vector<std::string> databaseTexts;
    std::vector<bool> databaseTicked;  // one per text
    int primaryIndex = -1;             // -1: none selected
    int intervalIndex = 0;             // -1: none
    // Heimkoordinaten
    double homeLat = 0.0, homeLong = 0.0;
    HomesEditor homes;
    // Ausgabe
    std::string maxWidth;
    // Proxy
    bool useProxy = false;
    std::string proxyServer;
    bool proxyAuth = false;
    std::string proxyUser, proxyPass, updateUrl;
    // Sonstiges
    std::string username;
    bool showHints = false, showInfo = false;
    std::string xmlInit, gpxInit;
    bool memWinSize = false, memColSize = false;
};

SettingsFormData FormFromSettings(const TProcSettings& s, const TCacheDBTable& table);

enum SettingsError { kSameFolders = 1, kBadMaxWidth = 2 };

// Work and description folder name the same place (absolute, normalised,
// links resolved as far as they exist; a trailing '/' does not count).
bool SameFolder(const std::string& a, const std::string& b);
// Everything OK checks before anything is taken back.
Result<void> ValidateForm(const SettingsFormData& form);
// Checks, then takes every value back into `s`; on an error `s` is unchanged.
Result<void> ApplyForm(const SettingsFormData& form, TProcSettings& s);

// The two texts of the equal-folders rule (the folder buttons warn, OK refuses).
std::string SameFoldersWarning();
std::string SameFoldersError();

// ---- after the dialog closed ---------------------------------------------------

struct SettingsCommandHooks {
    // Client width of the main list, for LoadProcSettings on Cancel.
    std::function<int()> listClientWidth;
    // Re-selects the current home in the home selector (an index beyond the
    // new list must fall back to the primary home) and refreshes distances.
    std::function<void()> reselectHome;
    std::function<void()> rebuildTree;
    std::function<void()> applyShowHints;
};

enum class SettingsOutcome { Cancelled, Refused, Saved, SaveFailed };

// How the last settings command ended (noted by FinishSettingsCommand).
SettingsOutcome LastSettingsOutcome();
void NoteSettingsOutcome(SettingsOutcome outcome);

// `confirmed` is the form the user closed with OK, or null for Cancel.
// Cancel: the record is read back from tq.conf (kept as it is while no tq.conf
// of an earlier run exists: the first start's values) and SettingsConfirmed cleared.
// OK: the form is taken back and saved; only a successful save sets
// SettingsConfirmed (the first start repeats the dialog until then) and, with
// ShowMessages, says "Geänderte Konfiguration wurde gespeichert". Then the
// home is re-selected and the tree rebuilt. The tooltips are applied on both
// paths. Returns SettingsConfirmed.
bool FinishSettingsCommand(const SettingsFormData* confirmed, const SettingsCommandHooks& hooks);

}  // namespace tv
