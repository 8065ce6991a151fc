#pragma once
// Fields of the CSV files the program writes (exports, database dump):
// a quoted field doubles every double quote inside it, so a name like
// 'Der "alte" Turm' reads back as one field in any spreadsheet.
#include <string>
#include <string_view>

namespace tv {

// '"' + text with each '"' doubled + '"'.
inline std::string CsvQuoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    for (char c : text) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

}  // namespace tv
