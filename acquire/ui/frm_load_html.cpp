#include "acquire/ui/frm_load_html.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>

#include "acquire/map_pictures.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/proc_settings.h"
#include "core/app_paths.h"
#include "platform/services.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/form_events.h"

namespace tv {

TfrmLoadHTML* frmLoadHTML = nullptr;
std::function<void(QWidget*)> TfrmLoadHTML::ShowExclusionList;

namespace {

// Modal results as the program numbers them (OK is QDialog::Accepted).

int Checked(const QButtonGroup* g) { return g->checkedId() < 0 ? 0 : g->checkedId(); }

QLabel* Counter(QGridLayout* grid, int row, const char* caption, int indent = 0) {
    auto* value = new QLabel("0");
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(value, row, 0);
    auto* text = new QLabel(QString(indent, ' ') + U(caption));
    grid->addWidget(text, row, 1);
    return value;
}

}  // namespace

TfrmLoadHTML::TfrmLoadHTML(QWidget* parent) : QDialog(parent) {
    setObjectName("frmLoadHTML");
    setWindowTitle(U("Laden vom Internet"));
    auto* top = new QVBoxLayout(this);

    auto* head = new QHBoxLayout;
    lblContent = new QLabel;
    lblContent->setWordWrap(true);
    btnWhy50 = new QPushButton(U("Warum?"));
    btnWhy50->hide();
    head->addWidget(lblContent, 1);
    head->addWidget(btnWhy50);
    top->addLayout(head);

    // Options
    gbOptions = new QGroupBox(U("Optionen"));
    auto* opt = new QGridLayout(gbOptions);
    auto* gbOverwrite = new QGroupBox(U("vorhandene Beschreibungen ersetzen"));
    auto* ow = new QVBoxLayout(gbOverwrite);
    rgOverwrite = new QButtonGroup(this);
    const char* owItems[] = {"nie überschreiben", "immer überschreiben", "nur wenn älter als ... Tage"};
    for (int i = 0; i < 3; ++i) {
        auto* rb = new QRadioButton(U(owItems[i]));
        rgOverwrite->addButton(rb, i);
        ow->addWidget(rb);
    }
    rgOverwrite->button(0)->setChecked(true);
    edAge = new QLineEdit("14");
    edAge->setMaxLength(4);
    edAge->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,4}"), edAge));
    ow->addWidget(edAge);
    cbSaveOptions = new QCheckBox(U("Einstellungen speichern"));
    cbSaveOptions->setChecked(true);
    ow->addWidget(cbSaveOptions);
    opt->addWidget(gbOverwrite, 0, 0);

    gbMap = new QGroupBox(U("Landkarte der Cachebeschreibung"));
    auto* mp = new QVBoxLayout(gbMap);
    cbLoadMap = new QCheckBox(U("Landkarte laden"));
    cbLoadMap->setChecked(true);
    mp->addWidget(cbLoadMap);
    auto* gbKind = new QGroupBox(U("Landkarten-Art"));
    auto* kind = new QVBoxLayout(gbKind);
    rgMap = new QButtonGroup(this);
    for (int i = 0; i < kMapServiceCount; ++i) {
        auto* rb = new QRadioButton(ToQ(MapServiceNames()[static_cast<std::size_t>(i)]));
        rgMap->addButton(rb, i);
        kind->addWidget(rb);
    }
    rgMap->button(1)->setChecked(true);
    mp->addWidget(gbKind);
    mp->addWidget(new QLabel(U("Zoomfaktor:")));
    cbZoom = new QComboBox;
    mp->addWidget(cbZoom);
    lblSize = new QLabel(U("Kartengröße:"));
    lblSize->hide();
    cbMapsize = new QComboBox;
    mp->addWidget(lblSize);
    mp->addWidget(cbMapsize);
    btnLoadMapsOnly = new QPushButton(U("Nur Landkarten laden (ohne Caches)"));
    btnLoadMapsOnly->setProperty("tag", 1);
    mp->addWidget(btnLoadMapsOnly);
    opt->addWidget(gbMap, 0, 1, 2, 1);

    auto* gbImages = new QGroupBox(U("Cache-Images"));
    auto* im = new QVBoxLayout(gbImages);
    cbLoadImages = new QCheckBox(U("Cache-Images laden"));
    cbRemoteImages = new QCheckBox(U("auch Bilder von fremden Servern"));
    cbLoadImages->setChecked(true);
    cbRemoteImages->setChecked(true);
    im->addWidget(cbLoadImages);
    im->addWidget(cbRemoteImages);
    opt->addWidget(gbImages, 1, 0);

