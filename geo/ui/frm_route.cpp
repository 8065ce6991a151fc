#include "geo/ui/frm_route.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "core/cache_db.h"
#include "core/cachedb_table.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "core/str_util.h"
#include "geo/route_files.h"
#include "geo/ui/frm_map.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/form_events.h"

namespace tv {

namespace {

using platform::MsgKind;

void ShowError(const std::string& text) { platform::messages().show(MsgKind::Error, text); }

// Runs `f` when it goes out of scope, so the controls come back even when the
// search ends early.
template <typename F>
struct ScopeExit {
    F f;
    ~ScopeExit() { f(); }
};
template <typename F>
ScopeExit(F) -> ScopeExit<F>;

const char* const kWaiting = "Warten auf Benutzereingabe";
const char* const kDefaultDistance = "3.0";

}  // namespace

TfrmRoute::TfrmRoute() : QDialog(nullptr) {
    setObjectName("frmRoute");
    setWindowTitle(QStringLiteral("Caches entlang einer Route suchen"));

    gbSource = new QGroupBox(ToQ(W("Quelldatei für Route [keine Datei gewählt]")), this);
    gbSource->setObjectName("gbSource");
    cbFormat = new QComboBox(gbSource);
    cbFormat->setObjectName("cbFormat");
    cbFormat->addItems({QStringLiteral("ASCII-Overlay (*.ovl)"), QStringLiteral("Top50 Cursor-Koordinaten (*.coo)"),
                        QStringLiteral("MapSource Route (*.txt)")});
    btnFileOpen = new QPushButton(QStringLiteral("Quelldatei laden"), gbSource);
    btnFileOpen->setObjectName("btnFileOpen");
    lblPoints = new QLabel(QStringLiteral("0 Punkte in Quelldatei:"), gbSource);
    lblPoints->setObjectName("lblPoints");
    lbSrc = new QListWidget(gbSource);
    lbSrc->setObjectName("lbSrc");
    auto* src = new QGridLayout(gbSource);
    src->addWidget(cbFormat, 0, 0);
    src->addWidget(btnFileOpen, 0, 1);
    src->addWidget(lblPoints, 1, 0, 1, 2);
    src->addWidget(lbSrc, 2, 0, 1, 2);

    auto* lblDistance = new QLabel(QStringLiteral("max. Entfernung (km):"), this);
    edDistance = new QLineEdit(QString::fromLatin1(kDefaultDistance), this);
    edDistance->setObjectName("edDistance");
    lblDistance->setBuddy(edDistance);
    btnCalc = new QPushButton(QStringLiteral("Berechnung starten"), this);
    btnCalc->setObjectName("btnCalc");
    btnFilter = new QPushButton(QStringLiteral("Cachefilter"), this);
    btnFilter->setObjectName("btnFilter");
    cbFilter = new QCheckBox(QStringLiteral("Suchergebnis filtern"), this);
    cbFilter->setObjectName("cbFilter");
    btnCancel = new QPushButton(QStringLiteral("Berechnung abbrechen"), this);
    btnCancel->setObjectName("btnCancel");
    btnCancel->setEnabled(false);
    lblAction = new QLabel(QString::fromLatin1(kWaiting), this);
    lblAction->setObjectName("lblAction");
    lblFound = new QLabel(QStringLiteral("Entlang der Route wurden 0 Caches gefunden."), this);
    lblFound->setObjectName("lblFound");
    lbResult = new QListWidget(this);
    lbResult->setObjectName("lbResult");
    lbResult->installEventFilter(this);
    btnEditResult = new QPushButton(QStringLiteral("Ergebnis bearbeiten"), this);
    btnEditResult->setObjectName("btnEditResult");
    btnRemove = new QPushButton(ToQ(W("Mark. löschen (Entf)")), this);
    btnRemove->setObjectName("btnRemove");
    btnRmFinds = new QPushButton(QStringLiteral("Finds entfernen"), this);
    btnRmFinds->setObjectName("btnRmFinds");
    btnSaveResult = new QPushButton(QStringLiteral("Ergebnis in Arbeitsliste"), this);
    btnSaveResult->setObjectName("btnSaveResult");
    cbKeep = new QCheckBox(QStringLiteral("in Arbeitsliste vorhandene Waypoints behalten"), this);
    cbKeep->setObjectName("cbKeep");
    cbKeep->setChecked(true);
    btnClose = new QPushButton(ToQ(W("Schließen")), this);
    btnClose->setObjectName("btnClose");
    for (QPushButton* b : {btnFileOpen, btnCalc, btnFilter, btnCancel, btnEditResult, btnRemove, btnRmFinds,
                           btnSaveResult, btnClose})
        b->setAutoDefault(false);
    showResultButtons(false);

    auto* left = new QVBoxLayout;
    left->addWidget(gbSource, 1);
    auto* dist = new QHBoxLayout;
    dist->addWidget(lblDistance);
    dist->addWidget(edDistance);
    left->addLayout(dist);
    left->addWidget(btnCalc);
    auto* filter = new QHBoxLayout;
    filter->addWidget(btnFilter);
    filter->addWidget(cbFilter);
    left->addLayout(filter);
    left->addWidget(btnCancel);

    auto* right = new QVBoxLayout;
    right->addWidget(lblAction);
    right->addWidget(lblFound);
    right->addWidget(lbResult, 1);
    auto* edit = new QGridLayout;
    edit->addWidget(btnEditResult, 0, 0);
    edit->addWidget(btnRemove, 0, 1);
    edit->addWidget(btnRmFinds, 1, 0);
    edit->addWidget(btnSaveResult, 1, 1);
    right->addLayout(edit);
    right->addWidget(cbKeep);
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(btnClose);
    right->addLayout(closeRow);

    auto* outer = new QHBoxLayout(this);
    outer->addLayout(left, 1);
    outer->addLayout(right, 1);
    resize(525, 416);

    connect(btnFileOpen, &QPushButton::clicked, this, [this] { btnFileOpenClick(); });
    connect(edDistance, &QLineEdit::textEdited, this, [this](const QString& text) {
        // Typing keeps only digits and '.', a comma becoming the point.
        QString kept;
        for (QChar c : text) {
            if (c == QLatin1Char(',')) c = QLatin1Char('.');
            if (c.isDigit() || c == QLatin1Char('.')) kept += c;
        }
        if (kept != text) {
            const int pos = edDistance->cursorPosition() - static_cast<int>(text.size() - kept.size());
            edDistance->setText(kept);
            edDistance->setCursorPosition(std::max(0, pos));
        }
    });
    connect(edDistance, &QLineEdit::textChanged, this, [this] { edDistanceChange(); });
    connect(btnCalc, &QPushButton::clicked, this, [this] { btnCalcClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
    connect(lbResult, &QListWidget::itemDoubleClicked, this, [this] { lbResultDblClick(); });
    connect(btnRemove, &QPushButton::clicked, this, [this] { btnRemoveClick(); });
    connect(btnRmFinds, &QPushButton::clicked, this, [this] { btnRmFindsClick(); });
    connect(btnFilter, &QPushButton::clicked, this, [this] { btnFilterClick(); });
    connect(btnEditResult, &QPushButton::clicked, this, [this] { btnEditResultClick(); });
    connect(btnSaveResult, &QPushButton::clicked, this, [this] { btnSaveResultClick(); });
    connect(btnClose, &QPushButton::clicked, this, [this] { btnCloseClick(); });
}

TfrmRoute::~TfrmRoute() = default;

void TfrmRoute::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (IsFormShowHide(event)) FormShow();
}

bool TfrmRoute::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lbResult && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        btnRemoveClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmRoute::done(int result) {
    if (running_) {
        cancel_ = true;  // a close during the search stops it; the window stays
        return;
    }
    index_.clear();
    index_.shrink_to_fit();
    QDialog::done(result);
}

void TfrmRoute::FormShow() {
    // The window lives as long as the program; each use starts as a new window
    // would, so a search never runs along the route of an earlier use, and a
    // database that cannot be read leaves no result of an earlier use behind.
    lbSrc->clear();
    lbResult->clear();
    cbFormat->setCurrentIndex(0);
    gbSource->setTitle(ToQ(W("Quelle [keine Datei gewählt]")));
    lblPoints->setText(QStringLiteral("0 Punkte in Quelldatei"));
    cbFilter->setChecked(false);
    cbKeep->setChecked(true);
    edDistance->setText(QString::fromLatin1(kDefaultDistance));
    edDistanceChange();
    lblAction->setText(QString::fromLatin1(kWaiting));
    UpdateFoundLabel();
    showResultButtons(false);

    const std::string path = CacheBinPath();
    platform::IProgress& wait = platform::progress();
    wait.setRange(0, 0);
    wait.setPosition(0);
    wait.setAction("Cacheliste wird gelesen");
    RouteIndex read = ReadRouteIndex(path, [&wait](int count, int total) {
        wait.setRange(0, total);
        wait.setPosition(count);
        platform::pump().pump();
    });
    wait.hide();
    if (read.status == RouteIndexStatus::OpenFailed) {
        ShowSysError(read.error, ReadErrorText(path));
        return;
    }
    index_ = std::move(read.entries);
    if (read.status == RouteIndexStatus::ReadFailed) ShowSysError(read.error, ReadErrorText(path));
}

void TfrmRoute::btnFileOpenClick() {
    // The chosen format's filter comes first so that the dialog starts with it.
    static const char* const kFilters[] = {"ASCII-Overlay (*.ovl)", "Cursor-Koordinaten (*.coo)",
                                           "MapSource Route als Text (*.txt)"};
    const int format = std::max(0, cbFormat->currentIndex());
    std::string filter = kFilters[format];
    for (int i = 0; i < 3; ++i)
        if (i != format) filter += std::string(";;") + kFilters[i];
    filter += ";;Alle Dateien (*)";
    const auto file = platform::fileDialogs().openFile(W("Routendatei öffnen"), filter, ProcSettings.WorkDir);
    if (!file) return;
    gbSource->setTitle(QStringLiteral("Quelle [") + QFileInfo(ToQ(*file)).fileName() + QStringLiteral("]"));
    const Result<std::string> bytes = ReadProgramFile(*file);
    if (!bytes) {
        ShowSysError(bytes.error().code, bytes.error().message);
        applyButtonRule();
        return;
    }
    const RouteReadResult r = ReadRouteFile(format, *bytes);
    if (r.changesList) {
        if (!r.append) lbSrc->clear();
        for (const std::string& p : r.points) lbSrc->addItem(ToQ(p));
        lblPoints->setText(QString::number(SourcePointCount(r)) + QStringLiteral(" Punkte in Quelldatei:"));
    }
    if (r.error != RouteReadError::None)
        ShowError(RouteReadErrorText(r, *file));
    else if (!r.badLines.empty())
        platform::messages().show(MsgKind::Warning, BadRouteLinesText(r.badLines));
    applyButtonRule();
}

void TfrmRoute::edDistanceChange() {
    maxDist_ = ParseRouteDistance(FromQ(edDistance->text()));
    applyButtonRule();
}

void TfrmRoute::applyButtonRule() {
    btnCalc->setEnabled(!running_ && CanCalc(static_cast<std::size_t>(lbSrc->count()), FromQ(edDistance->text())));
}

bool TfrmRoute::GetRoutePoint(int index, double& lon, double& lat) const {
    const QListWidgetItem* item = lbSrc->item(index);
    const auto p = item ? ParseRoutePoint(FromQ(item->text())) : std::nullopt;
    if (!p) return false;
    lon = p->lon;
    lat = p->lat;
    return true;
}

void TfrmRoute::UpdateFoundLabel() {
    lblFound->setText(QStringLiteral("Entlang der Route wurden ") + QString::number(lbResult->count()) +
                      QStringLiteral(" Caches gefunden."));
}

void TfrmRoute::SetControlsEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{cbFormat, btnFileOpen, lbSrc, btnCalc, edDistance, btnClose,
                                                      btnFilter, cbFilter, btnRmFinds})
        w->setEnabled(enabled);
    btnCancel->setEnabled(!enabled);
}

