#include "exchange/formats/magellan_format.h"

#include <cmath>

#include "core/number_format.h"
#include "exchange/export_sink.h"
#include "exchange/export_text.h"

namespace tv {

namespace {

// A field may hold no separator, no end mark and no line break.
std::string Field(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == ',') c = ';';
        if (c == '*' || c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

// "1" -> "1.0", "2.5" stays, "2,5" -> "2.5".
std::string Rating(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == ',') c = '.';
    if (out.size() < 3) out += ".0";
    return Field(out.substr(0, 3));
}

}  // namespace

std::string DegMinText(double v, char letter) {
    const float f = static_cast<float>(v);
    double deg = std::trunc(static_cast<double>(f));
    const float minutes = static_cast<float>((static_cast<double>(f) - deg) * 60.0);
    std::string m = FixedText(minutes, 6, 3);
    if (m == "60.000") {
        deg += 1;
        m = "0.000";
    }
    // Two minute digits, judged on the rounded text (9.9996 prints "10.000").
    return IntText(static_cast<long long>(deg)) + (m.size() < 6 ? "0" : "") + m + "," + letter;
}

std::string NmeaSentence(std::string_view body) {
    unsigned char sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    static const char kHex[] = "0123456789ABCDEF";
    return "$" + std::string(body) + "*" + kHex[sum >> 4] + kHex[sum & 15];
}

int WriteMagellan(const ExportList& list, LineSink& sink) {
    int written = 0;
    for (const TCacheRec& r : list) {
        if (sink.failed()) break;
        const std::string lat = r.Lat >= 0 ? DegMinText(r.Lat, 'N') : DegMinText(-r.Lat, 'S');
        const std::string lon = r.Lon >= 0 ? DegMinText(r.Lon, 'E') : DegMinText(-r.Lon, 'W');
        sink.Line(NmeaSentence("PMGNGEO," + lat + "," + lon + ",0000,F," + Field(r.Waypoint) + "," + Field(r.Name) +
                               "," + Field(r.Size) + ",," + Field(r.CacheType) + ",,," + Rating(r.Difficulty) + "," +
                               Rating(r.Terrain)));
        ++written;
    }
    sink.Line(NmeaSentence("PMGNCMD,END"));
    return written;
}

}  // namespace tv
