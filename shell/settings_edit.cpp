#include "shell/settings_edit.h"

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <system_error>

#include "core/app_paths.h"
#include "core/cachedb_table.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/number_format.h"
#include "core/settings_file.h"
#include "core/str_util.h"
#include "core/work_lock.h"
#include "platform/services.h"
#include "platform/text_encoding.h"

namespace tv {

using platform::MsgButtons;
using platform::MsgKind;

// ---- update reminder -------------------------------------------------------

namespace {
// One table for both directions: radio item -> interval in days.
constexpr int kIntervals[] = {1, 7, 14, 28, -1};
}  // namespace

int IntervalToIndex(int interval) {
    for (int i = 1; i < 5; ++i)
        if (kIntervals[i] == interval) return i;
    return 0;
}

int IndexToInterval(int index) { return index >= 0 && index < 5 ? kIntervals[index] : -1; }

// ---- national databases ----------------------------------------------------

std::vector<std::string> DatabaseListTexts(const TCacheDBTable& table) {
    std::vector<std::string> texts;
    // The German name is the one shown to the user; the English one only
    // stands in when the table has none.
    for (const TCacheDBEntry& e : table.Entries())
        texts.push_back((e.CountryNameDE.empty() ? e.CountryName : e.CountryNameDE) + " (" + e.FileName + ")");
    return texts;
}

int PrimaryIndex(int primary, int count) {
    if (primary >= 1 && primary <= count) return primary - 1;
    if (primary < 1 && count > 2) return 2;
    return -1;
}

// ---- additional homes ------------------------------------------------------

std::string HomeEditMessage(HomeEdit result) {
    switch (result) {
        case HomeEdit::NoName:
            return W("Kein Name für das Koordinatenpaar angegeben - Eingabe wird verworfen!");
        case HomeEdit::NameExists:
            return W("Der vergebene Name für das Koordinatenpaar existiert schon - Eingabe wird verworfen!");
        default:
            return {};
    }
}

HomesEditor::HomesEditor(const TProcSettings& s) {
    for (size_t i = 0; i < s.AddHomeTxt.size(); ++i)
        entries_.push_back({i < s.AddHomeLat.size() ? s.AddHomeLat[i] : CoordText(0),
                            i < s.AddHomeLon.size() ? s.AddHomeLon[i] : CoordText(0), s.AddHomeTxt[i]});
}

std::string HomesEditor::CoordText(double value) { return FormatFixed(value, 8, 5, '.'); }

HomeEdit HomesEditor::Add(double lat, double lon, const std::string& name) {
    if (name.empty()) return HomeEdit::NoName;
    for (const HomeEntry& e : entries_)
        if (SameTextCp1252(e.name, name)) return HomeEdit::NameExists;
    entries_.push_back({CoordText(lat), CoordText(lon), name});
    return HomeEdit::Ok;
}

HomeEdit HomesEditor::Change(int index, double lat, double lon, const std::string& name) {
    if (index < 0 || index >= Count()) return HomeEdit::NoSelection;
    if (name.empty()) return HomeEdit::NoName;
    entries_[static_cast<size_t>(index)] = {CoordText(lat), CoordText(lon), name};
    return HomeEdit::Ok;
}

HomeEdit HomesEditor::Remove(int index) {
    if (index < 0 || index >= Count()) return HomeEdit::NoSelection;
    entries_.erase(entries_.begin() + index);
    return HomeEdit::Ok;
}

std::vector<int> HomesEditor::SortedOrder() const {
    std::vector<int> order(entries_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return CompareTextCp1252(entries_[static_cast<size_t>(a)].name, entries_[static_cast<size_t>(b)].name) < 0;
    });
    return order;
}

void HomesEditor::WriteTo(TProcSettings& s) const {
    s.AddHomeLat.clear();
    s.AddHomeLon.clear();
    s.AddHomeTxt.clear();
    for (const HomeEntry& e : entries_) {
        s.AddHomeLat.push_back(e.lat);
        s.AddHomeLon.push_back(e.lon);
        s.AddHomeTxt.push_back(e.name);
    }
}

// ---- the whole dialog --------------------------------------------------------

