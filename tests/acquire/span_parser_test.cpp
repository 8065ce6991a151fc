#include "acquire/span_parser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <utility>
#include <vector>

#include "core/str_util.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "support/temp_dir.h"

namespace {

using namespace std::chrono;
using tv::W;

constexpr const char* kListingHost = "127.0.0.1:8089";
constexpr const char* kPictureHost = "127.0.0.1:8090";

// The page as the callers feed it: from the <BODY line on, scripts removed.
std::string ListingBody(const std::string& fixture) {
    std::string page = tvtest::ReadFileBytes(tvtest::Fixture("listing/" + fixture));
    const int body = tv::FastPosNoCase(page, "<BODY", 1);
    if (body > 0) {
        const std::size_t lineStart = page.rfind('\n', static_cast<std::size_t>(body) - 1);
        page.erase(0, lineStart == std::string::npos ? 0 : lineStart + 1);
    }
    tv::RemoveAllBetween(page, "<script", "</script>");
    return page;
}

struct Section {
    std::string rawId, id, text;
    bool accepted;
};

std::vector<Section> ParseAll(std::string page, tv::LogCounts& counts) {
    std::vector<Section> out;
    tv::SpanReader reader(std::move(page));
    std::string id, text;
    while (reader.Next(id, text)) {
        Section s{id, id, text, false};
        s.accepted = tv::ParseCacheSection(s.id, s.text, kListingHost, counts);
        out.push_back(std::move(s));
    }
    return out;
}

std::map<std::string, std::string> Accepted(const std::vector<Section>& sections) {
    std::map<std::string, std::string> m;
    for (const auto& s : sections)
        if (s.accepted) m[tv::UpperCaseCp1252(s.id)] = s.text;
    return m;
}

std::string Clean(std::string id, std::string text) {
    tv::LogCounts counts;
    EXPECT_TRUE(tv::ParseCacheSection(id, text, kListingHost, counts)) << id;
    return text;
}

int Occurrences(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + what.size())) ++n;
    return n;
}

const std::string kLogRows[] = {
    "<tr><td class=\"Log\"><!-- [[LOG]] -->:-)&nbsp;&nbsp;November 7, 2007 by Wanderfalke (112 found)<br>" +
        W("Schöne Runde, danke für den Cache!") + "<br><br></td></tr>",
    "<tr><td class=\"Log\"><!-- [[LOG]] -->:-(&nbsp;&nbsp;November 5, 2007 by Muggel &amp; Co (3 found)<br>"
    "Leider nicht gefunden.<br><br></td></tr>",
    "<tr><td class=\"Log\"><!-- [[LOG]] -->(N)&nbsp;&nbsp;October 30, 2007 by " + W("Kärntner Team") +
        " (40 found)<br>Dose getauscht.<br><br></td></tr>",
    "<tr><td class=\"Log\"><!-- [[LOG]] -->[&uarr;&darr;]&nbsp;October 29, 2007 by " + W("Kärntner Team") +
        " (40 found)<br>Koordinaten korrigiert.<br><br></td></tr>",
    "<tr><td class=\"Log\"><!-- [[LOG]] -->:-)&nbsp;&nbsp;October 1, 2007 by " + W("Eichhörnchen") +
        " (7 found)<br>Gefunden!<br><br></td></tr>",
};

// ---- Whole pages ----------------------------------------------------------------

