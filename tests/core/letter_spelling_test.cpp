#include "core/letter_spelling.h"

#include <gtest/gtest.h>

#include <string>

#include "core/str_util.h"
#include "platform/text_encoding.h"

using namespace tv;

namespace {

std::string Spelt(const std::string& cp1252) {
    std::string out;
    for (unsigned char c : cp1252) out += std::string(AsciiLetterSpelling(c)) + "|";
    return out;
}

TEST(LetterSpelling, AccentedLettersBecomeTheirBaseLetter) {
    EXPECT_EQ(Spelt(W("éèêë áàâãå ç ñ óòôõø úùû íìîï ýÿ æ œ š ž")),
              "e|e|e|e||a|a|a|a|a||c||n||o|o|o|o|o||u|u|u||i|i|i|i||y|y||ae||oe||s||z|");
    EXPECT_EQ(Spelt(W("ÉÈÊË ÁÀÂÃÅ Ç Ñ ÓÒÔÕØ ÚÙÛ ÍÌÎÏ ÝŸ Æ Œ Š Ž")),
              "E|E|E|E||A|A|A|A|A||C||N||O|O|O|O|O||U|U|U||I|I|I|I||Y|Y||Ae||Oe||S||Z|");
    // The umlauts keep their spelling.
    EXPECT_EQ(Spelt(W("äöüÄÖÜß")), "ae|oe|ue|Ae|Oe|Ue|ss|");
    // No Latin base letter, and ASCII: nothing.
    EXPECT_EQ(Spelt(W("ðÐþÞµ×÷€ªº°§") + "\xA0\x81" + "aZ1 "), std::string(18, '|'));

    // Every capital is spelt as its small letter with the first letter
    // raised, over all bytes.
    for (int b = 0x80; b < 0x100; ++b) {
        const auto small = static_cast<unsigned char>(b);
        const auto capital = UpperCp1252(small);
        if (capital == small) continue;
        std::string expected(AsciiLetterSpelling(small));
        if (!expected.empty()) expected[0] = static_cast<char>(expected[0] - 'a' + 'A');
        EXPECT_EQ(AsciiLetterSpelling(capital), expected) << b;
    }
}

}  // namespace
