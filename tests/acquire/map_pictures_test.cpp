#include "acquire/map_pictures.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "acquire/http_client.h"
#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/debug_log.h"
#include "core/proc_settings.h"
#include "support/fakes.h"
#include "platform/text_encoding.h"
#include "support/http_test_server.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using tvtest::HttpTestServer;

TEST(MapTexts, GeneralCoordTextHasNoExponentAndFifteenDigits) {
    EXPECT_EQ(tv::GeneralCoordText(48.123456789), "48.123456789");
    EXPECT_EQ(tv::GeneralCoordText(11.5), "11.5");
    EXPECT_EQ(tv::GeneralCoordText(8.0), "8");
    EXPECT_EQ(tv::GeneralCoordText(-33.123456), "-33.123456");
    EXPECT_EQ(tv::GeneralCoordText(0.1 + 0.2), "0.3");
    EXPECT_EQ(tv::GeneralCoordText(0.00001), "0.00001");
    EXPECT_EQ(tv::GeneralCoordText(-0.000012345), "-0.000012345");
    EXPECT_EQ(tv::GeneralCoordText(0.0), "0");
    EXPECT_EQ(tv::GeneralCoordText(1234567.0), "1234567");
    EXPECT_EQ(tv::Coord8(48.123456789), "48.12345");
    EXPECT_EQ(tv::Coord8(-33.123456), "-33.1234");
    EXPECT_EQ(tv::Coord8(11.5), "11.5");
}

TEST(MapTexts, TablesAndClamping) {
    EXPECT_EQ(tv::MapZoomItems(0).size(), 7u);
    EXPECT_EQ(tv::MapZoomItems(1).size(), 6u);
    EXPECT_EQ(tv::MapZoomItems(2).size(), 15u);
    EXPECT_EQ(tv::MapZoomItems(3).size(), 9u);
    EXPECT_TRUE(tv::MapZoomItems(4).empty());
    EXPECT_EQ(tv::MapSizeItems(1).at(2), "gro\xDF");
    EXPECT_EQ(tv::MapSizeItems(2).at(1), "gro\xDF (600x600)");
    EXPECT_TRUE(tv::MapSizeItems(0).empty());
    EXPECT_TRUE(tv::MapSizeItems(3).empty());
    EXPECT_EQ(tv::ClampMapZoom(3, 8), 8);
    EXPECT_EQ(tv::ClampMapZoom(3, 9), 6);
    EXPECT_EQ(tv::ClampMapZoom(1, -1), 2);
    EXPECT_EQ(tv::MapScale(3), "50000");
    EXPECT_EQ(tv::MapScale(6), "500000");
    EXPECT_EQ(tv::MapScale(40), "500000");
    EXPECT_EQ(tv::MapAltitude(2), "10");
    EXPECT_EQ(tv::MapGrid(8), "dedatlas300");
    EXPECT_EQ(tv::MapGrid(9), "aero2m");
    EXPECT_EQ(tv::MapGrid(14), "aero100");
    EXPECT_FALSE(tv::MapGridIsAerial(8));
    EXPECT_TRUE(tv::MapGridIsAerial(9));
}

TEST(MapTexts, ReadInputFieldsWalksTheInputs) {
    std::string text = "<input name=\"a\" value=\"1\"><INPUT NAME='b' VALUE='2'>";
    std::string name, value;
    ASSERT_TRUE(tv::ReadInputFields(text, name, value));
    EXPECT_EQ(name, "a");
    EXPECT_EQ(value, "1");
    ASSERT_TRUE(tv::ReadInputFields(text, name, value));
    EXPECT_EQ(name, "b");
    EXPECT_EQ(value, "2");
    std::string before = text;
    EXPECT_FALSE(tv::ReadInputFields(text, name, value));
    EXPECT_EQ(text, before);
    EXPECT_EQ(name, "b");

    std::string noValue = "<input name=\"x\">";
    EXPECT_FALSE(tv::ReadInputFields(noValue, name, value));
}

TEST(MapTexts, AnswerParsers) {
    EXPECT_EQ(tv::ExtractMultimapSrc({"<p>", "<INPUT NAME=\"multimap\" type=\"image\" SRC=\"http://M0/img/m1.gif\" "
                                             "border=\"0\">"}),
              "http://M0/img/m1.gif");
    EXPECT_EQ(tv::ExtractMultimapSrc({"<input name=\"other\" src=\"x\">"}), "");
    EXPECT_EQ(tv::ExtractSid({"x", "<a href=\"map.asp?sid=AbC123&x=1\">", "sid=zzz"}), "AbC123");
    EXPECT_EQ(tv::ExtractSid({"<a href=\"map.asp?SID=AbC\">"}), "");
    auto tiles = tv::ExtractTileUrls({"<img src='mappaint.asp?t=1&amp;g=dedatlas60'><img src='MapPaint.asp?t=2'>"}, 1,
                                     "http://root/");
    ASSERT_EQ(tiles.size(), 2u);  // one line may add more than the limit
    EXPECT_EQ(tiles[0], "http://root/mappaint.asp?t=1&g=dedatlas60");
    EXPECT_EQ(tiles[1], "http://root/MapPaint.asp?t=2");
    EXPECT_EQ(tv::ExtractLastHttpLine({"a http://x/1.gif", "none", "see http://x/2.gif \t\r"}), "http://x/2.gif");
    EXPECT_EQ(tv::ExtractLastHttpLine({"nothing here"}), "");
}

