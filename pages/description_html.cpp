#include "pages/description_html.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/html_escape.h"
#include "core/number_format.h"
#include "core/str_util.h"
#include "pages/personal_notes.h"

namespace tv {

namespace {

// trunc(value * num / den) in exact integer arithmetic; den > 0.
long long Scaled(long long value, long long num, long long den) { return value * num / den; }

// A picture's title or caption from the ".meta" file: plain text taken from a
// stranger's page (entities and UTF-8 bytes as the page had them).
std::string CaptionText(std::string text) {
    DecodeHtmlEntities(text);
    FixUtf8Chars(text);
    return html::Text(text);
}

std::string ImageLine(const TDescrImage& im, long long width, long long height) {
    return "      <img src=\"" + im.FileName + "\" width=\"" + IntText(width) + "\" height=\"" + IntText(height) +
           "\"><BR>\r\n";
}

void AppendSingleTable(std::string& out, const TDescrImage& im, int maxWidth) {
    long long w = im.Width, h = im.Height;
    if (im.Width > maxWidth) {
        w = Scaled(im.Width, maxWidth, im.Width);
        h = Scaled(im.Height, maxWidth, im.Width);
    }
    out += "<table border=\"1\" width=\"" + IntText(maxWidth) + "\">\r\n";
    out += "  <tr>\r\n";
    out += "    <td>\r\n";
    out += ImageLine(im, w, h);
    out += "<strong>" + CaptionText(im.Caption) + "</strong><BR>\r\n" + CaptionText(im.Description) + "</td>\r\n";
    out += "  </tr>\r\n";
    out += "</table>\r\n";
}

void AppendPairCell(std::string& out, const TDescrImage& im, int maxWidth, long long pairWidth) {
    out += "    <td>\r\n";
    out += ImageLine(im, Scaled(im.Width, maxWidth, pairWidth), Scaled(im.Height, maxWidth, pairWidth));
    out += "<strong>" + CaptionText(im.Caption) + "</strong><BR>\r\n" + CaptionText(im.Description) + "\r\n";
    out += "    </td>\r\n";
}

}  // namespace

// ---- Pictures -------------------------------------------------------------------------

int FindWidestUnusedImage(const std::vector<TDescrImage>& images) {
    int best = 0;
    int bestWidth = 0;
    for (std::size_t i = 0; i < images.size(); ++i) {
        if (!images[i].Used && images[i].Width > bestWidth) {
            best = static_cast<int>(i) + 1;
            bestWidth = images[i].Width;
        }
    }
    return best;
}

std::string BuildCacheImagesHTML(std::vector<TDescrImage> images, int maxWidth, bool twoColumns) {
    if (images.empty()) return {};
    if (maxWidth < 1) maxWidth = 640;  // a broken setting must not shrink every picture to nothing
    std::string out = "<hr>\r\n";
    for (auto& im : images) im.FileName = "./" + html::Attr(BareFileName(im.FileName));
    for (const auto& im : images) {
        if (im.Width < 1) {
            out += "<p>Cache-Images nicht gefunden.</p>";
            return out;
        }
    }
    if (!twoColumns) {
        for (const auto& im : images) AppendSingleTable(out, im, maxWidth);
        return out;
    }

    const std::size_t count = images.size();
    const std::size_t pairs = count / 2;
    int lone = 0;
    if (count % 2 == 1) {
        lone = FindWidestUnusedImage(images);
        images[static_cast<std::size_t>(lone) - 1].Used = true;
    }
    long long target = 0;
    if (pairs > 0) {
        long long sum = 0;
        for (const auto& im : images)
            if (!im.Used) sum += im.Width;
        target = static_cast<long long>(std::nearbyint(static_cast<double>(sum) / static_cast<double>(pairs)));
    }
    for (std::size_t n = 0; n < pairs; ++n) {
        const int a = FindWidestUnusedImage(images);
        if (a == 0) break;
        TDescrImage& ia = images[static_cast<std::size_t>(a) - 1];
        ia.Used = true;
        std::size_t b = count;
        long long bestDiff = 0;
        for (std::size_t j = 0; j < count; ++j) {
            if (images[j].Used) continue;
            const long long diff = std::llabs(static_cast<long long>(ia.Width) + images[j].Width - target);
            if (b == count || diff < bestDiff) {
                b = j;
                bestDiff = diff;
            }
        }
        if (b == count) break;
        TDescrImage& ib = images[b];
        ib.Used = true;
        const long long pairWidth = static_cast<long long>(ia.Width) + ib.Width;
        out += "<table border=\"1\" width=\"" + IntText(maxWidth) + "\">\r\n";
        out += "  <tr>\r\n";
        AppendPairCell(out, ia, maxWidth, pairWidth);
        AppendPairCell(out, ib, maxWidth, pairWidth);
        out += "  </tr>\r\n";
        out += "</table><br>\r\n";
    }
    if (lone > 0) AppendSingleTable(out, images[static_cast<std::size_t>(lone) - 1], maxWidth);
    return out;
}

// ---- Map picture ----------------------------------------------------------------------

const std::vector<std::string>& DefaultMapOrder() {
    static const std::vector<std::string> order{"MultiMap", "MapPoint", "Stadtplandienst (Karte)",
                                                "Stadtplandienst (Luftbild)", "MapQuest"};
    return order;
}

std::string MapFileEnding(std::string_view line) {
    if (line == "MultiMap") return "_multimap.gif";
    if (line == "MapPoint") return "_mappoint.gif";
    if (line == "Stadtplandienst (Karte)") return "_sdk1.png";
    if (line == "Stadtplandienst (Luftbild)") return "_sdk1.jpg";
    if (line == "MapQuest") return "_map.gif";
    return {};
}

std::string FindCacheMapFile(const std::string& basePath, const std::vector<std::string>& order,
                             const FileExistsFn& exists) {
    for (const auto& line : order) {
        std::string ending = MapFileEnding(line);
        if (!ending.empty() && exists(basePath + ending)) return ending;
    }
    return {};
}

std::string BuildCacheMapHTML(std::string_view waypoint, std::string_view ending, int resize, bool tile9Exists) {
    if (resize < 0 || resize > 2) resize = 0;
    const std::string w(waypoint);
    const std::string p = "<img style=\"float: left; margin-right: 10px; margin-bottom: 10px;\" src=\"./";
    if (ending == "_multimap.gif") {
        static const char* const sizes[] = {"", " width=\"335\" height=\"208\"", " width=\"250\" height=\"155\""};
        return p + w + "_multimap.gif\"" + sizes[resize] +
               "align=\"left\" border=\"0\" vspace=\"5\" hspace=\"5\" width=\"500\" height=\"310\">"
               "<!-- Multimap -->";
    }
    if (ending == "_mappoint.gif")
        return p + w + "_mappoint.gif\"align=\"left\" border=\"0\" vspace=\"5\" hspace=\"5\"><!-- Mappoint -->";
    if (ending == "_map.gif") {
        static const char* const sizes[] = {"", " width=\"444\" height=\"340\"", " width=\"332\" height=\"254\""};
        return p + w + "_map.gif\"" + sizes[resize] +
               "align=\"left\" border=\"0\" vspace=\"5\" hspace=\"5\"><!-- Mapquest -->";
    }
    if (ending == "_sdk1.png" || ending == "_sdk1.jpg") {
        static const char* const tileSizes[] = {"200", "133", "100"};
        const std::string s = tileSizes[resize];
        const std::string ext = ending == "_sdk1.png" ? ".png" : ".jpg";
        const int n = tile9Exists ? 3 : 2;
        std::string out =
            "<table border=\"0\" cellpadding=\"0\" cellspacing=\"0\" style=\"float:left; margin-right: 10px; "
            "margin-bottom: 10px;\">\r\n";
        for (int r = 0; r < n; ++r) {
            out += "  <tr>\r\n";
            for (int c = 0; c < n; ++c) {
                out += "    <td width=\"" + s + "\"><img border=\"0\" width=\"" + s + "\" height=\"" + s +
                       "\" src=\"./" + w + "_sdk" + IntText(n * r + c + 1) + ext + "\"></td>\r\n";
            }
            out += "  </tr>\r\n";
        }
        out += "</table>\r\n<!-- Stadtplandienst -->";
        return out;
    }
    return "<table border=\"1\"><tr bgcolor=\"#E0E0E0\"><td><b>Keine Karte<br>geladen.</b></td></tr></table>"
           "<!-- Keine Karte -->";
}

std::string BuildCacheMapHTMLFor(const std::string& outDir, std::string_view waypoint,
                                 const std::vector<std::string>& order, int resize, const FileExistsFn& exists) {
    const std::string base = outDir + std::string(waypoint);
    const std::string ending = FindCacheMapFile(base, order, exists);
    const bool tile9 = exists(base + "_sdk9.jpg") || exists(base + "_sdk9.png");
    return BuildCacheMapHTML(waypoint, ending, resize, tile9);
}

// ---- Personal notes -------------------------------------------------------------------

std::string ReadPersonalNotesHtml(const std::string& notesFile, std::string_view waypoint) {
    if (waypoint.empty()) return {};
    return PersonalNotesHtml(PersonalNotes(notesFile).read(waypoint));
}

// ---- Long description clean-up --------------------------------------------------------

int RemoveSpansNoCase(std::string& text, std::string_view open, std::string_view close) {
    if (open.empty() || close.empty()) return 0;
    // text[0..w) is kept, text[r..) is still to be read; no opening text starts
    // in the kept part. After a removal the last open.size()-1 kept bytes are
    // moved back in front of the unread part, because an opening text may
    // straddle the join.
    std::size_t w = 0, r = 0;
    int count = 0;
    for (;;) {
        const std::string_view view(text);
        const int o = FastPosNoCase(view.substr(r), open, 1);
        if (o <= 0) break;
        const std::size_t op = r + static_cast<std::size_t>(o) - 1;
        const std::size_t afterOpen = op + open.size();
        const int c = afterOpen < text.size() ? FastPosNoCase(view.substr(afterOpen), close, 1) : 0;
        if (c <= 0) break;
        const std::size_t end = afterOpen + static_cast<std::size_t>(c) - 1 + close.size();
        if (w != r && op > r) std::memmove(&text[w], &text[r], op - r);
        w += op - r;
        r = end;
        ++count;
        const std::size_t back = std::min(open.size() - 1, w);
        // The gap r - w is at least one whole span, so the ranges never overlap.
        if (back > 0) std::memcpy(&text[r - back], &text[w - back], back);
        w -= back;
        r -= back;
    }
    if (w != r) {
        const std::size_t rest = text.size() - r;
        if (rest > 0) std::memmove(&text[w], &text[r], rest);
        text.resize(w + rest);
    }
    return count;
}

CleanCounts CleanLongDescription(std::string& text, const CleanFlags& flags) {
    CleanCounts counts;
    if (flags.img || flags.removeAll) counts.images = RemoveSpansNoCase(text, "<IMG", ">");
    if (flags.href || flags.removeAll) {
        counts.links = RemoveSpansNoCase(text, "<a", ">");
        RemoveAllNoCase(text, "</a>");
    }
    if (flags.removeAll) {
        ReplaceAllNoCase(text, "<BR>", "[[BR]]");
        ReplaceAllNoCase(text, "<P>", "[[BR]]");
        RemoveSpansNoCase(text, "<", ">");
        ReplaceAll(text, "[[BR]]", "<BR>");
        return counts;
    }
    if (flags.body) {
        RemoveSpansNoCase(text, "<BODY", ">");
        RemoveSpansNoCase(text, "<BGSOUND", ">");
    }
    if (flags.bgColor) {
        RemoveSpansNoCase(text, "BACKGROUND=\"", "\"");
        RemoveSpansNoCase(text, "BGCOLOR=\"", "\"");
    }
    if (flags.style) {
        RemoveSpansNoCase(text, "<STYLE>", "</STYLE>");
        RemoveSpansNoCase(text, "STYLE=\"", "\"");
    }
    if (flags.font) {
        RemoveSpansNoCase(text, "<FONT", ">");
        RemoveAllNoCase(text, "</FONT>");
    }
    if (flags.tables) {
        RemoveSpansNoCase(text, "<TABLE", ">");
        RemoveSpansNoCase(text, "<TR", ">");
        RemoveSpansNoCase(text, "<TD", ">");
        RemoveSpansNoCase(text, "<TBODY", ">");
        RemoveAllNoCase(text, "</TABLE>");
        RemoveAllNoCase(text, "</TR>");
        RemoveAllNoCase(text, "</TD>");
        RemoveAllNoCase(text, "</TBODY>");
    }
    return counts;
}

std::string RemovedContentEntry(std::string_view waypoint, const CleanCounts& counts) {
    if (counts.images <= 0 && counts.links < 1) return {};
    return std::string(waypoint) + "(" + IntText(counts.images) + "/" + IntText(counts.links) + ")";
}

void AppendRemovedContent(std::string& list, std::string_view waypoint, const CleanCounts& counts) {
    const std::string entry = RemovedContentEntry(waypoint, counts);
    if (entry.empty()) return;
    if (!list.empty()) list += ", ";
    list += entry;
}

void RemoveRedirectElements(std::string& html) {
    if (html.find('<') == std::string::npos) return;
    RemoveSpansNoCase(html, "<meta", ">");
    RemoveSpansNoCase(html, "<base", ">");
}

}  // namespace tv
