// The map's projection, view changes, data readers, the scene of the start
// view in a 600 x 600 box, and grid and scale labels that keep apart at a
// view over two continents.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "geo/map_model.h"
#include "geo/map_scene.h"
#include "support/records.h"

namespace tv {
namespace {

MapView StartView(int w, int h) {
    MapView v;
    v.bounds = {6, 14, 47, 55};
    v.FitAspect(w, h);
    return v;
}

// The start view zoomed out around Germany as far as the window goes:
// longitude -193.8 .. 213.8, latitude -77 .. 179.
MapView FarView() {
    MapView v = StartView(600, 600);
    while (v.ZoomOut({51, 10})) {
    }
    return v;
}

// About the digit width of the map's font: 0.6 em at 4/3 pixels per point.
double TextWidth(const std::string& text, int pointSize) { return text.size() * pointSize * 0.8; }
// Labels that never crowd: the grid keeps the step of the span.
double NoWidth(const std::string&, int) { return 0; }

// Caches in Germany and North America, the view fitted to them.
MapView WideView(int w, int h) {
    MapContent c;
    const LatLon places[] = {{48.137, 11.575}, {53.55, 9.99},   {50.776, 6.084},  {51.15, 14.99},
                             {49.28, -123.12}, {32.72, -117.16}, {25.76, -80.19}, {44.65, -63.57}};
    for (const LatLon& p : places) c.AddCache(tvtest::CacheRecord("GC1", "", p.lat, p.lon));
    MapView v;
    v.bounds = *c.CacheRange();
    v.FitAspect(w, h);
    return v;
}

std::vector<double> LabelledValues(const std::vector<GridLine>& lines, bool meridians) {
    std::vector<double> out;
    for (const GridLine& g : lines)
        if (g.labelled && g.meridian == meridians) out.push_back(g.value);
    return out;
}

TEST(MapView, FitAspectWidensOneSpanOnce) {
    MapView v = StartView(600, 600);
    EXPECT_NEAR(v.bounds.lonMin, 3.630267, 1e-6);
    EXPECT_NEAR(v.bounds.lonMax, 16.369733, 1e-6);
    EXPECT_EQ(v.bounds.latMin, 47.0);
    EXPECT_EQ(v.bounds.latMax, 55.0);
    const MapBounds once = v.bounds;
    v.FitAspect(600, 600);
    EXPECT_NEAR(v.bounds.lonMin, once.lonMin, 1e-12);
    EXPECT_NEAR(v.bounds.lonMax, once.lonMax, 1e-12);

    const MapView tall = StartView(400, 800);
    EXPECT_NEAR(tall.bounds.latMin, 47 - 1.0238, 1e-4);
    EXPECT_NEAR(tall.bounds.latMax, 55 + 1.0238, 1e-4);
    EXPECT_EQ(tall.bounds.lonMin, 6.0);
}

TEST(MapView, ProjectionZoomAndPan) {
    MapView v = StartView(600, 600);
    const MapPixel corner = v.ToPixel(55, v.bounds.lonMin, 600, 600);
    EXPECT_EQ(corner.x, 0);
    EXPECT_EQ(corner.y, 0);
    const LatLon back = v.ToGeo(374, 514, 600, 600);
    const MapPixel again = v.ToPixel(back.lat, back.lon, 600, 600);
    EXPECT_LE(std::abs(again.x - 374) + std::abs(again.y - 514), 1);

    const MapBounds before = v.bounds;
    ASSERT_TRUE(v.ZoomOut({50, 10}));
    ASSERT_TRUE(v.ZoomIn({50, 10}));
    EXPECT_NEAR(v.bounds.lonMax - v.bounds.lonMin, before.lonMax - before.lonMin, 1e-12);
    EXPECT_NEAR(v.bounds.latMax - v.bounds.latMin, before.latMax - before.latMin, 1e-12);

    MapView tiny;
    tiny.bounds = {10, 10.0003, 50, 50.0002};
    EXPECT_FALSE(tiny.ZoomIn({50, 10}));
    int outs = 0;
    while (v.ZoomOut({50, 10}) && outs < 100) ++outs;
    EXPECT_LT(outs, 10);  // stops at the globe

    MapView p;
    p.Pan(-1, 1);  // north-west
    EXPECT_EQ(p.bounds, (MapBounds{4, 12, 49, 57}));
}

TEST(MapGrid, StepsLinesAndLabels) {
    EXPECT_EQ(GridStepMinutes(4), 20);
    EXPECT_EQ(GridStepMinutes(0.7), 6);
    EXPECT_EQ(GridStepMinutes(0.4), 1);
    MapView v = StartView(600, 600);
    std::vector<double> mx, py;
    std::vector<double> labelledM, labelledP;
    for (const GridLine& g : PlanGrid(v, 600, 600, TextWidth)) {
        EXPECT_TRUE(g.major);
        (g.meridian ? mx : py).push_back(g.pixel);
        if (g.labelled) (g.meridian ? labelledM : labelledP).push_back(g.value);
    }
    EXPECT_EQ(mx, (std::vector<double>{17, 64, 111, 158, 205, 252, 300, 347, 394, 441, 488, 535, 582, 629}));
    EXPECT_EQ(labelledM.front(), 5);
    EXPECT_EQ(py, (std::vector<double>{525, 450, 375, 300, 225, 150, 75, 0}));
    EXPECT_EQ(labelledP, (std::vector<double>{48, 49, 50, 51, 52, 53, 54}));

    MapView south;
    south.bounds = {150.2, 150.6, -33.5, -32.9};  // trunc would start after -33
    const auto lines = PlanGrid(south, 400, 400, NoWidth);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const GridLine& g) {
        return !g.meridian && g.major && g.value == -33.0;
    }));
    const auto twenty = PlanGrid([] { MapView m; m.bounds = {8, 12, 48, 50}; return m; }(), 400, 400, NoWidth);
    EXPECT_EQ(std::count_if(twenty.begin(), twenty.end(), [](const GridLine& g) { return g.meridian && g.major; }),
              4);  // 9, 10, 11, 12 of 12 lines

    // Zoomed out to the limit: 30 degree lines on the globe only.
    std::vector<double> farM, farP;
    for (const GridLine& g : PlanGrid(FarView(), 600, 600, TextWidth)) (g.meridian ? farM : farP).push_back(g.value);
    EXPECT_EQ(farM, (std::vector<double>{-150, -120, -90, -60, -30, 0, 30, 60, 90, 120, 150, 180}));
    EXPECT_EQ(farP, (std::vector<double>{-60, -30, 0, 30, 60, 90}));
}

