// The registry of long-lived windows wired together: the main list reaches
// the details window and the status bar the database.
#include "shell/ui/app_windows.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

#include "core/ini_file.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "support/fakes.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/main_cache_list.h"
#include "shell/ui/main_wiring.h"
#include "pages/ui/frm_cache_details.h"
#include "platform/ui/modal_host.h"
#include "support/ui/fake_modal_host.h"
#include "core/cache_db.h"
#include "shell/ui/frm_name_search.h"
#include "shell/ui/frm_wait.h"
#include "support/records.h"
#include "support/started_program.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

class AppWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = std::make_unique<tvtest::StartedProgram>(dir.str());
    }
    void TearDown() override { program_.reset(); }
    tvtest::TempDir dir;
    platform::ScopedFakes fakes;

private:
    std::unique_ptr<tvtest::StartedProgram> program_;
};

TEST_F(AppWindowsTest, WiringConnectsSettingsDatabaseCommandsAndDetails) {
    ASSERT_TRUE(WriteSettingStr("WorkDir", dir.str() + "work"));
    ASSERT_TRUE(WriteSettingStr("OutDir", dir.str() + "out"));
    std::filesystem::create_directories(dir.path() / "work");
    ASSERT_TRUE(WriteCacheFile(dir.str() + "work/Caches.bin", {tvtest::CacheRecord("GC1", "Erster", 48, 9)}).ok());
    dir.write("out/GC1_converted.html", "x");
    dir.write("out/GC2_converted.html", "x");
    CacheIndexList.Clear();

    platform::ScopedFakeModalHost modal;
    AppWindows windows;
    MainWiring wiring(windows);
    TfrmMain* main = windows.frmMain();
    main->show();
    main->Timer1->stop();

    auto* details = windows.get<TfrmCacheDetails>(Win::frmCacheDetails);
    ASSERT_NE(details, nullptr);
    std::string folderWhileShown;
    bool minusHidden = false, plusShown = false;
    modal.host.onExec = [&](QDialog&) {
        folderWhileShown = details->DescrFolder;
        minusHidden = details->sbMinus->isHidden();
        plusShown = !details->sbPlus->isHidden();
        return 2;
    };
    main->lvCaches->setCurrentItem(main->lvCaches->topLevelItem(0));
    main->lvCachesDblClick();
    EXPECT_EQ(modal.host.shown, (std::vector<std::string>{"frmCacheDetails"}));
    EXPECT_EQ(folderWhileShown, dir.str() + "out/");
    EXPECT_TRUE(details->DescrFolder.empty());
    EXPECT_TRUE(minusHidden);
    EXPECT_TRUE(plusShown);
    EXPECT_EQ(details->Cache.Name, "Erster");

    // The status bar comes from the database part.
    main->UpdateStatusBar();
    EXPECT_EQ(main->StatusPanel0->text().left(19), QString::fromUtf8("Stand der Cache-DB:"));
    main->hide();
    CacheIndexList.Clear();
    CacheIndexList.SetDir({});
}

}  // namespace
}  // namespace tv
