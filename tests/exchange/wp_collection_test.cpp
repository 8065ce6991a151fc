#include "exchange/wp_collection.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/cache_rec.h"
#include "core/file_procs.h"
#include "core/ini_file.h"
#include "core/number_format.h"
#include "exchange/wpcol_settings.h"
#include "platform/text_encoding.h"
#include "support/records.h"
#include "support/write_fault.h"

using namespace tv;
using tvtest::CacheRecord;

namespace {

std::vector<std::string> Codes(const WaypointCollection& c, int list) {
    std::vector<std::string> out;
    for (const WpEntry& e : c.List(list)) out.push_back(e.rec.Waypoint.str());
    return out;
}

std::string FindBytes(const char* code, const std::string& name, const char* date, double lat = 48.5) {
    TFoundRec f;
    f.Lat = lat;
    f.Lon = 8.25;
    f.Waypoint = code;
    f.Name = name;
    f.FoundDate = date;
    const auto b = EncodeFoundRec(f);
    return std::string(reinterpret_cast<const char*>(b.data()), b.size());
}

}  // namespace

// Loading through the database index, saving byte for byte with backups.
TEST(WaypointCollectionFiles, ListsRoundTripWithBackups) {
    tvtest::WorkFolder dir;
    TCacheRec a = CacheRecord("GC1", "DB Name", 49, 9);
    a.CacheType = "MULTI-CACHE";
    dir.writeCaches({a, CacheRecord("GC7", "Seven", 48, 8)});
    dir.write("WPlist.txt", "GC1\r\ngc1\r\nGC2\r\n");  // other spelling of the name, as older versions wrote it
    dir.write("WPclipboard.txt", "GC9\r\nGC9\r\n\r\n");
    dir.write("WPignore.txt", "gc7\nGC8");  // LF only, no final line end
    dir.write("WParchived.txt", "A;GC11\r\nD;GC12\r\nX;Y;GC13\r\nA;gc14\r\nGC15\r\n");
    const std::string longName(100, 'n');
    dir.write("Finds.bin", FindBytes("GC1", "Old", "28.11.2007") + FindBytes("GC2", longName, "03.07.2004") +
                               FindBytes("GC3", "C", "xx"));

    WaypointCollection c;
    EXPECT_TRUE(c.LoadLists(dir.str()).empty());
    EXPECT_EQ(Codes(c, kWorkList), (std::vector<std::string>{"GC1", "GC2"}));
    EXPECT_EQ(c.List(kWorkList)[0].rec.Name, "DB Name");
    EXPECT_EQ(c.List(kWorkList)[1].rec.Name, "?");
    EXPECT_EQ(c.List(kWorkList)[1].rec.CacheType, "?");
    EXPECT_EQ(ListHeader(kWorkList, 2), W("Arbeitsliste (2 Einträge)"));
    EXPECT_EQ(Codes(c, kClipList), (std::vector<std::string>{"GC9", "GC9", ""}));
    EXPECT_EQ(Codes(c, kIgnoreList), (std::vector<std::string>{"GC7", "GC8"}));
    EXPECT_EQ(c.ArchivedCodes(), (std::vector<std::string>{"GC11", "GC12", "GC13", "GC15"}));
    ASSERT_EQ(c.List(kFoundList).size(), 3u);
    EXPECT_EQ(c.List(kFoundList)[0].rec.Name, "DB Name");  // the database wins
    EXPECT_EQ(c.List(kFoundList)[1].rec.Lat, 48.5);        // not in the database: the find's own data
    EXPECT_EQ(c.List(kFoundList)[2].rec.FoundDate, 2.0);   // unreadable date shows as 01.01.1900
    EXPECT_FALSE(c.Modified());

    const std::string oldWork = dir.read("WPlist.txt");
    const SaveReport r = c.Save(dir.str());
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(dir.read("WPlist.txt"), "GC1\r\nGC2\r\n");
    EXPECT_EQ(dir.read("WPlist.txt.bk"), oldWork);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "WPList.txt"));
    EXPECT_EQ(dir.read("WPclipboard.txt"), "GC9\r\nGC9\r\n\r\n");
    EXPECT_EQ(dir.read("WPignore.txt"), "GC7\r\nGC8\r\n");
    EXPECT_EQ(dir.read("WPignore.txt.bk"), "gc7\nGC8");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "WPclipboard.txt.bk"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Finds.bin.bk"));

    const auto finds = DecodeFoundRecs(dir.read("Finds.bin"));
    ASSERT_EQ(finds.size(), 3u);
    EXPECT_EQ(finds[0].Lat, 49);
    EXPECT_EQ(finds[0].Name, "DB Name");
    EXPECT_EQ(finds[0].CacheType, "MULTI-CACHE");
    EXPECT_EQ(finds[0].FoundDate, "28.11.2007");
    EXPECT_EQ(finds[1].Name, std::string(80, 'n'));
    EXPECT_EQ(static_cast<unsigned char>(dir.read("Finds.bin")[440 + 33]), 80);
    EXPECT_EQ(finds[2].FoundDate, "xx");  // an untouched date is never rewritten
}

