#include "exchange/ui/frm_wpcol.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>

#include "core/cachedb_table.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/ini_file.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "exchange/wp_sources.h"
#include "exchange/wpcol_settings.h"
#include "geo/ui/frm_coord_input.h"
#include "pages/ui/frm_cache_details.h"
#include "pages/ui/frm_edit_cache.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/cache_type_icons.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/form_events.h"

namespace tv {

namespace {

constexpr int kCodeRole = Qt::UserRole;
constexpr int kEntryRole = Qt::UserRole + 1;

const qint64 kDay0 = QDate(1899, 12, 30).toJulianDay();

double DayCountOf(const QDate& d) { return static_cast<double>(d.toJulianDay() - kDay0); }
QDate DateOf(double dayCount) { return QDate::fromJulianDay(kDay0 + static_cast<qint64>(std::floor(dayCount))); }

// The busy cursor for the length of a scope.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

QCheckBox* Check(QWidget* parent, const char* name, const char* caption, bool checked = false) {
    auto* box = new QCheckBox(U(caption), parent);
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(U(caption), parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

struct TypeBox {
    const char* name;
    const char* caption;
};
constexpr TypeBox kTypeBoxes[10] = {
    {"cbTrad", "Traditional"}, {"cbMulti", "Multi"},   {"cbVirtual", "Virtual"}, {"cbLetter", "Letterbox"},
    {"cbEvent", "Event"},      {"cbWebcam", "Webcam"}, {"cbMystery", "Mystery"}, {"cbLocless", "Locationless"},
    {"cbCITO", "CITO-Event"},  {"cbEarth", "Earth"},
};

}  // namespace

TfrmWPCol::TfrmWPCol(CacheLookup lookup, QWidget* parent) : QDialog(parent), col(std::move(lookup)) {
    setObjectName("frmWPCol");
    setWindowTitle(U("Arbeits-, Fund- und Ignoreliste"));
    WorkDir = GetWorkDir();
    buildLayout();
    // Never below what the pages need: a smaller window would cut their texts.
    const QSize least = layout()->minimumSize().expandedTo(QSize(700, 520));
    setMinimumSize(least);
    resize(least.expandedTo(QSize(780, 600)));
    // A week back for "newer than", today for finds.
    const QDate today = DateOf(Today());
    DateTimePicker->setDate(today.addDays(-7));
    DTPFound->setDate(today);
}

double TfrmWPCol::Today() const {
    const auto now = platform::clock().now();
    return DayCountFromDate(now.year, now.month, now.day).value_or(0);
}

double TfrmWPCol::foundDate() const { return DayCountOf(DTPFound->date()); }

void TfrmWPCol::buildLayout() {
    auto* paButtons = new QWidget(this);
    paButtons->setObjectName("paButtons");
    paButtons->setFixedWidth(110);
    btnWork = Button(paButtons, "btnWork", "Arbeitsliste");
    btnFound = Button(paButtons, "btnFound", "Gefunden");
    btnIgnore = Button(paButtons, "btnIgnore", "Ignorieren");
    btnCache = Button(paButtons, "btnCache", "Ablage");
    GarbagePanel = new QLabel(U("Papierkorb"), paButtons);
    GarbagePanel->setObjectName("GarbagePanel");
    GarbagePanel->setAlignment(Qt::AlignCenter);
    GarbagePanel->setFrameShape(QFrame::Box);
    int tag = kWorkList;
    for (QWidget* w :
         {static_cast<QWidget*>(btnWork), static_cast<QWidget*>(btnFound), static_cast<QWidget*>(btnIgnore),
          static_cast<QWidget*>(btnCache), static_cast<QWidget*>(GarbagePanel)}) {
        w->setAcceptDrops(true);
        w->installEventFilter(this);
        w->setFixedSize(100, 40);
        if (auto* b = qobject_cast<QPushButton*>(w)) {
            const int list = tag++;
            connect(b, &QPushButton::clicked, this, [this, list] { ListButtonsClick(list); });
        }
    }

    Panel3 = new QLabel(this);
    Panel3->setObjectName("Panel3");
    QFont bold = Panel3->font();
    bold.setBold(true);
    Panel3->setFont(bold);

    lv = new QTreeWidget(this);
    lv->setObjectName("lv");
    lv->setRootIsDecorated(false);
    lv->setIconSize(QSize(16, 16));
    lv->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lv->setDragEnabled(true);
    lv->setDragDropMode(QAbstractItemView::DragOnly);
    lv->setContextMenuPolicy(Qt::CustomContextMenu);
    lv->header()->setSectionsClickable(true);
    connect(lv->header(), &QHeaderView::sectionClicked, this, [this](int c) { lvColumnClick(c); });
    connect(lv, &QTreeWidget::itemDoubleClicked, this, [this] { lvDblClick(); });
    connect(lv, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { popup->popup(lv->viewport()->mapToGlobal(p)); });

    popup = new QMenu(this);
    auto item = [this](QAction*& a, const char* name, const char* caption, QKeySequence keys, std::function<void()> f) {
        a = popup->addAction(U(caption));
        a->setObjectName(name);
        if (!keys.isEmpty()) {
            a->setShortcut(keys);
            a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        }
        lv->addAction(a);
        connect(a, &QAction::triggered, this, std::move(f));
    };
    item(ppMarkAll, "ppMarkAll", "alle Caches markieren", QKeySequence(Qt::CTRL | Qt::Key_A),
         [this] { tvMarkAction(1); });
    item(ppMarkNone, "ppMarkNone", "keinen Cache markieren", QKeySequence(Qt::CTRL | Qt::Key_N),
         [this] { tvMarkAction(2); });
    item(ppInvertMark, "ppInvertMark", "Markierungen umkehren", {}, [this] { tvMarkAction(3); });
    item(ppDelMark, "ppDelMark", "Markierte Caches löschen", QKeySequence(Qt::Key_Delete), [this] { tvMarkAction(4); });
    item(ppDelAll, "ppDelAll", "Alle Caches löschen", QKeySequence(Qt::CTRL | Qt::Key_Delete),
         [this] { tvMarkAction(5); });
    popup->addSeparator();
    item(ppEditCache, "ppEditCache", "Cachedaten in der DB korrigieren", {}, [this] { tvEditAction(); });
    item(ppCorrectFoundDate, "ppCorrectFoundDate", "Found-Datum übernehmen", {}, [this] { tvEditFoundDate(); });
    item(alsZentrumfrRadiussuche1, "alsZentrumfrRadiussuche1", "als Zentrum für Radiussuche setzen", {},
         [this] { takeAsCenter(); });
    popup->addSeparator();
    item(WegpunkteinLandkartezeigen1, "WegpunkteinLandkartezeigen1", "Markierte Caches in Landkarte zeigen", {},
         [this] { ShowWPInMap(false); });
    item(AlleCachesinLandkartezeigen1, "AlleCachesinLandkartezeigen1", "Alle Caches in Landkarte zeigen", {},
         [this] { ShowWPInMap(true); });
    popup->addSeparator();
    item(miRemoveFinds, "miRemoveFinds", "Finds und Ignores entfernen", {}, [this] { miRemoveFindsClick(); });
    item(miRemoveArchived, "miRemoveArchived", "Archivierte Caches entfernen", {}, [this] { miRemoveArchivedClick(); });

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    PageControl1->addTab(buildNamePage(), U("Name / Waypoint"));
    PageControl1->addTab(buildRadiusPage(), U("Radiussuche"));
    PageControl1->addTab(buildFilePage(), U("aus Datei"));

    // Bottom panel.
    DTPFound = new QDateEdit(this);
    DTPFound->setObjectName("DTPFound");
    DTPFound->setCalendarPopup(true);
    DTPFound->setDisplayFormat("dd.MM.yyyy");
    cbIgnoreFinds = Check(this, "cbIgnoreFinds", "Finds && Ignores verwerfen", true);
    cbHomeGlobal = new QComboBox(this);
    cbHomeGlobal->setObjectName("cbHomeGlobal");
    connect(cbHomeGlobal, &QComboBox::activated, this, [this] { cbGlobalHomeChange(); });
    cbSaveSettings = Check(this, "cbSaveSettings", "speichern", true);
    btnCancel = Button(this, "btnCancel", "Abbrechen");
    btnSave = Button(this, "btnSave", "Speichern");
    connect(btnCancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });

    auto* bottom = new QGridLayout;
    bottom->addWidget(new QLabel(U("Datum für Funde:"), this), 0, 0);
    bottom->addWidget(DTPFound, 0, 1);
    bottom->addWidget(cbIgnoreFinds, 0, 2);
    bottom->addWidget(new QLabel(U("beim Einfügen in Arbeitsliste"), this), 0, 3);
    bottom->addWidget(new QLabel(U("Bezugspunkt für Entfernungen:"), this), 1, 0);
    bottom->addWidget(cbHomeGlobal, 1, 1);
    bottom->addWidget(new QLabel(U("Einstellungen"), this), 1, 2);
    bottom->addWidget(cbSaveSettings, 1, 3);
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch();
    closeRow->addWidget(btnSave);
    closeRow->addWidget(btnCancel);
    bottom->addLayout(closeRow, 2, 0, 1, 4);

    auto* right = new QVBoxLayout;
    right->addWidget(PageControl1);
    right->addWidget(Panel3);
    right->addWidget(lv, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(paButtons);
    top->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);
}

QWidget* TfrmWPCol::buildNamePage() {
    auto* page = new QWidget;
    page->setObjectName("TabSheet1");
    auto* group = new QGroupBox(U("Caches nach Name suchen oder Wegpunkt manuell eingeben"), page);
    edName = new QLineEdit(group);
    edName->setObjectName("edName");
    btnAddName = Button(group, "btnAddName", "Hinzufügen");
    btnAddName->setEnabled(false);
    edWP = new QLineEdit(U("GC"), group);
    edWP->setObjectName("edWP");
    btnAddWP = Button(group, "btnAddWP", "Hinzufügen");
    cbSelMultiFinds = Check(group, "cbSelMultiFinds", "vor dem Einfügen anzeigen und selektieren", true);
    connect(edName, &QLineEdit::textChanged, this, [this] { edNameChange(); });
    connect(edWP, &QLineEdit::textEdited, this, [this](const QString& t) {
        const int pos = edWP->cursorPosition();
        edWP->setText(t.toUpper());
        edWP->setCursorPosition(pos);
        makeDefault(btnAddWP);
    });
    connect(btnAddName, &QPushButton::clicked, this, [this] { btnAddNameClick(); });
    connect(btnAddWP, &QPushButton::clicked, this, [this] { btnAddWPClick(); });
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(U("Name / Besitzer oder Teile davon (minimal 3 Buchstaben):"), group), 0, 0, 1, 2);
    grid->addWidget(edName, 1, 0);
    grid->addWidget(btnAddName, 1, 1);
    grid->addWidget(new QLabel(U("Wegpunkt (GCxxxx):"), group), 2, 0, 1, 2);
    grid->addWidget(edWP, 3, 0);
    grid->addWidget(btnAddWP, 3, 1);
    grid->addWidget(cbSelMultiFinds, 4, 0, 1, 2);
    (new QVBoxLayout(page))->addWidget(group);
    return page;
}

QWidget* TfrmWPCol::buildRadiusPage() {
    auto* page = new QWidget;
    page->setObjectName("TabSheet2");
    auto* group = new QGroupBox(U("Caches im Umkreis um ein Home oder um manuelle Koordinaten suchen"), page);
    cbHome = new QComboBox(group);
    cbHome->setObjectName("cbHome");
    cbHome->setToolTip(U("Auswahl des Zentrums für die Radiussuche"));
    connect(cbHome, &QComboBox::activated, this, [this] { cbHomeChange(); });
    lblKoord = new QLabel(group);
    lblKoord->setObjectName("lblKoord");
    QFont bold = lblKoord->font();
    bold.setBold(true);
    lblKoord->setFont(bold);
    // Room for every centre from the start, so that the page never squeezes it.
    lblKoord->setMinimumWidth(QFontMetrics(bold).horizontalAdvance(U("N 88° 88.888 E 188° 88.888")) + 4);
    lblMan = new QLabel(U("(Koordinaten manuell gesetzt)"), group);
    lblMan->setObjectName("lblMan");
    lblMan->setFont(bold);
    QSizePolicy keep = lblMan->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    lblMan->setSizePolicy(keep);
    lblMan->setVisible(false);
    btnManKoord = Button(group, "btnManKoord", "...");
    connect(btnManKoord, &QPushButton::clicked, this, [this] { btnManKoordClick(); });
    edRad = new QLineEdit(group);
    edRad->setObjectName("edRad");
    edRad->setToolTip(U("erlaubter maximaler Radius in km um das gewählte Zentrum"));
    edRad->installEventFilter(this);
    connect(edRad, &QLineEdit::textChanged, this, [this] { makeDefault(btnRadSearch); });
    cbFilterType = Check(group, "cbFilterType", "Nur diese Cachetypen:");
    auto* types = new QGridLayout;
    for (int t = 0; t < 10; ++t) {
        typeBoxes[t] = Check(group, kTypeBoxes[t].name, kTypeBoxes[t].caption);
        typeBoxes[t]->setEnabled(false);
        types->addWidget(typeBoxes[t], t / 5, t % 5);
    }
    connect(cbFilterType, &QCheckBox::toggled, this, [this](bool on) {
        for (QCheckBox* b : typeBoxes) b->setEnabled(on);
    });
    cbFilterDate = Check(group, "cbFilterDate", "Nur neuere Caches als:");
    DateTimePicker = new QDateEdit(group);
    DateTimePicker->setObjectName("DateTimePicker");
    DateTimePicker->setCalendarPopup(true);
    DateTimePicker->setDisplayFormat("dd.MM.yyyy");
    DateTimePicker->setEnabled(false);
    connect(cbFilterDate, &QCheckBox::toggled, DateTimePicker, &QWidget::setEnabled);
    cbSkipArchived = Check(group, "cbSkipArchived", "Archivierte verwerfen", true);
    cbSkipOldEvents = Check(group, "cbSkipOldEvents", "alte Events verwerfen", true);
    cbSkipMicros = Check(group, "cbSkipMicros", "Mikrocaches verwerfen");
    btnRadSearch = Button(group, "btnRadSearch", "Hinzufügen");
    connect(btnRadSearch, &QPushButton::clicked, this, [this] { btnRadSearchClick(); });

    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(U("Zentrum:"), group), 0, 0);
    grid->addWidget(cbHome, 0, 1);
    grid->addWidget(lblKoord, 0, 2);
    grid->addWidget(lblMan, 0, 3);
    grid->addWidget(btnManKoord, 0, 4);
    grid->addWidget(new QLabel(U("Radius (km):"), group), 1, 0);
    grid->addWidget(edRad, 1, 1);
    grid->addWidget(cbFilterType, 2, 0);
    grid->addLayout(types, 2, 1, 1, 4);
    grid->addWidget(cbFilterDate, 3, 0);
    grid->addWidget(DateTimePicker, 3, 1);
    grid->addWidget(cbSkipArchived, 4, 0);
    grid->addWidget(cbSkipOldEvents, 4, 1);
    grid->addWidget(cbSkipMicros, 4, 2);
    grid->addWidget(btnRadSearch, 4, 4);
    (new QVBoxLayout(page))->addWidget(group);
    return page;
}

