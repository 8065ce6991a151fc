#include "pages/addwp_display.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/addwp_db.h"
#include "core/cache_db.h"
#include "core/coords.h"
#include "platform/text_encoding.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

using tvtest::AddWPPoint;
using tvtest::CacheRecord;

TEST(AddWPRow, CoordinatesOffsetAndUnknownPoints) {
    TCacheRec cache;
    cache.Lat = 48.0;
    cache.Lon = 8.0;
    // 300 m north of the cache.
    const double north = 48.0 + 0.3 / (kEarthRadiusKm * kPi / 180.0);
    AddWPRow row =
        MakeAddWPRow(cache, AddWPPoint("GC1", "PK01ABC", north, 8.0, "Parking Area", W("Parkplatz Süd"), "frei"));
    EXPECT_EQ(row.caption, "PK01ABC");
    EXPECT_EQ(row.imageIndex, 2);
    EXPECT_EQ(row.coord, FormatCoord(north, 8.0));
    EXPECT_EQ(row.coord, "N 48\xB0 0.162 E 008\xB0 0.000");
    EXPECT_EQ(row.offset, "0,3 km");
    EXPECT_EQ(row.type, "Parking Area");
    EXPECT_EQ(row.name, W("Parkplatz Süd"));
    EXPECT_EQ(row.comment, "frei");

    EXPECT_EQ(MakeAddWPRow(cache, AddWPPoint("GC1", "X", 49.0, 8.0, "")).offset, "111,2 km");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (auto [lat, lon] : {std::pair{0.0, 0.0}, {90.5, 8.0}, {48.0, -180.01}, {nan, 8.0}, {48.0, nan}}) {
        row = MakeAddWPRow(cache, AddWPPoint("GC1", "X", lat, lon, "Trailhead"));
        EXPECT_EQ(row.coord, "unbekannt") << lat << " " << lon;
        EXPECT_EQ(row.offset, "-");
        EXPECT_EQ(row.imageIndex, 0);
    }
    // Only one of the two at 0 is a real place.
    EXPECT_EQ(MakeAddWPRow(cache, AddWPPoint("GC1", "X", 0.0, 8.0, "")).coord, "N 00\xB0 0.000 E 008\xB0 0.000");
}

class AddWPDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.writeCaches(
            {CacheRecord("GC1", W("Über den Wolken"), 48.0, 8.0), CacheRecord("GC2", "Ohne Punkte", -33.5, 151.25)});
        all.AddWP("S1", AddWPPoint("GC1", "S1", 48.01, 8.0, "Stages of a Multicache", "Stage 1"));
        all.AddWP("X1", AddWPPoint("GC10", "X1", 48.0, 8.0, "Trailhead", "fremd"));
        all.AddWP("F1", AddWPPoint("GC1", "F1", 0.0, 0.0, "Final Location", "Final"));
        all.AddWP("P1", AddWPPoint("GC1", "P1", 48.0, 8.01, "Parking Area", "Parken"));
        all.AddWP("Y1", AddWPPoint("gc1", "Y1", 48.0, 8.0, "Trailhead", "klein geschrieben"));
    }

    tvtest::WorkFolder dir;
    TAddWPList all, shown;
};

}  // namespace
}  // namespace tv
