// The main window's export items reach the export window: the list export
// as it is, the folder export with the rows of the list in their order.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "core/cache_db.h"
#include "core/settings_file.h"
#include "exchange/ui/frm_gpx_exp.h"
#include "platform/ui/modal_result.h"
#include "shell/ui/app_windows.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/main_wiring.h"
#include "support/fakes.h"
#include "support/records.h"
#include "support/started_program.h"
#include "support/ui/fake_modal_host.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

TEST(ExportMenus, ListAndFolderExportsOpenTheExportWindow) {
    tvtest::TempDir dir;
    platform::ScopedFakes fakes;
    platform::ScopedFakeModalHost modal;
    tvtest::StartedProgram program(dir.str() + "prog");
    ASSERT_TRUE(WriteSettingStr("WorkDir", dir.str() + "work"));
    ASSERT_TRUE(WriteSettingStr("OutDir", dir.str() + "out"));
    fs::create_directories(dir.path() / "work");
    for (const char* code : {"GC2", "GC1", "GC3"}) dir.write(std::string("out/") + code + "_converted.html", "page");
    tvtest::WriteCaches(dir,
                        {tvtest::CacheRecord("GC2", "", 48, 8), tvtest::CacheRecord("GC1", "", 48, 8),
                         tvtest::CacheRecord("GC3", "", 48, 8)},
                        "work/Caches.bin");
    CacheIndexList.Clear();

    AppWindows windows;
    MainWiring wiring(windows);
    TfrmMain* main = windows.frmMain();
    main->show();
    main->Timer1->stop();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    main->lvCachesColumnClick(0);
    if (main->Sort.descending) main->lvCachesColumnClick(0);
    auto* w = windows.get<TfrmGPXExp>(Win::frmGPXExp);
    ASSERT_NE(w, nullptr);

    main->menus.mnuExport->trigger();
    fakes.files.saveAnswers.push_back(dir.str() + "folder.gpx");
    modal.host.script.push_back([&](QDialog&) {
        EXPECT_EQ(w->DirListFile, dir.str() + "work/dirlist.txt");
        EXPECT_TRUE(w->gbDirExport->isVisible());
        EXPECT_FALSE(w->gbWhat->isVisible());
        w->rgFormat->button(kFmtGpx)->click();
        w->OK->click();
        return mrOk;
    });
    main->menus.mnuExportDir->trigger();
    EXPECT_EQ(modal.host.shown, (std::vector<std::string>{"frmGPXExp", "frmGPXExp"}));
    EXPECT_FALSE(w->gbWhat->isHidden());
    EXPECT_EQ(dir.read("work/dirlist.txt"), "GC1\r\nGC2\r\nGC3\r\n");
    const std::string gpx = dir.read("folder.gpx");
    EXPECT_LT(gpx.find("GC1"), gpx.find("GC2"));
    EXPECT_LT(gpx.find("GC2"), gpx.find("GC3"));
    EXPECT_TRUE(w->DirListFile.empty());
    main->hide();
}

}  // namespace
}  // namespace tv
