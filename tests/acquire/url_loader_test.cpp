#include "acquire/url_loader.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "support/fakes.h"
#include "support/http_test_server.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

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

}  // namespace
