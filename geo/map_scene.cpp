#include "geo/map_scene.h"

#include <algorithm>
#include <cmath>

#include "core/number_format.h"

namespace tv {

namespace {

// Enough for any view the zoom limits allow; a guard against endless loops.
constexpr int kMaxGridLines = 20000;

MapPrimitive Box(MapPrimitive::Kind kind, double x, double y, double w, double h, MapColor pen, MapColor brush) {
    MapPrimitive p;
    p.kind = kind;
    p.x = x, p.y = y, p.w = w, p.h = h;
    p.pen = pen;
    p.brush = brush;
    return p;
}

MapPrimitive Line(std::vector<MapPixel> points, MapColor pen) {
    MapPrimitive p;
    p.kind = MapPrimitive::Polyline;
    p.points = std::move(points);
    p.pen = pen;
    return p;
}

MapPrimitive Label(double x, double y, std::string text, int size, bool centred = false, bool opaque = false,
                   int angle = 0) {
    MapPrimitive p;
    p.kind = MapPrimitive::Text;
    p.x = x, p.y = y;
    p.text = std::move(text);
    p.pointSize = size;
    p.centred = centred;
    p.opaque = opaque;
    p.angle = angle;
    p.pen = kMapBlack;
    return p;
}

// Grid steps in minutes, finest first.
constexpr int kGridSteps[] = {1, 6, 10, 20, 30, 60, 120, 300, 600, 900, 1800};

// Scale divisions in km: the first whose view width the view exceeds.
constexpr double kScaleSteps[][2] = {{10000, 1000}, {3000, 300}, {1000, 100}, {300, 30},    {100, 10},
                                     {30, 3},       {10, 1},     {3, 0.3},    {1, 0.1},     {0.3, 0.03},
                                     {0.1, 0.01},   {0.03, 0.003}, {0.01, 0.001}};

// Room between the scale bar's labels, in pixels.
constexpr double kScaleLabelGap = 4;
// Room between the scale bar and a grid label moved past it, in pixels: it
// reads as no part of the bar.
constexpr double kScaleBarClearance = 12;

// Lines at k*step/60 after the start's whole degree (whole multiple of the
// step above one degree) for k = 1, 2, ... while the one before lay below
// `end`.
void PlanLines(std::vector<GridLine>& out, bool meridian, double start, double end, int step) {
    const double base = step > 60 ? std::floor(start * 60 / step) * step / 60 : std::floor(start);
    for (int k = 1; k <= kMaxGridLines && base + (k - 1) * step / 60.0 < end; ++k) {
        GridLine g;
        g.meridian = meridian;
        g.value = base + k * step / 60.0;
        g.major = (k * step) % 60 == 0;
        out.push_back(g);
    }
}

std::vector<GridLine> PlanGridAt(const MapView& view, int w, int h, int step) {
    const MapBounds& b = view.bounds;
    // The part of the view on the globe; its north-west corner takes the
    // place of the view's for the lines' ends and labels.
    const double west = std::max(b.lonMin, -180.0), east = std::min(b.lonMax, 180.0);
    const double south = std::max(b.latMin, -90.0), north = std::min(b.latMax, 90.0);
    std::vector<GridLine> lines;
    if (!(west <= east && south <= north)) return lines;
    // 180 and 90 are whole multiples of every step: no line lands beyond them.
    PlanLines(lines, true, west, east, step);
    PlanLines(lines, false, south, north, step);
    const MapPixel nw = view.ToPixel(north, west, w, h), se = view.ToPixel(south, east, w, h);
    for (GridLine& g : lines) {
        if (g.meridian) {
            g.pixel = view.ToPixel(north, g.value, w, h).x;
            g.from = nw.y, g.to = se.y;
            g.labelled = g.pixel > nw.x + 35;
        } else {
            g.pixel = view.ToPixel(g.value, west, w, h).y;
            g.from = nw.x, g.to = se.x;
            g.labelled = g.pixel > nw.y + 30;
        }
        g.label = FormatDegMinWhole(g.value);
    }
    return lines;
}

// Neighbouring labelled lines of each direction lie at least the wider of
// their labels' widths apart.
bool LabelsApart(const std::vector<GridLine>& lines, const MapTextWidth& textWidth) {
    for (const bool meridian : {true, false}) {
        const GridLine* before = nullptr;
        double beforeWidth = 0;
        for (const GridLine& g : lines) {
            if (g.meridian != meridian || !g.labelled) continue;
            const double width = textWidth(g.label, kGridLabelPoints);
            if (before && std::fabs(g.pixel - before->pixel) < std::max(width, beforeWidth)) return false;
            before = &g;
            beforeWidth = width;
        }
    }
    return true;
}

struct ViewWidth {
    double km = 0;
    double barLat = 0;           // the row the scale's divisions are measured on
    bool alongParallel = false;  // else the top edge's great circle
};

ViewWidth AlongParallel(const MapView& view, int w, double lat) {
    const double lonSpan = (view.bounds.lonMax - view.bounds.lonMin) * (w - 1) / w;
    return {std::fabs(DegToRad(lonSpan)) * kEarthRadiusKm * std::cos(DegToRad(lat)), lat, true};
}

std::optional<ViewWidth> MeasureViewWidth(const MapView& view, int w, int h) {
    const MapBounds& b = view.bounds;
    const LatLon left = view.ToGeo(0, 0, w, h), right = view.ToGeo(w - 1, 0, w, h);
    // Beyond a pole the edge has no length, and over more than half the
    // globe the great circle takes the short way round.
    if (b.latMax < 90 && b.latMin > -90 && std::fabs(right.lon - left.lon) <= 180) {
        const auto d = CalcDistanceBearing(left, right);
        if (!d) return std::nullopt;
        return ViewWidth{d->km, b.latMin, false};
    }
    // The rows next to a pole may all be too narrow for a bar; the equator
    // only stands in for a view wholly beyond one.
    const double nearest = std::min(std::max(0.0, b.latMin), b.latMax);
    double lat = 0;
    if (std::fabs(b.latMin) < 90 && ScaleUnitKm(AlongParallel(view, w, b.latMin).km))
        lat = b.latMin;
    else if (std::fabs(nearest) < 90)
        lat = nearest;
    const ViewWidth width = AlongParallel(view, w, lat);
    if (!std::isfinite(width.km)) return std::nullopt;
    return width;
}

// The bar at division u measured on the row the width was measured on, all
// six labels drawn.
std::optional<ScaleBarPlan> ScaleBarAt(const MapView& view, int w, int h, double u, const ViewWidth& row) {
    const MapBounds& b = view.bounds;
    const double lat = row.barLat;
    LatLon east{lat, b.lonMin};
    if (row.alongParallel) {
        east.lon += RadToDeg(u / (kEarthRadiusKm * std::cos(DegToRad(lat))));
    } else {
        const auto end = ProjectCoordinate(LatLon{lat, b.lonMin}, u, 90.0);
        if (!end) return std::nullopt;
        // Counted eastwards from the edge, across the date line if need be.
        east = {end->lat, b.lonMin + std::remainder(end->lon - b.lonMin, 360.0)};
    }
    ScaleBarPlan plan;
    plan.unitKm = u;
    const double px = view.ToPixel(east.lat, east.lon, w, h).x - view.ToPixel(lat, b.lonMin, w, h).x;
    plan.divisionPx = static_cast<int>(std::clamp(px, 0.0, 100000.0));
    const bool metres = u < 1;
    const double shown = metres ? u * 1000 : u;
    for (int i = 0; i <= 5; ++i) plan.labels.push_back(IntText(static_cast<long long>(std::nearbyint(i * shown))));
    plan.drawn.assign(6, true);
    plan.unit = metres ? "m" : "km";
    return plan;
}

// Marks every `every`-th label drawn when the centred labels leave room
// between them; false (and nothing changed) when they do not.
bool SpreadScaleLabels(ScaleBarPlan& plan, int every, const MapTextWidth& textWidth) {
    for (int i = 0; i + every <= 5; i += every) {
        const double room = (textWidth(plan.labels[i], kScaleLabelPoints) +
                             textWidth(plan.labels[i + every], kScaleLabelPoints)) / 2 + kScaleLabelGap;
        if (every * plan.divisionPx < room) return false;
    }
    for (int i = 0; i <= 5; ++i) plan.drawn[i] = i % every == 0;
    return true;
}

// A primitive's box: left, top, right, bottom. Texts are taken unturned.
struct Area {
    double left = 0, top = 0, right = 0, bottom = 0;
};

Area Extent(const MapPrimitive& p, const MapTextWidth& textWidth) {
    if (p.kind != MapPrimitive::Text) return {p.x, p.y, p.x + p.w, p.y + p.h};
    const double width = textWidth(p.text, p.pointSize), left = p.centred ? p.x - width / 2 : p.x;
    return {left, p.y, left + width, p.y + MapTextHeight(p.pointSize)};
}

// A parallel's label that would touch the scale bar moves east along its
// line past the bar's boxes on its row; false when it then ends beyond `end`.
bool KeepClearOf(MapPrimitive& label, const std::vector<Area>& taken, double end, const MapTextWidth& textWidth) {
    const Area a = Extent(label, textWidth);
    const auto onRow = [&](const Area& t) { return t.top < a.bottom && a.top < t.bottom; };
    const auto touches = [&](const Area& t) { return onRow(t) && t.left < a.right && a.left < t.right; };
    if (std::none_of(taken.begin(), taken.end(), touches)) return true;
    for (const Area& t : taken)
        if (onRow(t)) label.x = std::max(label.x, t.right + kScaleBarClearance);
    return label.x + (a.right - a.left) <= end;
}

}  // namespace

int GridStepMinutes(double s) {
    s = std::fabs(s);
    return s > 10 ? 60 : s > 5 ? 30 : s > 3 ? 20 : s > 1 ? 10 : s > 0.5 ? 6 : 1;
}

std::vector<GridLine> PlanGrid(const MapView& view, int w, int h, const MapTextWidth& textWidth) {
    const MapBounds& b = view.bounds;
    const int first = GridStepMinutes(b.lonMax - b.lonMin);
    std::vector<GridLine> lines;
    for (const int step : kGridSteps) {
        if (step < first) continue;
        lines = PlanGridAt(view, w, h, step);
        if (LabelsApart(lines, textWidth)) break;
    }
    return lines;
}

std::optional<double> ViewWidthKm(const MapView& view, int w, int h) {
    const auto width = MeasureViewWidth(view, w, h);
    if (!width) return std::nullopt;
    return width->km;
}

int MaxTownClass(double widthKm) { return widthKm > 1000 ? 1 : widthKm > 200 ? 2 : 3; }

std::optional<double> ScaleUnitKm(double d) {
    for (const auto& s : kScaleSteps)
        if (d > s[0]) return s[1];
    return std::nullopt;
}

std::optional<ScaleBarPlan> PlanScaleBar(const MapView& view, int w, int h, const MapTextWidth& textWidth) {
    const auto width = MeasureViewWidth(view, w, h);
    const auto first = width ? ScaleUnitKm(width->km) : std::nullopt;
    if (!first) return std::nullopt;
    std::optional<ScaleBarPlan> plan;
    // The list runs from the largest division down.
    for (auto s = std::rbegin(kScaleSteps); s != std::rend(kScaleSteps); ++s) {
        if ((*s)[1] < *first) continue;
        auto bar = ScaleBarAt(view, w, h, (*s)[1], *width);
        if (!bar) break;
        plan = std::move(bar);
        for (const int every : {1, 2, 5})
            if (SpreadScaleLabels(*plan, every, textWidth)) return plan;
    }
    if (plan) plan->drawn = {true, false, false, false, false, false};
    return plan;
}

std::vector<MapPrimitive> BuildMapScene(const MapView& view, const MapContent& content,
                                        const std::vector<MapTown>& towns, const std::vector<BorderPoint>& borders,
                                        MapColor cacheColor, const MapLayers& layers, int w, int h,
                                        const MapTextWidth& textWidth) {
    std::vector<MapPrimitive> scene;
    scene.push_back(Box(MapPrimitive::Rect, 0, 0, w, h, kMapBlack, kMapWhite));
    const auto width = ViewWidthKm(view, w, h);

    if (layers.towns && width) {
        const int maxClass = MaxTownClass(*width);
        std::vector<std::pair<MapPixel, const MapTown*>> shown;
        for (const MapTown& t : towns) {
            if (t.cls > maxClass) continue;
            const MapPixel p = view.ToPixel(t.lat, t.lon, w, h);
            if (p.x < 0 || p.x > w || p.y < 0 || p.y > h) continue;
            const double r = (5 - t.cls) * 3;
            scene.push_back(Box(MapPrimitive::Ellipse, p.x - r, p.y - r, 2 * r, 2 * r, kMapBlack, kMapRed));
            shown.emplace_back(p, &t);
        }
        for (const auto& [p, t] : shown) scene.push_back(Label(p.x, p.y - 20, t->name, 8, true));
    }

    // The scale bar comes last; the grid's labels keep clear of it.
    std::vector<MapPrimitive> scale;
    if (layers.scale) {
        if (const auto bar = PlanScaleBar(view, w, h, textWidth)) {
            const double y0 = h - 10, dw = bar->divisionPx;
            scale.push_back(Box(MapPrimitive::Rect, 45, y0 - 10, 5 * dw, 10, kMapBlack, kMapWhite));
            for (int i : {1, 3})
                scale.push_back(Box(MapPrimitive::Rect, 45 + i * dw, y0 - 10, dw, 10, kMapBlack, kMapBlack));
            // Last and on white: no grid line or town name crosses them.
            for (int i = 0; i <= 5; ++i)
                if (bar->drawn[i])
                    scale.push_back(Label(45 + i * dw, y0 - 30, bar->labels[i], kScaleLabelPoints, true, true));
            scale.push_back(Label(50 + 5 * dw, y0 - 15, bar->unit, kScaleLabelPoints, false, true));
        }
    }
    std::vector<Area> taken;
    for (const MapPrimitive& p : scale) taken.push_back(Extent(p, textWidth));

    if (layers.grid) {
        for (const GridLine& g : PlanGrid(view, w, h, textWidth)) {
            const MapColor c = g.major ? kGridMajor : kGridMinor;
            if (g.meridian) {
                scene.push_back(Line({{g.pixel, g.from}, {g.pixel, g.to}}, c));
                if (g.labelled)
                    scene.push_back(Label(g.pixel + 7, g.from + 1, g.label, kGridLabelPoints, false, true, 90));
            } else {
                scene.push_back(Line({{g.from, g.pixel}, {g.to, g.pixel}}, c));
                MapPrimitive label = Label(g.from + 1, g.pixel - 7, g.label, kGridLabelPoints, false, true);
                if (g.labelled && KeepClearOf(label, taken, std::min<double>(g.to, w), textWidth))
                    scene.push_back(std::move(label));
            }
        }
    }

    std::vector<MapPixel> run;
    for (const BorderPoint& bp : borders) {
        if (bp.move && run.size() > 1) scene.push_back(Line(std::move(run), kMapBlue));
        if (bp.move) run.clear();
        run.push_back(view.ToPixel(bp.lat, bp.lon, w, h));
    }
    if (run.size() > 1) scene.push_back(Line(std::move(run), kMapBlue));

    for (const MapCache& c : content.caches) {
        const MapPixel p = view.ToPixel(c.lat, c.lon, w, h);
        scene.push_back(Box(MapPrimitive::Rect, p.x - 2, p.y - 1, 4, 2, cacheColor, cacheColor));
        scene.push_back(Box(MapPrimitive::Rect, p.x - 1, p.y - 2, 2, 4, cacheColor, cacheColor));
        if (layers.names) scene.push_back(Label(p.x + 2, p.y - 4, c.code.str(), 8));
    }

    if (content.route.size() > 1) {
        std::vector<MapPixel> line;
        for (const LatLon& p : content.route) line.push_back(view.ToPixel(p.lat, p.lon, w, h));
        scene.push_back(Line(std::move(line), kRouteColor));
    }

    scene.insert(scene.end(), scale.begin(), scale.end());
    return scene;
}

}  // namespace tv
