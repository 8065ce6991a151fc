#include "pages/description_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/html_escape.h"
#include "core/proc_settings.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using Codes = std::vector<std::string>;

std::string StoredPage(const std::string& longDescription) {
    return "<html><body>\r\n<span id=\"CacheName\">Name</span>\r\n<span id=\"LongDescription\">" + longDescription +
           "</span>\r\n</body></html>\r\n";
}

const char* const kTemplate = "<html>\r\n<!-- #WAYPOINTNAME# -->|<!-- #LONGDESCRIPTION# -->\r\n</html>\r\n";

// Program, work and description folders; GC1, GC2 and GC3 in the database.
class DescriptionRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramDir(prog.str());
        ProcSettings = TProcSettings{};
        ProcSettings.WorkDir = work.str();
        ProcSettings.OutDir = out.str();
        ProcSettings.Template = prog.str() + "template.html";
        prog.write("template.html", kTemplate);
        CacheIndexList.Clear();
        std::vector<TCacheRec> recs;
        for (const char* wp : {"GC1", "GC2", "GC3"})
            recs.push_back(tvtest::CacheRecord(wp, std::string("Cache ") + wp, 48.0, 8.0));
        tvtest::WriteCaches(work, recs);
    }
    void TearDown() override {
        CacheIndexList.Clear();
        ProcSettings = TProcSettings{};
    }

    DescriptionRunReport Run(Codes codes, bool keepOld = false, bool timer = false) {
        DescriptionRunRequest rq;
        rq.waypoints = std::move(codes);
        rq.options.keepOld = keepOld;
        rq.timerRun = timer;
        DescriptionRunEvents ev;
        ev.started = [this](DescriptionGenerator& g) {
            ++started;
            if (cancelAfterFirst) generator = &g;
        };
        ev.progress = [this](const DescriptionProgress& p) {
            progressIndexes.push_back(p.index);
            if (!p.text.empty()) labels.push_back(p.text);
            if (generator && p.index == 0) generator->cancel();  // "Abbrechen" while the first cache is made
        };
        DescriptionRunReport r = RunDescriptions(rq, ev);
        generator = nullptr;
        return r;
    }

    tvtest::TempDir prog, work, out;
    platform::ScopedFakes fakes;
    int started = 0;
    bool cancelAfterFirst = false;
    DescriptionGenerator* generator = nullptr;
    std::vector<int> progressIndexes;
    std::vector<std::string> labels;
};

TEST_F(DescriptionRunTest, WorkListRunWithSkipRules) {
    out.write("GC1.html", StoredPage("eins"));
    out.write("GC1_converted.html", "ALT");
    out.write("GC2.html", StoredPage("zwei"));
    ProcSettings.ShowMessages = true;

    DescriptionRunReport r = Run({"GC1", "GC2", "GC3"}, true);
    EXPECT_FALSE(r.templateMissing);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(r.result.converted, 1);
    EXPECT_EQ(r.result.skipped, 2);
    EXPECT_EQ(labels,
              (Codes{W("Überspringe GC1"), W("Erzeuge Beschreibung für GC2 (Cache 2 von 3)"), W("Überspringe GC3")}));
    EXPECT_EQ(out.read("GC1_converted.html"), "ALT");
    EXPECT_EQ(out.read("GC2_converted.html"), html::WithPagePolicy("<html>\r\nGC2|zwei\r\n</html>\r\n"));
    EXPECT_FALSE(fs::exists(out.path() / "GC3_converted.html"));
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].kind, platform::MsgKind::Information);
    EXPECT_EQ(fakes.messages.shown[0].text, W("1 Cachebeschreibungen konvertiert,\r\n2 Caches übersprungen."));

    r = Run({"GC1", "GC2", "GC3"}, false);
    EXPECT_EQ(r.result.converted, 2);
    EXPECT_EQ(r.result.skipped, 1);
    EXPECT_EQ(out.read("GC1_converted.html"), html::WithPagePolicy("<html>\r\nGC1|eins\r\n</html>\r\n"));
    EXPECT_EQ(fakes.messages.shown.back().text, W("2 Cachebeschreibungen konvertiert,\r\n1 Caches übersprungen."));
}

}  // namespace
}  // namespace tv
