#include "pages/description_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/html_escape.h"
#include "core/proc_settings.h"
#include "core/settings_file.h"
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
    std::vector<std::string> Texts() {
        std::vector<std::string> t;
        for (const auto& s : fakes.messages.shown) t.push_back(s.text);
        return t;
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

TEST_F(DescriptionRunTest, MissingTemplateWritesNothing) {
    out.write("GC1.html", StoredPage("eins"));
    ProcSettings.ShowMessages = true;
    for (const std::string& missing : {prog.str() + "nope.html", std::string()}) {
        if (missing.empty()) fs::remove(prog.path() / "template.html");  // the setting's file is gone too
        DescriptionRunRequest rq;
        rq.waypoints = {"GC1"};
        rq.templateFile = missing;
        fakes.messages.shown.clear();
        DescriptionRunReport r = RunDescriptions(rq, {[this](DescriptionGenerator&) { ++started; }, {}});
        EXPECT_TRUE(r.templateMissing);
        const std::string name = missing.empty() ? ProcSettings.Template : missing;
        ASSERT_EQ(Texts(), Codes{"Templatedatei nicht gefunden:\r\n" + name});
        EXPECT_EQ(fakes.messages.shown[0].kind, platform::MsgKind::Error);
    }
    EXPECT_EQ(started, 0);
    EXPECT_FALSE(fs::exists(out.path() / "GC1_converted.html"));
}

TEST_F(DescriptionRunTest, FolderOfStoredPages) {
    EXPECT_TRUE(CollectDescriptionWaypoints(out.str()).empty());
    for (const char* name : {"GC1.html", "GC1_converted.html", "GC2.HTML.bak", "GC9.html", "gc3.HTML", "GC4_x.html",
                             "GC1.x.html", "notes.html"})
        out.write(name, StoredPage(std::string("aus ") + name));
    const Codes codes = CollectDescriptionWaypoints(out.str());
    EXPECT_EQ(codes, (Codes{"GC1", "gc3"}));
    EXPECT_EQ(FolderCountText(1), W("Das Ausgabeverzeichnis enthält 1 Cachebeschreibung."));
    EXPECT_EQ(FolderCountText(2), W("Das Ausgabeverzeichnis enthält 2 Cachebeschreibungen."));
    EXPECT_EQ(FolderCountText(0), W("Das Ausgabeverzeichnis enthält 0 Cachebeschreibungen."));

    // The code keeps the file's case; the stored page is found regardless.
    DescriptionRunReport r = Run(codes);
    EXPECT_EQ(r.result.converted, 2);
    EXPECT_EQ(out.read("gc3_converted.html"), html::WithPagePolicy("<html>\r\nGC3|aus gc3.HTML\r\n</html>\r\n"));
}

TEST_F(DescriptionRunTest, WorkListFile) {
    Codes codes{"x"};
    EXPECT_FALSE(LoadWorkList(work.str(), codes));
    EXPECT_TRUE(codes.empty());
    work.write("WPList.txt", " GC1 \r\n\r\n..\\GC2\r\n*\r\nGC3\n");
    ASSERT_TRUE(LoadWorkList(work.str(), codes));
    EXPECT_EQ(codes, (Codes{"GC1", "..\\GC2", "*", "GC3"}));
    EXPECT_EQ(WorkListCountText(1), W("Die Arbeitsliste enthält 1 Wegpunkt."));
    EXPECT_EQ(WorkListCountText(4), W("Die Arbeitsliste enthält 4 Wegpunkte."));

    // Codes that could leave the folder are passed over.
    out.write("GC1.html", StoredPage("eins"));
    DescriptionRunReport r = Run(codes);
    EXPECT_EQ(r.result.converted, 1);
    EXPECT_EQ(r.result.skipped, 3);
    EXPECT_EQ(labels[1], W("Überspringe ..\\GC2"));
    EXPECT_EQ(labels[2], W("Überspringe *"));
}

TEST_F(DescriptionRunTest, RemovedContentAndTimerRuns) {
    out.write("GC1.html", StoredPage("a <img src=\"http://x/1.jpg\"> b <IMG SRC=2.jpg>"));
    out.write("GC2.html", StoredPage("c <a href=\"http://x/\">link</a>"));
    out.write("GC3.html", StoredPage("nichts"));
    ProcSettings.ShowMessages = true;

    // Started by the timer: neither the end box nor the warning.
    DescriptionRunReport r = Run({"GC1", "GC2", "GC3"}, false, true);
    EXPECT_EQ(r.result.converted, 3);
    EXPECT_EQ(r.result.removedContent, "GC1(2/0), GC2(0/1)");
    EXPECT_TRUE(fakes.messages.shown.empty());

    // The next run by hand shows both again.
    r = Run({"GC1", "GC2", "GC3"});
    ASSERT_EQ(fakes.messages.shown.size(), 2u);
    EXPECT_EQ(fakes.messages.shown[0].text, W("3 Cachebeschreibungen konvertiert,\r\n0 Caches übersprungen."));
    EXPECT_EQ(fakes.messages.shown[1].kind, platform::MsgKind::Warning);
    EXPECT_EQ(fakes.messages.shown[1].text,
              W("Achtung! Aus folgender/folgenden Cachebeschreibung(en) wurden auf externen Webservern liegende "
                "Images bzw. Links auf externe Server entfernt. Bitte vor der Suche die Cachebeschreibungen "
                "durchlesen:\r\n\r\nGC1(2/0), GC2(0/1)"));

    // Without ShowMessages the warning still comes, the end box does not.
    ProcSettings.ShowMessages = false;
    fakes.messages.shown.clear();
    Run({"GC1"});
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].kind, platform::MsgKind::Warning);
}

