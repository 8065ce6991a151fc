// The notes window, the additional-waypoint window and the text editor
// offscreen, with the platform fakes and the scripted modal host.
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QPushButton>

#include <QPlainTextEdit>

#include <filesystem>
#include <string>
#include <vector>

#include "core/cache_db.h"
#include "core/proc_settings.h"
#include "pages/description_editor.h"
#include "pages/personal_notes.h"
#include "pages/ui/frm_add_info.h"
#include "pages/ui/frm_add_wp_display.h"
#include "pages/ui/frm_editor.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "support/ui/fake_modal_host.h"
#include "platform/ui/qt_text.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

class WindowTest : public ::testing::Test {
protected:
    int exec(QDialog& d, platform::FakeModalHost::Step step) {
        modal.host.script.push_back(std::move(step));
        return platform::modalHost().exec(d, nullptr);
    }

    tvtest::WorkFolder dir;
    platform::ScopedFakes fakes;
    platform::ScopedFakeModalHost modal;
};

// ---------------------------------------------------------------- notes

TEST_F(WindowTest, NoteShownChangedAndSaved) {
    ASSERT_TRUE(WritePersonalNote("GC1", {"a", "", W("Grüße\xA0vom Baum")}));
    TfrmAddInfo w;
    w.NoteWaypoint = "GC1";
    const int result = exec(w, [&](QDialog&) {
        EXPECT_EQ(w.Memo1->toPlainText().left(3), U("a\n\n"));
        EXPECT_FALSE(w.cbLineBreak->isChecked());  // no tq.conf in the work folder
        EXPECT_EQ(w.Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
        w.Memo1->setPlainText(U("Neue Zeile mit Ärger\n\nund € und Ω"));
        w.cbLineBreak->setChecked(true);
        w.btnSave->click();
        EXPECT_FALSE(w.isVisible());
        return 0;
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dir.read("Persinfo.txt"), "[GC1]\r\nZ0=Neue Zeile mit \xC4rger\r\nZ1=\r\nZ2=und \x80 und ?\r\n");
    EXPECT_EQ(dir.read("tq.conf"), "[AddInfo]\r\nLinebreak=1\r\n");
    EXPECT_TRUE(fakes.messages.shown.empty());

    // Shown again: the option comes from tq.conf, the memo from the file;
    // saving without a change keeps every byte, the non-breaking space too.
    ASSERT_TRUE(WritePersonalNote("GC1", {"a", "", W("Grüße\xA0vom Baum"), ""}));
    const std::string before = dir.read("Persinfo.txt");
    w.cbLineBreak->setChecked(false);
    EXPECT_EQ(exec(w, [&](QDialog&) {
                  EXPECT_TRUE(w.cbLineBreak->isChecked());
                  EXPECT_EQ(w.Memo1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
                  w.btnSave->click();
                  return 0;
              }),
              1);
    EXPECT_EQ(dir.read("Persinfo.txt"), before);
    EXPECT_EQ(ReadPersonalNote("GC1").size(), 4u);
}

}  // namespace
}  // namespace tv
