#include <gtest/gtest.h>

#include <map>

#include "core/str_util.h"
#include "exchange/gpx_cache_reader.h"
#include "exchange/gpx_import.h"
#include "support/temp_dir.h"

using namespace tv;

namespace {

std::string RealFile(const std::string& name) { return tvtest::Fixture("../data/real/" + name).string(); }

std::vector<GpxCacheWpt> ReadAll(std::string_view bytes, GpxReadResult* result = nullptr) {
    std::vector<GpxCacheWpt> out;
    const GpxReadResult r = ReadGpxBytes(bytes, [&](GpxCacheWpt&& w) {
        out.push_back(std::move(w));
        return true;
    });
    if (result) *result = r;
    return out;
}

TCacheRec Record(const GpxCacheWpt& w) {
    auto rec = MakeImportRecord(w, LatLon{48.0, 9.0}, [](std::string_view c) { return c == "Germany" ? 2 : 0; });
    return rec.value_or(TCacheRec{});
}

const char* const kHead =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<gpx xmlns=\"http://www.topografix.com/GPX/1/0\" "
    "version=\"1.0\">\r\n";

// One pocket-query cache; `urlname` and `extra` vary the layout.
std::string Wpt(const std::string& code, const std::string& urlname = "<urlname>Foo &amp; Bar</urlname>",
                const std::string& logText = "Toll") {
    return "  <wpt lat=\"48.12345\" lon=\"11.5\">\r\n    <time>2004-05-01T07:00:00</time>\r\n    <name>" + code +
           "</name>\r\n    " + urlname +
           "\r\n    <groundspeak:cache id=\"12345\" xmlns:groundspeak=\"http://www.groundspeak.com/cache/1/0\">\r\n"
           "      <groundspeak:name>Foo</groundspeak:name>\r\n"
           "      <groundspeak:placed_by>Bob</groundspeak:placed_by>\r\n"
           "      <groundspeak:type>Geocache|Traditional Cache</groundspeak:type>\r\n"
           "      <groundspeak:container>Not chosen</groundspeak:container>\r\n"
           "      <groundspeak:difficulty>1.5</groundspeak:difficulty>\r\n"
           "      <groundspeak:country>Germany</groundspeak:country>\r\n"
           "      <groundspeak:logs><groundspeak:log id=\"1\"><groundspeak:date>2007-03-05T08:00:00</groundspeak:date>"
           "<groundspeak:type>Found it</groundspeak:type><groundspeak:finder id=\"7\">Anna</groundspeak:finder>"
           "<groundspeak:text encoded=\"False\">" +
           logText +
           "</groundspeak:text></groundspeak:log></groundspeak:logs>\r\n"
           "    </groundspeak:cache>\r\n  </wpt>\r\n";
}

}  // namespace

// Every real pocket query imports; a waypoint without the cache extension is
// no cache.
TEST(GpxReader, RealFiles) {
    const std::map<std::string, std::pair<int, int>> expect = {
        // file -> (waypoints, caches)
        {"cgeo/gc1bkp3_gpx100.gpx", {1, 1}},   {"cgeo/gc1bkp3_gpx101.gpx", {1, 1}},
        {"cgeo/gc31j2h.gpx", {1, 1}},          {"cgeo/gc31j2h_wpts.gpx", {2, 0}},
        {"gpsbabel/GC7FA4.gpx", {1, 1}},       {"gpsbabel/GCGCA8.gpx", {1, 1}},
        {"gpsbabel/GCGCA8_nasty.gpx", {1, 1}}, {"gpsbabel/geocaching.gpx", {9, 0}},
    };
    for (const auto& [file, counts] : expect) {
        std::vector<GpxCacheWpt> wpts;
        const GpxReadResult r = ReadGpxFile(RealFile(file), [&](GpxCacheWpt&& w) {
            wpts.push_back(std::move(w));
            return true;
        });
        EXPECT_TRUE(r.ok) << file << ": " << r.errorMessage;
        EXPECT_EQ(r.waypoints, counts.first) << file;
        int caches = 0;
        for (const auto& w : wpts) caches += MakeImportRecord(w, {}, [](std::string_view) { return 0; }) ? 1 : 0;
        EXPECT_EQ(caches, counts.second) << file;
    }

    std::vector<GpxCacheWpt> gca8;
    (void)ReadGpxFile(RealFile("gpsbabel/GCGCA8.gpx"), [&](GpxCacheWpt&& w) {
        gca8.push_back(std::move(w));
        return true;
    });
    ASSERT_EQ(gca8.size(), 1u);
    EXPECT_EQ(gca8[0].logs.size(), 25u);
    EXPECT_EQ(gca8[0].type, "Unknown Cache");  // not a log's type
    EXPECT_TRUE(gca8[0].longHtml);
}

