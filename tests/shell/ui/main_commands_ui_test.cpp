// The main window's commands offscreen, through their menu items: which items
// work, marks, the folder and cache pop-ups on a prepared folder, moving rows
// by dropping them on a tree node, dropped files, and the windows the menus
// open.
#include "exchange/ui/frm_wpcol.h"
#include "shell/ui/main_commands.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>
#include <set>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "acquire/ui/frm_load_finds.h"
#include "acquire/ui/frm_load_from_gc.h"
#include "acquire/ui/frm_load_html.h"
#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/cache_rec.h"
#include "core/debug_log.h"
#include "core/ini_file.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "geo/ui/frm_calc.h"
#include "geo/ui/frm_coord_input.h"
#include "geo/ui/frm_gm_link.h"
#include "geo/ui/frm_google_maps.h"
#include "geo/ui/frm_google_show.h"
#include "pages/ui/frm_editor.h"
#include "pages/ui/frm_index.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "support/ui/fake_modal_host.h"
#include "platform/ui/qt_text.h"
#include "shell/main_commands.h"
#include "shell/startup.h"
#include "shell/ui/app_windows.h"
#include "shell/ui/frm_input_line.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/frm_settings.h"
#include "shell/ui/frm_wait.h"
#include "shell/ui/main_cache_list.h"
#include "shell/ui/main_wiring.h"
#include "support/started_program.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

std::set<std::string> Files(const fs::path& folder) {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.is_regular_file()) out.insert(e.path().filename().string());
    return out;
}

TCacheRec Rec(const std::string& code, double lat, double lon) {
    TCacheRec r;
    r.Waypoint = code;
    r.Name = "Cache " + code;
    r.CacheType = "TRADITIONAL CACHE";
    r.Lat = lat;
    r.Lon = lon;
    return r;
}

class MainCommandsUi : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = std::make_unique<tvtest::StartedProgram>(dir.str() + "prog");
        ConfigExisted = true;
        ASSERT_TRUE(WriteSettingStr("WorkDir", dir.str() + "work"));
        ASSERT_TRUE(WriteSettingStr("OutDir", dir.str() + "out"));
        ASSERT_TRUE(WriteSettingBool("ShowMessages", true));
        ASSERT_TRUE(WriteSettingFloat("HomeLat", 48.0));
        ASSERT_TRUE(WriteSettingFloat("HomeLong", 8.0));
        fs::create_directories(dir.path() / "work");
        ASSERT_TRUE(WriteCacheFile(dir.str() + "work/Caches.bin",
                                   {Rec("GC1", 48, 9), Rec("GC2", 48.5, 8), Rec("GC3", 48.1, 8), Rec("GC4", 48, 8.5)})
                        .ok());
        for (const char* code : {"GC1", "GC2", "GC3", "GC4"}) {
            dir.write(std::string("out/") + code + "_converted.html", std::string("page ") + code);
            dir.write(std::string("out/") + code + ".html", "original");
        }
        dir.write("out/GC1.meta", "meta");
        dir.write("out/GC1_i1.jpg", "picture");
        fs::create_directories(dir.path() / "out/B");
        out = dir.str() + "out/";
        work = dir.str() + "work/";
        CacheIndexList.Clear();
        ArchiveList.Clear();

        windows = std::make_unique<AppWindows>();
        wiring = std::make_unique<MainWiring>(*windows);
        main = windows->frmMain();
        main->show();
        main->Timer1->stop();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
        main->lvCachesColumnClick(0);  // by waypoint, ascending: GC1 .. GC4
        if (main->Sort.descending) main->lvCachesColumnClick(0);
    }
    void TearDown() override {
        main->hide();
        wiring.reset();
        windows.reset();
        program_.reset();
    }

    MainCommands& cmds() { return wiring->commands(); }
    Lines Captions() {
        Lines out;
        for (const CacheRow& r : main->Rows()) out.push_back(r.caption);
        return out;
    }
    void Mark(const Lines& codes) {
        main->lvCaches->clearSelection();
        for (int i = 0; i < main->lvCaches->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = main->lvCaches->topLevelItem(i);
            for (const std::string& c : codes)
                if (FromQ(item->text(0)) == c) item->setSelected(true);
        }
    }
    void Focus(const std::string& code) {
        for (int i = 0; i < main->lvCaches->topLevelItemCount(); ++i)
            if (FromQ(main->lvCaches->topLevelItem(i)->text(0)) == code) {
                main->lvCaches->setCurrentItem(main->lvCaches->topLevelItem(i));
                return;
            }
    }
    QTreeWidgetItem* Node(const char* text) {
        const auto found = main->tvDir->findItems(QString::fromLatin1(text), Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.front();
    }
    // The drag data the list itself makes for its selected rows.
    QMimeData* DragOfMarked() {
        QModelIndexList rows;
        for (QTreeWidgetItem* item : main->lvCaches->selectedItems())
            for (int c = 0; c < main->lvCaches->columnCount(); ++c)
                rows.append(main->lvCaches->indexFromItem(item, c));
        return main->lvCaches->model()->mimeData(rows);
    }
    // Enter, move and drop at `pos` of the tree; whether the drop was accepted.
    bool DropOnTree(QMimeData* data, QPoint pos, bool* moveAccepted = nullptr) {
        QWidget* vp = main->tvDir->viewport();
        QDragEnterEvent enter(pos, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &enter);
        QDragMoveEvent move(pos, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &move);
        if (moveAccepted) *moveAccepted = move.isAccepted();
        QDropEvent drop(QPointF(pos), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &drop);
        return drop.isAccepted();
    }
    std::vector<std::string> Texts() {
        std::vector<std::string> out;
        for (const auto& s : fakes.messages.shown) out.push_back(s.text);
        return out;
    }

    tvtest::TempDir dir;
    platform::ScopedFakes fakes;
    platform::ScopedFakeModalHost modal;
    std::unique_ptr<AppWindows> windows;
    std::unique_ptr<MainWiring> wiring;
    TfrmMain* main = nullptr;
    std::string out, work;

private:
    std::unique_ptr<tvtest::StartedProgram> program_;
};

