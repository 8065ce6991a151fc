#pragma once
// Paints the map's scene onto any QPainter (the window's canvas, or a QImage
// in tests). Texts use DejaVu Sans at pixel sizes fixed for 96 dpi, so a
// picture looks the same on every machine that has the font.
#include <vector>

#include "geo/map_scene.h"

class QPainter;

namespace tv {

void PaintMapScene(QPainter& painter, const std::vector<MapPrimitive>& scene);
// Widths of texts as PaintMapScene writes them.
MapTextWidth MapTextMeasure();

}  // namespace tv
