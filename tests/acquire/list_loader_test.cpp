#include "acquire/list_loader.h"

#include <gtest/gtest.h>

#include "support/fakes.h"
#include "support/http_test_server.h"
#include "support/temp_dir.h"

namespace {

const char* kPagerCell = "<td>&lt; Prev. <a href=\"javascript:__doPostBack('pgrTop$_ctl3','')\">Next</a></td>";

std::string Page(const std::string& viewState, const std::string& pager, const std::string& body) {
    return "<form><input type=\"hidden\" name=\"__VIEWSTATE\" id=\"__VIEWSTATE\" value=\"" + viewState +
           "\" />\r\n<table><tr>" + pager + "</tr></table>" + body + "</form>";
}

TEST(ListLoaderText, EncodingViewStateAndPager) {
    EXPECT_EQ(tv::FormUrlEncode("a b"), "a+b");
    EXPECT_EQ(tv::FormUrlEncode("x1"), "x%31");
    EXPECT_EQ(tv::FormUrlEncode("/+="), "%2F%2B%3D");
    EXPECT_EQ(tv::FormUrlEncode("A-z_.*@"), "A-z_.*@");
    EXPECT_EQ(tv::FormUrlEncode("\xE4"), "%E4");

    EXPECT_EQ(tv::ExtractViewState(
                  "<input type=\"hidden\" name=\"__VIEWSTATE\" id=\"__VIEWSTATE\" value=\"dDw+MTIz/w==\" />"),
              "dDw%2BMTIz%2Fw%3D%3D");
    // Without the field no other input's value is taken.
    EXPECT_EQ(tv::ExtractViewState("<input name=\"x\" value=\"other\">"), "");

    EXPECT_EQ(tv::FindNextControl(std::string("<tr>") + kPagerCell + "</tr>"), 3);
    EXPECT_EQ(tv::FindNextControl("<td>&lt; Prev. <b>1</b> Next &gt;</td>"), -1);
    // A far $_ctl elsewhere in the page does not count.
    EXPECT_EQ(tv::FindNextControl("<td>pgrTop$_ctl9 Prev. <a href=\"javascript:__doPostBack('x','')\">Next</a></td>"),
              -1);

    EXPECT_EQ(tv::BuildPostBody(3, "V%31"), "__EVENTTARGET=pgrTop$_ctl3&__EVENTARGUMENT=&__VIEWSTATE=V%31");
}

class ListLoaderPaging : public ::testing::Test {
protected:
    void SetUp() override {
        srv_.route("GET", "/seek/nearest.aspx", [](const httplib::Request&, httplib::Response& r) {
            r.set_header("Set-Cookie", "ASP.NET_SessionId=abc; path=/");
            r.set_content(Page("V1", kPagerCell, "page one"), "text/html");
        });
        srv_.route("POST", "/seek/nearest.aspx", [](const httplib::Request&, httplib::Response& r) {
            r.set_content(Page("V2", "<td>&lt; Prev. Next &gt;</td>", "page two"), "text/html");
        });
        srv_.start();
        loader_.PageCopyDir = dir_.str();
    }
    tvtest::HttpTestServer srv_;
    tvtest::TempDir dir_;
    tv::platform::ScopedFakes fakes_;
    tv::TListLoader loader_;
};

TEST_F(ListLoaderPaging, FirstPageThenPostbackWithCookieUntilNoNext) {
    const std::string url = srv_.url("/seek/nearest.aspx?ul=Die+F%C3%BCchse&submit4=Find");
    ASSERT_EQ(loader_.GetFirstPage(url), 0);
    EXPECT_EQ(loader_.ViewState, "V%31");
    EXPECT_TRUE(loader_.HasNext && loader_.NextCtl == 3);
    EXPECT_EQ(dir_.read("find.html"), loader_.PageText);

    auto r = loader_.GetNextPage();
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(*r, 0);
    const auto posts = srv_.requests();
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[1].method + " " + posts[1].target, "POST /seek/nearest.aspx?ul=Die+F%C3%BCchse&submit4=Find");
    EXPECT_EQ(posts[1].body, "__EVENTTARGET=pgrTop$_ctl3&__EVENTARGUMENT=&__VIEWSTATE=V%31");
    EXPECT_EQ(posts[1].header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_NE(posts[1].header("Cookie").find("ASP.NET_SessionId=abc"), std::string::npos);
    EXPECT_NE(loader_.PageText.find("page two"), std::string::npos);
    EXPECT_EQ(dir_.read("find.html"), loader_.PageText);

    // The last page has no Next link: no further request.
    r = loader_.GetNextPage();
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(*r, tv::TListLoader::kNoNextControl);
    EXPECT_EQ(srv_.requestCount(), 2u);
}

TEST_F(ListLoaderPaging, PageWithoutViewStateEndsWithoutRequest) {
    srv_.serve("/plain", "<html>no form here</html>");
    ASSERT_EQ(loader_.GetFirstPage(srv_.url("/plain")), 0);
    auto r = loader_.GetNextPage();
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(*r, tv::TListLoader::kNoViewState);
    EXPECT_EQ(srv_.requestCount(), 1u);
}

}  // namespace
