// The main window's rules: folder tree, list rows from a description folder
// and the cache database, their order, home selector, quick info, key filter,
// index menu, column widths and the restored window rectangle.
#include "shell/main_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/fs_name.h"
#include "core/proc_settings.h"
#include "platform/text_encoding.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

TCacheRec Rec(const std::string& code, const std::string& name, const std::string& type, double lat, double lon) {
    TCacheRec r = tvtest::CacheRecord(code, name, lat, lon);
    r.CacheType = type;
    return r;
}

CacheRow Row(const std::string& caption, const std::string& name, const std::string& dist) {
    return CacheRow{caption, 0, name, dist};
}

std::vector<std::string> Column(const std::vector<CacheRow>& rows, int column) {
    std::vector<std::string> out;
    for (const CacheRow& r : rows)
        out.push_back(column == 0 ? r.caption : column == 1 ? r.name : r.distText);
    return out;
}

void SortRows(std::vector<CacheRow>& rows, int column, bool desc) {
    std::sort(rows.begin(), rows.end(),
              [&](const CacheRow& a, const CacheRow& b) { return CompareRows(a, b, column, desc) < 0; });
}

// Work and description folders directly in the temporary folder, and again
// below one whose name needs more than ASCII (UTF-8 on disk).
class MainListFolder : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        sub = GetParam();
        root = dir.str() + W(sub);
        disk = dir.path() / sub;
        ProcSettings = TProcSettings{};
        ProcSettings.WorkDir = root + "work";
        ProcSettings.OutDir = root + "out";
        fs::create_directories(disk / "work");
        ASSERT_TRUE(WriteCacheFile(root + "work/Caches.bin",
                                   {Rec("GC1", "Erster", "TRADITIONAL CACHE", 48, 9),
                                    Rec("GC4", "Vierter", "MULTI-CACHE", 48, 8.5)})
                        .ok());
        dir.write(sub + "out/sub/GC1_converted.html", "x");
        dir.write(sub + "out/sub/GC2_x_converted.html", "x");
        dir.write(sub + "out/sub/GC3.html", "x");
        dir.write(sub + "out/sub/gc4_converted.HTML", "x");
        CacheIndexList.Clear();
    }
    void TearDown() override {
        CacheIndexList.Clear();
        CacheIndexList.SetDir({});
        ProcSettings = TProcSettings{};
    }
    tvtest::TempDir dir;
    std::string sub, root;
    fs::path disk;
};
INSTANTIATE_TEST_SUITE_P(Folders, MainListFolder,
                         ::testing::Values("", "\xC3\x84rger \xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F/"));

TEST_P(MainListFolder, RowsFromConvertedPagesWithDatabaseDataAndDistance) {
    const auto rows = BuildCacheRows(root + "out/sub/", DatabaseLookup(), {48, 8});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (CacheRow{"GC1", 0, "Erster", "74,4"}));
    EXPECT_EQ(rows[1], (CacheRow{"GC2", kImageNotInDB, "Cache nicht in DB gefunden", "9999"}));
    EXPECT_EQ(rows[2], (CacheRow{"gc4", 1, "Vierter", "37,2"}));  // matched ignoring case, caption kept
    EXPECT_EQ(RowCountText(rows.size()), W("3 Konvertierte Cachebeschreibungen im gewählten Verzeichnis"));
    // The look-ups went through an index, built once because the folder had none.
    EXPECT_TRUE(fs::exists(disk / "work/Caches.idx"));
    EXPECT_EQ(CacheIndexList.Count(), 2u);
}

TEST_P(MainListFolder, EmptyOrMissingFolderGivesNoRows) {
    EXPECT_TRUE(BuildCacheRows(root + "out/", DatabaseLookup(), {48, 8}).empty());
    EXPECT_TRUE(BuildCacheRows(root + "nowhere/", DatabaseLookup(), {48, 8}).empty());
    EXPECT_EQ(RowCountText(0), W("0 Konvertierte Cachebeschreibungen im gewählten Verzeichnis"));
}

