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

// The byte filter of every GPX reader: one bare '&' or one Windows-1252 byte
// in a file declared UTF-8 no longer loses the file.
TEST(AddWpImport, BareAmpersandAndWindows1252ByteImportEveryWaypoint) {
    const std::string gpx = Gpx(
        "\r\n<wpt lat=\"48.1\" lon=\"8.1\"><name>PK11111</name><cmt>Parken & Laufen</cmt><sym>Parking Area</sym></wpt>"
        "\r\n<wpt lat=\"48.2\" lon=\"8.2\"><name>ST11111</name><desc>Gr\xF6\xDF" "e</desc><cmt>Br\xC3\xBC" "cke</cmt></wpt>"
        "\r\n<wpt lat=\"48.3\" lon=\"8.3\"><name>FN11111</name><desc>A &amp; B &nbsp;</desc></wpt>\r\n");
    const auto p = ParseAddWaypoints(gpx);
    ASSERT_TRUE(p.ok()) << p.error().message;
    ASSERT_EQ(p->records.size(), 3u);
    EXPECT_EQ(p->records[0].Comment.str(), "Parken & Laufen");
    EXPECT_EQ(p->records[1].Description.str() + "|" + p->records[1].Comment.str(), "Gr\xF6\xDF" "e|Br\xFC" "cke");
    EXPECT_EQ(p->records[2].Description.str(), "A & B &nbsp;");  // as the filter reads it

    tvtest::TempDir dir;
    const auto r = ImportAddWaypointsFile(dir.write("GC11111WPTS.GPX", gpx).string(), dir.str() + "CacheWaypoints.bin");
    ASSERT_TRUE(r.ok()) << r.error().message;
    EXPECT_EQ(r->inFile, 3);
    EXPECT_EQ(dir.read("CacheWaypoints.bin"), EncodeAddWPRecs(p->records));
}

// Ids that could not name a file, or would be cut to the record's 16
// characters, never reach the store; each is named once in the log.
TEST(AddWpImport, UnsafeIdsAreSkippedCountedAndNamed) {
    const auto wpt = [](const std::string& name) {
        return "<wpt lat=\"1\" lon=\"2\"><name>" + name + "</name><sym>Stage</sym></wpt>";
    };
    const std::string gpx = Gpx(wpt("../../x") + wpt("PK1/2") + wpt("PK\x01X") + wpt("PK1:2") +
                                wpt("PK123456789ABCDEF") + wpt("PK1/2") + wpt(" PK123 ") + wpt("PK123456789ABCDE"));
    const auto p = ParseAddWaypoints(gpx);
    ASSERT_TRUE(p.ok()) << p.error().message;
    ASSERT_EQ(p->records.size(), 2u);
    EXPECT_EQ(p->records[0], tvtest::AddWPPoint("GC123", "PK123", 1, 2, "Stage"));
    EXPECT_EQ(p->records[1].CacheCode.str() + " " + p->records[1].Id.str(), "GC123456789ABCDE PK123456789ABCDE");
    EXPECT_EQ(p->log, (Lines{"7 - PK123: Stage", "8 - PK123456789ABCDE: Stage"}));

    tvtest::TempDir dir;
    const auto r = ImportAddWaypoints(gpx, dir.str() + "CacheWaypoints.bin");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r->refused.count(), 6);
    EXPECT_EQ(r->log, (Lines{"7 - PK123: Stage", "8 - PK123456789ABCDE: Stage",
                             W("6 Einträge mit ungültigem Wegpunktcode übersprungen: ../../x, PK1/2, PK X, PK1:2, "
                               "PK123456789ABCDEF"),
                             "Gespeicherte Waypoints bisher: 0", "Waypoints dieser Datei: 2",
                             "Waypoints nach Einlesen: 2"}));
    EXPECT_EQ(dir.read("CacheWaypoints.bin"), EncodeAddWPRecs(p->records));
}

