#include "core/program_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "core/app_paths.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/meta_file.h"
#include "core/proc_settings.h"
#include "core/str_util.h"
#include "platform/services.h"
#include "platform/text_encoding.h"

namespace tv {

namespace fs = std::filesystem;

const std::vector<std::string>& ProgramFileNames() {
    // clang-format off
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
    // clang-format on
    return kNames;
}

namespace {

// The most links the system follows in one name.
constexpr int kMaxLinks = 40;

// Whether two names on disk are one ignoring the case of ASCII letters, as
// the program looks up its own files (FindFileNoCase).
bool SameNameNoCase(std::string_view a, std::string_view b) {
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return upper(x) == upper(y); });
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

// A file as the system knows it, whatever name reaches it: its device and
// inode. A folder mounted a second time, or reached through a link, is the
// same folder.
struct FileId {
    dev_t dev = 0;
    ino_t ino = 0;
    bool operator==(const FileId&) const = default;
};

std::optional<FileId> IdOf(const fs::path& p) {
    struct stat st {};
    if (p.empty() || ::stat(p.c_str(), &st) != 0) return std::nullopt;
    return FileId{st.st_dev, st.st_ino};
}

// Whether `a` and `b` are one file or folder (both there).
bool SameFile(const fs::path& a, const fs::path& b) {
    const auto id = IdOf(a);
    return id && id == IdOf(b);
}

// Whether the real folder `folder`, or with `below` one of the folders it
// lies in, is the folder `dir` names.
bool InFolder(fs::path folder, const std::string& dir, bool below) {
    const auto id = IdOf(FsPath(dir));
    if (!id) return false;
    for (;; folder = folder.parent_path()) {
        if (IdOf(folder) == id) return true;
        if (!below || folder == folder.parent_path()) return false;
    }
}

// A target path as the file system resolves it, or the system's error (a loop
// of links, more links than the system follows, a name too long, a folder
// that may not be searched, an empty name): no name the guard could clear.
class ResolvedTarget {
public:
    explicit ResolvedTarget(const std::string& out) {
        path_ = Resolve(FsPath(out), error_);
        if (error_) return;
        id_ = IdOf(path_);
        // A last link is judged by its own name too, in its real folder.
        std::error_code e;
        const fs::path named = fs::absolute(FsPath(out), e);
        link_ = !e && fs::is_symlink(fs::symlink_status(named, e));
        own_ = link_ ? Resolve(named.parent_path(), e) / named.filename() : path_;
        if (e) own_ = path_;
    }
    const std::error_code& error() const { return error_; }
    const fs::path& path() const { return path_; }
    // The name as given when it is a link, in its real folder; else path().
    const fs::path& own() const { return own_; }
    bool link() const { return link_; }
    // The file there is, when there is one.
    const std::optional<FileId>& id() const { return id_; }

