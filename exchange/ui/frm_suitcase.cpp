#include "exchange/ui/frm_suitcase.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/cache_db.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/ini_file.h"
#include "core/proc_settings.h"
#include "core/program_files.h"
#include "exchange/suitcase_merge.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/dialog_buttons.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/radio_group.h"
#include "platform/ui/form_events.h"

namespace tv {

namespace {

constexpr const char* kSection = "Suitcase";
constexpr const char* kFilter = "Trailvane-Datei (*.tq)";

QCheckBox* Box(QWidget* parent, QLayout* layout, const char* name, const char* caption, bool checked = true) {
    auto* cb = new QCheckBox(U(caption), parent);
    cb->setObjectName(name);
    cb->setChecked(checked);
    layout->addWidget(cb);
    return cb;
}

QLabel* Label(QLayout* layout, const char* name) {
    auto* l = new QLabel;
    l->setObjectName(name);
    l->setWordWrap(true);
    layout->addWidget(l);
    return l;
}

QString N(std::size_t n) { return QString::number(static_cast<qulonglong>(n)); }

}  // namespace

TfrmSuitcase::TfrmSuitcase(std::string settingsFile, QWidget* parent)
    : QDialog(parent), settingsFile_(std::move(settingsFile)) {
    setObjectName("frmSuitcase");
    setWindowTitle(U("Aktenkoffer (Datenabgleich zwischen zwei PCs)"));
    buildLayout();
    platform::pump().setBusy(true);
    localDb_ = ReadLocalCacheDb(GetWorkDir());
    platform::pump().setBusy(false);
    if (!localDb_) ShowSysError(localDb_.error().code, ReadErrorText(GetWorkDir() + "Caches.bin"));
    paFilename->setText(ToQ(GetWorkDir() + "WPnew.txt"));
}

TfrmSuitcase::~TfrmSuitcase() = default;

void TfrmSuitcase::buildLayout() {
    auto* layout = new QVBoxLayout(this);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    layout->addWidget(PageControl1, 1);
    KeepTabsWhole(PageControl1);

    // ---- export
    tsExp = new QWidget;
    auto* expLayout = new QVBoxLayout(tsExp);
    auto* expGroup = new QGroupBox(U("Bitte alle Daten markieren, die in den Aktenkoffer gelegt werden sollen"));
    auto* eg = new QVBoxLayout(expGroup);
    auto* hint =
        new QLabel(U("Alle gewünschten Optionen markieren und den Export der Daten in den Aktenkoffer mit "
                     "\"PC => Aktenkoffer\" starten."));
    hint->setWordWrap(true);
    eg->addWidget(hint);
    cbExpCacheDB = Box(expGroup, eg, "cbExpCacheDB", "Cache-Datenbank", false);
    cbExpWorklist = Box(expGroup, eg, "cbExpWorklist", "Arbeitsliste", false);
    cbExpFinds = Box(expGroup, eg, "cbExpFinds", "Eigene Funde", false);
    cbExpDescr = Box(expGroup, eg, "cbExpDescr", "geladene Beschreibungen, Bilder, Metadaten");
    cbExpDescrSubdir = Box(expGroup, eg, "cbExpDescrSubdir", "auch aus Unterverzeichnissen");
    cbExpNotes = Box(expGroup, eg, "cbExpNotes", "persönliche Cachenotizen");
    cbExpIgnore = Box(expGroup, eg, "cbExpIgnore", "Ignoreliste", false);
    expLayout->addWidget(expGroup);
    btnSave = new QPushButton(U("PC => Aktenkoffer"));
    btnSave->setObjectName("btnSave");
    expLayout->addWidget(btnSave);
    PageControl1->addTab(tsExp, U("Daten dieses PCs im Aktenkoffer ablegen"));

    // ---- import
    tsImp = new QWidget;
    auto* impLayout = new QVBoxLayout(tsImp);
    gbBeforeRead = new QGroupBox(U("Einlesen einer Aktenkoffer-Datei"));
    auto* bl = new QVBoxLayout(gbBeforeRead);
    for (const char* text : {"Mit \"Aktenkoffer => PC\" eine Aktenkoffer-Datei öffnen.",
                             "Danach wird angezeigt, welche Daten der Aktenkoffer enthält.",
                             "Mit \"Daten festschreiben\" werden die gewählten Daten übernommen."}) {
        auto* l = new QLabel(U(text));
        l->setWordWrap(true);
        bl->addWidget(l);
    }
    btnLoad = new QPushButton(U("Aktenkoffer => PC"));
    btnLoad->setObjectName("btnLoad");
    bl->addWidget(btnLoad);
    impLayout->addWidget(gbBeforeRead);

    gbAfterRead = new QGroupBox;
    auto* al = new QVBoxLayout(gbAfterRead);
    PageControl2 = new QTabWidget;
    PageControl2->setObjectName("PageControl2");
    al->addWidget(PageControl2);
    KeepTabsWhole(PageControl2);
    btnCommit = new QPushButton(U("Daten festschreiben"));
    btnCommit->setObjectName("btnCommit");
    al->addWidget(btnCommit);
    impLayout->addWidget(gbAfterRead);
    PageControl1->addTab(tsImp, U("Daten vom Aktenkoffer in diesen PC einlesen"));

    auto page = [this](const char* caption) {
        auto* w = new QWidget;
        auto* l = new QVBoxLayout(w);
        PageControl2->addTab(w, U(caption));
        return l;
    };
    QVBoxLayout* db = page("Datenbank");
    lblThisDB = Label(db, "lblThisDB");
    lblCaseDB = Label(db, "lblCaseDB");
    gbDB = new QGroupBox(U("Optionen für Abgleich der Datenbank"));
    auto* dbl = new QVBoxLayout(gbDB);
    cbGetDB = Box(gbDB, dbl, "cbGetDB", "Einträge aus dem Aktenkoffer in die aktuelle Datenbank übernehmen");
    rgImpDBBox = RadioGroup("Verhalten bei doppelten Datenbank-Einträgen",
                            {"Lokale DB aktualisieren", "Lokale DB nicht ändern"}, 1, rgImpDB, this, 1);
    dbl->addWidget(rgImpDBBox);
    cbAddNewDBRecsToCliplist = Box(gbDB, dbl, "cbAddNewDBRecsToCliplist", "Wegpunktliste neuer Datensätze erstellen");
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(U("Dateiname:")));
    paFilename = new QLabel;
    paFilename->setObjectName("paFilename");
    paFilename->setFrameShape(QFrame::Panel);
    paFilename->setFrameShadow(QFrame::Sunken);
    fileRow->addWidget(paFilename, 1);
    btnFilename = new QPushButton(U("Ändern"));
    btnFilename->setObjectName("btnFilename");
    fileRow->addWidget(btnFilename);
    dbl->addLayout(fileRow);
    db->addWidget(gbDB);

