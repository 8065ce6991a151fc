// The online map page in headless Chromium: the page's own script lists the
// caches, hostile cache texts run nothing, and the page's content security
// policy blocks any script it does not name. Skipped without Chromium. The
// browser resolves no host, so nothing leaves the machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/cache_rec.h"
#include "core/str_util.h"
#include "geo/map_links.h"
#include "support/browser.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace tv {
namespace {

TEST(MapPageBrowser, HostileCacheTextsRunNothing) {
    if (!tvtest::HaveChromium()) GTEST_SKIP() << "chromium not installed";

    tvtest::WorkFolder work;
    const std::string pwn = "document.body.setAttribute('data-pwned','1')";
    TCacheRec a = tvtest::CacheRecord("GC1", "<img src=x onerror=\"" + pwn + "\">", 48, 11);
    TCacheRec b = tvtest::CacheRecord("GC2", "</script><script>" + pwn + "</script>", 49, 12);
    TCacheRec c = tvtest::CacheRecord("GC3", "x\" data-y='<svg onload=" + pwn + ">", 49, 11);
    c.Size = "\"/><script>" + pwn + "</script>";
    work.writeCaches({a, b, c});
    work.write("WPList.txt", "GC1\r\nGC2\r\nGC3\r\n");
    MapPageParams params;
    params.workDir = work.str();
    params.templateFallbackDir = tvtest::ShippedData("gmtemplate.html").parent_path().string() + "/";
    const MapPageResult r = WriteMapPage(params);
    ASSERT_EQ(r.status, MapPageResult::Written) << r.error;

    const std::string dom = tvtest::DumpDom(work.path(), r.pagePath);
    ASSERT_FALSE(dom.empty());
    EXPECT_NE(dom.find("data-markers=\"3\""), std::string::npos) << dom;  // the page's script ran
    EXPECT_EQ(dom.find("data-pwned=\"1\""), std::string::npos);
    EXPECT_EQ(dom.find("<img"), std::string::npos);
    EXPECT_EQ(dom.find("<svg"), std::string::npos);
    EXPECT_NE(dom.find("<b>GC2</b><br>&lt;/script&gt;&lt;script&gt;"), std::string::npos);

    // A script the policy does not name stays dead, wherever it comes from.
    std::string page = tvtest::ReadFileBytes(r.pagePath);
    ReplaceAll(page, "<ol id=\"caches\">", "<script>" + pwn + "</script><ol id=\"caches\">");
    const std::filesystem::path injected = work.write("injected.html", page);
    const std::string dom2 = tvtest::DumpDom(work.path(), injected);
    EXPECT_NE(dom2.find("data-markers=\"3\""), std::string::npos);
    EXPECT_EQ(dom2.find("data-pwned=\"1\""), std::string::npos);
}

}  // namespace
}  // namespace tv
