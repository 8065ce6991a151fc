// Limits of the geo tools taken on both sides and at the limit, positions in
// all four quarters and across the date line, and files that cannot be
// written.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "core/coords.h"
#include "core/file_procs.h"
#include "core/number_format.h"
#include "geo/calculator.h"
#include "geo/coord_entry.h"
#include "geo/map_links.h"
#include "geo/route_search.h"
#include "geo/utm.h"
#include "platform/text_encoding.h"
#include "support/records.h"
#include "support/temp_dir.h"
#include "support/write_fault.h"

namespace tv {
namespace {

TEST(GeoBounds, MapLinkTakesThePolesAndTheDateLineButNothingBeyond) {
    auto parsed = [](const char* pair) {
        const MapLinkResult r = ParseMapLink(std::string("x&ll=") + pair + "&z=3");
        return r.link ? FormatFixed(r.link->lat, 4, 3) + "|" + FormatFixed(r.link->lon, 4, 3) : "-";
    };
    EXPECT_EQ(parsed("90,-180"), "90.000|-180.000");
    EXPECT_EQ(parsed("-90,180"), "-90.000|180.000");
    EXPECT_EQ(parsed("-12.5,33.25"), "-12.500|33.250");
    EXPECT_EQ(parsed("12.5,-33.25"), "12.500|-33.250");
    for (const char* pair : {"90.001,10", "-90.001,10", "10,180.001", "10,-180.001"})
        EXPECT_EQ(ParseMapLink(std::string("x&ll=") + pair + "&z=3").error, MapLinkError::BadNumber) << pair;
}

TEST(GeoBounds, ZoomStepsOnBothSpansAtTheirLimits) {
    // Each step is left only when a span is beyond it, for latitude and for longitude alike.
    EXPECT_EQ(ZoomLevel(2.5, 0), 13);
    EXPECT_EQ(ZoomLevel(2.5001, 0), 12);
    EXPECT_EQ(ZoomLevel(0, 3), 13);
    EXPECT_EQ(ZoomLevel(0, 3.0001), 12);
    EXPECT_EQ(ZoomLevel(0, 360), 6);
    EXPECT_EQ(ZoomLevel(320, 0), 6);
    EXPECT_EQ(ZoomLevel(320.01, 0), 5);
    // Bounds across hemispheres: the spans in minutes, the centre between.
    MarkerBounds b;
    b.Add(-0.25, 0.5);
    b.Add(0.125, -0.125);
    EXPECT_EQ(ZoomLevel(b), 9);  // 22.5' of latitude, 37.5' of longitude
    EXPECT_FLOAT_EQ(static_cast<float>(b.Center().lat), -0.0625f);
    EXPECT_FLOAT_EQ(static_cast<float>(b.Center().lon), 0.1875f);
}

TEST(GeoBounds, CoordEntryRangeIsInclusiveAndHemispheresStaySeparate) {
    CoordEntryModel m;
    m.SetFromSigned(90.0, -180.0);
    EXPECT_TRUE(m.OkEnabled());
    EXPECT_FALSE(m.south());
    EXPECT_TRUE(m.west());
    m.OnDecEdited(true, "90.00001");
    EXPECT_FALSE(m.OkEnabled());
    m.OnDecEdited(true, "89.5");
    m.OnDecEdited(false, "180.00001");
    EXPECT_FALSE(m.OkEnabled());
    m.OnDecEdited(false, "179.25");
    EXPECT_TRUE(m.OkEnabled());
    EXPECT_EQ(m.SignedResult(true, false), (LatLon{-89.5, 179.25}));
    EXPECT_EQ(m.SignedResult(false, true), (LatLon{89.5, -179.25}));
    // Degrees and minutes: 90 degrees and any minute more is off the globe.
    m.OnDmEdited("90", "0.001", "10", "0");
    EXPECT_FALSE(m.OkEnabled());
    m.OnDmEdited("90", "0", "180", "0");
    EXPECT_TRUE(m.OkEnabled());
    m.SetFromSigned(-0.25, 0.5);
    EXPECT_TRUE(m.south());
    EXPECT_FALSE(m.west());
}

TEST(GeoBounds, CalculatorBoxesInAllFourQuartersAndOverTheDateLine) {
    const struct {
        double value;
        bool latitude;
        const char* hemisphere;
    } cases[] = {{0.5, true, "Nord"}, {-0.5, true, "Süd"}, {0.25, false, "Ost"}, {-0.25, false, "West"},
                 {179.75, false, "Ost"}, {-179.75, false, "West"}};
    for (const auto& c : cases) {
        const DegMinBoxes b = BoxesFromSigned(c.value, c.latitude);
        EXPECT_EQ(b.hemisphere, W(c.hemisphere)) << c.value;
        EXPECT_DOUBLE_EQ(ParseDegMin(b.degrees, b.minutes, b.hemisphere), c.value);
    }
    // 20 km due east from just west of the date line ends in the west; due
    // north from just south of the equator ends in the north.
    const ProjectionLabels east = ProjectionTexts(BoxesFromSigned(-10.0, true), BoxesFromSigned(179.95, false), "20", "90");
    EXPECT_EQ(east.lat.substr(0, 2), "S ");
    EXPECT_EQ(east.lon.substr(0, 2), "W ");
    EXPECT_NEAR(*ParseCoordHalf(kHalfLatitude, east.lat), -10.0, 0.001);
    EXPECT_NEAR(*ParseCoordHalf(kHalfLongitude, east.lon), 179.95 + 20 / (111.19492664 * std::cos(DegToRad(10))) - 360,
                0.0001);
    const ProjectionLabels north =
        ProjectionTexts(BoxesFromSigned(-0.05, true), BoxesFromSigned(-20.0, false), "11.119492664", "0");
    EXPECT_NEAR(*ParseCoordHalf(kHalfLatitude, north.lat), 0.05, 1e-5);
    EXPECT_NEAR(*ParseCoordHalf(kHalfLongitude, north.lon), -20.0, 1e-5);
    // The second box of each pair reports its own fault.
    const DegMinBoxes good = BoxesFromSigned(10, true), bad{"1x", "0", "Nord"};
    EXPECT_EQ(DistanceText(good, bad, good, good), W("Fehler bei Startkoordinate Länge"));
    EXPECT_EQ(DistanceText(good, good, good, bad), W("Fehler bei Zielkoordinate Länge"));
    EXPECT_EQ(ProjectionTexts(good, bad, "1", "0").lat, W("Fehler bei Länge"));
}

RouteIndexEntry At(const char* code, double lat, double lon) {
    RouteIndexEntry e;
    e.code.assign(code);
    e.lat = lat;
    e.lon = lon;
    return e;
}

TEST(GeoBounds, RouteRadiusOnBothSidesInEveryDirectionAndOverTheDateLine) {
    const double deg = 1.0 / 111.19492664;  // one km along the equator or a meridian
    for (const double lon0 : {0.0, 179.99, -179.99}) {
        auto wrap = [](double lon) { return lon > 180 ? lon - 360 : lon < -180 ? lon + 360 : lon; };
        const std::vector<RouteIndexEntry> index = {
            At("GCE", 0.0, wrap(lon0 + 2.98 * deg)),  At("GCW", 0.0, wrap(lon0 - 2.98 * deg)),
            At("GCN", 2.98 * deg, lon0),             At("GCS", -2.98 * deg, lon0),
            At("GCEO", 0.0, wrap(lon0 + 3.02 * deg)), At("GCWO", 0.0, wrap(lon0 - 3.02 * deg)),
            At("GCNO", 3.02 * deg, lon0),            At("GCSO", -3.02 * deg, lon0)};
        for (const bool grid : {true, false}) {
            RouteSearchParams p;
            p.index = &index;
            p.route = {{0.0, lon0}, {0.0001, lon0}};  // one sample
            p.maxDistKm = 3.0;
            p.usePrefilter = grid;
            std::string codes;
            for (const RouteHit& h : SearchAlongRoute(p).hits) codes += h.code + " ";
            EXPECT_EQ(codes, "GCE GCW GCN GCS ") << lon0 << " " << grid;
        }
    }
}

TEST(GeoBounds, UtmZoneExceptionsAtTheirEdges) {
    EXPECT_EQ(UtmZone(56.0, 3.0), 32);
    EXPECT_EQ(UtmZone(55.999, 3.0), 31);
    EXPECT_EQ(UtmZone(64.0, 3.0), 31);
    EXPECT_EQ(UtmZone(63.999, 11.999), 32);
    EXPECT_EQ(UtmZone(60.0, 2.999), 31);
    EXPECT_EQ(UtmZone(60.0, 12.0), 33);
    EXPECT_EQ(UtmZone(72.0, 8.999), 31);
    EXPECT_EQ(UtmZone(71.999, 8.999), 32);
    EXPECT_EQ(UtmZone(72.0, 9.0), 33);
    EXPECT_EQ(UtmZone(72.0, 21.0), 35);
    EXPECT_EQ(UtmZone(72.0, 33.0), 37);
    EXPECT_EQ(UtmZone(72.0, 41.999), 37);
    EXPECT_EQ(UtmZone(72.0, 42.0), 38);
    EXPECT_EQ(UtmZone(0.0, -180.0), 1);
    EXPECT_EQ(UtmZone(0.0, 179.999), 60);
    EXPECT_EQ(UtmZone(0.0, -0.001), 30);
    EXPECT_EQ(UtmZone(0.0, 0.0), 31);

    auto error = [](const char* latDeg, const char* latMin, bool south, const char* lonDeg, bool west) {
        const UtmFormResult r = ConvertToUtm(DegMinInput{latDeg, latMin, south, lonDeg, "0", west});
        return r.boxes ? r.boxes->zone + std::string(1, r.boxes->letter) : r.error;
    };
    const std::string outside = W("Die Breitenangabe liegt außerhalb des UTM-Bereichs [-80 ; 84]");
    EXPECT_EQ(error("84", "0", false, "10", false), "32X");
    EXPECT_EQ(error("84", "0.01", false, "10", false), outside);
    EXPECT_EQ(error("80", "0", true, "10", true), "29C");
    EXPECT_EQ(error("80", "0.01", true, "10", true), outside);
    EXPECT_EQ(error("10", "0", false, "180", true), "1P");
    EXPECT_EQ(error("10", "0", true, "180", false), "1L");
    const std::string lonRange = W("Die Längenangabe liegt außerhalb des zulässigen Bereichs [-180 ; 180]");
    EXPECT_EQ(error("10", "0", false, "181", true), lonRange);
    EXPECT_EQ(ConvertFromUtm("1", 'N', "500000", "0").error, "");
    EXPECT_EQ(ConvertFromUtm("60", 'N', "500000", "0").error, "");
}

TEST(GeoBounds, FailedWritesAreReportedAndKeepTheOldFiles) {
    tvtest::TempDir dir;
    dir.write("WPList.txt", "GC1\r\n");
    {
        tvtest::ScopedWriteFault fault("WPList.txt");
        const WorkListSaveResult r = SaveRouteWorkList(dir.str(), true, {"GC2"});
        EXPECT_EQ(r.status, WorkListSaveStatus::WriteFailed);
    }
    EXPECT_EQ(dir.read("WPList.txt"), "GC1\r\n");

    tvtest::WorkFolder work;
    work.writeCaches({tvtest::CacheRecord("GC1", "Eins", 48, 11)});
    work.write("WPList.txt", "GC1\r\n");
    work.write("gmtemplate.html", "#LISTCOMMENT#");
    work.write("caches.xml", "old markers");
    work.write("gmshow.html", "old page");
    const MapPageParams params{work.str(), ""};
    for (const char* name : {"caches.xml", "gmshow.html"}) {
        tvtest::ScopedWriteFault fault(name);
        const MapPageResult r = WriteMapPage(params);
        EXPECT_EQ(r.status, MapPageResult::Failed) << name;
        EXPECT_EQ(r.error, WriteErrorText(work.str() + name));
        EXPECT_EQ(work.read("gmshow.html"), "old page");
        if (name == std::string("caches.xml")) {
            EXPECT_EQ(work.read("caches.xml"), "old markers");
        }
    }
    EXPECT_EQ(WriteMapPage(params).status, MapPageResult::Written);
    EXPECT_EQ(work.read("gmshow.html"), "Folgende 1 Caches befinden sich in der Arbeitsliste:");
}

}  // namespace
}  // namespace tv