    QVBoxLayout* wl = page("Arbeitsliste");
    lblCaseWL = Label(wl, "lblCaseWL");
    gbWorklist = new QGroupBox;
    cbGetWorklist = Box(gbWorklist, new QVBoxLayout(gbWorklist), "cbGetWorklist",
                        "Einträge aus dem Aktenkoffer in die aktuelle Arbeitsliste übernehmen");
    wl->addWidget(gbWorklist);

    QVBoxLayout* fl = page("Eigene Funde");
    lblCaseFL = Label(fl, "lblCaseFL");
    gbFoundlist = new QGroupBox;
    auto* fll = new QVBoxLayout(gbFoundlist);
    cbGetFoundList =
        Box(gbFoundlist, fll, "cbGetFoundList", "Einträge aus dem Aktenkoffer in die aktuelle Fundliste übernehmen");
    rgFoundlistBox = RadioGroup(
        "Verhalten bei doppelten Einträgen",
        {"Lokale Fundliste aus dem Aktenkoffer aktualisieren",
         "Lokale Fundliste aktualisieren, wenn Datum im Aktenkoffer aktueller ist", "Lokale Fundliste nicht ändern"},
        1, rgFoundlist, this, 1);
    fll->addWidget(rgFoundlistBox);
    fl->addWidget(gbFoundlist);