TEST_P(MainListFolder, SubfoldersSortedWithoutHiddenOnesOrFiles) {
    fs::create_directories(disk / "out/b");
    fs::create_directories(disk / "out/A");
    fs::create_directories(disk / "out/.hidden");
    fs::create_directories(disk / "out/\xC3\x84rger");
    dir.write(sub + "out/x", "file");
    EXPECT_EQ(ListSubfolders(root + "out/"), (std::vector<std::string>{"A", "b", "sub", "\xC4rger"}));
    EXPECT_TRUE(ListSubfolders(root + "missing/").empty());
}

TEST_P(MainListFolder, NamesWindows1252CannotHoldAreSkippedAndReported) {
    const std::string zurich = "Z\xC3\xBCrich\xF0\x9F\x98\x80", japan = "GC5_\xE6\x97\xA5_converted.html";
    fs::create_directories(disk / "out" / zurich);
    fs::create_directories(disk / "out/.\xE6\x97\xA5");
    dir.write(sub + "out/sub/" + japan, "x");
    dir.write(sub + "out/sub/notes_\xE6\x97\xA5.txt", "x");  // no cache file: not worth a word
    std::vector<std::string> folders, files;
    EXPECT_EQ(ListSubfolders(root + "out/", &folders), (std::vector<std::string>{"sub"}));
    EXPECT_EQ(BuildCacheRows(root + "out/sub/", nullptr, {48, 8}, &files).size(), 3u);
    EXPECT_EQ(folders, (std::vector<std::string>{zurich}));
    EXPECT_EQ(SkippedNamesText(files), W("Der Name \"GC5_?_converted.html\" enthält Zeichen, die das Programm nicht "
                                         "darstellen kann, und wird übergangen."));
    EXPECT_EQ(dir.read(sub + "out/sub/" + japan), "x");  // left as it was
}

TEST_P(MainListFolder, IndexMenuFollowsTheIndexFileAndItsAge) {
    const std::string folder = root + "out/sub/";
    IndexMenu m = IndexMenuState(folder);
    EXPECT_FALSE(m.enabled);
    EXPECT_EQ(m.caption, "Indexdatei anzeigen");

    dir.write(sub + "out/sub/index.html", "i");
    const auto t = fs::last_write_time(disk / "out/sub/index.html");
    for (const char* f : {"GC1_converted.html", "GC2_x_converted.html", "gc4_converted.HTML"})
        fs::last_write_time(disk / "out/sub" / f, t);
    m = IndexMenuState(folder);
    EXPECT_TRUE(m.enabled);
    EXPECT_EQ(m.caption, "Indexdatei anzeigen");

    fs::last_write_time(disk / "out/sub/GC2_x_converted.html", t + std::chrono::seconds(2));
    m = IndexMenuState(folder);
    EXPECT_TRUE(m.enabled);
    EXPECT_EQ(m.caption, "veraltete (!) Indexdatei anzeigen");
}

TEST(MainList, CaptionsAndDistanceCells) {
    EXPECT_EQ(CaptionFromConvertedFile("GC12AB_converted.html"), "GC12AB");
    EXPECT_EQ(CaptionFromConvertedFile("GC12AB_x_converted.html"), "GC12AB");
    EXPECT_EQ(CaptionFromConvertedFile("GC12AB"), "GC12AB");
    EXPECT_EQ(FormatDistanceCell(74.4123), "74,4");
    EXPECT_EQ(FormatDistanceCell(0.04), "0,0");
    EXPECT_EQ(FormatDistanceCell(12345.67), "12345,7");  // no grouping
    EXPECT_EQ(FormatDistanceCell(std::nullopt), "9999");
    EXPECT_EQ(FormatDistanceCell(std::nan("")), "9999");
}

