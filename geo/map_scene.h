#pragma once
// What the map draws, as a list of simple primitives in drawing order:
// background, towns, grid, borders, caches, route, scale bar. The window's
// renderer replays them on a QPainter; tests read them directly.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "geo/map_model.h"

namespace tv {

using MapColor = std::uint32_t;  // 0xRRGGBB
inline constexpr MapColor kNoColor = 0xFFFFFFFFu;
inline constexpr MapColor kMapBlack = 0x000000, kMapWhite = 0xFFFFFF, kMapRed = 0xFF0000, kMapBlue = 0x0000FF;
inline constexpr MapColor kRouteColor = 0x808000, kGridMinor = 0xFF4040, kGridMajor = 0xA00000;

struct MapPrimitive {
    enum Kind { Rect, Ellipse, Polyline, Text };
    Kind kind = Rect;
    // Rect / Ellipse: the box, GDI style (the outline lies inside it).
    double x = 0, y = 0, w = 0, h = 0;
    MapColor pen = kNoColor, brush = kNoColor;
    std::vector<MapPixel> points;  // Polyline, in pen colour
    // Text: top-left corner at (x, y) (horizontal centre when `centred`),
    // turned clockwise by `angle` degrees (0 or 90) around that corner.
    std::string text;              // Windows-1252
    int pointSize = 8;
    int angle = 0;
    bool centred = false;
    bool opaque = false;           // white behind the text
};

struct MapLayers {
    bool towns = true, grid = true, scale = true, names = false;
};

// Width in pixels of a text at a point size, in the font the map is painted
// with; the window's renderer measures it.
using MapTextWidth = std::function<double(const std::string& text, int pointSize)>;

// Point sizes of the grid labels and of the scale bar's texts.
inline constexpr int kGridLabelPoints = 8, kScaleLabelPoints = 10;
// Height in pixels of a line of text at a point size, with room to spare: the
// map's font at 4/3 pixels per point is 1.17 times its pixel size high.
inline double MapTextHeight(int pointSize) { return pointSize * 4.0 / 3.0 * 1.25; }

// Grid step in minutes for a longitude span in degrees: the finest the grid
// starts from.
int GridStepMinutes(double lonSpan);

struct GridLine {
    bool meridian = true;
    bool major = false;
    double value = 0;   // degrees
    double pixel = 0;   // x of a meridian, y of a parallel
    // The line's ends: top and bottom y of a meridian, left and right x of a
    // parallel. The label sits at the first.
    double from = 0, to = 0;
    bool labelled = false;
    std::string label;  // FormatDegMinWhole
};
// The grid at the first step from GridStepMinutes upwards (1', 6', 10', 20',
// 30', 1, 2, 5, 10, 15, 30 degrees) at which neighbouring labelled lines lie
// at least the wider label's width apart; the coarsest step when none does.
// Lines cover only the part of the view on the globe (longitude -180..180,
// latitude -90..90); a view beside the globe has none.
std::vector<GridLine> PlanGrid(const MapView& view, int w, int h, const MapTextWidth& textWidth);

// Width of the view in km: the great-circle length of the top edge, pixel 0
// to pixel w-1, while both edges lie on the globe and the top one spans at
// most half of it. Otherwise the length of the same pixels along a parallel
// on the globe: the bar's row (the bottom edge) when it is wider than
// 0.01 km, else the view's row nearest the equator, however narrow (next to
// a pole), and the equator only for a view wholly beyond a pole. Nothing
// when it cannot be computed.
std::optional<double> ViewWidthKm(const MapView& view, int w, int h);
// Largest town class drawn at this view width.
int MaxTownClass(double widthKm);

struct ScaleBarPlan {
    double unitKm = 0;                // one division
    int divisionPx = 0;               // difference of the truncated pixels
    std::vector<std::string> labels;  // six, in metres below 1 km
    std::vector<bool> drawn;          // which of the six labels are written
    std::string unit;                 // "m" or "km"
};
// Division for a view width; nothing at 0.01 km or less.
std::optional<double> ScaleUnitKm(double widthKm);
// The bar at the division for the view's width, measured eastwards on the row
// the width was measured on: along that parallel, or along the great circle
// due east from the bottom edge when the top one was used. Its
// labels are written at every division, every second or the first and last,
// whichever first leaves room between them; when none does, the division
// grows to the next one ScaleUnitKm gives (up to 1000 km), and at 1000 km
// only the 0 is written.
std::optional<ScaleBarPlan> PlanScaleBar(const MapView& view, int w, int h, const MapTextWidth& textWidth);

// The scene. A parallel's label that would touch the scale bar or its texts
// moves east along its line past them, and is left out when it then no
// longer fits in the view.
std::vector<MapPrimitive> BuildMapScene(const MapView& view, const MapContent& content,
                                        const std::vector<MapTown>& towns, const std::vector<BorderPoint>& borders,
                                        MapColor cacheColor, const MapLayers& layers, int w, int h,
                                        const MapTextWidth& textWidth);

}  // namespace tv
