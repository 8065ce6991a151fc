// UTM series against known vectors, GeographicLib's exact transverse
// Mercator and GPSBabel's UTM grid file; the window's two conversions.
#include "geo/utm.h"

#include <gtest/gtest.h>

#include <GeographicLib/UTMUPS.hpp>
#include <cmath>
#include <random>
#include <regex>

#include "core/number_format.h"
#include "platform/text_encoding.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

std::string RealData(const std::string& relative) {
    return tvtest::ReadFileBytes(tvtest::Fixture("x").parent_path().parent_path() / "data/real" / relative);
}

// Metres between two nearby positions.
double Metres(LatLon a, LatLon b) {
    return 111320.0 * std::hypot(a.lat - b.lat, (a.lon - b.lon) * std::cos(a.lat * kPi / 180));
}

TEST(Utm, KnownVectorsRoundHalfToEvenWhereListingPagesTruncate) {
    // Munich and Chile (listing pages, which truncate, show 383889 / 6292581
    // for the second), then the zone exceptions and the date line.
    const struct {
        double lat, lon, e, n;  // e, n 0: known to the metre only
        const char* shown;
    } cases[] = {
        {48.137, 11.575, 691567.326, 5334734.331, "32U 691567 5334734"},
        {-33.5, -70.25, 383889.653, 6292581.647, "19H 383890 6292582"},
        {60, 5, 0, 0, "32V 276980 6658157"},
        {78, 15, 500000.0, 8658369.586, "33X 500000 8658370"},
        {0, 180, 0, 0, "1N 166021 0"},
    };
    for (const auto& c : cases) {
        const UtmCoord u = LatLonToUtm(kWgs84, c.lat, c.lon);
        if (c.e > 0) {
            EXPECT_LT(std::hypot(u.easting - c.e, u.northing - c.n), 0.001) << c.shown;
        }
        const UtmFormResult r = ConvertToUtm(DegMinBoxesOf(c.lat, c.lon));
        ASSERT_TRUE(r.boxes) << r.error;
        EXPECT_EQ(r.boxes->zone + r.boxes->letter + " " + r.boxes->easting + " " + r.boxes->northing, c.shown);
    }
    EXPECT_EQ(LatLonToUtm(kWgs84, 0, -190).zone, 59);  // folded to 170, not zone 0
    for (const auto& [v, r] : {std::pair{0.5, 0.0}, {1.5, 2.0}, {2.5, 2.0}, {-0.5, 0.0}, {2.5000001, 3.0}})
        EXPECT_EQ(RoundHalfEven(v), r) << v;
}

// The zone exceptions are checked against GeographicLib below.
TEST(Utm, BandLetters) {
    const std::string letters = {LatitudeBandLetter(85), LatitudeBandLetter(-80),     LatitudeBandLetter(-80.0001),
                                 LatitudeBandLetter(84), LatitudeBandLetter(72),      LatitudeBandLetter(71.999),
                                 LatitudeBandLetter(0),  LatitudeBandLetter(-0.0001), LatitudeBandLetter(-8.0001)};
    EXPECT_EQ(letters, "ZCZXXWNML");
    EXPECT_EQ(UtmZone(84, 5), 31);  // beyond GeographicLib's UTM
}

TEST(Utm, TenThousandRandomPointsAgainstGeographicLib) {
    std::mt19937_64 rng(20070203);
    std::uniform_real_distribution<double> latDist(-80.0, 84.0), lonDist(-180.0, 180.0);
    double worstNarrow = 0, worstWide = 0, worstInverse = 0;
    for (int i = 0; i < 10000; ++i) {
        double lat = latDist(rng), lon = lonDist(rng);
        if (i < 400) lat = (i < 200 ? 72.0 + i * 0.06 : 56.0 + (i - 200) * 0.04), lon = 3.0 + (i % 97) * 0.4;
        const UtmCoord u = LatLonToUtm(kWgs84, lat, lon);
        int zone = 0;
        bool northp = false;
        double x = 0, y = 0;
        GeographicLib::UTMUPS::Forward(lat, lon, zone, northp, x, y);
        ASSERT_EQ(u.zone, zone) << lat << " " << lon;
        ASSERT_EQ(u.letter >= 'N', northp) << lat;
        const bool wide = std::fabs(lon - ((zone - 1) * 6 - 177)) > 3.0;
        double& worst = wide ? worstWide : worstNarrow;
        worst = std::max(worst, std::hypot(u.easting - x, u.northing - y));
        // Inverse from the exact grid position back to the point.
        if (!wide)
            worstInverse = std::max(worstInverse, Metres({lat, lon}, UtmToLatLon(kWgs84, {zone, u.letter, x, y})));
    }
    EXPECT_LT(worstNarrow, 0.001);
    EXPECT_LT(worstWide, 0.02);
    EXPECT_LT(worstInverse, 0.001);
}

