// The waypoint-collection window offscreen over a real work folder: each
// control reaches the collection and the result reaches the list view.
#include "exchange/ui/frm_wpcol.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <filesystem>

#include "core/cachedb_table.h"
#include "core/proc_settings.h"
#include "platform/ui/cache_type_icons.h"
#include "platform/ui/qt_text.h"
#include "support/fakes.h"
#include "support/records.h"
#include "support/ui/fake_modal_host.h"

namespace tv {
namespace {

using tvtest::CacheRecord;

class WPColWindow : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = ProcSettings;
        ProcSettings.HomeLat = 49;
        ProcSettings.HomeLong = 9;
        ProcSettings.AddHomeLat.clear();
        ProcSettings.AddHomeLon.clear();
        ProcSettings.AddHomeTxt.clear();
        dir_.writeCaches({CacheRecord("GC1", "Bravo", 49.01, 9), CacheRecord("GC2", "Alpha", 49.02, 9),
                          CacheRecord("GC3", "Charlie", 49.03, 9)});
        dir_.write("WPList.txt", "GC1\r\nGC2\r\nGC3\r\n");
    }
    void TearDown() override { ProcSettings = saved_; }

    void open() {
        w_.WorkDir = dir_.str();
        w_.show();
    }
    std::vector<std::string> column(int c) const {
        std::vector<std::string> out;
        for (int r = 0; r < w_.lv->topLevelItemCount(); ++r) out.push_back(FromQ(w_.lv->topLevelItem(r)->text(c)));
        return out;
    }
    void select(const std::vector<int>& rows) {
        w_.lv->clearSelection();
        for (int r : rows) w_.lv->topLevelItem(r)->setSelected(true);
    }

    TProcSettings saved_;
    tvtest::WorkFolder dir_;
    platform::ScopedFakes fakes_;
    platform::ScopedFakeModalHost modal_;
    TfrmWPCol w_;
};

TEST_F(WPColWindow, SortThenDeleteRemovesTheMarkedCacheAndSaves) {
    open();
    EXPECT_EQ(column(0), (std::vector<std::string>{"GC1", "GC2", "GC3"}));
    w_.lvColumnClick(1);
    EXPECT_EQ(column(1), (std::vector<std::string>{"Alpha", "Bravo", "Charlie"}));
    select({0});  // Alpha, the second entry of the list
    w_.ppDelMark->trigger();
    EXPECT_EQ(column(0), (std::vector<std::string>{"GC1", "GC3"}));
    w_.btnSave->click();
    EXPECT_EQ(dir_.read("WPList.txt"), "GC1\r\nGC3\r\n");
    EXPECT_EQ(dir_.read("WPList.txt.bk"), "GC1\r\nGC2\r\nGC3\r\n");
    EXPECT_FALSE(w_.isVisible());
}

TEST_F(WPColWindow, RowsShowTheIconOfTheirCacheType) {
    TCacheRec multi = CacheRecord("GC4", "Delta", 49.04, 9);
    multi.CacheType = "Multi-cache";
    TCacheRec earth = CacheRecord("GC5", "Echo", 49.05, 9);
    earth.CacheType = "Earthcache";
    dir_.writeCaches({multi, earth});
    dir_.write("WPList.txt", "GC4\r\nGC5\r\nGC404\r\n");
    open();
    ASSERT_EQ(column(0), (std::vector<std::string>{"GC4", "GC5", "GC404"}));
    const auto picture = [](const QIcon& icon) { return icon.pixmap(16, 16).toImage(); };
    EXPECT_EQ(picture(w_.lv->topLevelItem(0)->icon(0)), picture(CacheTypeIcon(1)));
    EXPECT_EQ(picture(w_.lv->topLevelItem(1)->icon(0)), picture(CacheTypeIcon(9)));
    EXPECT_EQ(picture(w_.lv->topLevelItem(2)->icon(0)), picture(CacheTypeIcon(kCacheTypeOther)));
    EXPECT_NE(picture(CacheTypeIcon(1)), picture(CacheTypeIcon(9)));
}

