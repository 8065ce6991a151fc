#include "geo/ui/frm_map.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "geo/ui/map_renderer.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/form_events.h"

namespace tv {

namespace {

QToolButton* Arrow(QWidget* parent, const char* name, Qt::ArrowType arrow, const char* text = nullptr) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    if (text)
        b->setText(QString::fromUtf8(text));
    else
        b->setArrowType(arrow);
    b->setFixedSize(28, 28);
    return b;
}

QCheckBox* Box(QWidget* parent, const char* name, const char* text, bool checked) {
    auto* c = new QCheckBox(ToQ(W(text)), parent);
    c->setObjectName(name);
    c->setChecked(checked);
    return c;
}

}  // namespace

MapCanvas::MapCanvas(TfrmMap* owner) : QWidget(owner), owner_(owner) {
    setObjectName("PaintBox");
    setMouseTracking(true);
    setToolTip(QStringLiteral("Linksklick=Zoom in, Rechtsklick=Zoom out, Shift-Linksklick=Cacheinfo"));
    setMinimumSize(200, 200);
}

void MapCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    owner_->PaintBoxPaint(p, width(), height());
}

void MapCanvas::mouseMoveEvent(QMouseEvent* event) {
    owner_->PaintBoxMouseMove(static_cast<int>(event->position().x()), static_cast<int>(event->position().y()));
}

void MapCanvas::mouseReleaseEvent(QMouseEvent* event) {
    owner_->PaintBoxMouseUp(event->button(), event->modifiers(), static_cast<int>(event->position().x()),
                            static_cast<int>(event->position().y()));
}