QWidget* TfrmWPCol::buildFilePage() {
    auto* page = new QWidget;
    page->setObjectName("TabSheet3");
    auto* group = new QGroupBox(U("Caches aus einer Datei laden"), page);
    cbFormat = new QComboBox(group);
    cbFormat->setObjectName("cbFormat");
    cbFormat->setToolTip(U("Format der zu ladenden Datei festlegen"));
    cbFormat->addItems({U("GPX-Standard"), U("LOC-Datei (geocaching.com)"), U("Waypoint-Textdatei")});
    connect(cbFormat, &QComboBox::activated, this, [this] { makeDefault(btnLoadWaypoints); });
    btnLoadWaypoints = Button(group, "btnLoadWaypoints", "Laden");
    connect(btnLoadWaypoints, &QPushButton::clicked, this, [this] { btnLoadWaypointsClick(); });
    auto* row = new QHBoxLayout(group);
    row->addWidget(new QLabel(U("Dateiformat wählen:"), group));
    row->addWidget(cbFormat);
    row->addWidget(btnLoadWaypoints);
    row->addStretch();
    (new QVBoxLayout(page))->addWidget(group);
    return page;
}

// ---- opening -----------------------------------------------------------------------

void TfrmWPCol::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (IsFormShowHide(event)) FormShow();
}

