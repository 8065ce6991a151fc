#include "pages/addwp_display.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/coords.h"
#include "platform/text_encoding.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

using tvtest::AddWPPoint;

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


}  // namespace
}  // namespace tv
