// The result picker offscreen.
#include <gtest/gtest.h>
#include <QListWidget>
#include <QPushButton>



#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "support/ui/fake_modal_host.h"
#include "platform/ui/qt_text.h"
#include "shell/ui/frm_sub_selector.h"

namespace tv {
namespace {

class ResultPicker : public ::testing::Test {
protected:
    platform::ScopedFakeModalHost modal_;
};

TEST_F(ResultPicker, ShowTicksAllAndOkClosesWithYes) {
    TfrmSubSelector w;
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


}  // namespace
}  // namespace tv
