#include "geo/map_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/file_procs.h"
#include "core/number_format.h"

namespace tv {

namespace {

float ReadF32(const unsigned char* p) {
    const std::uint32_t bits = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                               std::uint32_t(p[3]) << 24;
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

}  // namespace

void MapView::FitAspect(int w, int h) {
    MapBounds& b = bounds;
    const double dLat = b.latMax - b.latMin, dLon = b.lonMax - b.lonMin;
    if (w <= 0 || h <= 0 || !(dLat > 0) || !(dLon > 0)) return;
    const double ppLat = h / dLat, ppLon = w / dLon;
    const double r = kMapAspect * ppLon / ppLat - 1.0;
    if (r <= 0) {
        const double grow = 0.5 * (ppLat / (kMapAspect * ppLon) - 1.0) * dLat;
        b.latMin -= grow;
        b.latMax += grow;
    } else {
        const double grow = 0.5 * (kMapAspect * ppLon / ppLat - 1.0) * dLon;
        b.lonMin -= grow;
        b.lonMax += grow;
    }
}

MapPixel MapView::ToPixel(double lat, double lon, int w, int h) const {
    const MapBounds& b = bounds;
    return {std::trunc((lon - b.lonMin) * w / (b.lonMax - b.lonMin)),
            std::trunc(h - (lat - b.latMin) * h / (b.latMax - b.latMin))};
}

LatLon MapView::ToGeo(double x, double y, int w, int h) const {
    const MapBounds& b = bounds;
    return {b.latMax - (b.latMax - b.latMin) * y / h, b.lonMin + (b.lonMax - b.lonMin) * x / w};
}

bool MapView::ZoomIn(LatLon p) {
    const double dLon = bounds.lonMax - bounds.lonMin, dLat = bounds.latMax - bounds.latMin;
    if (dLon <= kMinLonSpan) return false;
    bounds = {p.lon - dLon / 4, p.lon + dLon / 4, p.lat - dLat / 4, p.lat + dLat / 4};
    return true;
}

bool MapView::ZoomOut(LatLon p) {
    const double dLon = bounds.lonMax - bounds.lonMin, dLat = bounds.latMax - bounds.latMin;
    // Endless doubling would make the grid draw millions of lines.
    if (dLon >= kMaxLonSpan || dLat >= kMaxLatSpan) return false;
    bounds = {p.lon - dLon, p.lon + dLon, p.lat - dLat, p.lat + dLat};
    return true;
}

void MapView::Pan(int dx, int dy) {
    const double mx = dx * (bounds.lonMax - bounds.lonMin) / 4, my = dy * (bounds.latMax - bounds.latMin) / 4;
    bounds.lonMin += mx;
    bounds.lonMax += mx;
    bounds.latMin += my;
    bounds.latMax += my;
}

std::vector<BorderPoint> ReadBorders(std::string_view bytes) {
    std::vector<BorderPoint> out;
    out.reserve(bytes.size() / 12);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    bool broken = true;  // the next point starts a line
    for (std::size_t off = 0; off + 12 <= bytes.size(); off += 12) {
        BorderPoint b;
        b.lat = ReadF32(p + off);
        b.lon = ReadF32(p + off + 4);
        // A point off the globe is dropped and breaks its line.
        if (!(std::fabs(b.lat) <= 90.0f) || !(std::fabs(b.lon) <= 360.0f)) {
            broken = true;
            continue;
        }
        b.move = broken || static_cast<signed char>(p[off + 8]) < 0;
        broken = false;
        out.push_back(b);
    }
    return out;
}

std::vector<MapTown> ReadTowns(std::string_view bytes) {
    std::vector<MapTown> out;
    for (const std::string& line : SplitTextLines(bytes)) {
        std::size_t s1 = line.find(';');
        std::size_t s2 = s1 == std::string::npos ? s1 : line.find(';', s1 + 1);
        std::size_t s3 = s2 == std::string::npos ? s2 : line.find(';', s2 + 1);
        if (s3 == std::string::npos) continue;
        const std::string_view v(line);
        const auto lat = ParseFloat(v.substr(0, s1), '.');
        const auto lon = ParseFloat(v.substr(s1 + 1, s2 - s1 - 1), '.');
        const auto cls = ParseInt(v.substr(s2 + 1, s3 - s2 - 1));
        if (!lat || !lon || !cls || *cls < 1 || *cls > 3) continue;
        out.push_back({*lat, *lon, *cls, line.substr(s3 + 1)});
    }
    return out;
}

void MapContent::AddCache(const TCacheRec& rec) {
    MapCache c;
    c.code = rec.Waypoint;
    c.lat = rec.Lat;
    c.lon = rec.Lon;
    c.name = std::string(rec.Name.view().substr(0, 80));
    caches.push_back(std::move(c));
}

std::optional<std::size_t> MapContent::NearestCache(LatLon p) const {
    std::optional<std::size_t> best;
    double bestKm = 0;
    for (std::size_t i = 0; i < caches.size(); ++i) {
        const auto d = CalcDistanceBearing(p, {caches[i].lat, caches[i].lon});
        if (d && (!best || d->km < bestKm)) {
            best = i;
            bestKm = d->km;
        }
    }
    return best;
}

void MapContent::RemoveCache(std::size_t index) {
    if (index >= caches.size()) return;
    removed.push_back(caches[index].code.str());
    caches.erase(caches.begin() + static_cast<std::ptrdiff_t>(index));
}

std::optional<MapBounds> MapContent::CacheRange() const {
    if (caches.empty()) return std::nullopt;
    MapBounds b{9999, -9999, 9999, -9999};
    for (const MapCache& c : caches) {
        b.lonMin = std::min(b.lonMin, c.lon);
        b.lonMax = std::max(b.lonMax, c.lon);
        b.latMin = std::min(b.latMin, c.lat);
        b.latMax = std::max(b.latMax, c.lat);
    }
    const double m = 1.0 / 30.0;
    return MapBounds{b.lonMin - m, b.lonMax + m, b.latMin - m, b.latMax + m};
}

}  // namespace tv
