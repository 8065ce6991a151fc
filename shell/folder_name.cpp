#include "shell/folder_name.h"

#include "core/str_util.h"

namespace tv {

bool IsFolderNameChar(char ch) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 32) return true;
    if (c == ' ' || c == '!' || c == '-' || c == '.' || c == '_') return true;
    return IsAsciiAlnum(ch);
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