void TfrmWPCol::FormShow() {
    CurrentList = kWorkList;
    HighlightListButton();
    for (QCheckBox* b : typeBoxes) b->setEnabled(cbFilterType->isChecked());
    DateTimePicker->setEnabled(cbFilterDate->isChecked());
    DistanceRef = RadiusCenter = LatLon{ProcSettings.HomeLat, ProcSettings.HomeLong};
    fillHomes(cbHome);
    cbHome->setEnabled(cbHome->count() > 1);
    cbHome->setCurrentIndex(0);
    cbHomeChange();
    fillHomes(cbHomeGlobal);
    cbHomeGlobal->setCurrentIndex(0);
    edRad->setText(ToQ(FormatFixed(ProcSettings.Radius, 15, 1, '.')));
    ReadCacheDB();
    LoadLists();
    ListButtonsClick(kWorkList);
    col.SetModified(false);
    SortColumn = -1;
    SortDescending = false;
    LoadSettings();
}

void TfrmWPCol::fillHomes(QComboBox* box) {
    box->clear();
    box->addItem(U("HOME"));
    for (const std::string& name : ProcSettings.AddHomeTxt) box->addItem(ToQ(name));
}

LatLon TfrmWPCol::homePoint(int index) const {
    const std::size_t i = index > 0 ? static_cast<std::size_t>(index - 1) : 0;
    if (index <= 0 || i >= ProcSettings.AddHomeLat.size() || i >= ProcSettings.AddHomeLon.size())
        return {ProcSettings.HomeLat, ProcSettings.HomeLong};
    return {ParseFloat(ProcSettings.AddHomeLat[i], '.').value_or(0),
            ParseFloat(ProcSettings.AddHomeLon[i], '.').value_or(0)};
}

