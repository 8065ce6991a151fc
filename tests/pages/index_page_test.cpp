#include "pages/index_page.h"

#include <gtest/gtest.h>
#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/html_escape.h"
#include "core/proc_settings.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using Codes = std::vector<std::string>;

TCacheRec Cache(const char* wp, const std::string& name, int y, int m, int d, double lat, double lon, const char* type,
                const char* size, const char* diff, const char* terr) {
    TCacheRec r;
    r.Waypoint = wp;
    r.Name = name;
    r.Hidden = *DayCountFromDate(y, m, d);
    r.Lat = lat;
    r.Lon = lon;
    r.CacheType = type;
    r.Size = size;
    r.Difficulty = diff;
    r.Terrain = terr;
    return r;
}

// Compares with tests/fixtures/pages/index/<name>; TV_UPDATE_GOLDEN=1 rewrites
// the file instead (read every rewritten file in the diff).
void ExpectGolden(const std::string& page, const std::string& name) {
    const fs::path file = tvtest::Fixture("pages/index/" + name);
    if (std::getenv("TV_UPDATE_GOLDEN")) {
        std::ofstream(file, std::ios::binary) << page;
        return;
    }
    const std::string golden = tvtest::ReadFileBytes(file);
    ASSERT_FALSE(golden.empty()) << file;
    EXPECT_EQ(page, golden) << name;
}

// The link targets and the header-cell count of a page, read back by libxml2.
struct Parsed {
    std::vector<std::string> hrefs, targets;
    int headerCells = 0;
    std::string text;
};
Parsed Parse(const std::string& page) {
    Parsed p;
    htmlDocPtr doc = htmlReadMemory(page.data(), static_cast<int>(page.size()), "index.html", nullptr,
                                    HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    if (!doc) return p;
    // Document order, so that the links come as the rows are written.
    std::function<void(xmlNodePtr)> walk = [&](xmlNodePtr n) {
        for (; n; n = n->next) {
            if (n->type == XML_ELEMENT_NODE) {
                const std::string tag = reinterpret_cast<const char*>(n->name);
                if (tag == "a") {
                    xmlChar* h = xmlGetProp(n, BAD_CAST "href");
                    xmlChar* t = xmlGetProp(n, BAD_CAST "target");
                    p.hrefs.emplace_back(h ? reinterpret_cast<const char*>(h) : "");
                    p.targets.emplace_back(t ? reinterpret_cast<const char*>(t) : "");
                    xmlFree(h);
                    xmlFree(t);
                }
                if (tag == "td" && n->parent && xmlHasProp(n->parent, BAD_CAST "bgcolor")) ++p.headerCells;
            }
            walk(n->children);
        }
    };
    walk(xmlDocGetRootElement(doc));
    xmlChar* all = xmlNodeGetContent(xmlDocGetRootElement(doc));
    if (all) p.text = reinterpret_cast<const char*>(all);
    xmlFree(all);
    xmlFreeDoc(doc);
    return p;
}

// A work folder with a cache database of three caches and a description
// folder; the settings home is at N 48° 00.000 E 008° 00.000.
class IndexPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramDir(prog.str());
        ProcSettings = TProcSettings{};
        ProcSettings.WorkDir = work.str();
        ProcSettings.HomeLat = 48.0;
        ProcSettings.HomeLong = 8.0;
        CacheIndexList.Clear();
        // GC1AB: 2 Jan 2008, 10.2 km; GC2CD: 15 Jun 2007, 9.5 km; GC3EF: far away.
        work.write(
            "Caches.bin",
            EncodeCacheRecs({Cache("GC1AB", W("Schöne Aussicht"), 2008, 1, 2, 48.0917, 8.0, "TRADITIONAL CACHE",
                                   "Regular", "2.5", "0.0"),
                             Cache("GC2CD",
                                   "Bach & <Br\xFC"
                                   "cke>",
                                   2007, 6, 15, 48.0, 8.12723, "MULTI-CACHE", "", "1", "3"),
                             Cache("GC3EF", "alpha", 2006, 3, 1, 52.5, 13.4, "UNKNOWN CACHE", "Micro", "5", "4.5")}));
    }
    void TearDown() override {
        CacheIndexList.Clear();
        ProcSettings = TProcSettings{};
    }

    IndexPageParams Params(Codes codes) {
        IndexPageParams p;
        p.codes = std::move(codes);
        p.home = IndexHomeFor(ProcSettings, p.options.home);
        return p;
    }
    std::vector<std::string> RowCodes(const IndexPageParams& p) {
        std::vector<std::string> out;
        for (const auto& r : IndexTableRows(p)) out.push_back(r.code);
        return out;
    }

    tvtest::TempDir prog, work, out;
    platform::ScopedFakes fakes;
};

// ---- the page, byte for byte ------------------------------------------------------------

