// The cache-editing window offscreen over a real Caches.bin: showing,
// searching, the coordinate entry, storing with its checks, and deleting.
#include "pages/ui/frm_edit_cache.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/cache_db.h"
#include "core/cachedb_table.h"
#include "core/debug_log.h"
#include "core/proc_settings.h"
#include "geo/ui/frm_coord_input.h"
#include "pages/cache_edit.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/qt_text.h"
#include "support/fakes.h"
#include "support/temp_dir.h"
#include "support/ui/fake_modal_host.h"

namespace tv {
namespace {

TCacheRec DbRecord(const std::string& code, int id) {
    TCacheRec r;
    r.Id = id;
    r.Name = "Cache " + code;
    r.Hidden = *DayCountFromDate(2004, 7, 3);
    r.Lat = 48.5;
    r.Lon = 8.25;
    r.CacheType = "MULTI-CACHE";
    r.Size = "Small";
    r.Waypoint = code;
    r.Difficulty = "2,5";
    r.Terrain = "4";
    r.CountryId = 9;
    r.InDB = 1;
    return r;
}

class EditCacheWindow : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = ProcSettings;
        ProcSettings.WorkDir = dir_.str();
        ProcSettings.HomeLat = 48.5;
        ProcSettings.HomeLong = 7.25;
        ProcSettings.ShowMessages = true;
        ProcSettings.CacheDBPrimary = 1;
        CacheIndexList.Clear();
        CacheDBTable() = TCacheDBTable::Parse(
            "[CacheDB]\r\nGCDatabaseCount=2\r\nDB_CountryID1=7\r\nDB_CName1=Germany\r\nDB_CNameDE1=Deutschland\r\n"
            "DB_CountryID2=9\r\nDB_CName2=Austria\r\nDB_CNameDE2=\xD6sterreich\r\n");
        recs_ = {DbRecord("GC1", 1), DbRecord("GC22", 2), DbRecord("GC333", 3)};
        dir_.write("Caches.bin", EncodeCacheRecs(recs_));
        (void)BuildCacheIndex();
        fakes_.clock.time = {2008, 5, 17, 12, 0, 0, 0};
    }
    void TearDown() override {
        ProcSettings = saved_;
        CacheIndexList.Clear();
        CacheDBTable() = TCacheDBTable{};
    }
    // Runs Execute(mode) with `step` working the open dialog.
    int Run(TfrmEditCache& w, int mode, std::function<void(TfrmEditCache&)> step) {
        modal_.host.script.push_back([step](QDialog& d) {
            step(static_cast<TfrmEditCache&>(d));
            return 99;  // still open afterwards: closed by the host
        });
        return w.Execute(mode);
    }
    static std::string Text(const QLabel* l) { return FromQ(l->text()); }
    static std::string Text(const QLineEdit* e) { return FromQ(e->text()); }
    static std::string Text(const QComboBox* c) { return c->currentIndex() < 0 ? "<none>" : FromQ(c->currentText()); }

    tvtest::TempDir dir_;
    platform::ScopedFakes fakes_;
    platform::ScopedFakeModalHost modal_;
    TProcSettings saved_;
    std::vector<TCacheRec> recs_;
};

TEST_F(EditCacheWindow, CommitStoresTheEditedRecordInItsSlot) {
    TfrmEditCache w;
    w.EditRecord = recs_[1];
    Run(w, 1, [&](TfrmEditCache& d) {
        d.edName->setText(QStringLiteral("Geänderter Name"));
        d.btnCommit->click();
        EXPECT_EQ(fakes_.messages.texts().back(), W("Cachebeschreibung wurde in der Datenbank geändert."));
    });
    const std::vector<TCacheRec> after = DecodeCacheRecs(dir_.read("Caches.bin"));
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[1].Name, W("Geänderter Name"));
    EXPECT_EQ(after[1].Waypoint, recs_[1].Waypoint);
    EXPECT_EQ(after[0], recs_[0]);
    EXPECT_EQ(after[2], recs_[2]);
}

TEST_F(EditCacheWindow, UnsafeCodeAndMissingDatabaseAreRefused) {
    TfrmEditCache w;
    w.EditRecord = recs_[0];
    Run(w, 1, [&](TfrmEditCache& d) {
        d.edWaypoint->setText(QStringLiteral("../GC1"));
        d.btnCommit->click();
    });
    EXPECT_EQ(DecodeCacheRecs(dir_.read("Caches.bin")), recs_);
    std::filesystem::remove(dir_.path() / "Caches.bin");
    fakes_.messages.shown.clear();
    w.EditRecord = recs_[0];
    Run(w, 1, [&](TfrmEditCache& d) { d.btnCommit->click(); });
    ASSERT_EQ(fakes_.messages.shown.size(), 1u);
    EXPECT_EQ(
        fakes_.messages.texts()[0],
        FormatSysErrorText(ENOENT, "Kann Datei " + dir_.str() + "Caches.bin nicht lesen.", SysErrorMessage(ENOENT)));
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "Caches.bin"));
}

TEST_F(EditCacheWindow, DeleteAsksThenRemovesTheRecord) {
    TfrmEditCache w;
    w.EditRecord = recs_[1];
    Run(w, 1, [&](TfrmEditCache& d) {
        fakes_.messages.answers = {platform::MsgResult::No};
        d.btnErase->click();
        EXPECT_EQ(DecodeCacheRecs(dir_.read("Caches.bin")).size(), 3u);
        EXPECT_EQ(fakes_.messages.texts().back(), DeleteQuestionText(recs_[1]));
        EXPECT_EQ(fakes_.messages.shown.back().kind, platform::MsgKind::Warning);
        EXPECT_EQ(fakes_.messages.shown.back().defaultButton, platform::MsgDefault::No);
        fakes_.messages.answers = {platform::MsgResult::Yes};
        d.btnErase->click();
        EXPECT_EQ(Text(d.edName), "");
        EXPECT_EQ(Text(d.edDBWP), "");
        EXPECT_FALSE(d.btnErase->isEnabled());
    });
    EXPECT_EQ(dir_.read("Caches.bin"), EncodeCacheRecs({recs_[0], recs_[2]}));
    TCacheRec probe;
    EXPECT_FALSE(FindCacheByWaypoint("GC22", probe));
    EXPECT_TRUE(FindCacheByWaypoint("GC333", probe));
    EXPECT_EQ(probe.RecNo, 1);
}

}  // namespace
}  // namespace tv