    auto* gbLists = new QGroupBox(U("Caches in folgenden Listen nicht laden"));
    auto* ls = new QGridLayout(gbLists);
    cbExcludelist = new QCheckBox(U("Gefundene Caches"));
    btnExclList = new QPushButton(U("bearbeiten"));
    cbIgnorelist = new QCheckBox(U("Ignorierte Caches"));
    cbArchivelist = new QCheckBox(U("Archivierte Caches"));
    for (auto* cb : {cbExcludelist, cbIgnorelist, cbArchivelist}) cb->setChecked(true);
    ls->addWidget(cbExcludelist, 0, 0);
    ls->addWidget(btnExclList, 0, 1);
    ls->addWidget(cbIgnorelist, 1, 0);
    ls->addWidget(cbArchivelist, 2, 0);
    opt->addWidget(gbLists, 2, 0, 1, 2);
    top->addWidget(gbOptions);

    // Protocol
    gbProtocol = new QGroupBox(U("Ladeprotokoll"));
    auto* pr = new QGridLayout(gbProtocol);
    lblTask = new QLabel("Ready");
    lblSubtask = new QLabel;
    pb1 = new QProgressBar;
    pb2 = new QProgressBar;
    mmProt = new QPlainTextEdit;
    mmProt->setReadOnly(true);
    pr->addWidget(lblTask, 0, 0);
    pr->addWidget(pb1, 1, 0);
    pr->addWidget(lblSubtask, 2, 0);
    pr->addWidget(pb2, 3, 0);
    pr->addWidget(mmProt, 4, 0);
    gbLoadStats = new QGroupBox(U("Ladestatistik"));
    auto* st = new QGridLayout(gbLoadStats);
    lblLoaded = Counter(st, 0, "Caches geladen");
    lblError = Counter(st, 1, "Fehler beim Laden aufgetreten");
    lblSkipped = Counter(st, 2, "Caches übersprungen, davon:");
    lblExistingSkipped = Counter(st, 3, "bereits vorhanden", 4);
    lblExcluded = Counter(st, 4, "bereits gefunden (Fundliste)", 4);
    lblIgnored = Counter(st, 5, "ignoriert (Ignore-Liste)", 4);
    lblArchived = Counter(st, 6, "archiviert (Archivliste)", 4);
    worldImage = new QLabel;
    worldImage->hide();
    st->addWidget(worldImage, 7, 0, 1, 2);
    pr->addWidget(gbLoadStats, 0, 1, 5, 1);
    top->addWidget(gbProtocol);

    auto* bottom = new QHBoxLayout;
    btnOK = new QPushButton(U("Schließen"));
    btnAbort = new QPushButton(U("Abbrechen"));
    btnAbort->hide();
    btnLoad = new QPushButton(U("Laden"));
    bottom->addStretch(1);
    bottom->addWidget(btnLoad);
    bottom->addWidget(btnAbort);
    bottom->addWidget(btnOK);
    top->addLayout(bottom);

    AutoLoad = new QTimer(this);
    AutoLoad->setInterval(300);
    AutoClose = new QTimer(this);
    AutoClose->setInterval(200);

    connect(btnLoad, &QPushButton::clicked, this, &TfrmLoadHTML::btnLoadClick);
    connect(btnLoadMapsOnly, &QPushButton::clicked, this, &TfrmLoadHTML::btnLoadMapsOnlyClick);
    connect(btnOK, &QPushButton::clicked, this, &TfrmLoadHTML::btnOKClick);
    connect(btnAbort, &QPushButton::clicked, this, &TfrmLoadHTML::btnAbortClick);
    connect(btnExclList, &QPushButton::clicked, this, &TfrmLoadHTML::btnExclListClick);
    connect(btnWhy50, &QPushButton::clicked, this, &TfrmLoadHTML::btnWhy50Click);
    connect(cbLoadImages, &QCheckBox::clicked, this, &TfrmLoadHTML::cbLoadImagesClick);
    connect(cbLoadMap, &QCheckBox::clicked, this, &TfrmLoadHTML::cbLoadMapClick);
    connect(rgMap, &QButtonGroup::idClicked, this, [this](int) { rgMapClick(); });
    connect(cbZoom, qOverload<int>(&QComboBox::currentIndexChanged), this, &TfrmLoadHTML::cbZoomChange);
    connect(edAge, &QLineEdit::textEdited, this, [this] { rgOverwrite->button(2)->setChecked(true); });
    connect(AutoLoad, &QTimer::timeout, this, &TfrmLoadHTML::AutoLoadTimer);
    connect(AutoClose, &QTimer::timeout, this, &TfrmLoadHTML::AutoCloseTimer);

