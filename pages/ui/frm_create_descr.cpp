#include "pages/ui/frm_create_descr.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/proc_settings.h"
#include "platform/services.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/radio_group.h"
#include "platform/ui/form_events.h"

namespace tv {

TfrmCreateDescr* frmCreateDescr = nullptr;

namespace {

QCheckBox* Check(const char* caption, bool on, QLayout* into) {
    auto* cb = new QCheckBox(U(caption));
    cb->setChecked(on);
    into->addWidget(cb);
    return cb;
}

}  // namespace

TfrmCreateDescr::TfrmCreateDescr(QWidget* parent) : QDialog(parent) {
    setObjectName("frmCreateDescr");
    setWindowTitle(U("Cachebeschreibungen erzeugen"));
    resize(429, 496);
    auto* top = new QVBoxLayout(this);
    pcOptions = new QTabWidget;

    // Page "Ausgabeoptionen"
    auto* page1 = new QWidget;
    auto* p1 = new QVBoxLayout(page1);
    cbKeepOld = Check("Bereits vorhandene Beschreibungen behalten", false, p1);
    auto* logRow = new QHBoxLayout;
    cbLogs = new QCheckBox(U("Cachelogs ausgeben, Anzahl begrenzen auf:"));
    cbLogs->setChecked(true);
    cbMaxLog = new QComboBox;
    cbMaxLog->setEditable(true);
    cbMaxLog->addItems({"3", "5", "10", "15", "20", "30"});
    cbMaxLog->setEditText(QString());
    logRow->addWidget(cbLogs);
    logRow->addWidget(cbMaxLog);
    p1->addLayout(logRow);
    cbBoldLogs = Check("Logdatum und Finder fett darstellen", true, p1);
    cbCacheimages = Check("Cache-Images ausgeben", true, p1);
    auto* radios = new QHBoxLayout;
    gbImageKind =
        RadioGroup("Darstellung der Images", {"untereinander", "verkleinert, 2-spaltig"}, 1, rgImageKind, this, 1);
    radios->addWidget(gbImageKind);
    radios->addWidget(RadioGroup("Hints ausgeben", {"als Klartext", "ROT13-codiert", "weiß auf weiß"}, 1, rgHints, this,
                                 kHintsPlain));
    p1->addLayout(radios);
    p1->addWidget(new QLabel(U("Abstandsangaben gemäß dieses Homes:")));
    cbHome = new QComboBox;
    p1->addWidget(cbHome);
    p1->addWidget(RadioGroup("Folgende Cachebeschreibungen erzeugen",
                             {"alle Caches in der Arbeitsliste", "alle Caches im Ausgabeverzeichnis"}, 2, rgConvWhich,
                             this, 0));
    p1->addWidget(new QLabel(U("verwendetes Template:")));
    auto* tplRow = new QHBoxLayout;
    edTemplate = new QLineEdit;
    Button1 = new QPushButton(U("durchsuchen"));
    tplRow->addWidget(edTemplate, 1);
    tplRow->addWidget(Button1);
    p1->addLayout(tplRow);
    p1->addStretch(1);
    pcOptions->addTab(page1, U("Ausgabeoptionen"));

    // Page "HTML-Reformatierung"
    auto* page2 = new QWidget;
    auto* p2 = new QVBoxLayout(page2);
    auto* gbRemove = new QGroupBox(U("Folgende HTML-Elemente aus der Langbeschreibung entfernen"));
    auto* rm = new QVBoxLayout(gbRemove);
    cbBody = Check("<BODY>-Tag entfernen", true, rm);
    cbBGColor = Check("Hintergrund-Farbanweisungen ", true, rm);
    cbImg = Check("<IMG>-Tags", true, rm);
    cbStyle = Check("<STYLE>-Tags", true, rm);
    cbHREF = Check("Hyperlinks", true, rm);
    cbFont = Check("<FONT>-Tags", true, rm);
    cbTables = Check("Tabellen", false, rm);
    cbRemoveAll = Check("Alle HTML-Tags (ohne <BR>)", false, rm);
    cbSpan = Check("falsche Anzahl <span>-Tags", false, rm);
    cbSpan->hide();
    p2->addWidget(gbRemove);
    p2->addStretch(1);
    pcOptions->addTab(page2, U("HTML-Reformatierung"));

    // Page "Kartenoptionen"
    auto* page3 = new QWidget;
    auto* p3 = new QVBoxLayout(page3);
    auto* gbOrder = new QGroupBox(U("Festlegen der Kartenreihenfolge"));
    auto* order = new QGridLayout(gbOrder);
    lbMaps = new QListWidget;
    for (const std::string& m : DefaultMapOrder()) lbMaps->addItem(ToQ(m));
    btnUp = new QPushButton(U("nach oben"));
    btnDown = new QPushButton(U("nach unten"));
    btnUp->setEnabled(false);
    btnDown->setEnabled(false);
    order->addWidget(lbMaps, 0, 0, 3, 1);
    order->addWidget(btnUp, 0, 1);
    order->addWidget(btnDown, 1, 1);
    auto* note =
        new QLabel(U("In dieser Reihenfolge wird beim Konvertieren nach Karten gesucht.\n"
                     "Die erste gefundene Karte wird in die Beschreibung eingefügt."));
    note->setWordWrap(true);
    order->addWidget(note, 3, 0, 1, 2);
    p3->addWidget(gbOrder);
    auto* gbResize =
        RadioGroup("Große Karten verkleinern", {"100 % (Originalgröße)", "67 %", "50 %"}, 1, rgResizeMap, this, 0);
    static_cast<QGridLayout*>(gbResize->layout())
        ->addWidget(new QLabel(U("(gilt nicht für Karten von MapPoint)")), 3, 0);
    p3->addWidget(gbResize);
    p3->addStretch(1);
    pcOptions->addTab(page3, U("Kartenoptionen"));
    top->addWidget(pcOptions);

    cbSaveOptions = new QCheckBox(U("eingestellte Optionen speichern"));
    cbSaveOptions->setChecked(true);
    top->addWidget(cbSaveOptions);
    paAnz = new QLabel;
    paAnz->setFrameShape(QFrame::Panel);
    paAnz->setFrameShadow(QFrame::Sunken);
    top->addWidget(paAnz);
    auto* gbProgress = new QGroupBox(U("Fortschritt"));
    auto* pr = new QVBoxLayout(gbProgress);
    lblWP = new QLabel;
    pb = new QProgressBar;
    pb->setTextVisible(false);
    pr->addWidget(lblWP);
    pr->addWidget(pb);
    top->addWidget(gbProgress);
    auto* bottom = new QHBoxLayout;
    btnStart = new QPushButton(U("Start"));
    btnStart->setDefault(true);
    btnCancel = new QPushButton(U("Abbrechen"));
    bottom->addStretch(1);
    bottom->addWidget(btnStart);
    bottom->addWidget(btnCancel);
    top->addLayout(bottom);

    AutoLoad = new QTimer(this);
    AutoLoad->setObjectName("AutoLoad");
    AutoLoad->setInterval(200);
    AutoLoad->setSingleShot(true);

    connect(rgConvWhich, &QButtonGroup::idClicked, this, [this](int) { rgConvWhichClick(); });
    connect(cbLogs, &QCheckBox::toggled, this, &TfrmCreateDescr::cbLogsClick);
    connect(cbCacheimages, &QCheckBox::toggled, this, &TfrmCreateDescr::cbCacheimagesClick);
    connect(lbMaps, &QListWidget::currentRowChanged, this, &TfrmCreateDescr::lbMapsClick);
    connect(btnUp, &QPushButton::clicked, this, &TfrmCreateDescr::btnUpClick);
    connect(btnDown, &QPushButton::clicked, this, &TfrmCreateDescr::btnDownClick);
    connect(Button1, &QPushButton::clicked, this, &TfrmCreateDescr::Button1Click);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmCreateDescr::btnCancelClick);
    connect(btnStart, &QPushButton::clicked, this, &TfrmCreateDescr::btnStartClick);
    connect(AutoLoad, &QTimer::timeout, this, &TfrmCreateDescr::AutoLoadTimer);

