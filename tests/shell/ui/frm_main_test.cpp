// The main window offscreen: the folder tree and list of a prepared
// description folder with database records, sorting by every column, the
// home selector, quick info, key filter, double-click, geometry rules, the
// start-up task's windows, and saving on close but not on Beenden.
#include "shell/ui/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/debug_log.h"
#include "core/ini_file.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "platform/ui/command_icons.h"
#include "platform/ui/modal_host.h"
#include "support/ui/fake_modal_host.h"
#include "platform/ui/qt_text.h"
#include "shell/startup.h"
#include "shell/ui/main_cache_list.h"
#include "support/started_program.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

TCacheRec Rec(const std::string& code, const std::string& name, const std::string& type, double lat, double lon) {
    TCacheRec r;
    r.Waypoint = code;
    r.Name = name;
    r.CacheType = type;
    r.Size = "Regular";
    r.Difficulty = "1.5";
    r.Lat = lat;
    r.Lon = lon;
    return r;
}

std::vector<std::string> Column(const std::vector<CacheRow>& rows, int column) {
    std::vector<std::string> out;
    for (const CacheRow& r : rows) out.push_back(column == 0 ? r.caption : column == 1 ? r.name : r.distText);
    return out;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = std::make_unique<tvtest::StartedProgram>(dir.str() + "prog");
        ConfigExisted = true;
        ASSERT_TRUE(WriteSettingStr("WorkDir", dir.str() + "work"));
        ASSERT_TRUE(WriteSettingStr("OutDir", dir.str() + "out"));
        ASSERT_TRUE(WriteSettingFloat("HomeLat", 48.0));
        ASSERT_TRUE(WriteSettingFloat("HomeLong", 8.0));
        ASSERT_TRUE(WriteSettingInt("NrOfAdditionalHomes", 1));
        ASSERT_TRUE(WriteSettingFloat("AddHomeLat1", 48.0));
        ASSERT_TRUE(WriteSettingFloat("AddHomeLon1", 9.0));
        ASSERT_TRUE(WriteSettingStr("AddHomeTxt1", "Arbeit"));
        fs::create_directories(dir.path() / "work");
        ASSERT_TRUE(WriteCacheFile(dir.str() + "work/Caches.bin",
                                   {Rec("GC1", "Erster", "TRADITIONAL CACHE", 48, 9),
                                    Rec("GC4", W("Äpfel"), "MULTI-CACHE", 48, 8.5),
                                    Rec("GC5", "abc", "EARTHCACHE", 48.1, 8)})
                        .ok());
        dir.write("out/sub/GC1_converted.html", "x");
        dir.write("out/sub/GC2_x_converted.html", "x");
        dir.write("out/sub/GC3.html", "x");
        dir.write("out/sub/gc4_converted.HTML", "x");
        dir.write("out/sub/GC5_converted.html", "x");
        dir.write("out/GC1_converted.html", "x");
        fs::create_directories(dir.path() / "out/B");
        fs::create_directories(dir.path() / "out/.hidden");
        dir.write("out/x", "a file");
        CacheIndexList.Clear();
        ArchiveList.Clear();
    }
    void TearDown() override {
        program_.reset();
    }

    // Shows the window and keeps the start-up task from running by itself.
    void Show(TfrmMain& w) {
        w.show();
        w.Timer1->stop();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    }
    QTreeWidgetItem* Node(TfrmMain& w, const char* text) {
        const auto found = w.tvDir->findItems(QString::fromLatin1(text), Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.front();
    }
    void ChooseSub(TfrmMain& w) { w.tvDir->setCurrentItem(Node(w, "sub")); }

    tvtest::TempDir dir;
    platform::ScopedFakes fakes;
    platform::ScopedFakeModalHost modal;

private:
    std::unique_ptr<tvtest::StartedProgram> program_;
};

