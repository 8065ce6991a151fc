#include "shell/ui/settings_pages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "core/coords.h"
#include "core/number_format.h"
#include "platform/ui/qt_text.h"

namespace tv {

namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

template <typename T>
T* Named(T* w, const char* name) {
    w->setObjectName(name);
    return w;
}

QLineEdit* Edit(QWidget* parent, const char* name) { return Named(new QLineEdit(parent), name); }
QPushButton* Button(QWidget* parent, const char* name, const char* text) {
    return Named(new QPushButton(Q(text), parent), name);
}
QCheckBox* Check(QWidget* parent, const char* name, const char* text) {
    return Named(new QCheckBox(Q(text), parent), name);
}

// An edit with its "durchsuchen" button in one row.
QHBoxLayout* Row(QLineEdit* edit, QPushButton* button) {
    auto* row = new QHBoxLayout;
    row->addWidget(edit, 1);
    row->addWidget(button);
    return row;
}

std::string Text(const QLineEdit* e) { return FromQ(e->text()); }

}  // namespace

// ---- Pfade+Dateien -----------------------------------------------------------

SettingsPathsPage::SettingsPathsPage(QWidget* parent) : QWidget(parent) {
    setObjectName("tsPaths");
    edWorkdir = Edit(this, "edWorkdir");
    edWorkdir->setReadOnly(true);
    btnChooseWrkDir = Button(this, "btnChooseWrkDir", "durchsuchen");
    edCacheOutDir = Edit(this, "edCacheOutDir");
    edCacheOutDir->setReadOnly(true);
    btnChooseOutDir = Button(this, "btnChooseOutDir", "durchsuchen");
    edOfflineCacheDir = Edit(this, "edOfflineCacheDir");
    btnChooseOfflineDir = Button(this, "btnChooseOfflineDir", "durchsuchen");
    edTemplate = Edit(this, "edTemplate");
    btnChooseTemplate = Button(this, "btnChooseTemplate", "durchsuchen");

    auto* form = new QFormLayout(this);
    form->addRow(Q("Arbeitsverzeichnis (Datenbank, Listen):"), Row(edWorkdir, btnChooseWrkDir));
    form->addRow(Q("Ausgabeverzeichnis (Beschreibungen):"), Row(edCacheOutDir, btnChooseOutDir));
    form->addRow(Q("Template-Datei:"), Row(edTemplate, btnChooseTemplate));
    auto* offlineRow = Row(edOfflineCacheDir, btnChooseOfflineDir);
    form->addRow(offlineRow);
    edOfflineCacheDir->hide();
    btnChooseOfflineDir->hide();
}

void SettingsPathsPage::Fill(const SettingsFormData& f) {
    edWorkdir->setText(ToQ(f.workDir));
    edCacheOutDir->setText(ToQ(f.outDir));
    edOfflineCacheDir->setText(ToQ(f.offlineCacheDir));
    edTemplate->setText(ToQ(f.templateFile));
}

void SettingsPathsPage::Read(SettingsFormData& f) const {
    f.workDir = Text(edWorkdir);
    f.outDir = Text(edCacheOutDir);
    f.offlineCacheDir = Text(edOfflineCacheDir);
    f.templateFile = Text(edTemplate);
}

// ---- Cache-Datenbank -----------------------------------------------------------