    LoaderEvents ev;
    ev.protocol = [this](const std::string& line) { mmProt->appendPlainText(ToQ(line)); };
    ev.clearProtocol = [this] { mmProt->clear(); };
    ev.task = [this](const std::string& t) { lblTask->setText(ToQ(t)); };
    ev.subtask = [this](const std::string& t) { lblSubtask->setText(ToQ(t)); };
    ev.counters = [this](const LoaderCounters& c) { ShowCounters(c); };
    ev.waypoint = [this](int pos, int count) {
        pb1->setMaximum(count > 0 ? count : 1);
        pb1->setValue(pos);
    };
    ev.bytes = [this](std::int64_t received, std::int64_t total) {
        // The bar counts KiB so that large files fit its int range.
        pb2->setMaximum(static_cast<int>(total / 1024) > 0 ? static_cast<int>(total / 1024) : 1);
        pb2->setValue(total > 0 ? static_cast<int>(received / 1024) : 0);
    };
    ev.singleDownload = [this](bool on) {
        if (on) {
            gbOptions->hide();
            gbProtocol->show();
        }
        gbLoadStats->setVisible(!on);
    };
    ev.measure = [this](const std::string& t) { return QFontMetrics(lblSubtask->font()).horizontalAdvance(ToQ(t)); };
    loader_.setEvents(std::move(ev));
}

void TfrmLoadHTML::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (IsFormShowHide(e)) FormShow();
}

void TfrmLoadHTML::FormShow() {
    for (auto* l : {lblLoaded, lblError, lblSkipped, lblExistingSkipped, lblExcluded, lblIgnored}) l->setText("0");
    pb1->setValue(0);
    pb2->setValue(0);
    loader_.beginShow();
    gbOptions->show();
    gbProtocol->hide();
    btnLoad->setEnabled(true);
    worldImage->hide();
    lblTask->setText("Ready");
    lblSubtask->clear();
    runAborted_ = false;
    loader_.events().subtaskWidth = gbProtocol->width();

    const std::size_t count = HandOverList.empty() ? 0 : HandOverList.size();
    bool listUnreadable = false;
    if (!HandOverList.empty()) {
        WorkList = std::move(HandOverList);
        HandOverList.clear();
        lblContent->setText(QString::number(count) + U(" Cachebeschreibungen werden manuell nachgeladen"));
    } else {
        auto read = ReadWorkList(GetWorkDir());
        if (read) {
            WorkList = std::move(*read);
        } else {
            WorkList.clear();
            listUnreadable = true;
            ShowSysError(read.error().code, read.error().message);
        }
        lblContent->setText(U("Die Arbeitsliste enthält ") + QString::number(WorkList.size()) + U(" Waypoints."));
    }
    const bool quirk = FindFileNoCase(GetWorkDir(), "QUIRK").has_value();
    const bool tooMany = !quirk && WorkList.size() > static_cast<std::size_t>(ListingLoader::kPageLimit);
    if (tooMany) lblContent->setText(lblContent->text() + U(" Die ersten 50 können geladen werden."));

    if (listUnreadable) {
        AutoClose->start();
        loader_.setErrorFlag(true);
    } else if (WorkList.empty() && !Unattended) {
        platform::messages().show(
            platform::MsgKind::Error,
            W("Die Arbeitsliste enthält keine Waypoints, deren Caches geladen werden könnten. Es werden nur "
              "diejenigen Caches geladen, deren Waypoints in der Arbeitsliste stehen.\r\n\r\nBitte wähle zunächst "
              "im Menü \"Waypoints\" den Punkt \"Arbeits- und Ausschlussliste\" und stelle Dir damit eine "
              "Arbeitsliste zusammen."));
        AutoClose->start();
        loader_.setErrorFlag(true);
    }

    LoaderOptions o = OptionsFromControls();
    o.zoom = ZoomIndex;
    ReadLoaderOptions(o);
    // A reload of marked caches asks for "always" without changing what the
    // user keeps in the settings.
    forced_ = ForcedOverwrite >= 0 && ForcedOverwrite <= 2;
    storedOverwrite_ = o.overwrite;
    if (forced_) o.overwrite = ForcedOverwrite;
    ForcedOverwrite = -1;
    ControlsFromOptions(o);

    btnWhy50->hide();
    if (tooMany && !NoWarning) {
        btnWhy50->show();
        platform::messages().show(
            platform::MsgKind::Warning,
            W("Die Arbeitsliste enthält mehr als 50 Waypoints.\r\n\r\nUm Massendownloads zu vermeiden, die zur "
              "Sperrung der Adresse durch die Listing-Seite führen können, ist das Laden auf höchstens 50 "
              "Cachebeschreibungen je Durchgang begrenzt. Es werden nur die ersten 50 Einträge geladen; Caches, "
              "die wegen der Ausschluss-Einstellungen nicht geladen werden, zählen dabei nicht mit."));
    }
}

