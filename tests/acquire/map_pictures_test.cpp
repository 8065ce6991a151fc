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

}  // namespace