TEST_F(DescriptionRunTest, CancelPassesOverTheRest) {
    for (const char* wp : {"GC1", "GC2", "GC3"}) out.write(std::string(wp) + ".html", StoredPage(wp));
    ProcSettings.ShowMessages = true;
    cancelAfterFirst = true;
    DescriptionRunReport r = Run({"GC1", "GC2", "GC3"});
    EXPECT_EQ(r.result.converted, 1);
    EXPECT_EQ(r.result.skipped, 0);
    EXPECT_TRUE(r.result.cancelled);
    EXPECT_EQ(progressIndexes, (std::vector<int>{0, 1, 2}));  // the bar still reaches the end
    EXPECT_TRUE(fs::exists(out.path() / "GC1_converted.html"));
    EXPECT_FALSE(fs::exists(out.path() / "GC2_converted.html"));
    EXPECT_EQ(Texts(), Codes{W("1 Cachebeschreibungen konvertiert,\r\n0 Caches übersprungen.")});
}

TEST_F(DescriptionRunTest, AWriteErrorKeepsTheRunGoing) {
    for (const char* wp : {"GC1", "GC2", "GC3"}) out.write(std::string(wp) + ".html", StoredPage(wp));
    fs::create_directory(out.path() / "GC2_converted.html");  // cannot be replaced by a file
    ProcSettings.ShowMessages = true;
    DescriptionRunReport r = Run({"GC1", "GC2", "GC3"});
    EXPECT_EQ(r.result.converted, 2);
    EXPECT_EQ(r.result.failed, 1);
    EXPECT_TRUE(fs::exists(out.path() / "GC3_converted.html"));
    ASSERT_EQ(fakes.messages.shown.size(), 2u);
    EXPECT_EQ(fakes.messages.shown[1].kind, platform::MsgKind::Error);
    EXPECT_EQ(fakes.messages.shown[1].text, "Fehler beim Schreiben der Datei " + out.str() + "GC2_converted.html");
}

