#include "exchange/wp_sources.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

using namespace tv;
using Codes = std::vector<std::string>;

TEST(WaypointSources, TextLines) {
    const CodesRead r = CodesFromText("gc12345;Mein Cache\nGC\n GC777\nGC1\nGC88\r\nGC9 \n");
    EXPECT_EQ(r.codes, (Codes{"GC12345", "GC1", "GC88", "GC9 "}));
}

TEST(WaypointSources, GpxNamesByQualifiedName) {
    const std::string gpx =
        "<gpx xmlns:groundspeak=\"http://www.groundspeak.com/cache/1/0\"><metadata><name>GC Tour</name></metadata>"
        "<wpt lat=\"1\" lon=\"2\"><name>GC1A</name><groundspeak:cache><groundspeak:name>GC-Treffen"
        "</groundspeak:name></groundspeak:cache></wpt><wpt lat=\"1\" lon=\"2\"><name><![CDATA[GC2B]]></name></wpt>"
        "<wpt lat=\"1\" lon=\"2\"><name/><desc>GC3C</desc></wpt><wpt><name> gc4d\n</name></wpt></gpx>";
    EXPECT_EQ(CodesFromGpx(gpx).codes, (Codes{"GC TOUR", "GC1A", "GC4D"}));
    // Control bytes and a bare '&' no longer end the parse; a real break keeps what came before.
    CodesRead r =
        CodesFromGpx("<gpx><wpt><name>GC\x01X</name><desc>A & B</desc></wpt><wpt><name>GCY</name></wpt></gpx>");
    EXPECT_EQ(r.codes, (Codes{"GC X", "GCY"}));
    EXPECT_TRUE(r.complete);
    r = CodesFromGpx("<gpx><wpt><name>GCZ</name><desc>" + std::string(4000, 'x') +
                     "</desc></wpt><wpt><name>GCW</nam></wpt>");
    EXPECT_EQ(r.codes, (Codes{"GCZ"}));
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(CleanXmlBytes("a\x02&amp;&#38;&x &\t\r\n"), "a&amp;&#38;&amp;x &amp;\t\r\n");
}

// The filter of every GPX reader: a bare '&' and a Windows-1252 byte in a
// file declared UTF-8 cost no code, neither before nor after them.
TEST(WaypointSources, BareAmpersandAndWindows1252ByteKeepEveryCode) {
    const std::string gpx =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<gpx>\r\n<wpt lat=\"1\" lon=\"2\"><name>GC11</name></wpt>\r\n"
        "<wpt lat=\"1\" lon=\"2\"><name>GC22</name><desc>Gr\xF6\xDF" "e & Weg</desc></wpt>\r\n"
        "<wpt lat=\"1\" lon=\"2\"><name>GC33</name><cmt>Stra\xDF" "e</cmt></wpt>\r\n</gpx>\r\n";
    CodesRead r = CodesFromGpx(gpx);
    EXPECT_EQ(r.codes, (Codes{"GC11", "GC22", "GC33"}));
    EXPECT_TRUE(r.complete);
    const std::string loc =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<loc version=\"1.0\" src=\"Groundspeak\">\r\n"
        "<waypoint><name id=\"GC11\"><![CDATA[Erster]]></name></waypoint>\r\n"
        "<waypoint><name id=\"GC22\">Gr\xF6\xDF" "e & Weg</name></waypoint>\r\n"
        "<waypoint><name id=\"GC33\">M\xFChle</name></waypoint>\r\n</loc>\r\n";
    r = CodesFromLoc(loc);
    EXPECT_EQ(r.codes, (Codes{"GC11", "GC22", "GC33"}));
    EXPECT_TRUE(r.complete);
    tvtest::TempDir dir;
    EXPECT_EQ(CodesFromFile(dir.write("a.gpx", gpx).string(), WpFileFormat::Gpx).codes, (Codes{"GC11", "GC22", "GC33"}));
    EXPECT_EQ(CodesFromFile(dir.write("a.loc", loc).string(), WpFileFormat::Loc).codes, (Codes{"GC11", "GC22", "GC33"}));
}

TEST(WaypointSources, LocFirstAttribute) {
    const std::string loc =
        "<loc><waypoint><name id=\"GC1XYZ\"><![CDATA[X by Y]]></name></waypoint>"
        "<waypoint><NAME ID=\"gc2\">t</NAME></waypoint><waypoint><name id=\"OC1\"/></waypoint></loc>";
    EXPECT_EQ(CodesFromLoc(loc).codes, (Codes{"GC1XYZ", "GC2"}));
}

TEST(WaypointSources, RealFiles) {
    const Codes nine{"GCEBB", "GC1A37", "GC1C2B", "GC25A9", "GC2723", "GC2B71", "GC309F", "GC317A", "GC317D"};
    const auto path = [](const char* f) { return tvtest::TestsPath(std::string("data/real/") + f).string(); };
    EXPECT_EQ(CodesFromFile(path("gpsbabel/geocaching.gpx"), WpFileFormat::Gpx).codes, nine);
    EXPECT_EQ(CodesFromFile(path("gpsbabel/geocaching.loc"), WpFileFormat::Loc).codes, nine);
    // A pocket query: the cache titles in groundspeak:name are no codes.
    EXPECT_EQ(CodesFromFile(path("cgeo/gc31j2h.gpx"), WpFileFormat::Gpx).codes, (Codes{"GC31J2H"}));
    EXPECT_EQ(CodesFromFile(path("cgeo/gc1bkp3_loc.loc"), WpFileFormat::Loc).codes, (Codes{"GC1BKP3"}));
    const CodesRead none = CodesFromFile(path("no/such.gpx"), WpFileFormat::Gpx);
    EXPECT_TRUE(none.codes.empty());
    EXPECT_FALSE(none.complete);
}
