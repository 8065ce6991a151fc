// The collection window's map items against the program's map window: the
// view and mark colour they set, and the map's result deciding what leaves
// the list.
#include "shell/ui/wpcol_wiring.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QTreeWidget>

#include "core/proc_settings.h"
#include "exchange/ui/frm_wpcol.h"
#include "geo/ui/frm_map.h"
#include "platform/ui/modal_result.h"
#include "platform/ui/qt_text.h"
#include "support/fakes.h"
#include "support/records.h"
#include "support/ui/fake_modal_host.h"

namespace tv {
namespace {

using tvtest::CacheRecord;

class CollectionMap : public ::testing::Test {
protected:
    void SetUp() override {
        dir_.writeCaches({CacheRecord("GC1", "Eins", 48.2, 9.1), CacheRecord("GC2", "Zwei", 50.5, 11.5)});
        dir_.write("WPList.txt", "GC1\r\nGC2\r\n");
        map_.CacheColor = Qt::red;
        map_.SetView(MapBounds{9.0, 9.5, 48.0, 48.3});
        map_.ShowCacheDetails = [](const TCacheRec&, QWidget&) { return int(mrNo); };
        w_.WorkDir = dir_.str();
        w_.ShowMap = [this](const std::vector<std::string>& codes, QWidget& over) {
            return ShowCodesInMap(map_, codes, over);
        };
        w_.show();
    }
    std::vector<std::string> rows() const {
        std::vector<std::string> out;
        for (int r = 0; r < w_.lv->topLevelItemCount(); ++r) out.push_back(FromQ(w_.lv->topLevelItem(r)->text(0)));
        return out;
    }
    // On the map: the view and colour it opened with, then GC2 taken off.
    platform::FakeModalHost::Step removeGC2(int result) {
        return [this, result](QDialog&) {
            EXPECT_EQ(map_.View().bounds, (MapBounds{6.0, 14.0, 47.0, 55.0}));
            EXPECT_EQ(map_.CacheColor, QColor(Qt::black));
            EXPECT_EQ(map_.Content().caches.size(), 2u);
            map_.ShowCacheInfoAt(LatLon{50.5, 11.5});
            EXPECT_EQ(map_.RemovedList(), (std::vector<std::string>{"GC2"}));
            return result;
        };
    }

    tvtest::WorkFolder dir_;
    platform::ScopedFakes fakes_;
    platform::ScopedFakeModalHost modal_;
    TfrmMap map_;
    TfrmWPCol w_;
};

TEST_F(CollectionMap, CancelKeepsTheListAndOkRemovesWhatLeftTheMap) {
    ASSERT_EQ(rows(), (std::vector<std::string>{"GC1", "GC2"}));
    modal_.host.script.push_back(removeGC2(mrCancel));
    w_.AlleCachesinLandkartezeigen1->trigger();
    EXPECT_EQ(rows(), (std::vector<std::string>{"GC1", "GC2"}));
    EXPECT_FALSE(w_.col.Modified());

    w_.lv->topLevelItem(1)->setSelected(true);
    modal_.host.script.push_back([this](QDialog&) {
        EXPECT_EQ(map_.View().bounds, (MapBounds{6.0, 14.0, 47.0, 55.0}));
        EXPECT_EQ(map_.Content().caches.size(), 1u);  // the selected row only
        map_.ShowCacheInfoAt(LatLon{50.5, 11.5});
        return int(mrOk);
    });
    w_.WegpunkteinLandkartezeigen1->trigger();
    EXPECT_EQ(rows(), (std::vector<std::string>{"GC1"}));
    EXPECT_TRUE(w_.col.Modified());
}

}  // namespace
}  // namespace tv
