#include "exchange/formats/gpx_format.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "core/number_format.h"
#include "core/proc_settings.h"
#include "core/str_util.h"
#include "exchange/export_sink.h"
#include "exchange/export_text.h"

namespace tv {

namespace {

std::string F(double v) { return FixedText(v, 10, 6); }

// Coordinates as GPX takes them (-90 <= lat <= 90, -180 <= lon < 180). A
// longitude is taken onto that range by whole turns; one that rounds up to
// 180 is written one last digit lower, so the point moves by less than that
// digit.
double GpxLat(double v) { return std::clamp(v, -90.0, 90.0); }
double GpxLon(double v) {
    if (std::isfinite(v) && (v < -180 || v >= 180)) {
        v = std::fmod(v + 180.0, 360.0);
        if (v < 0) v += 360.0;
        v -= 180.0;
    }
    return v;
}
std::string LatText(double v) { return F(GpxLat(v)); }
std::string LonText(double v) {
    std::string text = F(GpxLon(v));
    return text == "180.000000" ? "179.999999" : text;
}

std::string Without(std::string_view text, char c) {
    std::string out(text);
    out.erase(std::remove(out.begin(), out.end(), c), out.end());
    return out;
}

struct Bounds {
    double minLat = 200, maxLat = -200, minLon = 200, maxLon = -200;
    bool any = false;
    void add(double lat, double lon) {
        any = true;
        lat = GpxLat(lat);
        lon = GpxLon(lon);
        if (lat < minLat) minLat = lat;
        if (lat > maxLat) maxLat = lat;
        if (lon < minLon) minLon = lon;
        if (lon > maxLon) maxLon = lon;
    }
};

// An additional home whose texts are coordinates; the texts go into the
// file as the settings keep them when they are plain decimals.
struct ValidHome {
    int number;
    double lat, lon;
    std::string latText, lonText;
    const HomePoint* home;
};

std::optional<std::string> PlainCoordText(std::string text, double& value, bool lon) {
    std::replace(text.begin(), text.end(), ',', '.');
    const auto v = ParseFloat(text);
    const double limit = lon ? 180 : 90;
    if (!v || *v < -limit || *v > limit) return std::nullopt;
    value = *v;
    const std::string_view t = TrimBlanks(text);
    const bool plain = !t.empty() && t.find_first_not_of("-0123456789.") == std::string_view::npos &&
                       t.find_first_of("0123456789") != std::string_view::npos && (!lon || *v < 180);
    return plain ? std::string(t) : lon ? LonText(*v) : LatText(*v);
}

std::vector<ValidHome> AdditionalHomes(const ExportContext& ctx) {
    std::vector<ValidHome> out;
    for (std::size_t i = 0; i < ctx.addHomes.size(); ++i) {
        ValidHome h{static_cast<int>(i) + 1, 0, 0, {}, {}, &ctx.addHomes[i]};
        const auto lat = PlainCoordText(ctx.addHomes[i].lat, h.lat, false);
        const auto lon = PlainCoordText(ctx.addHomes[i].lon, h.lon, true);
        // A hand-edited home that is no coordinate is left out, not the export.
        if (!lat || !lon) continue;
        h.latText = *lat;
        h.lonText = *lon;
        out.push_back(std::move(h));
    }
    return out;
}

void HomeBlock(LineSink& sink, const std::string& lat, const std::string& lon, const std::string& name,
               const std::string& cmt, const std::string& desc) {
    sink.Line("  <wpt lat=\"" + lat + "\" lon=\"" + lon + "\">");
    sink.Line("    <name>" + name + "</name>");
    sink.Line("    <cmt>" + cmt + "</cmt>");
    sink.Line("    <desc>" + desc + "</desc>");
    sink.Line("    <sym>Residence</sym>");
    sink.Line("    <type>Home</type>");
    sink.Line("  </wpt>");
}

}  // namespace

std::string GpxWaypointText(std::string_view tpl, const TCacheRec& rec) {
    std::string name = AsciiCacheName(rec.Name);
    std::replace(name.begin(), name.end(), '&', '+');
    // The user's template may put a value into an attribute, a CDATA section
    // or a comment: each is escaped for its place.
    return FillXmlPlaceholders(tpl,
                               {
                                   {"#WAYPOINT#", rec.Waypoint.str()},
                                   {"#CACHENAME#", name},
                                   {"#LAT#", LatText(rec.Lat)},
                                   {"#LON#", LonText(rec.Lon)},
                                   {"#CACHETYPE#", rec.CacheType.str()},
                                   {"#CACHESIZE#", rec.Size.str()},
                                   {"#DIFFTERR#", Without(rec.Difficulty, '.') + "/" + Without(rec.Terrain, '.')},
                                   {"#COMPRESSEDCACHENAME#", CompressedCacheName(rec.Name)},
                                   {"#CACHETYPESHORT#", CacheTypeLetter(rec.CacheType)},
                                   {"#CACHESIZESHORT#", CacheSizeLetter(rec.Size)},
                               },
                               XmlCursor{}, XmlCharset::Utf8);
}

int WriteGpx(const ExportList& list, const GpxOptions& o, const ExportContext& ctx, LineSink& sink) {
    const std::vector<ValidHome> homes =
        o.outputHome && o.whichHomes == 1 ? AdditionalHomes(ctx) : std::vector<ValidHome>{};
    Bounds b;
    for (const TCacheRec& r : list) b.add(r.Lat, r.Lon);
    if (o.outputHome) b.add(ctx.homeLat, ctx.homeLon);
    for (const ValidHome& h : homes) b.add(h.lat, h.lon);

    sink.Line(ctx.xmlInit.empty() ? std::string(kDefaultXMLInit) : ctx.xmlInit);
    sink.Line(ctx.gpxInit.empty() ? std::string(kDefaultGPXInit) : ctx.gpxInit);
    sink.Line("<metadata> ");
    sink.Line(" <desc>Geocache file generated by Trailvane</desc> ");
    sink.Line(" <author> ");
    sink.Line(" <name>Trailvane</name> ");
    sink.Line(" </author> ");
    sink.Line("<keywords><![CDATA[cache, geocache, trailvane]]></keywords> ");
    // Without any point there are no bounds: 200/-200 would break the schema.
    if (b.any)
        sink.Line("<bounds minlat=\"" + LatText(b.minLat) + "\" minlon=\"" + LonText(b.minLon) + "\" maxlat=\"" +
                  LatText(b.maxLat) + "\" maxlon=\"" + LonText(b.maxLon) + "\" />");
    sink.Line("</metadata>");
    if (o.outputHome)
        HomeBlock(sink, LatText(ctx.homeLat), LonText(ctx.homeLon), "HOME", "Home (primaer)", "Home-Referenzpunkt (primaer)");
    for (const ValidHome& h : homes) {
        const std::string name = XmlText(h.home->name);
        HomeBlock(sink, h.latText, h.lonText, "HOME" + std::to_string(h.number), "Home (erweitert): " + name,
                  "Home-Referenzpunkt (erweitert): " + name);
    }
    int written = 0;
    for (const TCacheRec& r : list) {
        if (sink.failed()) break;
        sink.Line(GpxWaypointText(o.wpTemplate, r));
        ++written;
    }
    sink.Line("</gpx>");
    return written;
}

}  // namespace tv
