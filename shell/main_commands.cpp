#include "shell/main_commands.h"

#include <cerrno>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "core/cache_db.h"
#include "core/cache_rec.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/number_format.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"
#include "shell/folder_name.h"
#include "shell/program_version.h"

namespace tv {

namespace fs = std::filesystem;

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameTextCp1252(text.substr(0, prefix.size()), prefix);
}

// Removes a file (never a folder); true when this call removed it.
bool RemoveFile(const std::string& path) { return DeleteFileChecked(path); }

}  // namespace

// ---- text lists ---------------------------------------------------------------

Result<std::vector<std::string>> ReadWorkDirList(const std::string& workDir, std::string_view name) {
    return ReadTextListChecked(WithTrailingSlash(workDir) + std::string(name));
}

bool WriteWorkDirList(const std::string& workDir, std::string_view name, const std::vector<std::string>& lines) {
    return WriteTextList(WithTrailingSlash(workDir) + std::string(name), lines);
}

void ShowListReadError(const Error& error) { ShowSysError(error.code, error.message); }

// ---- marking ---------------------------------------------------------------------

std::vector<bool> MarkByWorkList(const std::vector<std::string>& lines, const std::vector<std::string>& captions) {
    std::unordered_set<std::string> wanted;
    for (const std::string& line : lines)
        if (line.size() >= 2 && UpperCaseAscii(line.substr(0, 2)) == "GC") wanted.insert(line);
    std::vector<bool> marks(captions.size(), false);
    for (std::size_t i = 0; i < captions.size(); ++i) marks[i] = wanted.count(captions[i]) != 0;
    return marks;
}

Result<std::vector<std::string>> ReadFindCodes(const std::string& workDir) {
    const auto bytes = ReadProgramFile(ResolveFileNoCase(WithTrailingSlash(workDir), "Finds.bin"));
    if (!bytes) return bytes.error();
    std::vector<std::string> codes;
    for (const TFoundRec& rec : DecodeFoundRecs(*bytes)) codes.push_back(rec.Waypoint.str());
    return codes;
}

std::vector<bool> MarkByExcludeLists(const std::vector<std::string>& findCodes,
                                     const std::vector<std::string>& ignoreLines,
                                     const std::vector<std::string>& captions, platform::IProgress& progress,
                                     platform::IEventPump& pump) {
    std::vector<bool> marks(captions.size(), false);
    std::unordered_map<std::string, std::vector<std::size_t>> rowsByCaption;
    for (std::size_t i = 0; i < captions.size(); ++i) rowsByCaption[captions[i]].push_back(i);

    progress.setRange(0, static_cast<int>(findCodes.size()));
    for (std::size_t f = 0; f < findCodes.size(); ++f) {
        auto it = rowsByCaption.find(findCodes[f]);
        if (it != rowsByCaption.end())
            for (std::size_t row : it->second) marks[row] = true;
        // Painting every record of a long finds file would cost more than the search.
        if ((f & 255) == 255 || f + 1 == findCodes.size()) {
            progress.setPosition(static_cast<int>(f + 1));
            pump.pump();
        }
    }

    progress.setRange(0, static_cast<int>(ignoreLines.size()));
    std::unordered_set<std::string> ignored;
    for (const std::string& line : ignoreLines) ignored.insert(UpperCaseCp1252(line));
    for (std::size_t i = 0; i < captions.size(); ++i)
        if (ignored.count(UpperCaseCp1252(captions[i]))) marks[i] = true;
    return marks;
}

// ---- folders ----------------------------------------------------------------------

std::optional<std::string> NodeFolder(const std::string& outDir, std::string_view nodeName) {
    const std::string root = WithTrailingSlash(outDir);
    if (nodeName.empty()) return root;
    if (nodeName == "." || nodeName == ".." || nodeName.find('/') != std::string_view::npos ||
        nodeName.find('\0') != std::string_view::npos)
        return std::nullopt;
    return root + std::string(nodeName) + "/";
}

bool IsUsableCode(std::string_view code) {
    return !code.empty() && code.find('/') == std::string_view::npos && code.find('\0') == std::string_view::npos;
}