LoaderOptions TfrmLoadHTML::OptionsFromControls() const {
    LoaderOptions o;
    o.overwrite = Checked(rgOverwrite);
    o.age = FromQ(edAge->text());
    o.saveOptions = cbSaveOptions->isChecked();
    o.loadMap = cbLoadMap->isChecked();
    o.mapKind = Checked(rgMap);
    o.zoom = ZoomIndex;
    o.mapSize = cbMapsize->currentIndex() < 0 ? 0 : cbMapsize->currentIndex();
    o.loadImages = cbLoadImages->isChecked();
    o.remoteImages = cbRemoteImages->isChecked();
    o.excludeFinds = cbExcludelist->isChecked();
    o.excludeIgnored = cbIgnorelist->isChecked();
    o.excludeArchived = cbArchivelist->isChecked();
    return o;
}

void TfrmLoadHTML::ControlsFromOptions(const LoaderOptions& o) {
    rgOverwrite->button(o.overwrite)->setChecked(true);
    edAge->setText(ToQ(o.age));
    cbSaveOptions->setChecked(o.saveOptions);
    cbLoadMap->setChecked(o.loadMap);
    rgMap->button(o.mapKind)->setChecked(true);
    ZoomIndex = o.zoom;
    cbLoadImages->setChecked(o.loadImages);
    cbRemoteImages->setChecked(o.loadImages && o.remoteImages);
    cbRemoteImages->setEnabled(o.loadImages);
    cbExcludelist->setChecked(o.excludeFinds);
    cbArchivelist->setChecked(o.excludeArchived);
    rgMapClick();
    if (cbMapsize->count() > 0) cbMapsize->setCurrentIndex(std::min(o.mapSize, cbMapsize->count() - 1));
    cbLoadMapClick();
}

void TfrmLoadHTML::rgMapClick() {
    const int kind = Checked(rgMap);
    laying_ = true;
    const int size = cbMapsize->currentIndex();
    cbZoom->clear();
    for (const auto& item : MapZoomItems(kind)) cbZoom->addItem(ToQ(item));
    cbMapsize->clear();
    for (const auto& item : MapSizeItems(kind)) cbMapsize->addItem(ToQ(item));
    const bool sized = cbMapsize->count() > 0;
    cbMapsize->setVisible(sized);
    lblSize->setVisible(sized);
    if (sized) cbMapsize->setCurrentIndex(size >= 0 && size < cbMapsize->count() ? size : 0);
    cbZoom->setCurrentIndex(ClampMapZoom(kind, ZoomIndex[static_cast<std::size_t>(kind)]));
    laying_ = false;
}

void TfrmLoadHTML::cbZoomChange(int index) {
    if (laying_ || index < 0) return;
    ZoomIndex[static_cast<std::size_t>(Checked(rgMap))] = index;
}

void TfrmLoadHTML::cbLoadMapClick() {
    const bool on = cbLoadMap->isChecked();
    for (auto* b : rgMap->buttons()) b->setEnabled(on);
    cbZoom->setEnabled(on);
    cbMapsize->setEnabled(on);
    rgMapClick();
}

void TfrmLoadHTML::cbLoadImagesClick() {
    if (!cbLoadImages->isChecked()) cbRemoteImages->setChecked(false);
    cbRemoteImages->setEnabled(cbLoadImages->isChecked());
}

void TfrmLoadHTML::SetOptionsEnabled(bool on) {
    for (auto* w : gbOptions->findChildren<QWidget*>()) w->setEnabled(on);
    if (on) {
        cbRemoteImages->setEnabled(cbLoadImages->isChecked());
        cbLoadMapClick();
    }
}

