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


TEST(CoordEntryModel, RangeDecidesOk) {
    CoordEntryModel m;
    m.SetFromSigned(0, 0);
    m.OnDmEdited("91", "0", "10", "0");
    EXPECT_FALSE(m.OkEnabled());
    m.OnDmEdited("90", "0", "10", "0");
    EXPECT_TRUE(m.OkEnabled());
    m.OnDmEdited("90", "0.1", "10", "0");
    EXPECT_FALSE(m.OkEnabled());
    m.OnDmEdited("89", "59.999", "180", "0");
    EXPECT_TRUE(m.OkEnabled());
    m.OnDecEdited(false, "180.00001");
    EXPECT_FALSE(m.OkEnabled());
    m.OnDecEdited(true, "90");
    m.OnDecEdited(false, "180");
    EXPECT_TRUE(m.OkEnabled());
    EXPECT_EQ(m.SignedResult(true, true), (LatLon{-90.0, -180.0}));
    m.OnDecEdited(true, "90.00001");
    EXPECT_FALSE(m.OkEnabled());
}

}  // namespace
}  // namespace tv
