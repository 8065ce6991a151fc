#include "exchange/ui/frm_gpx_exp.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/proc_settings.h"
#include "core/program_files.h"
#include "exchange/export_formats.h"
#include "exchange/export_run.h"
#include "exchange/export_text.h"
#include "pages/ui/memo_text.h"
#include "platform/services.h"
#include "platform/ui/form_events.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/radio_group.h"

namespace tv {

TfrmGPXExp* frmGPXExp = nullptr;

namespace {

using platform::MsgKind;

// Page of the option stack per format item (0: none).
constexpr int kPageOfItem[kExportFormatCount] = {1, 0, 2, 3, 4, 5, 6, 0};

QColor ToColor(int bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }
int FromColor(const QColor& c) { return (c.blue() << 16) | (c.green() << 8) | c.red(); }

QLineEdit* DigitsEdit(int maxLength) {
    auto* ed = new QLineEdit;
    ed->setMaxLength(maxLength);
    ed->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), ed));
    ed->setMaximumWidth(50);
    return ed;
}

QComboBox* Combo(std::initializer_list<const char*> items) {
    auto* cb = new QComboBox;
    for (const char* item : items) cb->addItem(U(item));
    return cb;
}

}  // namespace

TfrmGPXExp::TfrmGPXExp(QWidget* parent) : QDialog(parent) {
    setObjectName("frmGPXExp");
    setWindowTitle(U("Export"));
    auto* top = new QVBoxLayout(this);
    auto* frame = new QGroupBox(U("Export für verschiedene Anwendungen"));
    auto* body = new QGridLayout(frame);
    top->addWidget(frame);

    QGroupBox* gbFormat =
        RadioGroup("Ausgabeformat",
                   {"Overlaydatei (*.ovl) für Top50", "Waypointdatei (*.loc) für EasyGPS",
                    "CSV-Export (*.csv) für OpenOffice / Excel", "Psion-Realmaps (*.txt)", "OziExplorer (*.wpt)",
                    "GPX-Format (*.gpx)", "XML-Format per Template", "Magellan Explorist (*.gs)"},
                   1, rgFormat, this, 0);
    body->addWidget(gbFormat, 0, 0);
    gbWhat = RadioGroup("zu exportierende Liste", {"Arbeitsliste", "Eigene Funde", "Alle Caches in der DB"}, 1, rgWhat,
                        this, 0);
    gbWhat->setToolTip(U("Welche Liste soll exportiert werden"));
    gbDirExport = new QGroupBox(U("zu exportierende Liste"));
    auto* dirText =
        new QLabel(U("(Es werden alle Caches exportiert, die sich im gewählten Verzeichnis befinden.)"), gbDirExport);
    dirText->setWordWrap(true);
    (new QVBoxLayout(gbDirExport))->addWidget(dirText);
    gbDirExport->hide();
    auto* left = new QVBoxLayout;
    left->addWidget(gbWhat);
    left->addWidget(gbDirExport);
    left->addStretch(1);
    body->addLayout(left, 1, 0);

    pgOptions = new QStackedWidget;
    pgOptions->addWidget(new QWidget);
    body->addWidget(pgOptions, 0, 1, 2, 1);

    // Top50 overlay
    gbFmtOvlOpts = new QGroupBox(U("Optionen für Overlay-Datei-Export"));
    auto* ovl = new QGridLayout(gbFmtOvlOpts);
    cbbColor = Combo({"rot", "grün", "blau", "gelb", "schwarz", "weiß", "violett", "türkis"});
    cbbColor->setToolTip(U("Schriftfarbe der Beschriftung"));
    cbbSize = Combo({"sehr klein", "klein", "mittel", "groß", "sehr groß"});
    cbbSize->setToolTip(U("Schriftgröße der Beschriftung"));
    cbbColor->setCurrentIndex(2);
    cbbSize->setCurrentIndex(2);
    cbLabel = new QCheckBox(U("auch Waypointname ausgeben"));
    cbLabel->setToolTip(U("Cachesymbol wird mit Beschriftung ausgegeben, wenn markiert"));
    cbLabel->setChecked(true);
    ovl->addWidget(new QLabel(U("Schriftfarbe:")), 0, 0);
    ovl->addWidget(cbbColor, 0, 1);
    ovl->addWidget(new QLabel(U("Schriftgröße:")), 1, 0);
    ovl->addWidget(cbbSize, 1, 1);
    ovl->addWidget(cbLabel, 2, 0, 1, 2);
    ovl->setRowStretch(3, 1);
    pgOptions->addWidget(gbFmtOvlOpts);

    // CSV
    gbFmtCSVOpts = new QGroupBox(U("Auswahl zu exportierende Datenfelder und Optionen"));
    auto* csv = new QGridLayout(gbFmtCSVOpts);
    int n = 0;
    auto box = [&](QCheckBox*& cb, const char* caption, bool on) {
        cb = new QCheckBox(U(caption));
        cb->setChecked(on);
        csv->addWidget(cb, n % 7, n / 7);
        ++n;
    };
    box(cbID, "Cache-ID", false);
    box(cbName, "Cachename", true);
    box(cbHiddendate, "Versteckt am", true);
    box(cbCoord, "Koordinaten", true);
    box(cbLatLon, "Länge / Breite", true);
    box(cbMerkatorCoord, "Koordinaten im Merkatorformat (GGMMSS.ss)", false);
    box(cbSize, "Cachegröße", true);
    box(cbType, "Cachetyp", true);
    box(cbWaypoint, "Waypoint", true);
    box(cbDifficulty, "Difficulty", true);
    box(cbTerrain, "Terrain", true);
    box(cbCountry, "Land", true);
    box(cbHomedist, "Home-Entf.", true);
    box(cbFounddate, "Funddatum", true);
    cbHeadline = new QCheckBox(U("Spaltennamen in Zeile 1"));
    cbHeadline->setChecked(true);
    cbQuoteNums = new QCheckBox(U("Zahlenspalten in Anführungszeichen"));
    cbDecimalSeparator = Combo({"Komma ( , )", "Punkt ( . )"});
    Label3 = new QLabel(U("Zentrum (Home):"));
    cbHome = new QComboBox;
    csv->addWidget(cbHeadline, 7, 0);
    csv->addWidget(cbQuoteNums, 7, 1);
    csv->addWidget(new QLabel(U("Dezimaltrennzeichen:")), 8, 0);
    csv->addWidget(cbDecimalSeparator, 8, 1);
    csv->addWidget(Label3, 9, 0);
    csv->addWidget(cbHome, 9, 1);
    pgOptions->addWidget(gbFmtCSVOpts);

    // RealMaps
    gbFmtRealMaps = new QGroupBox(U("Optionen für RealMaps-Serie3-Overlay"));
    auto* rm = new QVBoxLayout(gbFmtRealMaps);
    rm->addWidget(
        RadioGroup("Als Info ausgeben", {"Cachename", "Waypoint", "Waypoint und Cachename"}, 1, rgInfo, this, 0));
    rm->addStretch(1);
    pgOptions->addWidget(gbFmtRealMaps);

    // OziExplorer
    gbFmtOzi = new QGroupBox(U("Optionen für den Export"));
    auto* ozi = new QGridLayout(gbFmtOzi);
    cbOziNumber = Combo({"durchlaufend", "immer -1"});
    cbOziDate = Combo({"Versteckdatum", "Tagesdatum"});
    edFontsize = DigitsEdit(3);
    edFontsize->setText("6");
    cbBold = new QCheckBox(U("Fett"));
    edSymSize = DigitsEdit(3);
    edSymSize->setText("17");
    cbOziNameAsWP = new QCheckBox(U("Waypoint + Cachename tauschen"));
    ozi->addWidget(new QLabel(U("Nummer:")), 0, 0);
    ozi->addWidget(cbOziNumber, 0, 1);
    ozi->addWidget(new QLabel(U("Datum:")), 0, 2);
    ozi->addWidget(cbOziDate, 0, 3);
    ozi->addWidget(new QLabel(U("Fontgröße")), 1, 0);
    ozi->addWidget(edFontsize, 1, 1);
    ozi->addWidget(cbBold, 1, 2);
    ozi->addWidget(new QLabel(U("Symbolgröße")), 2, 0);
    ozi->addWidget(edSymSize, 2, 1);
    ozi->addWidget(cbOziNameAsWP, 3, 0, 1, 4);
    auto* types = new QGroupBox(U("Cachetyp-spezifische Einstellungen"));
    auto* tg = new QGridLayout(types);
    tg->addWidget(new QLabel(U("Typ")), 0, 0);
    tg->addWidget(new QLabel(U("Symbol")), 0, 1);
    tg->addWidget(new QLabel(U("Farben")), 0, 2);
    const char* rowNames[4] = {"Tradi", "Multi", "Mystery", "andere"};
    const OziOptions defaults;
    for (int r = 0; r < 4; ++r) {
        edSym[r] = DigitsEdit(4);
        edSym[r]->setText("1");
        btnH[r] = new QPushButton(U("H"));
        btnV[r] = new QPushButton(U("V"));
        btnH[r]->setMaximumWidth(28);
        btnV[r]->setMaximumWidth(28);
        lblBsp[r] = new QLabel(U(" Beispiel "));
        lblBsp[r]->setAutoFillBackground(true);
        fg_[r] = defaults.rows[r].fg;
        bg_[r] = defaults.rows[r].bg;
        tg->addWidget(new QLabel(U(rowNames[r])), r + 1, 0);
        tg->addWidget(edSym[r], r + 1, 1);
        tg->addWidget(btnH[r], r + 1, 2);
        tg->addWidget(btnV[r], r + 1, 3);
        tg->addWidget(lblBsp[r], r + 1, 4);
        connect(btnH[r], &QPushButton::clicked, this, [this, r] { BtnColorClick(-(r + 1)); });
        connect(btnV[r], &QPushButton::clicked, this, [this, r] { BtnColorClick(r + 1); });
        PaintSample(r);
    }
    tg->setRowStretch(5, 1);
    tg->setColumnStretch(5, 1);
    ozi->addWidget(types, 4, 0, 1, 4);
    pgOptions->addWidget(gbFmtOzi);

    // GPX
    gbFmtGPX = new QGroupBox(U("Optionen für GPX-Export"));
    auto* gpx = new QVBoxLayout(gbFmtGPX);
    cbOutputHome = new QCheckBox(U("HOME-Referenzpunkte exportieren"));
    cbOutputHome->setChecked(true);
    gbHomes = RadioGroup("Homes für Export", {"nur primäres Home", "alle definierten Homes"}, 1, rgHomes, this, 1);
    mmWP = new QPlainTextEdit;
    mmWP->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmWP->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    mmWP->setPlainText(ToQ(DefaultWaypointTemplate()));
    gpx->addWidget(cbOutputHome);
    gpx->addWidget(gbHomes);
    gpx->addWidget(new QLabel(U("Waypoint-Template:")));
    gpx->addWidget(mmWP, 1);
    pgOptions->addWidget(gbFmtGPX);

    // XML template
    gbFmtXML = new QGroupBox(U("Formatvorlage für XML-Export"));
    auto* xml = new QVBoxLayout(gbFmtXML);
    cbFormat = new QComboBox;
    xml->addWidget(new QLabel(U("Vorlage bitte wählen:")));
    xml->addWidget(cbFormat);
    xml->addStretch(1);
    pgOptions->addWidget(gbFmtXML);

    auto* bottom = new QHBoxLayout;
    cbSaveSettings = new QCheckBox(U("Einstellungen speichern"));
    OK = new QPushButton(U("Exportieren"));
    OK->setDefault(true);
    btnCancel = new QPushButton(U("Abbrechen"));
    bottom->addWidget(cbSaveSettings);
    bottom->addStretch(1);
    bottom->addWidget(OK);
    bottom->addWidget(btnCancel);
    top->addLayout(bottom);

    connect(OK, &QPushButton::clicked, this, &TfrmGPXExp::OKClick);
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    connect(rgFormat, &QButtonGroup::idClicked, this, [this](int) { rgFormatClick(); });
    connect(rgWhat, &QButtonGroup::idClicked, this, [this](int) { rgWhatClick(); });
    connect(cbLabel, &QCheckBox::clicked, this, &TfrmGPXExp::cbLabelClick);
    connect(cbHomedist, &QCheckBox::clicked, this, &TfrmGPXExp::cbHomedistClick);
    connect(cbOutputHome, &QCheckBox::clicked, this, &TfrmGPXExp::cbOutputHomeClick);

    PickColor = [this](int current) -> std::optional<int> {
        const QColor c = QColorDialog::getColor(ToColor(current), this);
        if (!c.isValid()) return std::nullopt;
        return FromColor(c);
    };
    rgFormatClick();
    rgWhatClick();
    if (!frmGPXExp) frmGPXExp = this;
}

