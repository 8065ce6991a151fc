// A hostile listing page taken the whole way a user's pages go: fetched by the
// listing loader (from a loopback server standing in for the listing site,
// the picture and map servers), turned into an offline description and an
// index page, then opened in headless Chromium. Nothing of the listing may
// run or reach the network, while its text, pictures and map still show.
// The loopback server is the browser's proxy for every host, so any request
// a page made would be logged there. Skipped without Chromium.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QColor>
#include <QImage>

#include <algorithm>
#include <filesystem>
#include <string>

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

namespace fs = std::filesystem;

std::string Png(QColor color, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

// Pixels of the screenshot within a few steps of `color`.
int CountPixels(const QImage& shot, QColor color) {
    int n = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (std::abs(c.red() - color.red()) + std::abs(c.green() - color.green()) +
                    std::abs(c.blue() - color.blue()) < 12)
                ++n;
        }
    }
    return n;
}

bool ContainsNoCase(const std::string& text, const std::string& part) {
    return UpperCaseAscii(text).find(UpperCaseAscii(part)) != std::string::npos;
}

const QColor kPicture(255, 0, 255), kRemote(255, 255, 0), kMap(0, 255, 255);

TEST(OfflinePagesBrowser, HostileListingRunsNothingAndLoadsNothing) {
    if (!tvtest::HaveChromium()) GTEST_SKIP() << "chromium not installed";
    platform::ScopedFakes fakes;
    tvtest::TempDir prog, work, out, scratch;
    const std::string savedProgramDir = ProgramDir();
    const TProcSettings savedSettings = ProcSettings;
    const ListingHosts savedHosts = ListingHostsSetting();
    SetProgramDir(prog.str());
    ProcSettings = TProcSettings{};
    ProcSettings.WorkDir = work.str();
    ProcSettings.OutDir = out.str();
    SetListingHostsSetting({"listing.test", "pics.test"});
    SetMapServiceHostsSetting({"maps.test", "maps.test", "maps.test", "maps.test"});

    tvtest::HttpTestServer srv;
    srv.serve("/seek/cache_details.aspx", tvtest::ReadFileBytes(tvtest::Fixture("pages/hostile/GCEVIL1.html")));
    srv.serve("/cache/bild.png", Png(kPicture, 60, 40), "image/png");
    srv.serve("/remote.png", Png(kRemote, 50, 30), "image/png");
    srv.serve("/pub/agent.dll", Png(kMap, 200, 100), "image/png");
    srv.start();
    ProcSettings.UseProxy = true;
    ProcSettings.ProxyServer = "127.0.0.1:" + std::to_string(srv.port());
    ASSERT_TRUE(AppendCacheRec(tvtest::CacheRecord("GCEVIL1", "<img src=x onerror=\"alert(1)\">", 48.2, 11.5)));

    ListingLoader loader;
    LoaderRunParams load;
    load.workList = {"GCEVIL1"};
    load.options.mapKind = 1;
    load.workDir = work.str();
    load.outDir = out.str();
    load.unattended = true;
    EXPECT_EQ(loader.run(load).counters.loaded, 1);

    DescriptionRunParams descr;
    descr.waypoints = {"GCEVIL1"};
    descr.templateText = LoadDescriptionTemplate(tvtest::ShippedData("template.html").string());
    descr.outDir = out.str();
    descr.workDir = work.str();
    EXPECT_EQ(DescriptionGenerator(descr).run().converted, 1);
    IndexPageParams index;
    index.codes = ListConvertedCodes(out.str());
    index.options.which = 1;
    ASSERT_TRUE(WriteIndexPage(out.str() + "index.html", index));

    const std::string page = tvtest::ReadFileBytes(out.path() / "GCEVIL1_converted.html");
    for (const char* element : {"http-equiv=\"refresh\"", "http-equiv=refresh", "<base"})
        EXPECT_FALSE(ContainsNoCase(page, element)) << element;

    srv.clearLog();
    const std::string proxy = "127.0.0.1:" + std::to_string(srv.port());
    const std::string dom = tvtest::DumpDom(scratch.path(), out.path() / "GCEVIL1_converted.html", proxy);
    ASSERT_FALSE(dom.empty());
    EXPECT_EQ(dom.find("data-pwned=\"1\""), std::string::npos);
    EXPECT_NE(dom.find("Ruhiger Waldweg zum Versteck."), std::string::npos);
    EXPECT_NE(dom.find("Harmlose Dose"), std::string::npos);
    // The travel bug and the caption arrived as UTF-8 in a Windows-1252 page.
    EXPECT_NE(dom.find("\"K\xC3\xA4" "fer &lt;b onclick=x&gt;\""), std::string::npos);
    EXPECT_NE(dom.find("Gr\xC3\xBCn &lt;img src=x onerror="), std::string::npos);
    EXPECT_NE(dom.find("src=\"./GCEVIL1_i1.png\""), std::string::npos);
    EXPECT_NE(dom.find("src=\"./GCEVIL1_mappoint.gif\""), std::string::npos);

    const std::string indexDom = tvtest::DumpDom(scratch.path(), out.path() / "index.html", proxy);
    EXPECT_NE(indexDom.find("&lt;img src=x onerror=\"alert(1)\"&gt;"), std::string::npos) << indexDom;
    EXPECT_EQ(indexDom.find("data-pwned"), std::string::npos);

    // Chromium's own background calls go to its vendor; none of the page's did.
    for (const auto& r : srv.requests()) EXPECT_EQ(r.target.find(".test"), std::string::npos) << r.target;

    // The stored pictures and the map show; the foreign one only as stored.
    const fs::path png = scratch.path() / "shot.png";
    ASSERT_TRUE(tvtest::Screenshot(scratch.path(), out.path() / "GCEVIL1_converted.html", png, 1000, 6000, proxy));
    const QImage shot(QString::fromStdString(png.string()));
    ASSERT_FALSE(shot.isNull());
    EXPECT_GE(CountPixels(shot, kPicture), 60 * 40 / 2);
    EXPECT_GE(CountPixels(shot, kRemote), 50 * 30 / 2);
    EXPECT_GE(CountPixels(shot, kMap), 200 * 100 / 2);


    ProcSettings = savedSettings;
    SetProgramDir(savedProgramDir);
    SetListingHostsSetting(savedHosts);
    SetMapServiceHostsSetting({});
}

}  // namespace
}  // namespace tv
