// The main window's commands offscreen, through their menu items: which items
// work, marks, the folder and cache pop-ups on a prepared folder, moving rows
// by dropping them on a tree node, dropped files, and the windows the menus
// open.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <memory>
#include <set>

#include "acquire/ui/frm_load_finds.h"
#include "acquire/ui/frm_load_from_gc.h"
#include "acquire/ui/frm_load_html.h"
#include "core/cache_db.h"
#include "core/debug_log.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "exchange/ui/frm_wpcol.h"
#include "geo/ui/frm_calc.h"
#include "geo/ui/frm_coord_input.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/qt_text.h"
#include "shell/main_commands.h"
#include "shell/ui/app_windows.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/frm_settings.h"
#include "shell/ui/frm_wait.h"
#include "shell/ui/main_cache_list.h"
#include "shell/ui/main_commands.h"
#include "shell/ui/main_wiring.h"
#include "support/fakes.h"
#include "support/records.h"
#include "support/started_program.h"
#include "support/temp_dir.h"
#include "support/ui/fake_modal_host.h"

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
                                   {tvtest::CacheRecord("GC1", "Cache GC1", 48, 9, "TRADITIONAL CACHE"),
                                    tvtest::CacheRecord("GC2", "Cache GC2", 48.5, 8, "TRADITIONAL CACHE"),
                                    tvtest::CacheRecord("GC3", "Cache GC3", 48.1, 8, "TRADITIONAL CACHE"),
                                    tvtest::CacheRecord("GC4", "Cache GC4", 48, 8.5, "TRADITIONAL CACHE")})
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

TEST_F(MainCommandsUi, EveryItemReachesItsWindow) {
    const MainMenus& m = main->menus;
    for (QAction* a : m.all) {
        if (a == m.mnuUpdateFromSite) {
            EXPECT_FALSE(a->isEnabled());  // the hidden item does nothing
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
    // "bearbeiten" of the listing loader: the collection window, modal and
    // centred over the loader.
    auto* loader = windows->get<TfrmLoadHTML>(Win::frmLoadHTML);
    loader->setGeometry(0, 0, 800, 600);
    QPoint at(-1, -1);
    QSize size;
    modal.host.shown.clear();
    modal.host.script.push_back([&](QDialog& d) {
        at = d.frameGeometry().topLeft();
        size = d.frameGeometry().size();
        return 0;
    });
    loader->btnExclList->click();
    EXPECT_EQ(modal.host.shown, (std::vector<std::string>{"frmWPCol"}));
    // The window may settle its layout a few pixels after it was placed.
    const QPoint centred = CenteredPosition(loader->frameGeometry(), size);
    EXPECT_NEAR(at.x(), centred.x(), 8);
    EXPECT_NEAR(at.y(), centred.y(), 8);
    EXPECT_EQ(windows->get<TfrmSettings>(Win::frmSettings)->CoordInput,
              windows->get<TfrmCoordInput>(Win::frmCoordInput));
    EXPECT_TRUE(static_cast<bool>(windows->get<TfrmCalc>(Win::frmCalc)->PickCache));
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
    ASSERT_EQ(fakes.messages.texts().size(), 1u);
    EXPECT_EQ(fakes.messages.texts()[0],
              "5 Dateien aus 2 Caches erfolgreich von " + out + " nach " + out + "B/ verschoben.");

    // Onto the folder the rows are in: the error box, nothing moves.
    Mark({"GC2"});
    data.reset(DragOfMarked());
    const QPoint onRoot = main->tvDir->visualItemRect(main->tvDir->topLevelItem(0)).center();
    DropOnTree(data.get(), onRoot);
    EXPECT_EQ(fakes.messages.texts().back(), SameFolderMoveText());
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
    EXPECT_EQ(fakes.messages.texts().size(), 2u);
    EXPECT_TRUE(fs::exists(dir.path() / "out/GC2_converted.html"));
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

TEST_F(MainCommandsUi, WaitWindowClosesBeforeTheBoxOfAMissingFindsFile) {
    dir.write("work/WPignore.txt", "GC2\r\n");
    auto* wait = windows->get<TfrmWait>(Win::frmWait);
    std::vector<bool> waitShown;
    fakes.messages.onShow = [&](const platform::FakeMessageBox::Shown&) {
        waitShown.push_back(fakes.progress.visible || (wait && wait->isVisible()));
    };
    main->menus.mnuMarkExcluded->trigger();
    ASSERT_EQ(fakes.messages.texts().size(), 1u);
    EXPECT_NE(fakes.messages.texts()[0].find("Finds.bin"), std::string::npos);
    EXPECT_EQ(waitShown, (std::vector<bool>{false}));
    // The ignore list still marks its caches.
    const auto marked = main->lvCaches->selectedItems();
    ASSERT_EQ(marked.size(), 1);
    EXPECT_EQ(marked[0]->text(0), QStringLiteral("GC2"));
}

// Enter must not delete: the questions whose "Ja" removes files for good
// have "Nein" as their default button; the others keep "Ja".
TEST_F(MainCommandsUi, QuestionsThatDeleteDefaultToNo) {
    const std::set<std::string> before = Files(dir.path() / "out");
    fakes.messages.answers.assign(4, platform::MsgResult::No);
    main->tvDir->setCurrentItem(Node("root"));
    main->menus.mnuEmptyDir->trigger();
    main->menus.mnuDeleteTree->trigger();
    main->menus.mnuCleanDir->trigger();
    Mark({"GC1"});
    main->menus.mnuDeleteMarked->trigger();
    fakes.messages.answers = {platform::MsgResult::Cancel};
    main->menus.mnuOrigToWorklist->trigger();
    const std::vector<std::string> asked = {EmptyFolderQuestionText(out), EmptyFolderQuestionText(out),
                                            CleanupQuestionText(out), DeleteQuestionText(), OriginalsQuestionText()};
    ASSERT_EQ(fakes.messages.texts(), asked);
    for (std::size_t i = 0; i < asked.size(); ++i)
        EXPECT_EQ(fakes.messages.shown[i].defaultButton,
                  i + 1 < asked.size() ? platform::MsgDefault::No : platform::MsgDefault::Yes)
            << i;
    EXPECT_EQ(Files(dir.path() / "out"), before);
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

}  // namespace
}  // namespace tv