// A cache database with GC1 and GC2, a loopback server for all four services.
class MapServices : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = tv::ProcSettings;
        savedProgramDir_ = tv::ProgramDir();
        tv::SetProgramDir(prog_.str());
        tv::ProcSettings = tv::TProcSettings{};
        tv::ProcSettings.WorkDir = work_.str();
        tv::ProcSettings.OutDir = out_.str();
        AddCache("GC1", 48.123456789, 11.5);
        AddCache("GC2", -33.5, -70.25);
        srv_.start();
        std::string host = "127.0.0.1:" + std::to_string(srv_.port());
        tv::SetMapServiceHostsSetting({host, host, host, host});
        ctx_.fetch = [this](const std::string& url, const std::string& dest) {
            auto r = http_.getToFile(url, dest);
            return r.ok();
        };
        ctx_.protocol = [this](const std::string& line) { protocol_.push_back(line); };
        ctx_.workDir = work_.str();
        ctx_.outDir = out_.str();
        ctx_.sessionId = &sid_;
    }
    void TearDown() override {
        tv::ProcSettings = saved_;
        tv::SetProgramDir(savedProgramDir_);
        tv::SetMapServiceHostsSetting({});
        tv::DebugMode = false;
    }
    static void AddCache(const char* wp, double lat, double lon) {
        tv::TCacheRec rec;
        rec.Waypoint = wp;
        rec.Name = "Testcache";
        rec.Lat = lat;
        rec.Lon = lon;
        ASSERT_TRUE(tv::AppendCacheRec(rec));
    }
    bool Has(const std::string& line) const {
        return std::find(protocol_.begin(), protocol_.end(), line) != protocol_.end();
    }

    tv::platform::ScopedFakes fakes_;
    tvtest::TempDir prog_, work_, out_;
    tv::TProcSettings saved_;
    std::string savedProgramDir_;
    HttpTestServer srv_;
    tv::HttpClient http_;
    tv::MapFetchContext ctx_;
    std::string sid_;
    std::vector<std::string> protocol_;
};

TEST_F(MapServices, MultimapScrapesThePictureAddress) {
    srv_.serve("/map/browse.cgi", "<html>\n<form>\n<input name=\"multimap\" type=\"image\" src=\"" +
                                      srv_.url("/img/m1.gif") + "\" border=\"0\">\n</form>");
    srv_.serve("/img/m1.gif", "GIF89a-picture", "image/gif");
    ctx_.zoomStep = 3;
    tv::getCacheMapToFile("GC1", 0, ctx_);
    auto reqs = srv_.requests();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].target, "/map/browse.cgi?lat=48.12345&lon=11.5&scale=50000&icon=x");
    EXPECT_EQ(reqs[1].target, "/img/m1.gif");
    EXPECT_EQ(tvtest::ReadFileBytes(out_.path() / "GC1_multimap.gif"), "GIF89a-picture");
    EXPECT_TRUE(Has("Geladen: " + out_.str() + "GC1_multimap.gif"));

    // Without the input line: no second request, no picture.
    srv_.clearLog();
    srv_.serve("/map/browse.cgi", "<html>no map here</html>");
    tv::getCacheMapToFile("GC2", 0, ctx_);
    EXPECT_EQ(srv_.requestCount(), 1u);
    EXPECT_FALSE(fs::exists(out_.path() / "GC2_multimap.gif"));

    // A src that is neither http nor rooted on the service is not fetched.
    srv_.clearLog();
    srv_.serve("/map/browse.cgi", "<input name=\"multimap\" src=\"file:///etc/passwd\">");
    tv::getCacheMapToFile("GC2", 0, ctx_);
    EXPECT_EQ(srv_.requestCount(), 1u);
    EXPECT_TRUE(Has("Keine Kartenadresse gefunden"));
}