TfrmGPXExp::~TfrmGPXExp() {
    if (frmGPXExp == this) frmGPXExp = nullptr;
}

ExportOptions TfrmGPXExp::toOptions() const {
    ExportOptions o;
    o.expList = CheckedId(rgWhat);
    o.format = CheckedId(rgFormat);
    o.ovl = {cbLabel->isChecked(), cbbColor->currentIndex(), cbbSize->currentIndex()};
    CsvOptions& c = o.csv;
    c.id = cbID->isChecked();
    c.name = cbName->isChecked();
    c.hidden = cbHiddendate->isChecked();
    c.foundDate = cbFounddate->isChecked();
    c.coord = cbCoord->isChecked();
    c.latLon = cbLatLon->isChecked();
    c.merkator = cbMerkatorCoord->isChecked();
    c.size = cbSize->isChecked();
    c.type = cbType->isChecked();
    c.difficulty = cbDifficulty->isChecked();
    c.terrain = cbTerrain->isChecked();
    c.waypoint = cbWaypoint->isChecked();
    c.country = cbCountry->isChecked();
    c.homeDist = cbHomedist->isChecked();
    c.quoteNums = cbQuoteNums->isChecked();
    c.headline = cbHeadline->isChecked();
    c.decimalSeparator = std::max(0, cbDecimalSeparator->currentIndex());
    c.home = std::max(0, cbHome->currentIndex());
    o.psionInfo = CheckedId(rgInfo);
    o.ozi.number = std::max(0, cbOziNumber->currentIndex());
    o.ozi.date = std::max(0, cbOziDate->currentIndex());
    o.ozi.fontSize = FromQ(edFontsize->text());
    o.ozi.symSize = FromQ(edSymSize->text());
    o.ozi.bold = cbBold->isChecked();
    o.ozi.swap = cbOziNameAsWP->isChecked();
    for (int r = 0; r < 4; ++r) o.ozi.rows[r] = {FromQ(edSym[r]->text()), fg_[r], bg_[r]};
    o.gpx.outputHome = cbOutputHome->isChecked();
    o.gpx.whichHomes = CheckedId(rgHomes);
    // The memo's lines as the template file keeps them: CR LF between them.
    std::string tpl = FromQ(MemoText(mmWP));
    std::string crlf;
    for (char ch : tpl) {
        if (ch == '\n') crlf += '\r';
        crlf += ch;
    }
    o.gpx.wpTemplate = crlf;
    o.xmlTemplate = cbFormat->count() > 0 ? cbFormat->currentIndex() : heldTemplate_;
    if (cbFormat->currentIndex() >= 0 && cbFormat->currentIndex() < static_cast<int>(TemplateFiles.size()))
        o.xml = TemplateFiles[cbFormat->currentIndex()].parts;
    return o;
}

