// Each file of the program replaced, one at a time, by another kind of file
// (a folder, a named pipe without a writer, a sparse file of 64 GiB, a link
// to such a pipe): every command that reads or writes it tells its error and
// writes nothing from it; none crashes, hangs or writes through the pipe.
//
// Each case runs in a forked child with a time limit and in folders of its
// own, so a hang or a crash fails that case alone.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/addwp_db.h"
#include "core/cache_db.h"
#include "core/file_procs.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "geo/route_search.h"
#include "platform/services.h"
#include "shell/name_search.h"
#include "shell/startup.h"
#include "support/child_process.h"
#include "support/fakes.h"
#include "support/program_folders.h"

namespace {

namespace fs = std::filesystem;
using tvtest::ProgramFolders;

enum class Kind { Folder, Pipe, Sparse, LinkToPipe };
constexpr Kind kKinds[] = {Kind::Folder, Kind::Pipe, Kind::Sparse, Kind::LinkToPipe};

const char* KindName(Kind kind) {
    switch (kind) {
        case Kind::Folder:
            return "folder";
        case Kind::Pipe:
            return "pipe";
        case Kind::Sparse:
            return "sparse file";
        case Kind::LinkToPipe:
            break;
    }
    return "link to a pipe";
}

// The cause the program tells for each kind.
int CauseOf(Kind kind) {
    switch (kind) {
        case Kind::Folder:
            return EISDIR;
        case Kind::Sparse:
            return EFBIG;
        case Kind::Pipe:
        case Kind::LinkToPipe:
            break;
    }
    return ESPIPE;
}

constexpr long long kSparseBytes = 64LL << 30;

// What a case sees: its folders, the fakes of its child, and the file replaced.
struct Case {
    const ProgramFolders& folders;
    tv::platform::ScopedFakes& fakes;
    std::string path;
};

// The cause a command told: the code of its error value, else the
// "Fehlercode" of its last error box; 0 when it told nothing.
int ToldCause(const tv::platform::ScopedFakes& fakes) {
    if (fakes.messages.shown.empty()) return 0;
    const std::string& text = fakes.messages.shown.back().text;
    const std::size_t at = text.find("Fehlercode: ");
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + 12);
}
int ToldCause(const tv::Error& error) { return error.code; }

struct Row {
    const char* command;
    const char* file;  // "work/<name>" or "program/<name>"
    // Runs the command; the cause it told (ToldCause), 0 for none.
    std::function<int(const Case&)> run;
    // A command that by design tells nothing (a look-up answers through its
    // result only): it must still neither hang, crash nor write.
    bool tellsNothing = false;
};

// The stores and settings, read by the core and the windows of the database.
const std::vector<Row> kStoreRows = {
    {"ReadCacheDB", "work/Caches.bin",
     [](const Case&) {
         const auto r = tv::ReadCacheDB();
         tv::FreeCacheDB();
         return r ? 0 : ToldCause(r.error());
     }},
    {"ReadCacheFile", "work/Caches.bin",
     [](const Case& c) {
         const auto r = tv::ReadCacheFile(c.path);
         return r ? 0 : ToldCause(r.error());
     }},
    {"BuildCacheIndex", "work/Caches.bin",
     [](const Case& c) {
         return tv::BuildCacheIndex() == -1 ? ToldCause(tv::OpenProgramFile(c.path).error()) : 0;
     }},
    {"name search: load", "work/Caches.bin",
     [](const Case& c) {
         tv::NameSearchModel model;
         const auto r = model.load(c.path, c.fakes.progress);
         return r ? 0 : ToldCause(r.error());
     }},
    {"route window: ReadRouteIndex", "work/Caches.bin",
     [](const Case& c) { return tv::ReadRouteIndex(c.path).error; }},
    // An index that cannot be read is none: the look-up scans Caches.bin.
    {"LoadCacheIndex, FindCacheByWaypoint", "work/Caches.idx",
     [](const Case&) {
         tv::LoadCacheIndex();
         tv::TCacheRec rec;
         return tv::CacheIndexList.empty() && tv::FindCacheByWaypoint("gc2", rec) && rec.RecNo == 1 ? 0 : -1;
     },
     true},
    {"Finds.bin: TFoundList::LoadFromFile, LoadFoundCodes", "work/Finds.bin",
     [](const Case& c) {
         tv::TFoundList finds;
         std::vector<std::string> codes;
         int listError = 0, codesError = 0;
         finds.LoadFromFile(c.path, &listError);
         tv::LoadFoundCodes(codes, &codesError);
         return listError == codesError ? listError : -1;
     }},
    {"LoadAddWaypoints", "work/CacheWaypoints.bin",
     [](const Case&) {
         tv::TAddWPList list;
         int error = 0;
         tv::LoadAddWaypoints(list, &error);
         return error;
     }},
    {"start: CacheDB.conf", "program/CacheDB.conf",
     [](const Case& c) {
         tv::ReadCacheDBConfAtStart();
         return ToldCause(c.fakes);
     }},
    // Not a first start; told once, and the writes at the end do not replace it.
    {"start: tq.conf, then the settings saved", "program/tq.conf",
     [](const Case& c) {
         tv::InstallIniFailureReport();
         tv::OpenSettingsAtStart();
         tv::LoadProcSettings(500);
         (void)tv::SaveProcSettings(false);
         (void)tv::WriteSectionInt("MainForm", "PosX", 1);
         return c.fakes.messages.shown.size() == 1 && tv::ConfigExisted ? ToldCause(c.fakes) : -1;
     }},
};

