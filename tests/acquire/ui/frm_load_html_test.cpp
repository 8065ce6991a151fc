// The loader window offscreen against a loopback listing site.
#include "acquire/ui/frm_load_html.h"

#include <filesystem>

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "acquire/span_parser.h"
#include "core/app_paths.h"
#include "core/proc_settings.h"
#include "support/fakes.h"
#include "support/http_test_server.h"
#include "support/temp_dir.h"
#include "platform/ui/qt_text.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

class LoadWindow : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = ProcSettings;
        savedProgramDir_ = ProgramDir();
        SetProgramDir(prog_.str());
        ProcSettings = TProcSettings{};
        ProcSettings.WorkDir = work_.str();
        ProcSettings.OutDir = out_.str();
        ProcSettings.Site = {"listing.test", "pics.test"};
        srv_.route("GET", "/seek/cache_details.aspx", [](const httplib::Request& req, httplib::Response& res) {
            auto wp = req.get_param_value("wp");
            if (wp == "GC2") {
                res.status = 404;
                return;
            }
            res.set_content("page of " + wp, "text/html");
        });
        srv_.start();
        ProcSettings.UseProxy = true;
        ProcSettings.ProxyServer = "127.0.0.1:" + std::to_string(srv_.port());
    }
    void TearDown() override {
        ProcSettings = saved_;
        SetProgramDir(savedProgramDir_);
    }

    platform::ScopedFakes fakes_;
    tvtest::TempDir prog_, work_, out_;
    TProcSettings saved_;
    std::string savedProgramDir_;
    tvtest::HttpTestServer srv_;
};

TEST_F(LoadWindow, BatchRunClosesItselfWithStateAndErrorFlag) {
    work_.write("WPList.txt", "GC1\r\n GC2 \r\n\r\n");
    TfrmLoadHTML w;
    w.Unattended = true;
    w.show();
    EXPECT_EQ(w.StateByte, 0);
    w.AutoLoadTimer();
    EXPECT_EQ(w.StateByte, 2);
    EXPECT_TRUE(w.ErrorFlag());
    EXPECT_EQ(w.result(), 1);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(tvtest::ReadFileBytes(out_.path() / "GC1.html"), "page of GC1\r\n");
    EXPECT_FALSE(fs::exists(out_.path() / "GC2.html"));
    EXPECT_TRUE(w.mmProt->toPlainText().contains("Fehler beim Laden von GC2"));
    EXPECT_TRUE(fakes_.messages.shown.empty());
    // Closing stored the options.
    EXPECT_NE(tvtest::ReadFileBytes(prog_.path() / "tq.conf").find("LoadSaveOpts=1"), std::string::npos);

    // The next showing starts clean.
    w.show();
    EXPECT_FALSE(w.ErrorFlag());
    EXPECT_EQ(w.lblError->text(), "0");
    w.done(1);
}

TEST_F(LoadWindow, AbortButtonAsksAndStopsAfterTheCurrentCache) {
    work_.write("WPList.txt", "GC1\r\nGC3\r\nGC4\r\n");
    TfrmLoadHTML w;
    w.show();
    w.cbLoadMap->setChecked(false);
    fakes_.messages.answers.push_back(platform::MsgResult::Yes);
    fakes_.pump.onPump = [&] {
        if (w.CurrentWaypoint() == "GC1" && w.btnAbort->isEnabled()) w.btnAbortClick();
    };
    w.btnLoadClick();
    fakes_.pump.onPump = nullptr;
    ASSERT_EQ(fakes_.messages.shown.size(), 1u);
    EXPECT_NE(fakes_.messages.shown[0].text.find("der Cache GC1, der momentan geladen wird"), std::string::npos);
    EXPECT_EQ(srv_.requestsTo("/seek/cache_details.aspx").size(), 1u);
    w.btnOKClick();
    EXPECT_EQ(w.result(), 2);
}

}  // namespace
}  // namespace tv