TEST_F(MainCommandsUi, ItemsWorkWhereTheirWindowsExistAndTheOthersStayDisabled) {
    const MainMenus& m = main->menus;
    // Windows of parts that are not there yet.
    const std::set<QAction*> later = {m.mnuUpdateFromSite};
    for (QAction* a : m.all) {
        if (later.count(a)) {
            EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
        } else {
            EXPECT_TRUE(main->IsBound(a)) << a->objectName().toStdString();
        }
    }
    // The collection window reaches the program's map.
    bool mapItem = false;
    modal.host.script.push_back([&mapItem](QDialog& d) {
        mapItem = static_cast<TfrmWPCol&>(d).AlleCachesinLandkartezeigen1->isEnabled();
        return 0;
    });
    m.mnuWPCollector->trigger();
    EXPECT_TRUE(mapItem);
    EXPECT_EQ(modal.host.shown.back(), "frmWPCol");
    // Folder-dependent items at the root.
    EXPECT_FALSE(m.mnuEditLongDescr->isEnabled());
    EXPECT_TRUE(m.mnuOrigToWorklist->isEnabled());
    EXPECT_FALSE(m.mnuShowIndex->isEnabled());
    EXPECT_TRUE(m.mnuCalcDistance->isEnabled());
    // A dropped additional-waypoint file opens its import on that file.
    ASSERT_TRUE(static_cast<bool>(main->FilesDropped));
    dir.write("x_wpts.gpx", "<gpx/>");
    main->FilesDropped({dir.str() + "x_wpts.gpx"});
    ASSERT_FALSE(modal.host.shown.empty());
    EXPECT_EQ(modal.host.shown.back(), "frmGPXImpAddWP");
    // The settings dialog and the calculator use the program's windows.
    EXPECT_EQ(windows->get<TfrmSettings>(Win::frmSettings)->CoordInput,
              windows->get<TfrmCoordInput>(Win::frmCoordInput));
    EXPECT_TRUE(static_cast<bool>(windows->get<TfrmCalc>(Win::frmCalc)->PickCache));
}

