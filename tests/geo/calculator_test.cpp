// The calculator's texts and the coordinate-entry views, checked against the
// coordinate functions.
#include "geo/calculator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/coords.h"
#include "core/number_format.h"
#include "geo/coord_entry.h"
#include "platform/text_encoding.h"

namespace tv {
namespace {

DegMinBoxes B(const char* deg, const char* min, const char* hemi) { return {deg, min, W(hemi)}; }

TEST(ParseDegMin, SignFromTheHemisphereAndFailures) {
    EXPECT_DOUBLE_EQ(ParseDegMin("49", "30.000", W("Süd")), -49.5);
    EXPECT_DOUBLE_EQ(ParseDegMin("10", "45", "Ost"), 10.75);
    EXPECT_DOUBLE_EQ(ParseDegMin("10", "45", "East"), 10.75);
    EXPECT_DOUBLE_EQ(ParseDegMin("49.5", "0", "Nord"), 49.5);
    EXPECT_DOUBLE_EQ(ParseDegMin("10", "45", "West"), -10.75);
    EXPECT_EQ(ParseDegMin("x", "1", "Nord"), kDegMinFailed);
    EXPECT_EQ(ParseDegMin("49", "", "Nord"), kDegMinFailed);
    EXPECT_EQ(ParseDegMin("49", "30,5", "Nord"), kDegMinFailed);
}

TEST(DistanceText, DefaultsGiveTheKnownDistanceAndBearing) {
    const std::string text = DistanceText(B("49", "30.000", "Nord"), B("10", "45.000", "Ost"), B("50", "5.500", "Nord"),
                                          B("11", "2.800", "Ost"));
    EXPECT_EQ(text, "Entfernung = 69.150 km in Richtung 17.82 Grad");
    // The same numbers as the coordinate functions give.
    double d = 0, b = 0;
    ASSERT_TRUE(CalcDistanceBearing(d, b, 49.5, 10.75, 50 + 5.5 / 60, 11 + 2.8 / 60));
    EXPECT_EQ(text, "Entfernung = " + FormatFixed(d, 8, 3) + " km in Richtung " + FormatFixed(b, 4, 2) + " Grad");
}

TEST(DistanceText, SouthernAndWesternPointsAndBearingRounding) {
    // Santiago to Buenos Aires: both south and west.
    const std::string text = DistanceText(B("33", "27.000", "Süd"), B("70", "40.000", "West"), B("34", "36.000", "Süd"),
                                          B("58", "23.000", "West"));
    double d = 0, b = 0;
    ASSERT_TRUE(CalcDistanceBearing(d, b, -33.45, -(70 + 40.0 / 60), -34.6, -(58 + 23.0 / 60)));
    EXPECT_GT(d, 1100);
    EXPECT_LT(d, 1200);
    EXPECT_EQ(text, "Entfernung = " + FormatFixed(d, 8, 3) + " km in Richtung " + FormatFixed(b, 4, 2) + " Grad");
    // Four significant digits before the two decimals.
    EXPECT_EQ(FormatFixed(193.2567, 4, 2), "193.30");
}

TEST(ProjectionTexts, DefaultsErrorsAndZeroDistance) {
    const auto lat = B("49", "30.000", "Nord");
    const auto lon = B("10", "45.000", "Ost");
    ProjectionLabels p = ProjectionTexts(lat, lon, "85.32", "193.25");
    EXPECT_EQ(p.lat, W("N 48° 45.169"));
    EXPECT_EQ(p.lon, W("E 10° 28.996"));

    p = ProjectionTexts(lat, lon, "8x", "193.25");
    EXPECT_EQ(p.lat, "Fehler bei Entfernung");
    EXPECT_EQ(p.lon, "");
    p = ProjectionTexts(lat, lon, "8", "");
    EXPECT_EQ(p.lat, "Fehler bei Richtungswinkel");
    EXPECT_EQ(p.lon, "");
    p = ProjectionTexts(B("", "1", "Nord"), lon, "8", "1");
    EXPECT_EQ(p.lat, "Fehler bei Breite");
    p = ProjectionTexts(lat, B("1", "x", "Ost"), "8", "1");
    EXPECT_EQ(p.lat, W("Fehler bei Länge"));
    EXPECT_EQ(p.lon, "");

    // 0 km gives the start back, also where a plain acos would fail.
    p = ProjectionTexts(B("48", "8.220", "Nord"), B("11", "34.500", "Ost"), "0", "77");
    EXPECT_EQ(p.lat, W("N 48° 8.220"));
    EXPECT_EQ(p.lon, W("E 11° 34.500"));
    auto q = ProjectCoordinate(LatLon{48.137, 11.575}, 0, 77);
    ASSERT_TRUE(q);
    EXPECT_NEAR(q->lat, 48.137, 1e-6);
    EXPECT_NEAR(q->lon, 11.575, 1e-6);

    // Southern start: the labels carry S and W.
    p = ProjectionTexts(B("33", "30", "Süd"), B("70", "15", "West"), "10", "180");
    double la = 0, lo = 0;
    ASSERT_TRUE(ProjectCoordinate(la, lo, -33.5, -70.25, 10, 180));
    EXPECT_EQ(p.lat, FormatCoordHalf(kHalfLatitude, la));
    EXPECT_EQ(p.lat.substr(0, 2), "S ");
    EXPECT_EQ(p.lon, W("W 70° 15.000"));
}

TEST(CoordEntryModel, ViewsFollowEachOther) {
    CoordEntryModel m;
    m.SetFromSigned(-33.5, -70.25);
    EXPECT_TRUE(m.south());
    EXPECT_TRUE(m.west());
    EXPECT_EQ(m.texts().bGrad, "33");
    EXPECT_EQ(m.texts().bMin, "30.000");
    EXPECT_EQ(m.texts().lGrad, "70");
    EXPECT_EQ(m.texts().lMin, "15.000");
    EXPECT_EQ(m.texts().bDec, "33.50000");
    EXPECT_EQ(m.texts().lDec, "70.25000");
    EXPECT_TRUE(m.OkEnabled());
    EXPECT_EQ(m.SignedResult(true, true), (LatLon{-33.5, -70.25}));
    EXPECT_EQ(m.SignedResult(false, true), (LatLon{33.5, -70.25}));

    m.OnDecEdited(true, "48.5");
    EXPECT_EQ(m.texts().bGrad, "48");
    EXPECT_EQ(m.texts().bMin, "30.000");
    EXPECT_EQ(m.texts().lGrad, "70");  // the other axis stays

    m.OnDmEdited("48", "30", "8", "");
    EXPECT_EQ(m.texts().bDec, "48.50000");
    EXPECT_EQ(m.texts().lDec, "8.00000");  // an empty box counts as 0
    EXPECT_DOUBLE_EQ(m.lon(), 8.0);

    m.OnDecEdited(false, "");
    EXPECT_EQ(m.texts().lGrad, "0");
    EXPECT_EQ(m.texts().lMin, "0.000");
    EXPECT_TRUE(m.OkEnabled());
}

TEST(CoordEntryModel, FaultyBoxKeepsTheValuesAndBlocksOk) {
    CoordEntryModel m;
    m.SetFromSigned(49.5, 10.75);
    m.OnDmEdited("49", "3.0.", "10", "45");
    EXPECT_FALSE(m.OkEnabled());
    EXPECT_DOUBLE_EQ(m.lat(), 49.5);  // not 0
    EXPECT_DOUBLE_EQ(m.lon(), 10.75);
    EXPECT_EQ(m.texts().bDec, "49.50000");
    EXPECT_EQ(m.texts().bMin, "3.0.");
    // Editing the other decimal box does not make the faulty box acceptable.
    m.OnDecEdited(false, "11");
    EXPECT_FALSE(m.OkEnabled());
    // Rewriting the faulty axis from its decimal box does.
    m.OnDecEdited(true, "49.25");
    EXPECT_EQ(m.texts().bMin, "15.000");
    EXPECT_TRUE(m.OkEnabled());

    m.OnDecEdited(true, "4x");
    EXPECT_FALSE(m.OkEnabled());
    EXPECT_DOUBLE_EQ(m.lat(), 49.25);
    EXPECT_EQ(m.texts().bGrad, "49");

    EXPECT_FALSE(ParseCoordBox("-5"));
    EXPECT_FALSE(ParseCoordBox("."));
    EXPECT_FALSE(ParseCoordBox("1e5"));
    EXPECT_FALSE(ParseCoordBox(" 5"));
    EXPECT_EQ(ParseCoordBox(""), 0.0);
    EXPECT_EQ(ParseCoordBox("5."), 5.0);
    EXPECT_EQ(ParseCoordBox(".5"), 0.5);
}

}  // namespace
}  // namespace tv