void TfrmRoute::showResultButtons(bool show) {
    for (QWidget* w : std::initializer_list<QWidget*>{btnEditResult, btnRemove, btnRmFinds, btnSaveResult, cbKeep})
        w->setVisible(show);
}

void TfrmRoute::btnCalcClick() {
    RouteSearchParams p;
    for (int i = 0; i < lbSrc->count(); ++i) {
        double lon = 0, lat = 0;
        if (GetRoutePoint(i, lon, lat)) p.route.push_back({lat, lon});
    }
    if (p.route.size() < 2 || !(maxDist_ > 0.1)) return;
    SetControlsEnabled(false);
    running_ = true;
    cancel_ = false;
    ScopeExit restore{[this] {
        running_ = false;
        lblAction->setText(QString::fromLatin1(kWaiting));
        SetControlsEnabled(true);
        applyButtonRule();
    }};
    lbResult->clear();
    showResultButtons(false);

    const bool filter = cbFilter->isChecked() && IsTypeSelected;
    p.index = &index_;
    p.maxDistKm = maxDist_;
    p.home = LatLon{ProcSettings.HomeLat, ProcSettings.HomeLong};
    p.keep = [&](const RouteIndexEntry& e) -> std::optional<std::string> {
        TCacheRec rec;
        if (!FindCacheByWaypoint(e.code.view(), rec)) return std::nullopt;
        if (filter && !IsTypeSelected(CacheTypeFromText(rec.CacheType.view()))) return std::nullopt;
        return rec.Name.str();
    };
    p.onSegment = [this](int seg, int count) {
        lblAction->setText(QStringLiteral("Verarbeite Teilabschnitt %1 von %2").arg(seg + 1).arg(count));
        platform::pump().pump();
    };
    p.onHit = [this](const RouteHit& hit) {
        lbResult->addItem(ToQ(FormatResultLine(hit)));
        UpdateFoundLabel();
        platform::pump().pump();
    };
    p.cancelled = [this] { return cancel_; };
    const RouteSearchResult r = SearchAlongRoute(p);
    showResultButtons(!r.hits.empty());
    if (r.cancelled)
        lblFound->setText(QStringLiteral("Die Berechnung wurde nach %1 Caches abgebrochen.").arg(r.hits.size()));
}