TEST_F(MainCommandsUi, MarksByHandWorkListAndExcludeLists) {
    ASSERT_EQ(Captions(), (Lines{"GC1", "GC2", "GC3", "GC4"}));
    main->menus.mnuMarkAll->trigger();
    EXPECT_EQ(main->MarkedCaptions(), (Lines{"GC1", "GC2", "GC3", "GC4"}));
    main->menus.mnuMarkNone->trigger();
    EXPECT_TRUE(main->MarkedCaptions().empty());
    Mark({"GC2"});
    main->menus.mnuInvertMarks->trigger();
    EXPECT_EQ(main->MarkedCaptions(), (Lines{"GC1", "GC3", "GC4"}));

    dir.write("work/WPlist.txt", "GC3\r\ngc4\r\nGC9\n");
    main->menus.mnuMarkWorklist->trigger();
    EXPECT_EQ(main->MarkedCaptions(), (Lines{"GC3"}));

    TFoundRec f;
    f.Waypoint = "GC1";
    const auto bytes = EncodeFoundRec(f);
    dir.write("work/Finds.bin", std::string(bytes.begin(), bytes.end()));
    dir.write("work/WPignore.txt", "gc4\r\n");
    main->menus.mnuMarkExcluded->trigger();
    EXPECT_EQ(main->MarkedCaptions(), (Lines{"GC1", "GC4"}));
    EXPECT_FALSE(windows->frmWait()->isVisible());
    EXPECT_TRUE(fakes.messages.shown.empty());

    // Missing lists: the error box, and the marks are cleared.
    fs::remove(dir.path() / "work/WPlist.txt");
    main->menus.mnuMarkWorklist->trigger();
    EXPECT_TRUE(main->MarkedCaptions().empty());
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].text.rfind("Fehler beim Lesen der Datei " + work + "WPList.txt", 0), 0u);
    fs::remove(dir.path() / "work/Finds.bin");
    main->menus.mnuMarkExcluded->trigger();
    EXPECT_EQ(main->MarkedCaptions(), (Lines{"GC4"}));
    ASSERT_EQ(fakes.messages.shown.size(), 2u);
    EXPECT_EQ(fakes.messages.shown[1].text.rfind("Fehler beim Lesen der Datei " + work + "Finds.bin", 0), 0u);
}

TEST_F(MainCommandsUi, RowsDroppedOnAFolderMoveThere) {
    QTreeWidgetItem* b = Node("B");
    ASSERT_NE(b, nullptr);
    Mark({"GC1", "GC3"});
    const QPoint onB = main->tvDir->visualItemRect(b).center();
    bool moveAccepted = false;
    std::unique_ptr<QMimeData> data(DragOfMarked());
    EXPECT_TRUE(DropOnTree(data.get(), onB, &moveAccepted));
    EXPECT_TRUE(moveAccepted);
    EXPECT_EQ(Files(dir.path() / "out/B"), (std::set<std::string>{"GC1.html", "GC1.meta", "GC1_converted.html",
                                                                   "GC1_i1.jpg", "GC3.html", "GC3_converted.html"}));
    EXPECT_EQ(Captions(), (Lines{"GC2", "GC4"}));  // the list was refreshed
    EXPECT_TRUE(main->Panel2->isEnabled());
    EXPECT_FALSE(fakes.pump.busy);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0], "5 Dateien aus 2 Caches erfolgreich von " + out + " nach " + out + "B/ verschoben.");

    // Onto the folder the rows are in: the error box, nothing moves.
    Mark({"GC2"});
    data.reset(DragOfMarked());
    const QPoint onRoot = main->tvDir->visualItemRect(main->tvDir->topLevelItem(0)).center();
    DropOnTree(data.get(), onRoot);
    EXPECT_EQ(Texts().back(), SameFolderMoveText());
    EXPECT_TRUE(fs::exists(dir.path() / "out/GC2_converted.html"));

    // Below the last node there is no folder: the drag is refused there.
    const QPoint nowhere(5, main->tvDir->viewport()->height() - 2);
    ASSERT_EQ(main->tvDir->itemAt(nowhere), nullptr);
    EXPECT_FALSE(DropOnTree(data.get(), nowhere, &moveAccepted));
    EXPECT_FALSE(moveAccepted);
    // Rows that are not in the list (a drag from elsewhere) move nothing.
    auto foreign = std::make_unique<QMimeData>();
    foreign->setData("application/x-qabstractitemmodeldatalist", QByteArray("\x00\x00", 2));
    EXPECT_FALSE(DropOnTree(foreign.get(), onB));
    EXPECT_EQ(Texts().size(), 2u);
    EXPECT_TRUE(fs::exists(dir.path() / "out/GC2_converted.html"));
}

