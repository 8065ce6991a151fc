#include "acquire/span_parser.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/html_escape.h"
#include "core/str_util.h"
#include "platform/services.h"

namespace tv {

namespace {

constexpr std::size_t npos = std::string::npos;

void StripTrailingLineEnds(std::string& text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
}

// Moves every span from `open` to `close` (both included, ignoring case) out
// of `text`, left to right, with the same result as cutting the first such
// span again and again: after each cut the search goes on where the two
// pieces were joined (an open may straddle the join), so nothing is
// re-scanned from the start.
std::vector<std::string> CutEverySpan(std::string& text, std::string_view open, std::string_view close) {
    std::vector<std::string> spans;
    if (open.empty() || close.empty()) return spans;
    std::string in = std::move(text);
    std::string out;
    out.reserve(in.size());
    std::size_t pos = 0;
    for (;;) {
        const std::size_t a = FindNoCase(in, open, pos);
        if (a == npos) break;
        const std::size_t b = FindNoCase(in, close, a + open.size());
        if (b == npos) break;
        out.append(in, pos, a - pos);
        spans.emplace_back(in, a, b + close.size() - a);
        pos = b + close.size();
        // Hand the tail of the kept text back to the input so that an open
        // spanning the join is found; nothing before that tail can hold one.
        const std::size_t k = std::min(open.size() - 1, out.size());
        pos -= k;
        std::copy(out.end() - static_cast<std::ptrdiff_t>(k), out.end(), in.begin() + static_cast<std::ptrdiff_t>(pos));
        out.resize(out.size() - k);
    }
    out.append(in, pos, npos);
    text = std::move(out);
    return spans;
}

std::string UpperCopy(std::string_view text) { return UpperCaseCp1252(text); }

bool AllDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int ToInt(std::string_view digits) {
    int v = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), v);
    return v;
}

void AppendTwoDigits(std::string& out, unsigned v) {
    out += static_cast<char>('0' + (v / 10) % 10);
    out += static_cast<char>('0' + v % 10);
}

// ---- Log icons ----------------------------------------------------------------

constexpr int kNotCounted = -1;

struct IconKind {
    const char* file;
    int counter;  // index into LogCounts display order, or kNotCounted
    const char* marker;
    bool iconsFolderOnly;  // matched only in the "/images/icons/" spellings
};

constexpr IconKind kIcons[] = {
    {"icon_smile.gif", 0, "<!-- [[LOG]] -->:-)&nbsp;", false},
    {"icon_camera.gif", 0, "<!-- [[LOG]] -->:-)&nbsp;", false},
    {"big_smile.gif", 1, "<!-- [[LOG]] -->:-]&nbsp;", false},
    {"icon_note.gif", 2, "<!-- [[LOG]] -->(N)&nbsp;", false},
    {"icon_sad.gif", 3, "<!-- [[LOG]] -->:-(&nbsp;", false},
    {"icon_redlight.gif", 4, "<!-- [[LOG]] -->(disabled)&nbsp;", false},
    {"icon_disabled.gif", 4, "<!-- [[LOG]] -->(disabled)&nbsp;", false},
    {"icon_greenlight.gif", 5, "<!-- [[LOG]] -->(enabled)&nbsp;", false},
    {"icon_enabled.gif", 5, "<!-- [[LOG]] -->(enabled)&nbsp;", false},
    {"icon_rsvp.gif", 6, "<!-- [[LOG]] -->[komme]&nbsp;", false},
    {"icon_attended.gif", 7, "<!-- [[LOG]] -->[war da]&nbsp;", false},
    {"icon_needsmaint.gif", 8, "<!-- [[LOG]] -->? + ?&nbsp;", true},
    {"icon_maint.gif", 9, "<!-- [[LOG]] -->! + !&nbsp;", true},
    {"coord_update.gif", kNotCounted, "<!-- [[LOG]] -->[&uarr;&darr;]", true},
};

std::int32_t* CounterAt(LogCounts& c, int index) {
    std::int32_t* fields[] = {&c.LogCountFound,      &c.LogCountReviewNote, &c.LogCountNote,
                              &c.LogCountDNF,        &c.LogCountDisabled,   &c.LogCountEnabled,
                              &c.LogCountWillAttend, &c.LogCountAttended,   &c.LogCountNeedsMaintenance,
                              &c.LogCountMaintained};
    return fields[index];
}

