#include "shell/cachedb_commands.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <ctime>
#include <filesystem>

#include "acquire/http_client.h"
#include "acquire/national_db.h"
#include "acquire/url_loader.h"
#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/cachedb_table.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "core/unzip.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "shell/program_version.h"

namespace tv {

namespace {

namespace fs = std::filesystem;
using platform::MsgButtons;
using platform::MsgKind;

constexpr const char* kCrLf = "\r\n";

void Box(MsgKind kind, const std::string& text) { platform::messages().show(kind, text); }

std::optional<DbFileState> FileState(const std::string& path) {
    if (!IsRegularFile(path)) return std::nullopt;
    DbFileState s;
    if (const auto t = FileModificationTime(path)) {
        s.day = t->day;
        s.month = t->month;
        s.year = t->year;
    }
    return s;
}

std::string DateText(const DbFileState& s) {
    return TwoDigits(s.day) + "." + TwoDigits(s.month) + "." + std::to_string(s.year);
}

std::string NoPrimaryText() {
    return W("Es ist keine primäre Cache-DB ausgewählt.\r\nDie primäre Cache-DB kann unter Datei / "
             "Grundeinstellungen / Cache-Datenbank eingestellt werden.");
}

std::string NoFurtherDbText() {
    return W(
        "Es ist keine weitere Cache-DB ausgewählt.\r\nDie weiteren Cache-DBs können unter Datei / "
        "Grundeinstellungen / Cache-Datenbank / weitere Cache-DBs im Suchpfad ausgewählt werden.");
}

std::string UnzipErrorText(const std::string& name, const std::string& detail) {
    return W("Fehler beim Entpacken der Cache-DB:") + kCrLf + name + kCrLf + detail;
}

// Moves a file into place: a rename, or across file systems a copy beside
// the target that is renamed over it.
bool MoveFileInto(const std::string& from, const std::string& to) {
    if (::rename(FsName(from).c_str(), FsName(to).c_str()) == 0) return true;
    if (errno != EXDEV) return false;
    // Only a regular file is copied: a pipe would wait for a writer for ever.
    const auto in = OpenProgramFile(from);
    if (!in) {
        errno = in.error().code;
        return false;
    }
    AtomicFileWriter out(to);
    std::string buf(1u << 20, '\0');
    bool good = out.ok();
    long long left = in->size;
    while (good && left > 0) {
        const ssize_t n = ::read(in->fd.get(), buf.data(), static_cast<std::size_t>(std::min<long long>(left, buf.size())));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) good = false;
        if (n <= 0) break;
        left -= n;
        good = out.Write(std::string_view(buf.data(), static_cast<std::size_t>(n)));
    }
    return good && out.Commit();
}

// A fresh folder below the temporary folder, removed with its contents when
// the guard goes.
class TempFolder {
public:
    TempFolder() {
        std::string tmpl = FsName(GetTempDir() + "tv-cachedb-XXXXXX");
        if (::mkdtemp(tmpl.data()) != nullptr) path_ = ProgramPathForDisplay(tmpl) + "/";
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(FsPath(path_), ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

// ---------------------------------------------------------------------------
// Pure rules

bool IsValidFirstRecord(const TCacheRec& rec) {
    if (!(rec.Lat >= -90.0 && rec.Lat <= 90.0)) return false;
    if (!(rec.Lon >= -180.0 && rec.Lon <= 180.0)) return false;
    if (!(std::fabs(rec.Lat) + std::fabs(rec.Lon) > 0.0)) return false;
    if (rec.CountryId >= 999) return false;
    const std::string_view code = rec.Waypoint.view();
    return code.size() >= 2 && (code[0] == 'G' || code[0] == 'g') && (code[1] == 'C' || code[1] == 'c');
}

int ParseDateToNumber(std::string_view text) {
    // Characters 7-10, 4-5 and 1-2 (1-based), each cut at the end of the text.
    auto part = [&](std::size_t from1, std::size_t len) {
        const std::size_t from = from1 - 1;
        return from < text.size() ? text.substr(from, len) : std::string_view();
    };
    const std::string joined = std::string(part(7, 4)) + std::string(part(4, 2)) + std::string(part(1, 2));
    if (joined.empty()) return 0;
    for (char c : joined)
        if (c < '0' || c > '9') return 0;
    int value = 0;
    const auto r = std::from_chars(joined.data(), joined.data() + joined.size(), value);
    return r.ec == std::errc() && r.ptr == joined.data() + joined.size() ? value : 0;
}

VersionVerdict CompareWithOwnVersion(std::string_view version, std::string_view date) {
    if (date == kProgramDate && version == kProgramVersion) return VersionVerdict::UpToDate;
    return ParseDateToNumber(kProgramDate) >= ParseDateToNumber(date) ? VersionVerdict::InstalledNewer
                                                                        : VersionVerdict::Outdated;
}

std::string VersionVerdictText(VersionVerdict verdict, std::string_view version, std::string_view date) {
    const std::string own = "Eingesetzte Version: " + std::string(kProgramVersion) + " vom " +
                            std::string(kProgramDate) + W("\r\nAktuell verfügbare Version: ") +
                            std::string(version) + " vom " + std::string(date);
    switch (verdict) {
        case VersionVerdict::UpToDate:
            return "Die eingesetzte Version des Trailvanes ist auf dem aktuellen Stand:\r\n\r\nVersion " +
                   std::string(version) + " vom " + std::string(date);
        case VersionVerdict::InstalledNewer:
            return W("Die eingesetzte Version des Trailvanes ist neuer als die im Internet angebotene "
                     "Version.\r\n\r\n") +
                   own;
        case VersionVerdict::Outdated:
            break;
    }
    return "Die eingesetzte Version des Trailvanes ist veraltet!\r\n\r\n" + own +
           "\r\n\r\nUm auf dem aktuellen Stand des Trailvanes zu sein, wird ein Update empfohlen.";
}

std::string DbListUrl(std::string_view base, std::string_view name, bool zipped) {
    return std::string(base) + std::string(name) + (zipped ? ".zip" : "");
}

ConvertOutcome OutcomeOf(int result, const NationalDbConverter& converter) {
    ConvertOutcome o;
    o.result = result;
    o.failed = converter.GetFailedCount();
    o.incomplete = converter.GetIncompleteCount();
    o.newCount = converter.GetNewCount();
    o.refused = converter.GetRefused();
    o.errorCode = converter.GetErrorCode();
    o.errorFile = converter.GetErrorFile();
    return o;
}

std::string ConvertReportText(std::string_view name, const ConvertOutcome& o) {
    std::string text =
        std::string(name) + ":" + kCrLf + std::to_string(o.result) + W(" Datensätze wurden konvertiert");
    if (o.failed != 0) text += kCrLf + std::to_string(o.failed) + W(" Datensätze konnten nicht konvertiert werden");
    if (o.refused.count() != 0) text += kCrLf + o.refused.Text();
    if (o.incomplete != 0)
        text += kCrLf + std::to_string(o.incomplete) +
                W(" Datensätze wurden unvollständig konvertiert (Difficulty/Terrain-Angabe fehlt)");
    return text;
}

std::string ConvertErrorText(std::string_view name, const ConvertOutcome& o) {
    if (o.result == kConvMergeError)
        return std::string(name) + ":" + kCrLf + W("Die Zusammenführung mit der Cache-Datenbank ist fehlgeschlagen.") +
               kCrLf + std::to_string(o.newCount) +
               W(" neue Datensätze wurden vor dem Fehler in die Datenbank eingefügt.");
    const std::string text = "Fehler #" + std::to_string(o.result) + " bei der Verarbeitung.";
    if (o.errorCode == 0 || o.errorFile.empty()) return text;
    const bool source = o.result == kConvSourceError || o.result == kConvReadError;
    const std::string file = source ? ReadErrorText(o.errorFile) : W("Fehler beim Schreiben auf Datei ") + o.errorFile;
    return FormatSysErrorText(o.errorCode, text + kCrLf + file, SysErrorMessage(o.errorCode));
}

std::string StatusBarText(const std::optional<DbFileState>& db, const std::optional<DbFileState>& archive) {
    std::string a = db ? "Stand der Cache-DB: " + DateText(*db) + ", " + std::to_string(db->entries) + W(" Einträge.")
                       : std::string("Keine Cache-DB gefunden.");
    std::string b = archive ? "Stand der Archivliste: " + DateText(*archive) + ", " +
                                  std::to_string(archive->entries) + W(" Einträge.")
                            : std::string("Keine Archivliste gefunden.");
    return a + " " + b;
}

std::string ReadStatusBarText() {
    const std::string work = GetWorkDir();
    const std::string bin = work + "Caches.bin";
    auto db = FileState(bin);
    if (db) {
        if (const auto file = OpenProgramFile(bin)) db->entries = file->size / TCacheRec::kSize;
    }
    const std::string archivePath = work + "WParchived.txt";
    auto archive = FileState(archivePath);
    if (archive) {
        ArchiveList.LoadFromFile(archivePath);
        archive->entries = static_cast<long long>(ArchiveList.Count());
    }
    return StatusBarText(db, archive);
}

std::string NoCacheDBUrlText() {
    return W("Es ist keine Adresse für die Cache-Datenbanken hinterlegt.\r\n(Menü: Datei / Grundeinstellungen / "
             "Cache-Datenbank / Adresse der Cache-Datenbanken)\r\n\r\nDie Cache-Datenbank kann nicht geladen "
             "werden. Eine bereits vorhandene Liste im Arbeitsverzeichnis kann mit \"Cache-Datenbank / Lokale "
             "primäre Cache-DB konvertieren\" eingelesen werden.");
}

std::string NoArchiveUrlText() {
    return W("Es ist keine Adresse für die Archivliste hinterlegt.\r\n(Menü: Datei / Grundeinstellungen / "
             "Cache-Datenbank / Adresse der Archivliste)\r\n\r\nDie Archivliste kann nicht geladen werden.");
}

std::string NoUpdateUrlText() {
    return W("Es ist keine URL für die Updateprüfung hinterlegt.\r\n(Menü: Datei / Grundeinstellungen / Proxy / "
             "Adresse der Versionsprüfung)\r\n\r\nDie Updateprüfung kann nicht durchgeführt werden.");
}

std::string ListNotFoundText(const std::string& path) {
    return "Cache-DB \"" + path + "\"\r\n" + W("nicht gefunden. Bitte den angegebenen Pfad überprüfen.") + kCrLf +
           W("(Menü Datei / Grundeinstellungen - Pfade+Dateien / Arbeitsverzeichnis)");
}

std::string InvalidDatabaseQuestion() {
    return W("Die Cache-Datenbank Caches.bin ist nicht gültig. Vermutlich handelt es sich um eine Cache-Datenbank, "
             "die mit einer früheren Version des Trailvanes (Version kleiner 2.0) erstellt wurde.\r\n\r\nEine neue "
             "Version der Datenbank kann im Menü \"Datei\" mit den Funktionen \"Primäre Cache-DB laden und "
             "konvertieren\" oder \"Lokale primäre Cache-DB konvertieren\" erzeugt werden.\r\n\r\nSoll die "
             "veraltete Version der vorliegenden Caches.bin gelöscht werden?");
}

bool CheckCacheDBVersion() {
    const std::string path = GetWorkDir() + "Caches.bin";
    const auto file = OpenProgramFile(path);
    if (!file) {
        DebugLog("ERR: CheckCacheDBVersion: Caches.bin cannot be opened: " + SysErrorMessage(file.error().code));
        return false;
    }
    unsigned char buf[TCacheRec::kSize];
    const long long read = ReadUpTo(file->fd.get(), buf, sizeof buf);
    const std::size_t got = read > 0 ? static_cast<std::size_t>(read) : 0;
    if (read < 0) {
        DebugLog("ERR: CheckCacheDBVersion: Caches.bin cannot be read");
        return false;
    }
    if (got == sizeof buf && IsValidFirstRecord(DecodeCacheRec(buf))) return true;
    if (platform::messages().askDefaultNo(MsgKind::Error, InvalidDatabaseQuestion()) == platform::MsgResult::Yes)
        DeleteFileChecked(path);
    return false;
}

// ---------------------------------------------------------------------------
// Hooks without windows

CacheDbHooks DefaultCacheDbHooks() {
    CacheDbHooks h;
    h.download = [](const DownloadRequest& req) {
        HttpClient http;
        http.setProxy(ProxyFromSettings());
        auto& progress = platform::progress();
        progress.setRange(0, 100);
        progress.setPosition(0);
        progress.setAction(req.content);
        http.setProgress([&progress](std::int64_t received, std::int64_t total) {
            if (total > 0) progress.setPosition(static_cast<int>(received * 100 / total));
            return true;
        });
        auto r = http.getToFile(req.url, req.dest);
        progress.hide();
        if (!r) {
            DebugLog("ERR: CacheDB download failed: " + r.error().message);
            Box(MsgKind::Error, DownloadFailedText(req.url, req.dest, r.error()));
            return false;
        }
        return true;
    };
    h.convert = [](const std::string& source, const std::string& dest, bool showNearest) {
        NationalDbConverter conv;
        conv.SetSourceName(source);
        conv.SetDestName(dest);
        const int result = conv.ConverteHTTP(showNearest);
        return OutcomeOf(result, conv);
    };
    h.loadArchiveList = [](const std::string& url, const std::string& dest) -> std::optional<int> {
        UrlLoader loader;
        loader.SetURL(url);
        loader.SetDestFile(dest);
        loader.SetMemoryOnly(false);
        if (ProcSettings.UseProxy)
            loader.SetProxy(ProcSettings.ProxyServer, ProcSettings.ProxyAuth, ProcSettings.ProxyUser,
                            ProcSettings.ProxyPass);
        auto r = loader.Download();
        if (!r) {
            Box(MsgKind::Error, W("Die Archivliste konnte nicht geladen werden:") + kCrLf + r.error().message);
            return std::nullopt;
        }
        return loader.LineCount();
    };
    return h;
}

// ---------------------------------------------------------------------------
// Commands

CacheDbCommands::CacheDbCommands(CacheDbHooks hooks) : hooks_(std::move(hooks)) {
    CacheDbHooks d = DefaultCacheDbHooks();
    if (!hooks_.download) hooks_.download = d.download;
    if (!hooks_.convert) hooks_.convert = d.convert;
    if (!hooks_.loadArchiveList) hooks_.loadArchiveList = d.loadArchiveList;
}

void CacheDbCommands::RebuildIndex() {
    platform::pump().setBusy(true);
    BuildCacheIndex();
    platform::pump().setBusy(false);
}

std::string CacheDbCommands::UpdateStatusBar() {
    std::string text = ReadStatusBarText();
    if (hooks_.setStatusText) hooks_.setStatusText(text);
    return text;
}

int CacheDbCommands::ConvertCacheDB(const std::string& name, int mode, bool report) {
    const std::string work = GetWorkDir();
    const std::string path = work + name;
    std::error_code ec;
    if (name.empty() || !fs::is_regular_file(FsPath(path), ec)) {
        Box(MsgKind::Error, ListNotFoundText(path));
        return 0;
    }
    const ConvertOutcome o = hooks_.convert(path, work + "Caches.bin", mode == 1);
    if (o.result < 0)
        Box(MsgKind::Error, ConvertErrorText(name, o));
    else if (report && ProcSettings.ShowMessages)
        Box(MsgKind::Information, ConvertReportText(name, o));
    return o.newCount;
}

bool CacheDbCommands::ExtractList(const std::string& archive, const std::string& name) {
    TempFolder tmp;
    if (tmp.path().empty()) {
        Box(MsgKind::Error, UnzipErrorText(name, ZipErrorText(kZipWriteError)));
        return false;
    }
    // Only the list itself, at the top of the archive, is unpacked; the
    // temporary folder keeps everything away from the work folder.
    const int n = UnzipFiles(archive, tmp.path(), name);
    if (n < 0) {
        Box(MsgKind::Error, UnzipErrorText(name, ZipErrorText(n)));
        return false;
    }
    const auto found = FindFileNoCase(tmp.path(), name);
    std::error_code ec;
    if (n == 0 || !found || !fs::is_regular_file(FsPath(*found), ec)) {
        Box(MsgKind::Error, UnzipErrorText(name, W("Das Archiv enthält die Datei ") + name + " nicht."));
        return false;
    }
    if (!MoveFileInto(*found, GetWorkDir() + name)) {
        const int code = errno != 0 ? errno : EIO;
        Box(MsgKind::Error, W("Fehler beim Erstellen der CacheDB:") + kCrLf + name + kCrLf +
                                "Fehlercode: " + std::to_string(code));
        return false;
    }
    return true;
}

CacheDbCommands::Fetch CacheDbCommands::FetchList(const std::string& name, bool noWarning) {
    const std::string work = GetWorkDir();
    const bool zipped = ProcSettings.UseZippedDB;
    DownloadRequest req;
    req.url = DbListUrl(ProcSettings.CacheDBUrl, name, zipped);
    req.dest = work + (zipped ? "db.tmp.zip" : "db.tmp");
    req.task = "Lade Cache-DB";
    req.content = "Die Cache-Datenbank wird vom Internet geladen...";
    req.noWarning = noWarning;
    DebugLog("INF: CacheDB download: " + req.url);
    if (!hooks_.download(req)) return Fetch::DownloadFailed;
    if (zipped) {
        platform::pump().setBusy(true);
        const bool ok = ExtractList(req.dest, name);
        platform::pump().setBusy(false);
        return ok ? Fetch::Ok : Fetch::Failed;
    }
    const int code = CopyFileBlockwise(req.dest, work + name);
    if (code != 0) {
        Box(MsgKind::Error,
            W("Fehler beim Erstellen der CacheDB:") + kCrLf + name + kCrLf + "Fehlercode: " + std::to_string(code));
        return Fetch::Failed;
    }
    return Fetch::Ok;
}

void CacheDbCommands::DownloadPrimaryCacheDB() {
    if (ProcSettings.CacheDBUrl.empty()) {
        Box(MsgKind::Error, NoCacheDBUrlText());
        return;
    }
    const TCacheDBTable& table = CacheDBTable();
    const int primary = ValidCacheDBPrimary(ProcSettings, table.Count());
    if (primary == 0 || table.Entry(primary).FileName.empty()) {
        Box(MsgKind::Error, NoPrimaryText());
        return;
    }
    const std::string name = table.Entry(primary).FileName;
    if (FetchList(name, true) != Fetch::Ok) return;
    ConvertCacheDB(name, 1, true);
    RebuildIndex();
    UpdateStatusBar();
}

void CacheDbCommands::DownloadAdditionalCacheDBs() {
    if (ProcSettings.CacheDBUrl.empty()) {
        Box(MsgKind::Error, NoCacheDBUrlText());
        return;
    }
    const TCacheDBTable& table = CacheDBTable();
    std::vector<int> fetched;
    for (int k = 1; k <= kMaxCacheDBEntries; ++k) {
        if (!UsesCacheDB(ProcSettings, k, table.Count()) || k == ProcSettings.CacheDBPrimary) continue;
        const std::string& name = table.Entry(k).FileName;
        if (name.empty()) continue;
        const Fetch f = FetchList(name, false);
        // After a failed download, what came before it is still converted;
        // a list that could not be put in place ends the command.
        if (f == Fetch::DownloadFailed) break;
        if (f == Fetch::Failed) return;
        fetched.push_back(k);
    }
    ConvertFurther(fetched);
}

void CacheDbCommands::ConvertLocalPrimaryCacheDB() {
    const TCacheDBTable& table = CacheDBTable();
    if (ValidCacheDBPrimary(ProcSettings, table.Count()) == 0) ProcSettings.CacheDBPrimary = 3;
    const int primary = ValidCacheDBPrimary(ProcSettings, table.Count());
    if (primary == 0 || table.Entry(primary).FileName.empty()) {
        Box(MsgKind::Error, NoPrimaryText());
        return;
    }
    ConvertCacheDB(table.Entry(primary).FileName, 1, true);
    UpdateStatusBar();
    RebuildIndex();
}

void CacheDbCommands::ConvertLocalAdditionalCacheDBs() {
    const TCacheDBTable& table = CacheDBTable();
    std::vector<int> entries;
    for (int k = 1; k <= kMaxCacheDBEntries; ++k)
        if (UsesCacheDB(ProcSettings, k, table.Count()) && k != ProcSettings.CacheDBPrimary &&
            !table.Entry(k).FileName.empty())
            entries.push_back(k);
    if (entries.empty()) {
        Box(MsgKind::Error, NoFurtherDbText());
        return;
    }
    ConvertFurther(entries);
}

void CacheDbCommands::ConvertFurther(const std::vector<int>& entries) {
    if (entries.empty()) return;
    std::string summary;
    for (int k : entries) {
        const std::string name = CacheDBTable().Entry(k).FileName;
        const int n = ConvertCacheDB(name, 0, true);
        summary += kCrLf + name + ": " + std::to_string(n) + " Caches";
        UpdateStatusBar();
        RebuildIndex();
    }
    if (ProcSettings.ShowMessages)
        Box(MsgKind::Information, "Folgende neuen Caches wurden in die Datenbank geladen: " + summary);
}

void CacheDbCommands::DownloadArchiveList() {
    if (ProcSettings.ArchiveUrl.empty()) {
        Box(MsgKind::Error, NoArchiveUrlText());
        return;
    }
    const auto lines = hooks_.loadArchiveList(ProcSettings.ArchiveUrl, GetWorkDir() + "WParchived.txt");
    if (lines && ProcSettings.ShowMessages)
        Box(MsgKind::Information, std::to_string(*lines) + " Waypoints archivierter Caches geladen.");
    UpdateStatusBar();
}

void CacheDbCommands::CheckForUpdate() {
    if (ProcSettings.UpdateURL.empty()) {
        Box(MsgKind::Error, NoUpdateUrlText());
        return;
    }
    DownloadRequest req;
    req.url = ProcSettings.UpdateURL;
    req.dest = GetWorkDir() + "tqversion.txt";
    req.task = W("Updateverfügbarkeit");
    req.content = W("Prüfe Updateverfügbarkeit...");
    // A failed download keeps an older version file: it must not be read.
    // The download has said why it failed; one box is enough.
    if (!hooks_.download(req)) return;
    std::vector<std::string> lines;
    if (!ReadTextList(req.dest, lines) || lines.size() < 2) {
        Box(MsgKind::Error, W("Die Updateverfügbarkeit konnte leider nicht überprüft werden."));
        return;
    }
    const VersionVerdict v = CompareWithOwnVersion(lines[0], lines[1]);
    Box(v == VersionVerdict::UpToDate ? MsgKind::Information : MsgKind::Warning,
        VersionVerdictText(v, lines[0], lines[1]));
}

}  // namespace tv
