// The small windows offscreen: wait window, input line, ROT13, type filter
// and About box / splash.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "core/proc_settings.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "shell/ui/frm_about.h"
#include "shell/ui/frm_get_day.h"
#include "shell/ui/frm_notes_mixer.h"
#include "shell/ui/frm_summary.h"
#include "shell/ui/frm_xmas.h"
#include "shell/ui/frm_cache_filter.h"
#include "shell/ui/frm_input_line.h"
#include "shell/ui/frm_rot13.h"
#include "shell/ui/frm_wait.h"
#include "support/temp_dir.h"
#include "platform/ui/qt_text.h"

namespace tv {
namespace {

TEST(WaitWindow, IsTheProgressServiceAndShowsItsAction) {
    platform::ScopedFakes fakes;
    TfrmWait w;
    EXPECT_EQ(w.windowTitle(), U("Bitte warten..."));
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(w.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_EQ(w.parentWidget(), nullptr);

    const auto previous = InstallWaitWindow(w);
    EXPECT_EQ(&platform::progress(), &w);
    EXPECT_EQ(previous.progress, &fakes.progress);
    // Only the progress slot changed.
    EXPECT_EQ(&platform::messages(), &fakes.messages);

    platform::progress().setRange(0, 500);
    platform::progress().setPosition(200);
    EXPECT_FALSE(w.isVisible());
    const int pumps = fakes.pump.pumps;
    platform::progress().setAction(W("Cacheliste wird gelesen für Ämter"));
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isModal());
    EXPECT_EQ(fakes.pump.pumps, pumps + 1);
    EXPECT_EQ(w.lblAction->text(), U("Cacheliste wird gelesen für Ämter"));
    EXPECT_EQ(w.Progress->minimum(), 0);
    EXPECT_EQ(w.Progress->maximum(), 500);
    EXPECT_EQ(w.Progress->value(), 200);
    platform::progress().hide();
    EXPECT_FALSE(w.isVisible());
    platform::install(previous);
}

class AboutBox : public ::testing::Test {
protected:
    void SetUp() override {
        previousWorkDir_ = ProcSettings.WorkDir;
        ProcSettings.WorkDir = dir_.str();
    }
    void TearDown() override { ProcSettings.WorkDir = previousWorkDir_; }
    tvtest::TempDir dir_;
    std::string previousWorkDir_;
};

}  // namespace
}  // namespace tv
