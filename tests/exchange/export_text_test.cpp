// The number, name, date and placeholder helpers of the exports.
#include "exchange/export_text.h"

#include <gtest/gtest.h>

#include "platform/text_encoding.h"

namespace tv {
namespace {

TEST(FixedText, RoundsTheExactValueHalfAwayFromZero) {
    struct Case {
        double v;
        int precision, digits;
        const char* text;
    };
    const Case cases[] = {
        {49.5, 10, 6, "49.500000"},
        {10.7512345678, 10, 6, "10.751235"},
        {59.99977111816406, 6, 3, "60.000"},
        {12.125, 8, 2, "12.13"},
        {-12.125, 8, 2, "-12.13"},
        {0.125, 8, 2, "0.13"},
        {-0.0004, 10, 3, "0.000"},
        {9.9999999996, 10, 6, "10.000000"},
        {46000.873599537, 11, 6, "46000.873600"},
        {24.4828376770019531, 8, 2, "24.48"},
        {1234567.891, 8, 3, "1234567.900"},
    };
    for (const Case& c : cases) EXPECT_EQ(FixedText(c.v, c.precision, c.digits), c.text) << c.v;
    EXPECT_EQ(FixedText(49.5, 10, 6, ','), "49,500000");
    // 0.1 is a little above 1/10 as a double, so it is no tie.
    EXPECT_EQ(FixedText(0.15, 10, 1), "0.1");
}

TEST(ExportNames, AreFoldedForReceiversAndXml) {
    EXPECT_EQ(AsciiCacheName(W("Bäche & Brücken")), "Baeche & Bruecken");
    EXPECT_EQ(AsciiCacheName(W("Straße ÄÖÜ")), "Strasse AeOeUe");
    EXPECT_EQ(AsciiCacheName("Caf\xE9 \x80 ok\x01\x7F"), "Cafe  ok\x7F");
    EXPECT_EQ(AsciiCacheName(W("Ærø Ñandú Œuvre ð")), "Aero Nandu Oeuvre ");
    EXPECT_EQ(CompressedCacheName(W("Über den Fluß - Teil 2")), "UEBER DEN FLUSS  TEIL 2");
    EXPECT_EQ(CompressedCacheName(W("Ärger")), "AERGER");
    EXPECT_EQ(CompressedCacheName(W("café")), "CAFE");
    // Accented letters and ligatures keep their base letters, in capitals.
    EXPECT_EQ(CompressedCacheName(W("Points géodésiques du Québec")), "POINTS GEODESIQUES DU QUEBEC");
    EXPECT_EQ(CompressedCacheName(W("Ærø")), "AERO");
    EXPECT_EQ(CompressedCacheName(W("Œuvre ÿ ð Ñ")), "OEUVRE Y  N");
    EXPECT_EQ(CompressedCacheName(std::string(40, 'a')), std::string(30, 'A'));
    EXPECT_EQ(CacheTypeLetter("multi-cache"), "M");
    EXPECT_EQ(CacheTypeLetter("Earthcache"), "O");
    EXPECT_EQ(CacheSizeLetter(""), "U");
    EXPECT_EQ(CacheSizeLetter("micro"), "M");
    EXPECT_EQ(XmlText(W("Büro <A&B> \"x\"\x01")), "B\xC3\xBCro &lt;A&amp;B&gt; &quot;x&quot;");
}

TEST(AddDefaultExt, LooksAtTheFileNameOnly) {
    EXPECT_EQ(AddDefaultExt("/w/export", "gpx"), "/w/export.gpx");
    EXPECT_EQ(AddDefaultExt("/w/export.txt", "gpx"), "/w/export.txt");
    EXPECT_EQ(AddDefaultExt("/home/u/.local/share/tv/export", "gpx"), "/home/u/.local/share/tv/export.gpx");
}

TEST(ExportDates, PrintAndParse) {
    EXPECT_EQ(DateText(38171.0), "03.07.2004");
    EXPECT_EQ(DateText(0), "30.12.1899");
    EXPECT_EQ(DateTimeText(39000.5), "10.10.2006 12:00:00");
    EXPECT_EQ(DateTimeText(38171.0), "03.07.2004");
    double d = 0;
    EXPECT_TRUE(ParseDateText("3.7.2004", d));
    EXPECT_EQ(d, 38171.0);
    for (const char* bad : {"31.02.2007", "03.07.04", "03-07-2004", "", "03.07.2004x", "003.07.2004"})
        EXPECT_FALSE(ParseDateText(bad, d)) << bad;
}

TEST(FillPlaceholders, ReplacesEveryTokenOnceAndNeverInsideValues) {
    const Placeholders values = {{"#A#", "x#B#"}, {"#B#", "y"}};
    EXPECT_EQ(FillPlaceholders("#A#-#B#-#A#-#C#-#", values), "x#B#-y-x#B#-#C#-#");
    EXPECT_EQ(FillPlaceholders("", values), "");
}

TEST(XmlPlaces, ValuesFollowTheMarkupTheyStandIn) {
    XmlCursor c;
    const std::pair<const char*, XmlPlace> steps[] = {
        {"<a b='x\">", XmlPlace::Attribute},  // still in the single-quoted value
        {"'>", XmlPlace::Text},
        {"<!-->", XmlPlace::Comment},  // the opening's dashes close nothing
        {"-->", XmlPlace::Text},
        {"<![CDATA[<b>", XmlPlace::CData},
        {"]]>", XmlPlace::Text},
        {"<?pi x", XmlPlace::Instruction},
        {"?><c d=\"", XmlPlace::Attribute},
    };
    for (const auto& [text, place] : steps) {
        c.Feed(text);
        EXPECT_EQ(c.place(), place) << text;
    }
    EXPECT_EQ(XmlValue("a]]>b]]>", XmlPlace::CData, XmlCharset::Utf8), "a]]]]><![CDATA[>b]]]]><![CDATA[>");
    EXPECT_EQ(XmlValue("-a--b-", XmlPlace::Comment, XmlCharset::Utf8), " -a- -b- ");
    EXPECT_EQ(XmlValue("?>", XmlPlace::Instruction, XmlCharset::Utf8), "? >");
    EXPECT_EQ(XmlValue("a\tb\r\n'\x01", XmlPlace::Attribute, XmlCharset::Utf8), "a&#9;b&#13;&#10;&apos;");
    EXPECT_EQ(XmlValue("a\tb\n", XmlPlace::Text, XmlCharset::Utf8), "a\tb\n");
    // The euro sign: a byte of its own in Windows-1252, missing from Latin-1.
    EXPECT_EQ(XmlValue("\x80\xE4", XmlPlace::Text, XmlCharset::Latin1), "&#8364;\xE4");
    EXPECT_EQ(XmlValue("\x80\xE4", XmlPlace::CData, XmlCharset::Latin1), "?\xE4");
    EXPECT_EQ(XmlValue("\x80\xE4", XmlPlace::CData, XmlCharset::Cp1252), "\x80\xE4");
    EXPECT_EQ(XmlValue("\x80\xE4", XmlPlace::CData, XmlCharset::Utf8), "\xE2\x82\xAC\xC3\xA4");
    EXPECT_EQ(XmlCharsetOf("<?xml version='1.0' encoding='ISO-8859-1'?><a>"), XmlCharset::Latin1);
    EXPECT_EQ(XmlCharsetOf("\xEF\xBB\xBF <?xml version=\"1.0\" encoding=\"Windows-1252\"?>"), XmlCharset::Cp1252);
    EXPECT_EQ(XmlCharsetOf("<a encoding='ISO-8859-1'>"), XmlCharset::Utf8);
}

}  // namespace
}  // namespace tv
