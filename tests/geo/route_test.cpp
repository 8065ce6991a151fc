// Route files, the sampling search along a route (with its grid compared to
// testing every cache) and the result lines.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>

#include "core/cache_rec.h"
#include "geo/route_files.h"
#include "geo/route_search.h"
#include "platform/text_encoding.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

TEST(RouteFiles, Top50LinesAppendAndSkipLettersSilently) {
    const auto p = ParseDmsLine("011 34 31 48 08 14");
    ASSERT_TRUE(p);
    EXPECT_NEAR(p->lon, 11.575277777, 1e-8);
    EXPECT_NEAR(p->lat, 48.137222222, 1e-8);
    const auto r = ReadTop50Route("# Kommentar\r\n011 34 31 48 08 14\r\n\r\nN 48 08 14 E 011 34 31\r\n"
                                  "  012:00:00.5  49;30;0 tail\n200 0 0 48 0 0\n");
    EXPECT_TRUE(r.append);
    EXPECT_EQ(r.points, (std::vector<std::string>{"11.5753 / 48.1372", "12.0001 / 49.5000"}));
    EXPECT_EQ(SourcePointCount(r), 2);
    ASSERT_EQ(r.badLines.size(), 1u);
    EXPECT_EQ(r.badLines[0].line, 6);
    EXPECT_FALSE(ParseDmsLine("011 34 31 48 08"));
    EXPECT_FALSE(ParseDmsLine("011 34 31 48 08 1.2.3"));
}

TEST(RouteFiles, OverlaySectionCountAndValues) {
    auto r = ReadOverlayRoute("[Allgemein]\r\nx=1\r\n[Symbol 1]\r\nPunkte=5\r\nXKoord0=11.5\r\nYKoord0=48.1\r\n"
                              "XKoord1=11.6\r\nYKoord1=48.2\r\nXKoord2=-3.25\r\nYKoord2=-40.5\r\nXKoord3=12\r\n");
    EXPECT_EQ(r.error, RouteReadError::None);
    EXPECT_EQ(r.declaredCount, 5);
    EXPECT_EQ(SourcePointCount(r), 5);  // the declared number, though two points are missing
    EXPECT_EQ(r.points, (std::vector<std::string>{"11.5000 / 48.1000", "11.6000 / 48.2000", "-3.2500 / -40.5000"}));

    r = ReadOverlayRoute("[Symbol 2]\nPunkte=1\nXKoord0=1\nYKoord0=2\n");
    EXPECT_EQ(r.error, RouteReadError::TooFewPoints);
    EXPECT_FALSE(r.changesList);
    r = ReadOverlayRoute("[symbolik]\nXKoord0=1\n");
    EXPECT_EQ(RouteReadErrorText(r, "a.ovl"),
              W("In der gewählten Datei wurde in Sektion \"symbolik\" keine gültige Angabe der Wegpunktmenge "
                "(Punkte=x) gefunden."));
    r = ReadOverlayRoute("[Linie]\nPunkte=3\n");
    EXPECT_EQ(RouteReadErrorText(r, "a.ovl"), W("In der gewählten Datei wurde keine Sektion [Symbol ...] gefunden."));

    // A value that is not a number ends reading; what came before stays.
    r = ReadOverlayRoute("[Symbol 1]\nPunkte=3\nXKoord0=1\nYKoord0=2\nXKoord1=abc\nYKoord1=3\n");
    EXPECT_EQ(r.error, RouteReadError::BadValue);
    EXPECT_TRUE(r.changesList);
    EXPECT_EQ(r.points, (std::vector<std::string>{"1.0000 / 2.0000"}));
    EXPECT_EQ(RouteReadErrorText(r, "/x/a.ovl"),
              W("Fehler beim Lesen der Datei /x/a.ovl\r\n\r\nUngültige Angabe: \"XKoord1=abc\""));
}

