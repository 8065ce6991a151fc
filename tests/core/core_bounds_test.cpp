// Codes that are prefixes of one another, in-place writes of the cache
// database that fail, coordinate ranges at their ends and hemispheres on both
// sides of zero and of the date line.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/addwp_db.h"
#include "core/cache_db.h"
#include "core/coords.h"
#include "core/proc_settings.h"
#include "platform/text_encoding.h"
#include "support/fakes.h"
#include "support/temp_dir.h"
#include "support/write_fault.h"

namespace tv {
namespace {

TCacheRec Rec(const std::string& code, double lat, double lon) {
    TCacheRec r;
    r.Waypoint = code;
    r.Name = "Cache " + code;
    r.Lat = lat;
    r.Lon = lon;
    r.Difficulty = "1.5";
    r.Terrain = "4";
    return r;
}

class CoreBoundsDb : public ::testing::Test {
protected:
    void SetUp() override {
        ProcSettings.WorkDir = dir.str();
        CacheIndexList.Clear();
        FreeCacheDB();
    }
    void TearDown() override {
        CacheIndexList.Clear();
        FreeCacheDB();
        ProcSettings.WorkDir.clear();
    }
    tvtest::TempDir dir;
    platform::ScopedFakes fakes;
};

TEST_F(CoreBoundsDb, CodesThatArePrefixesOfOneAnotherFindOnlyThemselves) {
    dir.write("Caches.bin", EncodeCacheRecs({Rec("GC123", 1, 2), Rec("GC12", 3, 4), Rec("GC1234", 5, 6)}));
    for (const bool indexed : {false, true}) {
        if (indexed) {
            ASSERT_EQ(BuildCacheIndex(), 0);
        }
        TCacheRec r;
        ASSERT_TRUE(FindCacheByWaypoint("GC12", r)) << indexed;
        EXPECT_EQ(r.Waypoint, "GC12");
        EXPECT_EQ(r.RecNo, 1);
        ASSERT_TRUE(FindCacheByWaypoint("gc123", r));
        EXPECT_EQ(r.RecNo, 0);
        EXPECT_FALSE(FindCacheByWaypoint("GC1", r));
        EXPECT_FALSE(FindCacheByWaypoint("GC12345", r));
    }
    ASSERT_TRUE(DeleteCacheFromDB("GC12"));
    const auto left = DecodeCacheRecs(dir.read("Caches.bin"));
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].Waypoint, "GC123");
    EXPECT_EQ(left[1].Waypoint, "GC1234");
    // A code of sixteen characters is a key; seventeen are none.
    EXPECT_TRUE(MakeCacheKey("GC34567890123456"));
    EXPECT_FALSE(MakeCacheKey("GC345678901234567"));
}

TEST_F(CoreBoundsDb, FailedInPlaceWritesAreReportedAndKeepTheDatabase) {
    dir.write("Caches.bin", EncodeCacheRecs({Rec("GC1", 1, 2), Rec("GC2", 3, 4)}));
    const std::string before = dir.read("Caches.bin");
    {
        tvtest::ScopedWriteFault full("Caches.bin");
        const auto stored = StoreCacheRec(Rec("GC2", 7, 8));  // over its own slot
        ASSERT_FALSE(stored);
        EXPECT_EQ(stored.error().message, W("Fehler beim Update der CacheDB."));
        const auto added = StoreCacheRec(Rec("GC3", 7, 8));  // appended
        EXPECT_FALSE(added);
        EXPECT_FALSE(AppendCacheRec(Rec("GC4", 7, 8)));
    }
    EXPECT_EQ(dir.read("Caches.bin"), before);
    ASSERT_TRUE(StoreCacheRec(Rec("GC2", 7, 8)));
    const auto recs = DecodeCacheRecs(dir.read("Caches.bin"));
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[1].Lat, 7);
    EXPECT_EQ(recs[1].Lon, 8);
}

TEST(CoreBounds, UsableCoordinatesIncludeTheirEndsAndAnAxis) {
    auto usable = [](double lat, double lon) {
        TAddWPRec p;
        p.Lat = lat;
        p.Lon = lon;
        return HasUsableCoords(p);
    };
    EXPECT_TRUE(usable(90, 180));
    EXPECT_TRUE(usable(-90, -180));
    EXPECT_FALSE(usable(90.0001, 10));
    EXPECT_FALSE(usable(-90.0001, 10));
    EXPECT_FALSE(usable(10, 180.0001));
    EXPECT_FALSE(usable(10, -180.0001));
    EXPECT_FALSE(usable(0, 0));
    EXPECT_TRUE(usable(0, 0.0001));
    EXPECT_TRUE(usable(-0.0001, 0));
}

TEST(CoreBounds, HemisphereLettersOnBothSidesOfZeroAndOfTheDateLine) {
    EXPECT_EQ(FormatCoord(0.5, 179.99), W("N 00° 30.000 E 179° 59.400"));
    EXPECT_EQ(FormatCoord(-0.5, -179.99), W("S 00° 30.000 W 179° 59.400"));
    EXPECT_EQ(FormatCoord(-0.0001, 0.0001), W("S 00° 0.006 E 000° 0.006"));
    EXPECT_EQ(FormatCoord(0.0001, -0.0001), W("N 00° 0.006 W 000° 0.006"));
    EXPECT_EQ(FormatCoordHalf(kHalfLongitude, -12.25), W("W 12° 15.000"));
    EXPECT_EQ(FormatCoordHalf(kHalfLatitude, -12.25), W("S 12° 15.000"));
    EXPECT_EQ(FormatDegMinWhole(-2.5), W("-2° 30´"));
    // Bearings of the four directions and distances across the date line.
    const LatLon origin{0, 0};
    const struct {
        LatLon to;
        double bearing;
    } dirs[] = {{{1, 0}, 0}, {{0, 1}, 90}, {{-1, 0}, 180}, {{0, -1}, 270}};
    for (const auto& d : dirs) {
        const auto db = CalcDistanceBearing(origin, d.to);
        ASSERT_TRUE(db);
        EXPECT_NEAR(db->bearing, d.bearing, 1e-6) << d.to.lat << " " << d.to.lon;
        EXPECT_NEAR(db->km, 111.19492664, 1e-6);
    }
    const auto east = CalcDistanceBearing({-10, 179.5}, {-10, -179.5});
    ASSERT_TRUE(east);
    EXPECT_NEAR(east->bearing, 90, 0.1);
    const auto p = ProjectCoordinate({10, -179.9}, 22.239, 270);
    ASSERT_TRUE(p);
    EXPECT_NEAR(p->lon, 179.897, 0.001);
    EXPECT_NEAR(p->lat, 10.0, 0.001);
}

}  // namespace
}  // namespace tv