void TfrmLoadHTML::ShowCounters(const LoaderCounters& c) {
    lblLoaded->setNum(c.loaded);
    lblError->setNum(c.errors);
    lblSkipped->setNum(c.skipped);
    lblExistingSkipped->setNum(c.existing);
    lblExcluded->setNum(c.found);
    lblIgnored->setNum(c.ignored);
    lblArchived->setNum(c.archived);
}

void TfrmLoadHTML::Run(bool mapsOnly) {
    if (Checked(rgOverwrite) == 2 && edAge->text().isEmpty()) edAge->setText("1");
    if (WorkList.empty()) {
        platform::messages().show(platform::MsgKind::Warning, W("Die Arbeitsliste enthält keine Waypoints."));
    } else {
        StateByte = 1;
        gbOptions->hide();
        gbProtocol->show();
        btnAbort->show();
        btnAbort->setEnabled(true);
        SetOptionsEnabled(false);
        btnLoad->setEnabled(false);
        btnOK->setEnabled(false);
        if (!mapsOnly) worldImage->show();

        LoaderRunParams p;
        p.workList = WorkList;
        p.mapsOnly = mapsOnly;
        p.options = OptionsFromControls();
        p.workDir = GetWorkDir();
        p.outDir = GetOutDir();
        p.unattended = Unattended || CloseAfter;  // CloseAfter: started by the batch run
        auto result = loader_.run(p);
        runAborted_ = result.aborted;
        if (result.listError.code != 0) {
            ShowSysError(result.listError.code, result.listError.message);
            loader_.setErrorFlag(true);
        }

        worldImage->hide();
        SetOptionsEnabled(true);
        btnOK->setEnabled(true);
        btnExclList->setEnabled(true);
        btnLoad->setEnabled(false);
        btnAbort->hide();
    }
    if (CloseAfter) {
        CloseAfter = false;
        done(runAborted_ ? mrCancel : mrOk);
    }
}

void TfrmLoadHTML::btnLoadClick() { Run(false); }
void TfrmLoadHTML::btnLoadMapsOnlyClick() { Run(true); }

void TfrmLoadHTML::btnOKClick() { done(runAborted_ || loader_.aborted() ? mrCancel : mrOk); }

void TfrmLoadHTML::btnAbortClick() {
    if (Unattended) return;
    auto answer = platform::messages().show(
        platform::MsgKind::Confirmation,
        W("Es wurden noch nicht alle Cachebeschreibungen geladen. \r\nSoll das Laden abgebrochen werden?\r\n\r\n"
          "(Hinweis: der Cache ") +
            loader_.currentWaypoint() + W(", der momentan geladen wird, wird in jedem Fall noch zu Ende geladen.)"),
        platform::MsgButtons::YesNo);
    if (answer != platform::MsgResult::Yes) return;
    btnAbort->setEnabled(false);
    loader_.abort();
    pb1->setValue(0);
}

void TfrmLoadHTML::btnExclListClick() {
    if (ShowExclusionList) ShowExclusionList(this);
}

void TfrmLoadHTML::btnWhy50Click() {
    // The documentation explains the limit.
    if (const std::string error = OpenDocumentation(); !error.empty())
        platform::messages().show(platform::MsgKind::Error, error);
}

void TfrmLoadHTML::AutoLoadTimer() {
    AutoLoad->stop();
    CloseAfter = true;
    Run(false);
}

void TfrmLoadHTML::AutoCloseTimer() {
    AutoClose->stop();
    done(mrCancel);
}

void TfrmLoadHTML::done(int r) {
    LoaderOptions o = OptionsFromControls();
    if (forced_) o.overwrite = storedOverwrite_;
    forced_ = false;
    WriteLoaderOptions(o);
    StateByte = 2;
    QDialog::done(r);
}

bool TfrmLoadHTML::getBinaryToFile(const std::string& url, const std::string& dest, bool quiet) {
    loader_.events().subtaskWidth = gbProtocol->width();
    return loader_.getBinaryToFile(url, dest, quiet);
}

bool TfrmLoadHTML::getCacheToFile(const std::string& wp) {
    loader_.setSite(SettingsListingSite());
    return loader_.getCacheToFile(wp, GetOutDir());
}

void TfrmLoadHTML::getCacheMapToFile(const std::string& wp, int kind) {
    loader_.getCacheMapToFile(wp, kind, OptionsFromControls(), GetWorkDir(), GetOutDir());
}

}  // namespace tv
