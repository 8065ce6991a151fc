// Map addresses, coordinates from map links, the marker file and the online
// map page written from the shipped template.
#include "geo/map_links.h"

#include <gtest/gtest.h>
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/xpath.h>

#include <filesystem>

#include "core/cache_rec.h"
#include "platform/text_encoding.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

TEST(MapLinks, MapAddressKeepsTheFloatDigits) {
    EXPECT_EQ(BuildMapUrl(48.137f, 11.575f, 1, 0),
              "https://maps.google.de/maps?f=q&hl=de&q=48.137001+11.575000&ie=UTF8&om=1&z=16"
              "&ll=48.137001,11.575000");
    const std::string photo = BuildMapUrl(-33.5f, -70.25f, 2, 1);
    EXPECT_NE(photo.find("q=-33.500000+-70.250000&ie=UTF8&om=1&z=13&t=k&ll=-33.500000,-70.250000"),
              std::string::npos);
    EXPECT_NE(BuildMapUrl(1, 2, 2, 0).find("&z=14&ll="), std::string::npos);
    EXPECT_NE(BuildMapUrl(1, 2, 3, 2).find("&z=10&t=h&ll="), std::string::npos);
    EXPECT_EQ(RadiusSearchUrl(ListingSite{}, 48.137, 11.575),
              "http://www.geocaching.com/seek/nearest.aspx?origin_lat=48.137&origin_long=11.575"
              "&dist=100&submit3=Search");
}