TEST(MapScale, UnitsAndTheStartViewBar) {
    EXPECT_EQ(ScaleUnitKm(250), 10);
    EXPECT_EQ(ScaleUnitKm(300), 10);
    EXPECT_EQ(ScaleUnitKm(2), 0.1);
    EXPECT_FALSE(ScaleUnitKm(0.01));
    const MapView v = StartView(600, 600);
    EXPECT_NEAR(*ViewWidthKm(v, 600, 600), 810, 10);
    EXPECT_EQ(MaxTownClass(810), 2);
    EXPECT_EQ(MaxTownClass(1000.1), 1);
    const auto bar = PlanScaleBar(v, 600, 600, TextWidth);
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->unitKm, 30);
    EXPECT_EQ(bar->divisionPx, 18);
    EXPECT_EQ(bar->labels, (std::vector<std::string>{"0", "30", "60", "90", "120", "150"}));
    EXPECT_EQ(bar->unit, "km");
    MapView narrow;
    narrow.bounds = {11.57, 11.57 + 2.0 / 74.4, 48.1, 48.2};
    const auto m = PlanScaleBar(narrow, 600, 600, TextWidth);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->labels.back() + m->unit, "500m");

    // Across the date line the divisions keep their width.
    MapView east = v;
    east.bounds.lonMin += 176.3, east.bounds.lonMax += 176.3;
    EXPECT_EQ(PlanScaleBar(east, 600, 600, TextWidth)->divisionPx, 18);
    // Beyond the pole the width is taken along the bar's row, 77 degrees
    // south: 10180 km over 599 pixels, 1000 km of them on that row too.
    const MapView far = FarView();
    EXPECT_NEAR(*ViewWidthKm(far, 600, 600), 10180, 1);
    const auto farBar = PlanScaleBar(far, 600, 600, TextWidth);
    ASSERT_TRUE(farBar);
    EXPECT_EQ(farBar->unitKm, 1000);
    EXPECT_EQ(farBar->divisionPx, static_cast<int>(599 * 1000 / *ViewWidthKm(far, 600, 600)));
    // Zoomed in on the pole as far as the window goes, the rows are under 10 m wide: no bar.
    MapView pole = v;
    while (pole.ZoomIn({90, 10})) continue;
    EXPECT_FALSE(PlanScaleBar(pole, 600, 600, TextWidth));
}

