// GPX records and list rules at their limits: coordinates at the poles and
// the date line, fields that differ from their neighbours, days above twelve,
// the hits box at ten, radius filters at their day, and stores whose write
// fails.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/addwp_db.h"
#include "core/cache_rec.h"
#include "core/file_procs.h"
#include "exchange/add_wp_import.h"
#include "exchange/gpx_cache_reader.h"
#include "exchange/gpx_import.h"
#include "exchange/wp_collection.h"
#include "platform/text_encoding.h"
#include "support/records.h"
#include "support/temp_dir.h"
#include "support/write_fault.h"

namespace tv {
namespace {

GpxCacheWpt Wpt(const char* lat, const char* lon) {
    GpxCacheWpt w;
    w.hasCache = true;
    w.name = "GC12";
    w.lat = lat;
    w.lon = lon;
    w.time = "2007-03-25T00:00:00";
    w.difficulty = "2.5";
    w.terrain = "4";
    w.container = "Small";
    w.type = "Geocache|Multi-cache";
    return w;
}

TEST(ExchangeBounds, ImportRecordAtThePolesAndTheDateLineWithItsOwnFields) {
    const auto country = [](std::string_view) { return 7; };
    for (const auto& [lat, lon] : {std::pair{"90", "-180"}, std::pair{"-90", "180"}, std::pair{"-12.5", "33.25"}}) {
        const auto r = MakeImportRecord(Wpt(lat, lon), {0, 0}, country);
        ASSERT_TRUE(r) << lat << " " << lon;
        EXPECT_EQ(r->Lat, std::stod(lat));
        EXPECT_EQ(r->Lon, std::stod(lon));
    }
    for (const auto& [lat, lon] : {std::pair{"90.0001", "0"}, std::pair{"-90.0001", "0"}, std::pair{"0", "180.0001"},
                                   std::pair{"0", "-180.0001"}})
        EXPECT_FALSE(MakeImportRecord(Wpt(lat, lon), {0, 0}, country)) << lat << " " << lon;
    const auto r = MakeImportRecord(Wpt("48.5", "9.25"), {0, 0}, country);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Difficulty, "2.5");
    EXPECT_EQ(r->Terrain, "4");
    EXPECT_EQ(r->Size, "Small");
    EXPECT_EQ(r->CacheType, "Multi-cache");
    int y = 0, m = 0, d = 0;
    ASSERT_TRUE(DateFromDayCount(r->Hidden, y, m, d));
    EXPECT_EQ(y * 10000 + m * 100 + d, 20070325);
}

TEST(ExchangeBounds, ComparisonNamesEachFieldOnItsOwn) {
    const auto base = MakeImportRecord(Wpt("48.5", "9.25"), {0, 0}, [](std::string_view) { return 7; });
    ASSERT_TRUE(base);
    std::string diff;
    TCacheRec b = *base;
    b.Lat += 0.0009;
    b.Lon -= 0.0009;
    EXPECT_EQ(CompareWithDb(*base, b, diff), kGpxSame);
    b = *base;
    b.Lat -= 0.0011;
    EXPECT_EQ(CompareWithDb(*base, b, diff), kGpxChanged);
    EXPECT_EQ(diff, "Breitengrad");
    b = *base;
    b.Lon += 0.0011;
    CompareWithDb(*base, b, diff);
    EXPECT_EQ(diff, W("Längengrad"));
    b = *base;
    b.Difficulty = "2.50";  // the same number
    b.Terrain = "4.0";
    EXPECT_EQ(CompareWithDb(*base, b, diff), kGpxSame);
    b.Difficulty = "4";
    CompareWithDb(*base, b, diff);
    EXPECT_EQ(diff, "Difficulty");
    b = *base;
    b.Terrain = "2.5";
    CompareWithDb(*base, b, diff);
    EXPECT_EQ(diff, "Terrain");
    b = *base;
    b.Hidden += 1;
    b.CountryId = 8;
    CompareWithDb(*base, b, diff);
    EXPECT_EQ(diff, W("Versteckdatum, Länder-ID"));
}

TEST(ExchangeBounds, HitsBoxListsTenAndSaysWhenItCut) {
    std::vector<std::string> hits;
    for (int i = 1; i <= 11; ++i) hits.push_back("GC" + std::to_string(i));
    const auto name = [](const std::string& c) { return "N" + c; };
    const std::string cut = W("(Liste nach 10 Einträgen abgschnitten)");
    std::vector<std::string> ten(hits.begin(), hits.begin() + 10);
    const std::string shown = RadiusHitsMessage(ten, name);
    EXPECT_EQ(shown.find(cut), std::string::npos);
    EXPECT_NE(shown.find("GC10: NGC10\r\n"), std::string::npos);
    const std::string all = RadiusHitsMessage(hits, name);
    EXPECT_NE(all.find(cut), std::string::npos);
    EXPECT_EQ(all.find("GC11"), std::string::npos);
    EXPECT_EQ(all.substr(0, 12), "Es wurden 11");
}

TEST(ExchangeBounds, DaysAboveTwelveAndDateColumnsWithinAYear) {
    const auto day = ParseDayDate("25.03.2007");
    ASSERT_TRUE(day);
    EXPECT_EQ(FormatDayDate(*day), "25.03.2007");
    EXPECT_FALSE(ParseDayDate("03.25.2007"));
    EXPECT_FALSE(ParseDayDate("123.1.2007"));
    EXPECT_LT(CompareCells(3, "13.01.2007", "01.12.2007", false), 0);
    EXPECT_GT(CompareCells(3, "02.12.2007", "30.11.2007", false), 0);
    EXPECT_GT(CompareCells(9, "13.01.2007", "01.12.2006", false), 0);
    EXPECT_EQ(ParseArchiveLine("Archiviert;GC12"), "GC12");
    EXPECT_FALSE(ParseArchiveLine("x;G"));
    EXPECT_FALSE(ParseArchiveLine("x;gc12"));
    EXPECT_EQ(ParseArchiveLine("GC"), "GC");
}

TEST(ExchangeBounds, RadiusFiltersKeepTheirOwnDay) {
    tvtest::WorkFolder dir;
    const double today = 40000;
    auto rec = [](const char* code, double hidden, const char* type) {
        TCacheRec r = tvtest::CacheRecord(code, "c", 49.0, 9.0);
        r.Hidden = hidden;
        r.CacheType = type;
        return r;
    };
    WaypointCollection c;
    c.LoadLists(dir.str());
    c.SetDBCopy({rec("GCA", today - 10.1, "Traditional Cache"), rec("GCB", today - 9.9, "Traditional Cache"),
                 rec("GCC", today + 0.5, "Event Cache"), rec("GCD", today - 0.5, "Event Cache")});
    RadiusFilter f;
    f.radius = 1;
    f.centre = {49.0, 9.0};
    f.today = today + 0.75;
    f.filterDate = true;
    f.minHidden = today - 10;
    EXPECT_EQ(c.RadiusSearch(f, kClipList), 2);
    std::vector<std::string> codes;
    for (const WpEntry& e : c.List(kClipList)) codes.push_back(e.rec.Waypoint.str());
    EXPECT_EQ(codes, (std::vector<std::string>{"GCB", "GCC"}));
}

TEST(ExchangeBounds, StoresThatCannotBeWrittenAreReportedAndKept) {
    tvtest::TempDir dir;
    dir.write("WPList.txt", "GC1\r\n");
    {
        tvtest::ScopedWriteFault full("WPList.txt");
        const auto r = PrependToWorkList(dir.str() + "WPList.txt", {"GC2"});
        ASSERT_FALSE(r);
        EXPECT_EQ(r.error().message, WriteErrorText(dir.str() + "WPList.txt"));
    }
    EXPECT_EQ(dir.read("WPList.txt"), "GC1\r\n");
    ASSERT_TRUE(PrependToWorkList(dir.str() + "WPList.txt", {"GC2"}));
    EXPECT_EQ(dir.read("WPList.txt"), "GC2\r\nGC1\r\n");

    const std::string store = dir.str() + "CacheWaypoints.bin";
    const std::string old = EncodeAddWPRecs({tvtest::AddWPPoint("GC1", "S1", 1, 1, "x")});
    dir.write("CacheWaypoints.bin", old);
    {
        tvtest::ScopedWriteFault full("CacheWaypoints.bin");
        const auto r = ImportAddWaypoints(
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<gpx xmlns=\"http://www.topografix.com/GPX/1/0\">"
            "<wpt lat=\"48\" lon=\"8\"><name>PK12</name></wpt></gpx>", store);
        ASSERT_FALSE(r);
        EXPECT_EQ(r.error().message, WriteErrorText(store));
    }
    EXPECT_EQ(dir.read("CacheWaypoints.bin"), old);
}

}  // namespace
}  // namespace tv
