#include "shell/ui/main_commands.h"

#include <QAction>
#include <QAbstractButton>
#include <QButtonGroup>
#include <QByteArray>
#include <QDataStream>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QItemSelection>
#include <QLabel>
#include <QMap>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVariant>
#include <algorithm>
#include <chrono>
#include <unordered_set>

#include "acquire/finds_loader.h"
#include "acquire/ui/frm_gccom2db.h"
#include "acquire/ui/frm_load_finds.h"
#include "acquire/ui/frm_load_from_gc.h"
#include "acquire/ui/frm_load_html.h"
#include "core/app_paths.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "exchange/ui/frm_db_export.h"
#include "exchange/ui/frm_gpx_exp.h"
#include "exchange/ui/frm_suitcase.h"
#include "geo/ui/frm_calc.h"
#include "pages/description_template.h"
#include "pages/personal_notes.h"
#include "pages/ui/frm_add_wp_display.h"
#include "pages/ui/frm_create_descr.h"
#include "pages/ui/frm_edit_cache.h"
#include "pages/ui/frm_editor.h"
#include "pages/ui/frm_index.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/qt_text.h"
#include "shell/main_commands.h"
#include "shell/settings_edit.h"
#include "shell/ui/app_windows.h"
#include "shell/ui/frm_about.h"
#include "shell/ui/frm_buddylist.h"
#include "shell/ui/frm_input_line.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/frm_name_search.h"
#include "shell/ui/frm_notes_mixer.h"
#include "shell/ui/frm_rot13.h"
#include "shell/ui/frm_summary.h"
#include "shell/ui/frm_wait.h"
#include "shell/ui/main_cache_list.h"
#include "shell/ui/tooltip_gate.h"