TEST(WaypointCollectionFiles, MissingFindsGiveEmptyFileAndFailedSaveKeepsChanges) {
    tvtest::WorkFolder dir;
    dir.writeCaches({CacheRecord("GC1", "One", 49, 9)});
    // A folder where a list file should be: unreadable, and not writable.
    std::filesystem::create_directory(dir.path() / "WPignore.txt");
    WaypointCollection c;
    EXPECT_EQ(c.LoadLists(dir.str()).size(), 1u);
    EXPECT_FALSE(c.LoadState(kIgnoreList).complete);

    SaveReport r = c.Save(dir.str());
    EXPECT_TRUE(r.ok());  // the half-read list is left alone
    EXPECT_EQ(r.skipped, (std::vector<std::string>{dir.str() + "WPignore.txt"}));
    EXPECT_EQ(dir.read("Finds.bin"), "");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Finds.bin"));

    EXPECT_EQ(c.AddByCode("gc1", kIgnoreList, 0, true, false), AddResult::Added);
    EXPECT_EQ(c.AddByCode("gc1", kWorkList, 0, true, false), AddResult::Refused);  // ignored now
    r = c.Save(dir.str());
    EXPECT_EQ(r.refused, (std::vector<std::string>{dir.str() + "WPignore.txt"}));
    EXPECT_EQ(dir.read("WPList.txt"), "");
    EXPECT_TRUE(c.Modified());
    EXPECT_EQ(Codes(c, kIgnoreList), (std::vector<std::string>{"GC1"}));
}

// A backup that cannot be written keeps the old backup, and the list it
// protects is not replaced; the save says so and keeps the changes.
TEST(WaypointCollectionFiles, FailedBackupKeepsTheOldBackupAndTheList) {
    tvtest::WorkFolder dir;
    dir.write("WPList.txt", "GC1\r\n");
    dir.write("WPList.txt.bk", "GC0\r\n");
    dir.write("WPignore.txt", "GC7\r\n");
    WaypointCollection c;
    ASSERT_TRUE(c.LoadLists(dir.str()).empty());
    ASSERT_EQ(c.AddByCode("GC2", kWorkList, 0, false, true), AddResult::Added);
    for (WriteStep step : {WriteStep::Create, WriteStep::Write}) {
        tvtest::ScopedWriteFault full("WPList.txt.bk", step);
        const SaveReport r = c.Save(dir.str());
        EXPECT_EQ(r.failed, std::vector<std::string>{dir.str() + "WPList.txt.bk"});
        EXPECT_EQ(dir.read("WPList.txt"), "GC1\r\n");
        EXPECT_EQ(dir.read("WPList.txt.bk"), "GC0\r\n");
        EXPECT_TRUE(c.Modified());
    }
    // The other lists went on with their backups (the second save backed up
    // the files the first one wrote); no temporary file is left.
    EXPECT_EQ(dir.read("WPignore.txt.bk"), "GC7\r\n");
    EXPECT_EQ(ListFolder(dir.str()),
              (std::vector<std::string>{"Finds.bin", "Finds.bin.bk", "WPclipboard.txt", "WPclipboard.txt.bk",
                                        "WPignore.txt", "WPignore.txt.bk", "WPList.txt", "WPList.txt.bk"}));

    ASSERT_TRUE(c.Save(dir.str()).ok());
    EXPECT_EQ(dir.read("WPList.txt"), "GC1\r\nGC2\r\n");
    EXPECT_EQ(dir.read("WPList.txt.bk"), "GC1\r\n");
    EXPECT_FALSE(c.Modified());
}

