// UTM series against known vectors, GeographicLib's exact transverse
// Mercator and GPSBabel's UTM grid file; the window's two conversions.
#include "geo/utm.h"

#include <GeographicLib/TransverseMercator.hpp>
#include <GeographicLib/UTMUPS.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "core/number_format.h"
#include "platform/text_encoding.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

std::filesystem::path RealData(const std::string& relative) {
    // tests/fixtures/x -> tests/data/real/<relative>
    return tvtest::Fixture("x").parent_path().parent_path() / "data" / "real" / relative;
}

TEST(Utm, KnownVectorsRoundHalfToEvenWhereListingPagesTruncate) {
    struct Case {
        double lat, lon;
        int zone;
        char letter;
        double e, n;  // 0: known to the metre only
        const char *eText, *nText;
    };
    // Two real positions (Munich; Chile, south-west) and the zone exceptions.
    // Listing pages truncate, so they show 383889 / 6292581 for the second.
    const Case cases[] = {
        {48.137, 11.575, 32, 'U', 691567.326, 5334734.331, "691567", "5334734"},
        {-33.5, -70.25, 19, 'H', 383889.653, 6292581.647, "383890", "6292582"},
        {60, 5, 32, 'V', 0, 0, "276980", "6658157"},
        {78, 15, 33, 'X', 500000.0, 8658369.586, "500000", "8658370"},
        {0, 180, 1, 'N', 0, 0, "166021", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.eText);
        const UtmCoord u = LatLonToUtm(kWgs84, c.lat, c.lon);
        EXPECT_EQ(u.zone, c.zone);
        EXPECT_EQ(u.letter, c.letter);
        if (c.e > 0) {
            EXPECT_NEAR(u.easting, c.e, 0.001);
            EXPECT_NEAR(u.northing, c.n, 0.001);
        }
        const UtmFormResult r = ConvertToUtm(DegMinBoxesOf(c.lat, c.lon));
        ASSERT_TRUE(r.boxes) << r.error;
        EXPECT_EQ(r.boxes->zone, IntText(c.zone));
        EXPECT_EQ(r.boxes->letter, c.letter);
        EXPECT_EQ(r.boxes->easting, c.eText);
        EXPECT_EQ(r.boxes->northing, c.nText);
    }
    EXPECT_EQ(LatLonToUtm(kWgs84, 0, -180).zone, 1);
    EXPECT_EQ(LatLonToUtm(kWgs84, 0, -190).zone, 59);  // folded to 170, not zone 0
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(2.5000001), 3);
}

TEST(Utm, BandLettersAndZoneExceptions) {
    const std::pair<double, char> bands[] = {{85, 'Z'}, {-80, 'C'}, {-80.0001, 'Z'}, {84, 'X'}, {72, 'X'},
                                             {71.999, 'W'}, {0, 'N'}, {-0.0001, 'M'}, {-8, 'M'}, {-8.0001, 'L'}};
    for (const auto& [lat, letter] : bands) EXPECT_EQ(LatitudeBandLetter(lat), letter) << lat;
    EXPECT_EQ(UtmZone(60, 2.99), 31);
    EXPECT_EQ(UtmZone(63.99, 11.99), 32);
    EXPECT_EQ(UtmZone(64, 5), 31);
    const std::pair<double, int> svalbard[] = {{0, 31}, {8.99, 31}, {9, 33}, {20.99, 33}, {21, 35},
                                               {32.99, 35}, {33, 37}, {41.99, 37}, {42, 38}};
    for (const auto& [lon, zone] : svalbard) EXPECT_EQ(UtmZone(78, lon), zone) << lon;
    EXPECT_EQ(UtmZone(84, 5), 31);  // the widened zones end at 84
}

// Metres between two nearby positions.
double Metres(LatLon a, LatLon b) {
    const double m = 111320.0;
    return std::hypot((a.lat - b.lat) * m, (a.lon - b.lon) * m * std::cos(a.lat * kPi / 180));
}