TEST(RouteFiles, MapSourceDegreeMinuteWithHemispheres) {
    const std::string text = "Grid\tLat/Lon hddd\xB0mm.mmm'\r\n"
                             "Waypoint\tA\tx\ty\tN48 08.232 E11 34.517\tz\r\n"
                             "Waypoint\tW\tx\ty\tS33 30.000 W070 15.000\r\n"
                             "Waypoint\tBAD\tx\ty\tN4x\r\n"
                             "Route Waypoint\tA\t1\r\n"
                             "Route Waypoint\tB\t2\r\n"
                             "ROUTE WAYPOINT\tW\r\n";
    const auto r = ReadMapSourceRoute(text);
    ASSERT_EQ(r.error, RouteReadError::None);
    EXPECT_EQ(r.points, (std::vector<std::string>{"11.5753 / 48.1372", "-70.2500 / -33.5000"}));
    ASSERT_EQ(r.badLines.size(), 1u);
    EXPECT_EQ(r.badLines[0].line, 4);
    EXPECT_EQ(BadRouteLinesText(r.badLines),
              W("Punkte ohne gültige Koordinaten wurden übersprungen:\r\nZeile 4: Waypoint\tBAD\tx\ty\tN4x"));

    const auto bad = ReadMapSourceRoute("Grid\tUTM\r\nWaypoint\tA\tx\ty\tN48 08.232 E11 34.517\r\n");
    EXPECT_FALSE(bad.changesList);
    EXPECT_EQ(RouteReadErrorText(bad, "r.txt"),
              W("Nicht erlaubtes Koordinatenformat in der Eingabedatei:\r\n\r\n\"Grid\tUTM\"\r\n\r\n"
                "Erlaubte Formate: hddd.ddddd° oder hddd°mm.mmm'"));
}

TEST(RouteFiles, MapSourceDegreeMinuteMixedHemispheres) {
    // Each sign comes from its own letter: south with east, north with west.
    const auto r = ReadMapSourceRoute("Grid\tLat/Lon hddd\xB0mm.mmm'\r\n"
                                      "Waypoint\tSE\tx\ty\tS33 52.000 E151 12.500\r\n"
                                      "Waypoint\tNW\tx\ty\tN40 45.000 W073 59.000\r\n"
                                      "Route Waypoint\tSE\r\nRoute Waypoint\tNW\r\n");
    ASSERT_EQ(r.error, RouteReadError::None);
    // Six significant digits: 151.208333 shows as 151.2080.
    EXPECT_EQ(r.points, (std::vector<std::string>{"151.2080 / -33.8667", "-73.9833 / 40.7500"}));
}

TEST(RouteFiles, OverlayStopsAtTheDeclaredCount) {
    const std::string points = "XKoord0=1\nYKoord0=2\nXKoord1=3\nYKoord1=4\nXKoord2=5\nYKoord2=6\n";
    auto r = ReadOverlayRoute("[Symbol 1]\nPunkte=2\n" + points);
    EXPECT_EQ(r.points, (std::vector<std::string>{"1.0000 / 2.0000", "3.0000 / 4.0000"}));
    r = ReadOverlayRoute("[Symbol 1]\nPunkte=3\n" + points);
    EXPECT_EQ(r.points.size(), 3u);
}

TEST(RouteFiles, MapSourceDecimalKeepsTheTexts) {
    const auto r = ReadMapSourceRoute(
        "Grid\tLat/Lon hddd.ddddd\xC2\xB0\n"
        "Waypoint\tA\t\t\tN48.13720 E11.57528\n"
        "Waypoint\tB\t\t\tS12.5 W077.123456789\n"
        "Waypoint\tC\t\t\tN48.1372\n"   // no blank
        "Waypoint\tD\t\t\tN48.1x E11\n"  // not a number
        "Route Waypoint\tA\nRoute Waypoint\tB\nRoute Waypoint\tC\nRoute Waypoint\tA\n");
    EXPECT_EQ(r.points, (std::vector<std::string>{"11.57528 / 48.13720", "-077.1234 / -12.5", "11.57528 / 48.13720"}));
    EXPECT_EQ(r.badLines.size(), 2u);
}

TEST(RouteFiles, PointTextsAndTheStartRule) {
    EXPECT_EQ(FormatRoutePoint(11.575277, 48.137222), "11.5753 / 48.1372");
    EXPECT_EQ(ParseRoutePoint(" 11.5 /48.25 "), (LatLon{48.25, 11.5}));
    EXPECT_FALSE(ParseRoutePoint("11.5 / N48"));
    EXPECT_FALSE(ParseRoutePoint("190 / 48"));
    EXPECT_FALSE(ParseRoutePoint("11.5"));
    for (const char* d : {"0.1", "", "abc"}) EXPECT_FALSE(CanCalc(2, d)) << d;
    EXPECT_TRUE(CanCalc(2, "0.11"));
    EXPECT_FALSE(CanCalc(1, "3.0"));
}