void TfrmGPXExp::fromOptions(const ExportOptions& o) {
    auto check = [](QButtonGroup* g, int id) {
        if (QAbstractButton* b = g->button(id)) b->setChecked(true);
    };
    auto index = [](QComboBox* cb, int i) { cb->setCurrentIndex(i >= 0 && i < cb->count() ? i : -1); };
    check(rgWhat, o.expList);
    check(rgFormat, o.format);
    cbLabel->setChecked(o.ovl.label);
    index(cbbColor, o.ovl.color);
    index(cbbSize, o.ovl.size);
    const CsvOptions& c = o.csv;
    cbID->setChecked(c.id);
    cbName->setChecked(c.name);
    cbHiddendate->setChecked(c.hidden);
    cbFounddate->setChecked(c.foundDate);
    cbCoord->setChecked(c.coord);
    cbLatLon->setChecked(c.latLon);
    cbMerkatorCoord->setChecked(c.merkator);
    cbSize->setChecked(c.size);
    cbType->setChecked(c.type);
    cbDifficulty->setChecked(c.difficulty);
    cbTerrain->setChecked(c.terrain);
    cbWaypoint->setChecked(c.waypoint);
    cbCountry->setChecked(c.country);
    cbHomedist->setChecked(c.homeDist);
    cbQuoteNums->setChecked(c.quoteNums);
    cbHeadline->setChecked(c.headline);
    index(cbDecimalSeparator, c.decimalSeparator);
    index(cbHome, c.home);
    check(rgInfo, o.psionInfo);
    index(cbOziNumber, o.ozi.number);
    index(cbOziDate, o.ozi.date);
    edFontsize->setText(ToQ(o.ozi.fontSize));
    edSymSize->setText(ToQ(o.ozi.symSize));
    cbBold->setChecked(o.ozi.bold);
    cbOziNameAsWP->setChecked(o.ozi.swap);
    for (int r = 0; r < 4; ++r) edSym[r]->setText(ToQ(o.ozi.rows[r].symbol));
    cbOutputHome->setChecked(o.gpx.outputHome);
    check(rgHomes, o.gpx.whichHomes);
    mmWP->setPlainText(ToQ(o.gpx.wpTemplate));
    heldTemplate_ = o.xmlTemplate;
    rgFormatClick();
    rgWhatClick();
    cbLabelClick();
    cbHomedistClick();
    cbOutputHomeClick();
}