// A database without Caches.idx: the lists are looked up through the index,
// built once, never by a scan of Caches.bin per line.
TEST(WaypointCollectionFiles, DatabaseWithoutIndexGetsItBuiltOnce) {
    tvtest::WorkFolder dir;
    std::vector<TCacheRec> recs;
    for (int i = 0; i < 50; ++i) recs.push_back(CacheRecord("GCA" + std::to_string(i), "N" + std::to_string(i), 48, 9));
    dir.writeCaches(recs);
    dir.write("WPlist.txt", "GCA7\r\ngca49\r\nGCB1\r\n");
    ASSERT_FALSE(std::filesystem::exists(dir.path() / "Caches.idx"));

    WaypointCollection c;
    EXPECT_TRUE(c.LoadLists(dir.str()).empty());
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Caches.idx"));
    ASSERT_EQ(c.List(kWorkList).size(), 3u);
    EXPECT_EQ(c.List(kWorkList)[0].rec.Name, "N7");
    EXPECT_EQ(c.List(kWorkList)[1].rec.Name, "N49");
    EXPECT_EQ(c.List(kWorkList)[2].rec.Name, "?");
}

TEST(WaypointCollectionView, CellsSortKeysAndLayout) {
    TCacheRec r = CacheRecord("GC1", "Name", 48.5, 8.25);
    r.Hidden = 38171;
    r.Size = "Small";
    r.Difficulty = "1.5";
    r.Terrain = "2";
    auto cells = FormatRowCells(r, kFoundList, {48, 8});
    cells.erase(cells.begin() + 8);  // country names come from the national table
    r.FoundDate = 0;
    EXPECT_EQ(cells, (std::vector<std::string>{"GC1", "Name", "58,6", "03.07.2004", W("N 48° 30.000 E 008° 15.000"),
                                               "Small", "1.5", "2", "30.12.1899"}));
    r.Lat = r.Lon = 0;
    EXPECT_EQ(FormatRowCells(r, kWorkList, {48, 8}),
              (std::vector<std::string>{"GC1", "Name", "", "?", "?", "?", "0.0", "0.0", "?"}));

    EXPECT_LT(CompareCells(2, "", "2,5", false), 0);
    EXPECT_LT(CompareCells(2, "2,5", "12,3", false), 0);
    EXPECT_GT(CompareCells(2, "2,5", "12,3", true), 0);
    EXPECT_GT(CompareCells(3, "28.11.2007", "01.12.2006", false), 0);
    EXPECT_LT(CompareCells(9, "?", "01.12.2006", false), 0);
    EXPECT_EQ(CompareCells(1, W("Äpfel"), "Aepfel", false), 0);
    EXPECT_EQ(CompareCells(1, W("äpfel"), "AEPFEL", false), 0);
    EXPECT_LT(CompareCells(1, W("Äpfel"), "Af", false), 0);

    EXPECT_EQ(ButtonPanelTops(400, 50), (std::array<int, 5>{25, 100, 175, 250, 325}));
    EXPECT_EQ(ButtonPanelTops(403, 50)[2], 176);  // 76.5 rounds to even

    EXPECT_EQ(FormatDayDate(38171), "03.07.2004");
    EXPECT_EQ(ParseDayDate("3.7.2004"), 38171);
    EXPECT_FALSE(ParseDayDate("03.07.04"));
    EXPECT_FALSE(ParseDayDate("31.02.2004"));
    EXPECT_FALSE(FormatDayDate(1e12));
}

TEST(WaypointCollectionAdding, ByCodeAndByName) {
    tvtest::WorkFolder dir;
    dir.writeCaches({CacheRecord("GC1A2B", "Alter Turm", 49, 9), CacheRecord("GC2", "Turmblick", 49, 9),
                     CacheRecord("GC3", "Rathaus", 49, 9)});
    WaypointCollection c;
    c.LoadLists(dir.str());
    ASSERT_TRUE(c.ReadDBCopy(dir.str() + "Caches.bin"));
    EXPECT_EQ(c.AddByCode(" gc1a2b ", kWorkList, 0, true, false), AddResult::Added);
    EXPECT_EQ(c.AddByCode("GC1A2B", kWorkList, 0, true, false), AddResult::Refused);
    EXPECT_EQ(c.AddByCode("  ", kWorkList, 0, true, false), AddResult::Empty);
    EXPECT_EQ(c.AddByCode("gc1a2b", kFoundList, 40000, true, false), AddResult::Added);
    EXPECT_EQ(c.List(kFoundList)[0].rec.FoundDate, 40000);
    EXPECT_EQ(c.AddByCode("GC999", kWorkList, 0, true, false), AddResult::NeedsConfirm);
    EXPECT_EQ(c.AddByCode("GC999", kWorkList, 0, true, true), AddResult::Added);
    EXPECT_EQ(c.List(kWorkList)[1].rec.Name, "?");
    EXPECT_EQ(c.List(kWorkList)[1].rec.CacheType, "");

    const auto cands = c.NameSearchCandidates("tur", kClipList, true);
    ASSERT_EQ(cands.size(), 2u);
    EXPECT_EQ(cands[0].line, "Alter Turm (GC1A2B)");
    EXPECT_EQ(cands[1].line, "Turmblick (GC2)");
    // Into the work list the find GC1A2B is left out (and it is there already).
    EXPECT_EQ(c.NameSearchCandidates("tur", kWorkList, true).size(), 1u);
    EXPECT_EQ(c.AddPicked({"GC2", "GC2", "GC404"}, kClipList, 0), 1);
    EXPECT_EQ(Codes(c, kClipList), (std::vector<std::string>{"GC2"}));
}

