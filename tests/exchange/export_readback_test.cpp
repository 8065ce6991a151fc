// Exports read back by independent parsers: XML template values escaped for
// the place they stand in (libxml2 and gpsbabel get the same texts back), and
// GPX coordinates at the date line and the poles inside the schema's ranges.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlschemas.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "exchange/export_sink.h"
#include "exchange/formats/gpx_format.h"
#include "exchange/formats/xml_template_format.h"
#include "export_cases.h"
#include "platform/text_encoding.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

// A cache with every character XML cares about, in a code as the GPX import
// stores it from a real file.
TCacheRec Hostile() {
    TCacheRec r;
    r.Id = 4711;
    r.Waypoint = "3A5N1 \"Medvedi\" ";
    r.Name = W("Bäche \"Nord\" <b> & ]]> 'Fluß'");
    r.Hidden = 38171.0;
    r.Lat = 49.5;
    r.Lon = 10.75;
    r.CacheType = "Multi <&> ]]>";
    r.Size = W("'Mi\"crö'");
    r.Difficulty = "1.5";
    r.Terrain = "2,5";
    r.CountryId = 79;
    return r;
}

struct Expected {
    const char* token;
    const char* text;  // UTF-8, as a reader must see it
};

// Written by hand from the placeholder rules.
const std::vector<Expected> kExpected = {
    {"#WAYPOINT#", "3A5N1 \"Medvedi\" "},
    {"#CACHENAME_INT#", "Baeche \"Nord\" <b> + ]]> \xC2\xB4"
                        "Fluss\xC2\xB4"},
    {"#CACHENAME#", "B\xC3\xA4" "che \"Nord\" <b> & ]]> 'Flu\xC3\x9F'"},
    {"#CACHENAME128#", "Baeche \"Nord\" <b> + ]]> \xC2\xB4"
                       "Fluss\xC2\xB4"},
    {"#DATEHIDDEN#", "03.07.2004"},
    {"#COUNTRY_ID#", "79"},
    {"#LAT#", "49.500000"},
    {"#LON#", "10.750000"},
    {"#CACHETYPE#", "Multi <&> ]]>"},
    {"#CACHESIZE#", "'Mi\"cr\xC3\xB6'"},
    {"#DIFFICULTY#", "1.5"},
    {"#TERRAIN#", "2.5"},
    {"#DIFFTERR#", "15/25"},
    {"#COMPRESSEDCACHENAME#", "BAECHE NORD B   FLUSS"},
    {"#CACHETYPESHORT#", "O"},
    {"#CACHESIZESHORT#", "U"},
    {"#CACHE_ID#", "4711"},
};

std::string Written(const XmlTemplateParts& parts) {
    StringSink sink;
    WriteXmlTemplate({Hostile()}, parts, sink);
    return sink.text();
}

std::string Text(xmlNode* node) {
    xmlChar* c = xmlNodeGetContent(node);
    std::string out = c ? reinterpret_cast<const char*>(c) : "";
    xmlFree(c);
    return out;
}

std::string Attr(xmlNode* node, const std::string& name) {
    xmlChar* c = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name.c_str()));
    std::string out = c ? reinterpret_cast<const char*>(c) : "<missing>";
    xmlFree(c);
    return out;
}

std::vector<xmlNode*> Elements(xmlNode* parent, const char* name) {
    std::vector<xmlNode*> out;
    for (xmlNode* n = parent ? parent->children : nullptr; n; n = n->next)
        if (n->type == XML_ELEMENT_NODE && xmlStrcmp(n->name, reinterpret_cast<const xmlChar*>(name)) == 0)
            out.push_back(n);
    return out;
}

xmlDocPtr Parse(const std::string& bytes) {
    return xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "export.xml", nullptr,
                         XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
}

const char* const kHeaders[] = {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<caches>",
                                "<?xml version='1.0' encoding='ISO-8859-1'?>\r\n<caches>",
                                "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<caches>"};