SettingsDatabasePage::SettingsDatabasePage(QWidget* parent) : QWidget(parent) {
    setObjectName("tsDatabase");
    edDBURL = Edit(this, "edDBURL");
    edArchiveUrl = Edit(this, "edArchiveUrl");
    cbZipped = Check(this, "cbZipped", "gezippte CacheDBs laden");
    clbDatabases = Named(new QListWidget(this), "clbDatabases");
    cbPrimaryDB = Named(new QComboBox(this), "cbPrimaryDB");
    gbLoadCacheDB = Named(new QGroupBox(Q("Update-Erinnerung nach"), this), "gbLoadCacheDB");
    rbLoadCacheDB = new QButtonGroup(this);
    rbLoadCacheDB->setObjectName("rbLoadCacheDB");
    auto* radios = new QVBoxLayout(gbLoadCacheDB);
    int id = 0;
    for (const char* text : {"einem Tag", "einer Woche", "2 Wochen", "4 Wochen", "nie erinnern"}) {
        auto* rb = new QRadioButton(Q(text), gbLoadCacheDB);
        rbLoadCacheDB->addButton(rb, id++);
        radios->addWidget(rb);
    }

    auto* form = new QFormLayout;
    form->addRow(Q("Adresse der Cache-Datenbanken:"), edDBURL);
    form->addRow(Q("Adresse der Archivliste:"), edArchiveUrl);
    form->addRow(QString(), cbZipped);
    form->addRow(Q("weitere Cache-DBs im Suchpfad"), clbDatabases);
    form->addRow(Q("primäre Cache-DB:"), cbPrimaryDB);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(gbLoadCacheDB);
}

void SettingsDatabasePage::Fill(const SettingsFormData& f) {
    edDBURL->setText(ToQ(f.dbUrl));
    edArchiveUrl->setText(ToQ(f.archiveUrl));
    cbZipped->setChecked(f.zipped);
    if (QAbstractButton* b = rbLoadCacheDB->button(f.intervalIndex)) {
        b->setChecked(true);
    } else if (QAbstractButton* checked = rbLoadCacheDB->checkedButton()) {
        rbLoadCacheDB->setExclusive(false);
        checked->setChecked(false);
        rbLoadCacheDB->setExclusive(true);
    }
    FillDatabaseLists(f);
}

void SettingsDatabasePage::FillDatabaseLists(const SettingsFormData& f) {
    clbDatabases->clear();
    cbPrimaryDB->clear();
    for (size_t i = 0; i < f.databaseTexts.size(); ++i) {
        auto* item = new QListWidgetItem(ToQ(f.databaseTexts[i]), clbDatabases);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(i < f.databaseTicked.size() && f.databaseTicked[i] ? Qt::Checked : Qt::Unchecked);
        cbPrimaryDB->addItem(ToQ(f.databaseTexts[i]));
    }
    cbPrimaryDB->setCurrentIndex(f.primaryIndex);
}

void SettingsDatabasePage::Read(SettingsFormData& f) const {
    f.dbUrl = Text(edDBURL);
    f.archiveUrl = Text(edArchiveUrl);
    f.zipped = cbZipped->isChecked();
    f.databaseTicked.assign(static_cast<size_t>(clbDatabases->count()), false);
    for (int i = 0; i < clbDatabases->count(); ++i)
        f.databaseTicked[static_cast<size_t>(i)] = clbDatabases->item(i)->checkState() == Qt::Checked;
    f.primaryIndex = cbPrimaryDB->currentIndex();
    f.intervalIndex = rbLoadCacheDB->checkedId();
}

// ---- Heimkoordinaten -------------------------------------------------------------

SettingsHomesPage::SettingsHomesPage(QWidget* parent) : QWidget(parent) {
    setObjectName("tsHomes");
    auto* gbHome = new QGroupBox(Q("Heimkoordinaten"), this);
    lblLatitude = Named(new QLabel(gbHome), "lblLatitude");
    lblLongitude = Named(new QLabel(gbHome), "lblLongitude");
    btnChangeHomeCoord = Button(gbHome, "btnChangeHomeCoord", "Ändern");
    auto* homeGrid = new QGridLayout(gbHome);
    homeGrid->addWidget(lblLatitude, 0, 0);
    homeGrid->addWidget(lblLongitude, 1, 0);
    homeGrid->addWidget(btnChangeHomeCoord, 0, 1, 2, 1);

    auto* gbAdd = new QGroupBox(Q("weitere Heimkoordinaten"), this);
    lbAddHomes = Named(new QListWidget(gbAdd), "lbAddHomes");
    lblLat2 = Named(new QLabel(gbAdd), "lblLat2");
    lblLon2 = Named(new QLabel(gbAdd), "lblLon2");
    btnAddChange = Button(gbAdd, "btnAddChange", "Ändern");
    btnAddNew = Button(gbAdd, "btnAddNew", "Neu");
    btnAddRemove = Button(gbAdd, "btnAddRemove", "Entfernen");
    auto* side = new QVBoxLayout;
    side->addWidget(lblLat2);
    side->addWidget(lblLon2);
    side->addStretch(1);
    side->addWidget(btnAddChange);
    side->addWidget(btnAddNew);
    side->addWidget(btnAddRemove);
    auto* addLayout = new QHBoxLayout(gbAdd);
    addLayout->addWidget(lbAddHomes, 1);
    addLayout->addLayout(side);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(gbHome);
    layout->addWidget(gbAdd, 1);
}

