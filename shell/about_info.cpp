#include "shell/about_info.h"

#include <fstream>
#include <iterator>

namespace tv {

namespace {

// The next line of `text` from `pos` (without CR/LF); advances pos.
std::string_view NextLine(std::string_view text, std::size_t& pos) {
    if (pos >= text.size()) {
        pos = text.size();
        return {};
    }
    auto end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
    return line;
}

}  // namespace

std::string DefaultAboutVersionText() { return "Version V5.2.0 vom 28.11.2007"; }

std::string AboutVersionText(const std::optional<std::string>& quirkContents) {
    if (!quirkContents) return DefaultAboutVersionText();
    std::size_t pos = 0;
    const std::string_view text = *quirkContents;
    const auto version = NextLine(text, pos);
    const auto date = NextLine(text, pos);
    if (version.empty() || date.empty()) return DefaultAboutVersionText();
    std::string s = "Version ";
    s += version;
    s += " vom ";
    s += date;
    return s;
}

std::string ReadAboutVersionText(const std::string& workDir) {
    std::ifstream in(workDir + "QUIRK", std::ios::binary);
    if (!in) return AboutVersionText(std::nullopt);
    std::string contents((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return AboutVersionText(std::nullopt);
    return AboutVersionText(contents);
}

}  // namespace tv
