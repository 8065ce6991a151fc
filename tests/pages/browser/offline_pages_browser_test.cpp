// A hostile listing taken the whole way: fetched by the listing loader from a
// loopback server (standing in for listing site, picture and map servers),
// turned into an offline description and an index page, opened in headless
// Chromium. Nothing of it may run or reach the network, while its text,
// pictures and map still show. The loopback server is the browser's proxy
// for every host, so any request a page made is logged there.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include "acquire/listing_loader.h"
#include "acquire/map_pictures.h"
#include "acquire/span_parser.h"
#include "core/app_paths.h"
#include "core/cache_db.h"
#include "core/proc_settings.h"
#include "core/str_util.h"
#include "pages/description_generator.h"
#include "pages/index_page.h"
#include "support/browser.h"
#include "support/fakes.h"
#include "support/http_test_server.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

std::string Png(QRgb color, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

int CountPixels(const QImage& shot, QRgb color) {
    int n = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) n += (shot.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF);
    return n;
}

TEST(OfflinePagesBrowser, HostileListingRunsNothingAndLoadsNothing) {
    if (!tvtest::HaveChromium()) GTEST_SKIP() << "chromium not installed";
    const QRgb picture = qRgb(255, 0, 255), remote = qRgb(255, 255, 0), map = qRgb(0, 255, 255);
    platform::ScopedFakes fakes;
    tvtest::TempDir prog, work, out, scratch;
    SetProgramDir(prog.str());
    ProcSettings.WorkDir = work.str();
    ProcSettings.OutDir = out.str();
    ListingSite site;
    site.host = "listing.test";
    site.pictureHost = "pics.test";
    SetMapServiceHostsSetting({"maps.test", "maps.test", "maps.test", "maps.test"});
    tvtest::HttpTestServer srv;
    srv.serve("/seek/cache_details.aspx", tvtest::ReadFileBytes(tvtest::Fixture("pages/hostile/GCEVIL1.html")));
    srv.serve("/cache/bild.png", Png(picture, 60, 40), "image/png");
    srv.serve("/remote.png", Png(remote, 50, 30), "image/png");
    srv.serve("/pub/agent.dll", Png(map, 200, 100), "image/png");
    srv.start();
    const std::string proxy = "127.0.0.1:" + std::to_string(srv.port());
    ProcSettings.UseProxy = true;
    ProcSettings.ProxyServer = proxy;
    ASSERT_TRUE(AppendCacheRec(tvtest::CacheRecord("GCEVIL1", "<img src=x onerror=\"alert(1)\">", 48.2, 11.5)));

    ListingLoader loader;
    LoaderRunParams load{{"GCEVIL1"}, false, {}, work.str(), out.str(), site, true};
    load.options.mapKind = 1;
    EXPECT_EQ(loader.run(load).counters.loaded, 1);
    DescriptionRunParams descr;
    descr.waypoints = {"GCEVIL1"};
    descr.templateText = LoadDescriptionTemplate(tvtest::ShippedData("template.html").string());
    descr.outDir = out.str();
    descr.site = site;
    descr.workDir = work.str();
    EXPECT_EQ(DescriptionGenerator(descr).run().converted, 1);
    IndexPageParams index;
    index.codes = ListConvertedCodes(out.str());
    ASSERT_TRUE(WriteIndexPage(out.str() + "index.html", work.str(), index));

    const auto page = out.path() / "GCEVIL1_converted.html";
    const std::string upper = UpperCaseAscii(tvtest::ReadFileBytes(page));
    for (const char* element : {"HTTP-EQUIV=\"REFRESH\"", "HTTP-EQUIV=REFRESH", "<BASE"})
        EXPECT_EQ(upper.find(element), std::string::npos) << element;

    srv.clearLog();
    const std::string dom = tvtest::DumpDom(scratch.path(), page, proxy);
    EXPECT_EQ(dom.find("data-pwned=\"1\""), std::string::npos);
    EXPECT_NE(dom.find("Ruhiger Waldweg zum Versteck."), std::string::npos) << dom;
    // Travel bug and caption arrived as UTF-8 in a Windows-1252 page.
    EXPECT_NE(dom.find("\"K\xC3\xA4" "fer &lt;b onclick=x&gt;\""), std::string::npos);
    EXPECT_NE(dom.find("Gr\xC3\xBCn &lt;img src=x onerror="), std::string::npos);
    const std::string indexDom = tvtest::DumpDom(scratch.path(), out.path() / "index.html", proxy);
    EXPECT_NE(indexDom.find("&lt;img src=x onerror=\"alert(1)\"&gt;"), std::string::npos) << indexDom;
    for (const auto& r : srv.requests())  // Chromium's own calls go to its vendor
        EXPECT_EQ(r.target.find(".test"), std::string::npos) << r.target;

    // The stored pictures and the map show.
    const auto png = scratch.path() / "shot.png";
    ASSERT_TRUE(tvtest::Screenshot(scratch.path(), page, png, 1000, 6000, proxy));
    const QImage shot(QString::fromStdString(png.string()));
    EXPECT_GE(CountPixels(shot, picture), 60 * 40);
    EXPECT_GE(CountPixels(shot, remote), 50 * 30);
    EXPECT_GE(CountPixels(shot, map), 200 * 100);
}

}  // namespace
}  // namespace tv