TEST_F(MapServices, MappointTakesEverythingInOneUrl) {
    srv_.serve("/pub/agent.dll", "GIF-mappoint", "image/gif");
    ctx_.zoomStep = 2;
    ctx_.sizeIndex = 1;
    tv::getCacheMapToFile("GC1", 1, ctx_);
    auto reqs = srv_.requests();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].param("qscr"), "mrdt");
    EXPECT_EQ(reqs[0].param("CenP"), "48.12345,11.5");
    EXPECT_EQ(reqs[0].param("Lang"), "EUR0407");
    EXPECT_EQ(reqs[0].param("Alti"), "10");
    EXPECT_EQ(reqs[0].param("Size"), "400,300");
    EXPECT_EQ(reqs[0].param("Offs"), "0.000000,0.000000");
    EXPECT_EQ(reqs[0].param("Pins"), "|48.12345,11.5|4|Cache|");
    EXPECT_EQ(tvtest::ReadFileBytes(out_.path() / "GC1_mappoint.gif"), "GIF-mappoint");
    EXPECT_TRUE(Has("Lade Karte (Expedia/MapPoint)..."));
}

TEST_F(MapServices, StadtplandienstSessionAndTiles) {
    srv_.serve("/home.asp", "<html>\n<a href=\"map.asp?sid=AbC123&x=1\">Karte</a>\n</html>");
    std::string sixLines;
    for (int i = 1; i <= 6; ++i) sixLines += "<img src='mappaint.asp?t=" + std::to_string(i) + "&amp;g=x'>\n";
    srv_.serve("/map.asp", sixLines);
    srv_.fallback([](const httplib::Request& req, httplib::Response& res) {
        if (req.path == "/mappaint.asp") res.set_content("tile" + req.get_param_value("t"), "image/png");
        else res.status = 404;
    });
    ctx_.zoomStep = 3;
    ctx_.sizeIndex = 0;
    tv::getCacheMapToFile("GC1", 2, ctx_);
    EXPECT_EQ(sid_, "AbC123");
    EXPECT_TRUE(Has("SID extrahiert: AbC123"));
    auto maps = srv_.requestsTo("/map.asp");
    ASSERT_EQ(maps.size(), 1u);
    const auto& m = maps[0];
    EXPECT_EQ(m.param("sid"), "AbC123");
    EXPECT_EQ(m.param("CoordXDeg"), "11");
    EXPECT_EQ(m.param("CoordXMin"), "30");
    EXPECT_EQ(m.param("CoordXSec"), "0");
    EXPECT_EQ(m.param("CoordYDeg"), "48");
    EXPECT_EQ(m.param("CoordYMin"), "7");
    EXPECT_EQ(m.param("CoordYSec"), "24");
    EXPECT_EQ(m.param("grid"), "dedatlas60");
    EXPECT_EQ(m.param("size"), "2x2");
    EXPECT_EQ(m.param("Abschicken"), "GO");
    // Small size: reading stops after 4 tiles.
    auto tiles = srv_.requestsTo("/mappaint.asp");
    ASSERT_EQ(tiles.size(), 4u);
    EXPECT_EQ(tiles[0].target, "/mappaint.asp?t=1&g=x");
    EXPECT_EQ(tiles[3].param("g"), "x");
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(tvtest::ReadFileBytes(out_.path() / ("GC1_sdk" + std::to_string(i) + ".png")),
                  "tile" + std::to_string(i));
    EXPECT_FALSE(fs::exists(out_.path() / "GC1_sdk5.png"));

    // Second cache in the same showing: no new session; large size, aerial
    // grid, six addresses on one line give six JPEG tiles; southern and
    // western values are sent without sign.
    srv_.clearLog();
    std::string oneLine;
    for (int i = 1; i <= 6; ++i) oneLine += "<img src='mappaint.asp?t=" + std::to_string(i) + "'>";
    srv_.serve("/map.asp", oneLine);
    ctx_.zoomStep = 10;
    ctx_.sizeIndex = 1;
    tv::getCacheMapToFile("GC2", 2, ctx_);
    EXPECT_TRUE(srv_.requestsTo("/home.asp").empty());
    maps = srv_.requestsTo("/map.asp");
    ASSERT_EQ(maps.size(), 1u);
    EXPECT_EQ(maps[0].param("grid"), "aero10");
    EXPECT_EQ(maps[0].params.count("size"), 0u);
    EXPECT_EQ(maps[0].param("CoordXDeg"), "70");
    EXPECT_EQ(maps[0].param("CoordXMin"), "15");
    EXPECT_EQ(maps[0].param("CoordYDeg"), "33");
    EXPECT_EQ(maps[0].param("CoordYMin"), "30");
    EXPECT_EQ(srv_.requestsTo("/mappaint.asp").size(), 6u);
    EXPECT_TRUE(fs::exists(out_.path() / "GC2_sdk6.jpg"));

    // A new showing clears the id: the start page is asked again.
    srv_.clearLog();
    sid_.clear();
    tv::getCacheMapToFile("GC1", 2, ctx_);
    EXPECT_EQ(srv_.requestsTo("/home.asp").size(), 1u);
}