std::vector<std::string> TfrmRoute::resultLines() const {
    std::vector<std::string> lines;
    for (int i = 0; i < lbResult->count(); ++i) lines.push_back(FromQ(lbResult->item(i)->text()));
    return lines;
}

void TfrmRoute::setResultLines(const std::vector<std::string>& lines) {
    lbResult->clear();
    for (const std::string& l : lines) lbResult->addItem(ToQ(l));
    UpdateFoundLabel();
}

void TfrmRoute::lbResultDblClick() {
    QListWidgetItem* item = lbResult->currentItem();
    if (!item) return;
    TCacheRec rec;
    if (!FindCacheByWaypoint(ResultLineCode(FromQ(item->text())), rec)) {
        ShowError(W("Cache nicht in der Datenbank gefunden!\r\n(Cache liegt vermutlich in einem anderen Land oder "
                    "wurde mittlerweile archiviert.)"));
        return;
    }
    if (!ShowCacheDetails) return;
    if (ShowCacheDetails(rec, *this) == mrNo) {
        delete lbResult->takeItem(lbResult->row(item));
        UpdateFoundLabel();
    }
}

void TfrmRoute::btnRemoveClick() {
    const int row = lbResult->currentRow();
    if (row < 0) return;
    delete lbResult->takeItem(row);
    UpdateFoundLabel();
}