TEST_F(MainCommandsUi, DeleteAndReloadOfMarkedCaches) {
    Mark({"GC2"});
    fakes.messages.answers = {platform::MsgResult::No};
    main->menus.mnuDeleteMarked->trigger();
    EXPECT_TRUE(fs::exists(dir.path() / "out/GC2_converted.html"));
    main->menus.mnuDeleteMarked->trigger();  // Yes
    EXPECT_FALSE(fs::exists(dir.path() / "out/GC2_converted.html"));
    EXPECT_FALSE(fs::exists(dir.path() / "out/GC2.html"));
    EXPECT_EQ(Captions(), (Lines{"GC1", "GC3", "GC4"}));
    EXPECT_EQ(Texts().back(), W("1 Cache gelöscht (2 Dateien insgesamt)"));

    // Reload: the marked codes go to the loader and, with Yes, into the work list.
    dir.write("work/WPList.txt", "GC1\r\n");
    auto* loader = windows->get<TfrmLoadHTML>(Win::frmLoadHTML);
    Mark({"GC1", "GC3"});
    Lines loaded;
    int forced = -2;
    fakes.messages.answers = {platform::MsgResult::Yes};
    modal.host.script.push_back([&](QDialog&) {
        loaded = loader->WorkList;  // taken from the hand-over list when shown
        forced = loader->rgOverwrite->checkedId();
        return 2;
    });
    main->menus.mnuReloadMarked->trigger();
    EXPECT_EQ(modal.host.shown, (Lines{"frmLoadHTML"}));
    EXPECT_EQ(loaded, (Lines{"GC1", "GC3"}));
    EXPECT_EQ(forced, 1);
    EXPECT_EQ(tvtest::ReadFileBytes(work + "WPList.txt"), "GC1\r\nGC3\r\n");
    EXPECT_EQ(Texts().back(), ReloadQuestionText(2));

    fakes.messages.answers = {platform::MsgResult::Cancel};
    main->menus.mnuReloadMarked->trigger();
    EXPECT_EQ(modal.host.shown.size(), 1u);
    // Nothing marked: no question, no loader.
    main->lvCaches->clearSelection();
    const auto boxes = fakes.messages.shown.size();
    main->menus.mnuReloadMarked->trigger();
    main->menus.mnuDeleteMarked->trigger();
    EXPECT_EQ(fakes.messages.shown.size(), boxes);
    EXPECT_EQ(modal.host.shown.size(), 1u);
}

TEST_F(MainCommandsUi, FolderPopupCommands) {
    // New folder through the input line.
    modal.host.script.push_back([](QDialog& d) {
        static_cast<TfrmInputLine&>(d).SetText("Neu");
        return int(QDialog::Accepted);
    });
    main->menus.mnuNewDir->trigger();
    EXPECT_TRUE(fs::is_directory(dir.path() / "out/Neu"));
    EXPECT_NE(Node("Neu"), nullptr);
    modal.host.script.push_back([](QDialog& d) {
        static_cast<TfrmInputLine&>(d).SetText("Neu");
        return int(QDialog::Accepted);
    });
    main->menus.mnuNewDir->trigger();  // exists already
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0].rfind("Fehler beim Anlegen des Verzeichnisses", 0), 0u);

    // Originals into the work list, at the root: No starts from an empty list.
    dir.write("work/WPList.txt", "GC9\r\n");
    dir.write("out/GC7.html", "not in the database");
    fakes.messages.answers = {platform::MsgResult::No};
    main->menus.mnuOrigToWorklist->trigger();
    EXPECT_EQ(tvtest::ReadFileBytes(work + "WPList.txt"), "GC1\r\nGC2\r\nGC3\r\nGC4\r\n");
    EXPECT_EQ(Texts().back(), "4 Wegpunkte wurden in die Arbeitsliste aufgenommen.");
    fakes.messages.answers = {platform::MsgResult::Cancel};
    fs::remove(dir.path() / "work/WPList.txt");
    main->menus.mnuOrigToWorklist->trigger();
    EXPECT_FALSE(fs::exists(dir.path() / "work/WPList.txt"));

    // Tidy up the root: originals of four- and five-character codes and meta files go.
    dir.write("out/GCAB12.html", "x");
    dir.write("out/GCAB123.htm", "x");
    main->menus.mnuCleanDir->trigger();
    EXPECT_EQ(Texts().back(), "3 Dateien wurden aus dem Verzeichnis \r\n" + out + W("\r\ngelöscht."));
    EXPECT_EQ(Files(dir.path() / "out"),
              (std::set<std::string>{"GC1.html", "GC1_converted.html", "GC1_i1.jpg", "GC2.html", "GC2_converted.html",
                                     "GC3.html", "GC3_converted.html", "GC4.html", "GC4_converted.html", "GC7.html"}));

    // Empty a subfolder; No keeps it.
    dir.write("out/B/GC5_converted.html", "x");
    dir.write("out/B/note.txt", "x");
    main->tvDir->setCurrentItem(Node("B"));
    fakes.messages.answers = {platform::MsgResult::No};
    main->menus.mnuEmptyDir->trigger();
    EXPECT_TRUE(fs::exists(dir.path() / "out/B/GC5_converted.html"));
    main->tvDir->setCurrentItem(Node("B"));
    main->menus.mnuEmptyDir->trigger();
    EXPECT_EQ(Files(dir.path() / "out/B"), (std::set<std::string>{"note.txt"}));
    EXPECT_EQ(Texts().back(), EmptyFolderQuestionText(out + "B/"));

    // The whole tree.
    main->menus.mnuDeleteTree->trigger();
    EXPECT_EQ(Files(dir.path() / "out"), (std::set<std::string>{}));
    EXPECT_TRUE(fs::exists(dir.path() / "out/B/note.txt"));
    EXPECT_EQ(Texts().back(), EmptyFolderQuestionText(out));
}

