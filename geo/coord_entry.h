#pragma once
// The coordinate-entry window's two views of one position: degrees and
// minutes, and decimal degrees. While the window is open the values are
// magnitudes; the hemisphere choices carry the sign. Every box keeps the text
// last typed or written into it; OK is possible only while every box holds a
// number and both values are in range, so a faulty box can never be saved.
#include <optional>
#include <string>
#include <string_view>

#include "core/coords.h"

namespace tv {

// A box of the window: empty counts as 0; otherwise only digits and at most
// one '.' (what the key filters let through), and at least one digit.
// Nothing for any other text.
std::optional<double> ParseCoordBox(std::string_view text);

class CoordEntryModel {
public:
    struct Texts {
        std::string bGrad, bMin, lGrad, lMin;  // degrees and minutes
        std::string bDec, lDec;                // decimal degrees
    };

    // Takes a signed position: the hemispheres from the signs, the values as
    // magnitudes, and all six boxes written afresh.
    void SetFromSigned(double lat, double lon);

    // A degree-minute box was edited (the four current texts). When all four
    // convert, both values follow them and the decimal boxes are rewritten;
    // otherwise nothing but the texts changes.
    void OnDmEdited(std::string_view bGrad, std::string_view bMin, std::string_view lGrad, std::string_view lMin);
    // A decimal box was edited. When it converts, its value follows and the
    // two degree-minute boxes of that axis are rewritten.
    void OnDecEdited(bool latitude, std::string_view text);

    const Texts& texts() const { return texts_; }
    double lat() const { return lat_; }
    double lon() const { return lon_; }
    bool south() const { return south_; }
    bool west() const { return west_; }

    // Every box converts, |lat| <= 90 and |lon| <= 180.
    bool OkEnabled() const;
    // The signed position for the hemisphere choices shown at OK.
    LatLon SignedResult(bool south, bool west) const;

    // The texts the views show for a value.
    static std::string DecimalText(double value);

private:
    void writeDm(bool latitude);

    Texts texts_;
    double lat_ = 0.0, lon_ = 0.0;
    bool south_ = false, west_ = false;
};

}  // namespace tv