TEST(MapScene, StartViewPrimitives) {
    const MapView v = StartView(600, 600);
    MapContent content;
    content.AddCache(tvtest::CacheRecord("GC1", std::string(120, 'n'), 50, 10));
    EXPECT_EQ(content.caches[0].name.size(), 80u);
    content.route = {{48, 9}, {49, 10}};
    const std::vector<MapTown> towns = {{48.137, 11.575, 1, "M\xFCnchen"}, {52.52, 13.405, 2, "Berlin"},
                                        {50.0, 8.0, 3, "Klein"}};
    const std::vector<BorderPoint> borders = {{47.5f, 7.5f, true}, {47.6f, 9.0f, false}};
    const auto scene = BuildMapScene(v, content, towns, borders, kMapBlack, MapLayers{}, 600, 600, TextWidth);
    std::vector<const MapPrimitive*> ellipses, texts;
    for (const MapPrimitive& p : scene) {
        if (p.kind == MapPrimitive::Ellipse) ellipses.push_back(&p);
        if (p.kind == MapPrimitive::Text) texts.push_back(&p);
    }
    ASSERT_EQ(ellipses.size(), 2u);  // class 3 is left out at 810 km
    EXPECT_EQ(ellipses[0]->x + 12, 374);
    EXPECT_EQ(ellipses[0]->y + 12, 514);
    EXPECT_EQ(ellipses[1]->x + 9, 460);
    EXPECT_EQ(ellipses[1]->y + 9, 185);
    EXPECT_EQ(texts[0]->text, "M\xFCnchen");
    const auto unit = std::find_if(texts.begin(), texts.end(), [](const MapPrimitive* p) { return p->text == "km"; });
    ASSERT_NE(unit, texts.end());
    EXPECT_EQ((*unit)->x, 140);
    EXPECT_EQ((*unit)->y, 575);
    const MapPrimitive& barFrame = *std::find_if(scene.begin(), scene.end(), [](const MapPrimitive& p) {
        return p.kind == MapPrimitive::Rect && p.x == 45;
    });
    EXPECT_EQ(barFrame.w, 90);
    EXPECT_EQ(barFrame.y, 580);
    const auto rotated = std::count_if(texts.begin(), texts.end(), [](const MapPrimitive* p) { return p->angle == 90; });
    EXPECT_EQ(rotated, 13);  // meridians 5 .. 17
}

