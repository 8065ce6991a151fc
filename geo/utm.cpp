#include "geo/utm.h"

#include <cmath>

#include "core/number_format.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

// Pi as the program always took it (3.1415926535): results differ from the
// full constant by far less than a millimetre, and they stay reproducible.
constexpr double kD2R = 0.017453292519444445;
constexpr double kR2D = 57.29577951471995;
constexpr double kK0 = 0.9996;
constexpr double kFalseEasting = 500000.0;
constexpr double kFalseNorthing = 10000000.0;

double MeridianFactor(double e2) { return 1.0 - e2 / 4.0 - 3.0 * e2 * e2 / 64.0 - 5.0 * e2 * e2 * e2 / 256.0; }

}  // namespace

char LatitudeBandLetter(double lat) {
    if (!(lat >= -80.0 && lat <= 84.0)) return 'Z';
    if (lat >= 72.0) return 'X';
    static constexpr std::string_view kBands = "CDEFGHJKLMNPQRSTUVWX";
    const int index = static_cast<int>(std::floor((lat + 80.0) / 8.0));
    return kBands[static_cast<std::size_t>(index)];
}

namespace {

// [-180, 180): floor, not trunc, so that values below -180 fold as well.
double FoldLongitude(double lon) { return lon - std::floor((lon + 180.0) / 360.0) * 360.0; }

}  // namespace

int UtmZone(double lat, double lon) {
    lon = FoldLongitude(lon);
    int zone = static_cast<int>((lon + 180.0) / 6.0) + 1;
    if (zone > 60) zone = 60;  // a rounding of the fold just below 180
    if (lat >= 56.0 && lat < 64.0 && lon >= 3.0 && lon < 12.0) zone = 32;
    if (lat >= 72.0 && lat < 84.0) {
        if (lon >= 0.0 && lon < 9.0)
            zone = 31;
        else if (lon >= 9.0 && lon < 21.0)
            zone = 33;
        else if (lon >= 21.0 && lon < 33.0)
            zone = 35;
        else if (lon >= 33.0 && lon < 42.0)
            zone = 37;
    }
    return zone;
}

UtmCoord LatLonToUtm(const TEllipsoid& ell, double lat, double lon) {
    lon = FoldLongitude(lon);
    UtmCoord out;
    out.zone = UtmZone(lat, lon);
    out.letter = LatitudeBandLetter(lat);
    const double lon0 = (out.zone - 1) * 6 - 180 + 3;

    const double a = ell.a, e2 = ell.e2;
    const double ep2 = e2 / (1.0 - e2);
    const double phi = lat * kD2R;
    const double s = std::sin(phi), c = std::cos(phi), t = std::tan(phi);
    const double N = a / std::sqrt(1.0 - e2 * s * s);
    const double T = t * t;
    const double C = ep2 * c * c;
    const double A = c * (lon - lon0) * kD2R;
    const double e4 = e2 * e2, e6 = e4 * e2;
    const double M = a * (MeridianFactor(e2) * phi - (3 * e2 / 8 + 3 * e4 / 32 + 45 * e6 / 1024) * std::sin(2 * phi) +
                          (15 * e4 / 256 + 45 * e6 / 1024) * std::sin(4 * phi) - (35 * e6 / 3072) * std::sin(6 * phi));
    const double A2 = A * A, A3 = A2 * A, A4 = A3 * A, A5 = A4 * A, A6 = A5 * A;

    out.easting =
        kK0 * N * (A + (1 - T + C) * A3 / 6 + (5 - 18 * T + T * T + 72 * C - 58 * ep2) * A5 / 120) + kFalseEasting;
    out.northing = kK0 * (M + N * t *
                                  (A2 / 2 + (5 - T + 9 * C + 4 * C * C) * A4 / 24 +
                                   (61 - 58 * T + T * T + 600 * C - 330 * ep2) * A6 / 720));
    if (lat < 0) out.northing += kFalseNorthing;
    return out;
}

