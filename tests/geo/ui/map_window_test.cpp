// The map painted into an image (colours at known places and the reference
// picture), grid and scale labels apart in the map's own font, and the map
// window's wiring: clicks, buttons, the details window and the removed list.
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QPushButton>
#include <QToolButton>

#include <QImage>
#include <QPainter>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "geo/ui/frm_map.h"
#include "geo/ui/map_renderer.h"
#include "platform/ui/modal_result.h"
#include "support/fakes.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

constexpr int kSize = 600;

QImage RenderFixture() {
    MapView view;
    view.FitAspect(kSize, kSize);
    MapContent content;
    TCacheRec a = tvtest::CacheRecord("GCA", "A", 49.3, 9.5), b = tvtest::CacheRecord("GCB", "B", 51.2, 12.3);
    content.AddCache(a);
    content.AddCache(b);
    content.route = {{48.5, 5.2}, {48.5, 7.3}, {49.5, 7.3}};
    const std::vector<MapTown> towns = {{48.137, 11.575, 1, "M\xFCnchen"}};
    const std::vector<BorderPoint> borders = {
        {50.5f, 6.5f, true}, {50.5f, 8.5f, false}, {53.0f, 6.5f, true}, {53.5f, 8.0f, false}};
    QImage image(kSize, kSize, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QPainter p(&image);
    PaintMapScene(p, BuildMapScene(view, content, towns, borders, kMapBlack, MapLayers{}, kSize, kSize,
                                      MapTextMeasure()));
    return image;
}

TEST(MapPicture, ColoursAtKnownPlacesAndTheReference) {
    const QImage img = RenderFixture();
    const auto at = [&](int x, int y) { return img.pixel(x, y) & 0xFFFFFF; };
    EXPECT_EQ(at(150, 320), 0xFFFFFFu);  // inside
    EXPECT_EQ(at(0, 320), 0x000000u);    // frame
    EXPECT_EQ(at(599, 320), 0x000000u);
    EXPECT_EQ(at(374, 514), 0xFF0000u);  // Munich
    EXPECT_EQ(at(182, 337), 0x0000FFu);  // border segment
    EXPECT_EQ(at(123, 487), 0x808000u);  // route
    EXPECT_EQ(at(276, 427), 0x000000u);  // cache mark
    EXPECT_EQ(at(408, 285), 0x000000u);
    for (int x : {54, 90, 126}) EXPECT_EQ(at(x, 585), 0xFFFFFFu) << x;  // scale divisions 1, 3, 5
    for (int x : {72, 108}) EXPECT_EQ(at(x, 585), 0x000000u) << x;      // 2 and 4
    MapView view;
    view.FitAspect(kSize, kSize);
    const GridLine ten = PlanGrid(view, kSize, kSize, MapTextMeasure())[6];
    ASSERT_EQ(ten.value, 10);
    EXPECT_EQ(at(static_cast<int>(ten.pixel), 250), 0xA00000u);

    // The whole picture against its reference; texts may differ by a few
    // pixels between font versions. TV_REGENERATE_GOLDEN=1 writes it anew.
    const std::string reference = (tvtest::Fixture("map") / "start_view.png").string();
    if (std::getenv("TV_REGENERATE_GOLDEN")) {
        ASSERT_TRUE(img.save(QString::fromStdString(reference)));
    }
    QImage ref(QString::fromStdString(reference));
    ASSERT_EQ(ref.size(), img.size());
    ref = ref.convertToFormat(QImage::Format_RGB32);
    int differing = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const QRgb a = img.pixel(x, y), b = ref.pixel(x, y);
            differing += std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                   std::abs(qBlue(a) - qBlue(b))}) > 48;
        }
    EXPECT_LT(differing, kSize * kSize / 100);
}

TEST(MapPicture, LabelsKeepApartInTheMapFontAtAWideAndTheStartView) {
    const MapTextWidth width = MapTextMeasure();
    MapView wide;  // caches in Germany and North America, the view fitted to them
    wide.bounds = {-123.12 - 1.0 / 30, 14.99 + 1.0 / 30, 25.76 - 1.0 / 30, 53.55 + 1.0 / 30};
    wide.FitAspect(kSize, kSize);
    MapView start;
    start.FitAspect(kSize, kSize);
    for (const MapView& view : {wide, start}) {
        // Neighbouring labelled lines lie at least the wider label's width apart.
        std::map<bool, const GridLine*> before;
        for (const GridLine& g : PlanGrid(view, kSize, kSize, width)) {
            if (!g.labelled) continue;
            if (const GridLine* b = before[g.meridian]) {
                EXPECT_GE(std::abs(g.pixel - b->pixel), std::max(width(g.label, 8), width(b->label, 8))) << g.label;
            }
            before[g.meridian] = &g;
        }
        // The scale labels written do not touch.
        const auto bar = PlanScaleBar(view, kSize, kSize, width);
        ASSERT_TRUE(bar);
        double end = -1e9;
        for (int i = 0; i <= 5; ++i) {
            if (!bar->drawn[i]) continue;
            const double half = width(bar->labels[i], kScaleLabelPoints) / 2, centre = 45 + i * bar->divisionPx;
            EXPECT_LT(end, centre - half) << bar->labels[i];
            end = centre + half;
        }
    }
    // The start view keeps its whole degrees: meridians 5 to 18, parallels 48 to 55.
    std::vector<double> startPixels;
    for (const GridLine& g : PlanGrid(start, kSize, kSize, width)) startPixels.push_back(g.pixel);
    EXPECT_EQ(startPixels, (std::vector<double>{17, 64, 111, 158, 205, 252, 300, 347, 394, 441, 488, 535, 582, 629,
                                                525, 450, 375, 300, 225, 150, 75, 0}));

    // Painted: the wide view's meridians cross the middle row where the plan puts them.
    std::vector<int> planned, painted;
    for (const GridLine& g : PlanGrid(wide, kSize, kSize, width))
        if (g.meridian && g.pixel >= 0 && g.pixel < kSize) planned.push_back(static_cast<int>(g.pixel));
    QImage image(kSize, kSize, QImage::Format_RGB32);
    QPainter p(&image);
    PaintMapScene(p, BuildMapScene(wide, MapContent{}, {}, {}, kMapBlack, MapLayers{}, kSize, kSize, width));
    p.end();
    for (int x = 0; x < kSize; ++x)
        if ((image.pixel(x, 300) & 0xFFFFFF) == kGridMajor) painted.push_back(x);
    EXPECT_EQ(painted, planned);
    EXPECT_LE(planned.size(), 12u);
}

