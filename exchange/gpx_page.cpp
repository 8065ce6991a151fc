#include "exchange/gpx_page.h"

#include <filesystem>
#include <initializer_list>
#include <system_error>

#include "core/html_escape.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

// UTF-8 text with every character beyond ASCII as a numeric reference.
// Bytes that are no UTF-8 are taken as Windows-1252.
std::string AsciiHtml(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
            ++i;
            continue;
        }
        int len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        char32_t cp = len == 4 ? (b & 0x07) : len == 3 ? (b & 0x0F) : (b & 0x1F);
        for (int k = 1; k < len; ++k) {
            const std::size_t j = i + static_cast<std::size_t>(k);
            if (j >= utf8.size() || (static_cast<unsigned char>(utf8[j]) & 0xC0) != 0x80) {
                len = 0;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[j]) & 0x3F);
        }
        if (len == 0) {
            cp = Cp1252ToUnicode(b);
            len = 1;
        }
        out += "&#" + std::to_string(static_cast<unsigned long>(cp)) + ";";
        i += static_cast<std::size_t>(len);
    }
    return out;
}

std::string Esc(std::string_view utf8) { return AsciiHtml(html::Text(utf8)); }
std::string EscAttr(std::string_view utf8) { return AsciiHtml(html::Attr(utf8)); }

// Every line break (CR LF, LF or CR) replaced by `with`.
std::string ReplaceBreaks(std::string_view text, std::string_view with) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out.append(with);
        } else if (text[i] == '\n') {
            out.append(with);
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string Chars(std::string_view s, std::size_t from, std::size_t count) {
    return from < s.size() ? std::string(s.substr(from, count)) : std::string();
}

// Lower-case ASCII name of the tag starting at text[lt] ('<'), without a
// leading '/'; "" for comments, declarations and stray '<'.
std::string TagName(std::string_view text, std::size_t lt) {
    std::size_t i = lt + 1;
    if (i < text.size() && text[i] == '/') ++i;
    std::string name;
    while (i < text.size() && IsAsciiAlnum(text[i])) name.push_back(LowerCp1252(text[i++]));
    return name;
}

bool OneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    for (std::string_view n : names)
        if (name == n) return true;
    return false;
}

// A description is a fragment inside our page: page-level and active
// elements from it would restructure or script the page. Scripts and styles
// go with their content, the other tags alone (their text stays).
std::string NeutraliseHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t lt = text.find('<', pos);
        if (lt == std::string_view::npos) break;
        out.append(text, pos, lt - pos);
        const std::string name = TagName(text, lt);
        const bool closing = lt + 1 < text.size() && text[lt + 1] == '/';
        const bool declaration = lt + 1 < text.size() && (text[lt + 1] == '!' || text[lt + 1] == '?') &&
                                 text.compare(lt, 4, "<!--") != 0;
        std::size_t gt = text.find('>', lt);
        if (gt == std::string_view::npos) gt = text.size() - 1;
        if (!closing && OneOf(name, {"script", "style", "title", "textarea", "xmp"})) {
            // Everything up to the matching end tag, or the rest when it never ends.
            const std::string upper = UpperCaseAscii(text.substr(gt + 1));
            const std::size_t end = upper.find("</" + UpperCaseAscii(name));
            if (end == std::string::npos) return out;
            const std::size_t endGt = text.find('>', gt + 1 + end);
            pos = endGt == std::string_view::npos ? text.size() : endGt + 1;
            continue;
        }
        if (declaration || OneOf(name, {"html", "head", "body", "meta", "base", "link", "iframe", "frame",
                                        "frameset", "object", "embed", "applet", "form", "script", "style",
                                        "title", "textarea", "xmp", "noscript", "template", "svg", "math"})) {
            pos = gt + 1;
            continue;
        }
        out.append(text, lt, gt + 1 - lt);
        pos = gt + 1;
    }
    if (pos < text.size()) out.append(text, pos, std::string_view::npos);
    return out;
}