TEST(XmlTemplateValues, EveryPlaceholderReadsBackFromCDataAttributesTextsAndComments) {
    std::string cdata = "<cache>", attrs = "<cache", texts;
    for (std::size_t i = 0; i < kExpected.size(); ++i) {
        const std::string t = kExpected[i].token;
        cdata += "<v><![CDATA[" + t + "]]></v>";
        // Both kinds of quotes.
        attrs += " a" + std::to_string(i) + (i % 2 ? "='" + t + "'" : "=\"" + t + "\"");
        texts += "<t>" + t + "</t><!--" + t + "-->";
    }
    cdata += "</cache>";
    attrs += ">" + texts + "</cache>";
    for (const char* header : kHeaders) {
        for (const std::string& waypoint : {cdata, attrs}) {
            SCOPED_TRACE(std::string(header) + waypoint);
            const std::string bytes = Written({header, waypoint, "</caches>"});
            xmlDocPtr doc = Parse(bytes);
            ASSERT_NE(doc, nullptr) << bytes;
            const auto caches = Elements(xmlDocGetRootElement(doc)->parent, "caches");
            ASSERT_EQ(caches.size(), 1u);
            const auto cache = Elements(caches[0], "cache");
            ASSERT_EQ(cache.size(), 1u);
            const auto values = Elements(cache[0], waypoint == cdata ? "v" : "t");
            ASSERT_EQ(values.size(), kExpected.size());
            for (std::size_t i = 0; i < kExpected.size(); ++i) {
                EXPECT_EQ(Text(values[i]), kExpected[i].text) << kExpected[i].token;
                if (waypoint == attrs) {
                    EXPECT_EQ(Attr(cache[0], "a" + std::to_string(i)), kExpected[i].text) << kExpected[i].token;
                }
            }
            xmlFreeDoc(doc);
        }
    }
}

TEST(XmlTemplateValues, OtherTextFormatsGetTheValuesAsStored) {
    const std::string line = Written({"Code;Name", "#WAYPOINT#;#CACHENAME#;#CACHENAME_INT#", ""});
    EXPECT_EQ(line, "Code;Name\r\n3A5N1 \"Medvedi\" ;" + W("Bäche \"Nord\" <b> & ]]> 'Fluß'") +
                        ";Baeche \"Nord\" <b> + ]]> \xC2\xB4"
                        "Fluss\xC2\xB4\r\n\r\n");
}

// gpsbabel's .loc reader turned into GPX by gpsbabel, then parsed: the
// waypoint's name and description. Nothing when gpsbabel is missing.
std::optional<std::pair<std::string, std::string>> ThroughGpsbabel(const std::string& loc,
                                                                   const tvtest::TempDir& dir) {
    if (std::system("command -v gpsbabel >/dev/null 2>&1") != 0) return std::nullopt;
    dir.write("in.loc", loc);
    const std::string cmd = "gpsbabel -i geo -f '" + dir.str() + "in.loc' -o gpx -F '" + dir.str() +
                            "out.gpx' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return std::make_pair(std::string("<gpsbabel failed>"), std::string());
    xmlDocPtr doc = Parse(dir.read("out.gpx"));
    if (!doc) return std::make_pair(std::string("<no xml>"), std::string());
    std::pair<std::string, std::string> out;
    const auto wpts = Elements(xmlDocGetRootElement(doc), "wpt");
    if (wpts.size() == 1) {
        const auto name = Elements(wpts[0], "name"), desc = Elements(wpts[0], "desc");
        out = {name.empty() ? "" : Text(name[0]), desc.empty() ? "" : Text(desc[0])};
    }
    xmlFreeDoc(doc);
    return out;
}