CacheFileSet FindCacheFiles(const std::string& folder, std::string_view code) {
    CacheFileSet set;
    if (!IsUsableCode(code)) return set;
    const std::string dir = WithTrailingSlash(folder);
    const std::string html = std::string(code) + ".html";
    const std::string meta = std::string(code) + ".meta";
    const std::string prefix = std::string(code) + "_";
    // One listing for all three kinds; a name found exactly wins over one that
    // differs in case only.
    for (const std::string& name : ListFolder(dir, "*", EntryKind::Files)) {
        if (SameTextCp1252(name, html)) {
            if (!set.html || name == html) set.html = name;
        } else if (SameTextCp1252(name, meta)) {
            if (!set.meta || name == meta) set.meta = name;
        } else if (StartsWithNoCase(name, prefix)) {
            set.parts.push_back(name);
        }
    }
    return set;
}

CacheFileIndex::CacheFileIndex(std::string folder) : folder_(WithTrailingSlash(folder)) {
    for (const std::string& name : ListFolder(folder_, "*", EntryKind::Files)) {
        const std::size_t us = name.find('_');
        if (us != std::string::npos) {
            byCode_[UpperCaseCp1252(name.substr(0, us))].parts.push_back(name);
        } else if (name.size() > 5 && SameTextCp1252(std::string_view(name).substr(name.size() - 5), ".html")) {
            byCode_[UpperCaseCp1252(name.substr(0, name.size() - 5))].html.push_back(name);
        } else if (name.size() > 5 && SameTextCp1252(std::string_view(name).substr(name.size() - 5), ".meta")) {
            byCode_[UpperCaseCp1252(name.substr(0, name.size() - 5))].meta.push_back(name);
        }
    }
}

CacheFileSet CacheFileIndex::Find(std::string_view code) const {
    // A code with '_' reaches names this index keys otherwise.
    if (code.find('_') != std::string_view::npos) return FindCacheFiles(folder_, code);
    CacheFileSet set;
    if (!IsUsableCode(code)) return set;
    auto it = byCode_.find(UpperCaseCp1252(code));
    if (it == byCode_.end()) return set;
    auto pick = [](const std::vector<std::string>& names, const std::string& exact) -> std::optional<std::string> {
        if (names.empty()) return std::nullopt;
        for (const std::string& n : names)
            if (n == exact) return n;
        return names.front();
    };
    set.html = pick(it->second.html, std::string(code) + ".html");
    set.meta = pick(it->second.meta, std::string(code) + ".meta");
    set.parts = it->second.parts;
    return set;
}

// ---- move ---------------------------------------------------------------------------

MoveResult MoveCaches(const std::vector<std::string>& codes, const std::string& from, const std::string& to,
                      platform::IProgress& progress, platform::IEventPump& pump) {
    MoveResult r;
    const std::string src = WithTrailingSlash(from);
    const std::string dst = WithTrailingSlash(to);
    progress.setRange(0, static_cast<int>(codes.size()));
    progress.setPosition(0);
    progress.setAction(W("Verschiebe Dateien..."));
    const CacheFileIndex index(src);
    // Copy, then remove the source only when the copy is complete. A source
    // that is gone (a code listed twice) is neither moved nor failed.
    enum class Outcome { Moved, Failed, Gone };
    auto move = [&](const std::string& name) {
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(FsPath(src + name), ec))) return Outcome::Gone;
        if (CopyFileBlockwise(src + name, dst + name) != 0) return Outcome::Failed;
        RemoveFile(src + name);
        return Outcome::Moved;
    };
    auto count = [&r](Outcome o) {
        if (o == Outcome::Moved) ++r.moved;
        if (o == Outcome::Failed) ++r.failed;
    };
    for (const std::string& code : codes) {
        ++r.caches;
        progress.setPosition(r.caches);
        pump.pump();
        const CacheFileSet files = index.Find(code);
        if (files.html) count(move(*files.html));
        if (files.meta) move(*files.meta);
        for (const std::string& name : files.parts) count(move(name));
    }
    progress.hide();
    return r;
}