TEST(WaypointCollectionAdding, RadiusFilters) {
    tvtest::WorkFolder dir;
    dir.write("Finds.bin", FindBytes("GC2", "x", "01.01.2007"));
    dir.write("WPignore.txt", "GC3\r\n");
    dir.write("WParchived.txt", "A;GC4\r\n");
    const double today = 40000;
    std::vector<TCacheRec> db;
    for (int i = 1; i <= 6; ++i) {
        db.push_back(CacheRecord("GC" + std::to_string(i), "c", 49.0 + i * 0.01, 9));
        db.back().Hidden = today - 30;
        db.back().CacheType = "Traditional Cache";
        db.back().Size = "Regular";
    }
    db[4].CacheType = "Event Cache";
    db[4].Hidden = today - 1;
    db[5].Size = "micro";
    WaypointCollection c;
    c.LoadLists(dir.str());
    c.SetDBCopy(db);
    RadiusFilter f;
    f.radius = 10;
    f.centre = {49, 9};
    f.today = today;
    EXPECT_EQ(c.RadiusSearch(f, kWorkList), 2);
    EXPECT_EQ(Codes(c, kWorkList), (std::vector<std::string>{"GC1", "GC6"}));
    EXPECT_EQ(c.RadiusSearch(f, kWorkList), 0);  // present already
    EXPECT_EQ(c.RadiusSearch(f, kClipList), 4);
    EXPECT_EQ(Codes(c, kClipList), (std::vector<std::string>{"GC1", "GC2", "GC3", "GC6"}));
    c.ClearList(kClipList);
    f.skipMicros = true;
    f.filterType = true;  // nothing ticked: nothing passes
    EXPECT_EQ(c.RadiusSearch(f, kClipList), 0);
    f.types[4] = true;
    f.skipOldEvents = false;
    EXPECT_EQ(c.RadiusSearch(f, kClipList), 1);  // the event of yesterday, now allowed

    // Boundary, with one southern point far away.
    const double deg = 180 / 3.14159265358979323846 / 6371;
    c.SetDBCopy({CacheRecord("GCIN", "", 49 + 9.999 * deg, 9), CacheRecord("GCOUT", "", 49 + 10.001 * deg, 9),
                 CacheRecord("GCSOUTH", "", -30, 170)});
    RadiusFilter g;
    g.radius = 10;
    g.centre = {49, 9};
    c.ClearList(kClipList);
    EXPECT_EQ(c.RadiusSearch(g, kClipList), 1);
    EXPECT_EQ(Codes(c, kClipList), (std::vector<std::string>{"GCIN"}));
    g.distance = [](LatLon, LatLon) { return std::optional<double>(10.0); };
    EXPECT_EQ(c.RadiusSearch(g, kClipList), 2);  // exactly the radius counts

    for (const char* bad : {"0", "", "abc", "-5", "1.2.3"}) EXPECT_FALSE(ParseRadius(bad)) << bad;
    EXPECT_EQ(ParseRadius("12.5"), 12.5);
}