TEST(GpxReader, BothExtensionVersionsGiveTheSameRecord) {
    std::vector<TCacheRec> recs;
    for (const char* f : {"cgeo/gc1bkp3_gpx100.gpx", "cgeo/gc1bkp3_gpx101.gpx"})
        (void)ReadGpxFile(RealFile(f), [&](GpxCacheWpt&& w) {
            recs.push_back(Record(w));
            return true;
        });
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0], recs[1]);
    const TCacheRec& r = recs[0];
    EXPECT_EQ(r.Id, 859046);
    EXPECT_EQ(r.Name, "Die Schatzinsel / treasure island by Die unbesiegbaren Geo - Geparden");
    EXPECT_EQ(r.Waypoint, "GC1BKP3");
    EXPECT_EQ(r.CacheType, "Traditional Cache");
    EXPECT_EQ(r.Size, "Micro");
    EXPECT_EQ(r.Difficulty, "1");
    EXPECT_EQ(r.Terrain, "5");
    EXPECT_EQ(r.CountryId, 2);
    EXPECT_EQ(r.Hidden, *DayCountFromDate(2008, 1, 9));
    EXPECT_DOUBLE_EQ(r.Lat, 48.859683);
    EXPECT_EQ(r.InDB, 1);
}

// The record rules on a plain pocket-query waypoint.
TEST(GpxReader, RecordMapping) {
    auto w = ReadAll(std::string(kHead) + Wpt("GC1ABC") + "</gpx>");
    ASSERT_EQ(w.size(), 1u);
    const TCacheRec r = Record(w[0]);
    EXPECT_EQ(r.Id, 12345);
    EXPECT_EQ(r.Name, "Foo & Bar by Bob");
    EXPECT_EQ(r.Hidden, 38108.0);
    EXPECT_EQ(r.CacheType, "Traditional Cache");
    EXPECT_EQ(r.Size, "");
    EXPECT_EQ(r.Difficulty, "1.5");
    EXPECT_EQ(r.Terrain, "1.0");
    EXPECT_EQ(r.ChangeMark, 0);
    EXPECT_EQ(r.RecNo, 0);
    EXPECT_GT(r.Distance, 0.0f);

    std::string bad = std::string(kHead) + Wpt("GC1ABC") + "</gpx>";
    ReplaceAll(bad, "id=\"12345\"", "id=\"12a\"");
    EXPECT_EQ(Record(ReadAll(bad).at(0)).Id, -1);
    std::string noCoords = std::string(kHead) + Wpt("GC1ABC") + "</gpx>";
    ReplaceAll(noCoords, "lat=\"48.12345\"", "lat=\"abc\"");
    EXPECT_FALSE(MakeImportRecord(ReadAll(noCoords).at(0), {}, {}));
}

