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

#include "core/cache_db.h"
#include "core/proc_settings.h"
#include "platform/text_encoding.h"
#include "support/file_time.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

namespace fs = std::filesystem;


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
                                   {tvtest::CacheRecord("GC1", "Erster", 48, 9, "TRADITIONAL CACHE"),
                                    tvtest::CacheRecord("GC4", "Vierter", 48, 8.5, "MULTI-CACHE")})
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

    // The folder's index page: stale once a page is newer than it, not before.
    EXPECT_FALSE(IndexMenuState(root + "out/sub").enabled);
    const std::string index = dir.write(sub + "out/sub/index.html", "i").string();
    const std::string page = (disk / "out/sub/GC1_converted.html").string();
    for (const char* p : {"GC1_converted.html", "GC2_x_converted.html", "gc4_converted.HTML"})
        tvtest::SetLocalFileTime((disk / "out/sub" / p).string(), 2026, 3, 1);
    tvtest::SetLocalFileTime(index, 2026, 3, 2);
    IndexMenu menu = IndexMenuState(root + "out/sub");
    EXPECT_TRUE(menu.enabled);
    EXPECT_EQ(menu.caption, "Indexdatei anzeigen");
    tvtest::SetLocalFileTime(page, 2026, 3, 3);
    menu = IndexMenuState(root + "out/sub");
    EXPECT_TRUE(menu.enabled);
    EXPECT_EQ(menu.caption, "veraltete (!) Indexdatei anzeigen");
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

TEST(MainList, StoredWindowSizeStaysOnTheScreen) {
    TProcSettings s;
    s.Main_MemWinSize = true;
    s.Main_Left = 3000;
    s.Main_Top = -200;
    s.Main_Width = 32767;  // from a damaged file or a larger screen
    s.Main_Height = 401;
    EXPECT_EQ(RestoredGeometry(s, {5, 6, 820, 600}, {0, 24, 1280, 1000}), (WindowRect{0, 24, 1280, 401}));
    s.Main_Width = 501;
    EXPECT_EQ(RestoredGeometry(s, {5, 6, 820, 600}, {0, 0, 1280, 1024}), (WindowRect{779, 0, 501, 401}));
}

}  // namespace
}  // namespace tv