std::string MoveReportText(const MoveResult& r, const std::string& from, const std::string& to) {
    std::string text = IntText(r.moved) + " Dateien aus " + IntText(r.caches) + " Caches erfolgreich von " + from + " nach " +
                       to + " verschoben.";
    if (r.failed > 0)
        text += "\r\n\r\n" + IntText(r.failed) + W(" Dateien konnten nicht verschoben werden und wurden im ursprünglichen "
                                               "Verzeichnis belassen.");
    return text;
}

std::string SameFolderMoveText() {
    return W("Caches können nicht in das Verzeichnis verschoben werden, in dem sie bereits liegen.");
}

// ---- delete ----------------------------------------------------------------------------

std::string DeleteQuestionText() {
    return W("Achtung! Alle Dateien zu den markierten Caches werden unwiderruflich gelöscht!\r\n\r\n"
             "Markierte Caches wirklich löschen?");
}

DeleteResult DeleteCaches(const std::vector<std::string>& codes, const std::string& folder) {
    DeleteResult r;
    const std::string dir = WithTrailingSlash(folder);
    const CacheFileIndex index(dir);
    for (const std::string& code : codes) {
        ++r.caches;
        const CacheFileSet files = index.Find(code);
        auto remove = [&](const std::string& name) {
            if (RemoveFile(dir + name)) {
                ++r.files;
            } else if (r.failed++ == 0) {
                r.firstFailure = dir + name;
            }
        };
        if (files.html) remove(*files.html);
        if (files.meta) remove(*files.meta);
        for (const std::string& name : files.parts) remove(name);
    }
    return r;
}

std::string DeleteReportText(const DeleteResult& r) {
    std::string text = IntText(r.caches) + (r.caches == 1 ? W(" Cache gelöscht (") : W(" Caches gelöscht (")) +
                       IntText(r.files) + " Dateien insgesamt)";
    if (r.failed > 0)
        text += "\r\n\r\n" + IntText(r.failed) + W(" Dateien konnten nicht gelöscht werden, zum Beispiel ") +
                r.firstFailure + ".";
    return text;
}

// ---- folder pop-up -----------------------------------------------------------------------

int CreateNewFolder(const std::string& outDir, std::string_view name) {
    if (!IsValidFolderName(name)) return EINVAL;
    std::error_code ec;
    if (!fs::create_directory(FsPath(WithTrailingSlash(outDir) + std::string(name)), ec)) return ec ? ec.value() : EEXIST;
    return 0;
}

std::string EmptyFolderQuestionText(const std::string& folder) {
    return "Achtung! Alle Caches im Verzeichnis\r\n\r\n" + folder + "\r\n\r\n" +
           W("werden unwiderruflich gelöscht! Verzeichnis wirklich löschen?");
}

std::string CleanupQuestionText(const std::string& folder) {
    return W("Die Aufräumfunktion entfernt aus dem gewählten Verzeichnis alle Originalbeschreibungen und "
             "Meta-Dateien.\r\n\r\nDie Funktion ist nach dem Konvertieren der Beschreibungen sinnvoll, um "
             "Speicherplatz auf der Festplatte freizugeben, da die Originalbeschreibungen und Meta-Dateien nach dem "
             "konvertieren nicht mehr benötigt werden.\r\n\r\nSoll das gewählte Verzeichnis ") +
           folder + W(" aufgeräumt werden?");
}

int CleanupFolder(const std::string& folder) {
    const std::string dir = WithTrailingSlash(folder);
    int removed = 0;
    for (const char* mask : {"GC????.htm*", "GC?????.htm*", "*.meta"})
        for (const std::string& name : ListFolder(dir, mask, EntryKind::Files))
            if (RemoveFile(dir + name)) ++removed;
    return removed;
}

std::string CleanupReportText(int files, const std::string& folder) {
    return IntText(files) + " Dateien wurden aus dem Verzeichnis \r\n" + folder + W("\r\ngelöscht.");
}

