// The main window's commands without the window: text lists, marks, moving
// and deleting cache files, the folder commands, "dirlist.txt", the reload
// plan, the debug switch, the index rebuild and dropped files.
#include "shell/main_commands.h"

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "acquire/listing_loader.h"
#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/cache_rec.h"
#include "core/debug_log.h"
#include "core/proc_settings.h"
#include "pages/description_run.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "shell/main_commands_drops.h"
#include "support/temp_dir.h"
#include "support/zip_build.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// Every name below a folder (files only, relative, sorted).
std::set<std::string> Tree(const fs::path& root) {
    std::set<std::string> out;
    if (!fs::exists(root)) return out;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) out.insert(fs::relative(e.path(), root).generic_string());
    return out;
}

struct RecordingProgress final : platform::IProgress {
    std::vector<std::pair<int, int>> ranges;
    std::vector<std::string> actions;
    int position = 0;
    bool hidden = false;
    void setRange(int lo, int hi) override { ranges.emplace_back(lo, hi); }
    void setPosition(int p) override { position = p; }
    void setAction(const std::string& t) override { actions.push_back(t); }
    void hide() override { hidden = true; }
};

class MainCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir_ = ProgramDir();
        SetProgramDir(dir.str() + "prog");
        fs::create_directories(dir.path() / "prog");
        fs::create_directories(dir.path() / "work");
        ProcSettings = TProcSettings{};
        ProcSettings.WorkDir = dir.str() + "work";
        ProcSettings.OutDir = dir.str() + "out";
        work = dir.str() + "work/";
    }
    void TearDown() override {
        CacheIndexList.Clear();
        CacheIndexList.SetDir({});
        DebugMode = false;
        ProcSettings = TProcSettings{};
        SetProgramDir(previousDir_);
    }

    tvtest::TempDir dir;
    platform::ScopedFakes fakes;
    std::string work;

private:
    std::string previousDir_;
};

// The commands again below a folder whose name needs more than ASCII.
class MainCommandsIn : public MainCommandsTest, public ::testing::WithParamInterface<const char*> {
protected:
    const std::string sub = GetParam();  // UTF-8, as on disk
    const std::string root = dir.str() + W(sub);
};
INSTANTIATE_TEST_SUITE_P(Folders, MainCommandsIn,
                         ::testing::Values("", "J\xC3\xBCrgen \xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F/"));

TEST_F(MainCommandsTest, NodeFoldersStayInsideTheDescriptionFolder) {
    EXPECT_EQ(NodeFolder("/d/out", ""), "/d/out/");
    EXPECT_EQ(NodeFolder("/d/out/", "B"), "/d/out/B/");
    EXPECT_EQ(NodeFolder("/d/out/", ".."), std::nullopt);
    EXPECT_EQ(NodeFolder("/d/out/", "."), std::nullopt);
    EXPECT_EQ(NodeFolder("/d/out/", "a/b"), std::nullopt);
}

TEST_P(MainCommandsIn, MoveTakesTheFilesOfTheCodeOnly) {
    for (const char* f : {"A/GC1.html", "A/GC1.meta", "A/GC1_i1.jpg", "A/GC1_converted.html", "A/GC10_converted.html"})
        dir.write(sub + f, std::string("data of ") + f);
    fs::create_directories(dir.path() / sub / "B");
    RecordingProgress progress;
    platform::FakePump pump;
    const std::string a = root + "A/", b = root + "B/";
    const MoveResult r = MoveCaches({"GC1"}, a, b, progress, pump);
    EXPECT_EQ(r.caches, 1);
    EXPECT_EQ(r.moved, 3);  // the meta file is moved but not counted
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(Tree(dir.path() / sub / "B"),
              (std::set<std::string>{"GC1.html", "GC1.meta", "GC1_converted.html", "GC1_i1.jpg"}));
    EXPECT_EQ(Tree(dir.path() / sub / "A"), (std::set<std::string>{"GC10_converted.html"}));
    EXPECT_EQ(dir.read(sub + "B/GC1_i1.jpg"), "data of A/GC1_i1.jpg");
    EXPECT_EQ(MoveReportText(r, a, b), "3 Dateien aus 1 Caches erfolgreich von " + a + " nach " + b + " verschoben.");
    EXPECT_EQ(progress.actions, (Lines{"Verschiebe Dateien..."}));
    EXPECT_EQ(progress.ranges.back(), (std::pair<int, int>{0, 1}));
    EXPECT_EQ(progress.position, 1);
    EXPECT_TRUE(progress.hidden);
}

