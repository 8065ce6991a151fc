// The description window offscreen, with the platform fakes and the scripted
// modal host: runs over the work list and the folder, the auto-start timer
// and the state byte, cancel, and the options in the settings.
#include <gtest/gtest.h>
#include <QPushButton>

#include <filesystem>
#include <string>
#include <vector>

#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/html_escape.h"
#include "core/proc_settings.h"
#include "pages/description_run.h"
#include "pages/ui/frm_create_descr.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "platform/ui/modal_host.h"
#include "support/ui/fake_modal_host.h"
#include "platform/ui/qt_text.h"
#include "support/temp_dir.h"
#include "support/ui/wait_closed.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using Codes = std::vector<std::string>;

std::string StoredPage(const std::string& longDescription) {
    return "<html><body>\r\n<span id=\"LongDescription\">" + longDescription + "</span>\r\n</body></html>\r\n";
}

using tvtest::WaitUntilClosed;

class CreateDescrWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramDir(prog.str());
        ProcSettings = TProcSettings{};
        ProcSettings.WorkDir = work.str();
        ProcSettings.OutDir = out.str();
        ProcSettings.Template = prog.str() + "template.html";
        ProcSettings.ShowMessages = true;
        prog.write("template.html", "<!-- #WAYPOINTNAME# -->:<!-- #LONGDESCRIPTION# -->\r\n");
        CacheIndexList.Clear();
        std::vector<TCacheRec> recs;
        for (const char* wp : {"GC1", "GC2", "GC3"}) {
            TCacheRec r;
            r.Waypoint = wp;
            recs.push_back(r);
        }
        work.write("Caches.bin", EncodeCacheRecs(recs));
        work.write("WPList.txt", "GC1\r\nGC2\r\nGC3\r\n");
        out.write("GC1.html", StoredPage("eins <img src=a.jpg>"));
        out.write("GC2.html", StoredPage("zwei"));
    }
    void TearDown() override {
        CacheIndexList.Clear();
        ProcSettings = TProcSettings{};
    }
    int exec(QDialog& d, platform::FakeModalHost::Step step) {
        modal.host.script.push_back(std::move(step));
        return platform::modalHost().exec(d, nullptr);
    }

    tvtest::TempDir prog, work, out;
    platform::ScopedFakes fakes;
    platform::ScopedFakeModalHost modal;
};

TEST_F(CreateDescrWindowTest, RunOverTheWorkList) {
    TfrmCreateDescr w;
    EXPECT_EQ(frmCreateDescr, &w);
    EXPECT_EQ(w.State, 0);
    std::vector<int> states;
    fakes.pump.onPump = [&] { states.push_back(w.State); };
    const int result = exec(w, [&](QDialog&) {
        EXPECT_EQ(w.WaypointList, (Codes{"GC1", "GC2", "GC3"}));
        w.btnStart->click();
        EXPECT_FALSE(w.isVisible());
        return 0;
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(w.State, 2);
    EXPECT_FALSE(states.empty());
    for (int s : states) EXPECT_EQ(s, 1);
    EXPECT_EQ(out.read("GC1_converted.html"), html::WithPagePolicy("GC1:eins \r\n"));
    EXPECT_EQ(out.read("GC2_converted.html"), html::WithPagePolicy("GC2:zwei\r\n"));
    EXPECT_EQ(w.RemovedContentList, "GC1(1/0)");
    EXPECT_EQ(fakes.messages.texts(), (Codes{W("2 Cachebeschreibungen konvertiert,\r\n1 Caches übersprungen."),
                              RemovedContentWarning("GC1(1/0)")}));
}

}  // namespace
}  // namespace tv