// Replaces every complete icon element by its marker and counts it. The
// elements all start with "<IMG SRC=" and hold their only ">" at the end, so
// their occurrences never overlap and one pass over the "<IMG SRC=" hits
// gives the same result as one replace-all per element.
void ReplaceLogIcons(std::string& text, std::string_view host, LogCounts& counts) {
    std::unordered_map<std::string, const IconKind*> elements;
    std::size_t longest = 0;
    const std::string base = "http://" + std::string(host) + "/images/";
    for (const IconKind& icon : kIcons) {
        for (const char q : {'\'', '"'}) {
            const std::string quote(1, q);
            std::vector<std::string> spellings;
            if (!icon.iconsFolderOnly) spellings.push_back("<IMG SRC=" + quote + base + icon.file + quote + ">");
            spellings.push_back("<IMG SRC=" + quote + base + "icons/" + icon.file + quote + " align=" + quote +
                                "absmiddle" + quote + ">");
            for (const std::string& s : spellings) {
                longest = std::max(longest, s.size());
                elements.emplace(UpperCopy(s), &icon);
            }
        }
    }
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    std::size_t from = 0;
    for (;;) {
        const std::size_t hit = FindNoCase(text, "<IMG SRC=", from);
        if (hit == npos) break;
        // Only the first `longest` bytes can hold a known element's ">".
        const std::size_t window = std::min(longest, text.size() - hit);
        const std::size_t gt = std::string_view(text).substr(0, hit + window).find('>', hit);
        const IconKind* kind = nullptr;
        if (gt != npos) {
            const auto it = elements.find(UpperCopy(std::string_view(text).substr(hit, gt - hit + 1)));
            if (it != elements.end()) kind = it->second;
        }
        if (!kind) {
            from = hit + 1;
            continue;
        }
        out.append(text, pos, hit - pos);
        out += kind->marker;
        if (kind->counter != kNotCounted) ++*CounterAt(counts, kind->counter);
        pos = from = gt + 1;
    }
    if (pos == 0) return;
    out.append(text, pos, npos);
    text = std::move(out);
}

// ---- Section cleaning -----------------------------------------------------------

bool CleanDetails(std::string& text) {
    std::string work;
    if (!CutBetween(text, work, "<STRONG>", "watching this cache.")) return false;
    std::string watchers;
    if (!CutBetween(work, watchers, "<strong>", "</strong>")) return false;
    text = UpperCaseCp1252(watchers);
    RemoveAllNoCase(text, "<STRONG>");
    RemoveAllNoCase(text, "</STRONG>");
    if (!text.empty()) text += " Beobachter";
    return true;
}

void CleanLatLon(std::string& text) {
    RemoveAllNoCase(text, "<strong>");
    RemoveAllNoCase(text, "</strong>");
    RemoveAllNoCase(text, "</font>");
    // Only the byte itself: ignoring case would take 0xE2 ("â") with it.
    ReplaceAll(text, "\xC2", "");
    RemoveBetween(text, "<font", ">");
    RemoveBetween(text, "<br", ">");
    RemoveAllNoCase(text, "<br>");
    // The hemisphere letters are capitals; a lower-case e or w is never one.
    std::size_t at = text.find('E');
    if (at == npos) at = text.find('W');
    if (at != npos) text.insert(at, "/ ");
}

// "M/D/YYYY" -> "DD. MM. YYYY", or "unbekannt".
std::string ConvertHiddenDate(std::string_view raw) {
    const std::string s = TrimCtl(raw);
    const std::size_t s1 = s.find('/');
    const std::size_t s2 = s1 == npos ? npos : s.find('/', s1 + 1);
    if (s2 == npos) return "unbekannt";
    const std::string_view v(s);
    const auto month = v.substr(0, s1);
    const auto day = v.substr(s1 + 1, s2 - s1 - 1);
    const auto year = v.substr(s2 + 1);
    if (!AllDigits(month) || month.size() > 2 || !AllDigits(day) || day.size() > 2 || !AllDigits(year) ||
        year.size() != 4)
        return "unbekannt";
    using namespace std::chrono;
    const year_month_day ymd{std::chrono::year{ToInt(year)}, std::chrono::month{static_cast<unsigned>(ToInt(month))},
                             std::chrono::day{static_cast<unsigned>(ToInt(day))}};
    if (!ymd.ok() || ToInt(year) < 1) return "unbekannt";
    std::string out;
    AppendTwoDigits(out, static_cast<unsigned>(ymd.day()));
    out += ". ";
    AppendTwoDigits(out, static_cast<unsigned>(ymd.month()));
    out += ". ";
    out += year;
    return out;
}