constexpr const char* kNotice =
    "<BLOCKQUOTE><span id=\"LongDescription\"><table border=\"1\" width=\"100%\"><tr><td><center><strong>*** "
    "ACHTUNG ***</strong></center></td></tr><tr><td><p>Diese Beschreibung wurde aus einer GPX-Datei "
    "(PocketQuery) geladen. Sie ist deshalb m&ouml;glicherweise nicht vollst&auml;ndig. Fehlende Elemente "
    "k&ouml;nnen sein:</p><ul><li>Koordinaten im UTM-Format</li><li>Anzahl Besuche</li><li>Logeintr&auml;ge, "
    "falls diese 5 &uuml;bersteigen</li><li>S&auml;mtliche Cache-Images</li></ul><p>Vor der Cachesuche wird "
    "empfohlen, die Originalbeschreibung anzusehen!</p></td></tr></table><br>";

}  // namespace

std::string MonthName(std::string_view twoDigits) {
    static const char* const names[] = {"January", "February", "March",     "April",   "May",      "June",
                                        "July",    "August",   "September", "October", "November", "December"};
    if (twoDigits.size() == 2 && twoDigits[0] >= '0' && twoDigits[0] <= '9' && twoDigits[1] >= '0' &&
        twoDigits[1] <= '9') {
        const int m = (twoDigits[0] - '0') * 10 + (twoDigits[1] - '0');
        if (m >= 1 && m <= 12) return names[m - 1];
    }
    return "???";
}

std::string LogIcon(std::string_view logType) {
    static const std::pair<const char*, const char*> icons[] = {
        {"FOUND IT", "icon_smile.gif"},
        {"PUBLISH LISTING", "icon_greenlight.gif"},
        {"DIDN'T FIND IT", "icon_sad.gif"},
        {"WILL ATTEND", "icon_rsvp.gif"},
        {"ATTENDED", "icon_attended.gif"},
        {"TEMPORARILY DISABLE LISTING", "icon_redlight.gif"},
        {"ENABLE LISTING", "icon_enabled.gif"},
    };
    const std::string upper = UpperCaseAscii(logType);
    for (const auto& [type, icon] : icons)
        if (upper == type) return icon;
    return "icon_note.gif";
}

std::string GpxDescriptionHtml(const GpxCacheWpt& wpt, bool longDescription) {
    const std::string text = TrimCtl(longDescription ? wpt.longDescription : wpt.shortDescription);
    if (longDescription ? wpt.longHtml : wpt.shortHtml) return AsciiHtml(NeutraliseHtml(text));
    return ReplaceBreaks(Esc(text), "<br>");
}