TEST(MainList, SortsEveryColumnBothWays) {
    std::vector<CacheRow> rows = {Row("GC3", "abc", "74,4"), Row("gc1", "ABD", "9999"),
                                  Row("GC2", W("Äpfel"), "5,0")};
    SortRows(rows, kColDistance, false);
    EXPECT_EQ(Column(rows, 2), (std::vector<std::string>{"5,0", "74,4", "9999"}));
    SortRows(rows, kColDistance, true);
    EXPECT_EQ(Column(rows, 2), (std::vector<std::string>{"9999", "74,4", "5,0"}));
    SortRows(rows, kColName, false);
    EXPECT_EQ(Column(rows, 1), (std::vector<std::string>{"abc", "ABD", W("Äpfel")}));
    SortRows(rows, kColName, true);
    EXPECT_EQ(Column(rows, 1), (std::vector<std::string>{W("Äpfel"), "ABD", "abc"}));
    SortRows(rows, kColWaypoint, false);
    EXPECT_EQ(Column(rows, 0), (std::vector<std::string>{"gc1", "GC2", "GC3"}));
    SortRows(rows, kColWaypoint, true);
    EXPECT_EQ(Column(rows, 0), (std::vector<std::string>{"GC3", "GC2", "gc1"}));
    // Texts equal but for ASCII case: the byte order decides, upper case first.
    EXPECT_LT(CompareRows(Row("GC1", "ABC", "1"), Row("GC1", "abc", "1"), kColName, false), 0);
    // A distance that is no number sorts after every number.
    EXPECT_LT(CompareRows(Row("A", "", "9999"), Row("B", "", "?"), kColDistance, false), 0);
}

TEST(MainList, ManyEqualDistancesSortInOneRepeatableOrder) {
    std::vector<CacheRow> rows;
    for (int i = 0; i < 10000; ++i) rows.push_back(Row("GC" + std::to_string(i * 7919 % 10007), "x", "9999"));
    std::vector<CacheRow> shuffled = rows;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(3));
    SortRows(rows, kColDistance, false);
    SortRows(shuffled, kColDistance, false);
    EXPECT_EQ(rows, shuffled);
    // Irreflexive and antisymmetric: only a row equal to itself compares 0.
    for (int i = 0; i + 1 < 200; ++i) {
        EXPECT_EQ(CompareRows(rows[i], rows[i], kColDistance, false), 0);
        EXPECT_EQ(CompareRows(rows[i], rows[i + 1], kColDistance, false),
                  -CompareRows(rows[i + 1], rows[i], kColDistance, false));
        EXPECT_LT(CompareRows(rows[i], rows[i + 1], kColDistance, false), 0);
    }
}

TEST(MainList, ColumnClicksToggleOnlyTheSameColumn) {
    SortState s;
    s = NextSort(s, 1);
    EXPECT_EQ(s, (SortState{1, 1, 0}));
    s = NextSort(s, 1);
    EXPECT_EQ(s, (SortState{1, 1, 1}));
    s = NextSort(s, 2);
    EXPECT_EQ(s, (SortState{2, 2, 0}));
    s = NextSort(s, 2);
    s = NextSort(s, 2);
    EXPECT_EQ(s.descending, 0);
}

TEST(MainList, HomeSelectorClampsAndAlwaysAppliesTheHome) {
    TProcSettings s;
    s.HomeLat = 48.5;
    s.HomeLong = 9.25;
    s.AddHomeLat = {"49.12346", "50.00000"};
    s.AddHomeLon = {"8.50000", "-7.50000"};
    s.AddHomeTxt = {"Arbeit", "Urlaub"};

    HomeView v = SelectHome(-1, s);
    EXPECT_EQ(v.pos, 0);
    EXPECT_EQ(v.label, W("HOME (primär)"));
    EXPECT_TRUE(v.blue);
    EXPECT_EQ(v.home, (LatLon{48.5, 9.25}));

    v = SelectHome(1, s);
    EXPECT_EQ(v.label, "Arbeit");
    EXPECT_FALSE(v.blue);
    EXPECT_EQ(v.coordText, FormatCoord(49.12346, 8.5));

    v = SelectHome(3, s);  // clamped to 2 and applied
    EXPECT_EQ(v.pos, 2);
    EXPECT_EQ(v.label, "Urlaub");
    EXPECT_EQ(v.home, (LatLon{50.0, -7.5}));

    // The settings dialog removed the second home: the selector moves to the
    // first one and no longer measures from the removed one.
    s.AddHomeLat.pop_back();
    s.AddHomeLon.pop_back();
    s.AddHomeTxt.pop_back();
    v = SelectHome(2, s);
    EXPECT_EQ(v.pos, 1);
    EXPECT_EQ(v.label, "Arbeit");
    EXPECT_EQ(v.home.lat, 49.12346);

    EXPECT_EQ(SelectHome(1, TProcSettings{}).pos, 0);  // no additional homes
}