// Stars and halves ("**1/2" -> "2.5"), else the value of an alt="X out of 5".
std::string ConvertRating(std::string& text, const std::string& kept) {
    const std::int64_t stars = RemoveAllNoCase(text, "*");
    const std::int64_t halves = RemoveAllNoCase(text, "1/2");
    const std::int64_t twice = 2 * stars + halves;
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, twice / 2);
    std::string value(buf, r.ptr);
    value += twice % 2 ? ".5" : ".0";
    if (value != "0.0") return value;
    std::string copy = kept;
    std::string alt;
    if (!CutBetween(copy, alt, "alt=\"", " out of 5")) return value;
    if (alt.size() > 5) alt.erase(0, 5);
    const std::size_t blank = alt.find(' ');
    if (blank != npos) alt.resize(blank);
    return alt;
}

std::string CollectTravelBugs(std::string& text) {
    std::string line;
    for (std::string& piece : CutEverySpan(text, "<A", "/A>")) {
        RemoveAllBetween(piece, "<", ">");
        const std::string upper = UpperCaseCp1252(piece);
        if (upper == "VIEW BUG HISTORY" || upper == "WHAT IS A TRAVEL BUG?") continue;
        line += line.empty() ? "Momentane(r) Travelbug(s) im Cache: \"" : ", \"";
        line += piece;
        line += '"';
    }
    return line;
}

void CleanLogs(std::string& text, std::string_view listingHost, LogCounts& counts) {
    ReplaceAll(text, "90%", "100%");
    RemoveAllBetween(text, "[<A", "]");
    counts = LogCounts{};
    ReplaceLogIcons(text, listingHost, counts);
    RemoveAllBetween(text, "<A NAME=", ">");
    RemoveAllBetween(text, "<A href", ">");
    RemoveAllBetween(text, "<img", ">");
    RemoveAllNoCase(text, "</a>");
    RemoveAllNoCase(text, "<strong>");
    RemoveAllNoCase(text, "</strong>");
}

}  // namespace

// ---- Settings and counters ------------------------------------------------------

std::array<std::int32_t, 10> LogCounts::InDisplayOrder() const {
    return {LogCountFound,      LogCountReviewNote, LogCountNote,
            LogCountDNF,        LogCountDisabled,   LogCountEnabled,
            LogCountWillAttend, LogCountAttended,   LogCountNeedsMaintenance,
            LogCountMaintained};
}

LogCounts& ProcessLogCounts() {
    static LogCounts counts;
    return counts;
}

// ---- SpanReader ---------------------------------------------------------------------

SpanReader::SpanReader(std::string page) : page_(std::move(page)) {}

// The closing tag of a section whose inner text starts at `from`: nested
// <SPAN ... </SPAN pairs are skipped at any depth. Failing that, the first
// "</SPAN></BLOCKQUOTE>" of the rest of the page.
bool SpanReader::FindSectionEnd(std::size_t from, std::size_t& end) const {
    int depth = 1;
    std::size_t k = from;
    // Both next hits are kept until k passes them, so that many openers
    // before one closer do not make the closer be searched again each time.
    std::size_t a = FindNoCase(page_, "<SPAN", k);
    std::size_t b = FindNoCase(page_, "</SPAN", k);
    while (b != npos) {
        if (a != npos && a < b) {
            ++depth;
            k = a + 5;
        } else {
            if (--depth == 0) {
                end = b;
                return true;
            }
            k = b + 6;
            b = FindNoCase(page_, "</SPAN", k);
        }
        if (a != npos && a < k) a = FindNoCase(page_, "<SPAN", k);
    }
    end = FindNoCase(page_, "</SPAN></BLOCKQUOTE>", from);
    return end != npos;
}

