// The list windows offscreen: result picker, name search over a real
// "Caches.bin", buddy list over "Buddies.txt".
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <memory>

#include "core/cache_db.h"
#include "core/cache_rec.h"
#include "core/proc_settings.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "support/ui/fake_modal_host.h"
#include "platform/ui/qt_text.h"
#include "shell/ui/frm_buddylist.h"
#include "shell/ui/frm_name_search.h"
#include "shell/ui/frm_sub_selector.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

using tvtest::CacheRecord;

// A fresh work folder for each test.
class WorkFolder : public ::testing::Test {
protected:
    void WriteDb(const std::vector<TCacheRec>& recs) { dir_.writeCaches(recs); }

    tvtest::WorkFolder dir_;
    platform::ScopedFakes fakes_;
    platform::ScopedFakeModalHost modal_;
};

// ---- result picker -------------------------------------------------------------

using ResultPicker = WorkFolder;

TEST_F(ResultPicker, ShowTicksAllAndOkClosesWithYes) {
    TfrmSubSelector w;
    EXPECT_EQ(w.minimumSize(), QSize(430, 230));
    w.AddEntry("Xyz", "GC777");
    w.AddEntry(W("Alte Mühle"), "GC1AB");
    w.AddLine("brunnen (GC5)");
    ASSERT_EQ(w.lb->count(), 3);
    // Kept sorted, ignoring case.
    EXPECT_EQ(w.lb->item(0)->text(), U("Alte Mühle (GC1AB)"));
    EXPECT_EQ(w.lb->item(1)->text(), U("brunnen (GC5)"));
    EXPECT_EQ(w.lb->item(2)->text(), U("Xyz (GC777)"));

    modal_.host.script.push_back([](QDialog& d) {
        auto& p = static_cast<TfrmSubSelector&>(d);
        EXPECT_EQ(p.TickedLines().size(), 3u);  // FormShow ticked all
        p.btnMarkNone->click();
        EXPECT_TRUE(p.TickedLines().empty());
        p.btnMarkAll->click();
        p.lb->item(1)->setCheckState(Qt::Unchecked);
        p.btnOK->click();
        return 0;
    });
    EXPECT_EQ(platform::modalHost().exec(w, nullptr), mrYes);
    EXPECT_EQ(w.TickedWaypoints(), (std::vector<std::string>{"GC1AB", "GC777"}));
    EXPECT_EQ(w.TickedLines()[0], W("Alte Mühle (GC1AB)"));

    modal_.host.script.push_back([](QDialog& d) {
        static_cast<TfrmSubSelector&>(d).btnCancel->click();
        return 0;
    });
    EXPECT_EQ(platform::modalHost().exec(w, nullptr), mrCancel);
}

// ---- name search ----------------------------------------------------------------

class NameSearchWindow : public WorkFolder {
protected:
    void SetUp() override {
        WriteDb({CacheRecord("GC1AB", W("Alte Mühle")), CacheRecord("GC777", W("Mühle Xyz")),
                 CacheRecord("gc9zz", "Anderes")});
    }
};

// ---- buddy list -------------------------------------------------------------------

using BuddyListWindow = WorkFolder;

}  // namespace
}  // namespace tv
