#include "core/debug_log.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app_paths.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

using namespace tv;

namespace {

// Points the program folder at a temporary folder for one test.
struct ProgramDirScope {
    std::string previous = ProgramDir();
    explicit ProgramDirScope(const std::string& dir) { SetProgramDir(dir); }
    ~ProgramDirScope() { SetProgramDir(previous); }
};

}  // namespace

TEST(DebugLog, CreatesThenAppendsStampedLines) {
    tvtest::TempDir dir;
    ProgramDirScope scope(dir.str());
    platform::ScopedFakes fakes;  // clock at 2007-02-03 09:05:07
    EXPECT_TRUE(WriteDebugLog("hello"));
    EXPECT_EQ(tvtest::ReadFileBytes(dir.path() / "debug.log"), "03-02-07 09:05:07 hello\r\n");

    fakes.clock.time = {2010, 12, 31, 23, 59, 58, 999};
    EXPECT_TRUE(WriteDebugLog("INF: frmLoadHTML.formShow: startproc \xE4"));
    EXPECT_EQ(tvtest::ReadFileBytes(dir.path() / "debug.log"),
              "03-02-07 09:05:07 hello\r\n31-12-10 23:59:58 INF: frmLoadHTML.formShow: startproc \xE4\r\n");

    EXPECT_EQ(FormatDebugLine({2000, 1, 2, 3, 4, 5, 0}, ""), "02-01-00 03:04:05 \r\n");
}

TEST(DebugLog, DebugLogFollowsTheSwitchAndFailuresAreSwallowed) {
    tvtest::TempDir dir;
    ProgramDirScope scope(dir.str());
    platform::ScopedFakes fakes;
    DebugMode = false;
    DebugLog("off");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "debug.log"));
    DebugMode = true;
    DebugLog("on");
    DebugMode = false;
    EXPECT_EQ(tvtest::ReadFileBytes(dir.path() / "debug.log"), "03-02-07 09:05:07 on\r\n");

    // A program folder that cannot hold the log: no exception, just false.
    SetProgramDir((dir.path() / "missing" / "deeper").string());
    EXPECT_FALSE(WriteDebugLog("lost"));
    EXPECT_TRUE(fakes.messages.shown.empty());
}

TEST(ErrorBox, TextLayoutAndCodeZero) {
    platform::ScopedFakes fakes;
    EXPECT_EQ(ShowSysError(0, "x"), 0);
    EXPECT_TRUE(fakes.messages.shown.empty());

    EXPECT_EQ(ShowSysError(ENOENT, "Kann Datei /w/Caches.bin nicht lesen."), ENOENT);
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    const auto& box = fakes.messages.shown[0];
    EXPECT_EQ(box.kind, platform::MsgKind::Error);
    EXPECT_EQ(box.buttons, platform::MsgButtons::Ok);
    EXPECT_EQ(box.text,
              "Kann Datei /w/Caches.bin nicht lesen.\n\nFehlercode: 2\nFehlermeldung: " + SysErrorMessage(ENOENT));

    EXPECT_EQ(FormatSysErrorText(-5, "a", "b"), "a\n\nFehlercode: -5\nFehlermeldung: b");
    // The system's German text (scripts/deps installs its catalogue).
    EXPECT_EQ(SysErrorMessage(EACCES), "Keine Berechtigung");
    EXPECT_FALSE(SysErrorMessage(123456).empty());
}

