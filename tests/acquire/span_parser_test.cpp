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

// ---- Section walk ------------------------------------------------------------------------

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

// ---- Log icons and counters --------------------------------------------------------------

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

// ---- Tags and picture links --------------------------------------------------------------

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
    const std::string shorter(28, '.');
    EXPECT_EQ(tv::FlattenSectionHTML(shorter + "<table><tr><td>x</td></tr></table>y"), shorter + "<P>x</P>y");
    EXPECT_EQ(tv::FlattenSectionHTML("<table><tr><td>x</td></tr></table>y"), "<P>x</P>y");
    const std::string unclosed = std::string(39, '-') + "<TABLE><tr><td>z";
    EXPECT_EQ(tv::FlattenSectionHTML(unclosed), std::string(39, '-') + "<P>z");
    EXPECT_EQ(tv::FlattenSectionHTML("<p>a</p><b>B</b><a href=x>L</a><br clear=all><font s>f</font>[[BR]]"),
              "</B><BR>\r\naBLf</B><BR>");
}

// ---- Log dates ---------------------------------------------------------------------------

TEST(SpanParserDates, RelativeDatesCountBackFromToday) {
    const year_month_day today{year{2008}, month{3}, day{2}};
    const auto date = [&](const char* text) {
        bool bad = true;
        const year_month_day d = tv::ParseLogDate(text, today, &bad);
        EXPECT_FALSE(bad) << text;
        return d;
    };
    EXPECT_EQ(date("Today"), today);
    EXPECT_EQ(date("Yesterday"), (year_month_day{year{2008}, month{3}, day{1}}));
    EXPECT_EQ(date("1 days ago"), (year_month_day{year{2008}, month{3}, day{1}}));
    // Back over the end of a leap February.
    EXPECT_EQ(date("2 days ago"), (year_month_day{year{2008}, month{2}, day{29}}));
    EXPECT_EQ(date(" 3 DAYS AGO "), (year_month_day{year{2008}, month{2}, day{28}}));
    EXPECT_EQ(date("0 days ago"), today);
    EXPECT_EQ(date("13 Feb 08"), (year_month_day{year{2008}, month{2}, day{13}}));
}

}  // namespace