TEST(SpanParserPage, FullPageYieldsEverySectionCleanedByItsId) {
    tv::LogCounts counts;
    const auto sections = ParseAll(ListingBody("full_page.html"), counts);

    std::vector<std::string> ids;
    for (const auto& s : sections) ids.push_back(s.rawId);
    const std::vector<std::string> expectedIds = {
        "ErrorText",  "CacheName",        "CacheOwner",      "DateHidden", "Difficulty",
        "Terrain",    "LatLon",           "UTMFormat",       "Location",   "WaypointName",
        "lnkDetails", "ShortDescription", "LongDescription", "Note",       "Hints\" class=\"displayMe",
        "LargeMap",   "lnkTravelBugs",    "Images",          "NumVisits",  "CacheLogs"};
    EXPECT_EQ(ids, expectedIds);
    for (const auto& s : sections) EXPECT_EQ(s.accepted, s.rawId != "Note") << s.rawId;

    auto m = Accepted(sections);
    EXPECT_EQ(m["ERRORTEXT"], W(" Dieser Cache ist vorübergehend deaktiviert.Bitte die Logs lesen"));
    EXPECT_EQ(m["CACHENAME"], W("Schöne Aussicht am Mühlberg"));
    EXPECT_EQ(m["CACHEOWNER"], W("by <a href=\"http://127.0.0.1:8089/profile/?guid=1234\">Kärntner Team</a> "));
    EXPECT_EQ(m["DATEHIDDEN"], "05. 11. 2007");
    EXPECT_EQ(m["DIFFICULTY"], "2.5");
    EXPECT_EQ(m["TERRAIN"], "4");
    EXPECT_EQ(m["LATLON"], "N 48\xB0 12.345 / E 011\xB0 34.567");
    EXPECT_EQ(m["UTMFORMAT"], "33U E 123456 N 5345678");
    EXPECT_EQ(m["LOCATION"], "In Bayern, Germany");
    EXPECT_EQ(m["WAYPOINTNAME"], "GC1A2B3");
    EXPECT_EQ(m["LNKDETAILS"], "12 Beobachter");
    EXPECT_EQ(m["SHORTDESCRIPTION"], W("Ein kurzer Spaziergang zur schönsten Aussicht."));
    EXPECT_EQ(m["LONGDESCRIPTION"],
              "<p>Vom Parkplatz geht es <b>bergauf</b> zum Gipfel.</p>\r\n"
              "<p>Die Dose liegt unter dem Stein. <span id=\"Note\">Bitte gut verstecken!</span></p>\r\n"
              "<img src=\"http://127.0.0.1:8091/pics/aussicht.jpg\"></span></BLOCKQUOTE>\r\n<p>");
    EXPECT_EQ(m["HINTS"], "Unter dem Stein[Notfall] Rufe 110");
    EXPECT_EQ(m["LARGEMAP"], "<a href=\"http://127.0.0.1:8089/map/?lat=48.2&amp;lng=11.5\">Karte</a>");
    EXPECT_EQ(m["LNKTRAVELBUGS"], W("Momentane(r) Travelbug(s) im Cache: \"Rasender Roland\", \"Kölner Dom Bär\""));
    EXPECT_EQ(m["IMAGES"], W("<a href=\"http://127.0.0.1:8090/cache/1a2b.jpg\" target=\"_blank\">Aussicht</a>"
                             "Blick nach Süden<a href=\"http://127.0.0.1:8090/cache/3c4d.gif\">Dose</a>"
                             "So sieht sie aus"));
    EXPECT_EQ(m["NUMVISITS"], "23 Logs ");

    std::string logs = "\r\n<table class=\"LogsTable\" width=\"100%\">\r\n";
    for (const auto& row : kLogRows) logs += row + "\r\n";
    logs += "</table>";
    EXPECT_EQ(m["CACHELOGS"], logs);

    tv::LogCounts expected;
    expected.LogCountFound = 2;
    expected.LogCountNote = 1;
    expected.LogCountDNF = 1;
    EXPECT_EQ(counts, expected);
}

TEST(SpanParserPage, ClassicStepFunctionGivesTheSameSectionsAsTheReader) {
    const std::string body = ListingBody("full_page.html");
    std::vector<std::pair<std::string, std::string>> viaReader, viaStep;
    tv::SpanReader reader(body);
    std::string id, text;
    while (reader.Next(id, text)) viaReader.emplace_back(id, text);
    std::string page = body;
    while (tv::GetNextSpan(page, id, text)) viaStep.emplace_back(id, text);
    EXPECT_EQ(viaStep, viaReader);
    EXPECT_EQ(viaReader.size(), 20u);
    EXPECT_EQ(page, "\r\n</form>\r\n\r\n</body>\r\n</html>\r\n");
}

TEST(SpanParserPage, TravelBugsOfTheRawPage) {
    const std::string page = tvtest::ReadFileBytes(tvtest::Fixture("listing/full_page.html"));
    EXPECT_EQ(tv::ParseTravelBugs(page),
              W("Momentane(r) Travelbug(s) im Cache: &quot;Rasender Roland&quot;; &quot;Kölner Dom Bär&quot;"));
    // The list needs a following section to end it, and at least one bug link.
    EXPECT_EQ(tv::ParseTravelBugs("<span id=\"lnkTravelBugs\"><a href=\"/track/details.aspx?id=1\">A</a>"), "");
    EXPECT_EQ(tv::ParseTravelBugs("<span id=\"lnkTravelBugs\">keine Travelbugs vorhanden</span><span id=\"X\">"), "");
    EXPECT_EQ(tv::ParseTravelBugs("<span id=\"CacheName\">x</span>"), "");
    // "/track/detail" is matched with its case.
    EXPECT_EQ(tv::ParseTravelBugs("<SPAN ID=\"lnktravelbugs\"><a href=\"/TRACK/DETAIL?id=1\">A</a><a "
                                  "href=\"/track/detail?id=2\">B</a></span><span id=\"Y\">"),
              "Momentane(r) Travelbug(s) im Cache: &quot;B&quot;");
}

TEST(SpanParserPage, PictureLinksOfTheImagesSection) {
    tv::LogCounts counts;
    auto m = Accepted(ParseAll(ListingBody("full_page.html"), counts));
    tv::ImageLinkReader links(m["IMAGES"], kPictureHost);
    std::string url, title, caption;
    ASSERT_TRUE(links.Next(url, title, caption));
    EXPECT_EQ(url, "http://127.0.0.1:8090/cache/1a2b.jpg");
    EXPECT_EQ(title, "Aussicht");
    EXPECT_EQ(caption, W("Blick nach Süden"));
    ASSERT_TRUE(links.Next(url, title, caption));
    EXPECT_EQ(url, "http://127.0.0.1:8090/cache/3c4d.gif");
    EXPECT_EQ(title, "Dose");
    EXPECT_EQ(caption, "So sieht sie aus");
    EXPECT_FALSE(links.Next(url, title, caption));
    EXPECT_EQ(url, "");
}