void TfrmWPCol::ReadCacheDB() {
    const std::string path = ResolveFileNoCase(WorkDir, "Caches.bin");
    auto& progress = platform::progress();
    std::error_code ec;
    const auto size = std::filesystem::file_size(FsPath(path), ec);
    progress.setRange(0, ec ? 0 : static_cast<int>(size / TCacheRec::kSize));
    progress.setAction(W("Cache-DB wird gelesen"));
    const auto read = col.ReadDBCopy(path, [&progress](int n) {
        progress.setPosition(n);
        platform::pump().pump();
    });
    progress.hide();
    if (!read) ShowSysError(read.error().code, ReadErrorText(path));
}

void TfrmWPCol::LoadLists() {
    // A list told here is not saved over by "Speichern".
    for (const Error& error : col.LoadLists(WorkDir)) ShowSysError(error.code, error.message);
}

// ---- the view ------------------------------------------------------------------------

void TfrmWPCol::ListButtonsClick(int list) {
    if (list >= kWorkList && list <= kClipList) {
        CurrentList = list;
        QPushButton* buttons[] = {btnWork, btnFound, btnIgnore, btnCache};
        buttons[list - 1]->setFocus();
    }
    const bool workOrClip = CurrentList == kWorkList || CurrentList == kClipList;
    miRemoveFinds->setEnabled(workOrClip);
    miRemoveArchived->setEnabled(workOrClip);
    ppCorrectFoundDate->setEnabled(CurrentList == kFoundList);
    WegpunkteinLandkartezeigen1->setEnabled(static_cast<bool>(ShowMap));
    AlleCachesinLandkartezeigen1->setEnabled(static_cast<bool>(ShowMap));
    Panel3->setText(ToQ(ListHeader(CurrentList, static_cast<int>(col.List(CurrentList).size()))));
    HighlightListButton();
    FillListView();
}