    QVBoxLayout* il = page("Ignoreliste");
    lblCaseIL = Label(il, "lblCaseIL");
    gbIgnorelist = new QGroupBox;
    cbGetIgnoreList = Box(gbIgnorelist, new QVBoxLayout(gbIgnorelist), "cbGetIgnoreList",
                          "Einträge aus dem Aktenkoffer in die aktuelle Ignoreliste übernehmen");
    il->addWidget(gbIgnorelist);

    QVBoxLayout* cl = page("Cachebeschr.");
    lblCaseCache = Label(cl, "lblCaseCache");
    cbGetCaches = Box(tsImp, cl, "cbGetCaches", "Cachebeschreibungen aus dem Aktenkoffer übernehmen");
    rgCacheDoubleBox = RadioGroup(
        "Bei vorhandenen Beschreibungen",
        {"Lokale Beschreibungen aktualisieren", "Überschreiben, wenn aktueller", "Lokale Beschreibungen beibehalten"},
        1, rgCacheDouble, this, 1);
    cl->addWidget(rgCacheDoubleBox);
    auto* after = new QGroupBox(U("Nach dem Import"));
    auto* afl = new QVBoxLayout(after);
    cbShowSummary = Box(after, afl, "cbShowSummary", "Zusammenfassung zeigen");
    cbInsertWorklist = Box(after, afl, "cbInsertWorklist", "Arbeitsliste anpassen");
    cbPostActionCreateDescr = Box(after, afl, "cbPostActionCreateDescr", "Cachebeschr. erzeugen");
    cl->addWidget(after);

    QVBoxLayout* nl = page("Notizen");
    lblCaseNotes = Label(nl, "lblCaseNotes");
    gbNotes = new QGroupBox;
    auto* nll = new QVBoxLayout(gbNotes);
    cbGetNotes = Box(gbNotes, nll, "cbGetNotes", "Einträge aus dem Aktenkoffer in die persönlichen Notizen übernehmen");
    rgNotesBox = RadioGroup("Verhaltren bei doppelten Einträgen",
                            {"Notizen aus dem Aktenkoffer übernehmen", "Beide Notizen übernehmen",
                             "Rückfrage und Bearbeiten anbieten", "Lokale Notizen behalten"},
                            1, rgNotes, this, 3);
    nll->addWidget(rgNotesBox);
    nl->addWidget(gbNotes);

    // ---- bottom
    auto* bottom = new QHBoxLayout;
    cbSaveSettings = new QCheckBox(U("Einstellungen speichern"));
    cbSaveSettings->setObjectName("cbSaveSettings");
    cbSaveSettings->setChecked(true);
    bottom->addWidget(cbSaveSettings);
    paAction = new QLabel;
    paAction->setObjectName("paAction");
    bottom->addWidget(paAction, 1);
    progress = new QProgressBar;
    progress->setObjectName("progress");
    progress->setVisible(false);
    bottom->addWidget(progress);
    btnClose = new QPushButton(U("Schließen"));
    btnClose->setObjectName("btnClose");
    bottom->addWidget(btnClose);
    layout->addLayout(bottom);
    resize(441, 390);

    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnSave, &QPushButton::clicked, this, &TfrmSuitcase::btnSaveClick);
    connect(btnLoad, &QPushButton::clicked, this, &TfrmSuitcase::btnLoadClick);
    connect(btnCommit, &QPushButton::clicked, this, &TfrmSuitcase::btnCommitClick);
    connect(btnFilename, &QPushButton::clicked, this, &TfrmSuitcase::btnFilenameClick);
    connect(PageControl1, &QTabWidget::currentChanged, this, &TfrmSuitcase::PageControl1Change);
    connect(cbExpDescr, &QCheckBox::toggled, this, &TfrmSuitcase::cbExpDescrClick);
    connect(cbGetDB, &QCheckBox::toggled, this, &TfrmSuitcase::cbGetDBClick);
    connect(cbGetFoundList, &QCheckBox::toggled, this, &TfrmSuitcase::cbGetFoundListClick);
    connect(cbGetCaches, &QCheckBox::toggled, this, &TfrmSuitcase::cbGetCachesClick);
    connect(cbGetNotes, &QCheckBox::toggled, this, &TfrmSuitcase::cbGetNotesClick);
}

