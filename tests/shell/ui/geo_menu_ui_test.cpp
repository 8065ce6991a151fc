// The main window's map and coordinate items reach their windows, and the
// windows' results reach the browser and the settings file.
#include "shell/ui/geo_menu.h"

#include <QAction>
#include <QButtonGroup>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>

#include <gtest/gtest.h>

#include "core/cache_db.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
#include "geo/ui/frm_gm_link.h"
#include "geo/ui/frm_google_maps.h"
#include "geo/ui/frm_google_show.h"
#include "platform/ui/qt_text.h"
#include "shell/ui/app_windows.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/main_cache_list.h"
#include "shell/ui/main_wiring.h"
#include "support/fakes.h"
#include "support/records.h"
#include "support/started_program.h"
#include "support/temp_dir.h"
#include "support/ui/fake_modal_host.h"

namespace tv {
namespace {

class GeoMenuUi : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = std::make_unique<tvtest::StartedProgram>(dir.str() + "prog");
        ASSERT_TRUE(WriteSettingStr("WorkDir", dir.str() + "work"));
        ASSERT_TRUE(WriteSettingStr("OutDir", dir.str() + "out"));
        std::filesystem::create_directories(dir.path() / "work");
        tvtest::WriteCaches(dir, {tvtest::CacheRecord("GC1", "Eins", 48, 9), tvtest::CacheRecord("GC2", "Zwei", 48.5, 8)},
                            "work/Caches.bin");
        for (const char* code : {"GC1", "GC2"}) dir.write(std::string("out/") + code + "_converted.html", "page");
        CacheIndexList.Clear();
        windows = std::make_unique<AppWindows>();
        wiring = std::make_unique<MainWiring>(*windows);
        main = windows->frmMain();
        main->show();
        main->Timer1->stop();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    }
    void TearDown() override {
        main->hide();
        wiring.reset();
        windows.reset();
        program_.reset();
    }
    // The next modal window runs `step` on itself as class T.
    template <typename T>
    void Next(std::function<void(T&)> step) {
        modal.host.script.push_back([step](QDialog& d) {
            auto* w = qobject_cast<T*>(&d);
            EXPECT_NE(w, nullptr) << d.objectName().toStdString();
            if (w) step(*w);
            return d.result();
        });
    }

    tvtest::TempDir dir;
    platform::ScopedFakes fakes;
    platform::ScopedFakeModalHost modal;
    std::unique_ptr<AppWindows> windows;
    std::unique_ptr<MainWiring> wiring;
    TfrmMain* main = nullptr;

private:
    std::unique_ptr<tvtest::StartedProgram> program_;
};

TEST_F(GeoMenuUi, OneCacheOnTheMapFromThePopUpAndTheQuickInfo) {
    main->menus.mnuShowInGoogleMaps->trigger();
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].text, "Bitte zuerst einen Cache markieren.");

    main->lvCaches->topLevelItem(1)->setSelected(true);
    const std::string caption = FromQ(main->lvCaches->topLevelItem(1)->text(0));
    Next<TfrmGoogleShow>([](TfrmGoogleShow& w) { w.btnShow->click(); });
    main->menus.mnuShowInGoogleMaps->trigger();
    ASSERT_EQ(fakes.shell.opened.size(), 1u);
    EXPECT_NE(fakes.shell.opened[0].find(caption == "GC2" ? "q=48.500000+8.000000" : "q=48.000000+9.000000"),
              std::string::npos);

    main->edWaypoint->setText("GC2");
    main->btnQuickClick();
    Next<TfrmGoogleShow>([](TfrmGoogleShow& w) { w.btnCancel->click(); });
    main->btnShowInMapClick();
    EXPECT_EQ(fakes.shell.opened.size(), 1u);  // cancelled
    Next<TfrmGoogleShow>([](TfrmGoogleShow& w) { w.btnShow->click(); });
    main->btnShowInMapClick();
    ASSERT_EQ(fakes.shell.opened.size(), 2u);
    EXPECT_NE(fakes.shell.opened[1].find("q=48.500000+8.000000"), std::string::npos);
}

TEST_F(GeoMenuUi, PageOfTheFolderAndTheOtherTools) {
    const std::string work = dir.str() + "work/";
    Next<TfrmGoogleMaps>([](TfrmGoogleMaps& w) {
        w.rgWhich->button(2)->click();
        w.BitBtn1->click();
    });
    main->menus.mnuGoogleMapsList->trigger();
    const std::string dirlist = tvtest::ReadFileBytes(work + "dirlist.txt");
    EXPECT_TRUE(dirlist == "GC1\r\nGC2\r\n" || dirlist == "GC2\r\nGC1\r\n") << dirlist;
    ASSERT_EQ(fakes.shell.opened.size(), 1u);
    EXPECT_EQ(fakes.shell.opened[0], work + "gmshow.html");
    EXPECT_NE(tvtest::ReadFileBytes(work + "gmshow.html").find("gew&auml;hlten Ausgabeverzeichnis"),
              std::string::npos);

    main->menus.mnuUTM->trigger();
    EXPECT_EQ(modal.host.shown.back(), "frmUTM");

    // A home taken from a link is in tq.conf at once.
    ProcSettings.AddHomeLat = {"1.00000"};
    ProcSettings.AddHomeLon = {"2.00000"};
    ProcSettings.AddHomeTxt = {"Urlaub"};
    Next<TfrmGMLink>([](TfrmGMLink& w) {
        w.edURL->setText("http://maps.google.de/maps?f=q&ll=48.137,11.575&spn=0.01");
        w.btnCoordSave->click();
    });
    main->menus.mnuGMLink->trigger();
    EXPECT_EQ(ReadSettingStr("AddHomeTxt1"), "Urlaub");
    EXPECT_DOUBLE_EQ(ReadSettingFloat("AddHomeLat1"), 48.137);
    EXPECT_DOUBLE_EQ(ReadSettingFloat("AddHomeLon1"), 11.575);
}

}  // namespace
}  // namespace tv