void TfrmWPCol::HighlightListButton() {
    QPushButton* buttons[] = {btnWork, btnFound, btnIgnore, btnCache};
    for (int i = 0; i < 4; ++i) {
        const bool current = i + 1 == CurrentList;
        QFont f = buttons[i]->font();
        f.setBold(current);
        buttons[i]->setFont(f);
        buttons[i]->setStyleSheet(current ? QStringLiteral("color: red") : QString());
    }
}

void TfrmWPCol::FillListView() {
    BusyCursor busy;
    lv->setUpdatesEnabled(false);
    lv->clear();
    QStringList headers = {U("Waypoint"), U("Cachename"), U("Entf. (km)"), U("Versteckt"), U("Koordinaten"),
                           U("Größe"),    U("Diff"),      U("Terr"),       U("Land")};
    const int widths[] = {73, 150, 60, 67, 148, 50, 31, 31, 75, 67};
    if (CurrentList == kFoundList) headers << U("Gefunden");
    lv->setColumnCount(static_cast<int>(headers.size()));
    lv->setHeaderLabels(headers);
    // The widths are those of a 6-pixel digit; larger fonts widen them alike.
    const double scale = std::max(1.0, lv->fontMetrics().horizontalAdvance(QLatin1Char('0')) / 6.0);
    for (int c = 0; c < headers.size(); ++c) lv->setColumnWidth(c, static_cast<int>(widths[c] * scale));

    const auto& entries = col.List(CurrentList);
    std::vector<std::vector<std::string>> rows;
    rows.reserve(entries.size());
    for (const WpEntry& e : entries) rows.push_back(FormatRowCells(e.rec, CurrentList, DistanceRef));
    std::vector<std::size_t> order(rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    if (sortRequested_ && SortColumn >= 0 && SortColumn < static_cast<int>(headers.size())) {
        const auto c = static_cast<std::size_t>(SortColumn);
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return CompareCells(SortColumn, rows[a][c], rows[b][c], SortDescending) < 0;
        });
    }
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(order.size()));
    for (std::size_t i : order) {
        auto* it = new QTreeWidgetItem;
        for (std::size_t c = 0; c < rows[i].size(); ++c) it->setText(static_cast<int>(c), ToQ(rows[i][c]));
        const std::string code = entries[i].rec.Waypoint.str();
        it->setData(0, kCodeRole, QByteArray(code.data(), static_cast<qsizetype>(code.size())));
        it->setData(0, kEntryRole, static_cast<qulonglong>(i));
        it->setIcon(0, CacheTypeIcon(CacheTypeFromText(entries[i].rec.CacheType.view())));
        items.push_back(it);
    }
    lv->addTopLevelItems(items);
    lv->setUpdatesEnabled(true);
    sortRequested_ = false;
}

void TfrmWPCol::sortView() {
    sortRequested_ = true;
    FillListView();
}

void TfrmWPCol::lvColumnClick(int column) {
    SortDescending = column == SortColumn ? !SortDescending : false;
    SortColumn = column;
    sortView();
}

void TfrmWPCol::cbGlobalHomeChange() {
    DistanceRef = homePoint(cbHomeGlobal->currentIndex());
    const auto& entries = col.List(CurrentList);
    for (int r = 0; r < lv->topLevelItemCount(); ++r) {
        QTreeWidgetItem* it = lv->topLevelItem(r);
        const auto i = static_cast<std::size_t>(it->data(0, kEntryRole).toULongLong());
        if (i < entries.size()) it->setText(2, ToQ(DistanceCell(entries[i].rec, DistanceRef)));
    }
}

std::vector<std::string> TfrmWPCol::SelectedCodes() const {
    std::vector<std::string> codes;
    for (int r = 0; r < lv->topLevelItemCount(); ++r) {
        QTreeWidgetItem* it = lv->topLevelItem(r);
        if (!it->isSelected()) continue;
        const QByteArray b = it->data(0, kCodeRole).toByteArray();
        codes.emplace_back(b.constData(), static_cast<std::size_t>(b.size()));
    }
    return codes;
}

std::vector<std::size_t> TfrmWPCol::SelectedRows() const {
    std::vector<std::size_t> rows;
    for (int r = 0; r < lv->topLevelItemCount(); ++r) {
        QTreeWidgetItem* it = lv->topLevelItem(r);
        if (it->isSelected()) rows.push_back(static_cast<std::size_t>(it->data(0, kEntryRole).toULongLong()));
    }
    return rows;
}

std::vector<std::string> TfrmWPCol::RowCodes() const {
    std::vector<std::string> codes;
    for (int r = 0; r < lv->topLevelItemCount(); ++r) {
        const QByteArray b = lv->topLevelItem(r)->data(0, kCodeRole).toByteArray();
        codes.emplace_back(b.constData(), static_cast<std::size_t>(b.size()));
    }
    return codes;
}

void TfrmWPCol::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    QWidget* panel = btnWork->parentWidget();
    const auto tops = ButtonPanelTops(panel->height(), btnWork->height());
    QWidget* items[] = {btnWork, btnFound, btnIgnore, btnCache, GarbagePanel};
    for (int k = 0; k < 5; ++k) items[k]->move(5, tops[static_cast<std::size_t>(k)]);
}