namespace tv {

namespace {

using platform::MsgButtons;
using platform::MsgKind;
using platform::MsgResult;

// The drag format of the cache list (Qt's item-view rows).
const QString kRowsMime = QStringLiteral("application/x-qabstractitemmodeldatalist");

MsgResult Ask(MsgKind kind, const std::string& text, MsgButtons buttons) {
    return platform::messages().show(kind, text, buttons);
}

// A question whose "Ja" deletes for good: Enter answers "Nein".
bool Confirmed(MsgKind kind, const std::string& text) {
    return platform::messages().askDefaultNo(kind, text) == MsgResult::Yes;
}

void Tell(MsgKind kind, const std::string& text) { platform::messages().show(kind, text); }

void ShowWriteError(const std::string& path) {
    ShowSysError(EIO, W("Fehler beim Schreiben der Datei ") + path);
}

}  // namespace

MainCommands::MainCommands(AppWindows& windows) : windows_(windows), main_(windows.frmMain()) {
    bind();
    main_->tvDir->viewport()->setAcceptDrops(true);
    main_->tvDir->viewport()->installEventFilter(this);
}

MainCommands::~MainCommands() {
    if (auto* calc = windows_.get<TfrmCalc>(Win::frmCalc)) calc->PickCache = nullptr;
    if (!main_) return;
    main_->FilesDropped = nullptr;
    for (QAction* item : bound_) main_->BindCommand(item, nullptr);
}

int MainCommands::execWindow(QWidget* window) {
    auto* dialog = qobject_cast<QDialog*>(window);
    if (!dialog) return QDialog::Rejected;
    return platform::modalHost().exec(*dialog, main_);
}

void MainCommands::bind() {
    TfrmMain& m = *main_;
    MainMenus& u = m.menus;
    auto on = [&m, this](QAction* item, void (MainCommands::*handler)()) {
        m.BindCommand(item, [this, handler] { (this->*handler)(); });
        bound_.push_back(item);
    };
    on(u.mnuDebugMode, &MainCommands::mnuDebugModeClick);
    u.mnuDebugMode->setChecked(DebugMode);
    on(u.mnuRebuildIndex, &MainCommands::mnuRebuildIndexClick);
    on(u.mnuAbout, &MainCommands::mnuAboutClick);
    on(u.mnuOnlineDoc, &MainCommands::mnuOnlineDocClick);
    on(u.Errortracker1, &MainCommands::Errortracker1Click);

    // Windows that exist; the others' items stay disabled.
    if (windows_.get<TfrmBuddylist>(Win::frmBuddylist)) on(u.mnuBuddylist, &MainCommands::mnuBuddylistClick);
    if (windows_.get<TfrmEditCache>(Win::frmEditCache)) on(u.mnuEditCache, &MainCommands::mnuEditCacheClick);
    if (windows_.get<TfrmAddWPDisplay>(Win::frmAddWPDisplay))
        on(u.mnuAddWaypoints, &MainCommands::mnuAddWaypointsClick);
    if (windows_.get<TfrmLoadHTML>(Win::frmLoadHTML)) {
        on(u.mnuLoadHTML, &MainCommands::mnuLoadHTMLClick);
        on(u.mnuReloadMarked, &MainCommands::mnuReloadMarkedClick);
    }
    if (windows_.get<TfrmCreateDescr>(Win::frmCreateDescr)) on(u.mnuCreateDescr, &MainCommands::mnuCreateDescrClick);
    if (windows_.get<TfrmIndex>(Win::frmIndex)) {
        on(u.mnuCreateIndex, &MainCommands::mnuCreateIndexClick);
        on(u.mnuCreateDirIndex, &MainCommands::mnuCreateDirIndexClick);
    }
    if (auto* calc = windows_.get<TfrmCalc>(Win::frmCalc)) {
        on(u.mnuCalcDistance, &MainCommands::mnuCalcDistanceClick);
        on(u.mnuProjection, &MainCommands::mnuProjectionClick);
        calc->PickCache = [this](QWidget& over) { return PickCacheByName(over); };
    }
    if (windows_.get<TfrmROT13>(Win::frmROT13)) on(u.mnuROT13, &MainCommands::mnuROT13Click);
    if (windows_.get<TfrmGPXExp>(Win::frmGPXExp)) {
        on(u.mnuExport, &MainCommands::mnuExportClick);
        on(u.mnuExportDir, &MainCommands::mnuExportDirClick);
    }
    if (windows_.get<TfrmInputLine>(Win::frmInputLine)) on(u.mnuNewDir, &MainCommands::mnuNewDirClick);
    on(u.mnuSuitcase, &MainCommands::mnuSuitcaseClick);

    on(u.mnuEmptyDir, &MainCommands::mnuEmptyDirClick);
    on(u.mnuDeleteTree, &MainCommands::mnuDeleteTreeClick);
    on(u.mnuCleanDir, &MainCommands::mnuCleanDirClick);
    on(u.mnuOrigToWorklist, &MainCommands::mnuOrigToWorklistClick);

    on(u.mnuShowInBrowser, &MainCommands::mnuShowInBrowserClick);
    on(u.mnuEditLongDescr, &MainCommands::mnuEditLongDescrClick);
    on(u.mnuMarkAll, &MainCommands::mnuMarkAllClick);
    on(u.mnuMarkNone, &MainCommands::mnuMarkNoneClick);
    on(u.mnuInvertMarks, &MainCommands::mnuInvertMarksClick);
    on(u.mnuCopyPath, &MainCommands::mnuCopyPathClick);
    on(u.mnuMarkWorklist, &MainCommands::pmMarkWorklistClick);
    on(u.mnuMarkExcluded, &MainCommands::pmMarkExcludedClick);
    on(u.mnuShowIndex, &MainCommands::mnuShowIndexClick);
    on(u.mnuDeleteMarked, &MainCommands::mnuDeleteMarkedClick);
    on(u.mnuAddToFinds, &MainCommands::mnuAddToFindsClick);
    on(u.mnuLoadFinds, &MainCommands::mnuLoadFindsClick);
    on(u.mnuDBFromPages, &MainCommands::mnuDBFromPagesClick);
}

void MainCommands::SetDropHandlers(DropHandlers handlers) {
    drops_ = std::move(handlers);
    if (drops_.importGpx) {
        auto gpx = drops_.importGpx;
        drops_.importGpx = [this, gpx](const std::string& file) {
            gpx(file);
            if (main_->UpdateStatusBar) main_->UpdateStatusBar();
        };
    }
    if (!drops_.importGpx && !drops_.importAddWaypoints) {
        main_->FilesDropped = nullptr;
        return;
    }
    main_->FilesDropped = [this](const std::vector<std::string>& files) {
        ProcessDroppedFiles(files, drops_, GetTempDir());
    };
}

// ---- Datei, Spezial, Hilfe ---------------------------------------------------------

void MainCommands::mnuDebugModeClick() { SetDebugMode(main_->menus.mnuDebugMode->isChecked()); }

void MainCommands::mnuRebuildIndexClick() {
    platform::pump().setBusy(true);
    const std::string error = RebuildIndex();
    platform::pump().setBusy(false);
    if (!error.empty()) Tell(MsgKind::Error, error);
}

void MainCommands::mnuAboutClick() {
    TfrmAbout about(ProcSettings.ShowTooltips);
    platform::modalHost().exec(about, main_);
}

// The documentation ships with the program; the program links no page on a
// server. The maintainer's error tracker is the same page.
void MainCommands::mnuOnlineDocClick() {
    if (const std::string error = OpenDocumentation(); !error.empty()) Tell(MsgKind::Error, error);
}

void MainCommands::Errortracker1Click() { mnuOnlineDocClick(); }

// ---- windows ------------------------------------------------------------------------

void MainCommands::mnuBuddylistClick() { execWindow(windows_.window(Win::frmBuddylist)); }

void MainCommands::mnuEditCacheClick() {
    auto* edit = windows_.get<TfrmEditCache>(Win::frmEditCache);
    if (!edit) return;
    edit->Execute(1, main_);
    if (main_->UpdateStatusBar) main_->UpdateStatusBar();
}

void MainCommands::mnuAddWaypointsClick() { execWindow(windows_.window(Win::frmAddWPDisplay)); }

void MainCommands::mnuLoadHTMLClick() { execWindow(windows_.window(Win::frmLoadHTML)); }

void MainCommands::mnuCreateDescrClick() {
    if (execWindow(windows_.window(Win::frmCreateDescr)) == QDialog::Accepted) main_->RefreshCacheList();
}

void MainCommands::mnuCreateIndexClick() {
    execWindow(windows_.window(Win::frmIndex));
    updateIndexItem();
}

void MainCommands::mnuCalcDistanceClick() {
    auto* calc = windows_.get<TfrmCalc>(Win::frmCalc);
    if (!calc) return;
    calc->SelectTab(0);
    platform::modalHost().exec(*calc, main_);
}

void MainCommands::mnuProjectionClick() {
    auto* calc = windows_.get<TfrmCalc>(Win::frmCalc);
    if (!calc) return;
    calc->SelectTab(1);
    platform::modalHost().exec(*calc, main_);
}

void MainCommands::mnuROT13Click() { execWindow(windows_.window(Win::frmROT13)); }

void MainCommands::mnuExportClick() { execWindow(windows_.window(Win::frmGPXExp)); }

void MainCommands::mnuExportDirClick() {
    auto* exporter = windows_.get<TfrmGPXExp>(Win::frmGPXExp);
    const std::string work = GetWorkDir();
    if (!exporter) return;
    if (!WriteDirList(work, captions())) return ShowWriteError(work + std::string(kDirListFile));
    exporter->DirListFile = work + std::string(kDirListFile);
    execWindow(exporter);
}

void MainCommands::mnuSuitcaseClick() {
    TfrmSuitcase suitcase(GetWorkDir() + "tq.conf");
    suitcase.MixNotes = [&suitcase](const std::string& wp, const std::string& name, const std::vector<std::string>& lines) {
        TfrmNotesMixer mixer;
        mixer.paWP->setText(ToQ(wp));
        mixer.paName->setText(ToQ(name));
        mixer.mmNotes->setPlainText(ToQ(NoteLinesToText(lines)));
        platform::modalHost().exec(mixer, &suitcase);
        return NoteTextToLines(FromQ(mixer.mmNotes->toPlainText()));
    };
    suitcase.ShowSummary = [&suitcase](const std::vector<std::string>& lines) {
        TfrmSummary summary;
        for (const std::string& line : lines) summary.lbCaches->addItem(ToQ(line));
        platform::modalHost().exec(summary, &suitcase);
    };
    platform::modalHost().exec(suitcase, main_);
    if (main_->UpdateStatusBar) main_->UpdateStatusBar();
    auto* descr = windows_.get<TfrmCreateDescr>(Win::frmCreateDescr);
    if (!suitcase.DescriptionsTaken || !descr) return;
    // The taken pages are converted like every page of the description folder.
    if (QAbstractButton* all = descr->rgConvWhich->button(1)) all->setChecked(true);
    descr->AutoLoad->start();
    execWindow(descr);
    main_->RefreshCacheList();
}

void MainCommands::mnuExportGCrecordsClick() {
    TfrmDBExport dump;
    dump.SetShowHints(ProcSettings.ShowTooltips);
    platform::modalHost().exec(dump, main_);
}

std::string MainCommands::PickCacheByName(QWidget& over) {
    // A window of its own for each pick, in single-choice mode.
    TfrmNameSearch search;
    search.MultiSelect = false;
    if (platform::modalHost().exec(search, &over) != QDialog::Accepted || search.Marked().empty()) return {};
    return search.Marked().front();
}

// ---- folder pop-up ---------------------------------------------------------------------

std::string MainCommands::chosenFolder() const {
    return main_->FolderOfNode(main_->tvDir->currentItem()).value_or(main_->CurrentFolder);
}

void MainCommands::mnuNewDirClick() {
    auto* input = windows_.get<TfrmInputLine>(Win::frmInputLine);
    if (!input) return;
    input->SetText({});
    if (platform::modalHost().exec(*input, main_) != QDialog::Accepted) return;
    const int code = CreateNewFolder(GetOutDir(), input->GetText());
    if (code != 0) {
        ShowSysError(code, kNewFolderErrorText);
        return;
    }
    main_->BuildFolderTree();
}

void MainCommands::mnuEmptyDirClick() {
    const std::string folder = chosenFolder();
    if (!Confirmed(MsgKind::Warning, EmptyFolderQuestionText(folder))) return;
    DeleteCacheFiles(folder);
    main_->BuildFolderTree();
}

void MainCommands::mnuDeleteTreeClick() {
    const std::string folder = GetOutDir();
    if (!Confirmed(MsgKind::Warning, EmptyFolderQuestionText(folder))) return;
    DeleteCacheFilesTree(folder);
    main_->BuildFolderTree();
}

void MainCommands::mnuCleanDirClick() {
    const std::string folder = chosenFolder();
    if (!Confirmed(MsgKind::Confirmation, CleanupQuestionText(folder))) return;
    const int removed = CleanupFolder(folder);
    if (ProcSettings.ShowMessages) Tell(MsgKind::Information, CleanupReportText(removed, folder));
}

void MainCommands::mnuOrigToWorklistClick() {
    const MsgResult answer = Ask(MsgKind::Confirmation, OriginalsQuestionText(), MsgButtons::YesNoCancel);
    if (answer == MsgResult::Cancel) return;
    const CacheLookup lookup = main_->Lookup ? main_->Lookup : DatabaseLookup();
    const std::string work = GetWorkDir();
    const OriginalsResult r = OriginalsToWorkList(main_->CurrentFolder, answer == MsgResult::Yes, work,
                                                  [&lookup](const std::string& code) {
                                                      TCacheRec rec;
                                                      return lookup(code, rec);
                                                  });
    if (r.readError.code != 0) return ShowListReadError(r.readError);
    if (!r.saved) return ShowWriteError(work + std::string(kWorkListFile));
    if (ProcSettings.ShowMessages) Tell(MsgKind::Information, OriginalsReportText(r.added));
}

// ---- cache pop-up: the row with the focus ---------------------------------------------------

void MainCommands::mnuShowInBrowserClick() {
    if (const auto row = main_->lvCaches->SelectedRow())
        platform::shellOpen().open(ConvertedPagePath(main_->CurrentFolder, row->caption));
}

void MainCommands::mnuCopyPathClick() {
    if (const auto row = main_->lvCaches->SelectedRow())
        platform::clipboard().setText(ConvertedPagePath(main_->CurrentFolder, row->caption));
}

void MainCommands::mnuEditLongDescrClick() {
    if (const auto row = main_->lvCaches->SelectedRow())
        EditLongDescription(main_, ConvertedPagePath(main_->CurrentFolder, row->caption), ProcSettings.ShowMessages);
}

// ---- marks ------------------------------------------------------------------------------------

std::vector<std::string> MainCommands::captions() const {
    std::vector<std::string> out;
    for (const CacheRow& row : main_->Rows()) out.push_back(row.caption);
    return out;
}

void MainCommands::applyMarks(const std::vector<bool>& marks) {
    QTreeWidget* list = main_->lvCaches;
    QItemSelection selection;
    const int columns = std::max(1, list->columnCount());
    for (int i = 0; i < list->topLevelItemCount() && static_cast<std::size_t>(i) < marks.size(); ++i) {
        if (!marks[static_cast<std::size_t>(i)]) continue;
        selection.select(list->model()->index(i, 0), list->model()->index(i, columns - 1));
    }
    list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void MainCommands::mnuMarkAllClick() { applyMarks(std::vector<bool>(captions().size(), true)); }

void MainCommands::mnuMarkNoneClick() { applyMarks({}); }

void MainCommands::mnuInvertMarksClick() {
    QTreeWidget* list = main_->lvCaches;
    std::vector<bool> marks(static_cast<std::size_t>(list->topLevelItemCount()));
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        marks[static_cast<std::size_t>(i)] = !list->topLevelItem(i)->isSelected();
    applyMarks(marks);
}

void MainCommands::pmMarkWorklistClick() {
    applyMarks({});
    const auto lines = ReadWorkDirList(GetWorkDir(), kWorkListFile);
    if (!lines) return ShowListReadError(lines.error());
    applyMarks(MarkByWorkList(*lines, captions()));
}

void MainCommands::pmMarkExcludedClick() {
    const std::string work = GetWorkDir();
    platform::IProgress& progress = platform::progress();
    progress.setRange(0, 0);
    progress.setAction("Cacheliste wird gelesen");
    applyMarks({});
    std::vector<Error> unreadable;
    std::vector<std::string> finds;
    if (auto read = ReadFindCodes(work))
        finds = std::move(*read);
    else
        unreadable.push_back(read.error());
    std::vector<std::string> ignored;
    if (auto read = ReadTextListIfPresent(WithTrailingSlash(work) + std::string(kIgnoreListFile)))
        ignored = std::move(*read);
    else
        unreadable.push_back(read.error());
    applyMarks(MarkByExcludeLists(finds, ignored, captions(), progress, platform::pump()));
    // The wait window stays on top: it goes before a box would open under it.
    progress.hide();
    for (const Error& error : unreadable) ShowListReadError(error);
}

// ---- cache pop-up: index, delete, reload --------------------------------------------------------

void MainCommands::updateIndexItem() {
    const IndexMenu index = IndexMenuState(main_->CurrentFolder);
    main_->SetAllowed(main_->menus.mnuShowIndex, index.enabled);
    main_->menus.mnuShowIndex->setText(ToQ(index.caption));
}

void MainCommands::mnuCreateDirIndexClick() {
    auto* index = windows_.get<TfrmIndex>(Win::frmIndex);
    if (!index) return;
    index->FolderOverride = main_->CurrentFolder;
    platform::modalHost().exec(*index, main_);
    updateIndexItem();
}

void MainCommands::mnuShowIndexClick() { platform::shellOpen().open(main_->CurrentFolder + "index.html"); }

void MainCommands::mnuDeleteMarkedClick() {
    const std::vector<std::string> marked = main_->MarkedCaptions();
    if (marked.empty()) return;
    if (!Confirmed(MsgKind::Warning, DeleteQuestionText())) return;
    const DeleteResult r = DeleteCaches(marked, main_->CurrentFolder);
    main_->RefreshCacheList();
    // Files that stayed are always reported; success only with ShowMessages.
    if (r.failed > 0)
        Tell(MsgKind::Error, DeleteReportText(r));
    else if (ProcSettings.ShowMessages)
        Tell(MsgKind::Information, DeleteReportText(r));
}

void MainCommands::mnuReloadMarkedClick() {
    auto* loader = windows_.get<TfrmLoadHTML>(Win::frmLoadHTML);
    const std::vector<std::string> marked = main_->MarkedCaptions();
    // Without marks the loader would take the whole work list instead.
    if (!loader || marked.empty()) return;
    const MsgResult answer = Ask(MsgKind::Confirmation, ReloadQuestionText(marked.size()), MsgButtons::YesNoCancel);
    if (answer == MsgResult::Cancel) return;
    const std::string work = GetWorkDir();
    const ReloadPlan plan = PlanReloadMarked(marked, answer == MsgResult::Yes, work);
    // The marked codes are to go into the work list: without it nothing is loaded.
    if (plan.readError.code != 0) return ShowListReadError(plan.readError);
    loader->HandOverList = plan.handOver;
    loader->ForcedOverwrite = 1;  // "immer überschreiben"
    mnuLoadHTMLClick();
    if (plan.saveWorkList && !WriteWorkDirList(work, kWorkListFile, plan.workList))
        ShowWriteError(work + std::string(kWorkListFile));
}

void MainCommands::mnuAddToFindsClick() {
    const std::vector<std::string> marked = main_->MarkedCaptions();
    if (marked.empty()) {
        Tell(MsgKind::Warning, "Bitte zuerst einen Cache markieren.");
        return;
    }
    const platform::DateTime now = platform::clock().now();
    const std::chrono::year_month_day today{std::chrono::year{now.year}, std::chrono::month{unsigned(now.month)},
                                            std::chrono::day{unsigned(now.day)}};
    std::vector<TFoundRec> finds;
    for (const std::string& code : marked) {
        TFoundRec f;
        f.Waypoint = code;
        f.FoundDate = FoundDateText(today);
        finds.push_back(f);
    }
    // Finds already listed keep their date; the others join with today's.
    const CacheLookup lookup = main_->Lookup ? main_->Lookup : DatabaseLookup();
    const auto merged = SaveFinds(ResolveFileNoCase(GetWorkDir(), "Finds.bin"), finds, lookup, false);
    if (!merged) {
        ShowSysError(merged.error().code, merged.error().message);
        return;
    }
    if (ProcSettings.ShowMessages)
        Tell(MsgKind::Information, IntText(merged->appended) + W(" Caches wurden in die Fundliste aufgenommen, ") +
                                       IntText(static_cast<long long>(marked.size()) - merged->appended) +
                                       " waren bereits vorhanden.");
}

void MainCommands::mnuLoadFindsClick() {
    if (ProcSettings.Username.empty()) {
        const std::string question =
            W("Zum Laden der eigenen Funde wird der Benutzername der Listing-Seite benötigt. Bitte auf der "
              "Registerkarte \"Sonstiges\" der Programmeinstellungen eintragen.\r\n\r\n"
              "Programmeinstellungen jetzt ändern?");
        if (Ask(MsgKind::Warning, question, MsgButtons::YesNo) != MsgResult::Yes) return;
        main_->menus.Grundeinstellungen1->trigger();
        if (ProcSettings.Username.empty()) return;
    }
    TfrmLoadFinds finds(main_);
    SetShowHints(&finds, ProcSettings.ShowTooltips);
    // The resource window follows each page request and can stop it.
    if (auto* progress = windows_.get<TfrmLoadFromGC>(Win::frmLoadFromGC)) {
        connect(progress->btnCancel, &QPushButton::clicked, &finds, [&finds] {
            if (finds.btnCancel->isEnabled()) finds.btnCancelClick();
        });
        finds.PageProgress = [progress](bool loading, const std::string& url) {
            if (!loading) {
                progress->hide();
                return;
            }
            progress->show();
            progress->lblResource->setText(ToQ(url));
            progress->pb->setRange(0, 0);
        };
        finds.Load().loader().OnProgress = [progress](std::int64_t received, std::int64_t total) {
            if (total <= 0) return;
            progress->pb->setRange(0, static_cast<int>(std::min<std::int64_t>(total, INT32_MAX)));
            progress->pb->setValue(static_cast<int>(std::min(received, total)));
        };
    }
    execWindow(&finds);
    if (auto* progress = windows_.get<TfrmLoadFromGC>(Win::frmLoadFromGC)) progress->hide();
}

void MainCommands::mnuDBFromPagesClick() {
    TfrmGCCom2DB fill(main_);
    SetShowHints(&fill, ProcSettings.ShowTooltips);
    execWindow(&fill);
    if (main_->UpdateStatusBar) main_->UpdateStatusBar();
}

// ---- moving rows onto a folder ---------------------------------------------------------------------

void MainCommands::tvDirDragDrop(const QTreeWidgetItem* node, const std::vector<std::string>& codes) {
    const std::optional<std::string> target = main_->FolderOfNode(node);
    if (!target || codes.empty()) return;
    const std::string from = main_->CurrentFolder;
    if (SameFolder(*target, from)) return Tell(MsgKind::Error, SameFolderMoveText());

    main_->Panel2->setEnabled(false);
    platform::pump().setBusy(true);
    TfrmWait* wait = windows_.frmWait();
    const QString title = wait ? wait->windowTitle() : QString();
    if (wait) wait->setWindowTitle(QStringLiteral("Bitte warten"));
    const MoveResult r = MoveCaches(codes, from, *target, platform::progress(), platform::pump());
    if (wait) wait->setWindowTitle(title);
    main_->Panel2->setEnabled(true);
    platform::pump().setBusy(false);
    main_->RefreshCacheList();
    if (ProcSettings.ShowMessages) Tell(MsgKind::Information, MoveReportText(r, from, *target));
}

std::vector<std::string> MainCommands::DraggedCaptions(const QMimeData* data) const {
    std::vector<std::string> out;
    if (!data || !data->hasFormat(kRowsMime)) return out;
    std::unordered_set<std::string> rows;
    for (const CacheRow& row : main_->Rows()) rows.insert(row.caption);
    std::unordered_set<std::string> seen;
    QByteArray encoded = data->data(kRowsMime);
    QDataStream stream(&encoded, QIODevice::ReadOnly);
    while (!stream.atEnd()) {
        int row = 0, column = 0;
        QMap<int, QVariant> roles;
        stream >> row >> column >> roles;
        if (stream.status() != QDataStream::Ok) break;
        if (column != 0) continue;
        const std::string caption = FromQ(roles.value(Qt::DisplayRole).toString());
        if (rows.count(caption) && seen.insert(caption).second) out.push_back(caption);
    }
    return out;
}

bool MainCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched != main_->tvDir->viewport()) return QObject::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* e = static_cast<QDragMoveEvent*>(event);
            if (!e->mimeData()->hasFormat(kRowsMime)) return false;
            // Accepted whenever a node lies under the pointer.
            if (main_->tvDir->itemAt(e->position().toPoint()))
                e->acceptProposedAction();
            else if (event->type() == QEvent::DragEnter)
                e->acceptProposedAction();  // so that the moves over the tree arrive
            else
                e->ignore();
            return true;
        }
        case QEvent::Drop: {
            auto* e = static_cast<QDropEvent*>(event);
            if (!e->mimeData()->hasFormat(kRowsMime)) return false;
            QTreeWidgetItem* node = main_->tvDir->itemAt(e->position().toPoint());
            const std::vector<std::string> codes = DraggedCaptions(e->mimeData());
            if (!node || codes.empty()) {
                e->ignore();
                return true;
            }
            e->setDropAction(Qt::CopyAction);  // the list is rebuilt by the move itself
            e->accept();
            tvDirDragDrop(node, codes);
            return true;
        }
        default: return QObject::eventFilter(watched, event);
    }
}

}  // namespace tv