RouteIndexEntry Entry(const char* code, double lat, double lon) {
    RouteIndexEntry e;
    e.code = code;
    e.lat = lat;
    e.lon = lon;
    return e;
}

RouteSearchParams Params(const std::vector<RouteIndexEntry>& index, std::vector<LatLon> route, double km) {
    RouteSearchParams p;
    p.index = &index;
    p.route = std::move(route);
    p.maxDistKm = km;
    p.keep = [](const RouteIndexEntry& e) { return std::optional<std::string>("N" + e.code.str()); };
    return p;
}

TEST(RouteSearch, SamplesAlongASegment) {
    const auto s = SegmentSamples({48.0, 11.0}, {48.0, 11.1}, 3.0 / std::sqrt(2.0));
    ASSERT_EQ(s.size(), 4u);
    EXPECT_NEAR(CalcDistanceBearing(s[0], s[3])->km, 3 * 2.12132, 1e-3);
    EXPECT_EQ(SegmentSamples({48.0, 11.0}, {48.0, 11.01}, 2.0).size(), 1u);
    // A long sparse segment stays on its great circle: the last sample lies
    // less than a step before the end.
    const auto far = SegmentSamples({48.0, 6.0}, {48.0, 14.0}, 2.12132);
    EXPECT_LT(CalcDistanceBearing(far.back(), {48.0, 14.0})->km, 2.12132);
}

TEST(RouteSearch, CachesBesideTheWholeSegmentAreFound) {
    // Samples every maxDist/sqrt(2) km leave no point of the segment farther
    // than maxDist*sqrt(7/8) sideways out of reach. With maxDist = sqrt(2) km
    // the samples lie 1 km apart on a 10 km segment along the equator; caches
    // 1.25 km beside it, one every 100 m, are all within reach of a sample.
    const double kmPerDeg = kEarthRadiusKm * M_PI / 180.0;
    std::vector<RouteIndexEntry> index;
    for (int i = 0; i <= 90; ++i) index.push_back(Entry("", 1.25 / kmPerDeg, i * 0.1 / kmPerDeg));
    const auto r = SearchAlongRoute(Params(index, {{0.0, 0.0}, {0.0, 10.0 / kmPerDeg}}, std::sqrt(2.0)));
    EXPECT_EQ(r.hits.size(), index.size());
    for (const RouteHit& h : r.hits) EXPECT_LE(h.routeKm, std::sqrt(2.0));
}

TEST(RouteSearch, DistancesOrderMarkingAndDrops) {
    // B is first in the file but only reached by sample 1; C is within reach
    // of samples 0 and 1 and counted once with its sample-0 distance.
    const std::vector<RouteIndexEntry> index = {
        Entry("GCB", 48.0, 11.0 + 5.0 / 74.4), Entry("GCA", 48.022483, 11.0), Entry("GCC", 48.005, 11.01),
        Entry("GCFAR", 48.0 + 2.9 / 111.195, 11.0 + 3.18 / 74.4), Entry("GCX", 48.0, 11.05)};
    auto p = Params(index, {{48.0, 11.0}, {48.0, 11.1}}, 3.0);
    p.home = LatLon{48.0, 11.0};
    int keepCalls = 0;
    p.keep = [&](const RouteIndexEntry& e) -> std::optional<std::string> {
        ++keepCalls;
        if (e.code == "GCX") return std::nullopt;  // e.g. filtered out
        return "Name " + e.code.str();
    };
    const auto r = SearchAlongRoute(p);
    ASSERT_EQ(r.hits.size(), 3u);
    EXPECT_EQ(FormatResultLine(r.hits[0]), "GCA (2.50 km / 2.50 km) Name GCA");
    EXPECT_EQ(r.hits[1].code, "GCC");
    EXPECT_NEAR(r.hits[1].routeKm, CalcDistanceBearing({48.0, 11.0}, {48.005, 11.01})->km, 1e-9);
    EXPECT_EQ(r.hits[2].code, "GCB");
    EXPECT_EQ(keepCalls, 4);  // the dropped cache is not tested again
    EXPECT_EQ(FormatResultLine({"GC1", 1.2749, std::nullopt, "X Y", 0}), "GC1 (1.27 km) X Y");
}

