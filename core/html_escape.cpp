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

}  // namespace tv::html