void TfrmSuitcase::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!IsFormShowHide(event) || loaded_) return;
    gbBeforeRead->setVisible(true);
    gbAfterRead->setVisible(false);
    paAction->clear();
    LoadSettings();
    PageControl1Change();
}

void TfrmSuitcase::done(int result) {
    if (cbSaveSettings->isChecked()) SaveSettings();
    QDialog::done(result);
}

void TfrmSuitcase::setAction(const std::string& text) {
    paAction->setText(ToQ(text));
    platform::pump().pump();
}

// ---- small handlers ---------------------------------------------------------------------

void TfrmSuitcase::PageControl1Change() {
    const bool exp = PageControl1->currentWidget() == tsExp;
    btnSave->setVisible(exp);
    btnLoad->setVisible(!exp);
}

void TfrmSuitcase::cbExpDescrClick() { cbExpDescrSubdir->setEnabled(cbExpDescr->isChecked()); }

void TfrmSuitcase::cbGetDBClick() {
    const bool on = cbGetDB->isChecked() && cbGetDB->isEnabled();
    rgImpDBBox->setEnabled(on);
    cbAddNewDBRecsToCliplist->setEnabled(on);
    btnFilename->setEnabled(on);
}

void TfrmSuitcase::cbGetFoundListClick() {
    rgFoundlistBox->setEnabled(cbGetFoundList->isChecked() && cbGetFoundList->isEnabled());
}

void TfrmSuitcase::cbGetCachesClick() {
    const bool on = cbGetCaches->isChecked() && cbGetCaches->isEnabled();
    for (QWidget* w :
         std::initializer_list<QWidget*>{rgCacheDoubleBox, cbShowSummary, cbInsertWorklist, cbPostActionCreateDescr})
        w->setEnabled(on);
}

void TfrmSuitcase::cbGetNotesClick() { rgNotesBox->setEnabled(cbGetNotes->isChecked() && cbGetNotes->isEnabled()); }

void TfrmSuitcase::btnFilenameClick() {
    const auto file =
        platform::fileDialogs().saveFile("Wegpunktliste speichern", "Textdateien (*.txt)", FromQ(paFilename->text()));
    if (!file) return;
    if (const auto refused = ProgramFileRefusal(*file, GetWorkDir(), TargetRole::CodeList)) {
        ShowWriteFailure(*refused);
        return;
    }
    paFilename->setText(ToQ(*file));
}

// ---- settings -----------------------------------------------------------------------------

void TfrmSuitcase::LoadSettings() {
    if (!IsRegularFile(settingsFile_)) return;
    TIniFile ini(settingsFile_);
    auto box = [&ini](QCheckBox* cb, const char* key) { cb->setChecked(ini.readBool(kSection, key, true)); };
    auto radio = [&ini](QButtonGroup* g, const char* key, int def) {
        if (QAbstractButton* b = g->button(ini.readInteger(kSection, key, def))) b->setChecked(true);
    };
    box(cbGetDB, "GetDB");
    radio(rgImpDB, "ImpDB", 1);
    box(cbAddNewDBRecsToCliplist, "AddNewDBRecsToCliplist");
    paFilename->setText(ToQ(ini.readString(kSection, "NewWPFilename", GetWorkDir() + "WPnew.txt")));
    box(cbGetWorklist, "GetWorkList");
    box(cbGetFoundList, "GetFoundList");
    radio(rgFoundlist, "DoubleFinds", 1);
    box(cbGetIgnoreList, "GetIgnoreList");
    box(cbGetCaches, "GetCaches");
    radio(rgCacheDouble, "DoubleCache", 1);
    box(cbShowSummary, "ShowCacheSummary");
    box(cbInsertWorklist, "InsertWorkList");
    box(cbPostActionCreateDescr, "PostCreateDescr");
    box(cbGetNotes, "GetNotes");
    radio(rgNotes, "DoubleNotes", 3);
    PageControl2->setCurrentIndex(ini.readInteger(kSection, "ActiveLoadPage", 1));
    box(cbExpCacheDB, "ExpCacheDB");
    box(cbExpWorklist, "ExpWorklist");
    box(cbExpFinds, "ExpFinds");
    box(cbExpIgnore, "ExpIgnore");
    box(cbExpDescr, "ExpDescr");
    box(cbExpDescrSubdir, "ExpDescrSubdir");
    box(cbExpNotes, "ExpNotes");
    PageControl1->setCurrentIndex(ini.readInteger(kSection, "ActivePage", 1));
    cbExpDescrClick();
}