TEST(SpanParserPage, PageWithoutLogsOrHintsHeading) {
    tv::LogCounts counts;
    counts.LogCountFound = 7;  // a page without logs leaves the counters alone
    auto sections = ParseAll(ListingBody("no_logs.html"), counts);
    auto m = Accepted(sections);
    EXPECT_EQ(m.count("CACHELOGS"), 0u);
    EXPECT_EQ(counts.LogCountFound, 7);
    // Without the hints heading the long description ends with its own closing tag.
    EXPECT_EQ(m["LONGDESCRIPTION"], "Neuer Cache, noch <span style=\"color:red\">keine</span> Funde.");
    EXPECT_EQ(m["HINTS"], "n/a");
    EXPECT_EQ(m["WAYPOINTNAME"], "GC77777");
}

TEST(SpanParserPage, PageWithMissingOrOddSections) {
    tv::LogCounts counts;
    const auto sections = ParseAll(ListingBody("missing_sections.html"), counts);
    ASSERT_EQ(sections.size(), 6u);
    EXPECT_TRUE(sections[0].accepted);
    // The container-size form of the details span has no watcher line.
    EXPECT_EQ(sections[1].rawId, "lnkDetails");
    EXPECT_FALSE(sections[1].accepted);
    EXPECT_EQ(sections[2].text, "unbekannt");
    EXPECT_EQ(sections[3].text, "0.0");
    // An attribute after the id becomes part of it: not a section of ours.
    EXPECT_EQ(sections[4].rawId, "LatLon\" style=\"font-weight:bold;");
    EXPECT_FALSE(sections[4].accepted);
    EXPECT_EQ(sections[5].id, "HINTS");
    EXPECT_EQ(sections[5].text, "n/a");
}