TEST_F(MainWindowTest, TreeAndListOfThePreparedFolder) {
    TfrmMain w;
    int editRuns = 0;
    w.BindCommand(w.menus.mnuEditLongDescr, [&] { ++editRuns; });
    w.BindCommand(w.menus.mnuOrigToWorklist, [] {});
    w.BindCommand(w.menus.mnuShowIndex, [] {});
    Show(w);

    EXPECT_EQ(w.windowTitle(), "Trailvane");
    ASSERT_EQ(w.tvDir->topLevelItemCount(), 1);
    QTreeWidgetItem* root = w.tvDir->topLevelItem(0);
    EXPECT_EQ(root->text(0), "root");
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(root->child(0)->text(0), "B");
    EXPECT_EQ(root->child(1)->text(0), "sub");
    EXPECT_FALSE(root->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(w.tvDir->currentItem(), root);
    EXPECT_EQ(FromQ(w.tvDir->toolTip()), "root=" + dir.str() + "out/");

    // The root lists the description folder itself.
    EXPECT_EQ(w.CurrentFolder, dir.str() + "out/");
    EXPECT_EQ(Column(w.Rows(), 0), (std::vector<std::string>{"GC1"}));
    EXPECT_FALSE(w.menus.mnuEditLongDescr->isEnabled());
    EXPECT_TRUE(w.menus.mnuOrigToWorklist->isEnabled());
    EXPECT_FALSE(w.menus.mnuShowIndex->isEnabled());

    ChooseSub(w);
    EXPECT_EQ(w.CurrentFolder, dir.str() + "out/sub/");
    EXPECT_TRUE(w.menus.mnuEditLongDescr->isEnabled());
    EXPECT_FALSE(w.menus.mnuOrigToWorklist->isEnabled());
    const auto rows = w.Rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (CacheRow{"GC1", 0, "Erster", "74,4"}));
    EXPECT_EQ(rows[1], (CacheRow{"GC2", 10, "Cache nicht in DB gefunden", "9999"}));
    EXPECT_EQ(rows[2], (CacheRow{"gc4", 1, W("Äpfel"), "37,2"}));
    EXPECT_EQ(rows[3], (CacheRow{"GC5", 9, "abc", "11,1"}));
    EXPECT_EQ(FromQ(w.Panel4->text()), W("4 Konvertierte Cachebeschreibungen im gewählten Verzeichnis"));
    EXPECT_EQ(w.lvCaches->headerItem()->text(1), "Cachename");
    EXPECT_EQ(w.lvCaches->topLevelItem(2)->text(1), QString::fromUtf8("Äpfel"));

    // An index page makes its item usable.
    dir.write("out/sub/index.html", "i");
    w.RefreshCacheList();
    EXPECT_TRUE(w.menus.mnuShowIndex->isEnabled());
    w.tvDir->setCurrentItem(root);
    EXPECT_FALSE(w.menus.mnuShowIndex->isEnabled());
    EXPECT_EQ(editRuns, 0);
    w.hide();
}

TEST_F(MainWindowTest, TreeShowsUmlautFoldersAndReportsNamesItCannotShow) {
    const std::string zurich = "Z\xC3\xBCrich\xF0\x9F\x98\x80", japan = "GC7_\xE6\x97\xA5_converted.html";
    dir.write("out/\xC3\x84rger/GC5_converted.html", "x");
    dir.write("out/\xC3\x84rger/" + japan, "x");
    fs::create_directories(dir.path() / "out" / zurich);
    TfrmMain w;
    Show(w);
    ASSERT_NE(Node(w, "\xC4rger"), nullptr);  // Latin-1 text: shown as "Ärger"
    w.tvDir->setCurrentItem(Node(w, "\xC4rger"));
    EXPECT_EQ(Column(w.Rows(), 0), (std::vector<std::string>{"GC5"}));
    w.BuildFolderTree();  // told once per run, not at every listing
    QCoreApplication::processEvents();
    std::string told;
    for (const auto& box : fakes.messages.shown) told += (told.empty() ? "" : "\r\n") + box.text;
    EXPECT_EQ(told, UnrepresentableNameText(zurich) + "\r\n" + UnrepresentableNameText(japan));
    w.hide();
}