TEST(MapLinks, CoordinatesOfLinksInAllFourQuarters) {
    struct Case {
        const char* link;
        double lat, lon;
        const char *latDm, *lonDm;
    };
    const Case cases[] = {
        {"http://maps.google.de/maps?f=q&ll=48.137,11.575&spn=0.01", 48.137, 11.575, "N 48° 8.220", "E 011° 34.500"},
        {"https://maps.google.com/maps?q=x&ll=-33.5,-70.25&z=3", -33.5, -70.25, "S 33° 30.000", "W 070° 15.000"},
        {"http://maps.google.de/?x=1&ll=40.7,-74.0&t=h", 40.7, -74.0, "N 40° 42.000", "W 074° 0.000"},
        {"http://maps.google.de/?x=1&ll=-6.2,106.8&t=h", -6.2, 106.8, "S 06° 12.000", "E 106° 48.000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link);
        const MapLinkResult r = ParseMapLink(c.link);
        ASSERT_TRUE(r.link);
        EXPECT_DOUBLE_EQ(r.link->lat, c.lat);
        EXPECT_DOUBLE_EQ(r.link->lon, c.lon);
        const DmHalves dm = SplitDmForLink(r.link->lat, r.link->lon);
        EXPECT_EQ(dm.lat, W(c.latDm));
        EXPECT_EQ(dm.lon, W(c.lonDm));
    }
    const MapLinkResult first = ParseMapLink(cases[0].link);
    EXPECT_EQ(first.link->latText + "|" + first.link->lonText, "48.137|11.575");

    const std::pair<const char*, MapLinkError> bad[] = {
        {"http://maps.google.de/maps?f=q&ll=48.137,11.575", MapLinkError::NoCoordinates},  // nothing after
        {"http://maps.google.de/maps?f=q&ll=48.137&z=3,5", MapLinkError::NoCoordinates},   // comma too late
        {"http://maps.google.de/maps?ll=48.137,11.575&z=3", MapLinkError::NoCoordinates},  // not "&ll="
        {"", MapLinkError::NoCoordinates},
        {"x&ll=48.1x7,11.575&z=3", MapLinkError::BadNumber},
        {"x&ll=48.137&z=3", MapLinkError::BadNumber},
        {"x&ll=91,11&z=3", MapLinkError::BadNumber},
    };
    for (const auto& [link, error] : bad) EXPECT_EQ(ParseMapLink(link).error, error) << link;
    EXPECT_EQ(MapLinkErrorText(MapLinkError::BadNumber), "Fehlerhaftes Zeichen in der Koordinatenangabe gefunden.");

    EXPECT_TRUE(IsMapServiceLink("HTTP://Maps.Google.DE/maps?x"));
    EXPECT_TRUE(IsMapServiceLink("https://www.google.com/maps?x"));
    EXPECT_FALSE(IsMapServiceLink("https://evil.example/maps.google.de"));
    EXPECT_FALSE(IsMapServiceLink("maps.google.de"));
}

TEST(MapLinks, MarkerLinesAreEscapedXml) {
    EXPECT_EQ(EscapeMarkerName(W("Schöne \"Aussicht\" & <Höhle>")), "Schoene 'Aussicht' + &lt;Hoehle&gt;");
    EXPECT_EQ(EscapeMarkerName(W("Café\tÄÖÜß")), "Caf  AeOeUess");

    TCacheRec rec = tvtest::CacheRecord("GC1234", "Test", 48.137, 11.575);
    rec.CacheType = "LOCATIONLESS CACHE";
    rec.Difficulty = "1.5";
    rec.Terrain = "2";
    rec.Size = "Micro";
    EXPECT_EQ(MarkerLine(rec), "<marker lat=\"48.13700\" lng=\"11.57500\" wpt=\"[b]GC1234[/b][br]Test\" icon=\"3\" "
                               "diff=\"1.5\" terr=\"2\" size=\"Micro\"/>");
    rec.Waypoint = "GC\"<&";
    rec.Size = "\"/><x";
    EXPECT_NE(MarkerLine(rec).find("wpt=\"[b]GC&quot;&lt;&amp;[/b]"), std::string::npos);
    EXPECT_NE(MarkerLine(rec).find("size=\"&quot;/&gt;&lt;x\"/>"), std::string::npos);

    const std::pair<const char*, int> icons[] = {{"Traditional Cache", 1}, {"MULTI-CACHE", 2}, {"VIRTUAL CACHE", 3},
                                                 {"LETTERBOX HYBRID", 4},  {"EVENT CACHE", 5}, {"UNKNOWN CACHE", 6},
                                                 {"WEBCAM CACHE", 7}, {"CACHE IN TRASH OUT E", 8},
                                                 {"EARTHCACHE", 9},       {"MEGA-EVENT CACHE", 1}};
    for (const auto& [type, icon] : icons) EXPECT_EQ(TypeToIcon(type), icon) << type;
}

TEST(MapLinks, ZoomFromTheSpans) {
    EXPECT_EQ(ZoomLevel(180, 0), 6);
    EXPECT_EQ(ZoomLevel(0, 0), 13);
    EXPECT_EQ(ZoomLevel(10, 11), 11);  // both tests are strictly greater
    EXPECT_EQ(ZoomLevel(0, 361), 5);
    EXPECT_EQ(ZoomLevel(2.5, 3), 13);
    EXPECT_EQ(ZoomLevel(2.51, 0), 12);
    MarkerBounds b;
    b.Add(48, 11);
    b.Add(51, 12);
    EXPECT_EQ(ZoomLevel(b), 6);
}

std::string XPathText(xmlDocPtr doc, const char* path) {
    xmlXPathContextPtr ctx = xmlXPathNewContext(doc);
    xmlXPathObjectPtr obj = xmlXPathEvalExpression(BAD_CAST path, ctx);
    std::string out;
    if (obj && obj->type == XPATH_STRING) out = reinterpret_cast<const char*>(obj->stringval);
    xmlXPathFreeObject(obj);
    xmlXPathFreeContext(ctx);
    return out;
}

TEST(MapLinks, PageOfTheWorkListParsesAsHtmlAndItsMarkersAsXml) {
    tvtest::WorkFolder work;
    TCacheRec a = tvtest::CacheRecord("GC1", W("Höhle <b>&"), 48, 11);
    a.CacheType = "MULTI-CACHE";
    TCacheRec b = tvtest::CacheRecord("GC2", "#CENTERLAT#", 49, 12);
    work.writeCaches({a, b});
    work.write("WPList.txt", "GC2\r\n\r\nGC404\r\nGC1\r\n");
    MapPageParams params;
    params.workDir = work.str();
    params.templateFallbackDir = tvtest::ShippedData("gmtemplate.html").parent_path().string() + "/";
    params.mapSizeItem = 2;

    const MapPageResult r = WriteMapPage(params);
    ASSERT_EQ(r.status, MapPageResult::Written) << r.error;
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(r.pagePath, work.str() + "gmshow.html");
    const std::string markers = work.read("caches.xml");
    EXPECT_EQ(markers,
              "<markers>\r\n"
              "<marker lat=\"49.00000\" lng=\"12.00000\" wpt=\"[b]GC2[/b][br]#CENTERLAT#\" icon=\"1\" diff=\"\" "
              "terr=\"\" size=\"\"/>\r\n"
              "<marker lat=\"48.00000\" lng=\"11.00000\" wpt=\"[b]GC1[/b][br]Hoehle &lt;b&gt;+\" icon=\"2\" diff=\"\" "
              "terr=\"\" size=\"\"/>\r\n"
              "</markers>\r\n");

    const std::string page = work.read("gmshow.html");
    htmlDocPtr html = htmlReadMemory(page.data(), static_cast<int>(page.size()), "gmshow.html", "windows-1252",
                                     HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    ASSERT_NE(html, nullptr);
    EXPECT_EQ(XPathText(html, "string(//h3)"), "Folgende 2 Caches befinden sich in der Arbeitsliste:");
    EXPECT_EQ(XPathText(html, "string(//div[@id='map']/@data-lat)"), "48.500");
    EXPECT_EQ(XPathText(html, "string(//div[@id='map']/@data-lon)"), "11.500");
    EXPECT_EQ(XPathText(html, "string(//div[@id='map']/@data-zoom)"), "8");
    EXPECT_EQ(XPathText(html, "string(//div[@id='map']/@data-width)"), "1024");
    EXPECT_EQ(XPathText(html, "string(//div[@id='map']/@data-height)"), "768");
    const std::string data = XPathText(html, "string(//div[@id='markers']/@data-xml)");
    xmlFreeDoc(html);

    xmlDocPtr xml = xmlReadMemory(data.data(), static_cast<int>(data.size()), "markers.xml", nullptr, XML_PARSE_NONET);
    ASSERT_NE(xml, nullptr) << data;
    EXPECT_EQ(XPathText(xml, "string(//marker[2]/@wpt)"), "[b]GC1[/b][br]Hoehle <b>+");
    EXPECT_EQ(XPathText(xml, "string(//marker[1]/@wpt)"), "[b]GC2[/b][br]#CENTERLAT#");
    xmlFreeDoc(xml);
}

TEST(MapLinks, ListSourcesAndTheirFailures) {
    tvtest::WorkFolder work;
    work.writeCaches({tvtest::CacheRecord("GC1", "Eins", 48, 11)});
    MapPageParams params;
    params.workDir = work.str();

    // Finds: read from Finds.bin; no template anywhere is a read error.
    TFoundRec found;
    found.Waypoint = "gc1";
    work.write("Finds.bin", EncodeFoundRecs({found}));
    params.source = MapListSource::Finds;
    MapPageResult r = WriteMapPage(params);
    EXPECT_EQ(r.status, MapPageResult::Failed);
    EXPECT_EQ(r.error, "Fehler beim Lesen der Datei " + work.str() + "gmtemplate.html");
    EXPECT_TRUE(std::filesystem::exists(work.path() / "caches.xml"));
    EXPECT_FALSE(std::filesystem::exists(work.path() / "gmshow.html"));

    // The folder list: a missing file names it; unknown codes only give no page.
    work.write("gmtemplate.html", "#LISTCOMMENT#|#centerlat#|#ZOOMFACTOR##ZOOMFACTOR#");
    params.source = MapListSource::OutputFolder;
    r = WriteMapPage(params);
    EXPECT_EQ(r.error, "Fehler beim Lesen der Datei " + work.str() + "dirlist.txt");
    work.write("dirlist.txt", "GC404\r\n");
    std::filesystem::remove(work.path() / "caches.xml");
    EXPECT_EQ(WriteMapPage(params).status, MapPageResult::EmptyList);
    EXPECT_FALSE(std::filesystem::exists(work.path() / "caches.xml"));
    work.write("dirlist.txt", "GC1\r\n");
    ASSERT_EQ(WriteMapPage(params).status, MapPageResult::Written);
    EXPECT_EQ(work.read("gmshow.html"),
              "Folgende 1 Caches befinden sich im gew&auml;hlten Ausgabeverzeichnis:|#centerlat#|1313");
    EXPECT_EQ(ListComment(12, MapListSource::WorkList), "Folgende 12 Caches befinden sich in der Arbeitsliste:");
    EXPECT_EQ(ListComment(3, MapListSource::Finds), "Folgende 3 Caches hast Du bereits gefunden:");
}

}  // namespace
}  // namespace tv