TEST(SpanParserPage, UnclosedSectionEndsTheWalk) {
    tv::SpanReader reader(ListingBody("unclosed_span.html"));
    std::string id, text;
    ASSERT_TRUE(reader.Next(id, text));
    EXPECT_EQ(id, "CacheName");
    EXPECT_EQ(text, "Offen");
    // CacheOwner has no closing tag of its own (its inner span takes the only one).
    EXPECT_FALSE(reader.Next(id, text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(reader.Next(id, text));

    // With the block-quote closer as the last resort.
    std::string page = "<span id=\"A\">x<span id=\"B\">y</span></BLOCKQUOTE>rest";
    ASSERT_TRUE(tv::GetNextSpan(page, id, text));
    EXPECT_EQ(id, "A");
    EXPECT_EQ(text, "x<span id=\"B\">y");
    EXPECT_EQ(page, "</BLOCKQUOTE>rest");
}

TEST(SpanParserPage, HostilePage) {
    tv::LogCounts counts;
    const auto sections = ParseAll(ListingBody("hostile.html"), counts);
    ASSERT_EQ(sections.size(), 6u);
    // Spans nested three deep stay inside their section.
    EXPECT_EQ(sections[0].text, "A<span class=\"x\">B<span class=\"y\">C<SPAN>D</SPAN>E</span>F</span>G");
    // A section id written inside a log is log text, not a section.
    EXPECT_EQ(sections[1].id, "CacheLogs");
    EXPECT_NE(sections[1].text.find("<span id=\"CacheName\">Gekapert</span>"), std::string::npos);
    EXPECT_EQ(sections[1].text.find("<img"), std::string::npos);
    EXPECT_EQ(counts.LogCountFound, 1);
    EXPECT_EQ(sections[2].text, "GC99999");
    EXPECT_EQ(sections[3].text, W("Momentane(r) Travelbug(s) im Cache: \"Käfer\""));
    EXPECT_EQ(sections[4].rawId, std::string(300, 'X'));
    EXPECT_FALSE(sections[4].accepted);

    // Mouse-over elements before a picture link are skipped.
    tv::ImageLinkReader links(sections[5].text, kPictureHost);
    std::string url, title, caption;
    ASSERT_TRUE(links.Next(url, title, caption));
    EXPECT_EQ(url, "http://127.0.0.1:8090/cache/a.jpg");
    EXPECT_EQ(title, "Daumen");
    EXPECT_EQ(caption, "Vorschau");
    ASSERT_TRUE(links.Next(url, title, caption));  // foreign link: nothing to fetch
    EXPECT_EQ(url, "");
    ASSERT_TRUE(links.Next(url, title, caption));  // its closing tag
    EXPECT_EQ(url, "");
    EXPECT_FALSE(links.Next(url, title, caption));

    // The raw travel-bug list takes the text right after the link's tag.
    const std::string raw = tvtest::ReadFileBytes(tvtest::Fixture("listing/hostile.html"));
    EXPECT_EQ(tv::ParseTravelBugs(raw), "Momentane(r) Travelbug(s) im Cache: &quot;&quot;");
}

TEST(SpanParserPage, PageWrittenFromGpxData) {
    // The layout the GPX import writes for a cache it has no listing page of.
    const std::string page =
        "<span id=\"CacheName\">Am Weiher</span>\r\n"
        "<span id=\"CacheOwner\"><b><font size=\"2\">by Frosch [<A HREF=\"http://127.0.0.1:8089/profile/"
        "?guid=abc\">profile</A>]</font></b></span>\r\n"
        "<span id=\"Location\">In Germany</span>\r\n"
        "<span id=\"DateHidden\">06/05/2005</span>\r\n"
        "<span id=\"WaypointName\">GC4711</span>\r\n"
        "<span id=\"Difficulty\"><IMG SRC=\"http://127.0.0.1:8089/images/stars/stars1.gif\" alt=\"1.5 out of 5\" "
        "title=\"1.5 out of 5\"></span>\r\n"
        "<span id=\"Terrain\"><IMG SRC=\"http://127.0.0.1:8089/images/stars/stars1.gif\" alt=\"5 out of 5\" "
        "title=\"5 out of 5\"></span>\r\n"
        "<BLOCKQUOTE><span id=\"LongDescription\"><table border=\"1\"><tr><td>*** ACHTUNG ***</td></tr></table>"
        "<br>\r\nAm Ufer.</span></BLOCKQUOTE>\r\n"
        "<span id=\"Hints\">Oehrpxr</span>\r\n";
    tv::LogCounts counts;
    auto m = Accepted(ParseAll(page, counts));
    EXPECT_EQ(m["CACHENAME"], "Am Weiher");
    EXPECT_EQ(m["CACHEOWNER"], "by Frosch ");
    EXPECT_EQ(m["LOCATION"], "In Germany");
    EXPECT_EQ(m["DATEHIDDEN"], "05. 06. 2005");
    EXPECT_EQ(m["WAYPOINTNAME"], "GC4711");
    EXPECT_EQ(m["DIFFICULTY"], "1.5");
    EXPECT_EQ(m["TERRAIN"], "5");
    EXPECT_EQ(m["LONGDESCRIPTION"], "<table border=\"1\"><tr><td>*** ACHTUNG ***</td></tr></table><br>\r\nAm Ufer.");
    EXPECT_EQ(m["HINTS"], "Bruecke");
}

// ---- Section walk ------------------------------------------------------------------------

TEST(SpanParserWalk, NoSectionAtAll) {
    std::string page = "<html><body><span class=\"x\">kein Abschnitt</span><SPANID=\"y\"></body>";
    const std::string before = page;
    std::string id = "keep", text = "old";
    EXPECT_FALSE(tv::GetNextSpan(page, id, text));
    EXPECT_EQ(page, before);
    EXPECT_EQ(text, "");
    std::string empty;
    EXPECT_FALSE(tv::GetNextSpan(empty, id, text));
}

TEST(SpanParserWalk, NestedSpansAreSkippedAtAnyDepth) {
    std::string page = "<span id=\"A\">x<span>y</span>z</span><span id=\"B\">w</span>";
    std::string id, text;
    ASSERT_TRUE(tv::GetNextSpan(page, id, text));
    EXPECT_EQ(id, "A");
    EXPECT_EQ(text, "x<span>y</span>z");
    ASSERT_TRUE(tv::GetNextSpan(page, id, text));
    EXPECT_EQ(id, "B");
    EXPECT_EQ(text, "w");
    EXPECT_FALSE(tv::GetNextSpan(page, id, text));
    EXPECT_EQ(page, "");

    page = "<SPAN ID='C'>1<span>2<span>3</span>4</span>5</SPAN >tail";
    ASSERT_TRUE(tv::GetNextSpan(page, id, text));
    EXPECT_EQ(id, "C");
    EXPECT_EQ(text, "1<span>2<span>3</span>4</span>5");
    EXPECT_EQ(page, "tail");
}

TEST(SpanParserWalk, LongDescriptionLeavesItsInnerSectionsForLater) {
    const std::string page =
        "<span id=\"LongDescription\">L<span id=\"Inner\">i</span></span><strong>Additional Hints</strong>"
        "<span id=\"Hints\" class=\"displayMe\">Nbc<br></span>";
    tv::SpanReader reader(page);
    std::string id, text;
    ASSERT_TRUE(reader.Next(id, text));
    EXPECT_EQ(id, "LongDescription");
    EXPECT_EQ(text, "L<span id=\"Inner\">i</span></span>");
    ASSERT_TRUE(reader.Next(id, text));
    EXPECT_EQ(id, "Inner");
    EXPECT_EQ(text, "i");
    ASSERT_TRUE(reader.Next(id, text));
    tv::LogCounts counts;
    ASSERT_TRUE(tv::ParseCacheSection(id, text, kListingHost, counts));
    EXPECT_EQ(id, "HINTS");
    EXPECT_EQ(text, "Aop");
    EXPECT_FALSE(reader.Next(id, text));

    // The step function consumes only the opening tag.
    std::string step = page;
    ASSERT_TRUE(tv::GetNextSpan(step, id, text));
    EXPECT_EQ(step, page.substr(27));
}

TEST(SpanParserWalk, LongDescriptionWithoutHeadingOrEnd) {
    // A page written from GPX data: no hints heading, the block quote ends it.
    tv::SpanReader gpx(
        "<BLOCKQUOTE><span id=\"LongDescription\"><p>Text <span>rot</p></span></BLOCKQUOTE>\r\n"
        "<span id=\"Hints\">Uvag</span>");
    std::string id, text;
    ASSERT_TRUE(gpx.Next(id, text));
    EXPECT_EQ(text, "<p>Text <span>rot</p>");
    ASSERT_TRUE(gpx.Next(id, text));
    tv::LogCounts counts;
    ASSERT_TRUE(tv::ParseCacheSection(id, text, kListingHost, counts));
    EXPECT_EQ(id, "HINTS");
    EXPECT_EQ(text, "Hint");

    // Nothing ends it: an empty description, and the walk goes on.
    tv::SpanReader open("<span id=\"longdescription\">offen <span id=\"CacheName\">N</span>");
    ASSERT_TRUE(open.Next(id, text));
    EXPECT_EQ(text, "");
    ASSERT_TRUE(open.Next(id, text));
    EXPECT_EQ(id, "CacheName");
    EXPECT_EQ(text, "N");
}

TEST(SpanParserWalk, HugeHostilePagesFinish) {
    // Many openers without closers, many long-description openers, many
    // nested spans: each must be read in one pass, not once per opener.
    std::string openers;
    while (openers.size() < 1'000'000) openers += "<span id=\"LongDescription\"><span id=\"x\">";
    tv::SpanReader r1(openers);
    std::string id, text;
    int n = 0;
    while (r1.Next(id, text) && n < 1'000'000) ++n;
    EXPECT_EQ(n, 1);  // one empty long description, then the first unclosed section stops the walk
    EXPECT_EQ(text, "");

    std::string nested = "<span id=\"CacheName\">";
    for (int i = 0; i < 100'000; ++i) nested += "<span>";
    for (int i = 0; i < 100'000; ++i) nested += "</span>";
    nested += "</span><span id=\"WaypointName\">GC1</span>";
    tv::SpanReader r2(nested);
    ASSERT_TRUE(r2.Next(id, text));
    EXPECT_EQ(text.size(), 100'000u * 13);
    ASSERT_TRUE(r2.Next(id, text));
    EXPECT_EQ(text, "GC1");

    std::string many;
    for (int i = 0; i < 100'000; ++i) many += "<span id=\"N\">" + std::to_string(i) + "</span>";
    tv::SpanReader r3(many);
    n = 0;
    std::string last;
    while (r3.Next(id, text)) {
        ++n;
        last = text;
    }
    EXPECT_EQ(n, 100'000);
    EXPECT_EQ(last, "99999");
}

// ---- Per-id cleaning ---------------------------------------------------------------------

TEST(SpanParserClean, SmallSections) {
    EXPECT_EQ(Clean("CacheName", "Name\r\n\r\n"), "Name");
    EXPECT_EQ(Clean("UTMFORMAT", "<font size=\"1\">UTM: 32U E 1<br>N 2</font>\r\n"), "32U E 1N 2");
    EXPECT_EQ(Clean("ShortDescription", "<P>a</p><p>b</P>"), "ab");
    EXPECT_EQ(Clean("NumVisits", "<B>5</b> <a href=\"x\">alle</a> <font>Logs</font>"), "5  Logs");
    EXPECT_EQ(Clean("ErrorText", "<FONT color=red>x<STRONG>weg</STRONG>y</FONT><UL><LI>z</LI></UL>"), "xyz");
    EXPECT_EQ(Clean("CacheOwner", "<b><font size=\"2\">by Ich [<a href=\"p\">profile</a>] [bleibt]</font></b>"),
              "by Ich  [bleibt]");
    EXPECT_EQ(Clean("Images", "<font a><img src=\"c/camera.gif\">L&NBSP;<BR><br /></font>"), "L<br />");
    EXPECT_EQ(Clean("LargeMap", "<img src=\"m.gif\">"), "<img src=\"m.gif\">");
}

TEST(SpanParserClean, LatLon) {
    EXPECT_EQ(
        Clean("LatLon", "<font size=\"3\"><strong>N 48\xC2\xB0 12.345 E 011\xC2\xB0 34.567</strong></font><br />"),
        "N 48\xB0 12.345 / E 011\xB0 34.567");
    EXPECT_EQ(Clean("LATLON", "N 47 01.000 W 122 02.000<br><BR>"), "N 47 01.000 / W 122 02.000");
    // Only the capital letters mark the hemisphere; "â" (0xE2) is not the byte 0xC2.
    EXPECT_EQ(Clean("LatLon", "etwa N 47 E 8 w\xE2"), "etwa N 47 / E 8 w\xE2");
    EXPECT_EQ(Clean("LatLon", "unbekannt"), "unbekannt");
}

TEST(SpanParserClean, HiddenDate) {
    EXPECT_EQ(Clean("DateHidden", "11/5/2007"), "05. 11. 2007");
    EXPECT_EQ(Clean("DateHidden", " 2/29/2008 \r\n"), "29. 02. 2008");
    for (const char* bad : {"31/31/2007", "2/29/2007", "11/5/07", "11/5", "", "a/b/cccc", "11/5/2007/1", "0/1/2007",
                            "111/5/2007", "11-5-2007"})
        EXPECT_EQ(Clean("DateHidden", bad), "unbekannt") << bad;
}

TEST(SpanParserClean, Ratings) {
    EXPECT_EQ(Clean("Difficulty", "**1/2"), "2.5");
    EXPECT_EQ(Clean("Terrain", "*****"), "5.0");
    EXPECT_EQ(Clean("Terrain", "1/2"), "0.5");
    EXPECT_EQ(Clean("Difficulty", ""), "0.0");
    EXPECT_EQ(Clean("Difficulty", "<img src=\"stars4.gif\" alt=\"4 out of 5\">"), "4");
    EXPECT_EQ(
        Clean("Terrain", "<IMG SRC=\"http://h/images/stars/stars1.gif\" ALT=\"2.5 out of 5\" title=\"2.5 out of 5\">"),
        "2.5");
    EXPECT_EQ(Clean("Difficulty", "<img alt=\"vier\">"), "0.0");
    // Stars win over the alt text.
    EXPECT_EQ(Clean("Difficulty", "*<img alt=\"4 out of 5\">"), "1.0");
    EXPECT_EQ(Clean("Difficulty", std::string(100001, '*')), "100001.0");
}

TEST(SpanParserClean, WatchersAndHints) {
    EXPECT_EQ(Clean("lnkDetails", "<strong>5</strong> user(s) watching this cache."), "5 Beobachter");
    EXPECT_EQ(Clean("LNKDETAILS", "<STRONG></STRONG> user(s) watching this cache."), "");
    tv::LogCounts counts;
    for (const char* bad : {"<strong>5</strong> user(s)", "5 user(s) watching this cache.", ""}) {
        std::string id = "lnkDetails", text = bad;
        EXPECT_FALSE(tv::ParseCacheSection(id, text, kListingHost, counts)) << bad;
    }
    std::string id = "Hints\" class=\"displayMe", text = "Nbc";
    ASSERT_TRUE(tv::ParseCacheSection(id, text, kListingHost, counts));
    EXPECT_EQ(id, "HINTS");
    EXPECT_EQ(text, "Aop");
    id = "hints\" class=\"DisplayMe";
    text = "<br>\r\n";
    ASSERT_TRUE(tv::ParseCacheSection(id, text, kListingHost, counts));
    EXPECT_EQ(text, "n/a");
    id = "Unbekannt";
    text = "x\r\n";
    EXPECT_FALSE(tv::ParseCacheSection(id, text, kListingHost, counts));
    EXPECT_EQ(id, "Unbekannt");
}

TEST(SpanParserClean, TravelBugsSection) {
    EXPECT_EQ(Clean("lnkTravelBugs", "<a href=\"http://h/track/faq.aspx\">What is a Travel Bug?</a>"), "");
    EXPECT_EQ(Clean("lnkTravelBugs", "keine"), "");
    EXPECT_EQ(Clean("lnkTravelBugs",
                    "<A HREF=\"1\"><b>Eins</b></A><a href=\"2\">Zwei</a>"
                    "<a href=\"3\">view bug history</a><a>Drei"),
              "Momentane(r) Travelbug(s) im Cache: \"Eins\", \"Zwei\"");
}

// ---- Log icons and counters --------------------------------------------------------------

TEST(SpanParserLogs, EveryIconInEverySpelling) {
    tv::LogCounts counts;
    counts.LogCountMaintained = 99;
    const auto sections = ParseAll(ListingBody("log_icons.html"), counts);
    ASSERT_EQ(sections.size(), 1u);
    const std::string& logs = sections[0].text;

    const std::array<std::int32_t, 10> expected = {8 + 1, 4, 4, 4, 8, 8, 4, 4, 2, 2};
    EXPECT_EQ(counts.InDisplayOrder(), expected);
    EXPECT_EQ(Occurrences(logs, "<!-- [[LOG]] -->"), 51);
    EXPECT_EQ(Occurrences(logs, "<!-- [[LOG]] -->:-)&nbsp;"), 9);
    EXPECT_EQ(Occurrences(logs, "<!-- [[LOG]] -->:-]&nbsp;"), 4);
    EXPECT_EQ(Occurrences(logs, "<!-- [[LOG]] -->(N)&nbsp;"), 4);
    EXPECT_EQ(Occurrences(logs, "<!-- [[LOG]] -->:-(&nbsp;"), 4);
    EXPECT_EQ(Occurrences(logs, "<!-- [[LOG]] -->(disabled)&nbsp;"), 8);
    EXPECT_EQ(Occurrences(logs, "<!-- [[LOG]] -->(enabled)&nbsp;"), 8);
    EXPECT_EQ(Occurrences(logs, "<!-- [[LOG]] -->[komme]&nbsp;"), 4);
    EXPECT_EQ(Occurrences(logs, "<!-- [[LOG]] -->[war da]&nbsp;"), 4);
    EXPECT_EQ(Occurrences(logs, "<!-- [[LOG]] -->? + ?&nbsp;"), 2);
    EXPECT_EQ(Occurrences(logs, "<!-- [[LOG]] -->! + !&nbsp;"), 2);
    EXPECT_EQ(Occurrences(logs, "<!-- [[LOG]] -->[&uarr;&darr;]"), 2);
    // Elements that are not icons are removed as plain pictures.
    EXPECT_NE(logs.find("<tr><td> needsmaint outside the icons folder</td></tr>"), std::string::npos);
    EXPECT_NE(logs.find("<tr><td> self-closing</td></tr>"), std::string::npos);
    EXPECT_NE(logs.find("<tr><td> other host</td></tr>"), std::string::npos);
    EXPECT_EQ(tv::FastPosNoCase(logs, "<img", 1), 0);

    // The next logs section starts from zero.
    std::string id = "CacheLogs", text = "<tr><td>keine Symbole</td></tr>";
    ASSERT_TRUE(tv::ParseCacheSection(id, text, kListingHost, counts));
    EXPECT_EQ(counts, tv::LogCounts{});

    // Icons of another host are not counted.
    text = "<img src='http://127.0.0.1:8089/images/icon_sad.gif'>";
    ASSERT_TRUE(tv::ParseCacheSection(id, text, "127.0.0.1:9999", counts));
    EXPECT_EQ(counts.LogCountDNF, 0);
    EXPECT_EQ(text, "");
}

TEST(SpanParserLogs, OneRowByteForByte) {
    tv::LogCounts counts;
    std::string id = "CACHELOGS";
    std::string text =
        "<table width=\"90%\"><tr><td><strong><IMG SRC=\"http://127.0.0.1:8089/images/icons/icon_rsvp.gif\" "
        "ALIGN=\"ABSMIDDLE\">&nbsp;May 1 by <A NAME=\"7\"><A HREF=\"p\">Otto</A></STRONG> (2 found)<br>Bis dann "
        "[<A HREF=\"l\">visit log</a>] [ok]</td></tr></table>\r\n";
    ASSERT_TRUE(tv::ParseCacheSection(id, text, kListingHost, counts));
    EXPECT_EQ(text,
              "<table width=\"100%\"><tr><td><!-- [[LOG]] -->[komme]&nbsp;&nbsp;May 1 by Otto (2 found)<br>"
              "Bis dann  [ok]</td></tr></table>");
    EXPECT_EQ(counts.LogCountWillAttend, 1);
}

TEST(SpanParserLogs, ProcessWideCountersAndTheSiteHost) {
    tv::ProcessLogCounts() = tv::LogCounts{};
    std::string id = "CacheLogs", text = "<img src=\"http://LISTING.test/images/icon_attended.gif\">";
    ASSERT_TRUE(tv::ParseCacheSection(id, text, tv::ListingSite{"listing.test", "pics.test"}));
    EXPECT_EQ(tv::ProcessLogCounts().LogCountAttended, 1);
    EXPECT_EQ(text, "<!-- [[LOG]] -->[war da]&nbsp;");
}

// ---- Tags and picture links --------------------------------------------------------------

TEST(SpanParserTags, ExtractBalancedTag) {
    std::string text = "ab<a href=\"<x>\">c</a>", tag;
    ASSERT_TRUE(tv::ExtractBalancedTag(0, text, tag));
    EXPECT_EQ(tag, "<a href=\"<x>\">");
    EXPECT_EQ(text, "abc</a>");
    ASSERT_TRUE(tv::ExtractBalancedTag(0, text, tag));
    EXPECT_EQ(tag, "</a>");
    EXPECT_EQ(text, "abc");
    EXPECT_FALSE(tv::ExtractBalancedTag(0, text, tag));
    EXPECT_EQ(tag, "");

    text = "<b>1</b><i>2</i>";
    ASSERT_TRUE(tv::ExtractBalancedTag(4, text, tag));
    EXPECT_EQ(tag, "</b>");
    EXPECT_EQ(text, "<b>1<i>2</i>");
    EXPECT_FALSE(tv::ExtractBalancedTag(100, text, tag));

    // Unbalanced: nothing changes.
    for (const char* bad : {"x<a<b>", "<<<>>", "<", "no tags"}) {
        text = bad;
        tag = "old";
        EXPECT_FALSE(tv::ExtractBalancedTag(0, text, tag)) << bad;
        EXPECT_EQ(text, bad);
        EXPECT_EQ(tag, "");
    }
}

TEST(SpanParserTags, ImageLinksStepByStep) {
    std::string text =
        "<a href=\"http://127.0.0.1:8090/cache/1.jpg\">Title 1</a>Caption 1"
        "<a href='http://127.0.0.1:8090/cache/2.gif'>Title 2</a>Caption 2 <b>mehr</b>"
        "<a href=\"http://elsewhere/\">Fremd</a>x";
    std::string url, title, caption;
    ASSERT_TRUE(tv::GetNextImageLink(text, url, title, caption, kPictureHost));
    EXPECT_EQ(url, "http://127.0.0.1:8090/cache/1.jpg");
    EXPECT_EQ(title, "Title 1");
    EXPECT_EQ(caption, "Caption 1");
    ASSERT_TRUE(tv::GetNextImageLink(text, url, title, caption, kPictureHost));
    EXPECT_EQ(url, "http://127.0.0.1:8090/cache/2.gif");
    EXPECT_EQ(caption, "Caption 2 ");
    EXPECT_EQ(text, "<a href=\"http://elsewhere/\">Fremd</a>x");
    // A link elsewhere is taken but gives no picture; the old values are gone.
    ASSERT_TRUE(tv::GetNextImageLink(text, url, title, caption, kPictureHost));
    EXPECT_EQ(url, "");
    EXPECT_EQ(title, "");
    EXPECT_EQ(caption, "");
    EXPECT_EQ(text, "Fremd</a>x");

    // Text before the first link is glued to its title; fonts go; an
    // unquoted address ends at the tag's end.
    text = "vorn<font color=red><a href=http://127.0.0.1:8090/c/3.jpg>T</a></font>C";
    ASSERT_TRUE(tv::GetNextImageLink(text, url, title, caption, kPictureHost));
    EXPECT_EQ(url, "http://127.0.0.1:8090/c/3.jpg");
    EXPECT_EQ(title, "vornT");
    EXPECT_EQ(caption, "C");
    EXPECT_EQ(text, "");
    EXPECT_FALSE(tv::GetNextImageLink(text, url, title, caption, kPictureHost));
}

// ---- Flattening --------------------------------------------------------------------------

TEST(SpanParserFlatten, Rules) {
    EXPECT_EQ(tv::FlattenSectionHTML("a<br>b<BR>"), "a</B><BR>\r\nb</B><BR>\r\n");
    // A table from character 30 on goes; one before stays (only its tags go).
    const std::string head(29, '.');
    EXPECT_EQ(tv::FlattenSectionHTML(head + "<table><tr><td>x</td></tr></table>y"), head + "y");
    EXPECT_EQ(tv::FlattenSectionHTML("<table><tr><td>x</td></tr></table>y"), "<P>x</P>y");
    const std::string unclosed = std::string(39, '-') + "<TABLE><tr><td>z";
    EXPECT_EQ(tv::FlattenSectionHTML(unclosed), std::string(39, '-') + "<P>z");
    EXPECT_EQ(tv::FlattenSectionHTML("<p>a</p><b>B</b><a href=x>L</a><br clear=all><font s>f</font>[[BR]]"),
              "</B><BR>\r\naBLf</B><BR>");
}

TEST(SpanParserFlatten, CleanedLogsOfTheFullPage) {
    tv::LogCounts counts;
    auto m = Accepted(ParseAll(ListingBody("full_page.html"), counts));
    std::string expected = "\r\n\r\n";
    for (std::string row : kLogRows) {
        tv::ReplaceAll(row, "<tr><td class=\"Log\">", "<P>");
        tv::ReplaceAll(row, "</td></tr>", "</P>");
        tv::ReplaceAll(row, "<br>", "</B><BR>\r\n");
        expected += row + "\r\n";
    }
    EXPECT_EQ(tv::FlattenSectionHTML(m["CACHELOGS"]), expected);
}

// ---- Log dates ---------------------------------------------------------------------------

TEST(SpanParserDates, LogDates) {
    const year_month_day today{2008y, February, 10d};
    const year_month_day tomorrow{2008y, February, 11d};
    bool bad = true;
    EXPECT_EQ(tv::ParseLogDate("Today", today, &bad), today);
    EXPECT_FALSE(bad);
    EXPECT_EQ(tv::ParseLogDate(" yesterday ", today), (year_month_day{2008y, February, 9d}));
    EXPECT_EQ(tv::ParseLogDate("3 days ago", today), (year_month_day{2008y, February, 7d}));
    EXPECT_EQ(tv::ParseLogDate("41 DAYS AGO", today), (year_month_day{2007y, December, 31d}));
    EXPECT_EQ(tv::ParseLogDate("7 Nov 07", today, &bad), (year_month_day{2007y, November, 7d}));
    EXPECT_FALSE(bad);
    EXPECT_EQ(tv::ParseLogDate("29 feb 08", today), (year_month_day{2008y, February, 29d}));
    EXPECT_EQ(tv::ParseLogDate("07   Nov   07", today), (year_month_day{2007y, November, 7d}));
    for (const char* s : {"7 Foo 07", "123 Nov 07", "31 Feb 08", "many days ago", "Nov 7 07", "7 Nov", "7 Nov 7", "",
                          "7 Nov xx", "99999999999999999999 days ago"}) {
        bad = false;
        EXPECT_EQ(tv::ParseLogDate(s, today, &bad), tomorrow) << s;
        EXPECT_TRUE(bad) << s;
    }
}

TEST(SpanParserDates, TodayComesFromTheClock) {
    tv::platform::ScopedFakes fakes;
    fakes.clock.time = {2007, 12, 31, 23, 59, 0, 0};
    EXPECT_EQ(tv::ParseLogDate("today"), (year_month_day{2007y, December, 31d}));
    EXPECT_EQ(tv::ParseLogDate("kaputt"), (year_month_day{2008y, January, 1d}));
}

}  // namespace
