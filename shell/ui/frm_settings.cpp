#include "shell/ui/frm_settings.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/app_paths.h"
#include "core/cachedb_table.h"
#include "core/coords.h"
#include "core/file_procs.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "geo/ui/frm_coord_input.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/dialog_buttons.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/form_events.h"

namespace tv {

using platform::MsgButtons;
using platform::MsgKind;

namespace {

double CoordValue(const std::string& text) { return ParseFloat(text, '.').value_or(0.0); }

std::string Caption() { return W("Beschreibung des Koordinatenpaares"); }

}  // namespace

TfrmSettings::TfrmSettings() : QDialog(nullptr) {
    setObjectName("frmSettings");
    setWindowTitle(QStringLiteral("Grundeinstellungen"));
    pcSettings = new QTabWidget(this);
    pcSettings->setObjectName("pcSettings");
    tsPaths = new SettingsPathsPage(pcSettings);
    tsDatabase = new SettingsDatabasePage(pcSettings);
    tsHomes = new SettingsHomesPage(pcSettings);
    tsOutput = new SettingsOutputPage(pcSettings);
    tsProxy = new SettingsProxyPage(pcSettings);
    tsMisc = new SettingsMiscPage(pcSettings);
    pcSettings->addTab(tsPaths, QStringLiteral("Pfade+Dateien"));
    pcSettings->addTab(tsDatabase, QStringLiteral("Cache-Datenbank"));
    pcSettings->addTab(tsHomes, QStringLiteral("Heimkoordinaten"));
    pcSettings->addTab(tsOutput, QStringLiteral("Ausgabe"));
    pcSettings->addTab(tsProxy, QStringLiteral("Proxy"));
    pcSettings->addTab(tsMisc, QStringLiteral("Sonstiges"));

    auto* buttons = OkCancelButtons(this, btnOK, btnCancel);
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });

    connect(tsPaths->btnChooseWrkDir, &QPushButton::clicked, this, [this] { btnChooseWrkDirClick(); });
    connect(tsPaths->btnChooseOutDir, &QPushButton::clicked, this, [this] { btnChooseOutDirClick(); });
    connect(tsPaths->btnChooseOfflineDir, &QPushButton::clicked, this, [this] { btnChooseOfflineDirClick(); });
    connect(tsPaths->btnChooseTemplate, &QPushButton::clicked, this, [this] { btnChooseTemplateClick(); });
    connect(tsHomes->btnChangeHomeCoord, &QPushButton::clicked, this, [this] { btnChangeHomeCoordClick(); });
    connect(tsHomes->btnAddNew, &QPushButton::clicked, this, [this] { btnAddNewClick(); });
    connect(tsHomes->btnAddChange, &QPushButton::clicked, this, [this] { btnAddChangeClick(); });
    connect(tsHomes->btnAddRemove, &QPushButton::clicked, this, [this] { btnAddRemoveClick(); });
    connect(tsHomes->lbAddHomes, &QListWidget::itemSelectionChanged, this, [this] { lbAddHomesClick(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pcSettings);
    layout->addWidget(buttons);
    resize(620, 460);
}

TfrmSettings::~TfrmSettings() = default;

TfrmCoordInput& TfrmSettings::coordInput() {
    if (CoordInput) return *CoordInput;
    if (!ownCoordInput_) ownCoordInput_ = std::make_unique<TfrmCoordInput>();
    return *ownCoordInput_;
}

void TfrmSettings::SetForm(const SettingsFormData& form) {
    form_ = form;
    tsPaths->Fill(form_);
    tsDatabase->Fill(form_);
    tsOutput->Fill(form_);
    tsProxy->Fill(form_);
    tsMisc->Fill(form_);
    FormShow();
}

SettingsFormData TfrmSettings::Form() const {
    SettingsFormData f = form_;
    tsPaths->Read(f);
    tsDatabase->Read(f);
    tsOutput->Read(f);
    tsProxy->Read(f);
    tsMisc->Read(f);
    return f;
}

void TfrmSettings::showEvent(QShowEvent* event) {
    // The database lists keep what the user ticked before the dialog showed.
    if (IsFormShowHide(event)) {
        form_ = Form();
        FormShow();
    }
    QDialog::showEvent(event);
}

void TfrmSettings::FormShow() {
    tsHomes->ShowHome(form_.homeLat, form_.homeLong);
    tsHomes->lblLat2->clear();
    tsHomes->lblLon2->clear();
    tsHomes->FillList(form_.homes, -1);
    tsProxy->cbProxyClick();
    tsDatabase->FillDatabaseLists(form_);
    tsProxy->cbProxyAuthClick();
}

// ---- folders and template --------------------------------------------------------

std::optional<std::string> TfrmSettings::ChooseFolder(const std::string& start) {
    TFolderBrowser browser;
    browser.Title = W("Bitte Verzeichnis auswählen");
    browser.InitialDir = start;
    if (!browser.Execute()) return std::nullopt;
    return browser.Folder;
}

void TfrmSettings::warnIfSameFolders() {
    if (SameFolder(FromQ(tsPaths->edWorkdir->text()), FromQ(tsPaths->edCacheOutDir->text())))
        platform::messages().show(MsgKind::Warning, SameFoldersWarning(), MsgButtons::Ok);
}

void TfrmSettings::btnChooseWrkDirClick() {
    if (auto folder = ChooseFolder(ProgramDir())) {
        tsPaths->edWorkdir->setText(ToQ(*folder));
        warnIfSameFolders();
    }
}

void TfrmSettings::btnChooseOutDirClick() {
    if (auto folder = ChooseFolder(ProgramDir())) {
        tsPaths->edCacheOutDir->setText(ToQ(*folder));
        warnIfSameFolders();
    }
}

void TfrmSettings::btnChooseOfflineDirClick() {
    if (auto folder = ChooseFolder(ProgramDir())) tsPaths->edOfflineCacheDir->setText(ToQ(*folder));
}

void TfrmSettings::btnChooseTemplateClick() {
    const auto file =
        platform::fileDialogs().openFile(W("Template-Datei auswählen"), "HTML-Dateien (*.htm *.html)", GetWorkDir());
    if (file && !file->empty()) tsPaths->edTemplate->setText(ToQ(*file));
}

// ---- homes ------------------------------------------------------------------------

void TfrmSettings::btnChangeHomeCoordClick() {
    TfrmCoordInput& c = coordInput();
    c.lat = form_.homeLat;
    c.lon = form_.homeLong;
    c.ShowAddInfo(Caption(), "Heimkoordinaten", false);
    if (platform::modalHost().exec(c, this) != mrOk) return;
    form_.homeLat = c.lat;
    form_.homeLong = c.lon;
    tsHomes->ShowHome(form_.homeLat, form_.homeLong);
}

void TfrmSettings::btnAddNewClick() {
    TfrmCoordInput& c = coordInput();
    c.lat = 0;
    c.lon = 0;
    c.ShowAddInfo(Caption(), "", true);
    if (platform::modalHost().exec(c, this) != mrOk) return;
    const HomeEdit r = form_.homes.Add(c.lat, c.lon, c.AddInfo());
    if (r != HomeEdit::Ok) {
        platform::messages().show(MsgKind::Error, HomeEditMessage(r), MsgButtons::Ok);
        return;
    }
    tsHomes->FillList(form_.homes, -1);
}

void TfrmSettings::btnAddChangeClick() {
    const int index = tsHomes->SelectedIndex();
    if (index < 0 || index >= form_.homes.Count()) return;
    const HomeEntry& e = form_.homes.Entries()[static_cast<size_t>(index)];
    TfrmCoordInput& c = coordInput();
    c.lat = CoordValue(e.lat);
    c.lon = CoordValue(e.lon);
    c.ShowAddInfo(Caption(), e.name, true);
    if (platform::modalHost().exec(c, this) != mrOk) return;
    const HomeEdit r = form_.homes.Change(index, c.lat, c.lon, c.AddInfo());
    if (r != HomeEdit::Ok) {
        if (r != HomeEdit::NoSelection) platform::messages().show(MsgKind::Error, HomeEditMessage(r), MsgButtons::Ok);
        return;
    }
    tsHomes->FillList(form_.homes, index);
    lbAddHomesClick();
}

void TfrmSettings::btnAddRemoveClick() {
    const int index = tsHomes->SelectedIndex();
    if (form_.homes.Remove(index) != HomeEdit::Ok) return;
    tsHomes->FillList(form_.homes, -1);
    tsHomes->lblLat2->clear();
    tsHomes->lblLon2->clear();
}

void TfrmSettings::lbAddHomesClick() {
    const int index = tsHomes->SelectedIndex();
    if (index < 0 || index >= form_.homes.Count()) return;
    const HomeEntry& e = form_.homes.Entries()[static_cast<size_t>(index)];
    tsHomes->lblLat2->setText(ToQ(FormatCoordHalf(kHalfLatitude, CoordValue(e.lat))));
    tsHomes->lblLon2->setText(ToQ(FormatCoordHalf(kHalfLongitude, CoordValue(e.lon))));
}

// ---- closing -----------------------------------------------------------------------

void TfrmSettings::btnOKClick() {
    const Result<void> checked = ValidateForm(Form());
    if (!checked) {
        platform::messages().show(MsgKind::Error, checked.error().message, MsgButtons::Ok);
        return;
    }
    done(mrOk);
}

void TfrmSettings::btnCancelClick() { done(mrCancel); }

bool RunSettingsCommand(TfrmSettings& dialog, QWidget* over, const SettingsCommandHooks& hooks) {
    dialog.SetForm(FormFromSettings(ProcSettings, CacheDBTable()));
    const bool ok = platform::modalHost().exec(dialog, over) == mrOk;
    if (!ok) return FinishSettingsCommand(nullptr, hooks);
    const SettingsFormData form = dialog.Form();
    return FinishSettingsCommand(&form, hooks);
}

}  // namespace tv