SettingsFormData FormFromSettings(const TProcSettings& s, const TCacheDBTable& table) {
    SettingsFormData f;
    f.workDir = s.WorkDir;
    f.outDir = s.OutDir;
    f.offlineCacheDir = s.OfflineCacheDir;
    f.templateFile = s.Template;
    f.dbUrl = s.CacheDBUrl;
    f.archiveUrl = s.ArchiveUrl;
    f.zipped = s.UseZippedDB;
    f.databaseTexts = DatabaseListTexts(table);
    for (int k = 1; k <= table.Count(); ++k)
        f.databaseTicked.push_back(k <= 50 && s.UseCacheDB[static_cast<size_t>(k - 1)] > 0);
    f.primaryIndex = PrimaryIndex(s.CacheDBPrimary, table.Count());
    f.intervalIndex = IntervalToIndex(s.DBAutoloadInterval);
    f.homeLat = s.HomeLat;
    f.homeLong = s.HomeLong;
    f.homes = HomesEditor(s);
    f.maxWidth = std::to_string(s.HTMLMaxWidth);
    f.useProxy = s.UseProxy;
    f.proxyServer = s.ProxyServer;
    f.proxyAuth = s.ProxyAuth;
    f.proxyUser = s.ProxyUser;
    f.proxyPass = s.ProxyPass;
    f.updateUrl = s.UpdateURL;
    f.username = s.Username;
    f.showHints = s.ShowTooltips;
    f.showInfo = s.ShowMessages;
    f.xmlInit = s.GPX_XMLInit;
    f.gpxInit = s.GPX_GPXInit;
    f.memWinSize = s.Main_MemWinSize;
    f.memColSize = s.Main_MemColSize;
    return f;
}