// ---- saving and closing -------------------------------------------------------------

void TfrmWPCol::btnSaveClick() {
    const SaveReport report = col.Save(WorkDir);
    for (const std::string& path : report.failed)
        platform::messages().show(platform::MsgKind::Error, WriteErrorText(path));
    for (const std::string& path : report.skipped)
        platform::messages().show(platform::MsgKind::Warning,
                                  W("Die Datei ") + path +
                                      W(" wurde nicht gespeichert, weil sie beim Öffnen nicht vollständig gelesen "
                                        "werden konnte."));
    if (report.ok()) done(Accepted);
}

void TfrmWPCol::done(int result) {
    if (result != Accepted && col.Modified()) {
        const auto answer = platform::messages().askDefaultNo(
            platform::MsgKind::Confirmation,
            W("Achtung! Durch das Abbrechen gehen sämtliche Änderungen an der Arbeits-, Fund- und Ignoreliste "
              "verloren.\r\n\r\nWirklich abbrechen ohne zu speichern?"));
        if (answer != platform::MsgResult::Yes) return;
    }
    if (cbSaveSettings->isChecked()) SaveSettings();
    QDialog::done(result);
}

// ---- adding ----------------------------------------------------------------------------

void TfrmWPCol::makeDefault(QPushButton* button) {
    ClearDefaultButtons();
    button->setDefault(true);
}

void TfrmWPCol::ClearDefaultButtons() {
    for (QPushButton* b : findChildren<QPushButton*>()) b->setDefault(false);
}

void TfrmWPCol::btnAddWPClick() {
    const std::string text = FromQ(edWP->text());
    AddResult r = col.AddByCode(text, CurrentList, foundDate(), cbIgnoreFinds->isChecked(), false);
    if (r == AddResult::NeedsConfirm &&
        platform::messages().show(platform::MsgKind::Warning,
                                  W("Der eingegebene Wegpunkt ist in der Cache-Datenbank nicht verzeichnet.\r\n\r\n"
                                    "Trotzdem in die Liste einfügen?"),
                                  platform::MsgButtons::YesNo) == platform::MsgResult::Yes)
        r = col.AddByCode(text, CurrentList, foundDate(), cbIgnoreFinds->isChecked(), true);
    if (r == AddResult::Added) {
        edWP->clear();
        ListButtonsClick(0);
    }
    edWP->setFocus();
}

void TfrmWPCol::edNameChange() {
    btnAddName->setEnabled(edName->text().size() >= 3);
    makeDefault(btnAddName);
}

void TfrmWPCol::btnAddNameClick() {
    std::vector<NameCandidate> candidates;
    {
        BusyCursor busy;
        candidates = col.NameSearchCandidates(FromQ(edName->text()), CurrentList, cbIgnoreFinds->isChecked());
    }
    if (candidates.empty()) return;
    std::vector<std::string> codes;
    if (cbSelMultiFinds->isChecked() && PickNames) {
        auto picked = PickNames(candidates, *this);
        if (!picked) return;
        codes = std::move(*picked);
    } else {
        for (const NameCandidate& c : candidates) codes.push_back(c.code);
    }
    if (col.AddPicked(codes, CurrentList, foundDate()) == 0) return;
    edName->clear();
    makeDefault(btnAddName);
    ListButtonsClick(0);
}

void TfrmWPCol::cbHomeChange() {
    RadiusCenter = homePoint(cbHome->currentIndex());
    lblKoord->setText(ToQ(FormatCoord(RadiusCenter)));
    lblMan->setVisible(false);
    makeDefault(btnRadSearch);
}

void TfrmWPCol::btnManKoordClick() {
    TfrmCoordInput input;
    input.setWindowTitle(U("Suchzentrum manuell eingeben"));
    input.lat = DistanceRef.lat;
    input.lon = DistanceRef.lon;
    if (platform::modalHost().exec(input, this) != Accepted) return;
    RadiusCenter = {input.lat, input.lon};
    lblKoord->setText(ToQ(FormatCoord(RadiusCenter)));
    lblMan->setVisible(true);
}

void TfrmWPCol::takeAsCenter() {
    const auto codes = SelectedCodes();
    TCacheRec rec;
    if (codes.empty() || !col.Lookup(codes.front(), rec)) return;
    RadiusCenter = {rec.Lat, rec.Lon};
    lblKoord->setText(ToQ(FormatCoord(RadiusCenter)));
    lblMan->setVisible(true);
    PageControl1->setCurrentIndex(1);
}

