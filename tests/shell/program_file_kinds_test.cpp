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
int ToldCause(const std::string& boxText) {
    const std::size_t at = boxText.find("Fehlercode: ");
    return at == std::string::npos ? -1 : std::atoi(boxText.c_str() + at + 12);
}
int ToldCause(const tv::platform::ScopedFakes& fakes) {
    return fakes.messages.shown.empty() ? 0 : ToldCause(fakes.messages.shown.back().text);
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

// An export of the dialog into a folder of its own: the cause of its read
// error when it wrote nothing, -2 when it wrote a file all the same.
int ExportFrom(tv::ExportSource source, const Case& c) {
    const tvtest::TempDir target;
    tv::ExportRequest request;
    request.source = source;
    request.outPath = target.str() + "export.gpx";
    request.context.workDir = c.folders.work();
    const tv::ExportResult r = tv::RunExport(request);
    if (fs::exists(request.outPath)) return -2;
    return r.readStopped ? r.readError : 0;
}

// The commands that read the program's files: exports, imports, the suitcase,
// descriptions, the loaders.
const std::vector<Row> kCommandRows = {
    {"export: all caches", "work/Caches.bin", [](const Case& c) { return ExportFrom(tv::ExportSource::Database, c); }},
    {"export: work list", "work/Caches.bin", [](const Case& c) { return ExportFrom(tv::ExportSource::WorkList, c); }},
    {"export: work list", "work/WPList.txt", [](const Case& c) { return ExportFrom(tv::ExportSource::WorkList, c); }},
    {"GPX import: first pass", "work/Caches.bin",
     [](const Case& c) {
         const tvtest::TempDir in;
         const std::string gpx = in.write("pq.gpx",
             "<?xml version=\"1.0\"?>\n<gpx xmlns=\"http://www.topografix.com/GPX/1/0\"><wpt lat=\"49.5\" "
             "lon=\"11.1\"><name>GC1</name><urlname>Eins</urlname><groundspeak:cache id=\"1\" "
             "xmlns:groundspeak=\"http://www.groundspeak.com/cache/1/0\"><groundspeak:type>Traditional Cache"
             "</groundspeak:type></groundspeak:cache></wpt></gpx>\n").string();
         tv::GpxImportSession session(tv::GpxImportParams{gpx, tv::LatLon{49, 11}, [](std::string_view) { return 0; }});
         const tv::GpxPass1Result& r = session.pass1();
         return r.error && r.entries.empty() ? ToldCause(*r.error) : 0;
     }},
    {"suitcase: merge", "work/Caches.bin",
     [](const Case& c) {
         // A suitcase with a cache and a work-list entry this PC lacks.
         const auto i32 = [](std::int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
         const tvtest::TempDir other;
         const std::string carry = other.write("Carry.tq", i32(1) + tv::EncodeCacheRecs({tvtest::CacheRecord("GC9")}) +
                                                             i32(1) + std::string("\3GC9") + std::string(9, '\0') +
                                                             i32(0) + i32(0) + i32(0) + i32(0)).string();
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
         const auto r = tv::WriteSuitcase(target.str() + "Carry.tq", p);
         return r ? 0 : ToldCause(r.error());
     }},
    {"description run: work list", "work/WPList.txt",
     [](const Case& c) {
         std::vector<std::string> codes;
         const auto r = tv::LoadWorkList(c.folders.work(), codes);
         return r ? 0 : ToldCause(r.error());
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
         const auto r = tv::SaveFinds(c.path, {find}, {});
         return r ? 0 : ToldCause(r.error());
     }},
    {"listing loader: work list", "work/WPList.txt",
     [](const Case& c) {
         const auto r = tv::ReadWorkList(c.folders.work());
         return r ? 0 : ToldCause(r.error());
     }},
    {"CSV dump", "work/Caches.bin",
     [](const Case& c) {
         const tvtest::TempDir target;
         const auto r = tv::ExportCachesCsv(c.path, target.str() + "GCrecords.csv", {}, true, tv::CacheDBTable());
         return r ? 0 : ToldCause(r.error());
     }},
    {"work-list window: database copy", "work/Caches.bin",
     [](const Case& c) {
         tv::WaypointCollection collection;
         const auto r = collection.ReadDBCopy(c.path);
         return r ? 0 : ToldCause(r.error());
     }},
};

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

// The commands that add to a text list and write it back: a list they cannot
// read is told and stays as it is.
const std::vector<Row> kListRows = {
    {"originals into the work list, kept", "work/WPList.txt",
     [](const Case& c) {
         return tv::OriginalsToWorkList(c.folders.out(), true, c.folders.work(), [](const std::string&) { return true; })
             .readError.code;
     }},
    {"reload of marked caches into the work list", "work/WPList.txt",
     [](const Case& c) { return tv::PlanReloadMarked({"GC9"}, true, c.folders.work()).readError.code; }},
    {"route window: save, kept", "work/WPList.txt",
     [](const Case& c) { return tv::SaveRouteWorkList(c.folders.work(), true, {"GC9"}).cause; }},
    {"buddy list: load", "work/Buddies.txt",
     [](const Case& c) {
         const auto r = tv::BuddyList::load(c.path);
         return r ? 0 : ToldCause(r.error());
     }},
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
         return bad.size() == 1 && saved.refused.size() == 1 ? ToldCause(bad[0]) : -1;
     }},
    {"listing loader: exclusions", "work/WPignore.txt", LoaderRunTold},
    {"listing loader: exclusions", "work/WParchived.txt", LoaderRunTold},
    {"national list conversion: the list", "work/germany.txt",
     [](const Case& c) { return ConvertTold(c.path, c.folders.work() + "Caches.bin"); }},
    {"national list conversion: the database", "work/Caches.bin",
     [](const Case& c) {
         const tvtest::TempDir in;
         return ConvertTold(in.write("germany.txt", "1 \"Neu\" 2004 7 3 48 9 \"Traditional Cache\" \"Regular\" GC9 x 1.5 2\n")
                                .string(),
                            c.path);
     }},
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
    rows.insert(rows.end(), kListRows.begin(), kListRows.end());
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
