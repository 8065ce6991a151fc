#pragma once
// The map's data and view: caches, route points, towns and border lines in an
// equirectangular projection whose aspect is fixed for central Europe (one
// degree of latitude takes kMapAspect times the pixels of one degree of
// longitude). Pixel sizes W x H are the paint area's. Plain values only; the
// window draws the scene that map_scene.h builds from them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/cache_rec.h"
#include "core/coords.h"

namespace tv {

// 1 / cos(51.0995 degrees): central Germany.
inline constexpr double kMapAspect = 1.592433361994841;
// Zooming in stops at this longitude span, zooming out at the whole globe.
inline constexpr double kMinLonSpan = 1.0 / 3000.0;
inline constexpr double kMaxLonSpan = 360.0;
inline constexpr double kMaxLatSpan = 180.0;

struct MapBounds {
    double lonMin = 6.0, lonMax = 14.0, latMin = 47.0, latMax = 55.0;
    friend bool operator==(const MapBounds&, const MapBounds&) = default;
};

struct MapPixel {
    double x = 0, y = 0;  // whole pixels (truncated toward zero), kept as doubles
};

// Projection and view changes.
class MapView {
public:
    MapBounds bounds;

    // Widens one span so that the aspect holds for a W x H area.
    void FitAspect(int w, int h);
    MapPixel ToPixel(double lat, double lon, int w, int h) const;
    LatLon ToGeo(double x, double y, int w, int h) const;
    // Halves both spans around p; false (nothing changed) at the smallest span.
    bool ZoomIn(LatLon p);
    // Doubles both spans around p, no wider than the globe; false when it
    // already was.
    bool ZoomOut(LatLon p);
    // dx, dy in -1..1; a quarter of the span each, north positive.
    void Pan(int dx, int dy);
};

struct MapCache {
    ShortStr<16> code;
    double lat = 0, lon = 0;
    std::string name;  // at most 80 characters
};

struct MapTown {
    double lat = 0, lon = 0;
    int cls = 3;        // 1 largest .. 3
    std::string name;   // Windows-1252
};

struct BorderPoint {
    float lat = 0, lon = 0;
    bool move = true;   // start a new line here
};

// "borders.bin": 12-byte records (f32 lat, f32 lon, i8 pen flag < 0 move,
// 3 reserved), little-endian. A trailing partial record is ignored, the
// first point always starts a line, and a point off the globe (or not a
// number) is dropped, the next one starting a new line.
std::vector<BorderPoint> ReadBorders(std::string_view bytes);
// "german_towns.csv": "lat;lon;class;name" per line, '.' decimals; lines whose
// numbers do not convert, or whose class is outside 1..3, are skipped.
std::vector<MapTown> ReadTowns(std::string_view bytes);

// The caches and route the callers hand over, with the user's removals.
struct MapContent {
    std::vector<MapCache> caches;
    std::vector<LatLon> route;
    std::vector<std::string> removed;  // codes the user took off the map since it was shown

    // A record as a map cache (name cut to 80 characters).
    void AddCache(const TCacheRec& rec);
    // The first of the nearest caches to p (caches whose distance cannot be
    // computed are passed over); nothing without caches.
    std::optional<std::size_t> NearestCache(LatLon p) const;
    // Takes the cache off the map and remembers its code.
    void RemoveCache(std::size_t index);
    // The caches' box widened by 1/30 degree; nothing without caches.
    std::optional<MapBounds> CacheRange() const;
};

}  // namespace tv
