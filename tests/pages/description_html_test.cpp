#include "pages/description_html.h"

#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/str_util.h"

namespace tv {
namespace {

TDescrImage Pic(const std::string& name, int w, int h, const std::string& cap = "C", const std::string& desc = "D") {
    TDescrImage im;
    im.FileName = name;
    im.Caption = cap;
    im.Description = desc;
    im.Width = w;
    im.Height = h;
    return im;
}

std::string ImgLine(const std::string& name, int w, int h) {
    return "      <img src=\"./" + name + "\" width=\"" + std::to_string(w) + "\" height=\"" + std::to_string(h) +
           "\"><BR>\r\n";
}

std::string Cell(const std::string& name, int w, int h, const std::string& cap, const std::string& desc) {
    return "    <td>\r\n" + ImgLine(name, w, h) + "<strong>" + cap + "</strong><BR>\r\n" + desc + "\r\n    </td>\r\n";
}

std::string Pair(const std::string& a, const std::string& b) {
    return "<table border=\"1\" width=\"640\">\r\n  <tr>\r\n" + a + b + "  </tr>\r\n</table><br>\r\n";
}

TEST(DescriptionImages, FourPicturesPairWidestWithBestPartnerByteExact) {
    std::vector<TDescrImage> pics{Pic("a.jpg", 400, 300, "A", "da"), Pic("C:\\x\\b.jpg", 300, 300, "B", "db"),
                                  Pic("/y/c.jpg", 200, 300, "C", "dc"), Pic("d.jpg", 100, 300, "D", "dd")};
    const std::string expected = "<hr>\r\n" +
                                 Pair(Cell("a.jpg", 512, 384, "A", "da"), Cell("d.jpg", 128, 384, "D", "dd")) +
                                 Pair(Cell("b.jpg", 384, 384, "B", "db"), Cell("c.jpg", 256, 384, "C", "dc"));
    EXPECT_EQ(BuildCacheImagesHTML(pics, 640, true), expected);
}

TEST(DescriptionImages, NamesNeverLeaveTheFolderAndAreQuoted) {
    const std::string html = BuildCacheImagesHTML({Pic("./../../x.jpg", 10, 10), Pic("..\\a\"b.jpg", 10, 10)}, 640,
                                                  false);
    EXPECT_NE(html.find("src=\"./x.jpg\""), std::string::npos);
    EXPECT_NE(html.find("src=\"./a&quot;b.jpg\""), std::string::npos);
    EXPECT_EQ(html.find(".."), std::string::npos);
}

// ---- Map ---------------------------------------------------------------------------------

TEST(DescriptionMap, UserOrderDecidesAndEachTagIsByteExact) {
    std::set<std::string> files{"/d/GC1_map.gif", "/d/GC1_multimap.gif"};
    const auto exists = [&](const std::string& p) { return files.count(p) != 0; };
    EXPECT_EQ(FindCacheMapFile("/d/GC1", DefaultMapOrder(), exists), "_multimap.gif");
    std::vector<std::string> order{"MapQuest", "MultiMap", "MapPoint", "Stadtplandienst (Karte)",
                                   "Stadtplandienst (Luftbild)"};
    EXPECT_EQ(FindCacheMapFile("/d/GC1", order, exists), "_map.gif");
    EXPECT_EQ(BuildCacheMapHTMLFor("/d/", "GC1", order, 2, exists),
              "<img style=\"float: left; margin-right: 10px; margin-bottom: 10px;\" src=\"./GC1_map.gif\" "
              "width=\"332\" height=\"254\"align=\"left\" border=\"0\" vspace=\"5\" hspace=\"5\"><!-- Mapquest -->");

    const std::string p = "<img style=\"float: left; margin-right: 10px; margin-bottom: 10px;\" src=\"./";
    EXPECT_EQ(BuildCacheMapHTML("GC1", "_multimap.gif", 1, false),
              p + "GC1_multimap.gif\" width=\"335\" height=\"208\"align=\"left\" border=\"0\" vspace=\"5\" "
                  "hspace=\"5\" width=\"500\" height=\"310\"><!-- Multimap -->");
    EXPECT_EQ(BuildCacheMapHTML("GC1", "_multimap.gif", 0, false),
              p + "GC1_multimap.gif\"align=\"left\" border=\"0\" vspace=\"5\" hspace=\"5\" width=\"500\" "
                  "height=\"310\"><!-- Multimap -->");
    EXPECT_EQ(BuildCacheMapHTML("GC1", "_mappoint.gif", 2, false),
              p + "GC1_mappoint.gif\"align=\"left\" border=\"0\" vspace=\"5\" hspace=\"5\"><!-- Mappoint -->");
    EXPECT_EQ(BuildCacheMapHTML("GC1", "_map.gif", 0, false),
              p + "GC1_map.gif\"align=\"left\" border=\"0\" vspace=\"5\" hspace=\"5\"><!-- Mapquest -->");
}

// ---- Notes -------------------------------------------------------------------------------

// ---- Clean-up ----------------------------------------------------------------------------

TEST(DescriptionCleanUp, RemoveAllKeepsOnlyBreaksAndCountsPicturesAndLinks) {
    CleanFlags f;
    f.img = f.href = false;
    f.removeAll = true;
    std::string text = "<p>x<img src=a><a href=b>y</a><br>z";
    const CleanCounts c = CleanLongDescription(text, f);
    EXPECT_EQ(text, "<BR>xy<BR>z");
    EXPECT_EQ(RemovedContentEntry("GC1", c), "GC1(1/1)");
}

// The one-pass span removal gives exactly what removing the first span again
// and again from the start gives.
std::string RemoveRepeatedly(std::string text, const std::string& open, const std::string& close, int& count) {
    count = 0;
    for (;;) {
        const std::string upper = UpperCaseCp1252(text);
        const std::size_t a = upper.find(UpperCaseCp1252(open));
        if (a == std::string::npos) return text;
        const std::size_t b = upper.find(UpperCaseCp1252(close), a + open.size());
        if (b == std::string::npos) return text;
        text.erase(a, b + close.size() - a);
        ++count;
    }
}

TEST(DescriptionCleanUp, OnePassRemovalMatchesRepeatedRemoval) {
    std::mt19937 rng(11);
    const std::string alphabet = "<>aA=\"sS";
    const std::vector<std::pair<std::string, std::string>> pairs{
        {"<a", ">"}, {"STYLE=\"", "\""}, {"<<a", "a>"}, {"aa", "a"}, {"<", ">"}, {"=\"", "\"\""}};
    for (int round = 0; round < 4000; ++round) {
        std::string text;
        const int len = static_cast<int>(rng() % 40);
        for (int i = 0; i < len; ++i) text += alphabet[rng() % alphabet.size()];
        const auto& [open, close] = pairs[static_cast<std::size_t>(round) % pairs.size()];
        int expectedCount = 0;
        const std::string expected = RemoveRepeatedly(text, open, close, expectedCount);
        std::string actual = text;
        const int count = RemoveSpansNoCase(actual, open, close);
        ASSERT_EQ(actual, expected) << "text " << text << " open " << open << " close " << close;
        ASSERT_EQ(count, expectedCount) << text;
    }
}

}  // namespace
}  // namespace tv
