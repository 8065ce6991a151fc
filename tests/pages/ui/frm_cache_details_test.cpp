// The cache-details window offscreen: a record with every field, marks of a
// comparison, the converted page, keys and clicks, and the note buttons.
#include "pages/ui/frm_cache_details.h"

#include <gtest/gtest.h>
#include <QFontMetrics>
#include <QLabel>
#include <QToolButton>


#include <functional>
#include <string>
#include <vector>

#include "core/cachedb_table.h"
#include "core/debug_log.h"
#include "core/proc_settings.h"
#include "pages/personal_notes.h"
#include "pages/ui/frm_add_info.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "support/ui/fake_modal_host.h"
#include "platform/ui/qt_text.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

TCacheRec Sample() {
    TCacheRec r;
    r.Id = 12345;
    r.Name = W("<b>Alte Mühle</b>");
    r.Hidden = *DayCountFromDate(2007, 11, 5);
    r.Lat = 48.5;
    r.Lon = 8.25;
    r.CacheType = "MULTI-CACHE";
    r.Size = "Regular";
    r.Waypoint = "GC1ABC";
    r.Difficulty = "2";
    r.Terrain = "3.5";
    r.CountryId = 7;
    return r;
}

class CacheDetailsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = ProcSettings;
        ProcSettings.WorkDir = work_.str();
        ProcSettings.OutDir = out_.str();
        ProcSettings.HomeLat = 48.5;
        ProcSettings.HomeLong = 7.25;
        fakes_.clock.time = {2007, 11, 15, 18, 30, 0, 0};
        ArchiveList.Clear();
        CacheDBTable() = TCacheDBTable::Parse(
            "[CacheDB]\r\nGCDatabaseCount=1\r\nDB_CountryID1=7\r\nDB_CName1=Germany\r\nDB_CNameDE1=Deutschland\r\n");
    }
    void TearDown() override {
        ProcSettings = saved_;
        ArchiveList.Clear();
        CacheDBTable() = TCacheDBTable{};
    }
    // Shows the window through the modal host; `step` looks at it while open.
    int Show(TfrmCacheDetails& w, std::function<int(TfrmCacheDetails&)> step) {
        modal_.host.script.push_back([step](QDialog& d) { return step(static_cast<TfrmCacheDetails&>(d)); });
        return platform::modalHost().exec(w, nullptr);
    }

    tvtest::TempDir work_, out_;
    platform::ScopedFakes fakes_;
    platform::ScopedFakeModalHost modal_;
    TProcSettings saved_;
};

TEST_F(CacheDetailsWindow, ConvertedPageIsFoundAndOpened) {
    TfrmCacheDetails w;
    w.Cache = Sample();
    out_.write("A/GC1ABC_converted.html", "a");
    out_.write("B/GC1ABC_converted.html", "b");
    Show(w, [&](TfrmCacheDetails& d) {
        EXPECT_TRUE(d.sbShow->isVisible());
        EXPECT_EQ(d.FoundSubfolder, out_.str() + "B/");
        d.sbShow->click();
        return 0;
    });
    EXPECT_EQ(fakes_.shell.opened, (std::vector<std::string>{out_.str() + "B/GC1ABC_converted.html"}));

    // A caller's folder without the page: hidden, and no subfolder is searched.
    tvtest::TempDir other;
    w.DescrFolder = other.str();
    Show(w, [](TfrmCacheDetails& d) {
        EXPECT_FALSE(d.sbShow->isVisible());
        EXPECT_EQ(d.FoundSubfolder, "");
        return 0;
    });
}

// A name wider than its line ends in "…" and is whole in the tooltip; a name
// that fits is shown as it is, with the window's hint.
TEST_F(CacheDetailsWindow, LongNameIsElidedAndWholeInTheTooltip) {
    TfrmCacheDetails w;
    w.Cache = Sample();
    const std::string name(80, 'W');
    w.Cache.Name = name;
    Show(w, [&](TfrmCacheDetails& d) {
        const QLabel* l = d.lblCacheName;
        EXPECT_TRUE(l->text().endsWith(QChar(0x2026))) << l->text().toStdString();
        EXPECT_TRUE(QString::fromStdString(name).startsWith(l->text().chopped(1)));
        EXPECT_LE(QFontMetrics(l->font()).horizontalAdvance(l->text()), l->contentsRect().width());
        EXPECT_EQ(l->toolTip(), QString::fromStdString(name));
        return 0;
    });
    w.Cache = Sample();
    Show(w, [](TfrmCacheDetails& d) {
        EXPECT_EQ(d.lblCacheName->text(), QString::fromUtf8("<b>Alte Mühle</b>"));
        EXPECT_EQ(d.lblCacheName->toolTip(), QString::fromUtf8("Mausklick schließt dieses Fenster"));
        return 0;
    });
}

}  // namespace
}  // namespace tv
