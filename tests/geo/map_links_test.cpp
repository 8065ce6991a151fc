// Map addresses, coordinates from map links, the marker file and the online
// map page written from the shipped template.
#include "geo/map_links.h"

#include <gtest/gtest.h>
#include <libxml/HTMLparser.h>
#include <libxml/xpath.h>

#include <filesystem>

#include "core/number_format.h"
#include "platform/text_encoding.h"
#include "support/records.h"

namespace tv {
namespace {

TEST(MapLinks, AddressesKeepTheFloatDigits) {
    EXPECT_EQ(BuildMapUrl(48.137f, 11.575f, 1, 0),
              "https://maps.google.de/maps?f=q&hl=de&q=48.137001+11.575000&ie=UTF8&om=1&z=16"
              "&ll=48.137001,11.575000");
    EXPECT_NE(BuildMapUrl(-33.5f, -70.25f, 3, 2).find("q=-33.500000+-70.250000&ie=UTF8&om=1&z=10&t=h&ll=-33.5"),
              std::string::npos);
}

TEST(MapLinks, CoordinatesOfLinksInAllFourQuarters) {
    const struct {
        const char* link;
        const char* dm;  // the two halves
    } cases[] = {
        {"http://maps.google.de/maps?f=q&ll=48.137,11.575&spn=0.01", "N 48° 8.220|E 011° 34.500"},
        {"https://maps.google.com/maps?q=x&ll=-33.5,-70.25&z=3", "S 33° 30.000|W 070° 15.000"},
    };
    for (const auto& c : cases) {
        const MapLinkResult r = ParseMapLink(c.link);
        ASSERT_TRUE(r.link) << c.link;
        const DmHalves dm = SplitDmForLink(r.link->lat, r.link->lon);
        EXPECT_EQ(dm.lat + "|" + dm.lon, W(c.dm));
    }
    const MapLinkResult first = ParseMapLink(cases[0].link);
    EXPECT_EQ(first.link->latText + "|" + first.link->lonText, "48.137|11.575");

    const std::pair<const char*, MapLinkError> bad[] = {
        {"http://maps.google.de/maps?f=q&ll=48.137,11.575", MapLinkError::NoCoordinates},  // nothing after
        {"x&ll=48.137&z=3,5", MapLinkError::NoCoordinates},                                // comma too late
        {"x&ll=48.1x7,11.575&z=3", MapLinkError::BadNumber},
        {"x&ll=91,11&z=3", MapLinkError::BadNumber},
    };
    for (const auto& [link, error] : bad) EXPECT_EQ(ParseMapLink(link).error, error) << link;
    EXPECT_FALSE(IsMapServiceLink("https://evil.example/maps.google.de"));
    EXPECT_EQ(MapLinkErrorText(MapLinkError::NoCoordinates), "Konnte in der URL keine Koordinatenangabe finden.");
    EXPECT_EQ(MapLinkErrorText(MapLinkError::None), "");
}

TEST(MapLinks, MarkerLinesAreEscapedXml) {
    EXPECT_EQ(EscapeMarkerName(W("Schöne \"Aussicht\" & <Höhle>")), "Schoene 'Aussicht' + &lt;Hoehle&gt;");
    EXPECT_EQ(EscapeMarkerName(W("Café\tÄÖÜß")), "Cafe AeOeUess");
    EXPECT_EQ(EscapeMarkerName(W("Points géodésiques du Québec ½")), "Points geodesiques du Quebec  ");
    TCacheRec rec = tvtest::CacheRecord("GC1234", "Test", 48.137, 11.575);
    rec.CacheType = "LOCATIONLESS CACHE";
    rec.Difficulty = "1.5";
    rec.Terrain = "2";
    rec.Size = "Micro";
    EXPECT_EQ(MarkerLine(rec),
              "<marker lat=\"48.13700\" lng=\"11.57500\" wpt=\"[b]GC1234[/b][br]Test\" icon=\"3\" "
              "diff=\"1.5\" terr=\"2\" size=\"Micro\"/>");
    rec.Waypoint = "GC\"<&";
    rec.Size = "\"/><x";
    EXPECT_NE(MarkerLine(rec).find("[b]GC&quot;&lt;&amp;[/b][br]Test\" icon=\"3\" diff=\"1.5\" terr=\"2\" "
                                   "size=\"&quot;/&gt;&lt;x\"/>"),
              std::string::npos);
    rec.Name = W("Québec");
    EXPECT_NE(MarkerLine(rec).find("[br]Quebec\" icon="), std::string::npos) << MarkerLine(rec);
    EXPECT_EQ(TypeToIcon("Cache In Trash Out E") * 10 + TypeToIcon("MEGA-EVENT"), 81);
}

TEST(MapLinks, ZoomFromTheSpans) {
    // 3 degrees of latitude, one cache, both limits reached exactly, wide.
    EXPECT_EQ(IntText(ZoomLevel(180, 0)) + IntText(ZoomLevel(0, 0)) + IntText(ZoomLevel(10, 11)) +
                  IntText(ZoomLevel(0, 361)) + IntText(ZoomLevel(2.51, 0)),
              "613115"
              "12");
}

std::string XPathText(xmlDocPtr doc, const char* path) {
    xmlXPathContextPtr ctx = xmlXPathNewContext(doc);
    xmlXPathObjectPtr obj = xmlXPathEvalExpression(BAD_CAST path, ctx);
    std::string out = obj && obj->stringval ? reinterpret_cast<const char*>(obj->stringval) : "";
    xmlXPathFreeObject(obj);
    xmlXPathFreeContext(ctx);
    return out;
}

TEST(MapLinks, PageOfTheWorkListParsesAsHtmlAndItsMarkersAsXml) {
    tvtest::WorkFolder work;
    TCacheRec a = tvtest::CacheRecord("GC1", W("Höhle <b>&"), 48, 11);
    a.CacheType = "MULTI-CACHE";
    work.writeCaches({a, tvtest::CacheRecord("GC2", "#CENTERLAT#", 49, 12)});
    work.write("WPList.txt", "GC2\r\n\r\nGC404\r\nGC1\r\n");
    MapPageParams params{work.str(), tvtest::ShippedData("gmtemplate.html").parent_path().string() + "/"};
    params.mapSizeItem = 2;
    const MapPageResult r = WriteMapPage(params);
    ASSERT_EQ(r.status, MapPageResult::Written) << r.error;
    EXPECT_EQ(work.read("caches.xml"),
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
    EXPECT_EQ(XPathText(html,
                        "concat(//div[@id='map']/@data-lat, ' ', //div[@id='map']/@data-lon, ' ', "
                        "//div[@id='map']/@data-zoom, ' ', //div[@id='map']/@data-width, ' ', "
                        "//div[@id='map']/@data-height)"),
              "48.500 11.500 8 1024 768");
    const std::string data = XPathText(html, "string(//div[@id='markers']/@data-xml)");
    xmlFreeDoc(html);
    xmlDocPtr xml = xmlReadMemory(data.data(), static_cast<int>(data.size()), "markers.xml", nullptr, XML_PARSE_NONET);
    ASSERT_NE(xml, nullptr) << data;
    EXPECT_EQ(XPathText(xml, "concat(//marker[1]/@wpt, '|', //marker[2]/@wpt)"),
              "[b]GC2[/b][br]#CENTERLAT#|[b]GC1[/b][br]Hoehle <b>+");
    xmlFreeDoc(xml);
}

TEST(MapLinks, ListSourcesAndTheirFailures) {
    tvtest::WorkFolder work;
    work.writeCaches({tvtest::CacheRecord("GC1", "Eins", 48, 11)});
    TFoundRec found;
    found.Waypoint = "gc1";
    work.write("Finds.bin", EncodeFoundRecs({found}));
    MapPageParams params{work.str(), "", MapListSource::Finds};
    MapPageResult r = WriteMapPage(params);  // no template anywhere
    EXPECT_EQ(r.error, "Fehler beim Lesen der Datei " + work.str() + "gmtemplate.html");
    EXPECT_FALSE(std::filesystem::exists(work.path() / "gmshow.html"));

    work.write("gmtemplate.html", "#LISTCOMMENT#|#centerlat#|#ZOOMFACTOR##ZOOMFACTOR#");
    params.source = MapListSource::OutputFolder;
    EXPECT_EQ(WriteMapPage(params).error, "Fehler beim Lesen der Datei " + work.str() + "dirlist.txt");
    work.write("dirlist.txt", "GC1\r\n");
    ASSERT_EQ(WriteMapPage(params).status, MapPageResult::Written);
    EXPECT_EQ(work.read("gmshow.html"),
              "Folgende 1 Caches befinden sich im gew&auml;hlten Ausgabeverzeichnis:|#centerlat#|1313");
}

}  // namespace
}  // namespace tv