TEST(ArchiveMarks, StatesIgnoreCaseAndArchivedWins) {
    TArchiveList list;
    list.Assign({"D;GC1", "a;gc1", "d;gc2", "A;GCÄ"});
    EXPECT_EQ(list.State("GC1"), 2);
    EXPECT_EQ(list.State("gc2"), 1);
    EXPECT_EQ(list.State("GC3"), 0);
    EXPECT_EQ(list.State("GC"), 0);  // whole lines only
    EXPECT_EQ(list.Count(), 4u);

    list.LoadFromText("A;GCAA\r\nD;GCBB\nD;GCCC \r\n");
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.State("GCAA"), 2);
    EXPECT_EQ(list.State("gcbb"), 1);
    EXPECT_EQ(list.State("GCCC"), 0);  // trailing blank: another line
    EXPECT_EQ(list.State("GCCC "), 1);

    tvtest::TempDir dir;
    const auto file = dir.write("WParchived.txt", "D;GC9\r\nA;GC9\r\n");
    ArchiveList.Clear();
    EXPECT_EQ(GetArchiveState("GC9"), 0);
    ASSERT_TRUE(ArchiveList.LoadFromFile(file.string()));
    EXPECT_EQ(GetArchiveState("gc9"), 2);
    EXPECT_FALSE(ArchiveList.LoadFromFile((dir.path() / "none.txt").string()));
    EXPECT_EQ(GetArchiveState("GC9"), 0);
    EXPECT_EQ(ArchiveList.Count(), 0u);
}

TEST(SmallUtilities, CommaToPointAndLeadingNumberSort) {
    std::string t = "1,5,2";
    CommaToPoint(t);
    EXPECT_EQ(t, "1.5.2");

    std::vector<std::string> lines = {"10\xFF" "a", "9,5\xFF" "b", "2\xFF" "c"};
    SortByLeadingNumber(lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"2\xFF" "c", "9.5\xFF" "b", "10\xFF" "a"}));

    // Equal keys keep their order; lines that never take part in an exchange
    // keep their comma; keys that are not numbers go last without an error.
    lines = {"1,5\xFF" "first", "", "x\xFF" "bad", "3\xFF" "a", "3,0\xFF" "b", "2,5\xFF" "c", "7,25\xFF" "d"};
    SortByLeadingNumber(lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"1,5\xFF" "first", "2.5\xFF" "c", "3\xFF" "a", "3.0\xFF" "b",
                                               "7.25\xFF" "d", "", "x\xFF" "bad"}));
    // A line that is exchanged forth and back again still gets the point.
    lines = {"2\xFF", "1,5\xFF", "3\xFF", "0\xFF"};
    SortByLeadingNumber(lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"0\xFF", "1.5\xFF", "2\xFF", "3\xFF"}));
    lines = {"5,5\xFF" "x"};
    SortByLeadingNumber(lines);
    EXPECT_EQ(lines[0], "5,5\xFF" "x");
}

TEST(SmallUtilities, GridSortKeepsHeaderAndCells) {
    TGridRows grid = {{"WP", "Name", "km"}};
    SortGridByColumn(grid, 1, false);
    EXPECT_EQ(grid, (TGridRows{{"WP", "Name", "km"}}));

    grid = {{"WP", "Name", "km"},
            {"GC1", "b", "10.5"},
            {"GC2", "A", ""},
            {"GC3", "c\xFFzwei\r\nZeilen", "2.000"},
            {"GC4", "\xE4rger", "2,000"},
            {"GC5"}};
    TGridRows byName = grid;
    SortGridByColumn(byName, 1, false);
    EXPECT_EQ(byName, (TGridRows{{"WP", "Name", "km"},
                                 {"GC5"},
                                 {"GC2", "A", ""},
                                 {"GC1", "b", "10.5"},
                                 {"GC3", "c\xFFzwei\r\nZeilen", "2.000"},
                                 {"GC4", "\xE4rger", "2,000"}}));
    TGridRows byKm = grid;
    SortGridByColumn(byKm, 2, true);
    EXPECT_EQ(byKm, (TGridRows{{"WP", "Name", "km"},
                               {"GC3", "c\xFFzwei\r\nZeilen", "2.000"},
                               {"GC4", "\xE4rger", "2,000"},
                               {"GC1", "b", "10.5"},
                               {"GC2", "A", ""},
                               {"GC5"}}));
}