TEST_F(MapServices, StadtplandienstWithoutSessionIdStops) {
    srv_.serve("/home.asp", "<html>no id</html>");
    tv::getCacheMapToFile("GC1", 2, ctx_);
    EXPECT_TRUE(Has("SID Lesefehler!"));
    EXPECT_TRUE(srv_.requestsTo("/map.asp").empty());
    EXPECT_EQ(sid_, "");
}

TEST_F(MapServices, MapquestFormRoundTrip) {
    srv_.serve("/mq/maps/latlong.do",
               "<html>\n<input type=\"hidden\" name=\"early\" value=\"no\">\n"
               "<FORM\tNAME='frmMapsResult' action=\"x\">\n"
               "<input type=\"hidden\" name=\"sessionid\" value=\"S1aB\">\n"
               "<input type=\"hidden\" name=\"mapurl\" value=\"Map&Url=1\">\n"
               "<input type=\"hidden\" name=\"hdnmapurl\" value=\"HdnX\">\n</form>");
    srv_.serve("/mq/maps/zoomMap.do", "<html>\n<img src=\"" + srv_.url("/mq/pic.gif") + "\n</html>");
    srv_.serve("/mq/pic.gif", "GIF-mapquest", "image/gif");
    ctx_.zoomStep = 6;
    tv::getCacheMapToFile("GC1", 3, ctx_);
    auto first = srv_.requestsTo("/mq/maps/latlong.do");
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].target, "/mq/maps/latlong.do?latLongType=decimal&txtLatitude=48.123456789&txtLongitude=11.5");
    auto zoom = srv_.requestsTo("/mq/maps/zoomMap.do");
    ASSERT_EQ(zoom.size(), 1u);
    const auto& z = zoom[0];
    EXPECT_EQ(z.param("mapRefresh"), "true");
    EXPECT_EQ(z.param("hdnCurrentZoomLevel"), "7");
    EXPECT_EQ(z.param("hdnCurrLongitude"), "11.5");
    EXPECT_EQ(z.param("hdnCurrLatitude"), "48.123456789");
    EXPECT_EQ(z.param("hdnOriginLatitude"), "48.123456789");
    EXPECT_EQ(z.param("hdnOriginLongitude"), "11.5");
    EXPECT_EQ(z.param("sessionid"), "S1aB");
    EXPECT_EQ(z.param("mapurl"), "Map&Url=1");
    EXPECT_EQ(z.param("hdnMapURL"), "HdnX");
    EXPECT_EQ(z.param("hdnOriginalZoomLevel"), "5");
    EXPECT_EQ(z.param("region"), "EU");
    EXPECT_EQ(tvtest::ReadFileBytes(out_.path() / "GC1_map.gif"), "GIF-mapquest");
    EXPECT_TRUE(Has(tv::W("Lade Mapquest Kartenübersicht")));
    EXPECT_TRUE(fs::exists(work_.path() / "mqmap.tmp"));  // left in place
}

TEST_F(MapServices, MapquestMissingFieldOrAddressStops) {
    srv_.serve("/mq/maps/latlong.do", "<form name=\"frmmapsresult\">\n<input name=\"sessionid\" value=\"S1\">\n"
                                      "<input name=\"mapurl\" value=\"M\">\n</form>");
    tv::getCacheMapToFile("GC1", 3, ctx_);
    EXPECT_TRUE(Has("Parameterfehler beim Laden der Mapquest-Karte"));
    EXPECT_EQ(srv_.requestCount(), 1u);

    srv_.clearLog();
    srv_.serve("/mq/maps/latlong.do", "<form name=\"frmmapsresult\">\n<input name=\"sessionid\" value=\"S1\">\n"
                                      "<input name=\"mapurl\" value=\"M\"><input name=\"hdnmapurl\" value=\"H\">");
    srv_.serve("/mq/maps/zoomMap.do", "<html>no address</html>");
    tv::getCacheMapToFile("GC1", 3, ctx_);
    EXPECT_TRUE(Has("Keine Kartenadresse gefunden"));
    EXPECT_EQ(srv_.requestCount(), 2u);
    EXPECT_FALSE(fs::exists(out_.path() / "GC1_map.gif"));
}

TEST_F(MapServices, CacheMissingFromDatabaseGetsNoMap) {
    tv::DebugMode = true;
    for (int kind = 0; kind < 4; ++kind) tv::getCacheMapToFile("GC9", kind, ctx_);
    EXPECT_EQ(srv_.requestCount(), 0u);
    std::string log = tvtest::ReadFileBytes(prog_.path() / "debug.log");
    EXPECT_NE(log.find("ERR: frmLoadHTML.getCacheMapToFile: cache not found (GC9) - exiting unsuccessfully"),
              std::string::npos);
    tv::getCacheMapToFile("GC1", 7, ctx_);  // unknown service
    EXPECT_EQ(srv_.requestCount(), 0u);
}

}  // namespace