TEST(MainList, QuickInfoTexts) {
    TCacheRec r = Rec("GC1", "Mühle", "TRADITIONAL CACHE", 48.2, 11.5);
    r.Size = "Regular";
    r.Difficulty = "1.5";
    EXPECT_EQ(QuickInfoKind(r), "Regular TRADITIONAL CACHE (1.5/?)");
    r.Size = "";
    r.Terrain = "2";
    EXPECT_EQ(QuickInfoKind(r), "TRADITIONAL CACHE (1.5/2)");
    const QuickInfoView v = QuickInfoFound(r, 2);
    EXPECT_TRUE(v.found);
    EXPECT_EQ(v.archiveState, 2);
    EXPECT_EQ(v.coords, FormatCoord(48.2, 11.5));
    const QuickInfoView n = QuickInfoNotFound("gc9z");
    EXPECT_FALSE(n.found);
    EXPECT_EQ(n.name, "Cache mit Waypoint GC9Z nicht in der Datenbank gefunden.");
    EXPECT_TRUE(n.kind.empty());
    EXPECT_TRUE(n.coords.empty());
}

TEST(MainList, WaypointKeyFilter) {
    EXPECT_EQ(FilterWaypointChar('g'), 'G');
    EXPECT_EQ(FilterWaypointChar('Z'), 'Z');
    EXPECT_EQ(FilterWaypointChar('1'), '1');
    EXPECT_EQ(FilterWaypointChar('\b'), '\b');
    EXPECT_EQ(FilterWaypointChar('-'), std::nullopt);
    EXPECT_EQ(FilterWaypointChar(' '), std::nullopt);
    EXPECT_EQ(FilterWaypointChar('\xE4'), std::nullopt);  // ä
}

TEST(MainList, ColumnWidths) {
    TProcSettings s;
    s.Main_Col1Width = s.Main_Col2Width = s.Main_Col3Width = 0;
    EXPECT_EQ(ColumnWidths(s, 600), (ColumnWidthSet{73, 447, 60}));
    EXPECT_EQ(ColumnWidths(s, 100), (ColumnWidthSet{73, kMinNameColumnWidth, 60}));  // never negative
    s.Main_Col1Width = 10;
    s.Main_Col2Width = 20;
    s.Main_Col3Width = 30;
    EXPECT_EQ(ColumnWidths(s, 600), (ColumnWidthSet{10, 20, 30}));
    s.Main_Col2Width = -5;  // from a narrow window's default: the default instead
    EXPECT_EQ(ColumnWidths(s, 600), (ColumnWidthSet{10, 447, 30}));
}

TEST(MainList, RestoredGeometryThresholds) {
    TProcSettings s;
    s.Main_Left = 30;
    s.Main_Top = 40;
    s.Main_Width = 500;
    s.Main_Height = 400;
    const WindowRect layout{5, 6, 820, 600};
    EXPECT_EQ(RestoredGeometry(s, layout), layout);  // not remembered
    s.Main_MemWinSize = true;
    EXPECT_EQ(RestoredGeometry(s, layout), (WindowRect{30, 40, 820, 600}));
    s.Main_Width = 501;
    s.Main_Height = 401;
    EXPECT_EQ(RestoredGeometry(s, layout), (WindowRect{30, 40, 501, 401}));
    // A position from a monitor that is gone is moved back onto the screen.
    s.Main_Left = 3000;
    s.Main_Top = -200;
    EXPECT_EQ(RestoredGeometry(s, layout, {0, 0, 1280, 1024}), (WindowRect{779, 0, 501, 401}));
    // A size larger than the screen (32767 from a damaged file) is clamped to it.
    EXPECT_EQ(RestoredGeometry(s, layout, {0, 0, 400, 300}), (WindowRect{0, 0, 400, 300}));
    s.Main_Width = 32767;
    EXPECT_EQ(RestoredGeometry(s, layout, {0, 24, 1280, 1000}), (WindowRect{0, 24, 1280, 401}));
}

}  // namespace
}  // namespace tv
