#include "exchange/formats/ozi_format.h"

#include "core/number_format.h"
#include "core/str_util.h"
#include "exchange/export_sink.h"
#include "exchange/export_text.h"

namespace tv {

namespace {

// Upper-cased (a-z), no commas, at most 40 characters.
std::string ShortName(std::string_view name) {
    std::string out = UpperCaseAscii(name).substr(0, 40);
    for (char& c : out) {
        if (c == ',') c = ';';
        if (c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

int TypeRow(std::string_view type) {
    const std::string t = UpperCaseAscii(type);
    if (t == "TRADITIONAL CACHE") return 0;
    if (t == "MULTI-CACHE") return 1;
    if (t == "UNKNOWN CACHE") return 2;
    return 3;
}

std::string F11(double v) { return FixedText(v, 11, 6); }

}  // namespace

int WriteOzi(const ExportList& list, const OziOptions& o, const ExportContext& ctx, LineSink& sink) {
    sink.Line("OziExplorer Waypoint File Version 1.1");
    sink.Line("WGS 84");
    sink.Line("Reserved 2");
    sink.Line("garmin");
    int written = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (sink.failed()) break;
        const TCacheRec& r = list[i];
        const OziRow& row = o.rows[TypeRow(r.CacheType)];
        const std::string shortName = ShortName(r.Name);
        std::string code = r.Waypoint.str();
        for (char& c : code)
            if (c == ',') c = ';';
        sink.Line((o.number == 0 ? IntText(static_cast<long long>(i) + 1) : "-1") + "," + (o.swap ? shortName : code) +
                  "," + F11(r.Lat) + "," + F11(r.Lon) + "," + F11(o.date == 0 ? r.Hidden : ctx.now) + "," + row.symbol +
                  ",1,4," + IntText(row.fg & 0xFFFFFF) + "," + IntText(row.bg & 0xFFFFFF) + "," +
                  (o.swap ? code : shortName) + ",0,0,0,-777," + o.fontSize + "," + (o.bold ? "1" : "0") + "," +
                  o.symSize + ",0,,,,,");
        ++written;
    }
    return written;
}

}  // namespace tv