TEST(XmlTemplateValues, GpsbabelReadsEveryPlaceholderFromALocTemplate) {
    std::string all, expected;
    for (const Expected& e : kExpected) {
        all += std::string(e.token) + "|";
        expected += std::string(e.text) + "|";
    }
    const char* header = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<loc version=\"1.0\">";
    const std::string coord = "<coord lat=\"#LAT#\" lon=\"#LON#\"/><type>Geocache</type></waypoint>";
    tvtest::TempDir dir;
    // All values in the CDATA name, then all in the id attribute.
    const auto inCData = ThroughGpsbabel(
        Written({header, "<waypoint><name id=\"#WAYPOINT#.\"><![CDATA[" + all + "]]></name>" + coord, "</loc>"}),
        dir);
    if (!inCData) GTEST_SKIP() << "gpsbabel is not installed";
    EXPECT_EQ(inCData->first, "3A5N1 \"Medvedi\" .");
    EXPECT_EQ(inCData->second, expected);
    const auto inAttribute = ThroughGpsbabel(
        Written({header, "<waypoint><name id=\"" + all + "\"><![CDATA[x]]></name>" + coord, "</loc>"}), dir);
    ASSERT_TRUE(inAttribute);
    EXPECT_EQ(inAttribute->first, expected);
}

// ---- GPX coordinates --------------------------------------------------------

// The distance between two longitudes in degrees, the short way round.
double LonGap(double a, double b) {
    const double d = std::fabs(std::fmod(a - b, 360.0));
    return std::min(d, 360.0 - d);
}

TEST(GpxCoordinates, DateLineAndPolesStayInsideTheSchemaRanges) {
    const double lats[] = {89.9999999, -89.9999999, 89.9999995, 0.0, 45.0, -45.0};
    const double lons[] = {179.9999999, -179.9999999, 179.9999995, 180.0, -180.0000004, 10.0};
    ExportList list;
    for (int i = 0; i < 6; ++i) {
        TCacheRec r = tvtest::ExportRec(i, "GC1", "x", lats[i], lons[i], "Traditional Cache", "Small", "1", "1", 0, 0);
        r.Waypoint = "GC" + std::to_string(i);
        list.push_back(r);
    }
    GpxOptions o;
    o.wpTemplate = DefaultWaypointTemplate();
    for (int homes = 0; homes < 2; ++homes) {
        SCOPED_TRACE(homes);
        ExportContext ctx = tvtest::ExportTestContext("/w/");
        ctx.homeLat = -89.9999999;
        ctx.homeLon = 179.99999951;
        ctx.addHomes = {{"89.9999999", "180", "Nordpol"}, {"-90", "179.9999999", W("Südpol")}};
        o.outputHome = homes == 1;
        StringSink sink;
        WriteGpx(list, o, ctx, sink);
        tvtest::TempDir dir;
        const std::string file = dir.write("dateline.gpx", sink.text()).string();
        EXPECT_TRUE(tvtest::ValidGpx11(file)) << sink.text();

        // Every written point is within the last digit of the cache.
        xmlDocPtr doc = Parse(sink.text());
        ASSERT_NE(doc, nullptr);
        std::size_t cache = 0;
        for (xmlNode* w : Elements(xmlDocGetRootElement(doc), "wpt")) {
            const double lat = std::stod(Attr(w, "lat")), lon = std::stod(Attr(w, "lon"));
            EXPECT_TRUE(lat >= -90 && lat <= 90 && lon >= -180 && lon < 180) << Attr(w, "lon");
            if (Text(Elements(w, "name")[0]).rfind("GC", 0) != 0) continue;  // a home
            ASSERT_LT(cache, list.size());
            EXPECT_LE(std::fabs(lat - list[cache].Lat), 1e-6) << Attr(w, "lat");
            EXPECT_LE(LonGap(lon, list[cache].Lon), 1e-6) << Attr(w, "lon");
            ++cache;
        }
        EXPECT_EQ(cache, list.size());
        xmlFreeDoc(doc);
    }
}

}  // namespace
}  // namespace tv