bool SpanReader::Next(std::string& id, std::string& text) {
    text.clear();
    if (done_) return false;
    const std::size_t open = FindNoCase(page_, "<SPAN ID=", pos_);
    if (open == npos) {
        done_ = true;
        return false;
    }
    // Skip "<SPAN ID=" and the opening quote; the id runs up to the closing
    // quote just before the first ">".
    const std::size_t idStart = std::min(open + 10, page_.size());
    const std::size_t gt = page_.find('>', idStart);
    if (gt == npos) {
        pos_ = page_.size();
        done_ = true;
        return false;
    }
    id.assign(page_, idStart, gt > idStart ? gt - idStart - 1 : 0);
    pos_ = gt + 1;

    if (pos_ >= longDescEnd_ && SameTextCp1252(id, "LONGDESCRIPTION")) {
        if (!hintsKnown_ || (hintsAt_ != npos && hintsAt_ < pos_)) {
            hintsAt_ = FindNoCase(page_, "<STRONG>ADDITIONAL HINTS", pos_);
            hintsKnown_ = true;
        }
        std::size_t end = hintsAt_;
        // Pages without a hints heading (or ones written from GPX data) still
        // have their long description: it then ends with its own closing tag.
        if (end == npos && !FindSectionEnd(pos_, end)) {
            // Neither: an empty description, and no later opener may search
            // the whole rest of the page again.
            longDescEnd_ = page_.size();
            return true;
        }
        text.assign(page_, pos_, end - pos_);
        longDescEnd_ = end;
        return true;
    }

    std::size_t end = 0;
    if (!FindSectionEnd(pos_, end)) {
        done_ = true;
        return false;
    }
    text.assign(page_, pos_, end - pos_);
    const std::size_t close = page_.find('>', end + 1);
    pos_ = close == npos ? end + 1 : close + 1;
    return true;
}

bool GetNextSpan(std::string& page, std::string& id, std::string& text) {
    SpanReader reader(std::move(page));
    const bool ok = reader.Next(id, text);
    page = reader.Rest();
    return ok;
}

// ---- ParseCacheSection ----------------------------------------------------------------

bool ParseCacheSection(std::string& id, std::string& text, std::string_view listingHost, LogCounts& counts) {
    StripTrailingLineEnds(text);
    const std::string kept = text;
    const std::string key = UpperCaseCp1252(id);

    if (key == "CACHENAME" || key == "LOCATION" || key == "WAYPOINTNAME" || key == "LONGDESCRIPTION" ||
        key == "LARGEMAP")
        return true;
    if (key == "LNKDETAILS") return CleanDetails(text);
    if (key == "ERRORTEXT") {
        RemoveAllBetween(text, "<font", ">");
        RemoveAllNoCase(text, "</font>");
        RemoveAllBetween(text, "<strong>", "</strong>");
        for (const char* tag : {"<ul>", "<li>", "</ul>", "</li>"}) RemoveAllNoCase(text, tag);
        return true;
    }
    if (key == "CACHEOWNER") {
        RemoveAllNoCase(text, "<b>");
        RemoveAllNoCase(text, "</b>");
        RemoveBetween(text, "<font", ">");
        RemoveBetween(text, "[", "]");
        RemoveAllNoCase(text, "</font>");
        return true;
    }
    if (key == "LATLON") {
        CleanLatLon(text);
        return true;
    }
    if (key == "UTMFORMAT") {
        RemoveAllNoCase(text, "<br>");
        RemoveBetween(text, "<font", ">");
        RemoveAllNoCase(text, "</font>");
        RemoveAllNoCase(text, "UTM: ");
        return true;
    }
    if (key == "DATEHIDDEN") {
        text = ConvertHiddenDate(text);
        return true;
    }
    if (key == "DIFFICULTY" || key == "TERRAIN") {
        text = ConvertRating(text, kept);
        return true;
    }
    if (key == "SHORTDESCRIPTION") {
        RemoveAllNoCase(text, "<P>");
        RemoveAllNoCase(text, "</P>");
        return true;
    }
    // The listing site writes the hints span with a class after the id; pages
    // written from GPX data have the plain id.
    if (key == "HINTS\" CLASS=\"DISPLAYME" || key == "HINTS") {
        id = "HINTS";
        RemoveAllNoCase(text, "<br>");
        if (text.empty())
            text = "n/a";
        else
            Rot13(text);
        return true;
    }
    if (key == "IMAGES") {
        RemoveBetween(text, "<font", ">");
        RemoveAllNoCase(text, "</font>");
        RemoveAllNoCase(text, "&nbsp;");
        RemoveAllNoCase(text, "<br>");
        RemoveAllBetween(text, "<img", "camera.gif\">");
        return true;
    }
    if (key == "NUMVISITS") {
        RemoveAllNoCase(text, "<b>");
        RemoveAllNoCase(text, "</b>");
        RemoveBetween(text, "<a", "/a>");
        RemoveBetween(text, "<font", ">");
        RemoveAllNoCase(text, "</font>");
        return true;
    }
    if (key == "CACHELOGS") {
        CleanLogs(text, listingHost, counts);
        return true;
    }
    if (key == "LNKTRAVELBUGS") {
        text = CollectTravelBugs(text);
        return true;
    }
    return false;
}