// The commands that read the program's files: exports, imports, the suitcase,
// descriptions, the loaders.
const std::vector<Row> kCommandRows = {
};

// Puts `kind` where `path` was; `scratch` is a folder of the case for the pipe a link leads to.
void Replace(const std::string& path, Kind kind, const std::string& scratch) {
    std::error_code ec;
    fs::remove_all(path, ec);
    switch (kind) {
        case Kind::Folder:
            fs::create_directory(path);
            break;
        case Kind::Pipe:
            ::mkfifo(path.c_str(), 0644);
            break;
        case Kind::Sparse: {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            if (fd >= 0 && ::ftruncate(fd, kSparseBytes) != 0) {}
            if (fd >= 0) ::close(fd);
            break;
        }
        case Kind::LinkToPipe:
            ::mkfifo((scratch + "pipe").c_str(), 0644);
            fs::create_symlink(scratch + "pipe", path);
            break;
    }
}

// The replaced entry is still what was put there.
bool StillThere(const std::string& path, Kind kind) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return false;
    switch (kind) {
        case Kind::Folder:
            return S_ISDIR(st.st_mode);
        case Kind::Pipe:
            return S_ISFIFO(st.st_mode);
        case Kind::Sparse:
            return S_ISREG(st.st_mode) && st.st_size == kSparseBytes;
        case Kind::LinkToPipe:
            break;
    }
    return S_ISLNK(st.st_mode) && ::stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// The bytes of every regular file in the case's folders but the replaced one.
std::map<std::string, std::string> RegularFiles(const ProgramFolders& folders, const std::string& skip) {
    std::map<std::string, std::string> out;
    for (const std::string& dir : {folders.work(), folders.program(), folders.out()}) {
        for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator(); ++it) {
            if (it->path() == fs::path(skip)) {
                it.disable_recursion_pending();
                continue;
            }
            // The work folder's lock, which a run makes at its start, is no write.
            if (!it->is_symlink() && it->is_regular_file() && it->path().filename() != "Trailvane.lock")
                out[it->path().string()] = tvtest::ReadFileBytes(it->path());
        }
    }
    return out;
}

constexpr int kCaseSeconds = 60;

TEST(ProgramFileKinds, EveryCommandTellsItsErrorAndWritesNothing) {
    std::vector<Row> rows = kStoreRows;
    rows.insert(rows.end(), kCommandRows.begin(), kCommandRows.end());
    for (const Row& row : rows) {
        for (const Kind kind : kKinds) {
            SCOPED_TRACE(std::string(row.command) + " with " + row.file + " a " + KindName(kind));
            ProgramFolders folders(false);
            const std::string file = row.file;
            const std::string path =
                (file.rfind("work/", 0) == 0 ? folders.work() + file.substr(5) : folders.program() + file.substr(8));
            const tvtest::TempDir scratch;
            Replace(path, kind, scratch.str());
            ASSERT_TRUE(StillThere(path, kind));
            const auto before = RegularFiles(folders, path);
            const std::string report = scratch.str() + "told";
            tvtest::Child child = tvtest::Spawn(
                [&] {
                    tv::platform::ScopedFakes fakes;
                    const int told = row.run(Case{folders, fakes, path});
                    std::ofstream(report) << told;
                    return 0;
                },
                true);
            const int exit = child.Reap(false, kCaseSeconds);
            EXPECT_EQ(exit, 0) << "crashed or hung (-9: killed after " << kCaseSeconds << " s)";
            std::string told;
            std::ifstream(report) >> told;
            EXPECT_EQ(told, std::to_string(row.tellsNothing ? 0 : CauseOf(kind)))
                << "the cause told (0: none, -1: a box without one, or not as the row expects)";
            EXPECT_TRUE(StillThere(path, kind));
            EXPECT_EQ(RegularFiles(folders, path), before);
        }
    }
}

}  // namespace