// Options that a loaded suitcase did not offer keep their stored values.
void TfrmSuitcase::SaveSettings() {
    TIniFile ini(settingsFile_);
    const bool ok = ini.update([&] {
        auto box = [&ini](QCheckBox* cb, const char* key, bool always = false) {
            if (always || cb->isEnabled()) ini.writeBool(kSection, key, cb->isChecked());
        };
        auto radio = [&ini](QButtonGroup* g, QGroupBox* b, const char* key) {
            if (b->isEnabled()) ini.writeInteger(kSection, key, CheckedId(g));
        };
        box(cbGetDB, "GetDB");
        radio(rgImpDB, rgImpDBBox, "ImpDB");
        box(cbAddNewDBRecsToCliplist, "AddNewDBRecsToCliplist");
        ini.writeString(kSection, "NewWPFilename", FromQ(paFilename->text()));
        box(cbGetWorklist, "GetWorkList");
        box(cbGetFoundList, "GetFoundList");
        radio(rgFoundlist, rgFoundlistBox, "DoubleFinds");
        box(cbGetIgnoreList, "GetIgnoreList");
        box(cbGetCaches, "GetCaches");
        radio(rgCacheDouble, rgCacheDoubleBox, "DoubleCache");
        box(cbShowSummary, "ShowCacheSummary");
        box(cbInsertWorklist, "InsertWorkList");
        box(cbPostActionCreateDescr, "PostCreateDescr");
        box(cbGetNotes, "GetNotes");
        radio(rgNotes, rgNotesBox, "DoubleNotes");
        ini.writeInteger(kSection, "ActiveLoadPage", PageControl2->currentIndex());
        box(cbExpCacheDB, "ExpCacheDB", true);
        box(cbExpWorklist, "ExpWorklist", true);
        box(cbExpFinds, "ExpFinds", true);
        box(cbExpIgnore, "ExpIgnore", true);
        box(cbExpDescr, "ExpDescr", true);
        box(cbExpDescrSubdir, "ExpDescrSubdir", true);
        box(cbExpNotes, "ExpNotes", true);
        ini.writeInteger(kSection, "ActivePage", PageControl1->currentIndex());
    });
    if (!ok) ShowSysError(ini.lastError().code ? ini.lastError().code : EIO, WriteErrorText(settingsFile_));
}

// ---- packing ------------------------------------------------------------------------------

void TfrmSuitcase::btnSaveClick() {
    const auto file =
        platform::fileDialogs().saveFile(W("Aktenkofferdatei sichern"), kFilter, GetWorkDir() + "Carry.tq");
    if (!file) return;
    std::string target = *file;
    if (target.find('.', target.find_last_of('/') + 1) == std::string::npos) target += ".tq";
    btnSave->setEnabled(false);
    btnClose->setEnabled(false);
    SuitcaseExportParams p;
    p.workDir = GetWorkDir();
    p.outDir = GetOutDir();
    p.cacheDb = cbExpCacheDB->isChecked();
    p.workList = cbExpWorklist->isChecked();
    p.finds = cbExpFinds->isChecked();
    p.ignoreList = cbExpIgnore->isChecked();
    p.notes = cbExpNotes->isChecked();
    p.descriptions = cbExpDescr->isChecked();
    p.descrSubdirs = cbExpDescrSubdir->isChecked();
    p.progress = [this](const std::string& text) { setAction(text); };
    platform::pump().setBusy(true);
    const Result<std::string> summary = WriteSuitcase(target, p);
    platform::pump().setBusy(false);
    paAction->clear();
    btnClose->setEnabled(true);
    btnSave->setEnabled(true);
    if (!summary.ok()) {
        ShowWriteFailure(summary.error());
        return;
    }
    if (!summary->empty() && ProcSettings.ShowMessages)
        platform::messages().show(platform::MsgKind::Information,
                                  W("Folgende Daten wurden in die Aktenkofferdatei übertragen:\r\n\r\n") + *summary);
    accept();
}