TEST_F(WPColWindow, AddingByCodeRadiusAndFile) {
    open();
    w_.btnCache->click();
    w_.edWP->setText("gc404");
    fakes_.messages.answers = {platform::MsgResult::Yes};
    w_.btnAddWPClick();
    EXPECT_EQ(column(0), (std::vector<std::string>{"GC404"}));
    ASSERT_EQ(fakes_.messages.shown.size(), 1u);

    w_.edRad->setText("abc");
    w_.btnRadSearchClick();
    EXPECT_EQ(fakes_.messages.shown.back().text, W("Der eingegebene Radius ist falsch."));
    w_.edRad->setText("2.5");
    w_.btnRadSearchClick();
    EXPECT_EQ(column(0), (std::vector<std::string>{"GC404", "GC1", "GC2"}));

    w_.cbFormat->setCurrentIndex(1);
    fakes_.files.openManyAnswers.push_back(
        std::vector<std::string>{tvtest::TestsPath("data/real/cgeo/gc1bkp3_loc.loc").string()});
    w_.btnLoadWaypointsClick();
    EXPECT_EQ(column(0).back(), "GC1BKP3");
    EXPECT_EQ(column(1).back(), "?");
}

TEST_F(WPColWindow, RowOperationsOnARepeatedFindActOnTheSelectedRow) {
    TFoundRec f;
    f.Lat = 49.01;
    f.Lon = 9;
    f.Waypoint = "GC1";
    f.Name = "Bravo";
    std::string bytes;
    for (const char* date : {"xx", "1.2.2010"}) {
        f.FoundDate = date;
        const auto b = EncodeFoundRec(f);
        bytes.append(reinterpret_cast<const char*>(b.data()), b.size());
    }
    dir_.write("Finds.bin", bytes);
    open();
    w_.btnFound->click();
    const auto dates = column(9);
    ASSERT_EQ(dates.size(), 2u);
    ASSERT_EQ(dates[1], "01.02.2010");
    w_.DTPFound->setDate(QDate(2012, 4, 1));
    select({1});
    w_.ppCorrectFoundDate->trigger();
    EXPECT_EQ(column(9), (std::vector<std::string>{dates[0], "01.04.2012"}));
    select({1});
    w_.ppDelMark->trigger();
    EXPECT_EQ(column(9), (std::vector<std::string>{dates[0]}));
    w_.btnSave->click();
    const auto saved = DecodeFoundRecs(dir_.read("Finds.bin"));
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].FoundDate, "xx");
}

TEST_F(WPColWindow, DropMovesAndFailedSaveKeepsTheWindowOpen) {
    std::filesystem::create_directory(dir_.path() / "WPignore.txt");
    fakes_.messages.answers = {platform::MsgResult::Ok};
    open();
    select({0, 2});
    w_.btnDragDrop(kFoundList);
    EXPECT_EQ(column(0), (std::vector<std::string>{"GC2"}));
    w_.btnFound->click();
    EXPECT_EQ(column(0), (std::vector<std::string>{"GC1", "GC3"}));

    w_.btnIgnore->click();
    w_.edWP->setText("GC2");
    w_.btnAddWPClick();
    fakes_.messages.shown.clear();
    w_.btnSave->click();
    ASSERT_FALSE(fakes_.messages.shown.empty());
    // The ignore list could not be read at opening: it is not saved over.
    EXPECT_EQ(fakes_.messages.shown[0].text, W("Die Datei ") + dir_.str() +
                                                 W("WPignore.txt wurde nicht gespeichert, weil sie beim Öffnen nicht "
                                                   "vollständig gelesen werden konnte."));
    EXPECT_TRUE(w_.isVisible());
    EXPECT_EQ(dir_.read("WPList.txt"), "GC2\r\n");
    EXPECT_EQ(DecodeFoundRecs(dir_.read("Finds.bin")).size(), 2u);

    // Cancelling asks first, with No as the default; No keeps the changes on screen.
    fakes_.messages.answers = {platform::MsgResult::No};
    w_.btnCancel->click();
    EXPECT_TRUE(w_.isVisible());
    EXPECT_EQ(fakes_.messages.shown.back().defaultButton, platform::MsgDefault::No);
}

}  // namespace
}  // namespace tv
