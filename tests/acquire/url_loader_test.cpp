#include "acquire/url_loader.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "support/fakes.h"
#include "support/http_test_server.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

TEST(UrlLoaderLogic, LinesAreSavedWithCrLfAndCounted) {
    tvtest::TempDir dir;
    const std::string path = dir.str() + "WParchived.txt";
    EXPECT_EQ(tv::SaveLinesCrLf("A;GC1\r\nD;GC2\r\nA;GC3\r\n", path), 3);
    EXPECT_EQ(tvtest::ReadFileBytes(path), "A;GC1\r\nD;GC2\r\nA;GC3\r\n");
    EXPECT_EQ(tv::SaveLinesCrLf("a\nb\rc", path), 3);
    EXPECT_EQ(tvtest::ReadFileBytes(path), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(tv::SaveLinesCrLf("", path), 0);
    EXPECT_EQ(tvtest::ReadFileBytes(path), "");
    EXPECT_FALSE(tv::SaveLinesCrLf("x", dir.str() + "no/folder/f.txt").has_value());
    EXPECT_EQ(tv::ByteProgressText(512, 2048), "512 / 2048");
}

TEST(UrlLoaderLogic, ProxyText) {
    auto p = tv::ParseUrlLoaderProxy("proxy:3128", false, "u", "p");
    EXPECT_EQ(p.host, "proxy");
    EXPECT_EQ(p.port, 3128);
    EXPECT_EQ(p.user, "");
    EXPECT_EQ(p.password, "");
    p = tv::ParseUrlLoaderProxy("http://proxy:3128", true, "u", "p");
    EXPECT_EQ(p.host, "proxy");
    EXPECT_EQ(p.user, "u");
    EXPECT_EQ(p.password, "p");
    p = tv::ParseUrlLoaderProxy("cache.local", true, "u", "p");
    EXPECT_EQ(p.host, "cache.local");
    EXPECT_EQ(p.port, 80);
    p = tv::ParseUrlLoaderProxy("", true, "u", "p");
    EXPECT_EQ(p.host, "");
    EXPECT_EQ(p.user, "");
    EXPECT_EQ(p.password, "");
}

class UrlLoaderRun : public ::testing::Test {
protected:
    void SetUp() override {
        srv_.serve("/tqlist.php", "A;GC1\r\nD;GC2\r\nA;GC3\r\n", "text/plain");
        srv_.serve("/gone.php", "<html>not here</html>", "text/html", 404);
        srv_.start();
        dest_ = dir_.str() + "WParchived.txt";
    }
    tvtest::HttpTestServer srv_;
    tvtest::TempDir dir_;
    tv::platform::ScopedFakes fakes_;
    std::string dest_;
};

TEST_F(UrlLoaderRun, SavesTheAnswerAndReportsStates) {
    tv::UrlLoader l;
    std::vector<std::string> states;
    l.onStatus = [&](const std::string& s) { states.push_back(s); };
    l.SetURL(srv_.url("/tqlist.php"));
    l.SetDestFile(dest_);
    ASSERT_TRUE(l.Download().ok());
    EXPECT_EQ(l.LineCount(), 3);
    EXPECT_EQ(tvtest::ReadFileBytes(dest_), "A;GC1\r\nD;GC2\r\nA;GC3\r\n");
    EXPECT_EQ(l.Text(), "A;GC1\r\nD;GC2\r\nA;GC3\r\n");
    EXPECT_EQ(l.Received(), 21);
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(states.front(), "Begin download");
    EXPECT_EQ(states.back(), "Ready");
    const auto reqs = srv_.requestsTo("/tqlist.php");
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].header("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
    EXPECT_EQ(reqs[0].header("Accept"), "text/html, */*");
}

TEST_F(UrlLoaderRun, MemoryOnlyWritesNoFile) {
    tv::UrlLoader l;
    l.SetURL(srv_.url("/tqlist.php"));
    l.SetDestFile(dest_);
    l.SetMemoryOnly(true);
    ASSERT_TRUE(l.Download().ok());
    EXPECT_FALSE(fs::exists(dest_));
    EXPECT_EQ(l.Text(), "A;GC1\r\nD;GC2\r\nA;GC3\r\n");
    EXPECT_EQ(l.LineCount(), 0);
}

TEST_F(UrlLoaderRun, FailuresKeepTheOldList) {
    dir_.write("WParchived.txt", "A;GC9\r\n");
    tv::UrlLoader l;
    l.SetDestFile(dest_);
    l.SetURL(srv_.url("/gone.php"));
    auto r = l.Download();
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, 404);
    EXPECT_EQ(l.LineCount(), 0);
    EXPECT_EQ(tvtest::ReadFileBytes(dest_), "A;GC9\r\n");

    // A closed port.
    const std::string closed = srv_.url("/tqlist.php");
    srv_.stop();
    l.SetURL(closed);
    EXPECT_FALSE(l.Download().ok());
    EXPECT_EQ(l.LineCount(), 0);
    EXPECT_EQ(tvtest::ReadFileBytes(dest_), "A;GC9\r\n");
}

TEST_F(UrlLoaderRun, ProxyFromTheLoaderIsUsed) {
    tv::UrlLoader l;
    // The loopback server answers requests in proxy form by their path.
    l.SetProxy("http://127.0.0.1:" + std::to_string(srv_.port()), false, "u", "p");
    l.SetURL("http://archive.test/tqlist.php");
    l.SetDestFile(dest_);
    ASSERT_TRUE(l.Download().ok());
    EXPECT_EQ(l.LineCount(), 3);
    const auto reqs = srv_.requestsTo("/tqlist.php");
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].target, "http://archive.test/tqlist.php");
    EXPECT_EQ(reqs[0].header("Proxy-Authorization"), "");
}

}  // namespace