void SettingsHomesPage::ShowHome(double lat, double lon) {
    lblLatitude->setText(ToQ(FormatCoordHalf(kHalfLatitude, lat)));
    lblLongitude->setText(ToQ(FormatCoordHalf(kHalfLongitude, lon)));
}

void SettingsHomesPage::FillList(const HomesEditor& homes, int select) {
    const QSignalBlocker block(lbAddHomes);
    lbAddHomes->clear();
    for (const int index : homes.SortedOrder()) {
        auto* item = new QListWidgetItem(ToQ(homes.Entries()[static_cast<size_t>(index)].name), lbAddHomes);
        item->setData(Qt::UserRole, index);
        if (index == select) lbAddHomes->setCurrentItem(item);
    }
}

int SettingsHomesPage::SelectedIndex() const {
    const QListWidgetItem* item = lbAddHomes->currentItem();
    if (!item || !item->isSelected()) return -1;
    return item->data(Qt::UserRole).toInt();
}

// ---- Ausgabe -------------------------------------------------------------------

SettingsOutputPage::SettingsOutputPage(QWidget* parent) : QWidget(parent) {
    setObjectName("tsOutput");
    edMaxWidth = Edit(this, "edMaxWidth");
    edMaxWidth->setMaxLength(5);
    auto* form = new QFormLayout(this);
    form->addRow(Q("maximale Breite von Bildern in Beschreibungen (Pixel):"), edMaxWidth);
}

void SettingsOutputPage::Fill(const SettingsFormData& f) { edMaxWidth->setText(ToQ(f.maxWidth)); }

void SettingsOutputPage::Read(SettingsFormData& f) const { f.maxWidth = Text(edMaxWidth); }

// ---- Proxy ---------------------------------------------------------------------

SettingsProxyPage::SettingsProxyPage(QWidget* parent) : QWidget(parent) {
    setObjectName("tsProxy");
    cbProxy = Check(this, "cbProxy", "Proxyserver verwenden");
    gbProxy = Named(new QGroupBox(Q("Proxyserver"), this), "gbProxy");
    edProxy = Edit(gbProxy, "edProxy");
    cbProxyAuth = Check(gbProxy, "cbProxyAuth", "Proxy verlangt Anmeldung");
    lblProxyUser = Named(new QLabel(Q("Benutzer:"), gbProxy), "lblProxyUser");
    lblProxyPass = Named(new QLabel(Q("Passwort:"), gbProxy), "lblProxyPass");
    edProxyUser = Edit(gbProxy, "edProxyUser");
    edProxyPass = Edit(gbProxy, "edProxyPass");
    edProxyPass->setEchoMode(QLineEdit::Password);
    auto* grid = new QGridLayout(gbProxy);
    grid->addWidget(new QLabel(Q("Adresse (Host:Port):"), gbProxy), 0, 0);
    grid->addWidget(edProxy, 0, 1);
    grid->addWidget(cbProxyAuth, 1, 0, 1, 2);
    grid->addWidget(lblProxyUser, 2, 0);
    grid->addWidget(edProxyUser, 2, 1);
    grid->addWidget(lblProxyPass, 3, 0);
    grid->addWidget(edProxyPass, 3, 1);
    edUpdateURL = Edit(this, "edUpdateURL");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(cbProxy);
    layout->addWidget(gbProxy);
    auto* form = new QFormLayout;
    form->addRow(Q("Adresse der Versionsprüfung:"), edUpdateURL);
    layout->addLayout(form);
    layout->addStretch(1);

    connect(cbProxy, &QCheckBox::toggled, this, [this] { cbProxyClick(); });
    connect(cbProxyAuth, &QCheckBox::toggled, this, [this] { cbProxyAuthClick(); });
}

