#pragma once
// The map window: caches, a route, towns, borders, grid and scale bar on a
// paint box. Callers fill the cache and route lists, set the view and show
// it modally; after OK they read the codes the user removed. Left click
// zooms in, right click out, Shift+left click (or with "Cacheinfo bei
// Mausklick") shows the nearest cache, whose minus button takes it off the
// map.
#include <QColor>
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "core/cache_rec.h"
#include "geo/map_model.h"
#include "geo/map_scene.h"

class QCheckBox;
class QGroupBox;
class QPushButton;
class QToolButton;

namespace tv {

class MapCanvas;

class TfrmMap : public QDialog {
    Q_OBJECT

public:
    TfrmMap();
    ~TfrmMap() override;

    MapCanvas* PaintBox = nullptr;
    QToolButton* btnLeft = nullptr;
    QToolButton* btnRight = nullptr;
    QToolButton* btnUp = nullptr;
    QToolButton* btnDown = nullptr;
    QToolButton* SpeedButton1 = nullptr;  // north-west
    QToolButton* SpeedButton2 = nullptr;  // south-west
    QToolButton* SpeedButton3 = nullptr;  // north-east
    QToolButton* SpeedButton4 = nullptr;  // south-east
    QToolButton* SpeedButton5 = nullptr;  // home view
    QCheckBox* cbCacheinfo = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* cbNames = nullptr;
    QCheckBox* cbScale = nullptr;
    QCheckBox* cbCoord = nullptr;
    QCheckBox* cbTowns = nullptr;
    QPushButton* btnZoomCacheRange = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* Abbrechen = nullptr;

    // Pen colour of the cache marks (black after creation).
    QColor CacheColor = Qt::black;
    // Shows a record in the details window (minus button shown) over `over`
    // and returns its modal result; set by the owner.
    std::function<int(const TCacheRec& rec, QWidget& over)> ShowCacheDetails;

    void ClearCacheList();
    void ClearRouteList();
    // Adds the cache of the code from the database; an unknown code adds nothing.
    void AddCacheByWaypoint(const std::string& code);
    // Route points in order; `index` is the point's number in the caller's list.
    void AddRoutePoint(int index, double lat, double lon);
    // The view the next showing starts with (and its home view).
    void SetView(const MapBounds& bounds);
    const MapView& View() const { return view_; }
    const MapContent& Content() const { return content_; }
    // Codes the user removed since the window was shown.
    const std::vector<std::string>& RemovedList() const { return content_.removed; }

    void FormShow();
    void FormHide();
    void Pan(int dx, int dy);
    void ShowCacheInfoAt(LatLon p);
    void LoadTowns();
    void btnZoomCacheRangeClick();
    void SpeedButton5Click();
    void cbCacheinfoClick();

    // Paint-box events, in paint-box pixels.
    void PaintBoxPaint(QPainter& painter, int w, int h);
    void PaintBoxMouseMove(int x, int y);
    void PaintBoxMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    std::string dataPath(const char* name) const;
    MapLayers layers() const;

    MapView view_;
    MapBounds home_;
    MapContent content_;
    std::vector<MapTown> towns_;
    std::vector<BorderPoint> borders_;
};

// The paint box: paints through its window and hands the mouse over.
class MapCanvas : public QWidget {
    Q_OBJECT

public:
    explicit MapCanvas(TfrmMap* owner);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TfrmMap* owner_;
};

}  // namespace tv
