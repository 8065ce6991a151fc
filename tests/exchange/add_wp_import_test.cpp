#include "exchange/add_wp_import.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/addwp_db.h"
#include "core/file_procs.h"
#include "platform/text_encoding.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

using Lines = std::vector<std::string>;

std::string Gpx(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<gpx xmlns=\"http://www.topografix.com/GPX/1/0\">" + body +
           "</gpx>";
}

TEST(AddWpImport, RecordsFromWaypoints) {
    const auto p = ParseAddWaypoints(
        Gpx("<wpt lat=\"48.12345\" lon=\"8.5\"><name>PK1A2B3</name><cmt>Parken &amp; mehr</cmt><desc>Parkplatz</desc>"
            "<sym>Parking Area</sym></wpt>\r\n"
            "<wpt lat='1' lon=\"2\"><desc>Br\xC3\xBC"
            "cke &amp;#228;</desc><cmt>&amp;lt;b&amp;gt;" +
            std::string(300, 'c') + "</cmt><sym>" + std::string(30, 's') +
            "</sym><groundspeak:name xmlns:groundspeak=\"g\">G</groundspeak:name>"
            "<Name>X</Name><name lang=\"de\">ST12345</name></wpt><WPT lat=\"3\" lon=\"3\"/><wpt "
            "lon=\"8\"><name>PK</name></wpt>"));
    ASSERT_TRUE(p.ok()) << p.error().message;
    ASSERT_EQ(p->records.size(), 3u);
    const AddWPRecBytes b = EncodeAddWPRec(p->records[0]);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data()), 8), "\x07GC1A2B3");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data()) + 17, 7), std::string(7, '\0'));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data()) + 40, 8), "\x07PK1A2B3");
    EXPECT_EQ(p->records[0],
              tvtest::AddWPPoint("GC1A2B3", "PK1A2B3", 48.12345, 8.5, "Parking Area", "Parkplatz", "Parken & mehr"));
    const TAddWPRec& second = p->records[1];
    EXPECT_EQ(second.Id.str() + "|" + second.CacheCode.str() + "|" + second.Description.str(),
              "ST12345|GC12345|Br\xFC"
              "cke \xE4");
    EXPECT_EQ(second.Comment.str(), "<b>" + std::string(247, 'c'));
    EXPECT_EQ(second.WPType.str(), std::string(25, 's'));
    EXPECT_EQ(p->records[2], tvtest::AddWPPoint("GC", "PK", 0, 8, ""));
    EXPECT_EQ(p->log, (Lines{"1 - PK1A2B3: Parking Area", "2 - ST12345: " + std::string(25, 's'),
                             "3 - PK: ", "3 - PK: Koordinate fehlt"}));

    const auto bad = ParseAddWaypoints(Gpx("<wpt lat=\"1\" lon=\"1\"/><wpt lat=\"abc\" lon=\"1\"/>"));
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(bad.error().message, W("Waypoint 2: 'abc' ist kein gültiger Gleitkommawert."));
    EXPECT_FALSE(ParseAddWaypoints(Gpx("<wpt lat=\"1\" lon=\"1\">")).ok());
    EXPECT_FALSE(ParseAddWaypoints(Gpx("<wpt lat=\"nan\" lon=\"1\"/>")).ok());
    EXPECT_TRUE(ParseAddWaypoints(Gpx("<wpt lat=\" +1.5\" lon=\"-1e1\"/>")).ok());
}

TEST(AddWpImport, MergesIntoTheStore) {
    tvtest::TempDir dir;
    const std::string store = dir.str() + "CacheWaypoints.bin";
    // Nothing to store: no file appears.
    ASSERT_TRUE(ImportAddWaypoints(Gpx(""), store).ok());
    EXPECT_FALSE(IsRegularFile(store));

    dir.write("CacheWaypoints.bin", EncodeAddWPRecs({tvtest::AddWPPoint("GC1", "S1", 1, 1, "x"),
                                                     tvtest::AddWPPoint("GC1A2B3", "PK1A2B3", 5, 5, "old")}));
    const auto r = ImportAddWaypoints(
        Gpx("<wpt lat=\"48\" lon=\"8\"><name>PK1A2B3</name></wpt><wpt lat=\"1\" lon=\"2\"><name>T2</name></wpt>"
            "<wpt lat=\"3\" lon=\"4\"><name>T2</name></wpt>"),
        store);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(Lines(r->log.end() - 3, r->log.end()),
              (Lines{"Gespeicherte Waypoints bisher: 2", "Waypoints dieser Datei: 3", "Waypoints nach Einlesen: 3"}));
    EXPECT_EQ(dir.read("CacheWaypoints.bin"), EncodeAddWPRecs({tvtest::AddWPPoint("GC1", "S1", 1, 1, "x"),
                                                               tvtest::AddWPPoint("GC1A2B3", "PK1A2B3", 48, 8, ""),
                                                               tvtest::AddWPPoint("GC", "T2", 3, 4, "")}));

    // A store that is not whole records is not rewritten.
    dir.write("CacheWaypoints.bin", "short");
    EXPECT_FALSE(ImportAddWaypoints(Gpx(""), store).ok());
    EXPECT_EQ(dir.read("CacheWaypoints.bin"), "short");
}

TEST(AddWpImport, RealCompanionFile) {
    const std::string gpx = tvtest::ReadFileBytes(tvtest::Fixture("../data/real/cgeo/gc31j2h_wpts.gpx"));
    EXPECT_EQ(CountTextLines(gpx), 32);
    EXPECT_EQ(CountLinesContaining(gpx, "</wpt>"), 2);
    tvtest::TempDir dir;
    const auto r = ImportAddWaypoints(gpx, dir.str() + "CacheWaypoints.bin");
    ASSERT_TRUE(r.ok());
    TAddWPList all;
    ASSERT_EQ(LoadAddWaypoints(all, dir.str() + "CacheWaypoints.bin"), 2);
    EXPECT_EQ(all.At(0), tvtest::AddWPPoint("GC31J2H", "0031J2H", 49.317517, 8.545083, "Parking Area", "Parkplatz",
                                            "Kostenfreies Parken (je nach Parkreihe Parkscheibe erforderlich)"));
    EXPECT_EQ(all.At(1).CacheCode.str() + " " + all.At(1).WPType.str(), "GC31J2H Stages of a Multicache");
    EXPECT_EQ(WaypointTypeLabel(all.At(0).WPType.view()), "Parken");
}

}  // namespace
}  // namespace tv