void TfrmWPCol::btnRadSearchClick() {
    const double radius = ParseRadius(FromQ(edRad->text())).value_or(-1.0);
    if (!(radius > 0)) {
        platform::messages().show(platform::MsgKind::Error, W("Der eingegebene Radius ist falsch."));
        return;
    }
    RadiusFilter f;
    f.radius = radius;
    f.centre = RadiusCenter;
    f.filterDate = cbFilterDate->isChecked();
    f.minHidden = DayCountOf(DateTimePicker->date());
    f.filterType = cbFilterType->isChecked();
    for (int t = 0; t < 10; ++t) f.types[static_cast<std::size_t>(t)] = typeBoxes[t]->isChecked();
    f.skipArchived = cbSkipArchived->isChecked();
    f.skipOldEvents = cbSkipOldEvents->isChecked();
    f.skipMicros = cbSkipMicros->isChecked();
    f.ignoreFinds = cbIgnoreFinds->isChecked();
    f.today = Today();
    f.foundDate = foundDate();
    int added;
    {
        BusyCursor busy;
        added = col.RadiusSearch(f, CurrentList);
    }
    if (added == 0) return;
    edName->clear();
    makeDefault(btnAddName);
    ListButtonsClick(0);
}

void TfrmWPCol::btnLoadWaypointsClick() {
    static const char* const kFilters[] = {"GPX-Dateien (*.gpx)", "LOC-Dateien (*.loc)", "XML-Dateien (*.xml)",
                                           "Textdateien (*.txt)", "Alle Dateien (*)"};
    const int format = std::clamp(cbFormat->currentIndex(), 0, 2);
    // The filter that fits the format comes first, so the dialog starts with it.
    const int first = format == 2 ? 3 : format;
    std::string filter = kFilters[first];
    for (int i = 0; i < 5; ++i)
        if (i != first) filter += std::string(";;") + kFilters[i];
    const auto files = platform::fileDialogs().openFiles(W("Öffnen"), filter,
                                                         ProcSettings.WorkDir.empty() ? WorkDir : ProcSettings.WorkDir);
    if (!files) return;
    std::vector<std::string> codes, partial;
    for (const std::string& file : *files) {
        CodesRead read = CodesFromFile(file, static_cast<WpFileFormat>(format));
        if (!read.complete) partial.push_back(file);
        for (std::string& c : read.codes) {
            codes.push_back(std::move(c));
            if (codes.size() % 200 == 0) platform::pump().pump();
        }
    }
    col.AddCodes(codes, CurrentList, cbIgnoreFinds->isChecked(), foundDate());
    ListButtonsClick(0);
    if (!partial.empty()) {
        std::string names;
        for (const std::string& p : partial) names += "\r\n" + p;
        platform::messages().show(platform::MsgKind::Warning,
                                  W("Folgende Dateien konnten nicht vollständig gelesen werden:") + names);
    }
}

// ---- moving and removing ---------------------------------------------------------------

int TfrmWPCol::dropTarget(QObject* watched) const {
    if (watched == btnWork) return kWorkList;
    if (watched == btnFound) return kFoundList;
    if (watched == btnIgnore) return kIgnoreList;
    if (watched == btnCache) return kClipList;
    if (watched == GarbagePanel) return 0;
    return -1;
}