TEST_F(MainCommandsTest, CodesAreNoWildcards) {
    // Linux allows '*' and '?' in names; a row called so must not reach the
    // files of other caches.
    dir.write("A/GC*_converted.html", "star");
    dir.write("A/GC1_converted.html", "one");
    dir.write("A/GC?.html", "q");
    fs::create_directories(dir.path() / "B");
    RecordingProgress progress;
    platform::FakePump pump;
    const MoveResult r = MoveCaches({"GC*"}, dir.str() + "A/", dir.str() + "B/", progress, pump);
    EXPECT_EQ(r.moved, 1);
    EXPECT_EQ(Tree(dir.path() / "B"), (std::set<std::string>{"GC*_converted.html"}));
    const DeleteResult d = DeleteCaches({"GC?", "", "../A/GC1"}, dir.str() + "A/");
    EXPECT_EQ(d.files, 1);
    EXPECT_EQ(Tree(dir.path() / "A"), (std::set<std::string>{"GC1_converted.html"}));
}

// The immutable flag stops even root from removing a file (CI runs as root).
bool MakeUndeletable(const std::string& file, bool on) {
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
}

TEST_P(MainCommandsIn, DeleteCountsTheFilesRemoved) {
    for (const char* f : {"A/GC1.html", "A/GC1_i1.jpg", "A/GC1_converted.html", "A/GC12_converted.html", "A/GC2.meta"})
        dir.write(sub + f, "x");
    DeleteResult r = DeleteCaches({"GC1"}, root + "A/");
    EXPECT_EQ(DeleteReportText(r), W("1 Cache gelöscht (3 Dateien insgesamt)"));
    EXPECT_EQ(Tree(dir.path() / sub / "A"), (std::set<std::string>{"GC12_converted.html", "GC2.meta"}));
    r = DeleteCaches({"GC2", "GC12"}, root + "A/");
    EXPECT_EQ(DeleteReportText(r), W("2 Caches gelöscht (2 Dateien insgesamt)"));
    EXPECT_TRUE(Tree(dir.path() / sub / "A").empty());
    // The files of GC12 are its own: none of GC123's goes with them.
    const std::set<std::string> longer = {"GC123.html", "GC123.meta", "GC123_i1.jpg", "GC123_converted.html"};
    for (const std::string code : {"GC12", "GC123"})
        for (const char* f : {".html", ".meta", "_i1.jpg", "_converted.html"}) dir.write(sub + "A/" + code + f, "x");
    r = DeleteCaches({"GC12"}, root + "A/");
    EXPECT_EQ(r.files, 4);
    EXPECT_EQ(Tree(dir.path() / sub / "A"), longer);
    // A file that cannot be removed is reported, not counted as deleted.
    dir.write(sub + "A/GC3.html", "x");
    const std::string stuck = dir.write(sub + "A/GC3_converted.html", "x").string();
    if (!MakeUndeletable(stuck, true)) GTEST_SKIP() << "no way to make a file undeletable here";
    r = DeleteCaches({"GC3"}, root + "A/");
    MakeUndeletable(stuck, false);
    EXPECT_EQ(r.files, 1);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(DeleteReportText(r), W("1 Cache gelöscht (1 Dateien insgesamt)\r\n\r\n1 Dateien konnten nicht gelöscht "
                                     "werden, zum Beispiel ") + root + "A/GC3_converted.html.");
    EXPECT_EQ(DeleteQuestionText(), W("Achtung! Alle Dateien zu den markierten Caches werden unwiderruflich "
                                      "gelöscht!\r\n\r\nMarkierte Caches wirklich löschen?"));
}

TEST_F(MainCommandsTest, ReloadPlanAddsMarkedCodesToTheWorkList) {
    dir.write("work/WPList.txt", "gc1\r\nGC9\r\n");
    ReloadPlan plan = PlanReloadMarked({"GC1", "GC2"}, true, work);
    EXPECT_EQ(plan.handOver, (Lines{"GC1", "GC2"}));
    EXPECT_TRUE(plan.saveWorkList);
    EXPECT_EQ(plan.workList, (Lines{"gc1", "GC9", "GC2"}));
    plan = PlanReloadMarked({"GC1", "GC2"}, false, work);
    EXPECT_EQ(plan.handOver, (Lines{"GC1", "GC2"}));
    EXPECT_FALSE(plan.saveWorkList);
    EXPECT_TRUE(plan.workList.empty());
    EXPECT_EQ(ReloadQuestionText(2), W("2 Cachebeschreibungen werden erneut geladen.\r\n\r\nSollen die Wegpunkte "
                                       "dieser Caches der Arbeitsliste hinzugefügt werden, um nach dem erneuten Laden "
                                       "eine einfachere Erzeugung der konvertierten Beschreibungen zu ermöglichen?"));
}

TEST_F(MainCommandsTest, RebuildIndexReportsFailures) {
    EXPECT_EQ(RebuildIndex(), W("Die Cache-Datenbank ") + work + W("Caches.bin konnte nicht geöffnet werden."));
    TCacheRec a, b;
    a.Waypoint = "GC2";
    b.Waypoint = "GC1";
    ASSERT_TRUE(WriteCacheFile(work + "Caches.bin", {a, b}).ok());
    EXPECT_EQ(RebuildIndex(), "");
    EXPECT_EQ(fs::file_size(work + "Caches.idx"), 2 * 24u);
    TCacheRec found;
    EXPECT_TRUE(FindCacheByWaypoint("GC1", found));
    EXPECT_EQ(found.RecNo, 1);
}