std::string OriginalsQuestionText() {
    return W("Diese Funktion durchsucht das gewählte Verzeichnis nach Originalbeschreibungen und nimmt die "
             "entsprechenden Wegpunkte in in die Arbeitsliste auf.\r\n\r\nSollen die in der Arbeitsliste eventuell "
             "schon gespeicherten Wegpunkte beibehalten werden?");
}

OriginalsResult OriginalsToWorkList(const std::string& folder, bool keep, const std::string& workDir,
                                    const std::function<bool(const std::string& code)>& inDatabase) {
    OriginalsResult r;
    std::vector<std::string> list;
    if (keep) {
        auto kept = ReadTextListIfPresent(WithTrailingSlash(workDir) + std::string(kWorkListFile));
        if (!kept) {
            r.readError = kept.error();
            return r;
        }
        list = std::move(*kept);
    }
    std::unordered_set<std::string> present;
    for (const std::string& line : list) present.insert(UpperCaseCp1252(line));
    for (const std::string& name : ListFolder(WithTrailingSlash(folder), "GC*.html", EntryKind::Files)) {
        if (name.find('_') != std::string::npos) continue;
        const std::string code = name.substr(0, name.find('.'));
        if (!inDatabase(code) || !present.insert(UpperCaseCp1252(code)).second) continue;
        list.push_back(code);
        ++r.added;
    }
    r.saved = WriteWorkDirList(workDir, kWorkListFile, list);
    return r;
}

std::string OriginalsReportText(int added) { return IntText(added) + " Wegpunkte wurden in die Arbeitsliste aufgenommen."; }

// ---- dirlist.txt ---------------------------------------------------------------------------

bool WriteDirList(const std::string& workDir, const std::vector<std::string>& captions) {
    return WriteWorkDirList(workDir, kDirListFile, captions);
}

// ---- reload ------------------------------------------------------------------------------------

std::string ReloadQuestionText(std::size_t marked) {
    return IntText(static_cast<long long>(marked)) +
           W(" Cachebeschreibungen werden erneut geladen.\r\n\r\nSollen die Wegpunkte dieser Caches der Arbeitsliste "
             "hinzugefügt werden, um nach dem erneuten Laden eine einfachere Erzeugung der konvertierten "
             "Beschreibungen zu ermöglichen?");
}

ReloadPlan PlanReloadMarked(const std::vector<std::string>& marked, bool addToWorkList, const std::string& workDir) {
    ReloadPlan plan;
    plan.handOver = marked;
    if (!addToWorkList) return plan;
    auto kept = ReadTextListIfPresent(WithTrailingSlash(workDir) + std::string(kWorkListFile));
    if (!kept) {
        plan.readError = kept.error();
        return plan;
    }
    plan.saveWorkList = true;
    plan.workList = std::move(*kept);
    std::unordered_set<std::string> present;
    for (const std::string& line : plan.workList) present.insert(UpperCaseCp1252(line));
    for (const std::string& code : marked)
        if (present.insert(UpperCaseCp1252(code)).second) plan.workList.push_back(code);
    return plan;
}

// ---- small commands ---------------------------------------------------------------------------

void SetDebugMode(bool on) {
    if (on) {
        DebugMode = true;
        WriteDebugLog("-------------------------");
        WriteDebugLog("Debug mode switched to ON");
        WriteDebugLog("Trailvane version is: " + std::string(kProgramVersion));
        WriteDebugLog("Trailvane version date is: " + std::string(kProgramDate));
    } else {
        WriteDebugLog("Debug mode switched to OFF");
        DebugMode = false;
    }
}

std::string RebuildIndex() {
    const int code = BuildCacheIndex();
    LoadCacheIndex();
    switch (code) {
        case 0: return {};
        case -1: return W("Die Cache-Datenbank ") + CacheBinPath() + W(" konnte nicht geöffnet werden.");
        case -2: return W("Fehler beim Lesen der Cache-Datenbank ") + CacheBinPath();
        default: return W("Der Index ") + CacheIdxPath() + W(" konnte nicht geschrieben werden.");
    }
}

}  // namespace tv
