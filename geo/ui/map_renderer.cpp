#include "geo/ui/map_renderer.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include "platform/ui/qt_text.h"

namespace tv {

namespace {

QColor Color(MapColor c) { return QColor::fromRgb((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

// Far-off points (a zoomed-in view of a long route) stay within what the
// raster engine handles; the painter clips them anyway. A record with a
// broken coordinate lands off the picture.
double Clamp(double v) { return std::isnan(v) ? -1e6 : std::clamp(v, -1e6, 1e6); }

void SetPen(QPainter& p, MapColor c) {
    if (c == kNoColor) {
        p.setPen(Qt::NoPen);
        return;
    }
    QPen pen(Color(c));
    pen.setWidth(0);
    p.setPen(pen);
}

QFont MapFont(int pointSize) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(static_cast<int>(std::lround(pointSize * 96.0 / 72.0)));
    return font;
}

void PaintText(QPainter& p, const MapPrimitive& t) {
    const QFont font = MapFont(t.pointSize);
    p.setFont(font);
    const QString text = ToQ(t.text);
    const QFontMetricsF fm(font);
    const double width = fm.horizontalAdvance(text), height = fm.height();
    p.save();
    p.translate(Clamp(t.x), Clamp(t.y));
    p.rotate(t.angle);
    const QRectF box(t.centred ? -width / 2 : 0, 0, width, height);
    if (t.opaque) p.fillRect(box, Qt::white);
    SetPen(p, t.pen == kNoColor ? kMapBlack : t.pen);
    p.drawText(box.adjusted(0, 0, 2, 0), Qt::AlignLeft | Qt::AlignTop, text);
    p.restore();
}

}  // namespace

MapTextWidth MapTextMeasure() {
    // The grid measures many labels in two sizes: one metrics object per size.
    auto metrics = std::make_shared<std::map<int, QFontMetricsF>>();
    return [metrics](const std::string& text, int pointSize) {
        auto m = metrics->find(pointSize);
        if (m == metrics->end()) m = metrics->emplace(pointSize, QFontMetricsF(MapFont(pointSize))).first;
        return m->second.horizontalAdvance(ToQ(text));
    };
}

void PaintMapScene(QPainter& p, const std::vector<MapPrimitive>& scene) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    for (const MapPrimitive& m : scene) {
        const QRectF box(Clamp(m.x), Clamp(m.y), std::min(m.w, 2e6), std::min(m.h, 2e6));
        switch (m.kind) {
            case MapPrimitive::Rect:
                if (m.brush != kNoColor) p.fillRect(box, Color(m.brush));
                if (m.pen != kNoColor && m.w > 1 && m.h > 1) {
                    SetPen(p, m.pen);
                    p.setBrush(Qt::NoBrush);
                    p.drawRect(box.adjusted(0, 0, -1, -1));
                }
                break;
            case MapPrimitive::Ellipse:
                SetPen(p, m.pen);
                if (m.brush != kNoColor)
                    p.setBrush(Color(m.brush));
                else
                    p.setBrush(Qt::NoBrush);
                p.drawEllipse(box.adjusted(0, 0, -1, -1));
                break;
            case MapPrimitive::Polyline: {
                QPolygonF line;
                line.reserve(static_cast<qsizetype>(m.points.size()));
                for (const MapPixel& pt : m.points) line << QPointF(Clamp(pt.x), Clamp(pt.y));
                SetPen(p, m.pen);
                p.drawPolyline(line);
                break;
            }
            case MapPrimitive::Text: PaintText(p, m); break;
        }
    }
    p.restore();
}

}  // namespace tv
