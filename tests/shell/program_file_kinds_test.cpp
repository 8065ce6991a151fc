// Each file of the program replaced, one at a time, by a folder, a named pipe
// without a writer, a sparse file of 64 GiB or a link to such a pipe: every
// command that reads it tells its error and writes nothing; none crashes or
// hangs. Each case runs in a forked child with a time limit, in its own folders.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "acquire/finds_loader.h"
#include "acquire/listing_loader.h"
#include "acquire/national_db.h"
#include "core/addwp_db.h"
#include "core/cache_db.h"
#include "core/cachedb_table.h"
#include "core/file_procs.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "exchange/db_csv_export.h"
#include "exchange/export_run.h"
#include "exchange/gpx_import.h"
#include "exchange/suitcase_merge.h"
#include "exchange/wp_collection.h"
#include "geo/route_search.h"
#include "pages/description_run.h"
#include "platform/services.h"
#include "shell/buddy_list.h"
#include "shell/main_commands.h"
#include "shell/name_search.h"
#include "shell/startup.h"
#include "support/child_process.h"
#include "support/fakes.h"
#include "support/program_folders.h"

namespace {

namespace fs = std::filesystem;
using tvtest::ProgramFolders;

enum Kind { Folder, Pipe, Sparse, LinkToPipe };
constexpr const char* kKindNames[] = {"folder", "pipe", "sparse file", "link to a pipe"};
// The cause the program tells for each kind.
constexpr int kCauses[] = {EISDIR, ESPIPE, EFBIG, ESPIPE};
constexpr long long kSparseBytes = 64LL << 30;

// What a case sees: its folders, the fakes of its child, and the file replaced.
struct Case {
    const ProgramFolders& folders;
    tv::platform::ScopedFakes& fakes;
    std::string path;
};

// The cause a command told: the "Fehlercode" of its last error box (0 when it
// showed none, -1 for a box without one), or the code of its error value.
int ToldCause(const std::string& boxText) {
    const std::size_t at = boxText.find("Fehlercode: ");
    return at == std::string::npos ? -1 : std::atoi(boxText.c_str() + at + 12);
}
int ToldCause(const tv::platform::ScopedFakes& fakes) {
    return fakes.messages.shown.empty() ? 0 : ToldCause(fakes.messages.shown.back().text);
}
template <typename R>
int Told(const R& result) {
    return result ? 0 : result.error().code;
}

struct Row {
    const char* command;
    const char* file;                     // "work/<name>" or "program/<name>"
    std::function<int(const Case&)> run;  // the cause it told, 0 for none
    bool tellsNothing = false;            // a look-up answers through its result only
};

// An export into a folder of its own: the cause of its read error, -2 when it wrote a file all the same.
int ExportFrom(tv::ExportSource source, const Case& c) {
    const tvtest::TempDir target;
    tv::ExportRequest request;
    request.source = source;
    request.outPath = target.str() + "export.gpx";
    request.context.workDir = c.folders.work();
    const tv::ExportResult r = tv::RunExport(request);
    return fs::exists(request.outPath) ? -2 : r.readStopped ? r.readError : 0;
}

// A run of the listing loader over an unsafe code only (no request is made
// whatever it reads), with every exclusion list.
int LoaderRunTold(const Case& c) {
    tv::ListingLoader loader;
    tv::LoaderRunParams p;
    p.workList = {"../x"};
    p.workDir = c.folders.work();
    p.outDir = c.folders.out();
    return loader.run(p).listError.code;
}

// The national list `source` converted into the database `dest`: the cause told with the error code.
int ConvertTold(const std::string& source, const std::string& dest) {
    tv::NationalDbConverter conv;
    conv.SetSourceName(source);
    conv.SetDestName(dest);
    return conv.ConverteHTTP(false) < 0 ? conv.GetErrorCode() : 0;
}

const std::vector<Row> kRows = {
    // The stores and settings, read by the core and the windows of the database.
    {"ReadCacheDB", "work/Caches.bin",
     [](const Case&) {
         const int told = Told(tv::ReadCacheDB());
         tv::FreeCacheDB();
         return told;
     }},
    {"ReadCacheFile", "work/Caches.bin", [](const Case& c) { return Told(tv::ReadCacheFile(c.path)); }},
    {"BuildCacheIndex", "work/Caches.bin",
     [](const Case& c) { return tv::BuildCacheIndex() == -1 ? Told(tv::OpenProgramFile(c.path)) : 0; }},
    {"name search: load", "work/Caches.bin",
     [](const Case& c) { return Told(tv::NameSearchModel().load(c.path, c.fakes.progress)); }},
    {"route window: ReadRouteIndex", "work/Caches.bin", [](const Case& c) { return tv::ReadRouteIndex(c.path).error; }},
    // An index that cannot be read is none: the look-up scans Caches.bin.
    {"LoadCacheIndex, FindCacheByWaypoint", "work/Caches.idx",
     [](const Case&) {
         tv::TCacheRec rec;
         return tv::LoadCacheIndex(), tv::CacheIndexList.empty() && tv::FindCacheByWaypoint("gc2", rec) ? 0 : -1;
     },
     true},
    {"Finds.bin: TFoundList::LoadFromFile, LoadFoundCodes", "work/Finds.bin",
     [](const Case& c) {
         std::vector<std::string> codes;
         int listError = 0, codesError = 0;
         tv::TFoundList().LoadFromFile(c.path, &listError);
         tv::LoadFoundCodes(codes, &codesError);
         return listError == codesError ? listError : -1;
     }},
    {"LoadAddWaypoints", "work/CacheWaypoints.bin",
     [](const Case&) {
         tv::TAddWPList list;
         int error = 0;
         return tv::LoadAddWaypoints(list, &error), error;
     }},
    {"start: CacheDB.conf", "program/CacheDB.conf",
     [](const Case& c) { return tv::ReadCacheDBConfAtStart(), ToldCause(c.fakes); }},
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

    // The commands: exports, imports, the suitcase, descriptions, the loaders.
    {"export: all caches", "work/Caches.bin", [](const Case& c) { return ExportFrom(tv::ExportSource::Database, c); }},
    {"export: work list", "work/Caches.bin", [](const Case& c) { return ExportFrom(tv::ExportSource::WorkList, c); }},
    {"export: work list", "work/WPList.txt", [](const Case& c) { return ExportFrom(tv::ExportSource::WorkList, c); }},
    {"GPX import: first pass", "work/Caches.bin",
     [](const Case&) {
         tv::GpxImportSession session({tvtest::RealTestData("gpsbabel/GC7FA4.gpx").string(), {49, 11}, {}});
         const tv::GpxPass1Result& r = session.pass1();
         return r.error && r.entries.empty() ? r.error->code : 0;
     }},
    {"suitcase: merge", "work/Caches.bin",
     [](const Case& c) {
         // A suitcase with a cache and a work-list entry this PC lacks.
         const auto i32 = [](std::int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
         const tvtest::TempDir other;
         const std::string carry =
             other
                 .write("Carry.tq", i32(1) + tv::EncodeCacheRecs({tvtest::CacheRecord("GC9")}) + i32(1) +
                                        std::string("\3GC9") + std::string(9, '\0') + i32(0) + i32(0) + i32(0) + i32(0))
                 .string();
         tv::SuitcaseReader reader;
         if (!reader.Open(carry)) return -3;
         tv::SuitcaseCommitParams p;
         p.workDir = c.folders.work();
         p.outDir = c.folders.out();
         p.getDb = p.getWorkList = true;
         p.keepLocalDb = false;
         const tv::SuitcaseCommitResult r = tv::CommitSuitcase(reader, tv::ReadLocalCacheDb(p.workDir), p);
         // Only the read error counts: a refused write would mean the merge went on.
         if (r.errors.empty()) return 0;
         return r.errors.back().rfind(tv::ReadErrorText(""), 0) == 0 ? ToldCause(r.errors.back()) : -1;
     }},
    {"suitcase: write", "work/Caches.bin",
     [](const Case& c) {
         const tvtest::TempDir target;
         tv::SuitcaseExportParams p;
         p.workDir = c.folders.work();
         p.outDir = c.folders.out();
         p.cacheDb = p.workList = true;
         return Told(tv::WriteSuitcase(target.str() + "Carry.tq", p));
     }},
    {"description run: work list", "work/WPList.txt",
     [](const Case& c) {
         std::vector<std::string> codes;
         return Told(tv::LoadWorkList(c.folders.work(), codes));
     }},
    {"description run: template", "program/template.html",
     [](const Case& c) {
         tv::DescriptionRunRequest request;
         request.waypoints = {"GC1"};
         request.templateFile = c.path;
         (void)tv::RunDescriptions(request, {});
         return ToldCause(c.fakes);
     }},
    {"finds loader: save", "work/Finds.bin",
     [](const Case& c) {
         tv::TFoundRec find;
         find.Waypoint = "GC1";
         find.FoundDate = "01.05.2004";
         return Told(tv::SaveFinds(c.path, {find}, {}));
     }},
    {"listing loader: work list", "work/WPList.txt",
     [](const Case& c) { return Told(tv::ReadWorkList(c.folders.work())); }},
    {"CSV dump", "work/Caches.bin",
     [](const Case& c) {
         const tvtest::TempDir target;
         return Told(tv::ExportCachesCsv(c.path, target.str() + "GCrecords.csv", {}, true, tv::CacheDBTable()));
     }},
    {"work-list window: database copy", "work/Caches.bin",
     [](const Case& c) {
         tv::WaypointCollection collection;
         return Told(collection.ReadDBCopy(c.path));
     }},
    // The commands that add to a text list and write it back: the list stays as it is.
    {"originals into the work list, kept", "work/WPList.txt",
     [](const Case& c) {
         return tv::OriginalsToWorkList(c.folders.out(), true, c.folders.work(),
                                        [](const std::string&) { return true; })
             .readError.code;
     }},
    {"reload of marked caches into the work list", "work/WPList.txt",
     [](const Case& c) { return tv::PlanReloadMarked({"GC9"}, true, c.folders.work()).readError.code; }},
    {"route window: save, kept", "work/WPList.txt",
     [](const Case& c) { return tv::SaveRouteWorkList(c.folders.work(), true, {"GC9"}).cause; }},
    {"buddy list: load", "work/Buddies.txt", [](const Case& c) { return Told(tv::BuddyList::load(c.path)); }},
    // In a folder of its own whose ignore list leads to the replaced one: the
    // other lists are written there, the ignore list is not written through.
    {"work-list window: lists loaded, changed and saved", "work/WPignore.txt",
     [](const Case& c) {
         const tvtest::TempDir own;
         fs::create_symlink(c.path, own.path() / "WPignore.txt");
         tv::WaypointCollection collection([](std::string_view, tv::TCacheRec&) { return false; });
         const auto bad = collection.LoadLists(own.str());
         (void)collection.AddByCode("GC9", tv::kIgnoreList, 0, false, true);
         const tv::SaveReport saved = collection.Save(own.str());
         return bad.size() == 1 && saved.refused.size() == 1 ? bad[0].code : -1;
     }},
    {"listing loader: exclusions", "work/WPignore.txt", LoaderRunTold},
    {"listing loader: exclusions", "work/WParchived.txt", LoaderRunTold},
    {"national list conversion: the list", "work/germany.txt",
     [](const Case& c) { return ConvertTold(c.path, c.folders.work() + "Caches.bin"); }},
    {"national list conversion: the database", "work/Caches.bin",
     [](const Case& c) {
         const tvtest::TempDir in;
         return ConvertTold(
             in.write("germany.txt", "1 \"Neu\" 2004 7 3 48 9 \"Traditional Cache\" \"Regular\" GC9 x 1.5 2\n")
                 .string(),
             c.path);
     }},
};

// Puts `kind` where `path` was; `scratch` is a folder of the case for the pipe a link leads to.
void Replace(const std::string& path, Kind kind, const std::string& scratch) {
    fs::remove_all(path);
    if (kind == Folder) fs::create_directory(path);
    if (kind == Pipe) ::mkfifo(path.c_str(), 0644);
    if (kind == Sparse) {
        std::ofstream{path};
        fs::resize_file(path, kSparseBytes);
    }
    if (kind == LinkToPipe) {
        ::mkfifo((scratch + "pipe").c_str(), 0644);
        fs::create_symlink(scratch + "pipe", path);
    }
}

// The replaced entry is still what was put there.
bool StillThere(const std::string& path, Kind kind) {
    struct stat own {
    }, st{};
    if (::lstat(path.c_str(), &own) != 0 || ::stat(path.c_str(), &st) != 0) return false;
    if (S_ISLNK(own.st_mode) != (kind == LinkToPipe)) return false;
    if (kind == Folder) return S_ISDIR(st.st_mode);
    if (kind == Sparse) return S_ISREG(st.st_mode) && st.st_size == kSparseBytes;
    return S_ISFIFO(st.st_mode);
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
    for (const Row& row : kRows) {
        for (const Kind kind : {Folder, Pipe, Sparse, LinkToPipe}) {
            SCOPED_TRACE(std::string(row.command) + " with " + row.file + " a " + kKindNames[kind]);
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
            EXPECT_EQ(told, std::to_string(row.tellsNothing ? 0 : kCauses[kind]))
                << "the cause told (0: none, -1: a box without one, or not as the row expects)";
            EXPECT_TRUE(StillThere(path, kind));
            EXPECT_EQ(RegularFiles(folders, path), before);
        }
    }
}

}  // namespace
