#include "geo/map_links.h"

#include <algorithm>
#include <cmath>

#include "core/cache_db.h"
#include "core/file_procs.h"
#include "core/html_escape.h"
#include "core/letter_spelling.h"
#include "core/number_format.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"

namespace tv {

// ---- one position --------------------------------------------------------------------

std::string BuildMapUrl(float lat, float lon, int zoomItem, int mapItem) {
    static constexpr const char* kPlainZoom[] = {"17", "16", "14", "10"};
    static constexpr const char* kPhotoZoom[] = {"17", "16", "13", "10"};
    if (zoomItem < 0 || zoomItem > 3) zoomItem = 1;
    if (mapItem < 0 || mapItem > 2) mapItem = 0;
    const std::string la = FormatFixed(lat, 10, 6), lo = FormatFixed(lon, 10, 6);
    std::string url(kMapServiceUrl);
    url += "/maps?f=q&hl=de&q=" + la + "+" + lo + "&ie=UTF8&om=1&z=";
    url += mapItem == 0 ? kPlainZoom[zoomItem] : kPhotoZoom[zoomItem];
    if (mapItem == 1) url += "&t=k";
    if (mapItem == 2) url += "&t=h";
    url += "&ll=" + la + "," + lo;
    return url;
}

std::string RadiusSearchUrl(const ListingSite& site, double lat, double lon) {
    return "http://" + site.host + "/seek/nearest.aspx?origin_lat=" + FormatFloatGeneral(lat, '.', 15) +
           "&origin_long=" + FormatFloatGeneral(lon, '.', 15) + "&dist=100&submit3=Search";
}

// ---- coordinates from a map link ----------------------------------------------------

MapLinkResult ParseMapLink(std::string_view text) {
    constexpr std::string_view kKey = "&ll=";
    const int p = PosFrom(kKey, text, 1);
    int a = -1, c = -1;
    if (p >= 1) {
        // From behind the key's own '&'.
        a = PosFrom("&", text, p + 1);
        c = PosFrom(",", text, p + 1);
    }
    if (!(p >= 1 && c < a && p < a)) return {std::nullopt, MapLinkError::NoCoordinates};

    const std::size_t from = static_cast<std::size_t>(p - 1) + kKey.size();
    const std::size_t to = static_cast<std::size_t>(a - 1);
    const std::string_view pair = from <= to ? text.substr(from, to - from) : std::string_view();
    const std::size_t comma = pair.find(',');
    MapLink link;
    link.latText = std::string(pair.substr(0, comma));
    link.lonText = comma == std::string_view::npos ? std::string() : std::string(pair.substr(comma + 1));
    const auto lat = ParseFloat(link.latText, '.');
    const auto lon = ParseFloat(link.lonText, '.');
    // A position off the globe would end up as a home position.
    if (!lat || !lon || std::fabs(*lat) > 90.0 || std::fabs(*lon) > 180.0)
        return {std::nullopt, MapLinkError::BadNumber};
    link.lat = *lat;
    link.lon = *lon;
    return {std::move(link), MapLinkError::None};
}

std::string MapLinkErrorText(MapLinkError error) {
    switch (error) {
        case MapLinkError::NoCoordinates:
            return "Konnte in der URL keine Koordinatenangabe finden.";
        case MapLinkError::BadNumber:
            return "Fehlerhaftes Zeichen in der Koordinatenangabe gefunden.";
        case MapLinkError::None:
            break;
    }
    return {};
}

bool IsMapServiceLink(std::string_view text) {
    const std::string lower = LowerCaseAscii(text.substr(0, std::min<std::size_t>(text.size(), 40)));
    for (std::string_view scheme : {"http://", "https://"}) {
        if (lower.rfind(scheme, 0) != 0) continue;
        const std::string_view host = std::string_view(lower).substr(scheme.size());
        for (std::string_view prefix : {"maps.google.", "www.google.", "google."})
            if (host.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

DmHalves SplitDmForLink(double lat, double lon) {
    const std::string text = FormatCoord(lat, lon);
    const std::size_t k = text.find_first_of("EW");
    if (k == std::string::npos || k < 1) return {text, {}};
    return {text.substr(0, k - 1), text.substr(k)};
}

// ---- the online map page --------------------------------------------------------------

std::string EscapeMarkerName(std::string_view name) {
    std::string out;
    out.reserve(name.size() + 8);
    for (const char ch : name) {
        const auto u = static_cast<unsigned char>(ch);
        if (const std::string_view spelt = AsciiLetterSpelling(u); !spelt.empty()) {
            out += spelt;
            continue;
        }
        switch (ch) {
            case '"': out += '\''; break;
            case '&': out += '+'; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            default: out += (u < 32 || u > 127) ? ' ' : ch;
        }
    }
    return out;
}

int TypeToIcon(std::string_view typeText) {
    static constexpr struct {
        std::string_view type;
        int icon;
    } kIcons[] = {
        {"TRADITIONAL CACHE", 1},    {"MULTI-CACHE", 2},   {"VIRTUAL CACHE", 3}, {"LETTERBOX HYBRID", 4},
        {"EVENT CACHE", 5},          {"UNKNOWN CACHE", 6}, {"WEBCAM CACHE", 7},  {"LOCATIONLESS CACHE", 3},
        {"CACHE IN TRASH OUT E", 8}, {"EARTHCACHE", 9},
    };
    const std::string upper = UpperCaseCp1252(typeText);
    for (const auto& row : kIcons)
        if (upper == row.type) return row.icon;
    return 1;
}

namespace {

// An attribute value of the marker file: plain ASCII, then escaped.
std::string MarkerAttr(std::string_view value) {
    std::string ascii(value);
    for (char& ch : ascii) {
        const auto u = static_cast<unsigned char>(ch);
        if (u < 32 || u > 127) ch = ' ';
    }
    return html::Attr(ascii);
}

}  // namespace

std::string MarkerLine(const TCacheRec& rec) {
    return "<marker lat=\"" + FormatFixed(rec.Lat, 10, 5) + "\" lng=\"" + FormatFixed(rec.Lon, 10, 5) + "\" wpt=\"[b]" +
           MarkerAttr(rec.Waypoint.view()) + "[/b][br]" + EscapeMarkerName(rec.Name.view()) + "\" icon=\"" +
           IntText(TypeToIcon(rec.CacheType.view())) + "\" diff=\"" + MarkerAttr(rec.Difficulty.view()) + "\" terr=\"" +
           MarkerAttr(rec.Terrain.view()) + "\" size=\"" + MarkerAttr(rec.Size.view()) + "\"/>";
}

void MarkerBounds::Add(double lat, double lon) {
    const auto la = static_cast<float>(lat), lo = static_cast<float>(lon);
    minLat = std::min(minLat, la);
    maxLat = std::max(maxLat, la);
    minLon = std::min(minLon, lo);
    maxLon = std::max(maxLon, lo);
}

LatLon MarkerBounds::Center() const {
    const float lat = (minLat + maxLat) / 2.0f, lon = (minLon + maxLon) / 2.0f;
    return {lat, lon};
}

std::string MarkersText(const TCacheList& list, MarkerBounds& bounds) {
    std::string text = "<markers>\r\n";
    for (const auto& entry : list) {
        text += MarkerLine(entry.rec);
        text += "\r\n";
        bounds.Add(entry.rec.Lat, entry.rec.Lon);
    }
    text += "</markers>\r\n";
    return text;
}

int ZoomLevel(double dLat, double dLon) {
    static constexpr struct {
        double lat, lon;
        int level;
    } kSteps[] = {{320, 360, 5}, {160, 180, 6}, {80, 90, 7},  {40, 45, 8},
                  {20, 22, 9},   {10, 11, 10},  {5, 5.5, 11}, {2.5, 3, 12}};
    for (const auto& s : kSteps)
        if (dLat > s.lat || dLon > s.lon) return s.level;
    return 13;
}

int ZoomLevel(const MarkerBounds& b) {
    const double dLat = (static_cast<double>(b.maxLat) - b.minLat) * 60.0;
    const double dLon = (static_cast<double>(b.maxLon) - b.minLon) * 60.0;
    return ZoomLevel(dLat, dLon);
}

std::string ListComment(int count, MapListSource source) {
    const char* what = "befinden sich in der Arbeitsliste";
    if (source == MapListSource::Finds) what = "hast Du bereits gefunden";
    if (source == MapListSource::OutputFolder) what = "befinden sich im gew&auml;hlten Ausgabeverzeichnis";
    return "Folgende " + IntText(count) + " Caches " + what + ":";
}

void FillMapTemplate(std::string& text, const MapPageValues& v) {
    static constexpr const char* kWidth[] = {"640", "800", "1024"};
    static constexpr const char* kHeight[] = {"480", "600", "768"};
    const int size = std::clamp(v.mapSizeItem, 0, 2);
    ReplaceAll(text, "#CENTERLAT#", FormatFixed(v.center.lat, 8, 3));
    ReplaceAll(text, "#CENTERLONG#", FormatFixed(v.center.lon, 8, 3));
    ReplaceAll(text, "#ZOOMFACTOR#", IntText(v.zoom));
    ReplaceAll(text, "#MAPWIDTH#", kWidth[size]);
    ReplaceAll(text, "#MAPHEIGHT#", kHeight[size]);
    ReplaceAll(text, "#LISTCOMMENT#", v.listComment);
    // Last, so that a cache name spelling a placeholder stays a name. The
    // page carries the markers as an attribute value, which no parser reads
    // as markup.
    ReplaceAll(text, "#MARKERS#", html::Attr(v.markers));
}

bool LoadWaypointFile(const std::string& path, TCacheList& list, const CacheLookup& lookup) {
    list.Clear();
    const auto bytes = ReadWholeFile(path);
    if (!bytes) return false;
    for (const std::string& line : SplitTextLines(*bytes)) {
        if (line.empty()) continue;
        TCacheRec rec;
        if (lookup(line, rec)) list.AddCache(line, rec);
    }
    return true;
}

bool LoadFinds(const std::string& findsPath, TCacheList& list, const CacheLookup& lookup) {
    list.Clear();
    const auto bytes = ReadWholeFile(findsPath);
    if (!bytes) return false;
    for (const TFoundRec& found : DecodeFoundRecs(*bytes)) {
        TCacheRec rec;
        if (!found.Waypoint.empty() && lookup(found.Waypoint.view(), rec)) list.AddCache(rec.Waypoint.view(), rec);
    }
    return true;
}

MapPageResult WriteMapPage(const MapPageParams& params) {
    const CacheLookup lookup = params.lookup ? params.lookup : [](std::string_view code, TCacheRec& rec) {
        return FindCacheByWaypoint(code, rec);
    };
    MapPageResult result;
    TCacheList list;
    std::string listPath;
    bool read = false;
    switch (params.source) {
        case MapListSource::WorkList:
            listPath = ResolveFileNoCase(params.workDir, "WPList.txt");
            read = LoadWaypointFile(listPath, list, lookup);
            break;
        case MapListSource::Finds:
            listPath = params.workDir + "Finds.bin";
            read = LoadFinds(listPath, list, lookup);
            break;
        case MapListSource::OutputFolder:
            listPath = params.workDir + "dirlist.txt";
            read = LoadWaypointFile(listPath, list, lookup);
            break;
    }
    if (!read) {
        result.status = MapPageResult::Failed;
        result.error = ReadErrorText(listPath);
        return result;
    }
    result.count = list.Count();
    if (list.empty()) return result;

    MarkerBounds bounds;
    const std::string markers = MarkersText(list, bounds);
    const std::string markersPath = params.workDir + "caches.xml";
    if (!WriteFileAtomic(markersPath, markers)) {
        result.status = MapPageResult::Failed;
        result.error = WriteErrorText(markersPath);
        return result;
    }

    std::string templatePath = params.workDir + "gmtemplate.html";
    if (!IsRegularFile(templatePath) && !params.templateFallbackDir.empty() &&
        IsRegularFile(params.templateFallbackDir + "gmtemplate.html"))
        templatePath = params.templateFallbackDir + "gmtemplate.html";
    auto page = ReadWholeFile(templatePath);
    if (!page) {
        result.status = MapPageResult::Failed;
        result.error = ReadErrorText(templatePath);
        return result;
    }
    FillMapTemplate(*page, {bounds.Center(), ZoomLevel(bounds), params.mapSizeItem,
                            ListComment(list.Count(), params.source), markers});
    const std::string pagePath = params.workDir + "gmshow.html";
    if (!WriteFileAtomic(pagePath, *page)) {
        result.status = MapPageResult::Failed;
        result.error = WriteErrorText(pagePath);
        return result;
    }
    result.status = MapPageResult::Written;
    result.pagePath = pagePath;
    return result;
}

}  // namespace tv
