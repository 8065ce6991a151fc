#include "shell/folder_name.h"

#include "core/str_util.h"

namespace tv {

bool IsCp1252Letter(char ch) {
    const auto c = static_cast<unsigned char>(ch);
    // Š Œ Ž š œ ž Ÿ, then À..ÿ without × and ÷.
    if (c == 0x8A || c == 0x8C || c == 0x8E || c == 0x9A || c == 0x9C || c == 0x9E || c == 0x9F) return true;
    return c >= 0xC0 && c != 0xD7 && c != 0xF7;
}

bool IsFolderNameChar(char ch) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 32) return true;
    if (c == ' ' || c == '!' || c == '-' || c == '.' || c == '_') return true;
    return IsAsciiAlnum(ch) || IsCp1252Letter(ch);
}

std::string FilterFolderName(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 32 && IsFolderNameChar(c)) out += c;
    return out;
}

bool IsValidFolderName(std::string_view text) {
    if (text.empty()) return false;
    bool meaningful = false;
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 32 || !IsFolderNameChar(c)) return false;
        if (c != '.' && c != ' ') meaningful = true;
    }
    // "", "." and ".." (and "...", " . ") would name the parent, the folder
    // itself or nothing usable.
    return meaningful;
}

}  // namespace tv
