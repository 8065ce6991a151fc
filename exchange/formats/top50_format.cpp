#include "exchange/formats/top50_format.h"

#include <charconv>

#include "core/number_format.h"
#include "core/str_util.h"
#include "exchange/export_sink.h"

namespace tv {

namespace {

struct BitmapRow {
    const char* type;
    const char* bitmap;
};

// Type texts hold at most 20 characters, so the CITO event arrives cut.
constexpr BitmapRow kBitmaps[] = {
    {"TRADITIONAL CACHE", "trad.bmp"},  {"MULTI-CACHE", "multi.bmp"},          {"VIRTUAL CACHE", "virtual.bmp"},
    {"LETTERBOX HYBRID", "letter.bmp"}, {"EVENT CACHE", "event.bmp"},          {"WEBCAM CACHE", "webcam.bmp"},
    {"UNKNOWN CACHE", "mystery.bmp"},   {"LOCATIONLESS CACHE", "locless.bmp"}, {"CACHE IN TRASH OUT E", "cito.bmp"},
    {"EARTHCACHE", "earth.bmp"},
};

constexpr int kColourCodes[] = {1, 2, 3, 4, 5, 6, 8, 9};
constexpr int kSizeCodes[] = {116, 120, 122, 126, 132};

void Block(LineSink& sink, int number, const std::vector<std::string>& keys) {
    sink.Line("[Symbol " + IntText(number) + "]");
    for (const std::string& k : keys) sink.Line(k);
}

}  // namespace

std::string CacheTypeBitmap(std::string_view type) {
    const std::string upper = UpperCaseAscii(type);
    for (const BitmapRow& row : kBitmaps)
        if (upper == row.type) return row.bitmap;
    return "trad.bmp";
}

std::string OvlCoordText(double v) {
    std::string text = FormatFloatGeneral(v, '.', 15);
    if (text.find('E') != std::string::npos) {
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
        text.assign(buf, r.ptr);
    }
    return text.substr(0, 11);
}

int WriteTop50(const ExportList& list, const OvlOptions& o, const ExportContext& ctx, LineSink& sink) {
    const int n = static_cast<int>(list.size());
    const int colour = o.color >= 0 && o.color < 8 ? kColourCodes[o.color] : 1;
    const int size = o.size >= 0 && o.size < 5 ? kSizeCodes[o.size] : 122;
    // A full disk stops the symbols at once: one message for the run, not
    // one per block.
    int written = 0;
    for (int i = 0; i < n && !sink.failed(); ++i) {
        const TCacheRec& r = list[i];
        Block(sink, i + 1,
              {"Typ=1", "Group=1", "Width=17", "Height=17", "Dir=100", "Zoom=1", "Trans=1", "TransByte=6",
               "Path=" + ctx.workDir + CacheTypeBitmap(r.CacheType), "XKoord=" + OvlCoordText(r.Lon),
               "YKoord=" + OvlCoordText(r.Lat)});
        ++written;
    }
    for (int i = 0; o.label && i < n && !sink.failed(); ++i) {
        const TCacheRec& r = list[i];
        Block(
            sink, n + i + 1,
            {"Typ=2", "Group=1", "Col=" + IntText(colour), "Area=1", "Zoom=1", "Size=" + IntText(size), "Font=1",
             "Dir=100", "XKoord=" + OvlCoordText(r.Lon), "YKoord=" + OvlCoordText(r.Lat), "Text=" + r.Waypoint.str()});
    }
    sink.Line("[Overlay]");
    sink.Line("Symbols=" + IntText(o.label ? 2 * n : n));
    return written;
}

}  // namespace tv
