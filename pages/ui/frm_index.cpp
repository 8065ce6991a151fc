#include "pages/ui/frm_index.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cerrno>

#include "core/file_procs.h"
#include "core/proc_settings.h"
#include "core/program_files.h"
#include "pages/description_data.h"
#include "platform/services.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/radio_group.h"
#include "platform/ui/form_events.h"

namespace tv {

TfrmIndex* frmIndex = nullptr;

TfrmIndex::TfrmIndex(QWidget* parent) : QDialog(parent) {
    setObjectName("frmIndex");
    setWindowTitle(U("Indexseite erzeugen"));
    resize(445, 434);
    auto* top = new QVBoxLayout(this);

    gbOptions = new QGroupBox(U("Ausgabeoptionen"));
    auto* opt = new QGridLayout(gbOptions);
    auto* fields = new QGridLayout;
    const QString hint = U("Die markierten Felder werden in der Indexdatei ausgegeben");
    auto box = [&](QCheckBox*& cb, const char* caption, int row, int col) {
        cb = new QCheckBox(U(caption));
        cb->setChecked(true);
        cb->setToolTip(hint);
        fields->addWidget(cb, row, col);
    };
    box(CheckBox1, "Waypoint", 0, 0);
    CheckBox1->setEnabled(false);
    box(cbName, "Cachename", 1, 0);
    box(cbHidden, "Versteckdatum", 2, 0);
    box(cbKoord, "Koordinaten", 3, 0);
    box(cbDistance, "Home-Entfernung", 0, 1);
    box(cbType, "Cachetyp", 1, 1);
    box(cbSize, "Cachegröße", 2, 1);
    box(cbDT, "Difficulty/Terrain", 3, 1);
    opt->addLayout(fields, 0, 0);

    gbWhich =
        RadioGroup("Caches in Indexdatei aufnehmen", {"nur Caches in der Arbeitsliste", "alle Caches im Ausgabeverz."},
                   1, rgWhich, this, -1, RadioFill::ColumnByColumn);
    rgWhich->button(1)->setChecked(true);
    opt->addWidget(gbWhich, 0, 1);
    gbSort = RadioGroup("Sortierung der Indexdatei nach",
                        {"Waypoint", "Versteckdatum", "Koordinaten", "Home-Entfernung", "Cachename", "Cachetyp",
                         "Difficulty/Terrain", "Cachegröße"},
                        2, rgSort, this, -1, RadioFill::ColumnByColumn);
    rgSort->button(kSortDistance)->setChecked(true);
    opt->addWidget(gbSort, 1, 0);
    gbAscDesc =
        RadioGroup("Sortierrichtung", {"Aufsteigend", "Absteigend"}, 1, rgAscDesc, this, -1, RadioFill::ColumnByColumn);
    rgAscDesc->button(0)->setChecked(true);
    opt->addWidget(gbAscDesc, 1, 1);

    auto* homeRow = new QHBoxLayout;
    homeRow->addWidget(new QLabel(U("Zentrum:")));
    cbHome = new QComboBox;
    homeRow->addWidget(cbHome, 1);
    opt->addLayout(homeRow, 2, 0);
    cbSaveOptions = new QCheckBox(U("eingestellte Optionen speichern"));
    cbSaveOptions->setChecked(true);
    opt->addWidget(cbSaveOptions, 2, 1);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(U("Name der Indexdatei:")));
    edIndexFilename = new QLineEdit(U("index.html"));
    btnChooseFilename = new QPushButton(U("wählen"));
    fileRow->addWidget(edIndexFilename, 1);
    fileRow->addWidget(btnChooseFilename);
    opt->addLayout(fileRow, 3, 0, 1, 2);
    top->addWidget(gbOptions);

    auto* gbInfo = new QGroupBox(U("Information"));
    auto* info = new QVBoxLayout(gbInfo);
    lblOutDir = new QLabel;
    lblDate = new QLabel;
    lblOutDir->setWordWrap(true);
    info->addWidget(lblOutDir);
    info->addWidget(lblDate);
    top->addWidget(gbInfo);