void SettingsProxyPage::cbProxyClick() { gbProxy->setVisible(cbProxy->isChecked()); }

void SettingsProxyPage::cbProxyAuthClick() {
    const bool on = cbProxyAuth->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{lblProxyUser, lblProxyPass, edProxyUser, edProxyPass})
        w->setVisible(on);
}

void SettingsProxyPage::Fill(const SettingsFormData& f) {
    cbProxy->setChecked(f.useProxy);
    edProxy->setText(ToQ(f.proxyServer));
    cbProxyAuth->setChecked(f.proxyAuth);
    edProxyUser->setText(ToQ(f.proxyUser));
    edProxyPass->setText(ToQ(f.proxyPass));
    edUpdateURL->setText(ToQ(f.updateUrl));
    cbProxyClick();
    cbProxyAuthClick();
}

void SettingsProxyPage::Read(SettingsFormData& f) const {
    f.useProxy = cbProxy->isChecked();
    f.proxyServer = Text(edProxy);
    f.proxyAuth = cbProxyAuth->isChecked();
    f.proxyUser = Text(edProxyUser);
    f.proxyPass = Text(edProxyPass);
    f.updateUrl = Text(edUpdateURL);
}

// ---- Sonstiges -------------------------------------------------------------------

SettingsMiscPage::SettingsMiscPage(QWidget* parent) : QWidget(parent) {
    setObjectName("tsMisc");
    edUsername = Edit(this, "edUsername");
    cbShowHints = Check(this, "cbShowHints", "Tooltips anzeigen");
    cbShowInfo = Check(this, "cbShowInfo", "Informationsdialoge anzeigen");
    edXMLInittag = Edit(this, "edXMLInittag");
    edGPXInittag = Edit(this, "edGPXInittag");
    auto* gbMemorize = new QGroupBox(Q("beim Beenden merken:"), this);
    cbMemorizeWinSize = Check(gbMemorize, "cbMemorizeWinSize", "Hauptfenstergröße");
    cbMemorizeColSize = Check(gbMemorize, "cbMemorizeColSize", "Spaltenbreiten");
    auto* mem = new QVBoxLayout(gbMemorize);
    mem->addWidget(cbMemorizeWinSize);
    mem->addWidget(cbMemorizeColSize);

    auto* form = new QFormLayout;
    form->addRow(Q("Benutzername:"), edUsername);
    form->addRow(QString(), cbShowHints);
    form->addRow(QString(), cbShowInfo);
    form->addRow(Q("XML-Kopfzeile:"), edXMLInittag);
    form->addRow(Q("GPX-Kopfzeile:"), edGPXInittag);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(gbMemorize);
    layout->addStretch(1);
}

void SettingsMiscPage::Fill(const SettingsFormData& f) {
    edUsername->setText(ToQ(f.username));
    cbShowHints->setChecked(f.showHints);
    cbShowInfo->setChecked(f.showInfo);
    edXMLInittag->setText(ToQ(f.xmlInit));
    edGPXInittag->setText(ToQ(f.gpxInit));
    cbMemorizeWinSize->setChecked(f.memWinSize);
    cbMemorizeColSize->setChecked(f.memColSize);
}

void SettingsMiscPage::Read(SettingsFormData& f) const {
    f.username = Text(edUsername);
    f.showHints = cbShowHints->isChecked();
    f.showInfo = cbShowInfo->isChecked();
    f.xmlInit = Text(edXMLInittag);
    f.gpxInit = Text(edGPXInittag);
    f.memWinSize = cbMemorizeWinSize->isChecked();
    f.memColSize = cbMemorizeColSize->isChecked();
}

}  // namespace tv
