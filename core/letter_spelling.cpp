#include "core/letter_spelling.h"

#include "core/str_util.h"

namespace tv {

std::string_view AsciiLetterSpelling(unsigned char c) {
    if (const std::string_view umlaut = UmlautSpelling(c); !umlaut.empty()) return umlaut;
    // Bytes 0x80..0xFF; the umlauts and ß are answered above.
    // clang-format off
    static constexpr std::string_view kSpelling[128] = {
        // 0x80: € (81) ‚ ƒ „ … † ‡ ˆ ‰ Š ‹ Œ (8D) Ž (8F)
        "", "", "", "", "", "", "", "", "", "", "S", "", "Oe", "", "Z", "",
        // 0x90: (90) ‘ ’ “ ” • – — ˜ ™ š › œ (9D) ž Ÿ
        "", "", "", "", "", "", "", "", "", "", "s", "", "oe", "", "z", "Y",
        // 0xA0..0xBF: signs, ª and º
        "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
        "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
        // 0xC0: À Á Â Ã Ä Å Æ Ç È É Ê Ë Ì Í Î Ï
        "A", "A", "A", "A", "", "A", "Ae", "C", "E", "E", "E", "E", "I", "I", "I", "I",
        // 0xD0: Ð Ñ Ò Ó Ô Õ Ö × Ø Ù Ú Û Ü Ý Þ ß
        "", "N", "O", "O", "O", "O", "", "", "O", "U", "U", "U", "", "Y", "", "",
        // 0xE0: à á â ã ä å æ ç è é ê ë ì í î ï
        "a", "a", "a", "a", "", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
        // 0xF0: ð ñ ò ó ô õ ö ÷ ø ù ú û ü ý þ ÿ
        "", "n", "o", "o", "o", "o", "", "", "o", "u", "u", "u", "", "y", "", "y",
    };
    // clang-format on
    return c >= 0x80 ? kSpelling[c - 0x80] : std::string_view();
}

}  // namespace tv
