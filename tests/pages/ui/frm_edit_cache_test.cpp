// The cache-editing window offscreen over a real Caches.bin: showing,
// searching, the coordinate entry, storing with its checks, and deleting.
#include "pages/ui/frm_edit_cache.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>
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
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "support/ui/fake_modal_host.h"
#include "platform/ui/qt_text.h"
#include "support/temp_dir.h"

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
    std::vector<std::string> Boxes() const {
        std::vector<std::string> texts;
        for (const auto& s : fakes_.messages.shown) texts.push_back(s.text);
        return texts;
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

TEST_F(EditCacheWindow, ShowsTheRecordInEitherMode) {
    TfrmEditCache w;
    EXPECT_EQ(w.size(), QSize(554, 264));
    w.EditRecord = recs_[1];
    Run(w, 1, [](TfrmEditCache& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Cache editieren"));
        EXPECT_EQ(Text(d.edDBWP), "GC22");
        EXPECT_EQ(Text(d.edName), "Cache GC22");
        EXPECT_EQ(Text(d.lblCacheID), "2");
        EXPECT_EQ(Text(d.cbType), "Multi-cache");
        EXPECT_EQ(Text(d.cbSize), "Small");
        EXPECT_EQ(Text(d.edWaypoint), "GC22");
        EXPECT_EQ(Text(d.cbDifficulty), "2.5");  // "2,5" in the record
        EXPECT_EQ(Text(d.cbTerrain), "4");
        EXPECT_EQ(Text(d.cbLand), "\xD6sterreich");
        EXPECT_EQ(Text(d.lblCoord), W("N 48° 30.000 E 008° 15.000"));
        EXPECT_EQ(d.DateTimePicker1->date(), QDate(2004, 7, 3));
        EXPECT_TRUE(d.btnErase->isEnabled());
        EXPECT_TRUE(d.edDBWP->isEnabled());
        EXPECT_TRUE(d.edWaypoint->isEnabled());
        EXPECT_TRUE(d.btnSearch->isEnabled());
        EXPECT_EQ(d.cbType->count(), 10);
        EXPECT_EQ(d.cbSize->itemText(0), QString());
        EXPECT_EQ(d.cbDifficulty->count(), 10);
    });
    EXPECT_EQ(modal_.host.shown, (std::vector<std::string>{"frmEditCache"}));

    // From the waypoint collections: no search, no new code; a record with
    // texts the lists lack, no id and no country.
    TCacheRec odd;
    odd.Waypoint = "GC9";
    odd.CacheType = "Wherigo Cache";
    odd.Difficulty = "0.0";
    odd.Terrain = "1.5";
    w.EditRecord = odd;
    Run(w, 0, [](TfrmEditCache& d) {
        EXPECT_FALSE(d.edDBWP->isEnabled());
        EXPECT_FALSE(d.edWaypoint->isEnabled());
        EXPECT_FALSE(d.btnSearch->isEnabled());
        EXPECT_EQ(Text(d.lblCacheID), "n/a");
        EXPECT_EQ(Text(d.cbType), "<none>");
        EXPECT_EQ(Text(d.cbDifficulty), "<none>");
        EXPECT_EQ(Text(d.cbTerrain), "1.5");
        EXPECT_EQ(Text(d.cbSize), "");
        EXPECT_EQ(Text(d.cbLand), "Deutschland");  // the primary national database
        EXPECT_FALSE(d.btnErase->isEnabled());     // no name
    });
}

TEST_F(EditCacheWindow, SearchShowsARecordOrSaysItIsMissing) {
    TfrmEditCache w;
    w.EditRecord = recs_[0];
    Run(w, 1, [this](TfrmEditCache& d) {
        d.edDBWP->setText("gc333");
        d.btnSearch->click();
        EXPECT_EQ(Text(d.edName), "Cache GC333");
        EXPECT_EQ(d.EditRecord.Id, 3);
        EXPECT_TRUE(d.btnErase->isEnabled());
        d.edDBWP->setText("GC404");
        d.btnSearch->click();
        EXPECT_EQ(Text(d.edName), "Cache GC333");  // the fields keep their content
        EXPECT_FALSE(d.btnErase->isEnabled());
        EXPECT_EQ(Boxes(),
                  (std::vector<std::string>{"Ein Cache mit dem angegebenen Waypoint ist in der Datenbank nicht verzeichnet."}));
        EXPECT_EQ(fakes_.messages.shown[0].kind, platform::MsgKind::Error);
    });
}

TEST_F(EditCacheWindow, StoresInPlaceOrAppendsAfterTheChecks) {
    TfrmEditCache w;
    w.EditRecord = recs_[1];
    const std::string before = dir_.read("Caches.bin");
    Run(w, 1, [&](TfrmEditCache& d) {
        // Latitude 0 is refused although the longitude is set.
        d.EditRecord.Lat = 0.0;
        d.edName->clear();
        d.btnCommit->click();
        ASSERT_EQ(fakes_.messages.shown.size(), 1u);
        EXPECT_EQ(fakes_.messages.shown[0].text,
                  W("Der Cache kann nicht gespeichert werden, da die Cachedaten folgende(n) Fehler enthalten: "
                    "\r\nCachename fehlt\r\nKoordinatenangaben fehlen\r\n\r\nBitte Daten korrekt ausfüllen / "
                    "ergängen und erneut speichern."));
        EXPECT_EQ(dir_.read("Caches.bin"), before);
        EXPECT_TRUE(d.isVisible());
    });

    // A warning answered with No stores nothing; Yes stores in place.
    fakes_.messages.shown.clear();
    w.EditRecord = recs_[1];
    Run(w, 1, [&](TfrmEditCache& d) {
        d.edName->setText(QStringLiteral("Geänderter Name"));
        d.cbTerrain->setCurrentIndex(-1);
        fakes_.messages.answers = {platform::MsgResult::No};
        d.btnCommit->click();
        EXPECT_EQ(dir_.read("Caches.bin"), before);
        ASSERT_EQ(fakes_.messages.shown.size(), 1u);
        EXPECT_EQ(fakes_.messages.shown[0].text,
                  W("Warnung! Folgende Cachedaten wurden nicht vollständig ausgefüllt:\r\n\r\n\r\nTerrain-Angabe "
                    "fehlt\r\n\r\nSoll der Cache trotzdem gespeichert werden?"));
        EXPECT_EQ(fakes_.messages.shown[0].buttons, platform::MsgButtons::YesNo);

        d.cbTerrain->setCurrentIndex(3);  // "2"
        d.btnCommit->click();
        EXPECT_EQ(Boxes().back(), W("Cachebeschreibung wurde in der Datenbank geändert."));
        EXPECT_TRUE(d.isVisible());          // mode 1 stays open
        EXPECT_EQ(Text(d.edName), "");       // and the fields are reset
    });
    TCacheRec expected = recs_[1];
    expected.Name = W("Geänderter Name");
    expected.CacheType = "Multi-cache";
    expected.Difficulty = "2.5";
    expected.Terrain = "2";
    expected.Distance = 73.67946f;
    const std::vector<TCacheRec> after = DecodeCacheRecs(dir_.read("Caches.bin"));
    ASSERT_EQ(after.size(), 3u);
    EXPECT_NEAR(after[1].Distance, expected.Distance, 0.001);
    expected.Distance = after[1].Distance;
    EXPECT_EQ(EncodeCacheRec(after[1]), EncodeCacheRec(expected));
    EXPECT_EQ(after[0], recs_[0]);
    EXPECT_EQ(after[2], recs_[2]);

    // "Neu eingeben" keeps the coordinates shown before; a new code is
    // appended, found by the next lookup, and mode 0 closes the dialog.
    fakes_.messages.shown.clear();
    w.EditRecord = recs_[2];
    const int result = Run(w, 0, [&](TfrmEditCache& d) {
        d.btnNew->click();
        EXPECT_EQ(Text(d.cbType), "Traditional Cache");
        EXPECT_EQ(Text(d.cbSize), "Regular");
        EXPECT_EQ(Text(d.cbDifficulty), "1");
        EXPECT_EQ(Text(d.cbTerrain), "1");
        EXPECT_EQ(Text(d.cbLand), "Deutschland");
        EXPECT_EQ(d.DateTimePicker1->date(), QDate(2008, 5, 17));
        d.edName->setText(QStringLiteral("Neuer Cache"));
        d.edWaypoint->setText(QStringLiteral("GC4444"));
        d.btnCommit->click();
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{W("Cache wurde der Datenbank hinzugefügt.")}));
    TCacheRec found;
    ASSERT_TRUE(FindCacheByWaypoint("GC4444", found));
    EXPECT_EQ(found.RecNo, 3);
    EXPECT_EQ(found.Name, "Neuer Cache");
    EXPECT_EQ(found.Lat, 48.5);
    EXPECT_EQ(found.Lon, 8.25);
    EXPECT_EQ(found.Id, 3);  // the id of the record shown before is not touched
    EXPECT_EQ(found.CountryId, 7);
    EXPECT_EQ(found.Hidden, *DayCountFromDate(2008, 5, 17));
    EXPECT_EQ(found.CacheType, "Traditional Cache");
}

TEST_F(EditCacheWindow, UnsafeCodeAndMissingDatabaseAreRefused) {
    TfrmEditCache w;
    w.EditRecord = recs_[0];
    Run(w, 1, [&](TfrmEditCache& d) {
        d.edWaypoint->setText(QStringLiteral("../GC1"));
        d.btnCommit->click();
        EXPECT_EQ(Boxes().back(),
                  "Der Cache kann nicht gespeichert werden, da die Cachedaten folgende(n) Fehler enthalten: "
                  "\r\nWaypoint darf nur Buchstaben und Ziffern enthalten\r\n\r\n" +
                      W("Bitte Daten korrekt ausfüllen / ergängen und erneut speichern."));
    });
    std::filesystem::remove(dir_.path() / "Caches.bin");
    fakes_.messages.shown.clear();
    w.EditRecord = recs_[0];
    Run(w, 1, [&](TfrmEditCache& d) { d.btnCommit->click(); });
    ASSERT_EQ(fakes_.messages.shown.size(), 1u);
    EXPECT_EQ(Boxes()[0], FormatSysErrorText(ENOENT, "Kann Datei " + dir_.str() + "Caches.bin nicht lesen.",
                                             SysErrorMessage(ENOENT)));
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "Caches.bin"));
}

