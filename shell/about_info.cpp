#include "shell/about_info.h"

#include "core/file_procs.h"
#include "shell/program_version.h"

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

std::string DefaultAboutVersionText() {
    std::string s = "Version ";
    s += kProgramVersion;
    s += " vom ";
    s += kProgramDate;
    return s;
}

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
    return AboutVersionText(ReadWholeFile(workDir + "QUIRK"));
}

}  // namespace tv
