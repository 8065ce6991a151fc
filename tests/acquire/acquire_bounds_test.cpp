// Stored listing pages and map pictures at their limits: positions in all
// four quarters, dates whose day cannot be a month, code lengths at their
// ends, codes that are prefixes of one another, map steps at the ends of their
// tables, and database and work-list writes that fail.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "acquire/map_pictures.h"
#include "acquire/page_to_cache_rec.h"
#include "core/cache_db.h"
#include "core/cache_rec.h"
#include "core/file_procs.h"
#include "support/fakes.h"
#include "support/records.h"
#include "support/temp_dir.h"
#include "support/write_fault.h"

namespace tv {
namespace {

std::string Page(const std::string& latlon, const std::string& hidden = "12/25/2006") {
    return "<html><body>\r\n<div class=\"charcoal_header\"></div><table><tr><td>&nbsp;Multi-cache</td></tr></table>\r\n"
           "<span id=\"CacheName\">Name</span>\r\n"
           "<span id=\"DateHidden\">" + hidden + "</span>\r\n"
           "<span id=\"Difficulty\"><img src=\"s.gif\" alt=\"4 out of 5\"></span>\r\n"
           "<span id=\"Terrain\"><img src=\"s.gif\" alt=\"1.5 out of 5\"></span>\r\n"
           "<span id=\"LatLon\">" + latlon + "</span>\r\n"
           "<span id=\"lnkDetails\">This is a <strong>Small</strong> cache.</span>\r\n</body></html>\r\n";
}

TEST(AcquireBounds, PagePositionsInAllFourQuartersAndOverTheDateLine) {
    const struct {
        const char* text;
        double lat, lon;
    } cases[] = {{"N 00\xB0 30.000 E 179\xB0 59.400", 0.5, 179.99},
                 {"S 00\xB0 30.000 W 179\xB0 59.400", -0.5, -179.99},
                 {"S 12\xB0 15.000 E 033\xB0 45.000", -12.25, 33.75},
                 {"N 12\xB0 15.000 W 033\xB0 45.000", 12.25, -33.75}};
    for (const auto& c : cases) {
        const auto p = ParseLatLonText(c.text);
        ASSERT_TRUE(p) << c.text;
        EXPECT_NEAR(p->first, c.lat, 1e-9) << c.text;
        EXPECT_NEAR(p->second, c.lon, 1e-9) << c.text;
        const TCacheRec r = ExtractCacheFromText(Page(c.text), "GC12", [](std::string_view) { return 0; });
        EXPECT_NEAR(r.Lat, c.lat, 1e-9);
        EXPECT_NEAR(r.Lon, c.lon, 1e-9);
    }
}

TEST(AcquireBounds, PageFieldsWithADayAboveTwelveAndCodeLengthsAtTheirEnds) {
    const auto none = [](std::string_view) { return 0; };
    const char* where = "N 48\xB0 12.300 E 011\xB0 34.567";
    TCacheRec r = ExtractCacheFromText(Page(where), "GC12", none);
    EXPECT_EQ(r.Hidden, *DayCountFromDate(2006, 12, 25));
    EXPECT_EQ(r.Difficulty, "4");
    EXPECT_EQ(r.Terrain, "1.5");
    EXPECT_EQ(r.Size, "Small");
    r = ExtractCacheFromText(Page(where, "1/31/2007"), "GC12", none);
    EXPECT_EQ(r.Hidden, *DayCountFromDate(2007, 1, 31));
    EXPECT_EQ(ExtractCacheFromText(Page(where), "GC1", none).Waypoint, "GC1");
    EXPECT_EQ(ExtractCacheFromText(Page(where), "gc123456", none).Waypoint, "GC123456");
    EXPECT_EQ(ExtractCacheFromText(Page(where), "GC1234567", none), TCacheRec{});
    EXPECT_EQ(ExtractCacheFromText(Page(where), "GC", none), TCacheRec{});
}

TEST(AcquireBounds, SameDataComparesEachFieldOnItsOwn) {
    TCacheRec a = tvtest::CacheRecord("GC12", "Name", -33.0, 151.0);
    a.Difficulty = "2";
    a.Terrain = "3";
    a.CountryId = 4;
    TCacheRec b = a;
    b.Lon += 1.6e-5;
    b.Lat -= 1.6e-5;
    EXPECT_TRUE(SameCacheData(a, b));
    b.Lon += 0.2e-5;
    EXPECT_FALSE(SameCacheData(a, b));
    b = a;
    std::swap(b.Difficulty, b.Terrain);
    EXPECT_FALSE(SameCacheData(a, b));
    b = a;
    b.Terrain = "2";
    EXPECT_FALSE(SameCacheData(a, b));
    b = a;
    b.CountryId = 5;
    EXPECT_FALSE(SameCacheData(a, b));
}

class AcquireImport : public ::testing::Test {
protected:
    void SetUp() override {
        pages_.write("GC12.html", Page("N 48\xB0 12.300 E 011\xB0 34.567"));
        pages_.write("GC123.html", Page("S 33\xB0 51.000 W 151\xB0 12.000"));
        work_.writeCaches({tvtest::CacheRecord("GC123", "Name", -33.85, -151.2)});
        work_.write("WPList.txt", "GC777\r\n");
        params_.folder = pages_.str();
        params_.country = [](std::string_view) { return 0; };
    }
    std::vector<std::string> run() {
        std::vector<std::string> lines;
        result_ = ImportStoredPages(params_, [&lines](const std::string& l) { lines.push_back(l); });
        return lines;
    }
    tvtest::TempDir pages_;
    tvtest::WorkFolder work_;
    platform::ScopedFakes fakes_;
    PageImportParams params_;
    PageImportResult result_;
};

TEST_F(AcquireImport, PrefixCodesAreTheirOwnCaches) {
    run();
    EXPECT_EQ(result_.added, 1);
    EXPECT_EQ(result_.skipped, 1);
    const auto recs = DecodeCacheRecs(work_.read("Caches.bin"));
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[1].Waypoint, "GC12");
    EXPECT_NEAR(recs[1].Lat, 48.205, 1e-9);
    EXPECT_EQ(work_.read("WPList.txt"), "GC777\r\nGC12\r\n");
}

TEST_F(AcquireImport, FailedWritesAreReportedAndKeepTheOldFiles) {
    {
        tvtest::ScopedWriteFault full("WPList.txt");
        run();
    }
    EXPECT_TRUE(result_.workListError);
    EXPECT_EQ(result_.added, 1);
    EXPECT_EQ(work_.read("WPList.txt"), "GC777\r\n");

    TCacheRec r = tvtest::CacheRecord("GC123", "Name", -33.85, -151.2);
    work_.writeCaches({r});
    std::filesystem::remove(work_.path() / "Caches.idx");
    CacheIndexList.Clear();
    const std::string before = work_.read("Caches.bin");
    std::vector<std::string> lines;
    {
        tvtest::ScopedWriteFault full("Caches.bin");
        lines = run();
    }
    EXPECT_EQ(result_.added, 0);
    EXPECT_FALSE(result_.workListError);
    EXPECT_EQ(lines[2], "GC12: Fehler beim Schreiben in die Datenbank");
    EXPECT_EQ(work_.read("Caches.bin"), before);
    EXPECT_EQ(work_.read("WPList.txt"), "GC777\r\n");
}

TEST(AcquireBounds, MapStepsAtTheEndsOfTheirTables) {
    EXPECT_EQ(MapScale(0), "5000");
    EXPECT_EQ(MapScale(5), "200000");
    EXPECT_EQ(MapScale(6), "500000");
    EXPECT_EQ(MapScale(-1), "500000");
    EXPECT_EQ(MapAltitude(0), "1");
    EXPECT_EQ(MapAltitude(5), "220");
    EXPECT_EQ(MapAltitude(6), "220");
    EXPECT_EQ(MapAltitude(-1), "1");
    EXPECT_EQ(MapGrid(14), "aero100");
    EXPECT_EQ(MapGrid(0), "dedatlas10");
    EXPECT_EQ(MapGrid(15), "dedatlas60");
    EXPECT_FALSE(MapGridIsAerial(8));
    EXPECT_TRUE(MapGridIsAerial(9));
    EXPECT_TRUE(MapGridIsAerial(14));
    EXPECT_FALSE(MapGridIsAerial(15));
    for (int kind = 0; kind < kMapServiceCount; ++kind) {
        const int n = static_cast<int>(MapZoomItems(kind).size());
        EXPECT_EQ(ClampMapZoom(kind, n - 1), n - 1) << kind;
        EXPECT_EQ(ClampMapZoom(kind, n), MapDefaultZoom(kind)) << kind;
        EXPECT_EQ(ClampMapZoom(kind, 0), 0);
        EXPECT_EQ(ClampMapZoom(kind, -1), MapDefaultZoom(kind));
    }
    EXPECT_EQ(MapDefaultZoom(kMapServiceCount), 0);
    EXPECT_EQ(GeneralCoordText(-0.5), "-0.5");
    EXPECT_EQ(GeneralCoordText(179.99), "179.99");
    EXPECT_EQ(GeneralCoordText(-0.000125), "-0.000125");
    EXPECT_EQ(Coord8(-12.3456789), "-12.3456");
}

}  // namespace
}  // namespace tv
