#include "pages/description_generator.h"

#include <ctime>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include "acquire/span_parser.h"
#include "core/addwp_db.h"
#include "core/cache_db.h"
#include "core/cache_rec.h"
#include "core/proc_settings.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "support/records.h"
#include "support/file_time.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

const char* const kWp = "GC1A2B3";

std::vector<std::string> ElementIds(const std::string& page) {
    std::vector<std::string> ids;
    htmlDocPtr doc = htmlReadMemory(page.data(), static_cast<int>(page.size()), "page.html", "windows-1252",
                                    HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                        HTML_PARSE_NONET);
    if (!doc) return ids;
    std::vector<xmlNodePtr> stack{xmlDocGetRootElement(doc)};
    while (!stack.empty()) {
        xmlNodePtr n = stack.back();
        stack.pop_back();
        for (; n; n = n->next) {
            if (n->type != XML_ELEMENT_NODE) continue;
            if (xmlChar* id = xmlGetProp(n, BAD_CAST "id")) {
                ids.emplace_back(reinterpret_cast<const char*>(id));
                xmlFree(id);
            }
            if (n->children) stack.push_back(n->children);
        }
    }
    xmlFreeDoc(doc);
    return ids;
}

// A work folder with the cache in the database, a buddy list, notes and an
// additional waypoint, and a description folder holding the stored page.
class GeneratorTest : public ::testing::Test {
protected:
    void SetUp() override {
        TCacheRec rec = tvtest::CacheRecord(kWp, W("Schöne Aussicht <am> Mühlberg"), 48.20575, 11.57612);
        rec.Id = 123456;
        rec.Hidden = *DayCountFromDate(2007, 11, 5);
        rec.CacheType = "TRADITIONAL CACHE";
        rec.Size = "Regular";
        rec.Difficulty = "2.5";
        rec.Terrain = "3";
        TCacheRec other = rec;
        other.Waypoint = "GC2";
        other.Name = "Ohne Seite";
        work.writeCaches({rec, other});

        TAddWPList points;
        points.AddWP("PK1A2B3",
                     tvtest::AddWPPoint(kWp, "PK1A2B3", 48.2, 11.57, "Parking Area", "Parkplatz & Wanderweg"));
        ASSERT_TRUE(SaveAddWaypoints(points, work.str() + "CacheWaypoints.bin"));

        work.write("Buddies.txt", W("Niemand\r\nEICHHÖRNCHEN\r\n"));
        work.write("Persinfo.txt", "[GC1A2B3]\r\nZ0=Stift mitnehmen\r\nZ1=\r\nZ2=<b>Dose</b> ist nass\r\n");

        for (const auto& e : fs::directory_iterator(tvtest::Fixture("pages/GC1A2B3")))
            fs::copy_file(e.path(), out.path() / e.path().filename());
        tvtest::SetLocalFileTime((out.path() / "GC1A2B3.html").string(), 2007, 11, 8, 20, 15);
        fakes.clock.time = platform::DateTime{2007, 11, 10, 18, 30, 5, 0};
    }

    DescriptionRunParams Params() {
        DescriptionRunParams p;
        p.waypoints = {kWp};
        p.templateText = LoadDescriptionTemplate(tvtest::ShippedData("template.html").string());
        p.options.maxLogs = "3";
        p.options.hints = kHintsRot13;
        p.options.resizeMap = 1;
        p.home = DescriptionHome{"HOME", 48.1, 11.5};
        p.outDir = out.str();
        p.workDir = work.str();
        p.site = {"gc.test", "img.gc.test"};
        p.mapquestBase = "http://mq.test";
        p.googleBase = "http://gm.test";
        return p;
    }

    platform::ScopedFakes fakes;
    tvtest::WorkFolder work;
    tvtest::TempDir out;
};

TEST_F(GeneratorTest, CompletePageMatchesGoldenFileAndParses) {
    DescriptionRunParams p = Params();
    ASSERT_FALSE(p.templateText.empty());
    DescriptionGenerator gen(std::move(p));
    const DescriptionRunResult r = gen.run();
    ASSERT_EQ(r.caches.size(), 1u);
    EXPECT_EQ(r.caches[0].outcome, DescriptionOutcome::Converted) << r.caches[0].error;
    EXPECT_EQ(r.converted, 1);
    EXPECT_EQ(r.removedContent, "GC1A2B3(1/1)");

    const std::string page = out.read("GC1A2B3_converted.html");
    const std::string golden = tvtest::ReadFileBytes(tvtest::Fixture("pages/GC1A2B3_converted.html"));
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(page, golden);

    const std::vector<std::string> ids = ElementIds(page);
    const std::set<std::string> found(ids.begin(), ids.end());
    for (const char* id : {"header", "cachename", "owner", "errortext", "coordupdate", "facts", "distance", "links",
                           "description", "map", "short-description", "long-description", "additional-waypoints",
                           "hints", "hint-text", "notes", "images", "log-summary", "logs", "footer"})
        EXPECT_EQ(found.count(id), 1u) << id;
    // Every id once: a value must not have broken the page's structure.
    EXPECT_EQ(ids.size(), found.size());
}

TEST_F(GeneratorTest, ShippedTemplateHoldsEveryPlaceholderAndTheEditorMarkersOnce) {
    const std::string t = tvtest::ReadFileBytes(tvtest::ShippedData("template.html").string());
    for (const auto& name : DescriptionPlaceholderNames()) EXPECT_NE(t.find(PlaceholderText(name)), std::string::npos) << name;
    for (const char* marker : {"<!-- Langbeschreibung Start -->", "<!-- Langbeschreibung Ende -->"}) {
        const auto first = t.find(marker);
        ASSERT_NE(first, std::string::npos);
        EXPECT_EQ(t.find(marker, first + 1), std::string::npos);
    }
    EXPECT_NE(t.find("charset=windows-1252"), std::string::npos);
    // Every line ends in CR LF.
    for (std::size_t i = 0; i < t.size(); ++i)
        if (t[i] == '\n') {
            ASSERT_TRUE(i > 0 && t[i - 1] == '\r') << i;
        }
}

TEST_F(GeneratorTest, WriteFailureAndUnsafeCodeAreReportedPerCacheAndTheRunGoesOn) {
    out.write("GC2.html", "<html><body></body></html>");
    out.write("sub/GC2.html", "<html><body></body></html>");
    fs::create_directory(out.path() / "GC1A2B3_converted.html");  // cannot be replaced by a file
    DescriptionRunParams p = Params();
    p.waypoints = {kWp, "GC2", "sub/GC2"};
    DescriptionGenerator gen(std::move(p));
    const DescriptionRunResult r = gen.run();
    ASSERT_EQ(r.caches.size(), 3u);
    EXPECT_NE(r.caches[2].outcome, DescriptionOutcome::Converted);
    DescriptionGenerator single(Params());
    EXPECT_EQ(single.generate("sub/GC2").outcome, DescriptionOutcome::Failed);
    EXPECT_FALSE(fs::exists(out.path() / "sub/GC2_converted.html"));
    EXPECT_EQ(r.caches[0].outcome, DescriptionOutcome::Failed);
    EXPECT_EQ(r.caches[0].error, "Fehler beim Schreiben der Datei " + out.str() + "GC1A2B3_converted.html");
    EXPECT_EQ(r.caches[1].outcome, DescriptionOutcome::Converted);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(r.converted, 1);
    EXPECT_TRUE(r.removedContent.empty());  // the failed page is not listed
}

}  // namespace
}  // namespace tv