// ---- loading ------------------------------------------------------------------------------

void TfrmSuitcase::btnLoadClick() {
    const auto file =
        platform::fileDialogs().openFile(W("Aktenkofferdatei zum Einlesen öffnen"), kFilter, GetWorkDir() + "Carry.tq");
    if (!file) return;
    btnLoad->setEnabled(false);
    btnClose->setEnabled(false);
    platform::pump().setBusy(true);
    setAction("Lese Cache-Datenbank");
    const bool ok = reader_.Open(*file);
    platform::pump().setBusy(false);
    paAction->clear();
    btnClose->setEnabled(true);
    btnLoad->setEnabled(true);
    if (!ok) {
        // A damaged suitcase changes nothing; the tab stays ready for another file.
        platform::messages().show(platform::MsgKind::Error, StreamErrorText(reader_.error()));
        return;
    }
    loaded_ = true;
    showLoaded();
}

void TfrmSuitcase::showLoaded() {
    const SuitcaseContents& c = reader_.contents();
    auto offer = [](QCheckBox* cb, QWidget* group, bool has) {
        group->setEnabled(has);
        cb->setEnabled(has);
        if (!has) cb->setChecked(false);
    };
    // The database merge needs the whole local database; without it the local
    // file would be rewritten from part of its records.
    const bool db = !c.caches.empty() && localDb_.ok();
    lblCaseDB->setText(c.caches.empty()
                           ? U("Im Aktenkoffer sind keine Datenbankeinträge enthalten.")
                           : U("Die Datenbank im Aktenkoffer enthält ") + N(c.caches.size()) + U(" Einträge."));
    offer(cbGetDB, gbDB, db);
    if (!db) cbAddNewDBRecsToCliplist->setChecked(false);
    cbGetDBClick();
    lblThisDB->setText(U("Die lokale Cache-Datenbank enthält ") + N(localDb_ ? localDb_->size() : 0) + U(" Einträge."));

    lblCaseWL->setText(c.workList.empty() ? U("Der Aktenkoffer enthält keine Arbeitslisten-Einträge.")
                                          : U("Im Aktenkoffer sind ") + N(c.workList.size()) +
                                                U(" Arbeitslisten-Einträge gespeichert."));
    offer(cbGetWorklist, gbWorklist, !c.workList.empty());
    lblCaseFL->setText(c.finds.empty()
                           ? U("Der Aktenkoffer enthält keine Fundlisten-Einträge.")
                           : U("Im Aktenkoffer sind ") + N(c.finds.size()) + U(" Fundlisten-Einträge gespeichert."));
    offer(cbGetFoundList, gbFoundlist, !c.finds.empty());
    rgFoundlistBox->setEnabled(!c.finds.empty());
    cbGetFoundListClick();
    lblCaseIL->setText(c.ignoreList.empty() ? U("Der Aktenkoffer enthält keine Ignorelisten-Einträge.")
                                            : U("Im Aktenkoffer sind ") + N(c.ignoreList.size()) +
                                                  U(" Ignorelisten-Einträge gespeichert."));
    offer(cbGetIgnoreList, gbIgnorelist, !c.ignoreList.empty());
    lblCaseNotes->setText(c.notes.empty() ? U("Der Aktenkoffer enthält keine Notizen.")
                                          : U("Der Aktenkoffer enthält ") + N(c.notes.size()) + U(" Zeilen Notizen."));
    offer(cbGetNotes, rgNotesBox, !c.notes.empty());
    cbGetNotes->setVisible(!c.notes.empty());
    cbGetNotesClick();
    lblCaseCache->setText(c.pageCount == 0 ? U("Der Aktenkoffer enthält keine Cachebeschreibungen.")
                                           : U("Der Aktenkoffer enthält ") + N(static_cast<std::size_t>(c.pageCount)) +
                                                 U(" Cachebeschreibungen."));
    offer(cbGetCaches, rgCacheDoubleBox, c.pageCount > 0);
    cbGetCachesClick();

    PageControl1->setTabVisible(PageControl1->indexOf(tsExp), false);
    PageControl1->setCurrentWidget(tsImp);
    gbBeforeRead->setVisible(false);
    gbAfterRead->setVisible(true);
    btnCommit->setVisible(true);
    btnLoad->setVisible(false);
    btnSave->setVisible(false);
}