TEST_F(MainCommandsUi, CachePopupPathsIndexAndLongDescription) {
    Focus("GC3");
    main->menus.mnuShowInBrowser->trigger();
    main->menus.mnuCopyPath->trigger();
    EXPECT_EQ(fakes.shell.opened, (Lines{out + "GC3_converted.html"}));
    EXPECT_EQ(fakes.clipboard.contents, out + "GC3_converted.html");

    // The index of this folder: the window gets the folder, the item follows the file.
    std::string folderShown;
    modal.host.script.push_back([&](QDialog&) {
        folderShown = windows->get<TfrmIndex>(Win::frmIndex)->FolderOverride;
        dir.write("out/index.html", "index");
        return 2;
    });
    main->menus.mnuCreateDirIndex->trigger();
    EXPECT_EQ(folderShown, out);
    EXPECT_TRUE(main->menus.mnuShowIndex->isEnabled());
    main->menus.mnuShowIndex->trigger();
    EXPECT_EQ(fakes.shell.opened.back(), out + "index.html");

    // Long description in a subfolder: the edit goes back between the markers.
    const std::string page = std::string("<html>\x80\r\n<!-- Langbeschreibung Start -->old \xE4\r\n") +
                             "<!-- Langbeschreibung Ende -->\r\ntail</html>";
    dir.write("out/B/GC8_converted.html", page);
    main->tvDir->setCurrentItem(Node("B"));
    ASSERT_TRUE(main->menus.mnuEditLongDescr->isEnabled());
    Focus("GC8");
    modal.host.script.push_back([](QDialog& d) {
        static_cast<TfrmEditor&>(d).Memo->setPlainText(QStringLiteral("neu"));
        return 1;
    });
    main->menus.mnuEditLongDescr->trigger();
    EXPECT_EQ(tvtest::ReadFileBytes(out + "B/GC8_converted.html"),
              std::string("<html>\x80\r\n<!-- Langbeschreibung Start -->neu<!-- Langbeschreibung Ende -->\r\ntail</html>"));
    EXPECT_EQ(Texts().back(), W("Die Änderungen wurden gespeichert."));
    // End marker before the start marker: refused, the page stays.
    const std::string swapped = "<!-- Langbeschreibung Ende -->x<!-- Langbeschreibung Start -->y";
    dir.write("out/B/GC8_converted.html", swapped);
    main->menus.mnuEditLongDescr->trigger();
    EXPECT_EQ(Texts().back().rfind("Mindestens einer der Formatierungs-Tags", 0), 0u);
    EXPECT_EQ(tvtest::ReadFileBytes(out + "B/GC8_converted.html"), swapped);
    EXPECT_EQ(modal.host.shown, (Lines{"frmIndex", "frmEditor"}));
}

