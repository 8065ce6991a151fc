#include "core/coords.h"

#include <cmath>
#include <string>

#include <gtest/gtest.h>

namespace tv {
namespace {

std::string Deg(const std::string& s) {
    std::string out;
    for (char c : s) out += c == '@' ? kDegreeSign : c;
    return out;
}

TEST(CoordsText, ParseReadsEveryWrittenFormBack) {
    const LatLon points[] = {{48.5, 8.25},   {-33.5, -70.25},   {0.0, 0.0},       {89.99999, 179.99999},
                             {-90.0, -180.0}, {21.3, -157.9},   {-17.7, 178.0},   {48.002698, 8.0},
                             {51.123456, -0.0001}, {-0.0001, 0.0001}, {-0.000001, -0.000001}};
    for (const LatLon& p : points) {
        for (const std::string& text : {FormatCoord(p), FormatCoordPadded(p)}) {
            const auto back = ParseCoord(text);
            ASSERT_TRUE(back) << text;
            EXPECT_EQ(FormatCoord(*back), FormatCoord(p)) << text;
            EXPECT_NEAR(back->lat, p.lat, 0.0005 / 60 + 1e-12);
            EXPECT_NEAR(back->lon, p.lon, 0.0005 / 60 + 1e-12);
        }
        const auto lat = ParseCoordHalf(kHalfLatitude, FormatCoordHalf(kHalfLatitude, p.lat));
        const auto lon = ParseCoordHalf(kHalfLongitude, FormatCoordHalf(kHalfLongitude, p.lon));
        ASSERT_TRUE(lat && lon);
        EXPECT_EQ(FormatCoord(*lat, *lon), FormatCoord(p));
    }
    // A value that rounds to zero keeps its hemisphere.
    EXPECT_EQ(FormatCoord(*ParseCoord(Deg("S 00@ 0.000 W 000@ 0.000"))), Deg("S 00@ 0.000 W 000@ 0.000"));
    // A sweep over the thousandths of a minute keeps every text stable.
    for (int k = 0; k < 60000; k += 7) {
        const double v = 47.0 + k / 60000.0;
        const std::string text = FormatCoord(v, -v);
        const auto back = ParseCoord(text);
        ASSERT_TRUE(back);
        ASSERT_EQ(FormatCoord(*back), text);
    }
}

TEST(CoordsText, ParseIsLenientButRejectsNonsense) {
    const auto p = ParseCoord("  n48 30,5  o 8\xC2\xB0 15 ");
    ASSERT_TRUE(p);
    EXPECT_DOUBLE_EQ(p->lat, 48.0 + 30.5 / 60);
    EXPECT_DOUBLE_EQ(p->lon, 8.25);
    EXPECT_TRUE(ParseCoord(Deg("N 48@ 59.999 E 008@ 15.000")));
    EXPECT_TRUE(ParseCoord(Deg("N 90@ 0.000 E 180@ 0.000")));
    EXPECT_FALSE(ParseCoord(""));
    EXPECT_FALSE(ParseCoord("48 30.000 8 15.000"));
    EXPECT_FALSE(ParseCoord(Deg("N 48@ 60.000 E 008@ 15.000")));  // minutes
    EXPECT_FALSE(ParseCoord(Deg("N 48@ 30.000 E 008@ 60.000")));
    EXPECT_FALSE(ParseCoord(Deg("N 90@ 0.001 E 008@ 15.000")));   // beyond the pole
    EXPECT_FALSE(ParseCoord(Deg("N 48@ 30.000 E 180@ 0.100")));
    EXPECT_FALSE(ParseCoord(Deg("N 48@ 30.000 E 008@ 15.000 x")));
    EXPECT_FALSE(ParseCoord(Deg("E 008@ 15.000 N 48@ 30.000")));
    EXPECT_FALSE(ParseCoord(Deg("N 48@ 30. E 008@ 15.000")));
    EXPECT_FALSE(ParseCoord(Deg("N 1234@ 30.000 E 008@ 15.000")));
    EXPECT_FALSE(ParseCoordHalf(kHalfLatitude, Deg("E 8@ 15.000")));
    EXPECT_FALSE(ParseCoordHalf(kHalfLongitude, Deg("N 8@ 15.000")));
    EXPECT_FALSE(ParseCoordHalf(kHalfLatitude, Deg("N 48@ 60.000")));
    EXPECT_EQ(ParseCoordHalf(kHalfLongitude, Deg("W 157@ 54.000")).value_or(0), -157.9);
}

struct Pair {
    LatLon from, to;
    double km, bearing;
};

// Reference values from an independent computation with 3-D unit vectors.
TEST(CoordsSphere, DistanceAndBearingEverywhere) {
    const Pair pairs[] = {
        {{48, 8}, {48, 9}, 74.4034, 89.6284},
        {{48, 8}, {48, 7}, 74.4034, 270.3716},
        {{48, 8}, {49, 9}, 133.3878, 33.1558},
        {{48, 8}, {47, 9}, 134.1899, 145.5878},
        {{48, 8}, {47, 7}, 134.1899, 214.4122},
        {{-33.5, -70.25}, {-33.6, -70.2}, 12.0463, 157.3922},
        {{48, 8}, {21.3, -157.9}, 12181.8303, 346.0624},
        {{48, 8}, {-33.92, 18.42}, 9167.9752, 171.2922},
        {{-33.9, 151.2}, {-36.85, 174.76}, 2155.5079, 105.4943},
        {{64.8, -147.7}, {-17.5, -149.6}, 9152.7777, 181.8285},
        {{21.3, -157.9}, {-17.7, 178.0}, 5069.4593, 212.9936},
        {{52.0, 179.5}, {52.0, -179.5}, 68.4579, 89.6060},
        {{-40, -60}, {-41, -61}, 139.6886, 216.9259},
    };
    for (const Pair& p : pairs) {
        double km = -1, b = -1;
        ASSERT_TRUE(CalcDistanceBearing(km, b, p.from.lat, p.from.lon, p.to.lat, p.to.lon));
        EXPECT_NEAR(km, p.km, 1e-3) << p.from.lat << "," << p.from.lon << " -> " << p.to.lat << "," << p.to.lon;
        EXPECT_NEAR(b, p.bearing, 1e-3) << p.from.lat << "," << p.from.lon << " -> " << p.to.lat << "," << p.to.lon;
        const auto back = CalcDistanceBearing(p.to, p.from);
        ASSERT_TRUE(back);
        EXPECT_NEAR(back->km, p.km, 1e-3);
    }
}

TEST(CoordsSphere, AcrossTheDateLineNearIsNear) {
    double km = -1, b = -1;
    // 0.7 m apart on both sides of the date line: the same place.
    ASSERT_TRUE(CalcDistanceBearing(km, b, 52.0, 179.999995, 52.0, -179.999995));
    EXPECT_EQ(km, 0.001);
    EXPECT_EQ(b, 0.0);
    // -180 and 180 are one meridian: due north and due south.
    ASSERT_TRUE(CalcDistanceBearing(km, b, 10.0, -180.0, 20.0, 180.0));
    EXPECT_NEAR(km, 10 * kEarthRadiusKm * M_PI / 180, 1e-6);
    EXPECT_EQ(b, 0.0);
    ASSERT_TRUE(CalcDistanceBearing(km, b, -20.0, 180.0, -30.0, -180.0));
    EXPECT_EQ(b, 180.0);
}

TEST(CoordsSphere, ProjectionThereAndBack) {
    double lat = 0, lon = 0;
    ASSERT_TRUE(ProjectCoordinate(lat, lon, 48, 8, 10, 90));
    EXPECT_NEAR(lat, 47.999922, 1e-6);
    EXPECT_NEAR(lon, 8.134401, 1e-6);
    double lat2 = 0, lon2 = 0;
    ASSERT_TRUE(ProjectCoordinate(lat2, lon2, 48, 8, 10, 450));
    EXPECT_NEAR(lat2, lat, 1e-9);
    EXPECT_NEAR(lon2, lon, 1e-9);
    ASSERT_TRUE(ProjectCoordinate(lat, lon, 48, 8, 10, -90));
    EXPECT_NEAR(lat, 47.999922, 1e-6);
    EXPECT_NEAR(lon, 7.865599, 1e-6);
    ASSERT_TRUE(ProjectCoordinate(lat2, lon2, 48, 8, 10, 270));
    EXPECT_NEAR(lat2, lat, 1e-9);
    EXPECT_NEAR(lon2, lon, 1e-9);

    // Across the date line the longitude stays within -180..180.
    const auto east = ProjectCoordinate(LatLon{52.0, 179.9}, 30, 90);
    ASSERT_TRUE(east);
    EXPECT_NEAR(east->lon, -179.66178, 1e-4);
    const auto west = ProjectCoordinate(LatLon{-17.7, -179.95}, 30, 270);
    ASSERT_TRUE(west);
    EXPECT_NEAR(west->lon, 179.76680, 1e-4);
    // Over the pole: the longitude turns round.
    const auto over = ProjectCoordinate(LatLon{89.0, 0.0}, 300, 0);
    ASSERT_TRUE(over);
    EXPECT_NEAR(over->lat, 88.30204, 1e-4);
    EXPECT_NEAR(std::fabs(over->lon), 180.0, 1e-9);

    // Round trips in all quadrants: measuring the projected point gives the
    // distance and bearing back.
    const LatLon starts[] = {{48, 8}, {-33.5, -70.25}, {21.3, -157.9}, {-36.85, 174.76}, {0, 179.99}, {70, -20}};
    for (const LatLon& s : starts) {
        for (double bearing : {0.5, 45.0, 90.0, 135.0, 200.0, 269.0, 333.0}) {
            for (double km : {0.5, 10.0, 2500.0, 15000.0}) {
                const auto p = ProjectCoordinate(s, km, bearing);
                ASSERT_TRUE(p);
                EXPECT_LE(std::fabs(p->lon), 180.0);
                const auto back = CalcDistanceBearing(s, *p);
                ASSERT_TRUE(back);
                EXPECT_NEAR(back->km, km, 1e-6);
                EXPECT_NEAR(back->bearing, bearing, 1e-6) << s.lat << "," << s.lon << " " << km;
            }
        }
    }
    EXPECT_FALSE(ProjectCoordinate(LatLon{48, 8}, NAN, 90));
    EXPECT_FALSE(ProjectCoordinate(LatLon{48, 8}, 10, INFINITY));
}

}  // namespace
}  // namespace tv