    auto* gbPPC = new QGroupBox(U("Pocket-PC"));
    auto* ppc = new QVBoxLayout(gbPPC);
    cbSparversion = new QCheckBox(U("Anpassung für Pocket-PC aktivieren (kleinste Dateigröße)"));
    ppc->addWidget(cbSparversion);
    top->addWidget(gbPPC);

    auto* bottom = new QHBoxLayout;
    btnOK = new QPushButton(U("Indexdatei erzeugen"));
    btnOK->setDefault(true);
    cbShow = new QCheckBox(U("und danach anzeigen"));
    cbShow->setChecked(true);
    btnCancel = new QPushButton(U("Abbrechen"));
    bottom->addWidget(btnOK);
    bottom->addWidget(cbShow);
    bottom->addStretch(1);
    bottom->addWidget(btnCancel);
    top->addLayout(bottom);

    AutoLoad = new QTimer(this);
    AutoLoad->setObjectName("AutoLoad");
    AutoLoad->setInterval(200);
    AutoLoad->setSingleShot(true);

    connect(btnOK, &QPushButton::clicked, this, &TfrmIndex::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmIndex::btnCancelClick);
    connect(btnChooseFilename, &QPushButton::clicked, this, &TfrmIndex::btnChooseFilenameClick);
    connect(cbSparversion, &QCheckBox::clicked, this, &TfrmIndex::cbSparversionClick);
    connect(cbDistance, &QCheckBox::clicked, this, &TfrmIndex::cbDistanceClick);
    connect(rgSort, &QButtonGroup::idClicked, this, [this](int) { cbDistanceClick(); });
    connect(AutoLoad, &QTimer::timeout, this, &TfrmIndex::AutoLoadTimer);

    if (!frmIndex) frmIndex = this;
}

TfrmIndex::~TfrmIndex() {
    if (frmIndex == this) frmIndex = nullptr;
}

std::string TfrmIndex::Folder() const {
    return FolderOverride.empty() ? GetOutDir() : WithTrailingSlash(FolderOverride);
}

void TfrmIndex::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (IsFormShowHide(e)) FormShow();
}

void TfrmIndex::hideEvent(QHideEvent* e) {
    QDialog::hideEvent(e);
    if (IsFormShowHide(e)) FolderOverride.clear();  // FormHide
}

void TfrmIndex::FormShow() {
    const std::string d = Folder();
    const bool overridden = !FolderOverride.empty();
    gbWhich->setEnabled(!overridden);
    if (overridden) rgWhich->button(1)->setChecked(true);
    edIndexFilename->setText(ToQ(d + std::string(kIndexFileName)));

    DescriptionList = ListConvertedCodes(d);
    if (DescriptionList.empty()) platform::messages().show(platform::MsgKind::Warning, NoConvertedPagesText(d));
    btnOK->setEnabled(!DescriptionList.empty());
    cbShow->setEnabled(!DescriptionList.empty());
    lblOutDir->setText(ToQ(ConvertedCountText(DescriptionList.size())));

    cbHome->clear();
    for (const std::string& name : HomeChoiceNames(ProcSettings)) cbHome->addItem(ToQ(name));
    cbHome->setCurrentIndex(0);

    LoadOptions();
    if (overridden) {
        edIndexFilename->setText(ToQ(d + std::string(kIndexFileName)));
        rgWhich->button(1)->setChecked(true);
    }
    UpdateDateLabel();
}

void TfrmIndex::UpdateDateLabel() {
    const std::string file = IndexFilePath(FromQ(edIndexFilename->text()), Folder());
    lblDate->setText(ToQ(IndexDateText(FileModificationTime(file))));
}

void TfrmIndex::LoadOptions() {
    IndexOptions o = OptionsFromControls();
    ReadIndexOptions(o, !FolderOverride.empty());
    ControlsFromOptions(o);
}