TEST_F(MainWindowTest, EveryColumnSortsBothWays) {
    TfrmMain w;
    Show(w);
    ChooseSub(w);
    EXPECT_EQ(Column(w.Rows(), 0), (std::vector<std::string>{"GC1", "GC2", "gc4", "GC5"}));
    w.lvCachesColumnClick(0);  // same column as the last one: descending
    EXPECT_EQ(Column(w.Rows(), 0), (std::vector<std::string>{"GC5", "gc4", "GC2", "GC1"}));
    w.lvCachesColumnClick(1);
    EXPECT_EQ(Column(w.Rows(), 1),
              (std::vector<std::string>{"abc", "Cache nicht in DB gefunden", "Erster", W("Äpfel")}));
    w.lvCachesColumnClick(1);
    EXPECT_EQ(Column(w.Rows(), 1),
              (std::vector<std::string>{W("Äpfel"), "Erster", "Cache nicht in DB gefunden", "abc"}));
    // The header click goes the same way.
    w.lvCaches->setColumnWidth(0, 50);
    w.lvCaches->setColumnWidth(1, 50);
    QTest::mouseClick(w.lvCaches->header()->viewport(), Qt::LeftButton, {},
                      QPoint(w.lvCaches->header()->sectionViewportPosition(2) + 5, 5));
    EXPECT_EQ((SortState{2, 2, 0}), w.Sort);
    EXPECT_EQ(Column(w.Rows(), 2), (std::vector<std::string>{"11,1", "37,2", "74,4", "9999"}));
    w.lvCachesColumnClick(2);
    EXPECT_EQ(Column(w.Rows(), 2), (std::vector<std::string>{"9999", "74,4", "37,2", "11,1"}));
    // The order survives a refresh.
    w.RefreshCacheList();
    EXPECT_EQ(Column(w.Rows(), 2), (std::vector<std::string>{"9999", "74,4", "37,2", "11,1"}));
    w.hide();
}

