#include "acquire/list_loader.h"

#include <gtest/gtest.h>

#include "support/fakes.h"
#include "support/http_test_server.h"
#include "support/temp_dir.h"

namespace {

const char* kPagerCell = "<td>&lt; Prev. <a href=\"javascript:__doPostBack('pgrTop$_ctl3','')\">Next</a></td>";

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

// GetNextPage posts only what the page before offers: without a view state
// or without a "Next" link it answers with its code and sends nothing.
TEST(ListLoaderPaging, NoViewStateAndNoNextControlSendNothing) {
    tv::platform::ScopedFakes fakes;
    tvtest::TempDir dir;
    const std::string state = "<input type=\"hidden\" name=\"__VIEWSTATE\" value=\"S1\" />";
    const std::string pager = std::string("<table><tr>") + kPagerCell + "</tr></table>";
    tvtest::HttpTestServer srv;
    std::string first;
    srv.route("GET", "/list", [&](const httplib::Request&, httplib::Response& r) { r.set_content(first, "text/html"); });
    srv.route("POST", "/list", [&](const httplib::Request&, httplib::Response& r) {
        r.set_content(state + "<table><tr><td>&lt; Prev. Next</td></tr></table>", "text/html");
    });
    srv.start();
    tv::TListLoader loader;
    loader.PageCopyDir = dir.str();
    const auto next = [&loader] {
        const auto r = loader.GetNextPage();
        return r ? *r : 1000;  // a failed postback
    };

    first = pager;  // a "Next" link but no view state
    ASSERT_EQ(loader.GetFirstPage(srv.url("/list")), 0);
    EXPECT_EQ(next(), tv::TListLoader::kNoViewState);

    first = state + "<table><tr><td>&lt; Prev. Next</td></tr></table>";  // a view state, no link
    ASSERT_EQ(loader.GetFirstPage(srv.url("/list")), 0);
    EXPECT_EQ(next(), tv::TListLoader::kNoNextControl);
    EXPECT_EQ(srv.requestsTo("/list").size(), 2u);
    EXPECT_EQ(dir.read("find.html"), first);

    // Both: one postback with that page's control and state; the page it
    // brings back has no link, so the next call again sends nothing.
    first = state + pager;
    ASSERT_EQ(loader.GetFirstPage(srv.url("/list")), 0);
    EXPECT_EQ(next(), 0);
    EXPECT_EQ(next(), tv::TListLoader::kNoNextControl);
    const auto reqs = srv.requestsTo("/list");
    ASSERT_EQ(reqs.size(), 4u);
    EXPECT_EQ(reqs[3].method, "POST");
    EXPECT_EQ(reqs[3].body, "__EVENTTARGET=pgrTop$_ctl3&__EVENTARGUMENT=&__VIEWSTATE=S%31");
}

}  // namespace
