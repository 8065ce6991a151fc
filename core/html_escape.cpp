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

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// After a tag starting at `at`: past its '>' (quoted values may hold '>').
std::size_t TagEnd(std::string_view page, std::size_t at) {
    char quote = 0;
    for (std::size_t i = at + 1; i < page.size(); ++i) {
        const char c = page[i];
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

// Whether a start tag named `name` (lower case) begins at `at`.
bool IsTag(std::string_view page, std::size_t at, std::string_view name) {
    if (at >= page.size() || page[at] != '<' || page.size() - at - 1 < name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char c = page[at + 1 + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != name[i]) return false;
    }
    const std::size_t next = at + 1 + name.size();
    return next == page.size() || IsSpace(page[next]) || page[next] == '>' || page[next] == '/';
}

// Past blanks, comments, the doctype and processing instructions.
std::size_t SkipProlog(std::string_view page, std::size_t at) {
    for (;;) {
        while (at < page.size() && IsSpace(page[at])) ++at;
        if (page.substr(at, 4) == "<!--") {
            const std::size_t close = page.find("-->", at + 4);
            if (close == std::string_view::npos) return at;
            at = close + 3;
        } else if (page.substr(at, 2) == "<!" || page.substr(at, 2) == "<?") {
            const std::size_t close = page.find('>', at);
            if (close == std::string_view::npos) return at;
            at = close + 1;
        } else {
            return at;
        }
    }
}

// Where the policy goes: in the head, before any element of the page. Only
// the page's leading <html> and <head> tags count; one further down (in a
// listing's text) would put the policy where the browser ignores it.
std::size_t PolicyPosition(std::string_view page) {
    std::size_t at = SkipProlog(page, 0);
    if (IsTag(page, at, "html")) {
        const std::size_t end = TagEnd(page, at);
        if (end == std::string_view::npos) return 0;
        at = SkipProlog(page, end);
    }
    if (IsTag(page, at, "head")) {
        const std::size_t end = TagEnd(page, at);
        if (end != std::string_view::npos) return end;
    }
    return at;
}

}  // namespace

std::string WithPagePolicy(std::string_view page, std::string_view policy) {
    const std::size_t at = PolicyPosition(page);
    std::string out;
    out.reserve(page.size() + policy.size() + 64);
    out.append(page.substr(0, at));
    out += PolicyMeta(policy);
    out.append(page.substr(at));
    return out;
}

}  // namespace tv::html
