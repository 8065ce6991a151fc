#include "pages/description_template.h"

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/html_escape.h"
#include "platform/text_encoding.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

const platform::DateTime kNow{2007, 2, 3, 9, 5, 7, 0};

// A template holding every placeholder once, each wrapped as "[[#n:" ... "]]".
std::string MarkerTemplate() {
    std::string t;
    int n = 1;
    for (const auto& name : DescriptionPlaceholderNames())
        t += "[[#" + std::to_string(n++) + ":" + PlaceholderText(name) + "]]\n";
    return t;
}

// Value between "[[#n:" and "]]" of the filled marker template.
std::string Slot(const std::string& page, int n) {
    const std::string open = "[[#" + std::to_string(n) + ":";
    const auto a = page.find(open);
    if (a == std::string::npos) return "<missing>";
    const auto b = page.find("]]\n", a);
    return page.substr(a + open.size(), b - a - open.size());
}

TCacheDescription Sample() {
    TCacheDescription d;
    d.CacheName = "Name";
    d.WaypointName = "GC1A2B";
    d.Hints = "ab cd [ef]";
    d.CacheLogs = "<P>logs</P>";
    d.CoordUpdate = "N 1";
    d.DatabaseCoords = LatLon{48.0, 9.0};
    d.Counts.LogCountFound = 2;
    d.Counts.LogCountDNF = 1;
    return d;
}

FillOptions Options() {
    FillOptions o;
    o.site.host = "gc.test";
    return o;
}

TEST(DescriptionTemplate, EveryPlaceholderInItsPlaceWithItsValue) {
    ASSERT_EQ(DescriptionPlaceholderNames().size(), 50u);
    TCacheDescription d = Sample();
    d.LogLimitations = "1";
    d.CacheOwner = "3";
    d.LatLon = "4";
    d.UtmFormat = "5";
    d.Location = "6";
    d.DateHidden = "7";
    d.Difficulty = "9";
    d.Terrain = "10";
    d.ErrorText = "11";
    d.ShortDescription = "12";
    d.LongDescription = "13";
    d.CacheMapFileName = "14";
    d.CacheMapLink = "16";
    d.GoogleMapLink = "17";
    d.NumVisits = "19";
    d.CacheType = "20";
    d.CacheSize = "21";
    d.TravelBugs = "22";
    d.AdditionalWaypoints = "23";
    d.Watchers = "24";
    d.OrigCreationDateTime = "28";
    d.OrigCreationDate = "29";
    d.FirstFoundLog = "40";
    d.LatestFoundLog = "41";
    d.FoundBuddies = {"x"};
    FillOptions o = Options();
    o.home = DescriptionHome{"HOME", 48.0, 8.0};
    FillSources s;
    s.mapHtml = [] { return std::string("map"); };
    s.notesHtml = "note";
    const std::string page = FillTemplate(MarkerTemplate(), "GC1A2B", d, o, s, kNow);

    const std::map<int, std::string> expected{
        {1, "1"}, {2, "Name"}, {3, "3"}, {4, "4"}, {5, "5"}, {6, "6"}, {7, "7"}, {8, "GC1A2B"}, {9, "9"},
        {10, "10"}, {11, "11"}, {12, "12"}, {13, "13"}, {14, "14"}, {15, "map"}, {16, "16"}, {17, "17"},
        {18, "<P>logs</P>"}, {19, "19"}, {20, "20"}, {21, "21"}, {22, "22"}, {23, "23"}, {24, "24"},
        {25, "Entfernung von HOME: 74,4 km"}, {26, "03. 02. 2007, 09:05"}, {27, "03. 02. 2007"}, {28, "28"},
        {29, "29"}, {30, "2"}, {31, "0"}, {32, "0"}, {33, "1"}, {34, "0"}, {35, "0"}, {36, "0"}, {37, "0"},
        {38, "0"}, {39, "0"}, {40, "40"}, {41, "41"}, {42, "<br><b>Achtung!</b> Koordinatenupdate: N 1"},
        {43, "x"}, {44, "no pq [rs]"}, {45, "ab cd [ef]"},
        {46, "<a href=\"http://gc.test/seek/cache_details.aspx?wp=GC1A2B&Submit6=Find&pf=y&log=y\">"
             "Originalseite (PF)</a>"},
        {47, "<a href=\"http://gc.test/seek/cache_details.aspx?wp=GC1A2B&Submit6=Find&log=y\">Originalseite</a>"},
        {48, "<!-- #ROT13_TABLE# -->"}, {49, "<p><b>Pers&ouml;nliche Notizen:</b> note</p>"},
        {50, "<!-- #CACHEIMAGES# -->"}};
    for (const auto& [n, value] : expected) EXPECT_EQ(Slot(page, n), value) << "placeholder " << n;
}

