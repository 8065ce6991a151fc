#include "core/program_files.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "core/app_paths.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/proc_settings.h"
#include "core/str_util.h"
#include "platform/services.h"
#include "platform/text_encoding.h"

namespace tv {

namespace fs = std::filesystem;

const std::vector<std::string>& ProgramFileNames() {
    static const std::vector<std::string> kNames = {
        // settings and tables
        "tq.conf", "CacheDB.conf",
        // the cache database, the finds and the additional waypoints
        "Caches.bin", "Caches.idx", "Finds.bin", "CacheWaypoints.bin",
        // the lists
        "WPList.txt", "WPignore.txt", "WParchived.txt", "WPclipboard.txt", "WPnew.txt", "dirlist.txt",
        "Persinfo.txt", "Buddies.txt",
        // templates and map data
        "WPtpl.txt", "template.html", "gmtemplate.html", "german_towns.csv", "borders.bin",
        // the running program's own
        "Trailvane.lock", "debug.log"};
    return kNames;
}

namespace {

// A path as the file system resolves it ("..", links), made absolute first:
// a relative name is compared by its folder too.
fs::path Resolve(const fs::path& p, std::error_code& ec) {
    const fs::path absolute = fs::absolute(p, ec);
    return ec ? fs::path() : fs::weakly_canonical(absolute, ec);
}

// A target path as the file system resolves it. A name it cannot resolve (a
// loop of links, more links than the system follows, a current folder too
// deep to name) is no name the guard could clear.
class ResolvedTarget {
public:
    explicit ResolvedTarget(const std::string& out) {
        std::error_code ec;
        path_ = Resolve(FsPath(out), ec);
        if (ec) return;
        exists_ = fs::exists(path_, ec);
        ok_ = !ec;
        name_ = ProgramPathForDisplay(path_.filename());
    }
    bool ok() const { return ok_; }
    const std::string& name() const { return name_; }
    const fs::path& path() const { return path_; }

