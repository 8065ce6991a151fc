#include "pages/description_data.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/cache_db.h"
#include "core/proc_settings.h"
#include "platform/text_encoding.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

constexpr const char* kMarker = "<!-- [[LOG]] -->";

// One log row as the logs section looks after the span parser: marker, date,
// finder, found count, text.
std::string Row(const std::string& kind, const std::string& finder, const std::string& text = "t") {
    return std::string("<tr><td>") + kMarker + kind + "&nbsp;November 5 by " + finder + " (12 found)<br>" + text +
           "</td></tr>";
}

TEST(DescriptionLogs, FoundLogsAndBuddiesAcrossTheLogs) {
    const BuddyMatcher buddies({"alice", "CAROL", ""});
    TCacheDescription d;
    ProcessCacheLogs("<table>" + Row(":-)&nbsp;", "Alice") + Row(":-(&nbsp;", "Bob") + Row(":-)&nbsp;", "Carol") +
                         "</table>",
                     GatherOptions{"", false}, buddies, d);
    EXPECT_EQ(d.LatestFoundLog, "&nbsp;November 5 by Alice");
    EXPECT_EQ(d.FirstFoundLog, "&nbsp;November 5 by Carol");
    EXPECT_EQ(d.FoundBuddies, (std::vector<std::string>{"Alice", "Carol"}));
}

TEST(DescriptionLogs, LogLimitCutsAtTheParagraphBeforeTheNextLog) {
    std::string four;
    for (int i = 0; i < 4; ++i) four += Row(":-(&nbsp;", "X" + std::to_string(i));
    TCacheDescription d;
    ProcessCacheLogs(four, GatherOptions{"3", false}, BuddyMatcher(), d);
    const std::string whole = FlattenSectionHTML(four);
    const std::size_t fourth = whole.rfind(kMarker);
    const std::size_t close = whole.rfind("</P>", fourth);
    ASSERT_NE(close, std::string::npos);
    EXPECT_EQ(d.CacheLogs, whole.substr(0, close + 4));
    EXPECT_EQ(d.LogLimitations, W("Die Ausgabe der Logs wurde auf maximal 3 beschränkt."));

    std::string three;
    for (int i = 0; i < 3; ++i) three += Row(":-(&nbsp;", "X");
    for (const char* limit : {"3", "", "0", "abc", "-2"}) {
        TCacheDescription e;
        ProcessCacheLogs(limit == std::string("3") ? three : four, GatherOptions{limit, false}, BuddyMatcher(), e);
        EXPECT_EQ(e.CacheLogs, FlattenSectionHTML(limit == std::string("3") ? three : four)) << limit;
        EXPECT_EQ(e.LogLimitations, "") << limit;
    }
}

TEST(DescriptionText, MapLinksByteExact) {
    EXPECT_EQ(GoogleMapLinkFor(48.5, 8.25, "http://gm.test"),
              "<a href=\"http://gm.test/maps?f=q&q=N48\xB0+30.000+E008\xB0+15.000\" target=\"_blank\">GoogleMap</a>");
    EXPECT_EQ(CacheMapLinkFor(48.5, 8.25, "http://mq.test"),
              "<A HREF=\"http://mq.test/maps/map.adp?latlongtype=decimal&latitude=48.500&longitude=8.250&zoom=6"
              "&style=RARE&size=medium\" target=\"_blank\">Mapquest-Karte</A>");
    EXPECT_EQ(GoogleMapLinkFor(-33.5, -70.25, "h").find("q=S33\xB0+30.000+W070\xB0+15.000"), 20u);
}

// ---- Pictures -------------------------------------------------------------------------------

// ---- Whole record -----------------------------------------------------------------------------

class ReadCacheDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        TCacheRec rec = tvtest::CacheRecord("GC1", "Fish & <Chips>", 48.5, 8.25);
        rec.Hidden = *DayCountFromDate(2007, 11, 5);
        rec.Difficulty = "2";
        rec.Terrain = "1.5";
        rec.CacheType = "";
        rec.Size = "Micro";
        work.writeCaches({rec});
        sources.outDir = out.str();
        sources.mapquestBase = "http://mq.test";
        sources.googleBase = "http://gm.test";
        sources.site.host = "gc.test";
    }
    tvtest::WorkFolder work;
    tvtest::TempDir out;
    GatherSources sources;
};

TEST_F(ReadCacheDataTest, DatabaseOnlyTextsAreEscapedAndTheMissingPageIsMarked) {
    const TCacheDescription d = ReadCacheData("gc1", GatherOptions{}, sources);
    EXPECT_EQ(d.CacheName, "Fish &amp; &lt;Chips&gt;");
    EXPECT_EQ(d.LatLon, W("N 48° 30.000 E 008° 15.000"));
    EXPECT_EQ(d.DateHidden, "05.11.2007");
    EXPECT_EQ(d.CacheType, "?");
    EXPECT_EQ(d.CacheSize, "Micro");
    EXPECT_EQ(d.OrigCreationDate, "?");
    EXPECT_EQ(d.OrigCreationDateTime, "?");
    EXPECT_FALSE(d.PageFound);
    ASSERT_TRUE(d.DatabaseCoords.has_value());
    EXPECT_EQ(d.GoogleMapLink, GoogleMapLinkFor(48.5, 8.25, "http://gm.test"));
    EXPECT_EQ(d.CacheMapLink, CacheMapLinkFor(48.5, 8.25, "http://mq.test"));
}

TEST_F(ReadCacheDataTest, PageWithoutHintsGetsTheDefaultTextAndUnsafeCodesReadNothing) {
    out.write("GC1.html", "<body><span id=\"CacheName\">x</span></body>");
    TCacheDescription d = ReadCacheData("GC1", GatherOptions{}, sources);
    EXPECT_EQ(d.Hints, "Keine weiteren Hinweise verf&uuml;gbar.");
    EXPECT_EQ(d.CacheName, "x");

    out.write("GC1*.html", "<body><span id=\"CacheName\">y</span></body>");
    d = ReadCacheData("GC1*", GatherOptions{}, sources);
    EXPECT_FALSE(d.PageFound);
    EXPECT_EQ(d.CacheName, "");
    EXPECT_EQ(d.CacheType, "?");
}

}  // namespace
}  // namespace tv