struct MapWindow : ::testing::Test {
    MapWindow() {
        work.writeCaches({tvtest::CacheRecord("GCA", "A", 50.0, 10.0), tvtest::CacheRecord("GCB", "B", 50.0, 10.5)});
        work.write("german_towns.csv", "50.5;10.2;1;Stadt\r\n");
        map.SetView({9, 11.5, 49, 51});
        map.AddCacheByWaypoint("GCA");
        map.AddCacheByWaypoint("gcb");
        map.AddCacheByWaypoint("GCX");
    }
    QPoint PixelOf(double lat, double lon) {
        const MapPixel p = map.View().ToPixel(lat, lon, map.PaintBox->width(), map.PaintBox->height());
        return {static_cast<int>(p.x), static_cast<int>(p.y)};
    }

    tvtest::WorkFolder work;
    platform::ScopedFakes fakes;
    TfrmMap map;
};

TEST_F(MapWindow, ClicksButtonsAndRemovals) {
    map.show();
    ASSERT_EQ(map.Content().caches.size(), 2u);
    map.PaintBox->grab();
    map.PaintBox->grab();
    // borders.bin is missing: said once, not at every repaint.
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_NE(fakes.messages.shown[0].text.find("borders.bin"), std::string::npos);

    std::vector<std::string> shown;
    map.ShowCacheDetails = [&](const TCacheRec& rec, QWidget&) {
        shown.push_back(rec.Waypoint.str());
        return int(mrNo);
    };
    QTest::mouseClick(map.PaintBox, Qt::LeftButton, Qt::ShiftModifier, PixelOf(50.0, 10.45));
    EXPECT_EQ(shown, (std::vector<std::string>{"GCB"}));
    EXPECT_EQ(map.RemovedList(), (std::vector<std::string>{"GCB"}));
    ASSERT_EQ(map.Content().caches.size(), 1u);

    const double span = map.View().bounds.lonMax - map.View().bounds.lonMin;
    QTest::mouseClick(map.PaintBox, Qt::LeftButton, Qt::NoModifier, PixelOf(50.0, 10.0));
    EXPECT_NEAR(map.View().bounds.lonMax - map.View().bounds.lonMin, span / 2, 1e-9);
    EXPECT_EQ(shown.size(), 1u);
    QTest::mouseClick(map.PaintBox, Qt::RightButton, Qt::NoModifier, PixelOf(50.0, 10.0));
    EXPECT_NEAR(map.View().bounds.lonMax - map.View().bounds.lonMin, span, 1e-9);

    const MapBounds before = map.View().bounds;
    map.SpeedButton1->click();
    EXPECT_NEAR(map.View().bounds.lonMin, before.lonMin - span / 4, 1e-9);
    EXPECT_GT(map.View().bounds.latMin, before.latMin);
    map.SpeedButton5->click();
    EXPECT_EQ(map.View().bounds.lonMin, 9.0);

    map.cbCacheinfo->setChecked(true);
    QTest::mouseClick(map.PaintBox, Qt::LeftButton, Qt::NoModifier, PixelOf(50.0, 10.0));
    EXPECT_EQ(map.RemovedList(), (std::vector<std::string>{"GCB", "GCA"}));
    map.PaintBoxMouseMove(PixelOf(50.0, 10.0).x(), PixelOf(50.0, 10.0).y());
    EXPECT_NE(map.windowTitle(), QStringLiteral("Map"));  // the position under the pointer
    map.btnOK->click();
    EXPECT_EQ(map.result(), mrOk);
    map.show();
    EXPECT_EQ(map.windowTitle(), QStringLiteral("Map"));
    EXPECT_TRUE(map.RemovedList().empty());
    EXPECT_FALSE(map.cbCacheinfo->isChecked());
}

}  // namespace
}  // namespace tv