bool ParseCacheSection(std::string& id, std::string& text, const ListingSite& site) {
    return ParseCacheSection(id, text, site.host, ProcessLogCounts());
}

// ---- Tags and picture links ---------------------------------------------------------------

namespace {
// End (index of the closing ">") of the balanced element starting at `p`.
std::size_t BalancedEnd(std::string_view text, std::size_t p) {
    int depth = 1;
    for (std::size_t i = p + 1; i < text.size(); ++i) {
        if (text[i] == '<')
            ++depth;
        else if (text[i] == '>' && --depth == 0)
            return i;
    }
    return npos;
}
}  // namespace

bool ExtractBalancedTag(std::size_t start, std::string& text, std::string& tag) {
    tag.clear();
    const std::size_t p = text.find('<', start);
    if (p == npos) return false;
    const std::size_t e = BalancedEnd(text, p);
    if (e == npos) return false;
    tag.assign(text, p, e - p + 1);
    text.erase(p, e - p + 1);
    return true;
}

ImageLinkReader::ImageLinkReader(std::string imagesText, std::string_view pictureHost)
    : text_(std::move(imagesText)), marker_("HTTP://" + UpperCaseCp1252(pictureHost)) {
    // Removing the fonts once is enough: later cuts only take tags and plain
    // text from the front, which can never join a new font tag together.
    RemoveAllBetween(text_, "<font", ">");
    RemoveAllNoCase(text_, "</font>");
}

bool ImageLinkReader::TakeTag(std::string& tag) {
    tag.clear();
    const std::size_t p = text_.find('<', pos_);
    if (p == npos) return false;
    const std::size_t e = BalancedEnd(text_, p);
    if (e == npos) return false;
    tag.assign(text_, p, e - p + 1);
    prefix_.append(text_, pos_, p - pos_);
    pos_ = e + 1;
    return true;
}

std::string ImageLinkReader::TakeTextBeforeTag() {
    std::size_t lt = text_.find('<', pos_);
    if (lt == npos) lt = text_.size();
    std::string out = std::move(prefix_);
    prefix_.clear();
    out.append(text_, pos_, lt - pos_);
    pos_ = lt;
    return out;
}

bool ImageLinkReader::Next(std::string& url, std::string& title, std::string& caption) {
    url.clear();
    title.clear();
    caption.clear();
    std::string link;
    if (!TakeTag(link)) return false;
    if (UpperCaseCp1252(link).find("ONMOUSE") != npos) {
        // Mouse-over elements come before the link itself.
        std::string more;
        for (int i = 0; i < 3 && TakeTag(more); ++i) link = more;
    }
    const std::size_t at = UpperCaseCp1252(link).find(marker_);
    if (at == npos) return true;
    // A quote ends the address; so do a blank or the tag's end for an
    // unquoted attribute.
    std::size_t end = at;
    while (end < link.size() && link[end] != '"' && link[end] != '\'' && link[end] != '>' &&
           static_cast<unsigned char>(link[end]) > ' ')
        ++end;
    url.assign(link, at, end - at);
    title = TakeTextBeforeTag();
    std::string closing;
    TakeTag(closing);
    caption = TakeTextBeforeTag();
    const std::size_t next = FindNoCase(text_, "<A", pos_);
    prefix_.clear();
    pos_ = next == npos ? text_.size() : next;
    return true;
}

bool GetNextImageLink(std::string& text, std::string& url, std::string& title, std::string& caption,
                      std::string_view pictureHost) {
    ImageLinkReader reader(std::move(text), pictureHost);
    const bool ok = reader.Next(url, title, caption);
    text = reader.Rest();
    return ok;
}


// ---- FlattenSectionHTML ------------------------------------------------------------------

std::string FlattenSectionHTML(std::string_view text) {
    // Tables that begin at character 30 or later go with their content.
    constexpr std::size_t kTablesFrom = 29;
    std::string s;
    if (text.size() > kTablesFrom) {
        std::string tail(text.substr(kTablesFrom));
        RemoveAllBetween(tail, "<TABLE", "</TABLE>");
        s.reserve(text.size());
        s.assign(text.substr(0, kTablesFrom));
        s += tail;
    } else {
        s.assign(text);
    }
    RemoveAllBetween(s, "<font", ">");
    RemoveAllNoCase(s, "</font>");
    RemoveAllBetween(s, "<td", ">");
    RemoveAllNoCase(s, "</td>");
    RemoveAllBetween(s, "<table", ">");
    RemoveAllNoCase(s, "</table>");
    RemoveAllBetween(s, "<br cl", ">");

    ReplaceAllNoCase(s, "<p>", "<BR>");
    RemoveAllBetween(s, "<a", ">");
    for (const char* tag : {"</a>", "<b>", "</b>", "</p>"}) RemoveAllNoCase(s, tag);
    ReplaceAllNoCase(s, "<tr>", "<P>");
    ReplaceAllNoCase(s, "</tr>", "</P>");

    ReplaceAllNoCase(s, "<BR>", "[[BR]]\r\n");
    ReplaceAll(s, "[[BR]]", "</B><BR>");
    return s;
}