bool TfrmWPCol::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edRad && event->type() == QEvent::KeyPress) {
        const QString t = static_cast<QKeyEvent*>(event)->text();
        if (t.size() == 1) {
            const QChar c = t.front();
            if (c == QLatin1Char(',')) {
                edRad->insert(QStringLiteral("."));
                return true;
            }
            if (c.isPrint() && !c.isDigit() && c != QLatin1Char('.')) return true;
        }
        return false;
    }
    const int target = dropTarget(watched);
    if (target >= 0 && (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)) {
        auto* drag = static_cast<QDropEvent*>(event);
        if (drag->source() == lv && target != CurrentList)
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    if (target >= 0 && event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        if (drop->source() != lv || target == CurrentList) return true;
        drop->acceptProposedAction();
        // The view is refilled after the drag has ended, not under its feet.
        QMetaObject::invokeMethod(
            this, [this, target] { btnDragDrop(target); }, Qt::QueuedConnection);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmWPCol::btnDragDrop(int target) {
    if (target == CurrentList) return;
    const auto rows = SelectedRows();
    if (target == 0)
        col.RemoveRows(CurrentList, rows);
    else
        col.MoveRows(rows, CurrentList, target, foundDate());
    sortRequested_ = SortColumn >= 0;
    ListButtonsClick(0);
}

void TfrmWPCol::tvMarkAction(int tag) {
    switch (tag) {
        case 1:
            lv->selectAll();
            break;
        case 2:
            lv->clearSelection();
            break;
        case 3:
            for (int r = 0; r < lv->topLevelItemCount(); ++r) {
                QTreeWidgetItem* it = lv->topLevelItem(r);
                it->setSelected(!it->isSelected());
            }
            break;
        case 4:
            col.RemoveRows(CurrentList, SelectedRows());
            col.SetModified(true);
            ListButtonsClick(0);
            break;
        case 5:
            col.ClearList(CurrentList);
            ListButtonsClick(0);
            break;
        default:
            break;
    }
}

void TfrmWPCol::tvEditAction() {
    const auto codes = SelectedCodes();
    if (codes.empty()) return;
    const std::string& code = codes.front();
    TfrmEditCache edit;
    TCacheRec rec;
    if (col.Lookup(code, rec)) {
        edit.setWindowTitle(U("Vorhandenen Cache editieren"));
    } else {
        rec = TCacheRec{};
        rec.Waypoint = code;
        edit.setWindowTitle(U("Neuen Cache in die Datenbank eingeben"));
    }
    edit.EditRecord = rec;
    edit.Execute(0, this);
    // The database decides what was stored: an edit closed without storing
    // leaves the lists as they were, and a find keeps its own date.
    TCacheRec stored;
    if (col.Lookup(code, stored)) col.ReplaceRecordEverywhere(stored);
    ListButtonsClick(0);
}

void TfrmWPCol::tvEditFoundDate() {
    if (CurrentList != kFoundList) return;
    col.SetFoundDateRows(SelectedRows(), foundDate());
    sortRequested_ = SortColumn >= 0;
    ListButtonsClick(0);
}

void TfrmWPCol::ShowWPInMap(bool all) {
    if (!ShowMap) return;
    auto codes = all ? RowCodes() : SelectedCodes();
    std::reverse(codes.begin(), codes.end());
    const auto removed = ShowMap(codes, *this);
    if (removed.empty()) return;
    col.RemoveEntries(CurrentList, removed);
    ListButtonsClick(0);
}

void TfrmWPCol::miRemoveFindsClick() {
    col.RemoveFindsAndIgnores(CurrentList);
    ListButtonsClick(0);
}

void TfrmWPCol::miRemoveArchivedClick() {
    col.RemoveArchived(CurrentList);
    ListButtonsClick(0);
}

void TfrmWPCol::lvDblClick() {
    QTreeWidgetItem* it = lv->currentItem();
    if (!it) return;
    const QByteArray b = it->data(0, kCodeRole).toByteArray();
    const std::string code(b.constData(), static_cast<std::size_t>(b.size()));
    const auto i = static_cast<std::size_t>(it->data(0, kEntryRole).toULongLong());
    TCacheRec rec;
    if (!col.Lookup(code, rec)) return;
    TfrmCacheDetails details;
    details.sbMinus->setVisible(true);
    details.sbPlus->setVisible(true);
    details.Cache = rec;
    const auto& entries = col.List(CurrentList);
    if (CurrentList == kFoundList && i < entries.size())
        details.FoundDateText = FormatDayDate(entries[i].rec.FoundDate).value_or("01.01.2000");
    if (platform::modalHost().exec(details, this) != mrNo) return;
    col.RemoveRows(CurrentList, {i});
    ListButtonsClick(0);
}

// ---- settings ----------------------------------------------------------------------------

std::string TfrmWPCol::iniPath() const { return ResolveFileNoCase(WorkDir, "tq.conf"); }

void TfrmWPCol::LoadSettings() {
    if (!IsRegularFile(iniPath())) return;
    const TIniFile ini(iniPath());
    WpColSettings s;
    s.Load(ini, cbHome->count(), cbFormat->count(), PageControl1->count());
    edName->clear();
    cbSelMultiFinds->setChecked(s.preselectMultiFinds);
    cbHome->setCurrentIndex(s.radSearchHomeIndex);
    cbHomeGlobal->setCurrentIndex(s.radSearchHomeIndexGlobal);
    cbHomeChange();
    cbGlobalHomeChange();
    edRad->setText(ToQ(s.radius));
    cbFormat->setCurrentIndex(s.importFormatIndex);
    cbIgnoreFinds->setChecked(s.ignoreFinds);
    cbFilterType->setChecked(s.filterCacheType);
    cbFilterDate->setChecked(s.filterCacheDate);
    cbSkipArchived->setChecked(s.skipArchived);
    cbSkipOldEvents->setChecked(s.skipOldEvents);
    cbSkipMicros->setChecked(s.skipMicros);
    for (int t = 0; t < 10; ++t) typeBoxes[t]->setChecked(s.types[static_cast<std::size_t>(t)]);
    for (QCheckBox* b : typeBoxes) b->setEnabled(s.filterCacheType);
    DateTimePicker->setEnabled(s.filterCacheDate);
    PageControl1->setCurrentIndex(s.activePage);
}

void TfrmWPCol::SaveSettings() {
    WpColSettings s;
    s.preselectMultiFinds = cbSelMultiFinds->isChecked();
    s.radSearchHomeIndex = std::max(0, cbHome->currentIndex());
    s.radSearchHomeIndexGlobal = std::max(0, cbHomeGlobal->currentIndex());
    s.radius = FromQ(edRad->text());
    s.importFormatIndex = std::max(0, cbFormat->currentIndex());
    s.ignoreFinds = cbIgnoreFinds->isChecked();
    s.filterCacheType = cbFilterType->isChecked();
    s.filterCacheDate = cbFilterDate->isChecked();
    s.skipArchived = cbSkipArchived->isChecked();
    s.skipOldEvents = cbSkipOldEvents->isChecked();
    s.skipMicros = cbSkipMicros->isChecked();
    for (int t = 0; t < 10; ++t) s.types[static_cast<std::size_t>(t)] = typeBoxes[t]->isChecked();
    s.activePage = PageControl1->currentIndex();
    TIniFile ini(iniPath());
    s.Save(ini);
    // The program's own radius follows, so that closing the main window does
    // not write the old value back.
    const double radius = ParseRadius(s.radius).value_or(-1.0);
    if (radius > 0) ProcSettings.Radius = radius;
}

}  // namespace tv