void TfrmGPXExp::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (IsFormShowHide(e)) FormShow();
}

void TfrmGPXExp::hideEvent(QHideEvent* e) {
    QDialog::hideEvent(e);
    if (IsFormShowHide(e)) FormHide();
}

void TfrmGPXExp::FormShow() {
    ExportOptions o = toOptions();
    LoadExportSettings(GetWorkDir(), o);
    // These four always open on their first item.
    o.csv.decimalSeparator = 0;
    o.csv.home = 0;
    o.ozi.number = 0;
    o.ozi.date = 0;
    cbHome->clear();
    cbHome->addItem(QStringLiteral("HOME"));
    for (const std::string& name : ProcSettings.AddHomeTxt) cbHome->addItem(ToQ(name));
    cbHome->setEnabled(cbHome->count() > 1);
    fromOptions(o);
    gbWhat->setVisible(DirListFile.empty());
    gbDirExport->setVisible(!DirListFile.empty());

    TemplateFiles = ListTemplates(GetWorkDir());
    cbFormat->clear();
    for (const XmlTemplate& t : TemplateFiles) cbFormat->addItem(ToQ(t.displayName));
    cbFormat->setCurrentIndex(heldTemplate_ >= 0 && heldTemplate_ < cbFormat->count() ? heldTemplate_ : -1);
}