std::vector<std::string> BuildGpxPage(const GpxCacheWpt& wpt, std::string_view code, const ListingSite& site) {
    const std::string base = "http://" + site.host;
    std::vector<std::string> lines;
    lines.emplace_back("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">");
    lines.emplace_back("<html><HEAD>");
    const std::string& title = wpt.urlname.empty() ? wpt.linkText : wpt.urlname;
    lines.push_back("  <title>(" + Esc(code) + ") " + Esc(title) + "</title>");
    lines.emplace_back("  <meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">");
    lines.push_back("  " + html::PolicyMeta(html::kOfflinePagePolicy));
    lines.emplace_back("</head>");
    lines.emplace_back("<body>");
    const std::string& name = wpt.cacheName.empty() ? title : wpt.cacheName;
    lines.push_back("<span id=\"CacheName\">" + Esc(name) + "</span>");
    lines.push_back("<span id=\"CacheOwner\"><b><font size=\"2\">by " + Esc(wpt.placedBy.value_or("")) +
                    " [<A HREF=\"" + base + "/profile/?guid=abc\">profile</A>]</font></b></span>");
    lines.push_back("<span id=\"Location\">In " + Esc(wpt.country) + "</span>");
    const std::string_view time = wpt.time;
    lines.push_back("<span id=\"DateHidden\">" + Esc(Chars(time, 5, 2)) + "/" + Esc(Chars(time, 8, 2)) + "/" +
                    Esc(Chars(time, 0, 4)) + "</span>");
    lines.push_back("<span id=\"WaypointName\">" + Esc(code) + "</span>");
    auto stars = [&](const char* id, const std::string& value) {
        const std::string v = EscAttr(value);
        return "<span id=\"" + std::string(id) + "\"><IMG SRC=\"" + base + "/images/stars/stars1.gif\" alt=\"" + v +
               " out of 5\" title=\"" + v + " out of 5\"></span>";
    };
    lines.push_back(stars("Difficulty", wpt.difficulty.value_or("")));
    lines.push_back(stars("Terrain", wpt.terrain.value_or("")));

    const std::string shortDescr = GpxDescriptionHtml(wpt, false);
    if (!shortDescr.empty()) lines.push_back("<span id=\"ShortDescription\">" + shortDescr + "</span>");
    const std::string longDescr = GpxDescriptionHtml(wpt, true);
    if (!longDescr.empty()) {
        lines.emplace_back(kNotice);
        lines.push_back(longDescr + "</span></BLOCKQUOTE>");
    }
    if (wpt.hints) {
        // Escaped before the encoding, so the encoded text holds no markup.
        std::string hint = ReplaceBreaks(Esc(TrimCtl(*wpt.hints)), "\r\n");
        Rot13(hint);
        lines.push_back("<span id=\"Hints\">" + hint + "</span>");
    }
    if (wpt.hasLogs) {
        lines.emplace_back("<span id=\"CacheLogs\">");
        lines.emplace_back(
            "  <table WIDTH=\"90%\" border=\"0\" cellpadding=\"5\" cellspacing=\"5\" BGCOLOR=\"#EEEEEE\">");
        for (const GpxLog& log : wpt.logs) {
            const std::string date = TrimCtl(log.date);
            if (date.empty() || log.type.empty() || log.finder.empty() || log.text.empty()) continue;
            lines.emplace_back("    <tr>");
            lines.emplace_back("      <td VALIGN='TOP' ALIGN='LEFT'>");
            lines.push_back("<font face='Verdana' size='2'><STRONG>\r\n<IMG SRC=\"" + base + "/images/icons/" +
                            LogIcon(TrimCtl(log.type)) + "\" align=\"absmiddle\">&nbsp;" +
                            MonthName(Chars(date, 5, 2)) + " " + Esc(Chars(date, 8, 2)) + ", " +
                            Esc(Chars(date, 0, 4)) +
                            " by <A NAME=\"0000000\"><A "
                            "HREF=\"../profile/?guid=00000000-0000-0000-0000-000000000000\">" +
                            Esc(log.finder) + "</A></strong> (1 found)<br>");
            lines.push_back(ReplaceBreaks(Esc(TrimCtl(log.text)), "<BR>"));
            lines.emplace_back("<br>");
            lines.emplace_back("</font>");
            lines.emplace_back("      </td>");
            lines.emplace_back("    </tr>");
        }
        lines.emplace_back("  </table>");
        lines.emplace_back("</span>");
    }
    lines.emplace_back("</body>");
    lines.emplace_back("</HTML>");
    return lines;
}

std::string GpxPageText(const GpxCacheWpt& wpt, std::string_view code, const ListingSite& site) {
    std::string text;
    for (const std::string& line : BuildGpxPage(wpt, code, site)) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::unordered_set<std::string> CollectDescriptionFiles(const std::string& folder) {
    namespace fs = std::filesystem;
    std::unordered_set<std::string> names;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec)) continue;
        const std::string upper = UpperCaseAscii(it->path().filename().string());
        if (upper.rfind("GC", 0) != 0 || upper.find(".HTML") == std::string::npos ||
            upper.find("_CONVERTED") != std::string::npos)
            continue;
        names.insert(upper.substr(0, upper.find('.')));
    }
    return names;
}

std::string GpxPagePath(const std::string& outDir, std::string_view code) {
    if (!IsSafeWaypointCode(code)) return {};
    return outDir + std::string(code) + ".html";
}

}  // namespace tv