// ---- dropped files ---------------------------------------------------------------

TEST_F(MainCommandsTest, DropsAreImportedInOrderAndArchivesStayInTheirFolder) {
    dir.write("drop/a.gpx", "A");
    dir.write("drop/b_wpts.gpx", "B");
    dir.write("drop/d.txt", "D");
    dir.write("drop/c.zip", tvtest::BuildZip({{"x.gpx", "X"},
                                                {"d/y.GPX", "Y"},
                                                {"z.gpx.txt", "Z"},
                                                {"../evil.gpx", "E"},
                                                {"r.txt", "R"}}));
    const std::string drop = dir.str() + "drop/";
    fs::create_directories(dir.path() / "tmp");
    EXPECT_EQ(ClassifyDrop(drop + "a.gpx"), DropKind::Gpx);
    EXPECT_EQ(ClassifyDrop(drop + "b_wpts.gpx"), DropKind::AddWaypointsGpx);
    EXPECT_EQ(ClassifyDrop(drop + "c.zip"), DropKind::Zip);
    EXPECT_EQ(ClassifyDrop(drop + "d.txt"), DropKind::Other);
    EXPECT_EQ(ClassifyDrop(drop + "d.zip"), DropKind::Other);  // no archive

    std::vector<std::pair<std::string, std::string>> calls;  // kind, file (and its contents)
    DropHandlers h;
    h.importGpx = [&](const std::string& f) { calls.emplace_back("gpx:" + f, tvtest::ReadFileBytes(f)); };
    h.importAddWaypoints = [&](const std::string& f) { calls.emplace_back("wpts:" + f, tvtest::ReadFileBytes(f)); };
    ProcessDroppedFiles({drop + "a.gpx", drop + "b_wpts.gpx", drop + "c.zip", drop + "d.txt"}, h, dir.str() + "tmp");

    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0], (std::pair<std::string, std::string>{"gpx:" + drop + "a.gpx", "A"}));
    EXPECT_EQ(calls[1], (std::pair<std::string, std::string>{"wpts:" + drop + "b_wpts.gpx", "B"}));
    const std::string unpacked = calls[2].first.substr(4, calls[2].first.size() - 4 - 5);
    EXPECT_EQ(unpacked.rfind(dir.str() + "tmp/", 0), 0u);
    EXPECT_EQ(calls[2].second, "X");
    EXPECT_EQ(calls[3], (std::pair<std::string, std::string>{"gpx:" + unpacked + "d/y.GPX", "Y"}));
    // Nothing outside the new folder, and the folder is gone afterwards.
    EXPECT_FALSE(fs::exists(dir.path() / "evil.gpx"));
    EXPECT_FALSE(fs::exists(dir.path() / "tmp/evil.gpx"));
    EXPECT_TRUE(Tree(dir.path() / "tmp").empty());
    EXPECT_EQ(Tree(dir.path() / "drop"), (std::set<std::string>{"a.gpx", "b_wpts.gpx", "c.zip", "d.txt"}));
    // The refused entry is reported.
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].kind, platform::MsgKind::Error);
    EXPECT_NE(fakes.messages.shown[0].text.find("../evil.gpx"), std::string::npos);
}

TEST_F(MainCommandsTest, ABrokenArchiveIsReportedAndImportsNothing) {
    std::string zip = tvtest::BuildZip({{"x.gpx", std::string(4000, 'x')}});
    zip[40] = static_cast<char>(zip[40] ^ 0x55);  // inside the packed data: CRC or data error
    dir.write("drop/c.ZIP", zip);
    fs::create_directories(dir.path() / "tmp");
    int imports = 0;
    DropHandlers h;
    h.importGpx = [&](const std::string&) { ++imports; };
    ProcessDroppedFiles({dir.str() + "drop/c.ZIP"}, h, dir.str() + "tmp");
    EXPECT_EQ(imports, 0);
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].text.rfind(W("Fehler beim Entpacken der Datei ") + dir.str() + "drop/c.ZIP", 0),
              0u);
    EXPECT_TRUE(Tree(dir.path() / "tmp").empty());

    // Without a GPX import an archive is not even unpacked.
    h.importGpx = nullptr;
    dir.write("drop/ok.zip", tvtest::BuildZip({{"x.gpx", "X"}}));
    ProcessDroppedFiles({dir.str() + "drop/ok.zip"}, h, dir.str() + "tmp");
    EXPECT_TRUE(fs::is_empty(dir.path() / "tmp"));
    EXPECT_EQ(fakes.messages.shown.size(), 1u);
}

}  // namespace
}  // namespace tv
