#include "platform/text_encoding.h"

#include <gtest/gtest.h>

namespace tv {

TEST(TextEncoding, EveryByteRoundTripsThroughUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(TextEncoding, HighRangeUsesTheCodePageNotLatin1) {
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
    EXPECT_EQ(Cp1252ToUtf8("\x9F"), "\xC5\xB8");      // Y with diaeresis
    EXPECT_EQ(Cp1252ToUtf8("B\xFCro"), "B\xC3\xBCro");
    EXPECT_EQ(W("Größe €"), "Gr\xF6\xDF" "e \x80");
}

TEST(TextEncoding, UnmappableAndMalformedInput) {
    EXPECT_EQ(Utf8ToCp1252("\xE2\x86\x92"), "?");        // arrow is not in the code page
    EXPECT_EQ(Utf8ToCp1252("a\xFC" "b"), "a\xFC" "b");    // stray cp1252 byte survives
    EXPECT_EQ(Utf8ToCp1252("\xC3"), "\xC3");              // cut sequence
    EXPECT_EQ(UnicodeToCp1252(0x20AC), 0x80);
    EXPECT_EQ(UnicodeToCp1252(0x4E2D), -1);
}

}  // namespace tv
