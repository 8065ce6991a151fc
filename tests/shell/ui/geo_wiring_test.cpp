// The route search and the map as the started program reaches them: the menu
// item, the details window from the route and the quick-info map button
// with the online map.
#include "shell/ui/geo_wiring.h"

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <memory>

#include "core/cache_db.h"
#include "core/proc_settings.h"
#include "geo/ui/frm_google_show.h"
#include "geo/ui/frm_map.h"
#include "geo/ui/frm_route.h"
#include "pages/ui/frm_cache_details.h"
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

class GeoWiring : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = std::make_unique<tvtest::StartedProgram>(dir.str() + "prog");
        ProcSettings.WorkDir = dir.str() + "work/";  // as the main window's first showing loads it
        tvtest::WriteCaches(dir, {tvtest::CacheRecord("GC1", "Eins", 48.01, 11.0),
                                  tvtest::CacheRecord("GC2", "Zwei", 50.0, 8.0)},
                            "work/Caches.bin");
        CacheIndexList.Clear();
        windows = std::make_unique<AppWindows>();
        wiring = std::make_unique<MainWiring>(*windows);
        main = windows->frmMain();
        main->Timer1->stop();
    }
    void TearDown() override {
        wiring.reset();
        windows.reset();
        program_.reset();
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

TEST_F(GeoWiring, RouteMenuDetailsAndTheWorkListQuestion) {
    ASSERT_TRUE(main->menus.mnuRoute->isEnabled());
    fakes.messages.answers = {platform::MsgResult::No};
    modal.host.script.push_back([&](QDialog& d) {
        auto& w = static_cast<TfrmRoute&>(d);
        EXPECT_EQ(w.RouteIndexEntries().size(), 2u);
        w.ShowCacheDetails(tvtest::CacheRecord("GC1"), w);
        return int(mrOk);  // as after writing the work list
    });
    modal.host.script.push_back([&](QDialog& d) {
        auto& details = static_cast<TfrmCacheDetails&>(d);
        EXPECT_EQ(details.Cache.Waypoint, "GC1");
        EXPECT_FALSE(details.sbMinus->isHidden());
        return int(mrCancel);
    });
    main->menus.mnuRoute->trigger();
    EXPECT_EQ(modal.host.shown, (std::vector<std::string>{"frmRoute", "frmCacheDetails"}));
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].text.substr(0, 20), "Die Routenwegpunkte ");
}

TEST_F(GeoWiring, QuickInfoMapButtonOpensTheOnlineMapAndItsAddress) {
    ASSERT_TRUE(main->ShowInMap);
    main->edWaypoint->setText("gc2");
    main->btnQuickClick();
    ASSERT_TRUE(main->btnShowInMap->isEnabled());
    std::string url;
    modal.host.script.push_back([&](QDialog& d) {
        auto& show = static_cast<TfrmGoogleShow&>(d);
        EXPECT_EQ(show.lat, 50.0f);
        EXPECT_EQ(show.lon, 8.0f);
        show.btnShow->click();
        url = show.URL;
        return int(mrCancel);
    });
    main->btnShowInMap->click();
    EXPECT_EQ(modal.host.shown, (std::vector<std::string>{"frmGoogleShow"}));
    ASSERT_FALSE(url.empty());
    EXPECT_EQ(fakes.shell.opened, (std::vector<std::string>{url}));

    // Cancelled: no address opens.
    modal.host.script.push_back([](QDialog&) { return int(mrCancel); });
    main->btnShowInMap->click();
    EXPECT_EQ(fakes.shell.opened.size(), 1u);
}

}  // namespace
}  // namespace tv