TEST_F(MainWindowTest, HomeSelectorMeasuresFromTheChosenHome) {
    TfrmMain w;
    Show(w);
    ChooseSub(w);
    EXPECT_EQ(FromQ(w.lblHome->text()), W("HOME (primär)"));
    EXPECT_EQ(w.lblHome->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(w.UpDown->maximum(), 1);
    w.UpDown->setValue(1);
    EXPECT_EQ(w.lblHome->text(), "Arbeit");
    EXPECT_EQ(w.lblHome->palette().color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_EQ(FromQ(w.lblHomeCoord->text()), FormatCoord(48, 9));
    EXPECT_EQ(w.Rows()[0].distText, "0,0");  // GC1 lies on the second home
    QTest::mouseDClick(w.lblHome, Qt::LeftButton);
    EXPECT_EQ(w.UpDown->value(), 0);
    EXPECT_EQ(w.Rows()[0].distText, "74,4");
    w.hide();
}

TEST_F(MainWindowTest, QuickInfoFoundArchivedAndNotFound) {
    TfrmMain w;
    std::vector<std::string> details;
    w.ShowCacheDetails = [&](const TCacheRec& rec, const std::optional<std::string>& folder) {
        details.push_back(rec.Waypoint.str() + "|" + folder.value_or("(kept)"));
    };
    Show(w);
    ArchiveList.Add("A;GC1");
    ArchiveList.Add("D;GC5");

    w.edWaypoint->setText("gc1");
    w.btnQuickClick();
    EXPECT_EQ(w.lblQIName->text(), "Erster");
    EXPECT_EQ(w.lblQIKind->text(), "Regular TRADITIONAL CACHE (1.5/?)");
    EXPECT_EQ(FromQ(w.lblQIKoords->text()), FormatCoord(48, 9));
    EXPECT_TRUE(w.lblQIName->font().strikeOut());
    EXPECT_EQ(w.lblQIName->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_FALSE(w.btnQuickInfo->isHidden());
    EXPECT_FALSE(w.btnShowInMap->isHidden());
    w.btnQuickInfoClick();
    EXPECT_EQ(details, (std::vector<std::string>{"GC1|(kept)"}));

    w.edWaypoint->setText("GC5");
    w.btnQuickClick();
    EXPECT_TRUE(w.lblQIName->font().strikeOut());
    EXPECT_EQ(w.lblQIName->palette().color(QPalette::WindowText), QColor(Qt::black));

    w.edWaypoint->setText("gc9z");
    w.btnQuickClick();
    EXPECT_EQ(w.lblQIName->text(), "Cache mit Waypoint GC9Z nicht in der Datenbank gefunden.");
    EXPECT_TRUE(w.lblQIKind->text().isEmpty());
    EXPECT_TRUE(w.lblQIKoords->text().isEmpty());
    EXPECT_FALSE(w.lblQIName->font().strikeOut());
    EXPECT_TRUE(w.btnQuickInfo->isHidden());
    EXPECT_TRUE(w.btnShowInMap->isHidden());
    EXPECT_TRUE(w.QuickInfoRec.Waypoint.empty());
    w.btnQuickInfoClick();
    EXPECT_EQ(details.size(), 1u);  // nothing to show
    w.hide();
}

TEST_F(MainWindowTest, WaypointFieldFiltersKeysAndKeepsCopyAndPaste) {
    TfrmMain w;
    int copies = 0;
    w.BindCommand(w.menus.mnuCopyPath, [&] { ++copies; });
    Show(w);
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.edWaypoint->setFocus();
    QTest::keyClicks(w.edWaypoint, "g-");
    QKeyEvent umlaut(QEvent::KeyPress, Qt::Key_Adiaeresis, Qt::NoModifier, QString::fromUtf8("ä"));
    QApplication::sendEvent(w.edWaypoint, &umlaut);
    QTest::keyClicks(w.edWaypoint, "1 c");
    EXPECT_EQ(w.edWaypoint->text(), "G1C");
    QTest::keyClick(w.edWaypoint, Qt::Key_Backspace);
    EXPECT_EQ(w.edWaypoint->text(), "G1");
    QTest::keyClick(w.edWaypoint, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w.edWaypoint, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(copies, 0);  // the list's Ctrl+C stays with the list
    QTest::keyClick(w.edWaypoint, Qt::Key_End);
    QTest::keyClick(w.edWaypoint, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.edWaypoint->text(), "G1G1");
    QTest::keyClick(w.edWaypoint, Qt::Key_Return);  // Enter looks the code up
    EXPECT_EQ(w.lblQIName->text(), "Cache mit Waypoint G1G1 nicht in der Datenbank gefunden.");

    w.lvCaches->setFocus();
    QTest::keyClick(w.lvCaches, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(copies, 1);
    w.hide();
}

TEST_F(MainWindowTest, DoubleClickOpensDetailsOnlyForCachesInTheDatabase) {
    TfrmMain w;
    std::vector<std::string> details;
    w.ShowCacheDetails = [&](const TCacheRec& rec, const std::optional<std::string>& folder) {
        details.push_back(rec.Waypoint.str() + "|" + folder.value_or("(kept)"));
    };
    Show(w);
    ChooseSub(w);
    w.lvCachesDblClick();  // nothing selected
    EXPECT_TRUE(details.empty());
    w.lvCaches->setCurrentItem(w.lvCaches->topLevelItem(1));  // GC2, not in the database
    w.lvCachesDblClick();
    EXPECT_TRUE(details.empty());
    w.lvCaches->setCurrentItem(w.lvCaches->topLevelItem(2));  // gc4
    w.lvCachesDblClick();
    EXPECT_EQ(details, (std::vector<std::string>{"GC4|" + dir.str() + "out/sub/"}));
    w.hide();
}

TEST_F(MainWindowTest, StoredGeometryOnlyAboveTheThresholds) {
    ASSERT_TRUE(WriteSettingBool("Main_MemWinSize", true));
    ASSERT_TRUE(WriteSettingInt("Main_Left", 10));
    ASSERT_TRUE(WriteSettingInt("Main_Top", 20));
    ASSERT_TRUE(WriteSettingInt("Main_Width", 500));
    ASSERT_TRUE(WriteSettingInt("Main_Height", 401));
    {
        TfrmMain w;
        w.resize(640, 480);
        Show(w);
        EXPECT_EQ(w.width(), 640);
        EXPECT_EQ(w.height(), 401);
        w.hide();
    }
    ASSERT_TRUE(WriteSettingInt("Main_Width", 501));
    ASSERT_TRUE(WriteSettingInt("Main_Height", 400));
    TfrmMain w;
    w.resize(640, 480);
    Show(w);
    EXPECT_EQ(w.width(), 501);
    EXPECT_EQ(w.height(), 480);
    w.hide();
}

TEST_F(MainWindowTest, ClosingSavesTheStateBeendenDoesNot) {
    {
        TfrmMain w;
        Show(w);
        ChooseSub(w);
        w.lvCachesColumnClick(2);
        w.lvCachesColumnClick(2);
        w.lvCaches->setColumnWidth(0, 81);
        w.resize(700, 520);
        EXPECT_TRUE(w.close());
        const std::string conf = dir.read("prog/tq.conf");
        EXPECT_NE(conf.find("\r\nMain_ColumnToSort=2\r\nMain_SortDir=1\r\n"), std::string::npos) << conf;
        EXPECT_NE(conf.find("\r\nMain_Width=700\r\nMain_Height=520\r\n"), std::string::npos);
        EXPECT_NE(conf.find("\r\nMain_Col1Width=81\r\n"), std::string::npos);
    }
    {
        // The next start sorts as it was left.
        TfrmMain w;
        Show(w);
        EXPECT_EQ(w.Sort.column, 2);
        EXPECT_EQ(w.Sort.descending, 1);
        ChooseSub(w);
        EXPECT_EQ(Column(w.Rows(), 2).front(), "9999");
        w.hide();
    }
    TfrmMain w;
    Show(w);
    w.resize(900, 700);
    const std::string before = dir.read("prog/tq.conf");
    QTimer::singleShot(0, w.menus.Beenden1, &QAction::trigger);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_EQ(dir.read("prog/tq.conf"), before);
    EXPECT_TRUE(w.isVisible());

    // Destruction still writes "MainForm" and removes the temporary files.
    dir.write("work/db.tmp", "x");
    dir.write("work/tmpdescr.html", "x");
    w.FormDestroy();
    const std::string after = dir.read("prog/tq.conf");
    EXPECT_NE(after.find("[MainForm]\r\nPosX="), std::string::npos);
    EXPECT_NE(after.find("\r\nWidth=900\r\nHeight=700\r\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.path() / "work/db.tmp"));
    EXPECT_FALSE(fs::exists(dir.path() / "work/tmpdescr.html"));
    w.hide();
}

TEST_F(MainWindowTest, StartUpTaskShowsSplashAndGreetingThroughTheModalHost) {
    fakes.clock.time = {2008, 12, 20, 9, 0, 0, 0};
    TfrmMain w;
    Show(w);
    EXPECT_TRUE(w.menus.Errortracker1->isVisible());
    w.RunOnce();
    EXPECT_EQ(modal.host.shown, (std::vector<std::string>{"frmAbout", "frmXMas"}));
    EXPECT_FALSE(w.menus.Errortracker1->isVisible());
    EXPECT_EQ(ProcSettings.LXM, 2008);
    w.RunOnce();
    EXPECT_EQ(modal.host.shown.size(), 2u);
    w.hide();
}

TEST_F(MainWindowTest, FirstStartLoopRunsTheBoundSettingsCommandUntilConfirmed) {
    ConfigExisted = false;
    dir.write("work/QUIRK", "");
    TfrmMain w;
    int runs = 0;
    w.BindCommand(w.menus.Grundeinstellungen1, [&] { ProcSettings.SettingsConfirmed = ++runs == 2; });
    Show(w);
    w.RunOnce();
    EXPECT_EQ(runs, 2);
    EXPECT_TRUE(modal.host.shown.empty());  // maintainer mode: no splash
    EXPECT_TRUE(w.menus.Errortracker1->isVisible());
    ASSERT_EQ(fakes.messages.shown.size(), 2u);
    EXPECT_EQ(fakes.messages.shown[1].kind, platform::MsgKind::Warning);
    w.hide();
}

TEST_F(MainWindowTest, MenusToolBarAndPopupsStartDisabledUntilBound) {
    TfrmMain w;
    int enabled = 0;
    for (QAction* a : w.menus.all)
        if (a->isEnabled()) ++enabled;
    EXPECT_EQ(enabled, 3);  // Beenden, refresh and the tool-bar switch
    EXPECT_TRUE(w.menus.Beenden1->isEnabled());
    EXPECT_EQ(w.menus.toolButtons.size(), 17u);
    EXPECT_EQ(w.menus.toolButtons[0]->toolTip(), "Grundeinstellungen");
    EXPECT_FALSE(w.menus.toolButtons[0]->isEnabled());
    // Each button has its own themed icon (scripts/deps installs the theme),
    // the same as its menu item: no two commands look alike.
    std::set<qint64> icons;
    for (const char* name : {"configure", "download", "measure", "compass", "globe", "document-encrypt"})
        EXPECT_TRUE(HasThemeIcon(name)) << name;
    for (QToolButton* b : w.menus.toolButtons) {
        EXPECT_FALSE(b->icon().isNull()) << b->toolTip().toStdString();
        icons.insert(b->icon().cacheKey());
    }
    EXPECT_EQ(icons.size(), w.menus.toolButtons.size());
    EXPECT_EQ(w.menus.Grundeinstellungen1->icon().cacheKey(), w.menus.toolButtons[0]->icon().cacheKey());
    int runs = 0;
    w.BindCommand(w.menus.Grundeinstellungen1, [&] { ++runs; });
    EXPECT_TRUE(w.menus.toolButtons[0]->isEnabled());
    w.menus.toolButtons[0]->click();
    w.menus.Grundeinstellungen1->trigger();
    EXPECT_EQ(runs, 2);
    w.BindCommand(w.menus.Grundeinstellungen1, nullptr);
    EXPECT_FALSE(w.menus.Grundeinstellungen1->isEnabled());
    EXPECT_EQ(w.menus.pmCaches->actions().size(), 15 + 4);  // with four dividers
    EXPECT_EQ(w.menus.mnuCopyPath->shortcutContext(), Qt::WidgetWithChildrenShortcut);

    Show(w);
    w.menus.mnuShowToolbar->trigger();
    EXPECT_TRUE(w.menus.paToolbar->isHidden());
    w.menus.mnuShowToolbar->trigger();
    EXPECT_FALSE(w.menus.paToolbar->isHidden());
    w.hide();
}

TEST_F(MainWindowTest, ScreenshotOfThePreparedFolder) {
    TfrmMain w;
    w.resize(860, 560);
    Show(w);
    ChooseSub(w);
    w.lvCachesColumnClick(2);
    w.edWaypoint->setText("GC4");
    w.btnQuickClick();
    w.lvCaches->topLevelItem(0)->setSelected(true);
    const QPixmap shot = w.grab();
    EXPECT_EQ(shot.size(), w.size());
    // Saved only on request, outside the repository.
    const QByteArray target = qgetenv("TV_MAIN_SCREENSHOT");
    if (!target.isEmpty()) {
        EXPECT_TRUE(shot.save(QString::fromLocal8Bit(target), "PNG"));
    }
    w.hide();
}

}  // namespace
}  // namespace tv
