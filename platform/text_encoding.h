#pragma once
// Windows-1252 is the byte encoding of every record, list, template and page
// the program keeps. These convert between it and UTF-8 (for Qt, GPX and the
// German texts written in the sources). Qt alone cannot do it without ICU.
#include <optional>
#include <string>
#include <string_view>

namespace tv {

// Unicode code point of one Windows-1252 byte. The five bytes that the code
// page leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control
// with the same number, so every byte round-trips.
char32_t Cp1252ToUnicode(unsigned char byte);
// The Windows-1252 byte for a code point, or -1 when the code page lacks it.
int UnicodeToCp1252(char32_t cp);

std::string Cp1252ToUtf8(std::string_view bytes);
// Characters the code page lacks become `replacement`; malformed UTF-8 bytes
// are taken as Windows-1252 bytes of their own (so cp1252 input survives).
std::string Utf8ToCp1252(std::string_view utf8, char replacement = '?');

// The exact Windows-1252 form of `utf8`; nothing when a character is missing
// from the code page or a byte is not UTF-8 (names that cannot round-trip).
std::optional<std::string> Utf8ToCp1252Exact(std::string_view utf8);

// The message for a file name (UTF-8, as on disk) that Windows-1252 cannot
// hold: the program skips such a name instead of mangling it.
std::string UnrepresentableNameText(std::string_view utf8Name);

// Shorthand for German literals written in UTF-8 in the sources.
inline std::string W(std::string_view utf8) { return Utf8ToCp1252(utf8); }

}  // namespace tv
