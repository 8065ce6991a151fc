#include "core/str_util.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/text_encoding.h"

using namespace tv;

namespace {

// Straightforward reference search (0-based, npos when absent).
std::size_t NaiveFind(const std::string& s, const std::string& p, std::size_t from, bool fold) {
    if (p.empty() || p.size() > s.size()) return std::string::npos;
    for (std::size_t i = from; i + p.size() <= s.size(); ++i) {
        bool ok = true;
        for (std::size_t k = 0; k < p.size() && ok; ++k) {
            const auto a = static_cast<unsigned char>(s[i + k]);
            const auto b = static_cast<unsigned char>(p[k]);
            ok = fold ? UpperCp1252(a) == UpperCp1252(b) : a == b;
        }
        if (ok) return i;
    }
    return std::string::npos;
}

std::string RandomText(std::mt19937& rng, std::size_t maxLen, const std::string& alphabet) {
    std::uniform_int_distribution<std::size_t> len(0, maxLen);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string s(len(rng), ' ');
    for (auto& c : s) c = alphabet[pick(rng)];
    return s;
}

}  // namespace

TEST(StrUtilCase, UpperTableFoldsWindows1252Letters) {
    EXPECT_EQ(UpperCaseCp1252(W("Bär straße öl üben ÿ š œ ž æ ø þ")), W("BÄR STRAßE ÖL ÜBEN Ÿ Š Œ Ž Æ Ø Þ"));
    EXPECT_EQ(LowerCaseCp1252(W("BÄR STRAßE Ÿ Š Œ Ž Æ Ø Þ")), W("bär straße ÿ š œ ž æ ø þ"));
    // Bytes that stay as they are: ß, µ, ÷, ×, the euro sign, digits, controls.
    for (int b : {0xDF, 0xB5, 0xF7, 0xD7, 0x80, 0x35, 0x00, 0x1F, 0xAA, 0xBA}) {
        EXPECT_EQ(UpperCp1252(static_cast<unsigned char>(b)), b) << b;
        EXPECT_EQ(LowerCp1252(static_cast<unsigned char>(b)), b) << b;
    }
    // Upper and lower are inverse on every byte that changes.
    int changed = 0;
    for (int b = 0; b < 256; ++b) {
        const auto u = UpperCp1252(static_cast<unsigned char>(b));
        if (u != b) {
            ++changed;
            EXPECT_EQ(LowerCp1252(u), b) << b;
        }
    }
    EXPECT_EQ(changed, 26 + 30 + 4);
    EXPECT_EQ(UpperCaseAscii(W("gc1ä-x")), W("GC1ä-X"));
    EXPECT_EQ(LowerCaseAscii(W("GC1Ä-X")), W("gc1Ä-x"));
    EXPECT_TRUE(SameTextCp1252(W("Größe"), W("GRößE")));
    EXPECT_FALSE(SameTextCp1252("abc", "abcd"));
    EXPECT_LT(CompareTextCp1252("A", "b"), 0);
    EXPECT_GT(CompareTextCp1252("b", "A"), 0);
    EXPECT_EQ(CompareTextCp1252(W("äb"), W("ÄB")), 0);
    // A text sorts before every longer text it begins.
    EXPECT_LT(CompareTextCp1252("ab", "abc"), 0);
    EXPECT_GT(CompareTextCp1252("ABC", "ab"), 0);
    EXPECT_LT(CompareTextCp1252("", "a"), 0);
    EXPECT_EQ(CompareTextCp1252("", ""), 0);
}

TEST(StrUtilSearch, AgreesWithNaiveSearchOnRandomTexts) {
    std::mt19937 rng(42);
    // Short texts over few letters, and longer ones that take the block scan.
    const std::string alphabet = W("aAbBäÄ\xFF\x9F-");
    const std::string markup = W("aAäÄ<>=\"\xFF\x9F");
    for (int round = 0; round < 6000; ++round) {
        const bool longer = round >= 4000;
        const std::string s = longer ? RandomText(rng, 200, markup) : RandomText(rng, 40, alphabet);
        std::string p = RandomText(rng, 5, longer ? markup : alphabet);
        const int start = static_cast<int>(rng() % (s.size() + 2)) + 1;
        for (bool fold : {false, true}) {
            const std::size_t want = NaiveFind(s, p, static_cast<std::size_t>(start - 1), fold);
            const int got = fold ? FastPosNoCase(s, p, start) : FastPos(s, p, start);
            ASSERT_EQ(got, want == std::string::npos ? 0 : static_cast<int>(want) + 1)
                << "s=" << s << " p=" << p << " start=" << start << " fold=" << fold;
        }
    }
}

