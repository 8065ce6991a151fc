// The GPX import window offscreen: pass 1 fills the list, a review answered
// with "Nein" drops a cache, a bad radius stops pass 2, pass 2 writes.
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>


#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/proc_settings.h"
#include "exchange/ui/frm_gpx_imp.h"
#include "pages/ui/frm_cache_details.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/qt_text.h"
#include "support/fakes.h"
#include "support/records.h"
#include "support/ui/fake_modal_host.h"

namespace tv {
namespace {

std::string Wpt(const std::string& code, const std::string& name) {
    return "<wpt lat=\"48\" lon=\"9\"><time>2004-05-01T00:00:00</time><name>" + code + "</name><urlname>" + name +
           "</urlname><groundspeak:cache id=\"0\" xmlns:groundspeak=\"http://www.groundspeak.com/cache/1/0\">"
           "<groundspeak:difficulty>1.0</groundspeak:difficulty></groundspeak:cache></wpt>\n";
}

TEST(GpxImportWindow, ReviewAndPassTwo) {
    platform::ScopedFakes fakes;
    platform::ScopedFakeModalHost modal;
    tvtest::WorkFolder work;
    const std::string previousProgramDir = ProgramDir();
    SetProgramDir(work.str());  // tq.conf gets the options at close
    TCacheRec old = tvtest::CacheRecord("GCB", "Alt", 48, 9);
    old.Difficulty = "1.0";
    old.Terrain = "1.0";
    work.writeCaches({old});
    TfrmGPXImp w;
    w.FileName = work.write("pq.gpx", "<gpx xmlns=\"http://www.topografix.com/GPX/1/0\">" + Wpt("GCB", "Neu") +
                                          Wpt("GCN", "Nein") + Wpt("GCM", "Mit") + "</gpx>")
                     .string();

    modal.host.script.push_back([&](QDialog&) {
        w.btnStart->click();
        EXPECT_EQ(w.ListBox->count(), 3);
        w.ListBox->setCurrentRow(1);
        EXPECT_EQ(FromQ(w.ListBox->currentItem()->text()), "GCN: Neu (01.05.2004)");
        w.ListBoxDblClick();
        EXPECT_EQ(w.ListBox->count(), 2);
        w.cbRadSearch->setChecked(true);
        w.edRad->setText("abc");
        w.btnWork->click();
        EXPECT_EQ(fakes.messages.shown.back().text, "Der eingegebene Radius ist falsch.");
        EXPECT_TRUE(w.isVisible());
        w.cbRadSearch->setChecked(false);
        w.btnWork->click();
        return QDialog::Accepted;
    });
    modal.host.script.push_back([](QDialog&) { return static_cast<int>(mrNo); });  // the review of GCN
    platform::modalHost().exec(w, nullptr);

    EXPECT_EQ(modal.host.shown, (std::vector<std::string>{"frmGPXImp", "frmCacheDetails"}));
    CacheIndexList.Clear();
    TCacheRec rec;
    ASSERT_TRUE(FindCacheByWaypoint("GCB", rec));
    EXPECT_EQ(rec.Name, "Neu");
    EXPECT_EQ(rec.ChangeMark, 'D');
    EXPECT_TRUE(FindCacheByWaypoint("GCM", rec));
    EXPECT_FALSE(FindCacheByWaypoint("GCN", rec));
    SetProgramDir(previousProgramDir);
}

// A changed cache: the imported record above the centre, the stored one
// below, apart from each other, the changed name red in both.
TEST(GpxImportWindow, ChangedCacheShowsBothRecordsOneAboveTheOther) {
    platform::ScopedFakes fakes;
    platform::ScopedFakeModalHost modal;
    tvtest::WorkFolder work;
    work.writeCaches({tvtest::CacheRecord("GCB", "Alt", 48, 9)});
    TfrmGPXImp w;
    w.FileName = work.write("pq.gpx", "<gpx xmlns=\"http://www.topografix.com/GPX/1/0\">" + Wpt("GCB", "Neu") + "</gpx>")
                     .string();
    w.setGeometry(0, 0, 800, 600);
    w.show();
    w.btnStart->click();
    ASSERT_EQ(w.ListBox->count(), 1);
    w.ListBox->setCurrentRow(0);
    QRect above, below;
    modal.host.script.push_back([&](QDialog& d) {
        above = d.frameGeometry();
        below = w.Details2->frameGeometry();
        EXPECT_TRUE(w.Details2->isVisible());
        // The names differ ("Neu", "Alt"): red in both windows once shown.
        for (const TfrmCacheDetails* shown : {w.Details1.get(), w.Details2.get()}) {
            EXPECT_EQ(shown->lblCacheName->palette().color(QPalette::WindowText).name(), "#ff0000");
            EXPECT_EQ(shown->lblWP->palette().color(QPalette::WindowText).name(), "#000000");
        }
        return int(mrCancel);
    });
    w.ListBoxDblClick();
    ASSERT_EQ(modal.host.shown, (std::vector<std::string>{"frmCacheDetails"}));
    QWidget probeBelow, probeAbove;
    probeBelow.resize(below.size());
    CenterFormOver(&w, &probeBelow);
    probeAbove.resize(above.size());
    CenterFormOver(&w, &probeAbove);
    // A window may settle its layout a few pixels after it was placed.
    EXPECT_NEAR(below.top(), probeBelow.y() + below.height() / 2, 8);
    EXPECT_NEAR(above.top(), std::max(0, probeAbove.y() - above.height() / 2), 8);
    EXPECT_NEAR(above.left(), below.left(), 8);
    EXPECT_LE(above.bottom(), below.top() + 16);
    EXPECT_LT(above.top(), below.top());
    EXPECT_FALSE(w.Details2->isVisible());
    EXPECT_EQ(w.ListBox->count(), 1);
}

// A file of plain waypoints says so, in the caption and in the box.
TEST(GpxImportWindow, PlainWaypointsAreNotCalledCacheDefinitions) {
    platform::ScopedFakes fakes;
    platform::ScopedFakeModalHost modal;
    tvtest::WorkFolder work;
    work.writeCaches({});
    TfrmGPXImp w;
    w.FileName = work.write("wp.gpx", "<gpx xmlns=\"http://www.topografix.com/GPX/1/0\"><wpt lat=\"48\" lon=\"9\">"
                                      "<name>Parkplatz</name></wpt><wpt lat=\"48.1\" lon=\"9\"><name>Gipfel</name></wpt></gpx>")
                     .string();
    w.show();
    w.btnStart->click();
    EXPECT_EQ(w.lblStatus->text(), U("2 Wegpunkte ohne Cachedaten gefunden, keine Cachedefinitionen"));
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].text.substr(0, 60), W("Die GPX-Datei enthält nur Wegpunkte ohne Cachedaten (2 Wegpunkte)").substr(0, 60));

    // A long count line wraps: the window, with all its buttons, keeps to the screen.
    const std::string gpx = "<gpx xmlns=\"http://www.topografix.com/GPX/1/0\">" + Wpt("GCN", "N") + Wpt("GCN", "N");
    w.FileName =
        work.write("l.gpx", gpx + Wpt("GC1/2", "U") + "<wpt lat=\"48\" lon=\"9\"><name>P</name></wpt></gpx>").string();
    w.FormShow();
    w.btnStart->click();
    w.GroupBox1->layout()->activate();
    w.layout()->activate();
    EXPECT_TRUE(w.lblStatus->text().endsWith(U(", 1 Wegpunkte ohne Cachedaten")));
    EXPECT_TRUE(w.screen()->availableGeometry().contains(w.frameGeometry()));
}

}  // namespace
}  // namespace tv
