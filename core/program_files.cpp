#include "core/program_files.h"

#include <filesystem>

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

// A target path as the file system resolves it ("..", links).
class ResolvedTarget {
public:
    explicit ResolvedTarget(const std::string& out) {
        std::error_code ec;
        path_ = fs::weakly_canonical(FsPath(out), ec);
        ok_ = !ec;
        name_ = ProgramPathForDisplay(path_.filename());
        exists_ = ok_ && fs::exists(path_, ec);
    }
    bool ok() const { return ok_; }
    const std::string& name() const { return name_; }

    // Whether `p` names the target: the same file (a link is a second name of
    // it), or the same folder and the same name ignoring case (a case-blind
    // copy of the program would open the same file).
    bool Names(const fs::path& p) const {
        if (!ok_) return false;
        std::error_code e;
        const fs::path c = fs::weakly_canonical(p, e);
        if (e) return false;
        if (exists_ && fs::exists(c, e) && fs::equivalent(c, path_, e)) return true;
        return c.parent_path() == path_.parent_path() && SameTextCp1252(ProgramPathForDisplay(c.filename()), name_);
    }
    // Whether the target lies directly in `folder`.
    bool In(const std::string& folder) const {
        std::error_code e;
        const fs::path c = fs::weakly_canonical(FsPath(folder).parent_path(), e);
        return !e && c == path_.parent_path();
    }

private:
    fs::path path_;
    std::string name_;
    bool ok_ = false, exists_ = false;
};

}  // namespace

bool IsProgramFile(const std::string& out, const std::string& workDir, const std::vector<std::string>& inputs) {
    const ResolvedTarget target(out);
    if (!target.ok()) return false;
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
    return false;
}

std::string ProgramFileText(const std::string& path, TargetRole role) {
    const char* as = "Exportdatei";
    switch (role) {
        case TargetRole::Export:
            break;
        case TargetRole::Suitcase:
            as = "Aktenkofferdatei";
            break;
        case TargetRole::CodeList:
            as = "Wegpunktliste";
            break;
        case TargetRole::IndexPage:
            as = "Indexdatei";
            break;
    }
    return W("Die Datei ") + path + W(" gehört zu den Daten des Programms und kann nicht als ") + as +
           W(" gewählt werden.");
}

std::optional<Error> ProgramFileRefusal(const std::string& target, const std::string& workDir, TargetRole role,
                                        std::vector<std::string> inputs) {
    // The work folder's list of new codes is where such a list belongs.
    const std::string work = WithTrailingSlash(workDir);
    if (role == TargetRole::CodeList && !work.empty() && ResolvedTarget(target).Names(FsPath(work + "WPnew.txt")))
        return std::nullopt;
    // The description template may lie anywhere; it is the program's all the same.
    inputs.push_back(ProcSettings.Template);
    if (!IsProgramFile(target, workDir, inputs)) return std::nullopt;
    return Error{kErrProgramFile, ProgramFileText(target, role)};
}

void ShowWriteFailure(const Error& error) {
    if (error.code == kErrProgramFile)
        platform::messages().show(platform::MsgKind::Error, error.message);
    else
        ShowSysError(error.code, error.message);
}

}  // namespace tv
