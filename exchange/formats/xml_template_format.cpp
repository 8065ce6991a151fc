#include "exchange/formats/xml_template_format.h"

#include <algorithm>

#include "core/number_format.h"
#include "exchange/export_sink.h"
#include "exchange/export_text.h"

namespace tv {

namespace {

// The name for XML attributes and texts: ASCII, '&' as '+', the apostrophe
// as the acute accent in UTF-8 (C2 B4).
std::string InternalName(std::string_view name) {
    std::string out;
    for (char c : AsciiCacheName(name)) {
        if (c == '&')
            out += '+';
        else if (c == '\'')
            out += "\xC2\xB4";
        else
            out += c;
    }
    return out;
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

std::string XmlWaypointText(std::string_view tpl, const TCacheRec& rec) {
    const std::string internal = InternalName(rec.Name);
    std::string first128 = internal.substr(0, 128);
    // Never end inside the two bytes of the accent.
    if (!first128.empty() && first128.back() == '\xC2') first128.pop_back();
    return FillPlaceholders(tpl, {
                                     {"#WAYPOINT#", rec.Waypoint.str()},
                                     {"#CACHENAME_INT#", XmlEscape(internal)},
                                     {"#CACHENAME#", rec.Name.str()},
                                     {"#CACHENAME128#", XmlEscape(first128)},
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
                                 });
}

int WriteXmlTemplate(const ExportList& list, const XmlTemplateParts& parts, LineSink& sink) {
    sink.Line(parts.header);
    int written = 0;
    for (const TCacheRec& r : list) {
        if (sink.failed()) break;
        sink.Line(XmlWaypointText(parts.waypoint, r));
        ++written;
    }
    sink.Line(parts.footer);
    return written;
}

}  // namespace tv