// The file is read in blocks: a waypoint across a block boundary and a
// store already holding some ids come out as from the text at once.
TEST(AddWpImport, FileStreamedLikeTheTextAndSummarizedInPart) {
    std::string body;
    for (int i = 0; i < 3000; ++i)
        body += "\r\n<wpt lat=\"48." + std::to_string(i) + "\" lon=\"8\"><name>PK" + std::to_string(10000 + i) +
                "</name><desc>Stufe " + std::to_string(i) + " &amp; mehr</desc><cmt>" + std::string(40, 'k') +
                "</cmt><sym>Stages of a Multicache</sym></wpt>";
    const std::string gpx = Gpx(body + "\r\n");
    ASSERT_GT(gpx.size(), 3u * 65536u);
    tvtest::TempDir a, b;
    const std::vector<TAddWPRec> old{tvtest::AddWPPoint("GC10005", "PK10005", 1, 1, "alt"),
                                     tvtest::AddWPPoint("GC9", "XX9", 2, 2, "bleibt")};
    a.write("CacheWaypoints.bin", EncodeAddWPRecs(old));
    b.write("CacheWaypoints.bin", EncodeAddWPRecs(old));
    const auto fromFile = ImportAddWaypointsFile(a.write("x_wpts.gpx", gpx).string(), a.str() + "CacheWaypoints.bin");
    const auto fromText = ImportAddWaypoints(gpx, b.str() + "CacheWaypoints.bin");
    ASSERT_TRUE(fromFile.ok() && fromText.ok());
    EXPECT_EQ(fromFile->log, fromText->log);
    EXPECT_EQ(fromFile->after, 3001);
    EXPECT_EQ(a.read("CacheWaypoints.bin"), b.read("CacheWaypoints.bin"));
    TAddWPList store;
    ASSERT_EQ(LoadAddWaypoints(store, a.str() + "CacheWaypoints.bin"), 3001);
    EXPECT_EQ(store.At(0).Description.str(), "Stufe 5 & mehr");
    EXPECT_EQ(store.At(3000).Id.str(), "PK12999");

    // The memo gets the beginning up to a line end; the counts are the file's.
    const AddWpFileSummary part = SummarizeAddWpFile(a.str() + "x_wpts.gpx", 1000);
    ASSERT_TRUE(part.readable);
    EXPECT_FALSE(part.whole);
    EXPECT_EQ(part.size, gpx.size());
    EXPECT_EQ(part.lines, static_cast<std::uint64_t>(CountTextLines(gpx)));
    EXPECT_EQ(part.lines, 3003u);
    EXPECT_EQ(part.definitions, 3000u);
    EXPECT_LE(part.shown.size(), 1000u);
    EXPECT_EQ(part.shown, gpx.substr(0, part.shown.size()));
    EXPECT_EQ(part.shown.back(), '\n');
    EXPECT_EQ(AddWpCaption("x.gpx", part), W("Importdatei: x.gpx (3003 Zeilen, 3000 Waypointdefinitionen) - angezeigt "
                                             "ist der Anfang (0,0 MB von 0,5 MB), eingelesen wird die ganze Datei"));
    const AddWpFileSummary all = SummarizeAddWpFile(a.str() + "x_wpts.gpx");
    EXPECT_TRUE(all.whole);
    EXPECT_EQ(all.shown, gpx);
    EXPECT_EQ(AddWpCaption("x.gpx", all), "Importdatei: x.gpx (3003 Zeilen, 3000 Waypointdefinitionen)");
}

// The memo shows the file in its own encoding and gives the edited text
// back in it.
TEST(AddWpImport, MemoTextInTheFilesOwnEncoding) {
    EXPECT_EQ(DeclaredTextEncoding("<?xml version=\"1.0\"?><gpx>"), TextEncoding::Utf8);
    EXPECT_EQ(DeclaredTextEncoding("<?xml version='1.0' encoding='utf-8'?>"), TextEncoding::Utf8);
    EXPECT_EQ(DeclaredTextEncoding("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"), TextEncoding::Cp1252);
    EXPECT_EQ(DeclaredTextEncoding("<?xml version=\"1.0\" encoding=\"Windows-1252\" ?>\n<gpx"), TextEncoding::Cp1252);
    EXPECT_EQ(DeclaredTextEncoding("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"), TextEncoding::Utf8);
    EXPECT_EQ(DeclaredTextEncoding("<gpx encoding=\"latin1\">"), TextEncoding::Utf8);

    // UTF-8 stays; a stray Windows-1252 byte shows as its character.
    EXPECT_EQ(MemoTextFromFile("Gr\xC3\xB6\xC3\x9F" "e \xF6 \xE2\x82\xAC \xC3", TextEncoding::Utf8),
              "Gr\xC3\xB6\xC3\x9F" "e \xC3\xB6 \xE2\x82\xAC \xC3\x83");
    EXPECT_EQ(MemoTextFromFile("Gr\xF6\xDF" "e \x80", TextEncoding::Cp1252), "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC");
    EXPECT_EQ(FileTextFromMemo("Br\xC3\xBC" "cke", TextEncoding::Utf8), "Br\xC3\xBC" "cke");
    EXPECT_EQ(FileTextFromMemo("Br\xC3\xBC" "cke", TextEncoding::Cp1252), "Br\xFC" "cke");

    // An umlaut typed into the memo of either file reads back as typed.
    for (const char* decl : {"utf-8", "windows-1252"}) {
        const TextEncoding enc = DeclaredTextEncoding(std::string("<?xml version=\"1.0\" encoding=\"") + decl + "\"?>");
        const std::string memo = "<?xml version=\"1.0\" encoding=\"" + std::string(decl) +
                                 "\"?>\n<gpx><wpt lat=\"1\" lon=\"2\"><name>PK1</name><desc>M\xC3\xBChle</desc></wpt></gpx>";
        const auto p = ParseAddWaypoints(FileTextFromMemo(memo, enc));
        ASSERT_TRUE(p.ok()) << decl;
        EXPECT_EQ(p->records.at(0).Description.str(), "M\xFChle") << decl;
    }
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
