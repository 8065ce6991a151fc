#include "geo/calculator.h"

#include <cmath>

#include "core/coords.h"
#include "core/number_format.h"
#include "platform/text_encoding.h"

namespace tv {

double ParseDegMin(std::string_view degrees, std::string_view minutes, std::string_view hemisphere) {
    const auto deg = ParseFloat(degrees, '.');
    const auto min = ParseFloat(minutes, '.');
    if (!deg || !min) return kDegMinFailed;
    const char h = hemisphere.empty() ? '\0' : hemisphere.front();
    const double sign = (h == 'N' || h == 'E' || h == 'O') ? 1.0 : -1.0;
    return sign * (*deg + *min / 60.0);
}

DegMinBoxes BoxesFromSigned(double value, bool latitude) {
    DegMinBoxes b;
    SplitDegMin(std::fabs(value), b.degrees, b.minutes);
    if (latitude)
        b.hemisphere = value < 0 ? W("Süd") : W("Nord");
    else
        b.hemisphere = value < 0 ? W("West") : W("Ost");
    return b;
}

namespace {

double Parse(const DegMinBoxes& b) { return ParseDegMin(b.degrees, b.minutes, b.hemisphere); }

}  // namespace

std::string DistanceText(const DegMinBoxes& startLat, const DegMinBoxes& startLon, const DegMinBoxes& targetLat,
                         const DegMinBoxes& targetLon) {
    const double lat1 = Parse(startLat);
    if (lat1 < -500) return "Fehler bei Startkoordinate Breite";
    const double lon1 = Parse(startLon);
    if (lon1 < -500) return W("Fehler bei Startkoordinate Länge");
    const double lat2 = Parse(targetLat);
    if (lat2 < -500) return "Fehler bei Zielkoordinate Breite";
    const double lon2 = Parse(targetLon);
    if (lon2 < -500) return W("Fehler bei Zielkoordinate Länge");
    double distance = 0, bearing = 0;
    if (!CalcDistanceBearing(distance, bearing, lat1, lon1, lat2, lon2)) return "Ergebnis nicht definiert!";
    return "Entfernung = " + FormatFixed(distance, 8, 3) + " km in Richtung " + FormatFixed(bearing, 4, 2) + " Grad";
}

ProjectionLabels ProjectionTexts(const DegMinBoxes& startLat, const DegMinBoxes& startLon, std::string_view distanceKm,
                                 std::string_view bearing) {
    const auto dist = ParseFloat(distanceKm, '.');
    if (!dist) return {"Fehler bei Entfernung", ""};
    const auto angle = ParseFloat(bearing, '.');
    if (!angle) return {"Fehler bei Richtungswinkel", ""};
    const double lat1 = Parse(startLat);
    if (lat1 < -500) return {"Fehler bei Breite", ""};
    const double lon1 = Parse(startLon);
    if (lon1 < -500) return {W("Fehler bei Länge"), ""};
    double lat2 = 0, lon2 = 0;
    if (!ProjectCoordinate(lat2, lon2, lat1, lon1, *dist, *angle)) return {"Ergebnis nicht definiert!", ""};
    return {FormatCoordHalf(kHalfLatitude, lat2), FormatCoordHalf(kHalfLongitude, lon2)};
}

}  // namespace tv