TEST(StrUtilConvert, FixUtf8CharsByteExact) {
    auto fix = [](std::string s) {
        FixUtf8Chars(s);
        return s;
    };
    EXPECT_EQ(fix("\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xC3\x96\xC3\x9C"), "\xE4\xF6\xFC\xDF\xD6\xDC");
    EXPECT_EQ(fix("\xC2\xA0"), "\xA0");
    EXPECT_EQ(fix("a\xC2z"), "az");
    EXPECT_EQ(fix("\xE2\x80\x9Ex\xE2\x80\x9C y\xE2\x80\x9A"), "\"x\" y\"");
    EXPECT_EQ(fix("it\xE2\x80\x99s\xE2\x80\xA6 1\xE2\x80\x93" "2"), "it's... 1-2");
    EXPECT_EQ(fix("\x80\x99|\x80\x9E|\x80\x9C"), "'|\"|\"");
    // A complete reference leaves no stray semicolon; the bare form works too.
    EXPECT_EQ(fix("&#220;ber &#220ber"), "\xDC" "ber \xDC" "ber");
    // Bytes that belong to no listed sequence stay.
    EXPECT_EQ(fix("\xC3\xA9\xE2\x82\xAC"), "\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(fix(""), "");
}

TEST(StrUtilConvert, DecodeHtmlEntitiesByteExact) {
    auto dec = [](std::string s) {
        DecodeHtmlEntities(s);
        return s;
    };
    EXPECT_EQ(dec("&amp;lt;"), "<");
    EXPECT_EQ(dec("a &amp; b &quot;c&quot; &lt;d&gt;"), "a & b \"c\" <d>");
    EXPECT_EQ(dec("&#197;"), "\xC4");
    EXPECT_EQ(dec("&#208;"), "&#208;");
    EXPECT_EQ(dec("&#230;"), "ae");
    EXPECT_EQ(dec("&#188;"), "1/4");
    EXPECT_EQ(dec("&#65;"), "&#65;");
    EXPECT_EQ(dec("&#065;"), "&#065;");
    EXPECT_EQ(dec("&#8364;&#x2019;&#228"), "&#8364;&#x2019;&#228");
    EXPECT_EQ(dec("&&#228;&#246;;"), "&\xE4\xF6;");
    EXPECT_EQ(dec("&amp;#228;"), "\xE4");

    // Every code 100..299 against the decoding table.
    const std::map<int, std::string> table = {
        {171, "\""}, {176, "\xB0"}, {180, "'"},  {184, ","},  {187, "\""}, {188, "1/4"}, {189, "1/2"},
        {190, "3/4"}, {195, "\xC4"}, {196, "\xC4"}, {197, "\xC4"}, {198, "AE"}, {199, "C"}, {203, "E"},
        {207, "I"},  {209, "N"},  {213, "O"},  {214, "\xD6"}, {215, "x"}, {216, "O"}, {223, "\xDF"},
        {227, "a"},  {228, "\xE4"}, {229, "\xE2"}, {230, "ae"}, {231, "c"}, {235, "e"}, {239, "i"},
        {240, "o"},  {241, "n"},  {245, "o"},  {246, "\xF6"}, {247, "/"}, {248, "o"}, {255, "y"}};
    const std::vector<std::pair<int, int>> same = {{192, 194}, {200, 202}, {204, 206}, {210, 212}, {217, 221},
                                                   {224, 226}, {232, 234}, {236, 238}, {242, 244}, {249, 253}};
    int decoded = 0;
    for (int code = 100; code < 300; ++code) {
        const std::string entity = "&#" + std::to_string(code) + ";";
        std::string want = entity;
        if (auto it = table.find(code); it != table.end()) want = it->second;
        for (auto [lo, hi] : same)
            if (code >= lo && code <= hi) want = std::string(1, static_cast<char>(code));
        if (want != entity) ++decoded;
        EXPECT_EQ(dec("<" + entity + ">"), "<" + want + ">") << code;
    }
    EXPECT_EQ(decoded, 85 - 16);
}

TEST(StrUtilNames, FileUrlsWaypointsAndTrims) {
    EXPECT_EQ(PathToFileUrl("C:\\x\\index.html"), "file:///C:/x/index.html");
    EXPECT_EQ(PathToFileUrl("/home/u/x.html"), "file:///home/u/x.html");

    EXPECT_EQ(WaypointFromFileName("C:\\x\\gc1a2b_converted.html"), "GC1A2B");
    EXPECT_EQ(WaypointFromFileName("gc12.html"), "GC12");
    EXPECT_EQ(WaypointFromFileName("/w/descr/GCZZ9.html"), "GCZZ9");
    EXPECT_EQ(WaypointFromFileName("/w/../x.html"), "X");
    EXPECT_EQ(WaypointFromFileName(W("/w/gcä1.html")), "GC");
    EXPECT_EQ(WaypointFromFileName("dir\\"), "");

    EXPECT_TRUE(IsSafeWaypointCode("GC1A2b"));
    for (const char* bad : {"", "../x", "GC1/..", "GC 1", "GC1\\x", "GC\xC4", "ABCDEFGHIJKLMNOPQ"})
        EXPECT_FALSE(IsSafeWaypointCode(bad)) << bad;

    EXPECT_EQ(TrimRightCtl("abc \t\r\n"), "abc");
    EXPECT_EQ(TrimLeftCtl(" \t\x01x "), "x ");
    EXPECT_EQ(TrimLeftCtl("\xC4rger"), "\xC4rger");
    EXPECT_EQ(TrimRightCtl("B\xE4r"), "B\xE4r");
    EXPECT_EQ(TrimRightCtl("\xA0"), "\xA0");
    EXPECT_EQ(TrimCtl("\r\n"), "");
    EXPECT_EQ(TrimCtl("\t a b \n"), "a b");
    EXPECT_EQ(TrimBlanks("\t a b \t"), "a b");
    EXPECT_EQ(TrimBlanks("\r\n x \n"), "\r\n x \n");
    EXPECT_EQ(TrimBlanks(" \xA0 "), "\xA0");
    EXPECT_EQ(TrimBlanks(" \t "), "");
}
