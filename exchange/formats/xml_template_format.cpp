#include "exchange/formats/xml_template_format.h"

#include <algorithm>

#include "core/number_format.h"
#include "core/str_util.h"
#include "exchange/export_sink.h"
#include "exchange/export_text.h"

namespace tv {

namespace {

// The name for XML attributes and texts: ASCII, '&' as '+', the apostrophe
// as the acute accent (Windows-1252 B4).
std::string InternalName(std::string_view name) {
    std::string out;
    for (char c : AsciiCacheName(name)) {
        if (c == '&')
            out += '+';
        else if (c == '\'')
            out += '\xB4';
        else
            out += c;
    }
    return out;
}

// An XML file: the header, or without one the waypoint part, starts with markup.
bool IsXmlTemplate(std::string_view header, std::string_view tpl) {
    std::string_view start = header;
    if (start.substr(0, 3) == "\xEF\xBB\xBF") start.remove_prefix(3);
    start = TrimBlanks(start);
    if (start.empty()) start = TrimBlanks(tpl);
    return !start.empty() && start.front() == '<';
}

std::string Replaced(std::string_view text, char from, char to) {
    std::string out(text);
    std::replace(out.begin(), out.end(), from, to);
    return out;
}

std::string DiffTerrText(const TCacheRec& rec) {
    std::string out = std::string(rec.Difficulty.view()) + "/" + std::string(rec.Terrain.view());
    out.erase(std::remove_if(out.begin(), out.end(), [](char c) { return c == '.' || c == ','; }), out.end());
    return out;
}

}  // namespace

std::string XmlWaypointText(std::string_view tpl, const TCacheRec& rec, std::string_view header) {
    const std::string internal = InternalName(rec.Name);
    Placeholders values = {
        {"#WAYPOINT#", rec.Waypoint.str()},
        {"#CACHENAME_INT#", internal},
        {"#CACHENAME#", rec.Name.str()},
        {"#CACHENAME128#", internal.substr(0, 128)},
        {"#DATEHIDDEN#", DateText(rec.Hidden)},
        {"#COUNTRY_ID#", IntText(rec.CountryId)},
        {"#LAT#", FixedText(rec.Lat, 10, 6)},
        {"#LON#", FixedText(rec.Lon, 10, 6)},
        {"#CACHETYPE#", rec.CacheType.str()},
        {"#CACHESIZE#", rec.Size.str()},
        {"#DIFFICULTY#", Replaced(rec.Difficulty, ',', '.')},
        {"#TERRAIN#", Replaced(rec.Terrain, ',', '.')},
        {"#DIFFTERR#", DiffTerrText(rec)},
        {"#COMPRESSEDCACHENAME#", CompressedCacheName(rec.Name)},
        {"#CACHETYPESHORT#", CacheTypeLetter(rec.CacheType)},
        {"#CACHESIZESHORT#", CacheSizeLetter(rec.Size)},
        {"#CACHE_ID#", IntText(rec.Id)},
    };
    if (IsXmlTemplate(header, tpl)) {
        // Each value escaped for where it stands, in the file's encoding.
        XmlCursor cursor;
        cursor.Feed(header);
        return FillXmlPlaceholders(tpl, values, cursor, XmlCharsetOf(header));
    }
    // Any other text format gets the values as stored; the accent of the
    // two name placeholders in UTF-8.
    for (auto& [token, value] : values)
        if (token == "#CACHENAME_INT#" || token == "#CACHENAME128#") ReplaceAll(value, "\xB4", "\xC2\xB4");
    return FillPlaceholders(tpl, values);
}

int WriteXmlTemplate(const ExportList& list, const XmlTemplateParts& parts, LineSink& sink) {
    sink.Line(parts.header);
    int written = 0;
    for (const TCacheRec& r : list) {
        if (sink.failed()) break;
        sink.Line(XmlWaypointText(parts.waypoint, r, parts.header));
        ++written;
    }
    sink.Line(parts.footer);
    return written;
}

}  // namespace tv
