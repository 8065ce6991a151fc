// The main window offscreen: the folder tree and list of a prepared
// description folder with database records, names it cannot show, the tool
// buttons' icons and the double-click.
#include "shell/ui/frm_main.h"

#include <QImage>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <QTimer>

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
#include "shell/ui/main_cache_list.h"
#include "support/started_program.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

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
        fs::create_directories(dir.path() / "work");
        ASSERT_TRUE(WriteCacheFile(dir.str() + "work/Caches.bin",
                                   {tvtest::CacheRecord("GC1", "Erster", 48, 9, "TRADITIONAL CACHE"),
                                    tvtest::CacheRecord("GC4", W("Äpfel"), 48, 8.5, "MULTI-CACHE"),
                                    tvtest::CacheRecord("GC5", "abc", 48.1, 8, "EARTHCACHE")})
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

    ASSERT_EQ(w.tvDir->topLevelItemCount(), 1);
    QTreeWidgetItem* root = w.tvDir->topLevelItem(0);
    EXPECT_EQ(root->text(0), "root");
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(root->child(0)->text(0), "B");
    EXPECT_EQ(root->child(1)->text(0), "sub");
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

TEST_F(MainWindowTest, ClosingWithoutResizingStoresWhatIsShown) {
    for (const bool remember : {true, false}) {
        SCOPED_TRACE(remember);
        ASSERT_TRUE(WriteSettingBool("Main_MemColSize", remember));
        ASSERT_TRUE(WriteSettingInt("Main_Col1Width", 73));
        ASSERT_TRUE(WriteSettingInt("Main_Col2Width", 300));
        ASSERT_TRUE(WriteSettingInt("Main_Col3Width", 60));
        std::vector<int> shown;
        for (int round = 0; round < 2; ++round) {
            TfrmMain w;
            Show(w);
            shown = {w.lvCaches->columnWidth(0), w.lvCaches->columnWidth(1), w.lvCaches->columnWidth(2)};
            w.close();
        }
        const std::vector<int> stored = {ReadSettingInt("Main_Col1Width"), ReadSettingInt("Main_Col2Width"),
                                         ReadSettingInt("Main_Col3Width")};
        if (remember) {
            // The name fills the list's width (see below).
            EXPECT_EQ(shown[0], 73);
            EXPECT_EQ(shown[2], 60);
            EXPECT_EQ(stored, shown);
        } else {
            // Not remembered: the list fits its defaults to the font; the stored widths stay.
            EXPECT_GE(shown[0], 73);
            EXPECT_EQ(stored, (std::vector<int>{73, 300, 60}));
        }
    }
}

// A larger or maximised window widens the name column only; code and
// distance keep the widths they have.
TEST_F(MainWindowTest, NameColumnTakesTheWidthOfTheWindow) {
    TfrmMain w;
    w.resize(700, 500);
    Show(w);
    ChooseSub(w);
    QTreeWidget* list = w.lvCaches;
    auto widths = [list] {
        QCoreApplication::processEvents();
        return std::vector<int>{list->columnWidth(0), list->columnWidth(1), list->columnWidth(2)};
    };
    const std::vector<int> small = widths();
    EXPECT_EQ(small[0] + small[1] + small[2], list->viewport()->width());
    w.resize(1000, 500);
    const std::vector<int> large = widths();
    EXPECT_EQ(large[0], small[0]);
    EXPECT_EQ(large[2], small[2]);
    EXPECT_GT(large[1], small[1]);
    EXPECT_EQ(large[0] + large[1] + large[2], list->viewport()->width());
    // Listing another folder keeps it so.
    w.tvDir->setCurrentItem(Node(w, "root"));
    EXPECT_EQ(widths(), large);
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

TEST_F(MainWindowTest, ToolButtonsShowTheirCommandsThemedIcons) {
    TfrmMain w;
    // scripts/deps installs the theme; no two commands look alike, and a
    // button shows the icon of its menu item.
    for (const char* name : {"configure", "download", "measure", "compass", "globe", "document-encrypt"})
        EXPECT_TRUE(HasThemeIcon(name)) << name;
    std::set<qint64> icons;
    for (QToolButton* b : w.menus.toolButtons) {
        EXPECT_FALSE(b->icon().isNull()) << b->toolTip().toStdString();
        icons.insert(b->icon().cacheKey());
    }
    EXPECT_EQ(icons.size(), w.menus.toolButtons.size());
    EXPECT_EQ(w.menus.Grundeinstellungen1->icon().cacheKey(), w.menus.toolButtons[0]->icon().cacheKey());
}

// Themes link several names to one picture, or draw two names nearly alike:
// the buttons must differ in what they show (a tenth of the pixels at least),
// not only in the names they ask for.
TEST_F(MainWindowTest, ToolButtonIconsDifferAsPictures) {
    TfrmMain w;
    // Share of pixels that differ clearly (in colour or in coverage).
    auto differing = [](const QImage& a, const QImage& b) {
        if (a.size() != b.size()) return 1.0;
        int n = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                const int d = std::max({std::abs(qAlpha(p) - qAlpha(q)), std::abs(qRed(p) - qRed(q)),
                                        std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
                n += d > 64;
            }
        return static_cast<double>(n) / (a.width() * a.height());
    };
    std::vector<QImage> pictures;
    for (QToolButton* b : w.menus.toolButtons) {
        const QImage picture = b->icon().pixmap(b->iconSize()).toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_FALSE(picture.isNull()) << b->toolTip().toStdString();
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            EXPECT_GT(differing(picture, pictures[i]), 0.1) << b->toolTip().toStdString() << " looks like "
                                                            << w.menus.toolButtons[i]->toolTip().toStdString();
        }
        pictures.push_back(picture);
    }
    EXPECT_EQ(pictures.size(), 17u);
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

}  // namespace
}  // namespace tv