TEST(Utm, TenThousandRandomPointsAgainstGeographicLib) {
    std::mt19937_64 rng(20070203);
    std::uniform_real_distribution<double> latDist(-80.0, 84.0), lonDist(-180.0, 180.0);
    const auto& tm = GeographicLib::TransverseMercator::UTM();
    double worstNarrow = 0, worstWide = 0, worstInverse = 0;
    for (int i = 0; i < 10000; ++i) {
        double lat = latDist(rng), lon = lonDist(rng);
        if (i < 200) lat = 72.0 + (84.0 - 72.0) * (i % 100) / 100.0;  // Svalbard belt
        if (i >= 200 && i < 400) lat = 56.0 + 8.0 * (i % 100) / 100.0, lon = 3.0 + 9.0 * (i % 97) / 97.0;
        const UtmCoord u = LatLonToUtm(kWgs84, lat, lon);
        int zone = 0;
        bool northp = false;
        double x = 0, y = 0;
        GeographicLib::UTMUPS::Forward(lat, lon, zone, northp, x, y);
        ASSERT_EQ(u.zone, zone) << lat << " " << lon;
        ASSERT_EQ(u.letter >= 'N', northp) << lat;

        const double lon0 = (u.zone - 1) * 6 - 180 + 3;
        const double err = std::hypot(u.easting - x, u.northing - y);
        const bool wide = std::fabs(lon - lon0) > 3.0;
        (wide ? worstWide : worstNarrow) = std::max(wide ? worstWide : worstNarrow, err);

        // Inverse from the exact grid position back to the point.
        const LatLon back = UtmToLatLon(kWgs84, UtmCoord{zone, u.letter, x, y});
        if (!wide) worstInverse = std::max(worstInverse, Metres({lat, lon}, back));

        // Away from the band: a forced zone through the series as well.
        if (i % 1000 == 0) {
            double gx = 0, gy = 0;
            tm.Forward(lon0, lat, lon, gx, gy);
            EXPECT_NEAR(u.easting, gx + 500000, wide ? 0.02 : 0.001);
        }
    }
    EXPECT_LT(worstNarrow, 0.001);
    EXPECT_LT(worstWide, 0.02);
    EXPECT_LT(worstInverse, 0.001);
}

struct GridPoint {
    int zone;
    char letter;
    long long e, n;
    double lat, lon;
};

// The CSV rows (zone, band, easting, northing) with the positions GPSBabel
// computed for them, in file order.
std::vector<GridPoint> ReadGrid() {
    std::vector<GridPoint> out;
    std::istringstream csv(tvtest::ReadFileBytes(RealData("gpsbabel/grid-utm.csv")));
    std::string line;
    std::getline(csv, line);  // header
    while (std::getline(csv, line)) {
        std::vector<std::string> f;
        std::stringstream row(line);
        for (std::string cell; std::getline(row, cell, ',');) f.push_back(cell);
        if (f.size() < 5) continue;
        out.push_back({*ParseInt(f[1]), f[2][0], *ParseInt64(f[3]), *ParseInt64(f[4]), 0, 0});
    }
    const std::string gpx = tvtest::ReadFileBytes(RealData("gpsbabel/grid-utm~csv.gpx"));
    std::size_t pos = 0;
    for (GridPoint& p : out) {
        pos = gpx.find("<wpt lat=\"", pos);
        if (pos == std::string::npos) break;
        pos += 10;
        p.lat = *ParseFloat(gpx.substr(pos, gpx.find('"', pos) - pos));
        pos = gpx.find("lon=\"", pos) + 5;
        p.lon = *ParseFloat(gpx.substr(pos, gpx.find('"', pos) - pos));
    }
    return out;
}