void TfrmGPXExp::FormHide() {
    const ExportOptions o = toOptions();
    DirListFile.clear();
    gbWhat->show();
    gbDirExport->hide();
    if (cbSaveSettings->isChecked()) SaveExportSettings(GetWorkDir(), o);
}

void TfrmGPXExp::rgFormatClick() {
    const int item = CheckedId(rgFormat);
    pgOptions->setCurrentIndex(kPageOfItem[item]);
    for (int i = 0; i < kExportFormatCount; ++i) rgFormat->button(i)->setEnabled(FindExportFormat(i) != nullptr);
    OK->setEnabled(FindExportFormat(item) != nullptr);
}

void TfrmGPXExp::rgWhatClick() { cbFounddate->setVisible(CheckedId(rgWhat) == 1); }

void TfrmGPXExp::cbLabelClick() {
    cbbColor->setEnabled(cbLabel->isChecked());
    cbbSize->setEnabled(cbLabel->isChecked());
}

void TfrmGPXExp::cbHomedistClick() {
    Label3->setVisible(cbHomedist->isChecked());
    cbHome->setVisible(cbHomedist->isChecked());
}

void TfrmGPXExp::cbOutputHomeClick() { gbHomes->setEnabled(cbOutputHome->isChecked()); }

void TfrmGPXExp::PaintSample(int r) {
    QPalette p = lblBsp[r]->palette();
    p.setColor(QPalette::Window, ToColor(bg_[r]));
    // 8 is the system's text colour until the user picks one.
    p.setColor(QPalette::WindowText, fg_[r] == 8 ? palette().color(QPalette::WindowText) : ToColor(fg_[r]));
    lblBsp[r]->setPalette(p);
}