// The same cache in other layouts gives the same record.
TEST(GpxReader, LayoutVariantsReadAlike) {
    const std::string plain = std::string(kHead) + Wpt("GC1ABC") + "</gpx>";
    const TCacheRec want = Record(ReadAll(plain).at(0));

    std::string lf = plain;
    ReplaceAll(lf, "\r\n", "\n");
    std::string oneLine = plain;
    ReplaceAll(oneLine, "\r\n", "");
    std::string quotes = plain;
    ReplaceAll(quotes, "\"48.12345\"", "'48.12345'");
    ReplaceAll(quotes, "id=\"12345\"", "id = '12345'");
    std::string prefix = plain;
    ReplaceAll(prefix, "groundspeak:", "gs:");
    ReplaceAll(prefix, "xmlns:groundspeak", "xmlns:gs");
    const std::string cdata =
        std::string(kHead) + Wpt("GC1ABC", "<urlname><![CDATA[Foo & Bar]]></urlname>") + "</gpx>";
    std::string gpx11 = std::string(kHead) + Wpt("GC1ABC", "<link href=\"x\"><text>Foo &amp; Bar</text></link>") +
                        "</gpx>";
    ReplaceAll(gpx11, "GPX/1/0", "GPX/1/1");
    ReplaceAll(gpx11, "<groundspeak:cache ", "<extensions><groundspeak:cache ");
    ReplaceAll(gpx11, "</groundspeak:cache>", "</groundspeak:cache></extensions>");
    for (const std::string& v : {"\xEF\xBB\xBF" + plain, lf, oneLine, quotes, prefix, cdata, gpx11}) {
        const auto w = ReadAll(v);
        ASSERT_EQ(w.size(), 1u) << v;
        EXPECT_EQ(Record(w[0]), want) << v;
    }

    EXPECT_EQ(ReadAll(cdata).at(0).urlname, "Foo & Bar");  // CDATA is literal
    std::string german = plain;
    ReplaceAll(german, "Foo &amp; Bar", "Stra\xC3\x9F" "e \xC3\x84");
    EXPECT_EQ(Record(ReadAll(german).at(0)).Name, "Stra\xDF" "e \xC4 by Bob");
}

// Bytes a strict parser rejects cost nothing but themselves; a real fault
// reports where it is.
TEST(GpxReader, DirtyInputImportsTheRest) {
    for (const std::string bad : {"a\x0B" "b", "a&#xB;b", "a&#xFFFF;b", "a & b", "a &nbsp; b", "M\xE4rz", "x\x01\x1F"}) {
        GpxReadResult r;
        const auto w = ReadAll(std::string(kHead) + Wpt("GC1", "<urlname>U</urlname>", bad) + Wpt("GC2") + "</gpx>", &r);
        EXPECT_TRUE(r.ok) << bad << ": " << r.errorMessage;
        ASSERT_EQ(w.size(), 2u) << bad;
        EXPECT_EQ(w[1].name, "GC2");
        ASSERT_EQ(w[0].logs.size(), 1u);
    }
    GpxReadResult r;
    const auto w = ReadAll(std::string(kHead) + Wpt("GC1") + Wpt("GC2") + "  <wpt lat=\"1\" lon=\"2\"><name>GC3</nam>\r\n", &r);
    EXPECT_FALSE(r.ok);
    // The parser reads ahead: the cache just before the fault may go with it.
    ASSERT_GE(w.size(), 1u);
    GpxReadResult cut;
    ReadAll(std::string(kHead) + Wpt("GC1").substr(0, 200), &cut);
    EXPECT_FALSE(cut.ok);
    EXPECT_LE(w.size(), 2u);
    EXPECT_EQ(w[0].name, "GC1");
    EXPECT_EQ(r.errorLine, 31);
}

TEST(GpxByteFilter, RepairsAcrossChunks) {
    const std::string in = "\xEF\xBB\xBF<a>x&#x41;&lt;\x0B&#0;&amp &copy; \xC3\xA4\xE4\xEF\xBF\xBF</a>"
                           "<b t='\xC3\xA4&' u=\"'>\"><![CDATA[a & \xC3\x9F\x01]] ]]><!-- & --></b>";
    const std::string want = "<a>x&#x41;&lt;  &amp;amp &amp;copy; &#228;&#228;&#65533;</a>"
                             "<b t='\xC3\xA4&amp;' u=\"'>\"><![CDATA[a & \xC3\x9F ]] ]]><!-- & --></b>";
    for (std::size_t step = 1; step <= in.size(); ++step) {
        GpxByteFilter f;
        std::string out;
        for (std::size_t i = 0; i < in.size(); i += step) f.Feed(std::string_view(in).substr(i, step), out);
        f.Finish(out);
        EXPECT_EQ(out, want) << step;
    }
}
