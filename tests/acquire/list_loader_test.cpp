#include "acquire/list_loader.h"

#include <gtest/gtest.h>


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


}  // namespace