    // Whether `p` names the target: the same file (a link is a second name of
    // it), or the same folder and the same name ignoring case (a case-blind
    // copy of the program would open the same file). A candidate that cannot
    // be resolved names nothing.
    bool Names(const fs::path& p) const {
        std::error_code e;
        const fs::path c = Resolve(p, e);
        if (e || error_) return false;
        if (id_ && IdOf(c) == id_) return true;
        return SameNameNoCase(c.filename().native(), path_.filename().native()) &&
               SameFile(c.parent_path(), path_.parent_path());
    }
    // Whether the target lies directly in `folder` (or, `below`, in a folder under it).
    bool In(const std::string& folder, bool below = false) const {
        return !error_ && InFolder(path_.parent_path(), folder, below);
    }

private:
    fs::path path_, own_;
    std::error_code error_;
    std::optional<FileId> id_;
    bool link_ = false;
};

// The stem of `name` before the extension `ext` (ASCII case ignored).
std::optional<std::string> StemOf(const std::string& name, std::string_view ext) {
    if (name.size() <= ext.size() || UpperCaseAscii(name.substr(name.size() - ext.size())) != UpperCaseAscii(ext))
        return std::nullopt;
    return name.substr(0, name.size() - ext.size());
}

// The code whose .meta may list a picture called `name` ("<code>_i1.jpg"):
// the part before its first '_'.
std::optional<std::string> PictureCode(const std::string& name) {
    const std::size_t cut = name.find('_');
    if (cut == std::string::npos || !IsSafeWaypointCode(std::string_view(name).substr(0, cut))) return std::nullopt;
    return name.substr(0, cut);
}

// Whether `name` is one the listing loader gives the files it stores: a page
// "<code>.html" of the listing site ("GC..."), the "<code>.meta" of its
// pictures, or a picture of a code. Such files come back only while the
// listing is online; the offline pages ("<code>_converted.html") are made
// again from them and are not among them.
bool IsListingName(const std::string& name) {
    if (const auto code = StemOf(name, ".html"))
        return UpperCaseAscii(code->substr(0, 2)) == "GC" && IsSafeWaypointCode(*code);
    if (const auto code = StemOf(name, ".meta")) return IsSafeWaypointCode(*code);
    return PictureCode(name).has_value();
}

// One folder's entries as the system lists them, read once: no call per
// entry, so a folder of many thousand pages is cheap to look through.
class FolderListing {
public:
    struct Entry {
        std::string name;
        ino_t ino;
        unsigned char type;
    };
    explicit FolderListing(const fs::path& folder) {
        dir_ = ::opendir(folder.c_str());
        if (!dir_) return;
        struct stat st {};
        if (::fstat(::dirfd(dir_), &st) == 0) id_ = FileId{st.st_dev, st.st_ino};
        while (const dirent* d = ::readdir(dir_)) {
            const std::string_view n = d->d_name;
            if (n != "." && n != "..") entries_.push_back({std::string(n), d->d_ino, d->d_type});
        }
    }
    ~FolderListing() {
        if (dir_) ::closedir(dir_);
    }
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    const FileId& id() const { return id_; }
    const std::vector<Entry>& entries() const { return entries_; }
    // The file an entry is, through a link too.
    std::optional<FileId> IdOf(const Entry& e) const {
        if (e.type != DT_LNK && e.type != DT_UNKNOWN) return FileId{id_.dev, e.ino};
        struct stat st {};
        if (::fstatat(::dirfd(dir_), e.name.c_str(), &st, 0) != 0) return std::nullopt;
        return FileId{st.st_dev, st.st_ino};
    }
    // Whether the entry is a folder of its own (no link to one).
    bool IsFolder(const Entry& e) const {
        if (e.type != DT_UNKNOWN) return e.type == DT_DIR;
        struct stat st {};
        return ::fstatat(::dirfd(dir_), e.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    }
    // The names of regular files (or links to one) called `name` ignoring case.
    std::vector<std::string> FilesNamed(const std::string& name) const {
        std::vector<std::string> out;
        for (const Entry& e : entries_) {
            struct stat st {};
            if (SameNameNoCase(e.name, name) && ::fstatat(::dirfd(dir_), e.name.c_str(), &st, 0) == 0 &&
                S_ISREG(st.st_mode))
                out.push_back(e.name);
        }
        return out;
    }

private:
    DIR* dir_ = nullptr;
    FileId id_;
    std::vector<Entry> entries_;
};

// Whether the file `name` of `folder` (listed as `listing`) is one the
// listing loader stored: a page, a .meta, or a picture that the .meta of its
// name's code lists as the offline page reads it.
bool IsStoredListingFile(const fs::path& folder, const FolderListing& listing, const std::string& name) {
    if (!IsListingName(name) || listing.FilesNamed(name).empty()) return false;
    if (StemOf(name, ".html") || StemOf(name, ".meta")) return true;
    for (const std::string& meta : listing.FilesNamed(*PictureCode(name) + ".meta")) {
        const std::optional<std::string> bytes = ReadFsFile(folder / meta);
        for (const TDescrImage& picture : ParseMetaLines(SplitTextLines(bytes.value_or(""))))
            if (SameNameNoCase(FsName(BareFileName(picture.FileName)), name)) return true;
    }
    return false;
}

// Whether the name `file` (in its real folder) is a stored listing file of
// the description folder or a folder below it. The name decides first; the
// folder is listed only for a name the loader uses.
bool IsStoredByName(const fs::path& file) {
    const std::string name = file.filename().string();
    return IsListingName(name) && InFolder(file.parent_path(), GetOutDir(), true) &&
           IsStoredListingFile(file.parent_path(), FolderListing(file.parent_path()), name);
}

// Whether the file `id` is a stored listing file of the description folder
// or a folder below it by any name there: a page, .meta or picture whose
// entry is that file or a link to it.
bool IsStoredFile(const FileId& id) {
    const fs::path out = FsPath(WithTrailingSlash(GetOutDir())).parent_path();
    // No folder, or the whole disk: no description folder to look through.
    if (out.empty() || out == out.root_path()) return false;
    std::vector<fs::path> folders{out};
    std::vector<FileId> seen;
    while (!folders.empty()) {
        const fs::path folder = std::move(folders.back());
        folders.pop_back();
        const FolderListing listing(folder);
        // A folder mounted again below itself is looked through once.
        if (std::find(seen.begin(), seen.end(), listing.id()) != seen.end()) continue;
        seen.push_back(listing.id());
        for (const auto& e : listing.entries()) {
            if (listing.IsFolder(e))
                folders.push_back(folder / e.name);
            else if (IsListingName(e.name) && listing.IdOf(e) == id && IsStoredListingFile(folder, listing, e.name))
                return true;
        }
    }
    return false;
}

// Why a target that could be resolved is a file of the program: by the name
// given (a stored page's, in any letter case; through a link in the
// description folder too) or by the file it is or leads to.
enum class Verdict { Free, OwnName, File };

// IsProgramFile for a target that could be resolved.
Verdict JudgeTarget(const ResolvedTarget& target, const std::string& workDir, const std::vector<std::string>& inputs) {
    if (IsStoredByName(target.own())) return Verdict::OwnName;
    const std::string name = target.path().filename().string();
    // The work folder and the program folder (after a first start they are one).
    for (const std::string& dir : {WithTrailingSlash(workDir), ProgramDir()}) {
        if (dir.empty() || dir == "/") continue;
        for (const std::string& file : ProgramFileNames())
            if (target.Names(FsPath(dir + file))) return Verdict::File;
        // The export templates of the folder, any spelling of ".xtp".
        if (StemOf(name, ".xtp") && target.In(dir)) return Verdict::File;
    }
    for (const std::string& in : inputs)
        if (!in.empty() && target.Names(FsPath(in))) return Verdict::File;
    // The listing pages where the loader stores them and the suitcase puts
    // them: the description folder and its subfolders (users sort them there).
    const bool stored = (target.link() && IsStoredByName(target.path())) || (target.id() && IsStoredFile(*target.id()));
    return stored ? Verdict::File : Verdict::Free;
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
    return target.error() || JudgeTarget(target, workDir, inputs) != Verdict::Free;
}

std::string ProgramFileText(const std::string& path, TargetRole role) {
    return W("Die Datei ") + path + W(" gehört zu den Daten des Programms und kann nicht als ") + RoleWord(role) +
           W(" gewählt werden.");
}

std::string LinkedProgramFileText(const std::string& path, const std::string& file, TargetRole role) {
    return W("Die Datei ") + path + W(" führt zu ") + file +
           W("; diese gehört zu den Daten des Programms und kann nicht als ") + RoleWord(role) + W(" gewählt werden.");
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
        SameNameNoCase(resolved.path().filename().native(), "WPnew.txt"))
        return std::nullopt;
    // The description template may lie anywhere; it is the program's all the same.
    inputs.push_back(ProcSettings.Template);
    const Verdict verdict = JudgeTarget(resolved, workDir, inputs);
    if (verdict == Verdict::Free) return std::nullopt;
    // Through a link the file it leads to is named too: the name is the user's.
    if (verdict == Verdict::File && resolved.link())
        return Error{kErrProgramFile, LinkedProgramFileText(target, ProgramPathForDisplay(resolved.path()), role)};
    return Error{kErrProgramFile, ProgramFileText(target, role)};
}

std::string WriteFailureText(const Error& error) {
    if (error.code == kErrProgramFile) return error.message;
    return FormatSysErrorText(error.code, error.message, SysErrorMessage(error.code));
}

void ShowWriteFailure(const Error& error) {
    platform::messages().show(platform::MsgKind::Error, WriteFailureText(error));
}

}  // namespace tv
