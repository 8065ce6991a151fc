#include "geo/coord_entry.h"

#include <cmath>

#include "core/number_format.h"

namespace tv {

std::optional<double> ParseCoordBox(std::string_view text) {
    if (text.empty()) return 0.0;
    int dots = 0, digits = 0;
    for (const char c : text) {
        if (c == '.')
            ++dots;
        else if (c >= '0' && c <= '9')
            ++digits;
        else
            return std::nullopt;
    }
    if (dots > 1 || digits == 0) return std::nullopt;
    return ParseFloat(text, '.');
}

std::string CoordEntryModel::DecimalText(double value) { return FormatFixed(value, 8, 5, '.'); }

void CoordEntryModel::SetFromSigned(double lat, double lon) {
    south_ = lat < 0;
    west_ = lon < 0;
    lat_ = std::fabs(lat);
    lon_ = std::fabs(lon);
    writeDm(true);
    writeDm(false);
    texts_.bDec = DecimalText(lat_);
    texts_.lDec = DecimalText(lon_);
}

void CoordEntryModel::writeDm(bool latitude) {
    if (latitude)
        SplitDegMin(lat_, texts_.bGrad, texts_.bMin);
    else
        SplitDegMin(lon_, texts_.lGrad, texts_.lMin);
}

void CoordEntryModel::OnDmEdited(std::string_view bGrad, std::string_view bMin, std::string_view lGrad,
                                 std::string_view lMin) {
    texts_.bGrad = bGrad;
    texts_.bMin = bMin;
    texts_.lGrad = lGrad;
    texts_.lMin = lMin;
    const auto bg = ParseCoordBox(bGrad), bm = ParseCoordBox(bMin);
    const auto lg = ParseCoordBox(lGrad), lm = ParseCoordBox(lMin);
    if (!bg || !bm || !lg || !lm) return;
    lat_ = *bg + *bm / 60.0;
    lon_ = *lg + *lm / 60.0;
    texts_.bDec = DecimalText(lat_);
    texts_.lDec = DecimalText(lon_);
}

void CoordEntryModel::OnDecEdited(bool latitude, std::string_view text) {
    (latitude ? texts_.bDec : texts_.lDec) = text;
    const auto v = ParseCoordBox(text);
    if (!v) return;
    (latitude ? lat_ : lon_) = *v;
    writeDm(latitude);
}

bool CoordEntryModel::OkEnabled() const {
    for (const std::string* t : {&texts_.bGrad, &texts_.bMin, &texts_.lGrad, &texts_.lMin, &texts_.bDec, &texts_.lDec})
        if (!ParseCoordBox(*t)) return false;
    return lat_ >= -90 && lat_ <= 90 && lon_ >= -180 && lon_ <= 180;
}

LatLon CoordEntryModel::SignedResult(bool south, bool west) const {
    // No "-0" for a zero value with a southern or western choice.
    return {south && lat_ != 0 ? -lat_ : lat_, west && lon_ != 0 ? -lon_ : lon_};
}

}  // namespace tv
