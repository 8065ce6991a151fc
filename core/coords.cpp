#include "core/coords.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "core/number_format.h"

namespace tv {

namespace {

// Decimal text of an integral double of any magnitude.
std::string IntegerText(double v) {
    if (std::fabs(v) < 1e15) return std::to_string(static_cast<long long>(v));
    std::array<char, 400> buf{};
    auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed, 0);
    return std::string(buf.data(), r.ptr);
}

std::string PadLeft(std::string s, std::size_t width) {
    if (s.size() < width) s.insert(0, width - s.size(), '0');
    return s;
}

// Splits a magnitude into whole degrees and the rest rounded to units of
// 1/perDegree degree; a rest that rounds to a full degree carries.
void SplitUnits(double magnitude, double perDegree, double& degrees, double& units) {
    degrees = std::trunc(magnitude);
    units = std::nearbyint((magnitude - degrees) * perDegree);
    if (!(units >= 0.0)) units = 0.0;  // NaN from infinite input
    if (units >= perDegree) {
        degrees += 1.0;
        units = 0.0;
    }
}

std::string MinutesText(long long thousandths) {
    std::string s = std::to_string(thousandths / 1000);
    s += '.';
    s += PadLeft(std::to_string(thousandths % 1000), 3);
    return s;
}

// ---- reading -----------------------------------------------------------

struct Reader {
    std::string_view s;
    std::size_t i = 0;

    bool AtEnd() const { return i >= s.size(); }
    unsigned char Peek() const { return AtEnd() ? 0 : static_cast<unsigned char>(s[i]); }
    void SkipBlanks() {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == 0xA0)) ++i;
    }
    bool Digit() const { return Peek() >= '0' && Peek() <= '9'; }
    // A run of 1..maxDigits digits.
    bool Integer(int maxDigits, long long& out) {
        int n = 0;
        out = 0;
        while (Digit()) {
            if (++n > maxDigits) return false;
            out = out * 10 + (Peek() - '0');
            ++i;
        }
        return n > 0;
    }
    void DegreeSign() {
        SkipBlanks();
        if (Peek() == 0xB0) {
            ++i;
        } else if (Peek() == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xB0) {
            i += 2;
        }
    }
    // Minutes: up to two integer digits, optionally '.' or ',' and up to nine
    // decimals. Fails for 60 and above.
    bool Minutes(double& out) {
        long long whole = 0;
        if (!Integer(2, whole)) return false;
        double value = static_cast<double>(whole);
        if (Peek() == '.' || Peek() == ',') {
            ++i;
            long long frac = 0;
            const std::size_t start = i;
            if (!Integer(9, frac)) return false;
            value += static_cast<double>(frac) / std::pow(10.0, static_cast<double>(i - start));
        }
        if (value >= 60.0) return false;
        out = value;
        return true;
    }
    // Letter, degrees, minutes; `positive`/`negative` are the upper-case
    // letters of the hemispheres, `alt` a second letter for the positive one.
    bool Half(char positive, char alt, char negative, double limit, double& out) {
        SkipBlanks();
        const unsigned char c = Peek();
        const char up = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : static_cast<char>(c);
        double sign = 0.0;
        if (up == positive || (alt != 0 && up == alt)) sign = 1.0;
        if (up == negative) sign = -1.0;
        if (sign == 0.0) return false;
        ++i;
        SkipBlanks();
        long long deg = 0;
        if (!Integer(3, deg)) return false;
        DegreeSign();
        SkipBlanks();
        double minutes = 0.0;
        if (!Minutes(minutes)) return false;
        const double value = static_cast<double>(deg) + minutes / 60.0;
        if (value > limit) return false;
        out = sign * value;
        return true;
    }
};

}  // namespace

// ---- text forms -------------------------------------------------------------

void SplitDegMin(double value, std::string& degrees, std::string& minutes) {
    const bool negative = value < 0.0;
    double deg = 0.0, units = 0.0;
    SplitUnits(std::fabs(value), 60000.0, deg, units);
    const auto k = static_cast<long long>(units);
    degrees = (negative && deg != 0.0 ? "-" : "") + IntegerText(deg);
    minutes = (negative && k != 0 ? "-" : "") + MinutesText(k);
}