TEST(Utm, GpsbabelGridBothWays) {
    // CSV rows "No,zone,band,easting,northing,..." and the positions GPSBabel
    // computed for them, in the same order.
    const std::string csv = RealData("gpsbabel/grid-utm.csv"), gpx = RealData("gpsbabel/grid-utm~csv.gpx");
    const std::regex row(R"(\n\d+,(\d+),([A-Z]),(\d+),(\d+),)"), wpt(R"x(<wpt lat="([-\d.]+)" lon="([-\d.]+)")x");
    auto r = std::sregex_iterator(csv.begin(), csv.end(), row);
    auto w = std::sregex_iterator(gpx.begin(), gpx.end(), wpt);
    int count = 0;
    for (; r != std::sregex_iterator() && w != std::sregex_iterator(); ++r, ++w, ++count) {
        const UtmCoord grid{*ParseInt((*r)[1].str()), (*r)[2].str()[0], *ParseFloat((*r)[3].str()),
                            *ParseFloat((*r)[4].str())};
        const LatLon p{*ParseFloat((*w)[1].str()), *ParseFloat((*w)[2].str())};
        SCOPED_TRACE((*r)[0].str());
        const bool wide = std::fabs(p.lon - ((grid.zone - 1) * 6 - 177)) > 3.0;
        EXPECT_LT(Metres(p, UtmToLatLon(kWgs84, grid)), wide ? 0.05 : 0.002);

        const UtmFormResult back = ConvertToUtm({FormatFixed(std::fabs(p.lat), 15, 12), "", p.lat < 0,
                                                 FormatFixed(std::fabs(p.lon), 15, 12), "", p.lon < 0});
        ASSERT_TRUE(back.boxes) << back.error;
        EXPECT_EQ(back.boxes->zone + back.boxes->letter + " " + back.boxes->easting + " " + back.boxes->northing,
                  IntText(grid.zone) + grid.letter + " " + (*r)[3].str() + " " + (*r)[4].str());
    }
    EXPECT_EQ(count, 39);
}

TEST(Utm, FormChecksAndBackConversion) {
    auto to = [](const char* latDeg, bool south, const char* lonDeg, const char* lonMin) {
        return ConvertToUtm(DegMinInput{latDeg, "", south, lonDeg, lonMin, false}).error;
    };
    EXPECT_EQ(to("48", false, "1a", "0"), W("Falsche oder ungültige Längenangabe."));
    EXPECT_EQ(to("91", false, "11", "0"), W("Die Breitenangabe liegt außerhalb des zulässigen Bereichs [-90 ; 90]"));
    EXPECT_EQ(to("10", false, "180", "0.1"),
              W("Die Längenangabe liegt außerhalb des zulässigen Bereichs [-180 ; 180]"));
    EXPECT_EQ(to("85", true, "10", "0"), W("Die Breitenangabe liegt außerhalb des UTM-Bereichs [-80 ; 84]"));

    // 'M' is southern, 'N' northern: the same numbers lie 10,000 km apart.
    EXPECT_TRUE(ConvertFromUtm("32", 'M', "500000", "9990000").boxes->south);
    EXPECT_FALSE(ConvertFromUtm("32", 'N', "500000", "9990000").boxes->south);
    for (const char* zone : {"0", "61", "3x"})
        EXPECT_EQ(ConvertFromUtm(zone, 'U', "500000", "5000000").error, W("Falsche oder ungültige Zonenangabe."));
    for (const char* northing : {"", "99999999"})
        EXPECT_EQ(ConvertFromUtm("32", 'U', "500000", northing).error,
                  W("Falscher oder ungültiger Nord- oder Ostwert."));
}

}  // namespace
}  // namespace tv