TEST_F(MainCommandsUi, FindsCommandsAndDatabaseFromPages) {
    // Marked caches join the finds with today's date; a listed find keeps its own.
    TFoundRec listed;
    listed.Waypoint = "GC3";
    listed.FoundDate = "01.01.2001";
    dir.write("work/Finds.bin", EncodeFoundRecs({listed}));
    Mark({"GC2", "GC3"});
    main->menus.mnuAddToFinds->trigger();
    const auto finds = DecodeFoundRecs(tvtest::ReadFileBytes(work + "Finds.bin"));
    ASSERT_EQ(finds.size(), 2u);
    EXPECT_EQ(finds[0], listed);
    EXPECT_EQ(finds[1].Waypoint, "GC2");
    EXPECT_EQ(finds[1].Name, "Cache GC2");
    EXPECT_EQ(finds[1].FoundDate, "03.02.2007");

    ProcSettings.Username = "Tester";
    auto* progress = windows->get<TfrmLoadFromGC>(Win::frmLoadFromGC);
    bool shownDuringPage = false;
    modal.host.script.push_back([&](QDialog& d) {
        auto& window = dynamic_cast<TfrmLoadFinds&>(d);
        window.PageProgress(true, "http://site/seek/nearest.aspx");
        shownDuringPage = progress->isVisible() && progress->lblResource->text() == "http://site/seek/nearest.aspx";
        window.PageProgress(false, "");
        return 0;
    });
    main->menus.mnuLoadFinds->trigger();
    main->menus.mnuDBFromPages->trigger();
    EXPECT_EQ(modal.host.shown, (Lines{"frmLoadFinds", "frmGCCom2DB"}));
    EXPECT_TRUE(shownDuringPage);
    EXPECT_FALSE(progress->isVisible());
}

TEST_F(MainCommandsUi, MenuWindowsDebugSwitchAndIndexRebuild) {
    auto* calc = windows->get<TfrmCalc>(Win::frmCalc);
    int tab = -1;
    modal.host.script.push_back([&](QDialog&) {
        tab = calc->pcCalc->currentIndex();
        return 2;
    });
    main->menus.mnuProjection->trigger();
    EXPECT_EQ(tab, 1);
    modal.host.script.push_back([&](QDialog&) {
        tab = calc->pcCalc->currentIndex();
        return 2;
    });
    main->menus.mnuCalcDistance->trigger();
    EXPECT_EQ(tab, 0);
    // The cache pick of the calculator is a name search of its own.
    modal.host.script.push_back([](QDialog& d) { return int(QDialog::Rejected); });
    EXPECT_EQ(calc->PickCache(*calc), "");

    for (QAction* a : {main->menus.mnuROT13, main->menus.mnuBuddylist, main->menus.mnuAddWaypoints,
                       main->menus.mnuEditCache, main->menus.mnuLoadHTML, main->menus.mnuCreateDescr,
                       main->menus.mnuCreateIndex, main->menus.mnuAbout})
        a->trigger();
    EXPECT_EQ(modal.host.shown,
              (Lines{"frmCalc", "frmCalc", "frmNameSearch", "frmROT13", "frmBuddylist", "frmAddWPDisplay",
                     "frmEditCache", "frmLoadHTML", "frmCreateDescr", "frmIndex", "frmAbout"}));

    main->menus.mnuOnlineDoc->trigger();
    main->menus.Errortracker1->trigger();
    EXPECT_EQ(fakes.shell.opened, (Lines{std::string(kOnlineDocUrl), std::string(kErrortrackerUrl)}));

    main->menus.mnuDebugMode->trigger();
    EXPECT_TRUE(main->menus.mnuDebugMode->isChecked());
    EXPECT_TRUE(DebugMode);
    main->menus.mnuDebugMode->trigger();
    EXPECT_FALSE(DebugMode);
    const std::string log = tvtest::ReadFileBytes(dir.path() / "prog/debug.log");
    EXPECT_NE(log.find("Debug mode switched to ON\r\n"), std::string::npos);
    EXPECT_NE(log.find("Debug mode switched to OFF\r\n"), std::string::npos);

    fs::remove(dir.path() / "work/Caches.idx");
    const auto boxes = fakes.messages.shown.size();
    main->menus.mnuRebuildIndex->trigger();
    EXPECT_TRUE(fs::exists(dir.path() / "work/Caches.idx"));
    EXPECT_EQ(fakes.messages.shown.size(), boxes);
    fs::remove(dir.path() / "work/Caches.bin");
    main->menus.mnuRebuildIndex->trigger();
    EXPECT_EQ(fakes.messages.shown.back().kind, platform::MsgKind::Error);
}