void SplitDegMinSec(double value, std::string& degrees, std::string& minutes, std::string& seconds) {
    const bool negative = value < 0.0;
    const double magnitude = std::fabs(value);
    double deg = std::trunc(magnitude);
    const double m = (magnitude - deg) * 60.0;
    double min = std::trunc(m);
    double sec = std::nearbyint((m - min) * 60.0);
    if (!(sec >= 0.0)) sec = 0.0;
    if (!(min >= 0.0)) min = 0.0;
    if (sec >= 60.0) {
        min += 1.0;
        sec -= 60.0;
    }
    if (min >= 60.0) {
        deg += 1.0;
        min -= 60.0;
    }
    const auto sign = [negative](double part) { return negative && part != 0.0 ? "-" : ""; };
    degrees = sign(deg) + IntegerText(deg);
    minutes = sign(min) + IntegerText(min);
    seconds = sign(sec) + IntegerText(sec);
}

namespace {

std::string Half(char letter, double value, std::size_t degWidth, bool padMinutes) {
    std::string deg, min;
    SplitDegMin(std::fabs(value), deg, min);
    if (padMinutes && min.size() < 6) min.insert(0, 1, '0');
    std::string out;
    if (letter != 0) out += letter;
    out += ' ';
    out += PadLeft(deg, degWidth);
    out += kDegreeSign;
    out += ' ';
    out += min;
    return out;
}

std::string Pair(double lat, double lon, bool padMinutes) {
    // The sign bit, not the value, picks the letter: "W 000° 0.000" reads
    // back as -0.0 and must print as W again.
    return Half(std::signbit(lat) ? 'S' : 'N', lat, 2, padMinutes) + " " +
           Half(std::signbit(lon) ? 'W' : 'E', lon, 3, padMinutes);
}

}  // namespace

std::string FormatCoord(double lat, double lon) { return Pair(lat, lon, false); }

std::string FormatCoordPadded(double lat, double lon) { return Pair(lat, lon, true); }

std::string FormatCoordHalf(int kind, double value) {
    char letter = 0;
    if (kind == kHalfLongitude) letter = std::signbit(value) ? 'W' : 'E';
    if (kind == kHalfLatitude) letter = std::signbit(value) ? 'S' : 'N';
    return Half(letter, value, 0, false);
}

std::string FormatDegMinWhole(double value) {
    double deg = 0.0, min = 0.0;
    SplitUnits(std::fabs(value), 60.0, deg, min);
    std::string out = value < 0.0 ? "-" : "";
    out += IntegerText(deg);
    out += kDegreeSign;
    out += ' ';
    out += IntegerText(min);
    out += kMinuteSign;
    return out;
}

std::optional<LatLon> ParseCoord(std::string_view text) {
    Reader r{text};
    LatLon p;
    if (!r.Half('N', 0, 'S', 90.0, p.lat)) return std::nullopt;
    if (!r.Half('E', 'O', 'W', 180.0, p.lon)) return std::nullopt;
    r.SkipBlanks();
    if (!r.AtEnd()) return std::nullopt;
    return p;
}

std::optional<double> ParseCoordHalf(int kind, std::string_view text) {
    Reader r{text};
    double v = 0.0;
    bool ok = false;
    if (kind == kHalfLatitude) ok = r.Half('N', 0, 'S', 90.0, v);
    if (kind == kHalfLongitude) ok = r.Half('E', 'O', 'W', 180.0, v);
    r.SkipBlanks();
    if (!ok || !r.AtEnd()) return std::nullopt;
    return v;
}

// ---- spherical operations ---------------------------------------------------

double DegToRad(double degrees) { return degrees * (kPi / 180.0); }

double RadToDeg(double radians) { return radians * (180.0 / kPi); }

double ArcCosine(double x) {
    if (std::isnan(x)) return x;
    return std::acos(std::clamp(x, -1.0, 1.0));
}