// ---- commit -------------------------------------------------------------------------------

void TfrmSuitcase::btnCommitClick() {
    btnCommit->setEnabled(false);
    SuitcaseCommitParams p;
    p.workDir = GetWorkDir();
    p.outDir = GetOutDir();
    p.getDb = cbGetDB->isChecked() && cbGetDB->isEnabled();
    p.getWorkList = cbGetWorklist->isChecked() && cbGetWorklist->isEnabled();
    p.getFinds = cbGetFoundList->isChecked() && cbGetFoundList->isEnabled();
    p.getIgnoreList = cbGetIgnoreList->isChecked() && cbGetIgnoreList->isEnabled();
    p.getNotes = cbGetNotes->isChecked() && cbGetNotes->isEnabled();
    p.getPages = cbGetCaches->isChecked() && cbGetCaches->isEnabled();
    p.keepLocalDb = CheckedId(rgImpDB) == 1;
    p.saveNewCodes = cbAddNewDBRecsToCliplist->isChecked();
    p.newCodesFile = FromQ(paFilename->text());
    p.finds = static_cast<FindsPolicy>(CheckedId(rgFoundlist));
    p.notes = static_cast<NotesPolicy>(CheckedId(rgNotes));
    p.pages = static_cast<PagePolicy>(CheckedId(rgCacheDouble));
    p.insertWorkList = cbInsertWorklist->isChecked();
    p.action = [this](const std::string& text) { setAction(text); };
    p.log = [](const std::string& line) { DebugLog(line); };
    p.mixer = [this](const std::string& wp, std::vector<std::string> lines) {
        if (!MixNotes) return lines;
        TCacheRec rec;
        const std::string name = FindCacheByWaypoint(wp, rec) ? rec.Name.str() : "?";
        return MixNotes(wp, name, lines);
    };
    p.step = [this](int done) {
        progress->setValue(done);
        platform::pump().pump();
    };
    progress->setRange(0, std::max(1, reader_.contents().pageCount));
    progress->setValue(0);
    progress->setVisible(p.getPages);
    platform::pump().setBusy(true);
    const SuitcaseCommitResult r = CommitSuitcase(reader_, localDb_, p);
    platform::pump().setBusy(false);
    progress->setVisible(false);
    for (const std::string& error : r.errors) platform::messages().show(platform::MsgKind::Error, error);
    if (r.newCodesRefused) {
        // Nothing was taken: another name for the list, and the same suitcase again.
        btnCommit->setEnabled(true);
        return;
    }

    if (p.getPages && !r.pagesStopped && cbShowSummary->isChecked() && ShowSummary) {
        setAction("Zusammenfassung wird erstellt");
        ShowSummary(SuitcaseSummaryLines(r.taken, r.skipped, [](const std::string& wp) {
            TCacheRec rec;
            return FindCacheByWaypoint(wp, rec) ? rec.Name.str() : std::string();
        }));
        paAction->clear();
    }
    platform::messages().show(platform::MsgKind::Information, CommitResultText(r, p.getFinds, p.getPages));
    DescriptionsTaken = r.pagesAdded + r.pagesReplaced > 0 && cbPostActionCreateDescr->isChecked();
    accept();
}

}  // namespace tv
