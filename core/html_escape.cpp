#include "core/html_escape.h"

namespace tv::html {

namespace {

std::string Escape(std::string_view text, bool quotes) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"':
                if (quotes) out += "&quot;";
                else out += c;
                break;
            case '\'':
                if (quotes) out += "&#39;";
                else out += c;
                break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace

std::string Text(std::string_view text) { return Escape(text, false); }
std::string Attr(std::string_view text) { return Escape(text, true); }

std::string PolicyMeta(std::string_view policy) {
    return "<meta http-equiv=\"Content-Security-Policy\" content=\"" + Attr(policy) + "\">";
}

namespace {

// End of the first tag named `name` (case-insensitive), after its '>'.
std::size_t AfterTag(std::string_view page, std::string_view name) {
    for (std::size_t at = page.find('<'); at != std::string_view::npos; at = page.find('<', at + 1)) {
        if (page.size() - at - 1 < name.size()) return std::string_view::npos;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i) {
            char c = page[at + 1 + i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            same = c == name[i];
        }
        const std::size_t next = at + 1 + name.size();
        if (!same || (next < page.size() && page[next] != '>' && page[next] != ' ' && page[next] != '\t' &&
                      page[next] != '\r' && page[next] != '\n'))
            continue;
        const std::size_t close = page.find('>', next);
        return close == std::string_view::npos ? close : close + 1;
    }
    return std::string_view::npos;
}

}  // namespace

std::string WithPagePolicy(std::string_view page, std::string_view policy) {
    std::size_t at = AfterTag(page, "head");
    if (at == std::string_view::npos) at = AfterTag(page, "html");
    if (at == std::string_view::npos) at = 0;
    std::string out;
    out.reserve(page.size() + policy.size() + 64);
    out.append(page.substr(0, at));
    out += PolicyMeta(policy);
    out.append(page.substr(at));
    return out;
}

}  // namespace tv::html