namespace {

std::filesystem::path Normalised(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p = fs::absolute(FsPath(folder), ec);
    if (ec) p = FsPath(folder);
    fs::path canonical = fs::weakly_canonical(p, ec);
    p = (ec ? p : canonical).lexically_normal();
    // "/a/b/" and "/a/b" name one folder.
    return fs::path(WithoutTrailingSlash(p.string()));
}

std::string EqualFoldersRest() {
    return W(
        " Das Ausgabe- und das Arbeitsverzeichnis sind gleich. Dies kann zu unerwarteten Effekten beim Arbeiten "
        "mit dem Programm führen.\r\nUm dies zu vermeiden, kann der Einstellungs-Dialog erst dann mit OK beendet "
        "werden, wenn unterschiedliche Ausgabe- und Arbeitsverzeichnisse ausgewählt wurden.");
}

std::optional<int> ParseWidth(const std::string& text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    for (const char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    return ParseInt(text);
}

}  // namespace

bool SameFolder(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return a == b;
    return Normalised(a) == Normalised(b);
}

std::string SameFoldersWarning() { return W("Warnung!") + EqualFoldersRest(); }
std::string SameFoldersError() { return W("Fehler!") + EqualFoldersRest(); }

Result<void> ValidateForm(const SettingsFormData& form) {
    if (SameFolder(form.workDir, form.outDir)) return Error{kSameFolders, SameFoldersError()};
    if (!ParseWidth(form.maxWidth))
        return Error{kBadMaxWidth, "'" + form.maxWidth + W("' ist kein gültiger Integerwert für die maximale Breite.")};
    return {};
}

Result<void> ApplyForm(const SettingsFormData& form, TProcSettings& s) {
    if (auto checked = ValidateForm(form); !checked) return checked;
    s.WorkDir = form.workDir;
    s.OutDir = form.outDir;
    s.OfflineCacheDir = form.offlineCacheDir;
    s.Template = form.templateFile;
    s.CacheDBUrl = form.dbUrl;
    s.ArchiveUrl = form.archiveUrl;
    s.DBAutoloadInterval = IndexToInterval(form.intervalIndex);
    s.UseProxy = form.useProxy;
    s.ProxyServer = form.proxyServer;
    s.ProxyAuth = form.proxyAuth;
    s.ProxyUser = form.proxyUser;
    s.ProxyPass = form.proxyPass;
    s.HTMLMaxWidth = *ParseWidth(form.maxWidth);
    s.UseCacheDB.fill(0);
    s.CacheDBCount = 0;
    for (size_t i = 0; i < form.databaseTicked.size() && i < s.UseCacheDB.size(); ++i) {
        if (!form.databaseTicked[i]) continue;
        s.UseCacheDB[i] = 1;
        ++s.CacheDBCount;
    }
    if (form.primaryIndex >= 0 && form.primaryIndex < static_cast<int>(form.databaseTexts.size()))
        s.CacheDBPrimary = form.primaryIndex + 1;
    s.ShowTooltips = form.showHints;
    s.ShowMessages = form.showInfo;
    s.UseZippedDB = form.zipped;
    s.Username = form.username;
    s.UpdateURL = form.updateUrl;
    s.GPX_GPXInit = form.gpxInit;
    s.GPX_XMLInit = form.xmlInit;
    s.Main_MemWinSize = form.memWinSize;
    s.Main_MemColSize = form.memColSize;
    s.HomeLat = form.homeLat;
    s.HomeLong = form.homeLong;
    form.homes.WriteTo(s);
    return {};
}

// ---- after the dialog closed ---------------------------------------------------

namespace {
void Call(const std::function<void()>& f) {
    if (f) f();
}
}  // namespace

namespace {
SettingsOutcome& LastOutcome() {
    static SettingsOutcome outcome = SettingsOutcome::Cancelled;
    return outcome;
}
}  // namespace

SettingsOutcome LastSettingsOutcome() { return LastOutcome(); }
void NoteSettingsOutcome(SettingsOutcome outcome) { LastOutcome() = outcome; }

bool FinishSettingsCommand(const SettingsFormData* confirmed, const SettingsCommandHooks& hooks) {
    TProcSettings next = ProcSettings;
    Result<void> applied = confirmed ? ApplyForm(*confirmed, next) : Result<void>(Error{});
    if (confirmed && !applied) platform::messages().show(MsgKind::Error, applied.error().message, MsgButtons::Ok);
    if (!confirmed || !applied) {
        // Without a tq.conf of an earlier run the record holds what this first
        // start probed and chose; reading the file back would lose it.
        if (ConfigExisted) LoadProcSettings(hooks.listClientWidth ? hooks.listClientWidth() : 0);
        ProcSettings.SettingsConfirmed = false;
        NoteSettingsOutcome(confirmed ? SettingsOutcome::Refused : SettingsOutcome::Cancelled);
        Call(hooks.applyShowHints);
        return false;
    }

    // The program moves its lock along with the work folder; a folder that
    // another running program holds is refused like a wrong entry.
    const std::string nextWork =
        WithTrailingSlash(next.WorkDir.empty() ? WithoutTrailingSlash(ProgramDir()) : next.WorkDir);
    if (HeldWorkFolder().empty() || !SameFolder(nextWork, HeldWorkFolder())) {
        const Result<void> moved = TakeWorkFolder(nextWork);
        if (!moved && moved.error().code == kWorkFolderBusy) {
            platform::messages().show(MsgKind::Error, moved.error().message, MsgButtons::Ok);
            if (ConfigExisted) LoadProcSettings(hooks.listClientWidth ? hooks.listClientWidth() : 0);
            ProcSettings.SettingsConfirmed = false;
            NoteSettingsOutcome(SettingsOutcome::Refused);
            Call(hooks.applyShowHints);
            return false;
        }
    }

    const bool outMoved = !SameFolder(WithTrailingSlash(next.OutDir), WithTrailingSlash(ProcSettings.OutDir));
    ProcSettings = next;
    // A description folder taken anew is cleared of what killed writes left.
    if (outMoved && !next.OutDir.empty()) RemoveLeftoverTempFiles(GetOutDir());
    const bool saved = SaveProcSettings(false);
    ProcSettings.SettingsConfirmed = saved;
    NoteSettingsOutcome(saved ? SettingsOutcome::Saved : SettingsOutcome::SaveFailed);
    if (!saved)
        platform::messages().show(MsgKind::Error,
                                  W("Die geänderte Konfiguration konnte nicht in tq.conf gespeichert werden. Sie gilt "
                                    "nur bis zum Programmende."),
                                  MsgButtons::Ok);
    else if (ProcSettings.ShowMessages)
        platform::messages().show(MsgKind::Information, W("Geänderte Konfiguration wurde gespeichert"), MsgButtons::Ok);
    Call(hooks.reselectHome);
    Call(hooks.rebuildTree);
    Call(hooks.applyShowHints);
    return saved;
}

}  // namespace tv
