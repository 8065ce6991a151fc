#include "exchange/formats/csv_format.h"

#include <cmath>

#include "core/coords.h"
#include "core/csv_field.h"
#include "core/number_format.h"
#include "exchange/export_sink.h"
#include "exchange/export_text.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

// The found-date column exists only for a list of finds: other records
// carry no found date.
bool FoundColumn(const CsvOptions& o, const ExportContext& ctx) { return o.foundDate && ctx.fromFinds; }

// The first `from` becomes `to`.
std::string FirstReplaced(std::string_view text, char from, char to) {
    std::string out(text);
    if (const auto p = out.find(from); p != std::string::npos) out[p] = to;
    return out;
}

std::string Joined(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) line += ';';
        line += fields[i];
    }
    return line;
}

}  // namespace

double Merkator(double v) {
    const double i = std::trunc(v);
    const double m = (v - i) * 60;
    return i * 10000 + std::trunc(m) * 100 + std::trunc((m - std::trunc(m)) * 6000) / 100;
}

int WriteCsv(const ExportList& list, const CsvOptions& o, const ExportContext& ctx, LineSink& sink) {
    if (o.headline) {
        std::vector<std::string> titles;
        auto title = [&](bool on, std::initializer_list<const char*> names) {
            if (on)
                for (const char* n : names) titles.push_back(CsvQuoted(W(n)));
        };
        title(o.id, {"ID"});
        title(o.name, {"Cachename"});
        title(o.hidden, {"Versteckdatum"});
        title(o.coord, {"Koordinaten"});
        title(o.latLon, {"Breite", "Länge"});
        title(o.merkator, {"Merkator-Breite", "Merkator-Länge"});
        title(o.size, {"Größe"});
        title(o.type, {"Typ"});
        title(o.waypoint, {"Waypoint"});
        title(o.difficulty, {"Diff."});
        title(o.terrain, {"Terrain"});
        title(o.country, {"Land"});
        title(o.homeDist, {"km von Home"});
        title(FoundColumn(o, ctx), {"Gefunden am"});
        sink.Line(Joined(titles));
    }
    const bool comma = o.decimalSeparator == 0;
    const char sep = comma ? ',' : '.';
    auto number = [&](const std::string& text) { return o.quoteNums ? CsvQuoted(text) : text; };
    int written = 0;
    for (const TCacheRec& r : list) {
        if (sink.failed()) break;
        float distance = r.Distance;
        if (const auto d = CalcDistanceBearing(LatLon{r.Lat, r.Lon}, ctx.distanceRef))
            distance = static_cast<float>(d->km);
        const std::string diff = comma ? FirstReplaced(r.Difficulty, '.', ',') : FirstReplaced(r.Difficulty, ',', '.');
        const std::string terr = comma ? FirstReplaced(r.Terrain, '.', ',') : FirstReplaced(r.Terrain, ',', '.');
        std::vector<std::string> f;
        if (o.id) f.push_back(number(IntText(r.Id)));
        if (o.name) f.push_back(CsvQuoted(r.Name));
        if (o.hidden) f.push_back(CsvQuoted(DateTimeText(r.Hidden)));
        if (o.coord) {
            std::string coord = FormatCoord(r.Lat, r.Lon);
            for (char& c : coord)
                if (c == '.') c = sep;
            f.push_back(CsvQuoted(coord));
        }
        if (o.latLon) {
            f.push_back(number(FixedText(r.Lat, 10, 6, sep)));
            f.push_back(number(FixedText(r.Lon, 10, 6, sep)));
        }
        if (o.merkator) {
            f.push_back(number(FixedText(Merkator(r.Lat), 10, 6, sep)));
            f.push_back(number(FixedText(Merkator(r.Lon), 10, 6, sep)));
        }
        if (o.size) f.push_back(CsvQuoted(r.Size));
        if (o.type) f.push_back(CsvQuoted(r.CacheType));
        if (o.waypoint) f.push_back(CsvQuoted(r.Waypoint));
        if (o.difficulty) f.push_back(number(diff));
        if (o.terrain) f.push_back(number(terr));
        if (o.country) f.push_back(CsvQuoted(ctx.countryName ? ctx.countryName(r.CountryId) : IntText(r.CountryId)));
        if (o.homeDist) f.push_back(number(FixedText(distance, 8, 2, sep)));
        if (FoundColumn(o, ctx)) f.push_back(CsvQuoted(DateText(r.FoundDate)));
        if (f.empty()) continue;
        sink.Line(Joined(f));
        ++written;
    }
    return written;
}

}  // namespace tv