TEST(RouteSearch, GridFindsWhatTestingEveryCacheFinds) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> lat(-89.9, 89.9), lon(-180, 180), near(-0.3, 0.3);
    std::vector<RouteIndexEntry> index;
    // Random caches everywhere, dense ones around the routes, a few off the sphere.
    for (int i = 0; i < 1500; ++i) index.push_back(Entry("", lat(rng), lon(rng)));
    const std::vector<std::vector<LatLon>> routes = {
        {{48.0, 11.0}, {48.3, 11.4}, {47.9, 11.8}, {48.0, 11.8}},
        {{-33.9, 179.7}, {-34.2, -179.8}},   // across the date line
        {{89.7, 10.0}, {89.8, 100.0}},       // near the pole
        {{0.0, 0.0}, {0.5, 0.0}}};
    for (const auto& route : routes)
        for (const LatLon& pt : route)
            for (int i = 0; i < 200; ++i)
                index.push_back(Entry("", pt.lat + near(rng) * (std::fabs(pt.lat) > 89 ? 0.3 : 1), pt.lon + near(rng)));
    index.push_back(Entry("", 95.0, 11.0));
    std::size_t total = 0;
    for (const auto& route : routes) {
        for (double km : {0.5, 3.0, 25.0}) {
            auto p = Params(index, route, km);
            const auto a = SearchAlongRoute(p);
            p.usePrefilter = false;
            const auto b = SearchAlongRoute(p);
            ASSERT_EQ(a.hits.size(), b.hits.size()) << km;
            total += a.hits.size();
            for (std::size_t i = 0; i < a.hits.size(); ++i)
                EXPECT_TRUE(a.hits[i].entry == b.hits[i].entry && a.hits[i].routeKm == b.hits[i].routeKm);
        }
    }
    EXPECT_GT(total, 500u);
}

TEST(RouteResults, IndexBytesFindsAndTheWorkList) {
    TCacheRec c;
    c.Waypoint = "GC12AB";
    c.Lat = -33.5;
    c.Lon = 151.25;
    std::string bytes = EncodeCacheRecs({TCacheRec{}, c}) + "tail";
    const auto idx = RouteIndexFromBytes(bytes);
    ASSERT_EQ(idx.size(), 2u);
    EXPECT_EQ(idx[1].code, "GC12AB");
    EXPECT_EQ(idx[1].recNo, 1);
    EXPECT_EQ(idx[1].lat, -33.5);
    EXPECT_EQ(idx[1].lon, 151.25);

    TFoundRec f;
    f.Waypoint = "gc2";
    const auto codes = FoundCodesFromBytes(EncodeFoundRecs({f}));
    EXPECT_EQ(RemoveResultLines({"GC1 (1.00 km) A", "GC2 (2.00 km) B", "GC22 (2.00 km) C"}, codes),
              (std::vector<std::string>{"GC1 (1.00 km) A", "GC22 (2.00 km) C"}));
    EXPECT_EQ(ResultLineCode("  GC5  "), "GC5");

    tvtest::TempDir dir;
    dir.write("WPList.txt", "GC1\r\nGC2\r\n");
    EXPECT_EQ(SaveRouteWorkList(dir.str(), true, {"GC2", "GC3"}).status, WorkListSaveStatus::Ok);
    EXPECT_EQ(dir.read("WPList.txt"), "GC1\r\nGC2\r\nGC2\r\nGC3\r\n");
    EXPECT_EQ(SaveRouteWorkList(dir.str(), false, {"GC2", "GC3"}).status, WorkListSaveStatus::Ok);
    EXPECT_EQ(dir.read("WPList.txt"), "GC2\r\nGC3\r\n");
    // A list that is there but cannot be read is never overwritten.
    tvtest::TempDir other;
    std::filesystem::create_directory(other.path() / "WPList.txt");
    EXPECT_EQ(SaveRouteWorkList(other.str(), true, {"GC9"}).status, WorkListSaveStatus::ReadFailed);
    EXPECT_TRUE(std::filesystem::is_directory(other.path() / "WPList.txt"));
}

}  // namespace
}  // namespace tv