    // Whether `p` names the target: the same file (a link is a second name of
    // it), or the same folder and the same name ignoring case (a case-blind
    // copy of the program would open the same file). A candidate that cannot
    // be resolved names nothing.
    bool Names(const fs::path& p) const {
        if (!ok_) return false;
        std::error_code e;
        const fs::path c = Resolve(p, e);
        if (e) return false;
        if (exists_ && fs::exists(c, e) && fs::equivalent(c, path_, e)) return true;
        return c.parent_path() == path_.parent_path() && SameTextCp1252(ProgramPathForDisplay(c.filename()), name_);
    }
    // Whether the target lies directly in `folder`.
    bool In(const std::string& folder) const {
        std::error_code e;
        const fs::path c = Resolve(FsPath(folder).parent_path(), e);
        return !e && c == path_.parent_path();
    }

private:
    fs::path path_;
    std::string name_;
    bool ok_ = false, exists_ = false;
};

// The stem of `name` before the extension `ext` (ASCII case ignored).
std::optional<std::string> StemOf(const std::string& name, std::string_view ext) {
    if (name.size() <= ext.size() || UpperCaseAscii(name.substr(name.size() - ext.size())) != UpperCaseAscii(ext))
        return std::nullopt;
    return name.substr(0, name.size() - ext.size());
}

// Whether the existing file `name` in `folder` is one the listing loader
// stored there: a page "<code>.html" of the listing site ("GC..."), the
// "<code>.meta" of its pictures, or a picture that the ".meta" of its name's
// code prefix lists ("<code>_i1.jpg"). The names are those the description
// generator and the suitcase look for, in any letter case. Such files come
// back only while the listing is online; the offline pages
// ("<code>_converted.html") are made again from them and are not among them.
bool IsStoredListingFile(const fs::path& folderPath, const std::string& name) {
    const std::optional<std::string> folderText = ProgramPath(folderPath);
    if (!folderText) return false;
    const std::string folder = WithTrailingSlash(*folderText);
    const std::optional<std::string> onDisk = FindFileNoCase(folder, name);
    if (!onDisk || !IsRegularFile(*onDisk)) return false;
    if (const auto code = StemOf(name, ".html"))
        return UpperCaseAscii(code->substr(0, 2)) == "GC" && IsSafeWaypointCode(*code);
    if (const auto code = StemOf(name, ".meta")) return IsSafeWaypointCode(*code);
    const std::size_t cut = name.find('_');
    if (cut == std::string::npos || !IsSafeWaypointCode(std::string_view(name).substr(0, cut))) return false;
    const std::optional<std::string> meta = FindFileNoCase(folder, name.substr(0, cut) + ".meta");
    std::vector<std::string> lines;
    if (!meta || !ReadTextList(*meta, lines)) return false;
    for (const std::string& picture : MetaPictureNames(lines))
        if (SameTextCp1252(picture, name)) return true;
    return false;
}

// IsProgramFile for a target that could be resolved.
bool IsProgramTarget(const ResolvedTarget& target, const std::string& workDir, const std::vector<std::string>& inputs) {
    const std::string& name = target.name();
    // The work folder and the program folder (after a first start they are one).
    for (const std::string& dir : {WithTrailingSlash(workDir), ProgramDir()}) {
        if (dir.empty() || dir == "/") continue;
        for (const std::string& file : ProgramFileNames())
            if (target.Names(FsPath(dir + file))) return true;
        // The export templates of the folder, any spelling of ".xtp".
        if (target.In(dir) && name.size() >= 4 &&
            SameTextCp1252(std::string_view(name).substr(name.size() - 4), ".xtp"))
            return true;
    }
    for (const std::string& in : inputs)
        if (!in.empty() && target.Names(FsPath(in))) return true;
    // The listing pages stored in any folder (users move them into subfolders).
    return IsStoredListingFile(target.path().parent_path(), name);
}

const char* RoleWord(TargetRole role) {
    switch (role) {
        case TargetRole::Export:
            break;
        case TargetRole::Suitcase:
            return "Aktenkofferdatei";
        case TargetRole::CodeList:
            return "Wegpunktliste";
        case TargetRole::IndexPage:
            return "Indexdatei";
    }
    return "Exportdatei";
}

}  // namespace

bool IsProgramFile(const std::string& out, const std::string& workDir, const std::vector<std::string>& inputs) {
    const ResolvedTarget target(out);
    return !target.ok() || IsProgramTarget(target, workDir, inputs);
}

std::string ProgramFileText(const std::string& path, TargetRole role) {
    return W("Die Datei ") + path + W(" gehört zu den Daten des Programms und kann nicht als ") + RoleWord(role) +
           W(" gewählt werden.");
}

std::string UnresolvableNameText(const std::string& path, TargetRole role) {
    return "Der Name " + path + W(" lässt sich nicht auflösen; die Datei kann nicht als ") + RoleWord(role) +
           W(" gewählt werden.");
}

std::optional<Error> ProgramFileRefusal(const std::string& target, const std::string& workDir, TargetRole role,
                                        std::vector<std::string> inputs) {
    const ResolvedTarget resolved(target);
    if (!resolved.ok()) return Error{kErrProgramFile, UnresolvableNameText(target, role)};
    // The work folder's list of new codes is where such a list belongs.
    const std::string work = WithTrailingSlash(workDir);
    if (role == TargetRole::CodeList && !work.empty() && resolved.Names(FsPath(work + "WPnew.txt")))
        return std::nullopt;
    // The description template may lie anywhere; it is the program's all the same.
    inputs.push_back(ProcSettings.Template);
    if (!IsProgramTarget(resolved, workDir, inputs)) return std::nullopt;
    return Error{kErrProgramFile, ProgramFileText(target, role)};
}

std::vector<std::string> MetaPictureNames(const std::vector<std::string>& metaLines) {
    std::vector<std::string> out;
    if (metaLines.empty() || metaLines.size() % 3 != 0) return out;
    for (std::size_t k = 0; k < metaLines.size(); k += 3) {
        std::string_view line = metaLines[k];
        // "<n>#<path>": the number may have two digits, and the path may use
        // '/' when the page was stored on Linux.
        const auto hash = line.find('#');
        line =
            hash != std::string_view::npos ? line.substr(hash + 1) : line.substr(std::min<std::size_t>(2, line.size()));
        const auto sep = line.find_last_of("\\/");
        if (sep != std::string_view::npos) line = line.substr(sep + 1);
        out.emplace_back(line);
    }
    return out;
}

void ShowWriteFailure(const Error& error) {
    if (error.code == kErrProgramFile)
        platform::messages().show(platform::MsgKind::Error, error.message);
    else
        ShowSysError(error.code, error.message);
}

}  // namespace tv
