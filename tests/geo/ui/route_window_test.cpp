// The route window offscreen: a route file reaches the point list, the search
// reaches the result list, and the result reaches the work list.
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "core/cache_db.h"
#include "geo/ui/frm_map.h"
#include "geo/ui/frm_route.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/qt_text.h"
#include "support/fakes.h"
#include "support/ui/fake_modal_host.h"
#include "support/records.h"

namespace tv {
namespace {

struct RouteWindow : ::testing::Test {
    RouteWindow() {
        TCacheRec trad = tvtest::CacheRecord("GC1", "Am Anfang", 48.01, 11.0);
        trad.CacheType = "TRADITIONAL CACHE";
        TCacheRec multi = tvtest::CacheRecord("GC2", "Mitte", 48.0, 11.05);
        multi.CacheType = "MULTI-CACHE";
        work.writeCaches({tvtest::CacheRecord("GC9", "Weit weg", 50.0, 8.0), trad, multi});
        route = work.write("r.coo", "011 00 00 48 00 00\r\n011 06 00 48 00 00\r\n").string();
        w.show();
    }
    void Load(const std::string& file, int format = 1) {
        w.cbFormat->setCurrentIndex(format);
        fakes.files.openAnswers.push_back(file);
        w.btnFileOpen->click();
    }
    std::vector<std::string> Results() {
        std::vector<std::string> out;
        for (int i = 0; i < w.lbResult->count(); ++i) out.push_back(FromQ(w.lbResult->item(i)->text()));
        return out;
    }