void TfrmRoute::btnRmFindsClick() {
    const std::string path = FindsBinPath();
    const Result<std::string> bytes = ReadProgramFile(path);
    if (!bytes) ShowSysError(bytes.error().code, bytes.error().message);
    setResultLines(RemoveResultLines(resultLines(), FoundCodesFromBytes(bytes ? *bytes : std::string())));
}

void TfrmRoute::btnFilterClick() {
    if (EditCacheFilter) cbFilter->setChecked(EditCacheFilter(*this));
}

void TfrmRoute::btnEditResultClick() {
    if (!Map) return;
    Map->SetView({6.0, 14.0, 47.0, 55.0});
    Map->CacheColor = Qt::black;
    Map->ClearCacheList();
    for (const std::string& line : resultLines()) {
        // A line without a blank gives its first six characters as the code.
        const std::string code = line.find(' ') == std::string::npos ? line.substr(0, 6) : ResultLineCode(line);
        Map->AddCacheByWaypoint(code);
    }
    Map->ClearRouteList();
    for (int i = 0; i < lbSrc->count(); ++i) {
        double lon = 0, lat = 0;
        if (GetRoutePoint(i, lon, lat)) Map->AddRoutePoint(i, lat, lon);
    }
    if (platform::modalHost().exec(*Map, this) == mrOk) {
        std::unordered_set<std::string> removed;
        for (const std::string& c : Map->RemovedList()) removed.insert(UpperCaseCp1252(c));
        setResultLines(RemoveResultLines(resultLines(), removed));
    }
    Map->ClearCacheList();
    showResultButtons(lbResult->count() > 0);
}

void TfrmRoute::btnSaveResultClick() {
    // Only a result the window shows becomes the work list; one the user has
    // emptied still does (without "behalten" it empties the work list).
    if (btnSaveResult->isHidden()) return;
    std::vector<std::string> codes;
    for (const std::string& line : resultLines()) codes.push_back(ResultLineCode(line));
    const WorkListSaveResult r = SaveRouteWorkList(GetWorkDir(), cbKeep->isChecked(), codes);
    switch (r.status) {
        case WorkListSaveStatus::Ok: done(mrOk); return;
        case WorkListSaveStatus::ReadFailed: ShowSysError(r.cause, ReadErrorText(r.path)); return;
        case WorkListSaveStatus::WriteFailed: ShowError(WriteErrorText(r.path)); return;
    }
}

void TfrmRoute::btnCloseClick() { done(mrCancel); }

}  // namespace tv