TEST_F(IndexPageTest, TableWithAllColumnsMatchesGolden) {
    IndexPageParams p = Params({"GC1AB", "GC2CD"});
    const std::string page = RenderIndexPage(p);
    ExpectGolden(page, "table_all.html");
    // Nearest first: GC2CD (9.5 km) before GC1AB (10.2 km); the texts would
    // sort the other way round.
    EXPECT_EQ(RowCodes(p), (Codes{"GC2CD", "GC1AB"}));
    const Parsed parsed = Parse(page);
    EXPECT_EQ(parsed.headerCells, 8);
    EXPECT_EQ(parsed.hrefs, (Codes{"./GC2CD_converted.html", "./GC2CD_converted.html", "./GC1AB_converted.html",
                                   "./GC1AB_converted.html"}));
    for (const auto& t : parsed.targets) EXPECT_EQ(t, "_cache");
    // Declared iso-8859-1, so the Windows-1252 bytes read as the right letters.
    EXPECT_NE(parsed.text.find("Verf\xC3\xBCgung"), std::string::npos);
    EXPECT_NE(parsed.text.find("Bach & <Br\xC3\xBC"
                               "cke>"),
              std::string::npos);
}

TEST_F(IndexPageTest, PocketPCListMatchesGolden) {
    IndexPageParams p = Params({"GC1AB", "GC9ZZ", "GC2CD"});
    p.options.pocketPC = true;
    const std::string page = RenderIndexPage(p);
    ExpectGolden(page, "pocket_pc.html");
    // A page whose cache is not in the database still gets its line.
    EXPECT_NE(page.find("<a href=\"./GC9ZZ_converted.html\" target=\"_cache\">GC9ZZ</a>: unbekannt<br>\r\n"),
              std::string::npos);
    // ... but no table row.
    p.options.pocketPC = false;
    EXPECT_EQ(RowCodes(p), (Codes{"GC2CD", "GC1AB"}));
}

TEST_F(IndexPageTest, AdditionalHomeAndWorkListMatchGolden) {
    ProcSettings.AddHomeTxt = {"Arbeit", W("Büro <2>")};
    ProcSettings.AddHomeLat = {"50.00000", "48.50000"};
    ProcSettings.AddHomeLon = {"9.00000", "8.25000"};
    IndexPageParams p = Params({"GC1AB", "GC2CD", "GC3EF"});
    p.options.home = 2;
    p.options.which = 0;
    p.options.sort = kSortName;
    p.options.descending = true;
    p.options.coords = false;
    p.options.size = false;
    p.home = IndexHomeFor(ProcSettings, 2);
    p.workList = WorkListFilter({"gc1ab", "GC3EF", ""});
    const std::string page = RenderIndexPage(p);
    ExpectGolden(page, "table_home_worklist.html");
    EXPECT_NE(page.find(W("<p><b>Hinweis:</b> Die angegebene Cache-Entfernung bezieht sich auf Büro &lt;2&gt; "
                          "(N 48° 30.000 E 008° 15.000)</p>\r\n")),
              std::string::npos);
    EXPECT_NE(page.find(W("<td>Entf. von Büro &lt;2&gt;</td>\r\n")), std::string::npos);
    // Name descending: "Schöne ..." before "alpha" (case ignored); GC2CD is
    // not in the work list.
    EXPECT_EQ(RowCodes(p), (Codes{"GC1AB", "GC3EF"}));
}

TEST_F(IndexPageTest, MarkupInNamesAndCodesIsEscaped) {
    IndexPageParams p = Params({"GC\"x<y>"});
    TCacheRec hostile = Cache("GCX", "<script>alert('x')</script> & \"q\"", 2001, 1, 1, 48, 8, "<b>", "<i>", "1", "1");
    p.findCache = [&](std::string_view, TCacheRec& r) {
        r = hostile;
        return true;
    };
    for (bool pocket : {false, true}) {
        p.options.pocketPC = pocket;
        const std::string page = RenderIndexPage(p);
        EXPECT_EQ(page.find("<script>"), std::string::npos);
        EXPECT_EQ(page.find("<b>"), std::string::npos);
        EXPECT_EQ(page.find("<i>"), std::string::npos);
        EXPECT_NE(page.find("href=\"./GC&quot;x&lt;y&gt;_converted.html\""), std::string::npos);
        EXPECT_NE(page.find("&lt;script&gt;alert('x')&lt;/script&gt; &amp; \"q\""), std::string::npos);
    }
}

// ---- rows and sorts -----------------------------------------------------------------------

// ---- folder and work list ---------------------------------------------------------------------

TEST_F(IndexPageTest, WorkListIsReadOnceAndAMissingFileIsOneBox) {
    const std::string path = work.str() + "WPList.txt";
    WorkListFilter none = ReadIndexWorkList(path);
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].kind, platform::MsgKind::Error);
    EXPECT_EQ(fakes.messages.shown[0].text.rfind("Fehler beim Lesen der Datei " + path + "\n\n", 0), 0u);
    IndexPageParams p = Params({"GC1AB", "GC2CD", "GC3EF"});
    p.options.which = 0;
    p.workList = none;
    EXPECT_TRUE(RowCodes(p).empty());
    EXPECT_EQ(fakes.messages.shown.size(), 1u);

    work.write("WPList.txt", "gc1ab\r\nGC3EF \r\n");
    p.workList = ReadIndexWorkList(path);
    EXPECT_EQ(RowCodes(p), (Codes{"GC1AB", "GC3EF"}));
    p.options.which = 1;
    EXPECT_EQ(RowCodes(p).size(), 3u);
    EXPECT_EQ(fakes.messages.shown.size(), 1u);
}

// ---- options ------------------------------------------------------------------------------------

// ---- texts and folders ----------------------------------------------------------------------------

}  // namespace
}  // namespace tv