LatLon UtmToLatLon(const TEllipsoid& ell, const UtmCoord& utm) {
    const double a = ell.a, e2 = ell.e2;
    const double ep2 = e2 / (1.0 - e2);
    double northing = utm.northing;
    if (utm.letter < 'N') northing -= kFalseNorthing;
    const double lon0 = (utm.zone - 1) * 6 - 180 + 3;

    const double r = std::sqrt(1.0 - e2);
    const double e1 = (1.0 - r) / (1.0 + r);
    const double mu = (northing / kK0) / (a * MeridianFactor(e2));
    const double e1_2 = e1 * e1, e1_3 = e1_2 * e1, e1_4 = e1_3 * e1;
    const double phi1 = mu + (3 * e1 / 2 - 27 * e1_3 / 32) * std::sin(2 * mu) +
                        (21 * e1_2 / 16 - 55 * e1_4 / 32) * std::sin(4 * mu) + (151 * e1_3 / 96) * std::sin(6 * mu);

    const double s = std::sin(phi1), c = std::cos(phi1), t = std::tan(phi1);
    const double w = 1.0 - e2 * s * s;
    const double N1 = a / std::sqrt(w);
    const double T1 = t * t;
    const double C1 = ep2 * c * c;
    const double R1 = a * (1.0 - e2) / std::pow(w, 1.5);
    const double D = (utm.easting - kFalseEasting) / (N1 * kK0);
    const double D2 = D * D, D3 = D2 * D, D4 = D3 * D, D5 = D4 * D, D6 = D5 * D;

    const double lat =
        phi1 - (N1 * t / R1) * (D2 / 2 - (5 + 3 * T1 + 10 * C1 - 4 * C1 * C1 - 9 * ep2) * D4 / 24 +
                                (61 + 90 * T1 + 298 * C1 + 45 * T1 * T1 - 252 * ep2 - 3 * C1 * C1) * D6 / 720);
    const double lon =
        (D - (1 + 2 * T1 + C1) * D3 / 6 + (5 - 2 * C1 + 28 * T1 - 3 * C1 * C1 + 8 * ep2 + 24 * T1 * T1) * D5 / 120) / c;
    return {lat * kR2D, lon0 + lon * kR2D};
}

double RoundHalfEven(double value) {
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff > 0.5) return floor + 1.0;
    if (diff < 0.5) return floor;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::optional<double> ParseDegMinInput(std::string_view degrees, std::string_view minutes, bool negate) {
    const auto deg = ParseFloat(degrees, '.');
    const auto min = minutes.empty() ? std::optional<double>(0.0) : ParseFloat(minutes, '.');
    if (!deg || !min) return std::nullopt;
    const double value = *deg + *min / 60.0;
    return negate ? -value : value;
}

UtmFormResult ConvertToUtm(const DegMinInput& in) {
    const auto lat = ParseDegMinInput(in.latDeg, in.latMin, in.south);
    if (!lat) return {std::nullopt, W("Falsche oder ungültige Breitenangabe.")};
    const auto lon = ParseDegMinInput(in.lonDeg, in.lonMin, in.west);
    if (!lon) return {std::nullopt, W("Falsche oder ungültige Längenangabe.")};
    if (*lat < -90.0 || *lat > 90.0)
        return {std::nullopt, W("Die Breitenangabe liegt außerhalb des zulässigen Bereichs [-90 ; 90]")};
    if (*lon < -180.0 || *lon > 180.0)
        return {std::nullopt, W("Die Längenangabe liegt außerhalb des zulässigen Bereichs [-180 ; 180]")};
    if (*lat < -80.0 || *lat > 84.0)
        return {std::nullopt, W("Die Breitenangabe liegt außerhalb des UTM-Bereichs [-80 ; 84]")};
    const UtmCoord utm = LatLonToUtm(kWgs84, *lat, *lon);
    UtmBoxes boxes;
    boxes.zone = IntText(utm.zone);
    boxes.letter = utm.letter;
    boxes.easting = IntText(static_cast<long long>(RoundHalfEven(utm.easting)));
    boxes.northing = IntText(static_cast<long long>(RoundHalfEven(utm.northing)));
    return {boxes, {}};
}

DegMinInput DegMinBoxesOf(double lat, double lon) {
    DegMinInput out;
    SplitDegMin(std::fabs(lat), out.latDeg, out.latMin);
    out.south = lat < 0;
    SplitDegMin(std::fabs(lon), out.lonDeg, out.lonMin);
    out.west = lon < 0;
    return out;
}

DegMinFormResult ConvertFromUtm(std::string_view zone, char letter, std::string_view easting,
                                std::string_view northing) {
    const auto z = ParseInt(zone);
    if (!z || *z < 1 || *z > 60) return {std::nullopt, W("Falsche oder ungültige Zonenangabe.")};
    const auto e = ParseInt(easting);
    const auto n = ParseInt(northing);
    const std::string badValue = W("Falscher oder ungültiger Nord- oder Ostwert.");
    if (!e || !n || kBandLetters.find(letter) == std::string_view::npos) return {std::nullopt, badValue};
    const LatLon p = UtmToLatLon(kWgs84, UtmCoord{*z, letter, static_cast<double>(*e), static_cast<double>(*n)});
    // Values far outside a zone run the series past the pole.
    if (!std::isfinite(p.lat) || !std::isfinite(p.lon) || std::fabs(p.lat) > 90.0 || std::fabs(p.lon) > 360.0)
        return {std::nullopt, badValue};
    double lon = p.lon;
    if (lon > 180.0 || lon < -180.0) lon = FoldLongitude(lon);
    return {DegMinBoxesOf(p.lat, lon), {}};
}

}  // namespace tv