TEST_F(EditCacheWindow, CoordinatesComeFromTheEntryWindow) {
    TfrmEditCache w;
    w.EditRecord = recs_[0];
    Run(w, 1, [&](TfrmEditCache& d) {
        // Cancel keeps the position.
        modal_.host.script.push_back([](QDialog& c) {
            auto& input = static_cast<TfrmCoordInput&>(c);
            EXPECT_EQ(input.lat, 48.5);
            EXPECT_EQ(input.lon, 8.25);
            input.btnCancel->click();
            return 0;
        });
        d.btnCoord->click();
        EXPECT_EQ(d.EditRecord.Lat, 48.5);
        // OK brings the new one back.
        modal_.host.script.push_back([](QDialog& c) {
            auto& input = static_cast<TfrmCoordInput&>(c);
            input.edBDec->setText(QStringLiteral("47.25"));
            input.edLDec->setText(QStringLiteral("11.5"));
            input.btnOK->click();
            return 0;
        });
        d.btnCoord->click();
        EXPECT_EQ(d.EditRecord.Lat, 47.25);
        EXPECT_EQ(d.EditRecord.Lon, 11.5);
        EXPECT_EQ(Text(d.lblCoord), W("N 47° 15.000 E 011° 30.000"));
    });
    EXPECT_EQ(modal_.host.shown, (std::vector<std::string>{"frmEditCache", "frmCoordInput", "frmCoordInput"}));

    // A caller's own entry replaces the window.
    w.EditCoordinates = [](double& lat, double& lon) {
        lat = -33.5;
        lon = -70.25;
        return true;
    };
    Run(w, 1, [](TfrmEditCache& d) {
        d.btnCoord->click();
        EXPECT_EQ(Text(d.lblCoord), W("S 33° 30.000 W 070° 15.000"));
    });
}

TEST_F(EditCacheWindow, DeleteAsksThenRemovesTheRecord) {
    TfrmEditCache w;
    w.EditRecord = recs_[1];
    Run(w, 1, [&](TfrmEditCache& d) {
        fakes_.messages.answers = {platform::MsgResult::No};
        d.btnErase->click();
        EXPECT_EQ(DecodeCacheRecs(dir_.read("Caches.bin")).size(), 3u);
        EXPECT_EQ(Boxes().back(),
                  "Warnung! Durch diese Aktion wird der Cache: \r\n\"Cache GC22\" (GC22)\r\naus der Datenbank "
                  "entfernt. Wirklich l\xF6schen?");
        EXPECT_EQ(fakes_.messages.shown.back().kind, platform::MsgKind::Warning);
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
