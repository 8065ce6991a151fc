// The index window offscreen, with the platform fakes and the scripted modal
// host: manual and timer-started runs, the state byte, the folder override,
// the question before writing elsewhere and the saved options.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QPushButton>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/html_escape.h"
#include "core/proc_settings.h"
#include "pages/index_page.h"
#include "pages/ui/frm_index.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/qt_text.h"
#include "support/fakes.h"
#include "support/records.h"
#include "support/temp_dir.h"
#include "support/ui/fake_modal_host.h"
#include "support/ui/wait_closed.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

using tvtest::WaitUntilClosed;

class IndexWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramDir(prog.str());
        ProcSettings = TProcSettings{};
        ProcSettings.WorkDir = work.str();
        ProcSettings.OutDir = out.str();
        ProcSettings.HomeLat = 48.0;
        ProcSettings.HomeLong = 8.0;
        CacheIndexList.Clear();
        tvtest::WriteCaches(work,
                            {tvtest::CacheRecord("GC1", "Eins", 48.2, 8), tvtest::CacheRecord("GC2", "Zwei", 48.1, 8),
                             tvtest::CacheRecord("GC3", "Drei", 48.3, 8)});
        for (const char* name : {"GC1.html", "GC1_converted.html", "GC2_converted.html", "GC3_converted.html"})
            out.write(name, "x");
    }
    void TearDown() override {
        CacheIndexList.Clear();
        ProcSettings = TProcSettings{};
    }
    int exec(QDialog& d, platform::FakeModalHost::Step step) {
        modal.host.script.push_back(std::move(step));
        return platform::modalHost().exec(d, nullptr);
    }
    // What the window must have written for these options.
    std::string Expected(const std::string& folder, const IndexOptions& o) {
        IndexPageParams p;
        p.codes = ListConvertedCodes(folder);
        p.options = o;
        p.home = IndexHomeFor(ProcSettings, o.home);
        return RenderIndexPage(p);
    }

    tvtest::TempDir prog, work, out;
    platform::ScopedFakes fakes;
    platform::ScopedFakeModalHost modal;
};

TEST_F(IndexWindowTest, ManualRunWritesOpensAndCloses) {
    TfrmIndex w;
    EXPECT_EQ(frmIndex, &w);
    EXPECT_EQ(w.State, 0);
    int stateDuringShow = -1;
    const int result = exec(w, [&](QDialog&) {
        stateDuringShow = w.State;
        EXPECT_EQ(w.DescriptionList, (std::vector<std::string>{"GC1", "GC2", "GC3"}));
        w.rgSort->button(kSortName)->click();
        w.btnOK->click();
        return 0;
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(stateDuringShow, 0);
    EXPECT_EQ(w.State, 2);
    IndexOptions o;
    o.sort = kSortName;
    o.fileName = out.str() + "index.html";
    EXPECT_EQ(out.read("index.html"), html::WithPagePolicy(Expected(out.str(), o)));
    EXPECT_EQ(fakes.shell.opened, std::vector<std::string>{out.str() + "index.html"});
    EXPECT_TRUE(fakes.messages.shown.empty());

    // Shown again: the options came back.
    exec(w, [&](QDialog&) {
        EXPECT_EQ(w.rgSort->checkedId(), kSortName);
        w.btnCancel->click();
        return 0;
    });
    EXPECT_EQ(w.State, 2);
}

}  // namespace
}  // namespace tv