TEST_F(DescriptionRunTest, OptionsRoundTrip) {
    DescrWindowOptions o;
    ReadDescrOptions(o, "/t/template.html");
    DescrWindowOptions expected;
    expected.templateFile = "/t/template.html";  // empty: the setting's template
    EXPECT_EQ(o, expected);

    DescrWindowOptions c;
    c.descr.keepOld = true;
    c.descr.logs = false;
    c.descr.maxLogs = "15";
    c.descr.boldLogs = false;
    c.descr.cacheImages = false;
    c.descr.imageKind = 0;
    c.descr.hints = kHintsWhite;
    c.descr.resizeMap = 2;
    c.descr.clean = CleanFlags{false, false, false, false, false, false, true, true, true};
    c.descr.mapOrder = {"MapQuest", "MultiMap", "MapPoint", "Stadtplandienst (Karte)", "Stadtplandienst (Luftbild)"};
    c.templateFile = W("/mein/Vorlage ä.html");
    c.home = 3;
    ASSERT_TRUE(WriteDescrOptions(c));
    DescrWindowOptions back;
    ReadDescrOptions(back, "/t/template.html");
    EXPECT_EQ(back, c);
    EXPECT_EQ(IniFile().readString("Program", "CrMapOrder0"), "MapQuest");
    EXPECT_EQ(IniFile().readString("Program", "CrDescRmAll"), "1");
    EXPECT_EQ(IniFile().readSection("Program").size(), 25u);

    // Saving off: only the switch.
    fs::remove(SettingsFilePath());
    c.saveOptions = false;
    ASSERT_TRUE(WriteDescrOptions(c));
    EXPECT_EQ(prog.read("tq.conf"), "[Program]\r\nCrDescSaveOpts=0\r\n");
    DescrWindowOptions off;
    ReadDescrOptions(off, "/t/template.html");
    EXPECT_FALSE(off.saveOptions);
    EXPECT_TRUE(off.templateFile.empty());

    // Damaged values: items back to the first one, a map list that is not the
    // five sources is not taken.
    prog.write("tq.conf",
               "[Program]\r\nCrDescImageKind=5\r\nCrDescHints=-1\r\nCrDescResize=3\r\nCrDescHome=-2\r\n"
               "CrMapOrder0=MapQuest\r\nCrMapOrder1=MapQuest\r\nCrMapOrder2=\r\n");
    DescrWindowOptions bad;
    ReadDescrOptions(bad, "");
    EXPECT_EQ(bad.descr.imageKind, 0);
    EXPECT_EQ(bad.descr.hints, 0);
    EXPECT_EQ(bad.descr.resizeMap, 0);
    EXPECT_EQ(bad.home, 0);
    EXPECT_EQ(bad.descr.mapOrder, DefaultMapOrder());
}

TEST_F(DescriptionRunTest, HomesAndMapOrder) {
    ProcSettings.HomeLat = 49.5;
    ProcSettings.HomeLong = 10.75;
    ProcSettings.AddHomeTxt = {W("Büro"), "Kaputt"};
    ProcSettings.AddHomeLat = {"48.5", "x"};
    ProcSettings.AddHomeLon = {"8.25", "1"};
    auto h = DescriptionHomeFor(ProcSettings, 1);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->name, W("Büro"));
    EXPECT_EQ(h->lat, 48.5);
    EXPECT_EQ(h->lon, 8.25);
    EXPECT_FALSE(DescriptionHomeFor(ProcSettings, 2));
    for (int item : {0, 3, -1}) {
        h = DescriptionHomeFor(ProcSettings, item);
        ASSERT_TRUE(h);
        EXPECT_EQ(h->name, "HOME");
        EXPECT_EQ(h->lat, 49.5);
    }

    Codes order = DefaultMapOrder();
    EXPECT_EQ(MoveMapUp(order, 0), 0);
    EXPECT_EQ(MoveMapDown(order, 4), 4);
    EXPECT_EQ(order, DefaultMapOrder());
    EXPECT_EQ(MoveMapUp(order, 4), 3);
    EXPECT_EQ(MoveMapUp(order, 3), 2);
    EXPECT_EQ(MoveMapDown(order, 0), 1);
    EXPECT_EQ(order,
              (Codes{"MapPoint", "MultiMap", "MapQuest", "Stadtplandienst (Karte)", "Stadtplandienst (Luftbild)"}));
    EXPECT_EQ(MoveMapDown(order, -1), -1);
    EXPECT_EQ(MoveMapUp(order, 9), 9);
}

}  // namespace
}  // namespace tv
