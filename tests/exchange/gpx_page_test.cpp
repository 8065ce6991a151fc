#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>

#include "acquire/span_parser.h"
#include "core/str_util.h"
#include "exchange/gpx_page.h"
#include "support/temp_dir.h"

using namespace tv;

namespace {

GpxCacheWpt ReadOne(const std::string& realFile) {
    GpxCacheWpt one;
    (void)ReadGpxFile(tvtest::Fixture("../data/real/" + realFile).string(), [&](GpxCacheWpt&& w) {
        if (w.hasCache) one = std::move(w);
        return true;
    });
    return one;
}

// The sections the span parser reads back from a page, cleaned.
std::map<std::string, std::string> Sections(const std::string& page, LogCounts& counts) {
    std::map<std::string, std::string> out;
    SpanReader reader(page);
    std::string id, text;
    while (reader.Next(id, text))
        if (ParseCacheSection(id, text, "www.geocaching.com", counts)) out.emplace(UpperCaseAscii(id), text);
    return out;
}

}  // namespace

// Byte-exact against the reviewed page; TV_REGENERATE_GOLDEN=1 rewrites it.
TEST(GpxPage, GoldenPage) {
    const std::string page = GpxPageText(ReadOne("cgeo/gc1bkp3_gpx100.gpx"), "GC1BKP3", ListingSite{});
    const auto golden = tvtest::Fixture("../golden/gpx_page/GC1BKP3.html");
    if (std::getenv("TV_REGENERATE_GOLDEN")) std::ofstream(golden, std::ios::binary) << page;
    EXPECT_EQ(page, tvtest::ReadFileBytes(golden));
}

// The page reads back through the span parser like a fetched one.
TEST(GpxPage, ReparsesThroughTheSpanParser) {
    const GpxCacheWpt w = ReadOne("gpsbabel/GCGCA8.gpx");
    LogCounts counts;
    auto s = Sections(GpxPageText(w, "GCGCA8", ListingSite{}), counts);
    EXPECT_EQ(s["CACHENAME"], "Oozy rat in a sanitary zoo");
    EXPECT_EQ(s["WAYPOINTNAME"], "GCGCA8");
    EXPECT_EQ(s["DIFFICULTY"], "3");
    EXPECT_EQ(s["TERRAIN"], "2");
    EXPECT_EQ(s["DATEHIDDEN"], "29. 06. 2003");
    EXPECT_EQ(s["LOCATION"], "In United States");
    EXPECT_EQ(s["LONGDESCRIPTION"].rfind("<table border=\"1\" width=\"100%\"><tr><td><center><strong>*** ACHTUNG", 0), 0u);
    EXPECT_NE(s["LONGDESCRIPTION"].find("Too hot to hoot"), std::string::npos);
    int found = 0;
    for (const GpxLog& log : w.logs) found += log.type == "Found it" ? 1 : 0;
    EXPECT_EQ(counts.LogCountFound, found);
    EXPECT_GT(found, 0);

    GpxCacheWpt small;
    small.hints = "Unter Stein";
    small.hasLogs = true;
    small.logs.push_back({"2007-03-05T08:00:00", "Didn't find it", "A<b>", "x\ny", false});
    small.logs.push_back({"2007-13-05T08:00:00", "Found it", "", "skipped: no finder", false});
    const std::string text = GpxPageText(small, "GC1", ListingSite{});
    EXPECT_NE(text.find("<span id=\"Hints\">Hagre Fgrva</span>"), std::string::npos);
    EXPECT_NE(text.find("icon_sad.gif\" align=\"absmiddle\">&nbsp;March 05, 2007 by <A NAME=\"0000000\">"),
              std::string::npos);
    EXPECT_NE(text.find("A&lt;b&gt;</A></strong> (1 found)<br>\r\nx<BR>y\r\n"), std::string::npos);
    EXPECT_EQ(text.find("skipped"), std::string::npos);
    EXPECT_EQ(MonthName("13"), "???");
    s = Sections(text, counts);
    EXPECT_EQ(s["HINTS"], "Unter Stein");
    EXPECT_EQ(counts.LogCountDNF, 1);
}

// Texts from the file never become live markup; descriptions lose the
// page-level and active elements.
TEST(GpxPage, HostileTextStaysText) {
    const std::string nasty = GpxPageText(ReadOne("gpsbabel/GCGCA8_nasty.gpx"), "GCGCA8", ListingSite{});
    const std::string upper = UpperCaseAscii(nasty);
    EXPECT_EQ(upper.find("<STYLE"), std::string::npos);
    EXPECT_EQ(upper.find("<BODY TEXT"), std::string::npos);
    EXPECT_EQ(upper.find("<HTML>", upper.find("<BODY>")), std::string::npos);
    EXPECT_NE(nasty.find("Too bad I hid a boot"), std::string::npos);
    EXPECT_NE(nasty.find("Content-Security-Policy"), std::string::npos);

    GpxCacheWpt w;
    w.cacheName = "<script>alert(1)</script> \xC3\xA4";
    w.placedBy = "\"><img src=x onerror=alert(1)>";
    w.longDescription = "a<script>evil()</script>b<iframe src=x></iframe><p onclick=x>c</p>";
    w.longHtml = true;
    w.shortDescription = "1 < 2\nzwei";
    w.difficulty = "\" onmouseover=\"x";
    const std::string page = GpxPageText(w, "GC1", ListingSite{});
    EXPECT_NE(page.find("<span id=\"CacheName\">&lt;script&gt;alert(1)&lt;/script&gt; &#228;</span>"),
              std::string::npos);
    EXPECT_NE(page.find("by \"&gt;&lt;img src=x onerror=alert(1)&gt; ["), std::string::npos);
    EXPECT_NE(page.find("alt=\"&quot; onmouseover=&quot;x out of 5\""), std::string::npos);
    EXPECT_NE(page.find("<span id=\"ShortDescription\">1 &lt; 2<br>zwei</span>"), std::string::npos);
    EXPECT_NE(page.find("ab<p onclick=x>c</p></span></BLOCKQUOTE>"), std::string::npos);
    for (unsigned char c : page) EXPECT_LT(c, 0x80);
}

TEST(GpxPage, ExistingPagesAndSafeNames) {
    tvtest::TempDir out;
    for (const char* f : {"GC1ABC.html", "GC1ABC_converted.html", "gc2xyz.HTM", "sub/GC3DEF.html", "x.html"})
        out.write(f, "x");
    std::filesystem::create_directory_symlink(out.path(), out.path() / "loop");
    const auto names = CollectDescriptionFiles(out.str());
    EXPECT_EQ(names, (std::unordered_set<std::string>{"GC1ABC", "GC3DEF"}));

    EXPECT_EQ(GpxPagePath("/d/", "GC1ABC"), "/d/GC1ABC.html");
    for (const char* bad : {"../../x", "..\\..\\x", "GC 1", "", "GC1234567890123456"})
        EXPECT_EQ(GpxPagePath("/d/", bad), "") << bad;
}
