// The converter window, the "Load from URL" window and the dormant loader,
// offscreen.
#include <gtest/gtest.h>
#include <QLabel>


#include "acquire/ui/frm_gcdb_reader.h"
#include "acquire/ui/frm_load_url.h"
#include "core/proc_settings.h"
#include "support/fakes.h"
#include "support/http_test_server.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

std::string Lines(int from, int count) {
    std::string s;
    for (int i = from; i < from + count; ++i)
        s += std::to_string(i) + " \"C\" 2004 7 3 48.0 " + std::to_string(8.0 + i * 0.001) +
             " \"Traditional Cache\" \"Regular\" GC" + std::to_string(i) + " x 1 1\r\n";
    return s;
}

class CacheDbWindows : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = ProcSettings;
        ProcSettings = TProcSettings{};
        ProcSettings.WorkDir = work_.str();
    }
    void TearDown() override { ProcSettings = saved_; }
    tvtest::TempDir work_;
    platform::ScopedFakes fakes_;
    TProcSettings saved_;
};

TEST_F(CacheDbWindows, ConverterWindowFollowsTheWork) {
    TfrmGCDBReader w;
    const std::string src = work_.write("germany.txt", Lines(1, 250)).string();
    const std::string dest = work_.str() + "Caches.bin";
    w.SetSourceName(src);
    w.SetDestName(dest);
    w.show();
    EXPECT_EQ(w.ConverteHTTP(true), 250);
    EXPECT_EQ(w.lblAnz->text(), QStringLiteral("250"));
    EXPECT_EQ(w.GetNewCount(), 0);

    // A merge with ShowNearest: Yes hands the nearest new cache to the details window.
    std::vector<std::string> shown;
    w.showDetails = [&](const TCacheRec& r) { shown.push_back(r.Waypoint.str()); };
    ProcSettings.HomeLat = 48.0;
    ProcSettings.HomeLong = 8.3;
    w.SetSourceName(work_.write("austria.txt", Lines(240, 100)).string());
    fakes_.messages.answers = {platform::MsgResult::Yes};
    EXPECT_EQ(w.ConverteHTTP(true), 100);
    EXPECT_EQ(w.GetNewCount(), 89);
    EXPECT_EQ(shown, std::vector<std::string>{"GC300"});
}

}  // namespace
}  // namespace tv
