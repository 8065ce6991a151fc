#include "core/html_escape.h"

#include <string>

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

// The policy is the first thing in the head: only the page's leading <html>
// and <head> tags count, never one further down in a listing's text.
TEST(HtmlEscape, PolicyGoesAtTheHeadOfThePage) {
    const std::string m = html::PolicyMeta(html::kOfflinePagePolicy);
    EXPECT_EQ(html::WithPagePolicy("<!DOCTYPE html>\r\n<!-- a -->\r\n<HTML lang=\"d>e\">\r\n<head >\r\n<title>"),
              "<!DOCTYPE html>\r\n<!-- a -->\r\n<HTML lang=\"d>e\">\r\n<head >" + m + "\r\n<title>");
    EXPECT_EQ(html::WithPagePolicy("<html><body><p><head>"), "<html>" + m + "<body><p><head>");
    EXPECT_EQ(html::WithPagePolicy("\r\n<p>x</p><html><head>"), "\r\n" + m + "<p>x</p><html><head>");
    EXPECT_EQ(html::WithPagePolicy("<header>"), m + "<header>");
    EXPECT_EQ(html::WithPagePolicy(""), m);
}

}  // namespace
}  // namespace tv
