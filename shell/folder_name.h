#pragma once
// Names typed for a new folder: letters (A-Z, a-z and the letters of
// Windows-1252 such as "Ü", "ß", "é"), digits, blank, "!", "-", "." and "_".
// Everything else (separators, quotes, other signs) is refused.
#include <string>
#include <string_view>

namespace tv {

// The letters of Windows-1252 beyond A-Z and a-z.
bool IsCp1252Letter(char c);
// True for a character the name may hold; control characters (code below 32,
// e.g. backspace) pass as well, as key presses.
bool IsFolderNameChar(char c);
// The text without the characters IsFolderNameChar refuses and without
// control characters.
std::string FilterFolderName(std::string_view text);
// True when the whole text can name a new folder below another: not empty,
// only allowed characters, no control characters, not "." or ".." and not
// made of dots and blanks only.
bool IsValidFolderName(std::string_view text);

}  // namespace tv