bool CalcDistanceBearing(double& distance, double& bearing, double lat1, double lon1, double lat2, double lon2) {
    if (!std::isfinite(lat1) || !std::isfinite(lon1) || !std::isfinite(lat2) || !std::isfinite(lon2)) return false;
    // Longitude difference in -180..180, so that points on both sides of the
    // date line are near each other.
    const double dLonDeg = std::remainder(lon2 - lon1, 360.0);
    const bool samePole = std::fabs(lat1) > 90.0 - kNearDegrees && std::fabs(lat2) > 90.0 - kNearDegrees;
    if (std::fabs(lat1 - lat2) < kNearDegrees && (std::fabs(dLonDeg) < kNearDegrees || samePole)) {
        distance = 0.001;
        bearing = 0.0;
        return true;
    }
    const double p1 = DegToRad(lat1), p2 = DegToRad(lat2), dl = DegToRad(dLonDeg);
    const double sinP1 = std::sin(p1), cosP1 = std::cos(p1);
    const double sinP2 = std::sin(p2), cosP2 = std::cos(p2);
    const double sinDl = std::sin(dl), cosDl = std::cos(dl);
    // Great-circle angle in the atan2 form, well conditioned for tiny and
    // near-antipodal distances alike.
    const double y = cosP2 * sinDl;
    const double x = cosP1 * sinP2 - sinP1 * cosP2 * cosDl;
    const double d = std::atan2(std::hypot(y, x), sinP1 * sinP2 + cosP1 * cosP2 * cosDl);
    double t = 0.0;
    if (lat1 >= 90.0) {
        t = 180.0;  // every way leads south from the north pole
    } else if (lat1 <= -90.0) {
        t = 0.0;
    } else if (dLonDeg == 0.0) {
        t = lat1 < lat2 ? 0.0 : 180.0;
    } else {
        t = RadToDeg(std::atan2(y, x));
        if (t < 0.0) t += 360.0;
        if (t >= 360.0) t -= 360.0;
    }
    if (!std::isfinite(d) || !std::isfinite(t)) return false;
    distance = d * kEarthRadiusKm;
    bearing = t;
    return true;
}

std::optional<DistanceBearing> CalcDistanceBearing(LatLon from, LatLon to) {
    DistanceBearing r;
    if (!CalcDistanceBearing(r.km, r.bearing, from.lat, from.lon, to.lat, to.lon)) return std::nullopt;
    return r;
}

bool ProjectCoordinate(double& lat2, double& lon2, double lat1, double lon1, double distanceKm, double bearing) {
    if (!std::isfinite(lat1) || !std::isfinite(lon1) || !std::isfinite(distanceKm) || !std::isfinite(bearing))
        return false;
    const double b = DegToRad(std::fmod(bearing, 360.0));
    const double d = distanceKm / kEarthRadiusKm;
    const double p1 = DegToRad(lat1);
    const double sinP1 = std::sin(p1), cosP1 = std::cos(p1);
    const double sinP2 = std::clamp(sinP1 * std::cos(d) + cosP1 * std::sin(d) * std::cos(b), -1.0, 1.0);
    const double p2 = std::asin(sinP2);
    const double dl = std::atan2(std::sin(b) * std::sin(d) * cosP1, std::cos(d) - sinP1 * sinP2);
    double lon = std::remainder(lon1 + RadToDeg(dl), 360.0);
    if (lon == -180.0) lon = 180.0;
    if (!std::isfinite(p2) || !std::isfinite(lon)) return false;
    lat2 = RadToDeg(p2);
    lon2 = lon;
    return true;
}

std::optional<LatLon> ProjectCoordinate(LatLon from, double distanceKm, double bearing) {
    LatLon p;
    if (!ProjectCoordinate(p.lat, p.lon, from.lat, from.lon, distanceKm, bearing)) return std::nullopt;
    return p;
}

std::string CompassText(double bearing) {
    static constexpr std::array<const char*, 17> kWords = {"N",  "NNE", "NE", "ENE", "E",  "ESE", "SE",  "SSE", "S",
                                                           "SSW", "SW", "WSW", "W",  "WNW", "NW", "NNW", "N"};
    if (!std::isfinite(bearing)) return "?";
    const double n = std::nearbyint(2.0 * bearing + 22.5);
    if (n >= 1.0 && n <= 743.0) return kWords[static_cast<std::size_t>((static_cast<int>(n) - 1) / 45)];
    return FormatFixed(bearing, 3, 1, '.') + kDegreeSign;
}

std::string FormatDistanceBearing(double lat1, double lon1, double lat2, double lon2, char decimalSep) {
    double dist = 0.0, bearing = 0.0;
    if (!CalcDistanceBearing(dist, bearing, lat1, lon1, lat2, lon2)) return "?";
    return FormatFixed(dist, 5, 1, decimalSep) + "km " + CompassText(bearing);
}

}  // namespace tv
