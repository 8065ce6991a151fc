// Arbitrary bytes as coordinate texts for every reader, and as doubles for
// every writer and the spherical operations. A text that reads as a
// coordinate must print and read back to the same text.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "core/coords.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

double DoubleAt(const std::uint8_t* data, std::size_t size, std::size_t index) {
    double v = 0.0;
    if ((index + 1) * sizeof v <= size) std::memcpy(&v, data + index * sizeof v, sizeof v);
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    if (const auto p = tv::ParseCoord(text)) {
        Check(std::fabs(p->lat) <= 90.0 && std::fabs(p->lon) <= 180.0);
        const std::string printed = tv::FormatCoord(*p);
        const auto again = tv::ParseCoord(printed);
        Check(again.has_value());
        Check(tv::FormatCoord(*again) == printed);
        Check(tv::ParseCoord(tv::FormatCoordPadded(*p)).has_value());
    }
    for (int kind : {tv::kHalfLongitude, tv::kHalfLatitude}) {
        if (const auto v = tv::ParseCoordHalf(kind, text)) {
            const std::string printed = tv::FormatCoordHalf(kind, *v);
            const auto again = tv::ParseCoordHalf(kind, printed);
            Check(again.has_value());
            Check(tv::FormatCoordHalf(kind, *again) == printed);
        }
    }

    const double a = DoubleAt(data, size, 0), b = DoubleAt(data, size, 1);
    const double c = DoubleAt(data, size, 2), d = DoubleAt(data, size, 3);
    std::string s1, s2, s3;
    tv::SplitDegMin(a, s1, s2);
    tv::SplitDegMinSec(b, s1, s2, s3);
    (void)tv::FormatCoord(a, b);
    (void)tv::FormatCoordPadded(c, d);
    (void)tv::FormatCoordHalf(static_cast<int>(size % 3), c);
    (void)tv::FormatDegMinWhole(d);
    (void)tv::CompassText(c);
    (void)tv::FormatDistanceBearing(a, b, c, d, ',');
    double km = 0.0, bearing = 0.0;
    if (tv::CalcDistanceBearing(km, bearing, a, b, c, d)) {
        Check(km >= 0.0 && km <= 20016.0);
        Check(bearing >= 0.0 && bearing < 360.0);
    }
    double lat = 0.0, lon = 0.0;
    if (tv::ProjectCoordinate(lat, lon, a, b, c, d) && std::fabs(a) <= 90.0) {
        Check(std::isnan(lat) || std::fabs(lat) <= 90.0);
        Check(std::isnan(lon) || std::fabs(lon) <= 180.0);
    }
    return 0;
}
