#pragma once
// The waypoint calculator's arithmetic on the texts of its boxes: distance and
// bearing between two positions, and the projection of a position by
// distance and bearing. Texts are Windows-1252; numbers always use '.'.
#include <string>
#include <string_view>

namespace tv {

// What ParseDegMin gives for a box that does not convert; callers test "< -500".
inline constexpr double kDegMinFailed = -9999.0;

// Degrees + minutes / 60 with '.' as decimal point, positive when the
// hemisphere text begins with 'N', 'E' or 'O' (Ost), negative otherwise;
// kDegMinFailed when either number does not convert (an empty box included).
double ParseDegMin(std::string_view degrees, std::string_view minutes, std::string_view hemisphere);

// One coordinate as its three boxes: degrees, minutes, hemisphere text.
struct DegMinBoxes {
    std::string degrees, minutes, hemisphere;
};

// The boxes of a signed value: |value| split by SplitDegMin (minutes with
// three decimals) and the hemisphere that carries the sign ("Nord"/"Süd" for
// a latitude, "Ost"/"West" for a longitude).
DegMinBoxes BoxesFromSigned(double value, bool latitude);

// The result line of the distance tab: "Entfernung = 69.150 km in Richtung
// 17.82 Grad", one of the four "Fehler bei ..." texts for the first box that
// does not convert, or "Ergebnis nicht definiert!".
std::string DistanceText(const DegMinBoxes& startLat, const DegMinBoxes& startLon, const DegMinBoxes& targetLat,
                         const DegMinBoxes& targetLon);

// The two result labels of the projection tab: "N 48° 45.169" and
// "E 10° 28.996", or an error text in the first and an empty second.
struct ProjectionLabels {
    std::string lat, lon;
};
ProjectionLabels ProjectionTexts(const DegMinBoxes& startLat, const DegMinBoxes& startLon, std::string_view distanceKm,
                                 std::string_view bearing);

}  // namespace tv