void TfrmGPXExp::BtnColorClick(int tag) {
    const int r = std::abs(tag) - 1;
    if (r < 0 || r > 3 || !PickColor) return;
    int& colour = tag < 0 ? bg_[r] : fg_[r];
    if (const auto chosen = PickColor(colour)) {
        colour = *chosen & 0xFFFFFF;
        PaintSample(r);
    }
}

void TfrmGPXExp::OKClick() {
    const ExportOptions o = toOptions();
    const ExportFormat* format = FindExportFormat(o.format);
    if (!format) return;
    if (o.format == kFmtXml &&
        (cbFormat->currentIndex() < 0 || cbFormat->currentIndex() >= static_cast<int>(TemplateFiles.size()))) {
        platform::messages().show(MsgKind::Error, W("Keine XML-Vorlage gewählt!"));
        return;
    }
    const std::string work = GetWorkDir();
    const auto chosen = platform::fileDialogs().saveFileFiltered(W("Export"), ExportFilterList(), W(format->filter), work);
    if (!chosen) return;
    const std::string path = AddDefaultExt(*chosen, format->extension);
    std::vector<std::string> inputs = {DirListFile};
    if (o.format == kFmtXml) inputs.push_back(work + TemplateFiles[cbFormat->currentIndex()].file);
    if (const auto refused = ProgramFileRefusal(path, work, TargetRole::Export, inputs)) {
        ShowWriteFailure(*refused);
        return;
    }
    // The dialog asked only about the name as typed.
    if (path != *chosen && IsRegularFile(path) &&
        platform::messages().askDefaultNo(MsgKind::Confirmation,
                                          W("Die Datei ") + path + W(" existiert bereits. Überschreiben?")) !=
            platform::MsgResult::Yes)
        return;

    ExportRequest req;
    req.options = o;
    req.source = DirListFile.empty() ? static_cast<ExportSource>(std::clamp(o.expList, 0, 2)) : ExportSource::DirList;
    req.listFile = DirListFile;
    req.outPath = path;
    req.context = ExportContextFromSettings(o.csv.home);
    platform::pump().setBusy(true);
    platform::pump().pump();
    const ExportResult r = RunExport(req);
    platform::pump().setBusy(false);
    if (!r.refusal.empty()) {
        ShowWriteFailure(Error{r.writeError, r.refusal});
        return;
    }
    if (r.readError) ShowSysError(r.readError, ReadErrorText(r.readPath));
    if (r.readStopped) {
        done(mrOk);
        return;
    }
    if (r.writeError)
        ShowSysError(r.writeError, WriteErrorText(path));
    else if (ProcSettings.ShowMessages)
        platform::messages().show(MsgKind::Information, WrittenCountText(r.written));
    done(mrOk);
}

}  // namespace tv