TEST_F(MainCommandsUi, DroppedFilesReachTheImports) {
    dir.write("drop/a.gpx", "A");
    dir.write("drop/b_WPTS.gpx", "B");
    Lines calls;
    int statusUpdates = 0;
    main->UpdateStatusBar = [&] { ++statusUpdates; };
    DropHandlers h;
    h.importGpx = [&](const std::string& f) { calls.push_back("gpx " + f); };
    h.importAddWaypoints = [&](const std::string& f) { calls.push_back("wpts " + f); };
    cmds().SetDropHandlers(h);
    ASSERT_TRUE(static_cast<bool>(main->FilesDropped));

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(ToQ(dir.str() + "drop/b_WPTS.gpx")),
                  QUrl::fromLocalFile(ToQ(dir.str() + "drop/a.gpx"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main, &drop);
    EXPECT_EQ(calls, (Lines{"wpts " + dir.str() + "drop/b_WPTS.gpx", "gpx " + dir.str() + "drop/a.gpx"}));
    EXPECT_EQ(statusUpdates, 1);

    cmds().SetDropHandlers({});
    EXPECT_FALSE(static_cast<bool>(main->FilesDropped));
}

// The next modal window runs `step` on itself as class T.
template <typename T>
void Next(platform::FakeModalHost& host, std::function<void(T&)> step) {
    host.script.push_back([step](QDialog& d) {
        auto* w = qobject_cast<T*>(&d);
        EXPECT_NE(w, nullptr) << d.objectName().toStdString();
        if (w) step(*w);
        return d.result();
    });
}

TEST_F(MainCommandsUi, OneCacheOnTheOnlineMapFromThePopUpAndTheQuickInfo) {
    main->menus.mnuShowInGoogleMaps->trigger();
    EXPECT_EQ(Texts(), Lines{"Bitte zuerst einen Cache markieren."});
    Mark({"GC2"});
    Next<TfrmGoogleShow>(modal.host, [](TfrmGoogleShow& w) {
        w.rgMap->button(1)->click();
        w.cbZoom->setCurrentIndex(2);
        w.btnShow->click();
    });
    main->menus.mnuShowInGoogleMaps->trigger();
    EXPECT_NE(fakes.shell.opened.at(0).find("q=48.500000+8.000000&ie=UTF8&om=1&z=13&t=k&"), std::string::npos);
}

TEST_F(MainCommandsUi, OnlineMapPageOfTheFolderUtmAndMapLinks) {
    Next<TfrmGoogleMaps>(modal.host, [](TfrmGoogleMaps& w) {
        w.rgWhich->button(2)->click();
        w.BitBtn1->click();
    });
    main->menus.mnuGoogleMapsList->trigger();
    EXPECT_EQ(tvtest::ReadFileBytes(work + "dirlist.txt"), "GC1\r\nGC2\r\nGC3\r\nGC4\r\n");
    EXPECT_EQ(fakes.shell.opened.at(0), work + "gmshow.html");
    EXPECT_NE(tvtest::ReadFileBytes(work + "gmshow.html").find("Folgende 4 Caches"), std::string::npos);

    main->menus.mnuUTM->trigger();
    EXPECT_EQ(modal.host.shown.back(), "frmUTM");

    // A home taken from a link is in tq.conf at once.
    ProcSettings.AddHomeLat = {"1.00000"};
    ProcSettings.AddHomeLon = {"2.00000"};
    ProcSettings.AddHomeTxt = {"Urlaub"};
    Next<TfrmGMLink>(modal.host, [](TfrmGMLink& w) {
        w.edURL->setText("http://maps.google.de/maps?f=q&ll=48.137,11.575&spn=0.01");
        w.btnCoordSave->click();
    });
    main->menus.mnuGMLink->trigger();
    EXPECT_EQ(ReadSettingStr("AddHomeTxt1"), "Urlaub");
    EXPECT_DOUBLE_EQ(ReadSettingFloat("AddHomeLat1"), 48.137);
    EXPECT_DOUBLE_EQ(ReadSettingFloat("AddHomeLon1"), 11.575);
}

}  // namespace
}  // namespace tv
