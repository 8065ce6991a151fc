#pragma once
// Plain text put into HTML pages: user notes, names from the database or the
// settings. Text that is HTML already (parts of a stored listing page) is
// never passed through here.
#include <string>
#include <string_view>

namespace tv::html {

// Element content: '&', '<' and '>' become entities; every other byte
// (Windows-1252 letters included) stays as it is.
std::string Text(std::string_view text);
// Attribute values in double or single quotes: as Text, and '"' and '\''
// become entities too.
std::string Attr(std::string_view text);

}  // namespace tv::html