// ---- ParseLogDate ----------------------------------------------------------------------------

std::chrono::year_month_day ParseLogDate(std::string_view text, std::chrono::year_month_day today, bool* bad) {
    using namespace std::chrono;
    const sys_days base{today};
    const auto good = [&](sys_days d) {
        if (bad) *bad = false;
        return year_month_day{d};
    };
    const auto tomorrow = [&] {
        if (bad) *bad = true;
        return year_month_day{base + days{1}};
    };
    const std::string s = UpperCaseCp1252(TrimCtl(text));
    if (s.find("TODAY") != npos) return good(base);
    if (s.find("YESTERDAY") != npos) return good(base - days{1});
    if (const std::size_t ago = s.find("DAYS AGO"); ago != npos) {
        const std::string n = TrimCtl(std::string_view(s).substr(0, ago));
        std::string_view digits(n);
        if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
        long long v = 0;
        const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v);
        if (digits.empty() || r.ec != std::errc() || r.ptr != digits.data() + digits.size() || v < -3650000 ||
            v > 3650000)
            return tomorrow();
        const year_month_day d{base - days{v}};
        return d.ok() ? good(sys_days{d}) : tomorrow();
    }

    // D MON YY / DD MON YY
    std::size_t i = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    std::string day = s.substr(0, i);
    if (day.size() == 1) day.insert(0, "0");
    if (day.size() != 2) return tomorrow();
    std::string rest = TrimCtl(std::string_view(s).substr(i));
    static constexpr const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                              "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    unsigned month = 0;
    for (unsigned m = 0; m < 12; ++m)
        if (rest.compare(0, 3, kMonths[m]) == 0) month = m + 1;
    if (month == 0) return tomorrow();
    rest = TrimCtl(std::string_view(rest).substr(3));
    const std::string_view yy = std::string_view(rest).substr(0, std::min<std::size_t>(2, rest.size()));
    if (yy.size() != 2 || !AllDigits(yy)) return tomorrow();
    const year_month_day d{year{2000 + ToInt(yy)}, std::chrono::month{month},
                           std::chrono::day{static_cast<unsigned>(ToInt(day))}};
    return d.ok() ? good(sys_days{d}) : tomorrow();
}

std::chrono::year_month_day ParseLogDate(std::string_view text, bool* bad) {
    const platform::DateTime now = platform::clock().now();
    const std::chrono::year_month_day today{std::chrono::year{now.year},
                                            std::chrono::month{static_cast<unsigned>(now.month)},
                                            std::chrono::day{static_cast<unsigned>(now.day)}};
    return ParseLogDate(text, today, bad);
}

// ---- ParseTravelBugs -----------------------------------------------------------------------

std::string ParseTravelBugs(std::string_view page) {
    const std::size_t start = FindNoCase(page, "<SPAN ID=\"LNKTRAVELBUGS\">", 0);
    if (start == npos) return {};
    const std::size_t stop = FindNoCase(page, "<SPAN ID=", start + 20);
    if (stop == npos) return {};
    std::string_view section = page.substr(start, stop - start);
    std::string names;
    for (;;) {
        const std::size_t link = section.find("/track/detail");
        if (link == npos) break;
        const std::size_t gt = section.find('>', link);
        if (gt == npos) break;
        const std::size_t lt = section.find('<', gt + 1);
        if (lt == npos) break;
        if (!names.empty()) names += "; ";
        // The name is a stranger's text, with the page's entities and UTF-8 bytes.
        std::string name(section.substr(gt + 1, lt - gt - 1));
        DecodeHtmlEntities(name);
        FixUtf8Chars(name);
        names += "&quot;";
        names += html::Text(name);
        names += "&quot;";
        section.remove_prefix(lt + 1);
    }
    if (names.empty()) return {};
    return "Momentane(r) Travelbug(s) im Cache: " + names;
}

}  // namespace tv