    if (!frmCreateDescr) frmCreateDescr = this;
}

TfrmCreateDescr::~TfrmCreateDescr() {
    if (frmCreateDescr == this) frmCreateDescr = nullptr;
}

void TfrmCreateDescr::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (IsFormShowHide(e)) FormShow();
}

void TfrmCreateDescr::FormShow() {
    FillWaypointList();
    lblWP->clear();
    btnStart->setEnabled(true);
    cbHome->clear();
    cbHome->addItem(U("HOME"));
    for (const std::string& name : ProcSettings.AddHomeTxt) cbHome->addItem(ToQ(name));
    cbHome->setEnabled(cbHome->count() > 1);
    cbHome->setCurrentIndex(0);
    LoadOptions();
    cbLogsClick();
    cbCacheimagesClick();
}

void TfrmCreateDescr::FillWaypointList() {
    WaypointList.clear();
    if (CheckedId(rgConvWhich) == 1) {
        WaypointList = CollectDescriptionWaypoints(GetOutDir());
        if (WaypointList.empty()) platform::messages().show(platform::MsgKind::Error, NoStoredPagesText());
        paAnz->setText(ToQ(FolderCountText(WaypointList.size())));
    } else {
        const auto loaded = LoadWorkList(GetWorkDir(), WaypointList);
        if (!loaded && !MissingFileError(loaded.error().code))
            ShowSysError(loaded.error().code, loaded.error().message);
        else if (!loaded)
            platform::messages().show(platform::MsgKind::Error, EmptyWorkListText());
        paAnz->setText(ToQ(WorkListCountText(WaypointList.size())));
    }
}

