#pragma once
// Letters beyond ASCII written with ASCII letters, for names that must stay
// ASCII (receiver files, the online map page). Windows-1252 bytes.
#include <string_view>

namespace tv {

// The ASCII spelling of a Windows-1252 letter above 127: the umlauts and ß as
// UmlautSpelling ("ae", "Oe", "ss"), a Latin letter with an accent as its
// base letter ('é' -> "e", 'Ç' -> "C", 'ñ' -> "n", 'ø' -> "o", 'Š' -> "S"),
// the ligatures spelt out ('æ' -> "ae", 'Œ' -> "Oe", capitals like the
// umlauts). Empty for ASCII and for every byte without a Latin base letter
// (signs, 'ð', 'þ', 'µ').
std::string_view AsciiLetterSpelling(unsigned char c);

}  // namespace tv