TEST(Utm, GpsbabelGridBothWays) {
    const std::vector<GridPoint> grid = ReadGrid();
    ASSERT_EQ(grid.size(), 39u);
    for (const GridPoint& p : grid) {
        SCOPED_TRACE(IntText(p.zone) + p.letter + " " + IntText(p.e) + " " + IntText(p.n));
        ASSERT_NE(p.lat, 0.0);
        const LatLon back = UtmToLatLon(kWgs84, UtmCoord{p.zone, p.letter, double(p.e), double(p.n)});
        const bool wide = std::fabs(p.lon - ((p.zone - 1) * 6 - 177)) > 3.0;
        EXPECT_LT(Metres({p.lat, p.lon}, back), wide ? 0.05 : 0.002);

        const UtmFormResult r = ConvertToUtm(DegMinInput{FormatFixed(std::fabs(p.lat), 15, 12), "", p.lat < 0,
                                                         FormatFixed(std::fabs(p.lon), 15, 12), "", p.lon < 0});
        ASSERT_TRUE(r.boxes) << r.error;
        EXPECT_EQ(r.boxes->zone, IntText(p.zone));
        EXPECT_EQ(r.boxes->letter, p.letter);
        EXPECT_EQ(r.boxes->easting, IntText(p.e));
        EXPECT_EQ(r.boxes->northing, IntText(p.n));
    }
}

TEST(Utm, FormChecksAndBackConversion) {
    auto to = [](const char* latDeg, const char* latMin, bool s, const char* lonDeg, const char* lonMin, bool w) {
        return ConvertToUtm(DegMinInput{latDeg, latMin, s, lonDeg, lonMin, w});
    };
    EXPECT_EQ(to("48", "", false, "11", "34.5", false).boxes->zone, "32");  // empty minutes are 0
    EXPECT_EQ(to("4x", "1", false, "11", "0", false).error, W("Falsche oder ungültige Breitenangabe."));
    EXPECT_EQ(to("48", "1", false, "1a", "0", false).error, W("Falsche oder ungültige Längenangabe."));
    EXPECT_EQ(to("91", "0.000", false, "11", "0", false).error,
              W("Die Breitenangabe liegt außerhalb des zulässigen Bereichs [-90 ; 90]"));
    EXPECT_EQ(to("10", "0", false, "180", "0.1", true).error,
              W("Die Längenangabe liegt außerhalb des zulässigen Bereichs [-180 ; 180]"));
    EXPECT_EQ(to("85", "0", true, "10", "0", false).error,
              W("Die Breitenangabe liegt außerhalb des UTM-Bereichs [-80 ; 84]"));
    EXPECT_EQ(to("84", "0", false, "10", "0", false).boxes->letter, 'X');

    const DegMinFormResult north = ConvertFromUtm("32", 'U', "691567", "5334734");
    ASSERT_TRUE(north.boxes);
    EXPECT_EQ(north.boxes->latDeg + " " + north.boxes->latMin, "48 8.220");
    EXPECT_EQ(north.boxes->lonDeg + " " + north.boxes->lonMin, "11 34.500");
    EXPECT_FALSE(north.boxes->south || north.boxes->west);
    const DegMinFormResult south = ConvertFromUtm("19", 'H', "383890", "6292582");
    ASSERT_TRUE(south.boxes);
    EXPECT_EQ(south.boxes->latDeg + " " + south.boxes->latMin, "33 30.000");
    EXPECT_EQ(south.boxes->lonDeg + " " + south.boxes->lonMin, "70 15.000");
    EXPECT_TRUE(south.boxes->south && south.boxes->west);
    // 'M' is southern, 'N' northern: the same numbers lie 10,000 km apart.
    EXPECT_TRUE(ConvertFromUtm("32", 'M', "500000", "9990000").boxes->south);
    EXPECT_FALSE(ConvertFromUtm("32", 'N', "500000", "9990000").boxes->south);

    for (const char* zone : {"0", "61", "", "3x"})
        EXPECT_EQ(ConvertFromUtm(zone, 'U', "500000", "5000000").error, W("Falsche oder ungültige Zonenangabe."));
    EXPECT_EQ(ConvertFromUtm("32", 'U', "", "5000000").error, W("Falscher oder ungültiger Nord- oder Ostwert."));
    EXPECT_EQ(ConvertFromUtm("32", 'U', "500000", "99999999").error,
              W("Falscher oder ungültiger Nord- oder Ostwert."));
}

}  // namespace
}  // namespace tv