    tvtest::WorkFolder work;
    platform::ScopedFakes fakes;
    std::string route;
    TfrmRoute w;
};

TEST_F(RouteWindow, FileSearchFilterAndWorkList) {
    EXPECT_EQ(w.RouteIndexEntries().size(), 3u);
    EXPECT_FALSE(w.btnCalc->isEnabled());
    EXPECT_EQ(w.lblPoints->text(), QStringLiteral("0 Punkte in Quelldatei"));
    Load(route);
    ASSERT_EQ(w.lbSrc->count(), 2);
    EXPECT_EQ(w.lblPoints->text(), QStringLiteral("2 Punkte in Quelldatei:"));
    EXPECT_EQ(w.lbSrc->item(1)->text(), QStringLiteral("11.1000 / 48.0000"));
    EXPECT_TRUE(w.btnCalc->isEnabled());
    w.edDistance->setText("0.1");
    EXPECT_FALSE(w.btnCalc->isEnabled());
    w.edDistance->setText("2.0");
    w.btnCalc->click();
    EXPECT_EQ(Results().size(), 2u);
    EXPECT_EQ(Results()[0].substr(0, 11), "GC1 (1.11 k");

    // The filter drops the multi.
    w.IsTypeSelected = [](int type) { return type == 0; };
    w.cbFilter->setChecked(true);
    w.btnCalc->click();
    EXPECT_EQ(Results().size(), 1u);

    work.write("WPList.txt", "GC7\r\n");
    w.btnSaveResult->click();
    EXPECT_EQ(w.result(), mrOk);
    EXPECT_EQ(work.read("WPList.txt"), "GC7\r\nGC1\r\n");

    // The next use starts empty: a Top50 file loaded then is the whole route,
    // and the search finds nothing along it (GC1 and GC2 lay on the old one).
    w.show();
    EXPECT_EQ(w.lbSrc->count(), 0);
    EXPECT_EQ(w.lbResult->count(), 0);
    EXPECT_FALSE(w.btnCalc->isEnabled());
    Load(work.write("far.coo", "008 00 00 50 00 00\r\n008 00 36 50 00 00\r\n").string());
    ASSERT_EQ(w.lbSrc->count(), 2);
    EXPECT_EQ(FromQ(w.edDistance->text()) + (w.cbFilter->isChecked() ? "+" : "-"), "3.0-");
    w.btnCalc->click();
    EXPECT_EQ(Results().size(), 1u);
    EXPECT_EQ(Results()[0].substr(0, 4), "GC9 ");
    w.cbKeep->setChecked(false);

    // A database that cannot be read leaves the new window, whose save writes nothing.
    w.btnClose->click();
    std::filesystem::remove(work.path() / "Caches.bin");
    w.show();
    ASSERT_EQ(fakes.messages.texts().size(), 1u);
    EXPECT_EQ(fakes.messages.texts()[0].rfind("Fehler beim Lesen der Datei " + work.str() + "Caches.bin\n\nFehlercode: 2\n", 0), 0u);
    EXPECT_EQ(FromQ(w.gbSource->title() + w.lblPoints->text() + w.lblAction->text() + w.lblFound->text()),
              W("Quelle [keine Datei gewählt]0 Punkte in QuelldateiWarten auf Benutzereingabe"
                "Entlang der Route wurden 0 Caches gefunden."));
    EXPECT_EQ(w.lbSrc->count() + w.lbResult->count() + w.cbFormat->currentIndex() + w.btnCalc->isEnabled(), 0);
    EXPECT_TRUE(w.btnEditResult->isHidden() && w.btnRemove->isHidden() && w.btnRmFinds->isHidden() &&
                w.btnSaveResult->isHidden() && w.cbKeep->isHidden() && w.cbKeep->isChecked());
    w.cbKeep->setChecked(false);
    w.btnSaveResultClick();
    EXPECT_EQ(work.read("WPList.txt"), "GC7\r\nGC1\r\n");
    EXPECT_TRUE(w.isVisible() && w.result() == mrCancel);
}

TEST_F(RouteWindow, CancelDetailsAndRemoval) {
    Load(route);
    fakes.pump.onPump = [this] {
        if (w.lbResult->count() == 1) w.btnCancel->click();
    };
    w.btnCalc->click();
    EXPECT_EQ(Results().size(), 1u);
    fakes.pump.onPump = nullptr;
    w.btnCalc->click();
    ASSERT_EQ(Results().size(), 2u);

    std::string shown;
    w.ShowCacheDetails = [&](const TCacheRec& rec, QWidget&) {
        shown = rec.Name.str();
        return int(mrNo);
    };
    w.lbResult->setCurrentRow(1);
    emit w.lbResult->itemDoubleClicked(w.lbResult->currentItem());
    EXPECT_EQ(shown, "Mitte");
    EXPECT_EQ(Results().size(), 1u);
    // The emptied result still saves: without "behalten" the work list is emptied.
    w.lbResult->setCurrentRow(0);
    w.btnRemove->click();
    work.write("WPList.txt", "GC7\r\n");
    w.cbKeep->setChecked(false);
    w.btnSaveResult->click();
    EXPECT_EQ(w.result(), mrOk);
    EXPECT_EQ(work.read("WPList.txt"), "");
}

TEST_F(RouteWindow, ResultOnTheMapAndBack) {
    Load(route);
    w.btnCalc->click();
    ASSERT_EQ(Results().size(), 2u);
    TfrmMap map;
    w.Map = &map;
    platform::ScopedFakeModalHost modal;
    std::vector<LatLon> routeOnMap;
    modal.host.script.push_back([&](QDialog& d) {
        auto& m = static_cast<TfrmMap&>(d);
        routeOnMap = m.Content().route;
        EXPECT_EQ(m.Content().caches.size(), 2u);
        m.ShowCacheDetails = [](const TCacheRec&, QWidget&) { return int(mrNo); };
        m.ShowCacheInfoAt({48.0, 11.05});  // GC2
        return int(mrOk);
    });
    w.btnEditResult->click();
    EXPECT_EQ(routeOnMap, (std::vector<LatLon>{{48.0, 11.0}, {48.0, 11.1}}));
    ASSERT_EQ(Results().size(), 1u);
    EXPECT_EQ(Results()[0].substr(0, 4), "GC1 ");
    EXPECT_TRUE(map.Content().caches.empty());
}

}  // namespace
}  // namespace tv