IndexOptions TfrmIndex::OptionsFromControls() const {
    IndexOptions o;
    o.saveOptions = cbSaveOptions->isChecked();
    o.pocketPC = cbSparversion->isChecked();
    o.hidden = cbHidden->isChecked();
    o.coords = cbKoord->isChecked();
    o.distance = cbDistance->isChecked();
    o.name = cbName->isChecked();
    o.type = cbType->isChecked();
    o.dt = cbDT->isChecked();
    o.size = cbSize->isChecked();
    o.showAfter = cbShow->isChecked();
    o.sort = CheckedId(rgSort);
    o.which = CheckedId(rgWhich);
    o.descending = CheckedId(rgAscDesc) == 1;
    o.home = cbHome->currentIndex() < 0 ? 0 : cbHome->currentIndex();
    o.fileName = FromQ(edIndexFilename->text());
    return o;
}

void TfrmIndex::ControlsFromOptions(const IndexOptions& o) {
    cbSaveOptions->setChecked(o.saveOptions);
    cbSparversion->setChecked(o.pocketPC);
    cbHidden->setChecked(o.hidden);
    cbKoord->setChecked(o.coords);
    cbDistance->setChecked(o.distance);
    cbName->setChecked(o.name);
    cbType->setChecked(o.type);
    cbDT->setChecked(o.dt);
    cbSize->setChecked(o.size);
    cbShow->setChecked(o.showAfter);
    rgSort->button(o.sort)->setChecked(true);
    rgWhich->button(o.which)->setChecked(true);
    rgAscDesc->button(o.descending ? 1 : 0)->setChecked(true);
    // A home that is no longer there falls back to the home itself.
    cbHome->setCurrentIndex(o.home < cbHome->count() ? o.home : 0);
    edIndexFilename->setText(ToQ(o.fileName));
    EnableOptions(!o.pocketPC);
}

void TfrmIndex::EnableOptions(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{cbHidden, cbKoord, cbDistance, cbName, cbType, cbSize, cbDT,
                                                      gbSort, gbAscDesc})
        w->setEnabled(on);
    cbDistanceClick();
}

void TfrmIndex::cbSparversionClick() { EnableOptions(!cbSparversion->isChecked()); }

void TfrmIndex::cbDistanceClick() {
    // The home matters only for distances shown or sorted by, and only when
    // there is more than one to choose from.
    const bool used = cbDistance->isChecked() || CheckedId(rgSort) == kSortDistance;
    cbHome->setEnabled(cbHome->count() > 1 && used);
}

void TfrmIndex::btnChooseFilenameClick() {
    auto chosen = platform::fileDialogs().saveFile(W("Name der Indexdatei wählen"),
                                                   "HTML-Datei (*.html);;Alle Dateien (*)", GetOutDir());
    if (chosen) edIndexFilename->setText(ToQ(*chosen));
}

void TfrmIndex::btnOKClick() {
    const std::string d = Folder();
    const std::string file = IndexFilePath(FromQ(edIndexFilename->text()), d);
    // No question about the folder for a name that is refused anyway.
    if (const auto refused = ProgramFileRefusal(file, GetWorkDir(), TargetRole::IndexPage)) {
        ShowWriteFailure(*refused);
        return;
    }
    if (!IsInFolder(file, d) && platform::messages().show(platform::MsgKind::Warning, OtherFolderQuestion(d),
                                                          platform::MsgButtons::YesNo) != platform::MsgResult::Yes)
        return;

    State = 1;
    IndexPageParams p;
    p.codes = DescriptionList;
    p.options = OptionsFromControls();
    p.home = IndexHomeFor(ProcSettings, p.options.home);
    if (p.options.which == 0) p.workList = ReadIndexWorkList(GetWorkDir() + "WPList.txt");
    platform::pump().setBusy(true);
    const Result<void> r = WriteIndexPage(file, GetWorkDir(), p);
    const bool written = r.ok();
    platform::pump().setBusy(false);
    if (!written)
        ShowWriteFailure(r.error());
    else if (cbShow->isChecked())
        platform::shellOpen().open(file);
    if (!cbSparversion->isChecked()) EnableOptions(true);
    done(written ? mrOk : mrCancel);
}

void TfrmIndex::AutoLoadTimer() {
    AutoLoad->stop();
    btnOKClick();
}

void TfrmIndex::btnCancelClick() { done(mrCancel); }

void TfrmIndex::done(int r) {
    WriteIndexOptions(OptionsFromControls(), !FolderOverride.empty());  // FormClose
    State = 2;
    QDialog::done(r);
}

}  // namespace tv
