#include "core/html_escape.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

TEST(HtmlEscape, TextAndAttributes) {
    EXPECT_EQ(html::Text("Tom & Jerry <script>\"x\"</script> 'q'"),
              "Tom &amp; Jerry &lt;script&gt;\"x\"&lt;/script&gt; 'q'");
    EXPECT_EQ(html::Attr("a\"b'c<&>"), "a&quot;b&#39;c&lt;&amp;&gt;");
    // Windows-1252 letters and entities already written stay bytes, the '&' is escaped once.
    EXPECT_EQ(html::Text("Gr\xFC\xDF" "e &amp;"), "Gr\xFC\xDF" "e &amp;amp;");
    EXPECT_EQ(html::Text(""), "");
    EXPECT_EQ(html::Text(std::string("a\0b", 3)), std::string("a\0b", 3));
}

}  // namespace
}  // namespace tv
