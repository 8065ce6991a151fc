#include "core/program_files.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

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
        // the help page, templates and map data
        "Dokumentation.html", "WPtpl.txt", "template.html", "gmtemplate.html", "german_towns.csv", "borders.bin",
        // the running program's own
        "Trailvane.lock", "debug.log"};
    return kNames;
}

namespace {

// The most links the system follows in one name.
constexpr int kMaxLinks = 40;

// Whether two names on disk are one ignoring the case of ASCII letters, as
// the program looks up its own files (FindFileNoCase).
bool SameNameNoCase(const fs::path& a, const fs::path& b) {
    return UpperCaseAscii(a.native()) == UpperCaseAscii(b.native());
}

// A path as the file system resolves it ("..", links), made absolute first:
// a relative name is compared by its folder too. A last link to a file not
// there yet leads to the file a write through it creates. An empty name is
// what the system does not find.
fs::path Resolve(const fs::path& p, std::error_code& ec) {
    if (p.empty()) {
        ec = std::make_error_code(std::errc::no_such_file_or_directory);
        return {};
    }
    fs::path path = fs::absolute(p, ec);
    for (int links = 0; !ec; ++links) {
        std::error_code e;
        const fs::file_status st = fs::status(path, e);
        if (!e) return fs::canonical(path, ec);
        if (st.type() != fs::file_type::not_found) {
            ec = e;
            break;
        }
        if (!fs::is_symlink(fs::symlink_status(path, e))) return fs::weakly_canonical(path, ec);
        if (links == kMaxLinks) ec = std::make_error_code(std::errc::too_many_symbolic_link_levels);
        if (!ec) path = path.parent_path() / fs::read_symlink(path, ec);
    }
    return {};
}

// A target path as the file system resolves it, or the system's error (a loop
// of links, more links than the system follows, a name too long, a folder
// that may not be searched, an empty name): no name the guard could clear.
class ResolvedTarget {
public:
    explicit ResolvedTarget(const std::string& out) {
        path_ = Resolve(FsPath(out), error_);
        if (!error_) exists_ = fs::exists(path_, error_);
    }
    const std::error_code& error() const { return error_; }
    const fs::path& path() const { return path_; }

    // Whether `p` names the target: the same file (a link is a second name of
    // it), or the same folder and the same name ignoring case (a case-blind
    // copy of the program would open the same file). A candidate that cannot
    // be resolved names nothing.
    bool Names(const fs::path& p) const {
        if (error_) return false;
        std::error_code e;
        const fs::path c = Resolve(p, e);
        if (e) return false;
        if (exists_ && fs::exists(c, e) && fs::equivalent(c, path_, e)) return true;
        return c.parent_path() == path_.parent_path() && SameNameNoCase(c.filename(), path_.filename());
    }
    // Whether the target lies directly in `folder` (or, `below`, in a folder under it).
    bool In(const std::string& folder, bool below = false) const {
        std::error_code e;
        const fs::path c = Resolve(FsPath(WithTrailingSlash(folder)).parent_path(), e);
        if (e || error_) return false;
        const fs::path rel = path_.parent_path().lexically_relative(c);
        return rel == "." || (below && !rel.empty() && *rel.begin() != "..");
    }

private:
    fs::path path_;
    std::error_code error_;
    bool exists_ = false;
};

// The stem of `name` before the extension `ext` (ASCII case ignored).
std::optional<std::string> StemOf(const std::string& name, std::string_view ext) {
    if (name.size() <= ext.size() || UpperCaseAscii(name.substr(name.size() - ext.size())) != UpperCaseAscii(ext))
        return std::nullopt;
    return name.substr(0, name.size() - ext.size());
}

// The regular files (or links to one) of `folder` called `name` ignoring case.
std::vector<fs::path> FilesNamed(const fs::path& folder, const fs::path& name) {
    std::vector<fs::path> out;
    std::error_code ec, e;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (SameNameNoCase(it->path().filename(), name) && it->is_regular_file(e)) out.push_back(it->path());
    return out;
}

// Whether the existing `file` is one the listing loader stored: a page
// "<code>.html" of the listing site ("GC..."), the "<code>.meta" of its
// pictures, or a picture that the ".meta" of its name's code prefix lists
// ("<code>_i1.jpg"). The names are those the description generator and the
// suitcase look for, in any letter case. Such files come back only while the
// listing is online; the offline pages ("<code>_converted.html") are made
// again from them and are not among them.
bool IsStoredListingFile(const fs::path& file) {
    const fs::path folder = file.parent_path();
    const std::string name = file.filename().string();
    // The name decides first; the folder is listed only for a name the loader uses.
    const auto there = [&] { return !FilesNamed(folder, name).empty(); };
    if (const auto code = StemOf(name, ".html"))
        return UpperCaseAscii(code->substr(0, 2)) == "GC" && IsSafeWaypointCode(*code) && there();
    if (const auto code = StemOf(name, ".meta")) return IsSafeWaypointCode(*code) && there();
    const std::size_t cut = name.find('_');
    if (cut == std::string::npos || !IsSafeWaypointCode(std::string_view(name).substr(0, cut))) return false;
    for (const fs::path& meta : FilesNamed(folder, name.substr(0, cut) + ".meta")) {
        const std::optional<std::string> bytes = ReadFsFile(meta);
        for (const std::string& picture : MetaPictureNames(SplitTextLines(bytes.value_or(""))))
            if (SameNameNoCase(FsPath(picture), name)) return there();
    }
    return false;
}

// IsProgramFile for a target that could be resolved.
bool IsProgramTarget(const ResolvedTarget& target, const std::string& workDir, const std::vector<std::string>& inputs) {
    const std::string name = target.path().filename().string();
    // The work folder and the program folder (after a first start they are one).
    for (const std::string& dir : {WithTrailingSlash(workDir), ProgramDir()}) {
        if (dir.empty() || dir == "/") continue;
        for (const std::string& file : ProgramFileNames())
            if (target.Names(FsPath(dir + file))) return true;
        // The export templates of the folder, any spelling of ".xtp".
        if (target.In(dir) && name.size() >= 4 && UpperCaseAscii(name.substr(name.size() - 4)) == ".XTP") return true;
    }
    for (const std::string& in : inputs)
        if (!in.empty() && target.Names(FsPath(in))) return true;
    // The listing pages where the loader stores them and the suitcase puts
    // them: the description folder and its subfolders (users sort them there).
    return target.In(GetOutDir(), true) && IsStoredListingFile(target.path());
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
    return target.error() || IsProgramTarget(target, workDir, inputs);
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
    if (resolved.error() == std::errc::too_many_symbolic_link_levels)
        return Error{kErrProgramFile, UnresolvableNameText(target, role)};
    // A name the system refuses could not be written anyway: its cause is told.
    if (resolved.error()) return Error{resolved.error().value(), WriteErrorText(target)};
    // The work folder's list of new codes is where such a list belongs, when
    // it is the file written and no link to another.
    if (role == TargetRole::CodeList && !workDir.empty() && resolved.In(workDir) &&
        SameNameNoCase(resolved.path().filename(), "WPnew.txt"))
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

std::string WriteFailureText(const Error& error) {
    if (error.code == kErrProgramFile) return error.message;
    return FormatSysErrorText(error.code, error.message, SysErrorMessage(error.code));
}

void ShowWriteFailure(const Error& error) {
    platform::messages().show(platform::MsgKind::Error, WriteFailureText(error));
}

}  // namespace tv
