// The GPX import window offscreen: pass 1 fills the list, a review answered
// with "Nein" drops a cache, a bad radius stops pass 2, pass 2 writes.
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>


#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/proc_settings.h"
#include "exchange/ui/frm_gpx_imp.h"
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

}  // namespace
}  // namespace tv