TEST(WaypointCollectionEntries, MoveRemoveAndFoundDates) {
    tvtest::WorkFolder dir;
    dir.writeCaches({CacheRecord("GC1", "One", 49, 9), CacheRecord("GC2", "Two", 49, 9)});
    dir.write("WPList.txt", "GC1\r\nGC2\r\n");
    dir.write("Finds.bin", FindBytes("GC2", "Two", "01.02.2003"));
    dir.write("WPclipboard.txt", "GC5\r\nGC6\r\nGC5\r\n");
    WaypointCollection c;
    c.LoadLists(dir.str());
    const double d0 = c.List(kFoundList)[0].rec.FoundDate;
    EXPECT_EQ(c.MoveEntries({"GC1", "gc2"}, kWorkList, kFoundList, 40000), 2);
    EXPECT_TRUE(c.List(kWorkList).empty());
    ASSERT_EQ(Codes(c, kFoundList), (std::vector<std::string>{"GC2", "GC1"}));
    EXPECT_EQ(c.List(kFoundList)[0].rec.FoundDate, d0);
    EXPECT_EQ(c.List(kFoundList)[1].rec.FoundDate, 40000);

    // One row of a repeated code removes one entry.
    EXPECT_EQ(c.RemoveEntries(kClipList, {"gc5"}), 1);
    EXPECT_EQ(Codes(c, kClipList), (std::vector<std::string>{"GC6", "GC5"}));

    EXPECT_EQ(c.SetFoundDate({"GC2"}, 41000), (std::vector<std::string>{"GC2"}));
    TCacheRec edited = CacheRecord("GC2", "Edited", 50, 10);
    c.ReplaceRecordEverywhere(edited);
    EXPECT_EQ(c.List(kFoundList)[0].rec.Name, "Edited");
    EXPECT_EQ(c.List(kFoundList)[0].rec.FoundDate, 41000);
    EXPECT_EQ(c.DBCopy().size(), 1u);  // a cache typed in anew joins the searches
    c.Save(dir.str());
    EXPECT_EQ(DecodeFoundRecs(dir.read("Finds.bin"))[0].FoundDate, "01.04.2012");
}

// A code found twice: each row's operation reaches its own entry.
TEST(WaypointCollectionEntries, RowsOfARepeatedCodeActOnThemselves) {
    tvtest::WorkFolder dir;
    dir.writeCaches({CacheRecord("GC7", "Seven", 49, 9)});
    dir.write("Finds.bin", FindBytes("GC7", "First", "xx") + FindBytes("GC7", "Second", "1.2.2010") +
                               FindBytes("GC7", "Third", "3.4.2011"));
    WaypointCollection c;
    c.LoadLists(dir.str());
    ASSERT_EQ(c.List(kFoundList).size(), 3u);

    EXPECT_EQ(c.SetFoundDateRows({1}, 41000), (std::vector<std::string>{"GC7"}));
    EXPECT_EQ(c.List(kFoundList)[0].storedDate, "xx");
    EXPECT_EQ(c.List(kFoundList)[1].rec.FoundDate, 41000);
    EXPECT_EQ(c.List(kFoundList)[2].storedDate, "3.4.2011");

    EXPECT_EQ(c.RemoveRows(kFoundList, {2, 2, 9}), 1);  // repeats and rows beyond the list count once or not
    ASSERT_EQ(c.List(kFoundList).size(), 2u);
    EXPECT_EQ(c.List(kFoundList)[0].storedDate, "xx");
    EXPECT_EQ(c.List(kFoundList)[1].rec.FoundDate, 41000);
    EXPECT_EQ(c.MoveRows({1}, kFoundList, kClipList, 0), 1);
    ASSERT_EQ(c.List(kFoundList).size(), 1u);
    EXPECT_EQ(c.List(kFoundList)[0].storedDate, "xx");
    EXPECT_EQ(Codes(c, kClipList), (std::vector<std::string>{"GC7"}));
    c.Save(dir.str());
    const auto saved = DecodeFoundRecs(dir.read("Finds.bin"));
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].FoundDate, "xx");
}

TEST(WaypointCollectionSettings, RoundTripAndClamping) {
    tvtest::TempDir dir;
    TIniFile ini(dir.str() + "tq.conf");
    WpColSettings s;
    s.radius = "12.5";
    s.types[8] = true;
    s.activePage = 2;
    ASSERT_TRUE(s.Save(ini));
    const std::string text = dir.read("tq.conf");
    EXPECT_NE(text.find("[Program]\r\nRadius=12.5\r\n"), std::string::npos);
    EXPECT_NE(text.find("FilterCTypeCITO=1\r\n"), std::string::npos);
    EXPECT_NE(text.find("ActivePage=2\r\n"), std::string::npos);

    dir.write("b.conf", "[WPCollector]\r\nRadSearchHomeIndex=2\r\nActivePage=7\r\nFilterCacheType=2\r\n");
    WpColSettings t;
    t.Load(TIniFile(dir.str() + "b.conf"), 3, 3, 3);
    EXPECT_EQ(t.radSearchHomeIndexGlobal, 2);
    EXPECT_EQ(t.activePage, 0);
    EXPECT_TRUE(t.filterCacheType);
    EXPECT_EQ(t.radius, "15");
}