TEST(MapLegibility, GridAndScaleAtAWideAndTheStartView) {
    // 10 degrees are 43 pixels, narrower than "-110° 0´"; 15 are 65.
    const MapView wide = WideView(600, 600);
    const auto lines = PlanGrid(wide, 600, 600, TextWidth);
    EXPECT_EQ(LabelledValues(lines, true), (std::vector<double>{-105, -90, -75, -60, -45, -30, -15, 0, 15, 30}));
    EXPECT_EQ(LabelledValues(lines, false), (std::vector<double>{0, 15, 30, 45, 60, 75}));
    const auto stepAt = [&](double width) {
        const auto v = LabelledValues(PlanGrid(wide, 600, 600, [=](const std::string&, int) { return width; }), true);
        return v.at(1) - v.at(0);
    };
    EXPECT_EQ(stepAt(0), 1);
    EXPECT_EQ(stepAt(20), 5);
    EXPECT_EQ(stepAt(1000), 30);  // none fits: the coarsest
    // Whole minutes 20 pixels apart grow to six.
    MapView city;
    city.bounds = {10, 10.4, 50, 50.3};
    city.FitAspect(600, 600);
    const auto minutes = LabelledValues(PlanGrid(city, 600, 600, TextWidth), true);
    EXPECT_NEAR(minutes.at(1) - minutes.at(0), 0.1, 1e-9);
    // The start view keeps its whole degrees.
    const MapView start = StartView(600, 600);
    const auto now = PlanGrid(start, 600, 600, TextWidth), degrees = PlanGrid(start, 600, 600, NoWidth);
    ASSERT_EQ(now.size(), degrees.size());
    for (std::size_t i = 0; i < now.size(); ++i) EXPECT_EQ(now[i].pixel, degrees[i].pixel);

    // Scale: 100 km are 3 pixels at the wide view's southern edge; 300 km
    // (11 pixels) leave room for the first and last label.
    const auto wideBar = PlanScaleBar(wide, 600, 600, TextWidth);
    const auto crowded = PlanScaleBar(wide, 600, 600, [](const std::string&, int) { return 500.0; });
    ASSERT_TRUE(wideBar && crowded);
    EXPECT_EQ(wideBar->unitKm, 300);
    EXPECT_EQ(wideBar->drawn, (std::vector<bool>{true, false, false, false, false, true}));
    EXPECT_EQ(crowded->unitKm, 1000);
    EXPECT_EQ(crowded->drawn, (std::vector<bool>{true, false, false, false, false, false}));
    // At the start view the 30 km divisions of 18 pixels stay, with every
    // second label.
    const auto scene = BuildMapScene(start, MapContent{}, {}, {}, kMapBlack, MapLayers{}, 600, 600, TextWidth);
    std::vector<std::pair<double, std::string>> texts;
    for (const MapPrimitive& p : scene)
        if (p.kind == MapPrimitive::Text && p.pointSize == kScaleLabelPoints) texts.emplace_back(p.x, p.text);
    EXPECT_EQ(texts, (std::vector<std::pair<double, std::string>>{{45, "0"}, {81, "60"}, {117, "120"}, {140, "km"}}));
    // They come last, on white.
    for (auto p = scene.rbegin(); p != scene.rbegin() + 4; ++p) EXPECT_TRUE(p->kind == MapPrimitive::Text && p->opaque);

    // At the farthest view the grid and its labels start at the pole (y 208)
    // and the date line (x 20) and end at the other (x 550); the bar is drawn.
    // The parallel -60 (y 560) has its label moved east past the bar's "5000" (32 px at 45 + 5 * 58).
    bool bar = false;
    for (const MapPrimitive& p : BuildMapScene(FarView(), {}, {}, {}, kMapBlack, MapLayers{}, 600, 600, TextWidth)) {
        for (const MapPixel& q : p.points) EXPECT_TRUE(q.x >= 20 && q.x <= 550 && q.y >= 208 && q.y <= 600);
        bar |= p.kind == MapPrimitive::Rect && p.x == 45 && p.w == 5 * 58;
        if (p.kind != MapPrimitive::Text || p.pointSize != kGridLabelPoints) continue;
        if (!p.angle && p.text == "-60\xB0 0\xB4") {
            EXPECT_GT(p.x, 45 + 5 * 58 + 16);
            EXPECT_EQ(p.y, 553);
        } else {
            EXPECT_EQ(p.angle ? p.y : p.x, p.angle ? 209 : 21);
        }
    }
    EXPECT_TRUE(bar);
}

TEST(MapData, ReadersAndRemovals) {
    const std::string rec = std::string("\x00\x00\x40\x42\x00\x00\x30\x41\x00\x00\x00\x00", 12);
    const std::string move = std::string("\x00\x00\x40\x42\x00\x00\x30\x41\xFF\x00\x00\x00", 12);
    const std::string nan = std::string("\x00\x00\xC0\x7F\x00\x00\x30\x41\x00\x00\x00\x00", 12);
    const auto b = ReadBorders(rec + move + rec + nan + rec + "x");
    ASSERT_EQ(b.size(), 4u);
    EXPECT_EQ(b[0].lat, 48.0f);
    EXPECT_EQ(b[0].lon, 11.0f);
    EXPECT_TRUE(b[0].move);  // the first point starts a line whatever its flag
    EXPECT_TRUE(b[1].move);
    EXPECT_FALSE(b[2].move);
    EXPECT_TRUE(b[3].move);  // after the dropped point

    const auto t = ReadTowns("lat;lon;class;name\r\n52.52;13.40;1;A;B\r\n48,1;11;1;X\n48;11;0;Null\n48;11;4;Vier\n"
                             "48.137;11.575;3;M\xFCnchen\r\n");
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].name, "A;B");
    EXPECT_EQ(t[1].name, "M\xFCnchen");
    EXPECT_EQ(t[1].cls, 3);

    MapContent c;
    for (const char* code : {"GCA", "GCB", "GCC"}) c.AddCache(tvtest::CacheRecord(code, "", 50, code[2] == 'C' ? 11 : 10));
    EXPECT_EQ(c.NearestCache({50.1, 10}), 0u);  // tie: the first wins
    c.RemoveCache(0);
    EXPECT_EQ(c.NearestCache({50.1, 10}), 0u);
    EXPECT_EQ(c.caches[0].code, "GCB");
    EXPECT_EQ(c.removed, (std::vector<std::string>{"GCA"}));
    EXPECT_EQ(*c.CacheRange(), (MapBounds{10 - 1.0 / 30, 11 + 1.0 / 30, 50 - 1.0 / 30, 50 + 1.0 / 30}));
    EXPECT_FALSE(MapContent{}.NearestCache({50, 10}));
}

}  // namespace
}  // namespace tv