TEST(DescriptionTemplate, PlaceholdersInsideOrAcrossValuesAreFilledInTurn) {
    // Placeholders are filled one after the other over the whole page: one that
    // a value holds, or that a value forms with the text around it, is filled
    // when its turn comes after that value; one whose turn has passed stays.
    auto fill = [](const std::string& tpl, const std::string& limits, const std::string& owner = "") {
        TCacheDescription d = Sample();
        d.LogLimitations = limits;
        d.CacheOwner = owner;
        return FillTemplate(tpl, "GC1", d, Options(), FillSources{}, kNow);
    };
    EXPECT_EQ(fill("<!-- #LOGLIMITATIONS# -->", "<!-- #WAYPOINTNAME# -->!"), "GC1A2B!");
    EXPECT_EQ(fill("<!-- #CACHEOWNER# -->", "", "<!-- #CACHENAME# --><!-- #DIFFICULTY# -->"),
              "<!-- #CACHENAME# -->");
    EXPECT_EQ(fill("a<!--<!-- #LOGLIMITATIONS# -->", " #WAYPOINTNAME# -->"), "aGC1A2B");
    EXPECT_EQ(fill("<!-- #LOGLIMITATIONS# -->#WAYPOINTNAME# -->", "<!-- "), "GC1A2B");
    EXPECT_EQ(fill("<!-- #LOGLIMITATIONS# -->POINTNAME# --><!-- #LOGLIMITATIONS# -->", "<!-- #WAY"), "GC1A2B<!-- #WAY");
    EXPECT_EQ(fill("<!-- #WA<!-- #LOGLIMITATIONS# --> <!-- #CACHENAME# -->", "YPOINTNAME# -->"), "GC1A2B Name");
}


TEST(DescriptionTemplate, BuddyText) {
    EXPECT_EQ(BuddyListText({}), "leider niemand :-(");
    EXPECT_EQ(BuddyListText({"x"}), "x");
    EXPECT_EQ(BuddyListText({"a", "b", "b"}), "a, b.");
    EXPECT_EQ(BuddyListText({"b", "a", "a"}), "a, b.");
    EXPECT_EQ(BuddyListText({"b", "a", "b"}), "a, b.");
    EXPECT_EQ(BuddyListText({"c", "B", "a"}), "a, B, c.");
    EXPECT_EQ(BuddyListText({"a", "a"}), "a.");
}

TEST(DescriptionTemplate, HomeDistanceAndEscapedHomeName) {
    FillOptions o = Options();
    o.home = DescriptionHome{W("Büro <2>"), 48.0, 8.0};
    EXPECT_EQ(FillTemplate("<!-- #HOMEDISTANCE# -->", "GC1", Sample(), o, FillSources{}, kNow),
              "Entfernung von B\xFCro &lt;2&gt;: 74,4 km");
    o.home.reset();
    EXPECT_EQ(FillTemplate("<!-- #HOMEDISTANCE# -->", "GC1", Sample(), o, FillSources{}, kNow),
              "<!-- #HOMEDISTANCE# -->");
}

// A hint becomes HTML only through its decoding; no mode lets a refresh or
// base element through, whichever way it was coded.
TEST(DescriptionTemplate, HintsCarryNoRefreshOrBaseInAnyMode) {
    const std::string t = "<!-- #HINTS# -->|<!-- #HINTS_ENCRYPTED# -->";
    TCacheDescription d = Sample();
    d.Hints = "a<meta http-equiv=refresh content=0;url=http://x.test>b<zrgn uggc-rdhvi=erserfu>c[<onfr uers=k>]d";
    FillOptions o = Options();
    o.hintMode = kHintsPlain;
    const std::string coded = "<zrgn uggc-rdhvi=erserfu pbagrag=0;hey=uggc://k.grfg>";
    EXPECT_EQ(FillTemplate(t, "GC1", d, o, FillSources{}, kNow),
              "ab<zrgn uggc-rdhvi=erserfu>c[<onfr uers=k>]d|n" + coded + "op[]q");
    o.hintMode = kHintsRot13;
    EXPECT_EQ(FillTemplate(t, "GC1", d, o, FillSources{}, kNow), "n" + coded + "op[<onfr uers=k>]q|n" + coded + "op[]q");
}

TEST(DescriptionTemplate, LinesEndInCrLfAndAWriteReplacesTheOldPage) {
    EXPECT_EQ(WithCrLfLines("a\nb\r\nc\rd"), "a\r\nb\r\nc\r\nd\r\n");
    EXPECT_EQ(WithCrLfLines("a\r\n\r\n"), "a\r\n\r\n");
    EXPECT_EQ(WithCrLfLines("\n\r"), "\r\n\r\n");
    EXPECT_EQ(WithCrLfLines(""), "");
    EXPECT_EQ(WithCrLfLines(std::string("a\0b", 3)), std::string("a\0b\r\n", 5));

    tvtest::TempDir dir;
    const std::string path = ConvertedPagePath(dir.str(), "GC1");
    EXPECT_EQ(path, dir.str() + "GC1_converted.html");
    ASSERT_TRUE(WriteConvertedPage(path, "first\nversion\nlonger"));
    ASSERT_TRUE(WriteConvertedPage(path, "second"));
    EXPECT_EQ(dir.read("GC1_converted.html"), html::PolicyMeta(html::kOfflinePagePolicy) + "second\r\n");
    EXPECT_FALSE(WriteConvertedPage(dir.str() + "missing/GC1_converted.html", "x"));
}

}  // namespace
}  // namespace tv