TfrmMap::TfrmMap() : QDialog(nullptr) {
    setObjectName("frmMap");
    setWindowTitle(QStringLiteral("Map"));
    setMinimumSize(450, 400);
    PaintBox = new MapCanvas(this);

    auto* side = new QWidget(this);
    btnUp = Arrow(side, "btnUp", Qt::UpArrow);
    btnDown = Arrow(side, "btnDown", Qt::DownArrow);
    btnLeft = Arrow(side, "btnLeft", Qt::LeftArrow);
    btnRight = Arrow(side, "btnRight", Qt::RightArrow);
    SpeedButton1 = Arrow(side, "SpeedButton1", Qt::NoArrow, "↖");
    SpeedButton3 = Arrow(side, "SpeedButton3", Qt::NoArrow, "↗");
    SpeedButton4 = Arrow(side, "SpeedButton4", Qt::NoArrow, "↘");
    SpeedButton2 = Arrow(side, "SpeedButton2", Qt::NoArrow, "↙");
    SpeedButton5 = Arrow(side, "SpeedButton5", Qt::NoArrow, "o");
    SpeedButton5->setToolTip(QStringLiteral("Gesamtansicht"));
    auto* pad = new QGridLayout;
    pad->addWidget(SpeedButton1, 0, 0);
    pad->addWidget(btnUp, 0, 1);
    pad->addWidget(SpeedButton3, 0, 2);
    pad->addWidget(btnLeft, 1, 0);
    pad->addWidget(SpeedButton5, 1, 1);
    pad->addWidget(btnRight, 1, 2);
    pad->addWidget(SpeedButton2, 2, 0);
    pad->addWidget(btnDown, 2, 1);
    pad->addWidget(SpeedButton4, 2, 2);

    cbCacheinfo = Box(side, "cbCacheinfo", "Cacheinfo bei Mausklick", false);
    GroupBox1 = new QGroupBox(QStringLiteral("In Karte einblenden"), side);
    GroupBox1->setObjectName("GroupBox1");
    cbNames = Box(GroupBox1, "cbNames", "WP-Namen", false);
    cbScale = Box(GroupBox1, "cbScale", "Maßstab", true);
    cbCoord = Box(GroupBox1, "cbCoord", "Koordinatengitter", true);
    cbTowns = Box(GroupBox1, "cbTowns", "Städte", true);
    auto* layers = new QVBoxLayout(GroupBox1);
    for (QCheckBox* c : {cbNames, cbScale, cbCoord, cbTowns}) layers->addWidget(c);
    btnZoomCacheRange = new QPushButton(QStringLiteral("auf Cachebereich zoomen"), side);
    btnZoomCacheRange->setObjectName("btnZoomCacheRange");
    btnOK = new QPushButton(QStringLiteral("OK"), side);
    btnOK->setObjectName("btnOK");
    Abbrechen = new QPushButton(QStringLiteral("Abbrechen"), side);
    Abbrechen->setObjectName("Abbrechen");
    for (QPushButton* b : {btnZoomCacheRange, btnOK, Abbrechen}) b->setAutoDefault(false);

    auto* column = new QVBoxLayout(side);
    column->addLayout(pad);
    column->addWidget(cbCacheinfo);
    column->addWidget(GroupBox1);
    column->addWidget(btnZoomCacheRange);
    column->addStretch(1);
    column->addWidget(btnOK);
    column->addWidget(Abbrechen);
    auto* outer = new QHBoxLayout(this);
    outer->addWidget(PaintBox, 1);
    outer->addWidget(side);
    resize(820, 640);

    const std::pair<QToolButton*, std::pair<int, int>> pans[] = {
        {btnLeft, {-1, 0}},      {btnRight, {1, 0}},      {btnUp, {0, 1}},         {btnDown, {0, -1}},
        {SpeedButton1, {-1, 1}}, {SpeedButton3, {1, 1}}, {SpeedButton4, {1, -1}}, {SpeedButton2, {-1, -1}}};
    for (const auto& [button, d] : pans)
        connect(button, &QToolButton::clicked, this, [this, d = d] { Pan(d.first, d.second); });
    connect(SpeedButton5, &QToolButton::clicked, this, [this] { SpeedButton5Click(); });
    for (QCheckBox* c : {cbNames, cbScale, cbCoord, cbTowns})
        connect(c, &QCheckBox::toggled, PaintBox, qOverload<>(&QWidget::update));
    connect(cbCacheinfo, &QCheckBox::toggled, this, [this] { cbCacheinfoClick(); });
    connect(btnZoomCacheRange, &QPushButton::clicked, this, [this] { btnZoomCacheRangeClick(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(Abbrechen, &QPushButton::clicked, this, [this] { done(mrCancel); });
}

TfrmMap::~TfrmMap() = default;

void TfrmMap::ClearCacheList() {
    content_.caches.clear();
    PaintBox->update();
}

void TfrmMap::ClearRouteList() {
    content_.route.clear();
    PaintBox->update();
}

void TfrmMap::AddCacheByWaypoint(const std::string& code) {
    TCacheRec rec;
    if (FindCacheByWaypoint(code, rec)) content_.AddCache(rec);
}

void TfrmMap::AddRoutePoint(int, double lat, double lon) { content_.route.push_back({lat, lon}); }

void TfrmMap::SetView(const MapBounds& bounds) {
    view_.bounds = bounds;
    home_ = bounds;
    PaintBox->update();
}

void TfrmMap::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (IsFormShowHide(event)) FormShow();
}

void TfrmMap::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (IsFormShowHide(event)) FormHide();
}

std::string TfrmMap::dataPath(const char* name) const {
    // The shipped files sit in the program folder; a work folder of its own
    // may lack them.
    const std::string work = GetWorkDir() + name;
    if (IsRegularFile(work)) return work;
    const std::string program = ProgramDir() + name;
    return IsRegularFile(program) ? program : work;
}

void TfrmMap::FormShow() {
    // The caption shows the position under the pointer; each showing starts afresh.
    setWindowTitle(QStringLiteral("Map"));
    home_ = view_.bounds;
    content_.removed.clear();
    cbCacheinfo->setChecked(false);
    cbNames->setChecked(false);
    LoadTowns();
    // Read once per showing: a box from the paint handler would bring the
    // next repaint and the next box.
    const std::string path = dataPath("borders.bin");
    const Result<std::string> bytes = ReadProgramFile(path);
    borders_ = bytes ? ReadBorders(*bytes) : std::vector<BorderPoint>();
    if (!bytes) ShowSysError(bytes.error().code, bytes.error().message);
}

void TfrmMap::FormHide() {
    towns_.clear();
    borders_.clear();
}

void TfrmMap::LoadTowns() {
    const std::string path = dataPath("german_towns.csv");
    const Result<std::string> bytes = ReadProgramFile(path);
    towns_ = bytes ? ReadTowns(*bytes) : std::vector<MapTown>();
    if (!bytes) ShowSysError(bytes.error().code, bytes.error().message);
}

MapLayers TfrmMap::layers() const {
    MapLayers l;
    l.towns = cbTowns->isChecked();
    l.grid = cbCoord->isChecked();
    l.scale = cbScale->isChecked();
    l.names = cbNames->isChecked();
    return l;
}

void TfrmMap::PaintBoxPaint(QPainter& painter, int w, int h) {
    view_.FitAspect(w, h);
    const MapColor color = (static_cast<MapColor>(CacheColor.red()) << 16) |
                           (static_cast<MapColor>(CacheColor.green()) << 8) | static_cast<MapColor>(CacheColor.blue());
    PaintMapScene(painter, BuildMapScene(view_, content_, towns_, borders_, color, layers(), w, h, MapTextMeasure()));
}

void TfrmMap::PaintBoxMouseMove(int x, int y) {
    setWindowTitle(ToQ(FormatCoord(view_.ToGeo(x, y, PaintBox->width(), PaintBox->height()))));
}

void TfrmMap::PaintBoxMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) {
    const LatLon p = view_.ToGeo(x, y, PaintBox->width(), PaintBox->height());
    if (button == Qt::LeftButton && (cbCacheinfo->isChecked() || modifiers == Qt::ShiftModifier)) {
        ShowCacheInfoAt(p);
        return;
    }
    if (button == Qt::LeftButton ? view_.ZoomIn(p) : button == Qt::RightButton && view_.ZoomOut(p))
        PaintBox->update();
}

void TfrmMap::ShowCacheInfoAt(LatLon p) {
    platform::pump().pump();
    const auto nearest = content_.NearestCache(p);
    if (!nearest || !ShowCacheDetails) return;
    TCacheRec rec;
    // A cache that left the database since it was added shows nothing.
    if (!FindCacheByWaypoint(content_.caches[*nearest].code.view(), rec)) return;
    if (ShowCacheDetails(rec, *this) == mrNo) {
        content_.RemoveCache(*nearest);
        PaintBox->update();
    }
}

void TfrmMap::Pan(int dx, int dy) {
    view_.Pan(dx, dy);
    PaintBox->update();
}

void TfrmMap::SpeedButton5Click() {
    view_.bounds = home_;
    PaintBox->update();
}

void TfrmMap::btnZoomCacheRangeClick() {
    if (const auto range = content_.CacheRange()) {
        view_.bounds = *range;
        PaintBox->update();
    }
}

void TfrmMap::cbCacheinfoClick() {
    PaintBox->setCursor(cbCacheinfo->isChecked() ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

}  // namespace tv