void TfrmCreateDescr::LoadOptions() {
    DescrWindowOptions o = OptionsFromControls();
    ReadDescrOptions(o, ProcSettings.Template);
    ControlsFromOptions(o);
}

DescrWindowOptions TfrmCreateDescr::OptionsFromControls() const {
    DescrWindowOptions o;
    o.saveOptions = cbSaveOptions->isChecked();
    DescriptionOptions& d = o.descr;
    d.keepOld = cbKeepOld->isChecked();
    d.logs = cbLogs->isChecked();
    d.maxLogs = FromQ(cbMaxLog->currentText());
    d.boldLogs = cbBoldLogs->isChecked();
    d.cacheImages = cbCacheimages->isChecked();
    d.imageKind = CheckedId(rgImageKind);
    d.hints = CheckedId(rgHints);
    d.clean = CleanFlags{cbBody->isChecked(),   cbBGColor->isChecked(),   cbImg->isChecked(),
                         cbStyle->isChecked(),  cbHREF->isChecked(),      cbFont->isChecked(),
                         cbTables->isChecked(), cbRemoveAll->isChecked(), cbSpan->isChecked()};
    d.mapOrder.clear();
    for (int i = 0; i < lbMaps->count(); ++i) d.mapOrder.push_back(FromQ(lbMaps->item(i)->text()));
    d.resizeMap = CheckedId(rgResizeMap);
    o.templateFile = FromQ(edTemplate->text());
    o.home = std::max(0, cbHome->currentIndex());
    return o;
}

void TfrmCreateDescr::ControlsFromOptions(const DescrWindowOptions& o) {
    const DescriptionOptions& d = o.descr;
    cbSaveOptions->setChecked(o.saveOptions);
    cbKeepOld->setChecked(d.keepOld);
    cbLogs->setChecked(d.logs);
    cbMaxLog->setEditText(ToQ(d.maxLogs));
    cbBoldLogs->setChecked(d.boldLogs);
    cbCacheimages->setChecked(d.cacheImages);
    rgImageKind->button(d.imageKind)->setChecked(true);
    rgHints->button(d.hints)->setChecked(true);
    cbBody->setChecked(d.clean.body);
    cbBGColor->setChecked(d.clean.bgColor);
    cbImg->setChecked(d.clean.img);
    cbStyle->setChecked(d.clean.style);
    cbHREF->setChecked(d.clean.href);
    cbFont->setChecked(d.clean.font);
    cbTables->setChecked(d.clean.tables);
    cbRemoveAll->setChecked(d.clean.removeAll);
    cbSpan->setChecked(d.clean.span);
    lbMaps->clear();
    for (const std::string& m : d.mapOrder) lbMaps->addItem(ToQ(m));
    btnUp->setEnabled(false);
    btnDown->setEnabled(false);
    rgResizeMap->button(d.resizeMap)->setChecked(true);
    edTemplate->setText(ToQ(o.templateFile));
    // A stored home that is no longer there falls back to the home itself.
    cbHome->setCurrentIndex(o.home < cbHome->count() ? o.home : 0);
}

