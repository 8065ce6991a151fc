#pragma once
// Coordinates: signed decimal degrees (south and west negative), latitude
// first. Text forms shown in lists, pages and exports, reading those forms
// back, great-circle distance and initial bearing on a sphere of 6371 km, and
// the projection of a point by distance and bearing.
//
// Texts are Windows-1252: the degree sign is byte 0xB0, the minute sign of
// FormatDegMinWhole is byte 0xB4. Minutes always use '.' as decimal point.
// Rounding to the printed digits is half-to-even (std::nearbyint in the
// default rounding mode), as the program always did.
#include <optional>
#include <string>
#include <string_view>

namespace tv {

struct LatLon {
    double lat = 0.0;  // degrees, south negative
    double lon = 0.0;  // degrees, west negative

    friend bool operator==(const LatLon&, const LatLon&) = default;
};

inline constexpr double kPi = 3.141592653589793;
inline constexpr double kEarthRadiusKm = 6371.0;
// Two points closer than this in both axes count as one (distance 0.001 km).
inline constexpr double kNearDegrees = 1.0 / 60000.0;
inline constexpr char kDegreeSign = '\xB0';
inline constexpr char kMinuteSign = '\xB4';

// Degrees (truncated, as an integer text) and minutes rounded to thousandths
// with three decimals ("5.000", "12.345"); 60.000 minutes carry into the
// degrees. Meant for value >= 0; for a negative value each non-zero part
// carries a leading '-'.
void SplitDegMin(double value, std::string& degrees, std::string& minutes);
// Degrees, whole minutes and rounded seconds as integer texts, with seconds
// and minutes of 60 carried upwards. Sign handling as SplitDegMin.
void SplitDegMinSec(double value, std::string& degrees, std::string& minutes, std::string& seconds);

// "N 48° 12.345 E 011° 34.567": latitude degrees padded to two digits,
// longitude degrees to three.
std::string FormatCoord(double lat, double lon);
inline std::string FormatCoord(LatLon p) { return FormatCoord(p.lat, p.lon); }
// As FormatCoord with minutes always two digits before the point
// ("N 48° 06.000 E 008° 00.000").
std::string FormatCoordPadded(double lat, double lon);
inline std::string FormatCoordPadded(LatLon p) { return FormatCoordPadded(p.lat, p.lon); }

inline constexpr int kHalfLongitude = 0;  // letters E/W
inline constexpr int kHalfLatitude = 1;   // letters N/S
// One half, degrees not padded: "E 8° 15.000", "S 33° 30.000". Any other
// kind gives no letter (the text starts with the blank).
std::string FormatCoordHalf(int kind, double value);
// Signed degrees and whole minutes: "-2° 0´".
std::string FormatDegMinWhole(double value);

// Reads the FormatCoord / FormatCoordPadded form back. Lenient about blanks,
// letter case, the degree sign (0xB0, UTF-8 "°" or none) and ',' as decimal
// point; "O" (Ost) is taken for "E". Nothing when the text is not a
// coordinate pair or a value is out of range (latitude above 90, longitude
// above 180, minutes not below 60).
std::optional<LatLon> ParseCoord(std::string_view text);
// Reads one FormatCoordHalf text of the given kind back (the letter must fit
// the kind; "O" is taken for "E").
std::optional<double> ParseCoordHalf(int kind, std::string_view text);

double DegToRad(double degrees);
double RadToDeg(double radians);
// acos with its argument clamped to [-1, 1], so that rounding just outside
// the domain does not fail; NaN stays NaN.
double ArcCosine(double x);

// Distance in km and initial bearing in degrees [0, 360) (0 north, 90 east)
// from point 1 to point 2 on the sphere. Points closer than kNearDegrees in
// both axes give 0.001 km and bearing 0. Correct for every pair of points
// (both hemispheres, across the date line, beyond a quarter circle, poles).
// False for non-finite input (or a non-finite result); the outputs are then
// unchanged.
bool CalcDistanceBearing(double& distance, double& bearing, double lat1, double lon1, double lat2, double lon2);

struct DistanceBearing {
    double km = 0.0;
    double bearing = 0.0;
};
std::optional<DistanceBearing> CalcDistanceBearing(LatLon from, LatLon to);

// The point `distanceKm` from point 1 along the initial bearing (degrees,
// any value; 450 is 90, -90 is 270). The longitude is brought into
// -180..180. False for non-finite input; the outputs are then unchanged.
bool ProjectCoordinate(double& lat2, double& lon2, double lat1, double lon1, double distanceKm, double bearing);
std::optional<LatLon> ProjectCoordinate(LatLon from, double distanceKm, double bearing);

// The compass word of a bearing in 16 sectors ("N", "NNE", ... "NNW"); a
// bearing outside about -11..371 gives the number with one decimal and the
// degree sign ("-20.0°").
std::string CompassText(double bearing);
// "12.3km NNE" from point 1 to point 2: distance with one decimal and
// `decimalSep`, "km ", CompassText of the bearing. "?" when no distance.
std::string FormatDistanceBearing(double lat1, double lon1, double lat2, double lon2, char decimalSep = '.');

}  // namespace tv
