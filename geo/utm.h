#pragma once
// UTM on an ellipsoid: the transverse Mercator series of USGS Professional
// Paper 1395 (truncated as printed there), with the Norway and Svalbard zone
// exceptions, and the form logic of the UTM window (boxes in degrees and
// minutes one way, zone, band letter, easting and northing the other).
//
// The series is accurate to well under a millimetre within 3° of the central
// meridian; only the widened zones 32V and 31X..37X reach 6° and a centimetre.
#include <optional>
#include <string>
#include <string_view>

#include "core/coords.h"

namespace tv {

struct TEllipsoid {
    int number = 0;
    const char* name = "";
    double a = 0.0;   // equatorial radius, m
    double e2 = 0.0;  // squared eccentricity
};

// The constant e² is the program's own truncated value, not derived from the
// flattening, so that results stay what users have seen for years.
inline constexpr TEllipsoid kWgs84{23, "WGS-84", 6378137.0, 0.00669438};

struct UtmCoord {
    int zone = 0;       // 1..60
    char letter = 'Z';  // latitude band
    double easting = 0.0;
    double northing = 0.0;
};

// "C".."X" without I and O for -80 <= lat <= 84 (X includes 84), else 'Z'.
char LatitudeBandLetter(double lat);
// The band letters a user can choose, in order ("A".."Z" without I and O).
inline constexpr std::string_view kBandLetters = "ABCDEFGHJKLMNPQRSTUVWXYZ";

// The zone of a position: 6° zones from -180 with 32V widened to 3°..12° E
// and 31X/33X/35X/37X for 72 <= lat < 84. The longitude is folded into
// [-180, 180) first (180 belongs to zone 1).
int UtmZone(double lat, double lon);
// Forward series. Meant for -80 <= lat <= 84; outside it the band is 'Z' and
// the result is not a UTM position.
UtmCoord LatLonToUtm(const TEllipsoid& ell, double lat, double lon);
// Inverse series. Letters below 'N' are southern (northing less 10,000 km).
// The longitude is not folded.
LatLon UtmToLatLon(const TEllipsoid& ell, const UtmCoord& utm);

// Halves to the even neighbour (0.5 -> 0, 1.5 -> 2, 2.5 -> 2).
double RoundHalfEven(double value);

// Degrees + minutes / 60 from two boxes ('.' as decimal point), negated for
// the southern or western choice. Nothing when a box does not convert; an
// empty minute box is taken as 0.
std::optional<double> ParseDegMinInput(std::string_view degrees, std::string_view minutes, bool negate);

// ---- the window's two conversions ---------------------------------------------------

struct UtmBoxes {
    std::string zone;  // "32"
    char letter = 'U';
    std::string easting;  // whole metres
    std::string northing;
};

struct DegMinInput {
    std::string latDeg, latMin;
    bool south = false;
    std::string lonDeg, lonMin;
    bool west = false;
};

// To UTM: either the boxes to show or the error text (Windows-1252) for the
// first check that fails. Latitudes outside the UTM bands [-80, 84] are
// refused, since the series has no meaning there (and no band).
struct UtmFormResult {
    std::optional<UtmBoxes> boxes;
    std::string error;
};
UtmFormResult ConvertToUtm(const DegMinInput& in);

// Back to degrees and minutes: zone 1..60, integer easting and northing.
struct DegMinFormResult {
    std::optional<DegMinInput> boxes;
    std::string error;
};
DegMinFormResult ConvertFromUtm(std::string_view zone, char letter, std::string_view easting,
                                std::string_view northing);

// The boxes of a signed position: magnitudes split into degrees and minutes
// with three decimals, the hemispheres from the signs.
DegMinInput DegMinBoxesOf(double lat, double lon);

}  // namespace tv