void TfrmCreateDescr::rgConvWhichClick() { FillWaypointList(); }

void TfrmCreateDescr::cbLogsClick() { cbMaxLog->setEnabled(cbLogs->isChecked()); }

void TfrmCreateDescr::cbCacheimagesClick() { gbImageKind->setEnabled(cbCacheimages->isChecked()); }

void TfrmCreateDescr::lbMapsClick() {
    const int i = lbMaps->currentRow();
    btnUp->setEnabled(i > 0);
    btnDown->setEnabled(i >= 0 && i < lbMaps->count() - 1);
}

void TfrmCreateDescr::MoveMap(bool up) {
    std::vector<std::string> order = OptionsFromControls().descr.mapOrder;
    const int i = lbMaps->currentRow();
    const int moved = up ? MoveMapUp(order, i) : MoveMapDown(order, i);
    if (moved == i) return;
    for (int k = 0; k < lbMaps->count(); ++k) lbMaps->item(k)->setText(ToQ(order[static_cast<std::size_t>(k)]));
    lbMaps->setCurrentRow(moved);
    lbMapsClick();
}

void TfrmCreateDescr::btnUpClick() { MoveMap(true); }

void TfrmCreateDescr::btnDownClick() { MoveMap(false); }

void TfrmCreateDescr::Button1Click() {
    auto chosen = platform::fileDialogs().openFile(W("Template auswählen"),
                                                   "Template Dateien (*.html *.HTML);;Alle Dateien (*)", GetWorkDir());
    if (chosen) edTemplate->setText(ToQ(*chosen));
}

void TfrmCreateDescr::btnCancelClick() {
    Cancelled = true;
    if (running_)
        running_->cancel();  // the run passes over the rest and closes the window
    else
        done(mrCancel);
}

void TfrmCreateDescr::AutoLoadTimer() {
    AutoLoad->stop();
    AutoRun = true;
    Start(true);
}

void TfrmCreateDescr::btnStartClick() { Start(false); }

void TfrmCreateDescr::Start(bool byTimer) {
    Cancelled = false;
    DescriptionRunRequest rq;
    rq.waypoints = WaypointList;
    rq.templateFile = FromQ(edTemplate->text());
    rq.options = OptionsFromControls().descr;
    rq.homeItem = cbHome->currentIndex();
    rq.timerRun = byTimer || AutoRun;

    DescriptionRunEvents ev;
    ev.started = [this](DescriptionGenerator& generator) {
        running_ = &generator;
        State = 1;
        btnStart->setEnabled(false);
        pcOptions->setEnabled(false);
        pb->setRange(0, std::max<int>(1, static_cast<int>(WaypointList.size())));
        pb->setValue(0);
    };
    ev.progress = [this](const DescriptionProgress& p) {
        pb->setValue(p.index + 1);
        if (!p.text.empty()) lblWP->setText(ToQ(p.text));
        platform::pump().pump();  // lets "Abbrechen" in
    };
    ev.finished = [this](const DescriptionRunResult& r) {
        running_ = nullptr;
        RemovedContentList = r.removedContent;
        pb->setValue(0);
        lblWP->setText(U("Fertig."));
        pcOptions->setEnabled(true);
        platform::pump().pump();
    };
    TemplateText = RunDescriptions(rq, ev).templateText;
    running_ = nullptr;
    AutoRun = false;  // a flag left on would hide the boxes of every later run
    done(mrOk);
}

void TfrmCreateDescr::done(int r) {
    if (running_) {  // closing during a run: stop it; the run closes the window
        Cancelled = true;
        running_->cancel();
        return;
    }
    WriteDescrOptions(OptionsFromControls());  // FormClose
    State = 2;
    QDialog::done(r);
}

}  // namespace tv
