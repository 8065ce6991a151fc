#include "pages/description_data.h"

#include <algorithm>

#include "acquire/map_pictures.h"
#include "acquire/picture_size.h"
#include "core/cache_db.h"
#include "core/cachedb_table.h"
#include "core/file_procs.h"
#include "core/html_escape.h"
#include "core/number_format.h"
#include "core/str_util.h"
#include "pages/description_html.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

constexpr std::string_view kLogMarker = "<!-- [[LOG]] -->";
constexpr std::string_view kFoundMarker = ":-)&nbsp;";
constexpr std::string_view kCoordUpdateMarker = "[&uarr;&darr;]";
constexpr std::size_t npos = std::string::npos;

std::string FourDigits(int v) {
    std::string s = std::to_string(v);
    while (s.size() < 4) s.insert(0, "0");
    return s;
}

// Position of " (" at or after a start that only ever grows, so that the
// found-log walk stays linear even when no " (" follows.
class ParenFinder {
public:
    explicit ParenFinder(std::string_view text) : text_(text) {}
    std::size_t At(std::size_t from) {
        if (!known_ || from < from_ || (hit_ != npos && hit_ < from)) {
            hit_ = text_.find(" (", from);
            from_ = from;
            known_ = true;
        }
        return hit_;
    }

private:
    std::string_view text_;
    std::size_t from_ = 0;
    std::size_t hit_ = npos;
    bool known_ = false;
};

std::string UpTo(std::string_view text, std::size_t from, std::size_t end) {
    if (end == npos || end < from) return {};  // no " (" follows: nothing
    return std::string(text.substr(from, end - from));
}

// Found logs: latest (first marker), every finder checked, first (last marker).
void FoundLogs(TCacheDescription& d, const BuddyMatcher& buddies) {
    const std::string_view logs(d.CacheLogs);
    std::size_t hit = logs.find(kFoundMarker);
    if (hit == npos) {
        d.LatestFoundLog = W("noch nicht gefunden");
        d.FirstFoundLog = d.LatestFoundLog;
        return;
    }
    ParenFinder paren(logs);
    std::size_t s = hit + kFoundMarker.size();
    d.LatestFoundLog = UpTo(logs, s, paren.At(s));
    CheckBuddyLog(d.LatestFoundLog, buddies, d.FoundBuddies);
    for (;;) {
        hit = logs.find(kFoundMarker, s);
        if (hit == npos) break;
        s = hit + kFoundMarker.size();
        CheckBuddyLog(UpTo(logs, s, paren.At(s)), buddies, d.FoundBuddies);
    }
    d.FirstFoundLog = UpTo(logs, s, paren.At(s));
}

bool EndsWithCloseParagraph(std::string_view text, std::size_t end) {
    static constexpr std::string_view kClose = "</P>";
    if (end < kClose.size()) return false;
    for (std::size_t i = 0; i < kClose.size(); ++i)
        if (UpperCp1252(text[end - kClose.size() + i]) != kClose[i]) return false;
    return true;
}

void LimitLogs(TCacheDescription& d, std::string_view maxText) {
    if (maxText.empty() || maxText == "0") return;
    const auto n = ParseInt(maxText);
    if (!n || *n <= 0) return;
    std::size_t hit = npos;
    std::size_t from = 0;
    for (long long i = 0; i <= static_cast<long long>(*n); ++i) {
        hit = d.CacheLogs.find(kLogMarker, from);
        if (hit == npos) return;  // fewer than N + 1 logs: nothing to cut
        from = hit + kLogMarker.size() - 1;
    }
    // Up to and including the marker's first character, then back to a "</P>".
    std::size_t end = hit + 1;
    while (end > 0 && !EndsWithCloseParagraph(d.CacheLogs, end)) --end;
    if (end == 0) {
        d.LogLimitations.clear();
        return;
    }
    d.CacheLogs.resize(end);
    d.LogLimitations = W("Die Ausgabe der Logs wurde auf maximal ") + std::string(maxText) + W(" beschränkt.");
}

// "<B>" before every log marker and "</B>" before the first "(" at least 26
// characters after it; one pass over the text.
void BoldLogs(std::string& logs) {
    struct Insert {
        std::size_t at;
        bool open;
    };
    std::vector<Insert> inserts;
    std::size_t h = 0;
    for (;;) {
        const std::size_t m = logs.find(kLogMarker, h);
        if (m == npos) break;
        inserts.push_back({m, true});
        h = m + 26;
        const std::size_t c = h < logs.size() ? logs.find('(', h) : npos;
        if (c == npos) break;
        inserts.push_back({c, false});
    }
    if (inserts.empty()) return;
    // Inserts at one position keep the order they were made in.
    std::stable_sort(inserts.begin(), inserts.end(), [](const Insert& a, const Insert& b) { return a.at < b.at; });
    std::string out;
    out.reserve(logs.size() + inserts.size() * 4);
    std::size_t pos = 0;
    for (const auto& ins : inserts) {
        out.append(logs, pos, ins.at - pos);
        out += ins.open ? "<B>" : "</B>";
        pos = ins.at;
    }
    out.append(logs, pos, npos);
    logs.swap(out);
}

std::string CoordUpdateText(std::string_view v) {
    const std::size_t p = v.find(kCoordUpdateMarker);
    if (p == npos || p == 0) return {};
    const std::size_t start = p + kCoordUpdateMarker.size();
    const std::size_t q = v.find('<', start);
    if (q == npos) return {};
    std::string text(v.substr(start, q - start));
    RemoveAllNoCase(text, "&nbsp;");
    const std::size_t by = text.find(" by ");
    if (by != npos) text.resize(by);
    return text;
}

std::vector<std::string> FolderNames(const GatherSources& s, std::string_view waypoint) {
    if (s.folder) return s.folder->WithPrefix(waypoint);
    return ListFolder(s.outDir, std::string(waypoint) + "*.*", EntryKind::All);
}

std::optional<std::string> FindIn(const std::vector<std::string>& names, std::string_view name) {
    const std::string key = UpperCaseAscii(name);
    for (const auto& n : names)
        if (UpperCaseAscii(n) == key) return n;
    return std::nullopt;
}

bool ContainsNoCase(std::string_view text, std::string_view part) { return FastPosNoCase(text, part, 1) > 0; }

}  // namespace

// ---- Buddies and folder names ------------------------------------------------------------

BuddyMatcher::BuddyMatcher(const std::vector<std::string>& lines) {
    for (const auto& line : lines)
        if (!line.empty()) names_.insert(UpperCaseCp1252(line));
}

bool BuddyMatcher::Contains(std::string_view finder) const {
    return !names_.empty() && names_.count(UpperCaseCp1252(finder)) != 0;
}

FolderSnapshot FolderSnapshot::Read(const std::string& folder) {
    return FromNames(ListFolder(folder, "*", EntryKind::All));
}

FolderSnapshot FolderSnapshot::FromNames(std::vector<std::string> names) {
    FolderSnapshot s;
    s.entries_.reserve(names.size());
    for (auto& n : names) s.entries_.emplace_back(UpperCaseAscii(n), std::move(n));
    std::stable_sort(s.entries_.begin(), s.entries_.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second < b.second;
    });
    return s;
}

std::vector<std::string> FolderSnapshot::WithPrefix(std::string_view prefix) const {
    const std::string key = UpperCaseAscii(prefix);
    std::vector<std::string> out;
    auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                               [](const auto& e, const std::string& k) { return e.first < k; });
    for (; it != entries_.end() && it->first.compare(0, key.size(), key) == 0; ++it) out.push_back(it->second);
    return out;
}

std::optional<std::string> FolderSnapshot::Find(std::string_view name) const {
    const std::string key = UpperCaseAscii(name);
    auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                               [](const auto& e, const std::string& k) { return e.first < k; });
    if (it != entries_.end() && it->first == key) return it->second;
    return std::nullopt;
}

// ---- Steps -----------------------------------------------------------------------------

std::string ReadTextFile(const std::string& fileName, std::string_view separator) {
    const auto bytes = ReadWholeFile(fileName);
    if (!bytes) return {};
    return EndLinesWith(*bytes, separator);
}

std::string EndLinesWith(std::string_view b, std::string_view separator) {
    std::string out;
    out.reserve(b.size() + b.size() / 32);
    std::size_t start = 0;
    const std::size_t n = b.size();
    while (start < n) {
        std::size_t i = start;
        while (i < n && b[i] != '\r' && b[i] != '\n') ++i;
        out.append(b, start, i - start);
        out += separator;
        if (i < n && b[i] == '\r' && i + 1 < n && b[i + 1] == '\n') ++i;
        start = i + 1;
    }
    return out;
}

std::string ListingPageBody(std::string_view page) {
    std::string body;
    const int at = FastPosNoCase(page, "<BODY", 1);
    if (at > 0) {
        const std::size_t lineStart = page.rfind('\n', static_cast<std::size_t>(at) - 1);
        body.assign(page.substr(lineStart == npos ? 0 : lineStart + 1));
    } else {
        body.assign(page);
    }
    RemoveAllBetween(body, "<script", "</script>");
    RemoveRedirectElements(body);
    return body;
}

std::string ExtractWatcherCount(std::string_view page) {
    const int p = FastPosNoCase(page, "USER(S) WATCHING THIS CACHE.", 1);
    if (p <= 25) return {};
    const int q = FastPosNoCase(page, "<STRONG>", p - 25);
    // Only a <STRONG> in front of the phrase carries its number.
    if (q <= 0 || q >= p) return {};
    std::size_t i = static_cast<std::size_t>(q) - 1 + 8;
    std::string digits;
    while (i < page.size() && page[i] >= '0' && page[i] <= '9') digits += page[i++];
    return digits + " Beobachter";
}

std::string Rot13InBrackets(std::string_view text) {
    std::string out(text);
    bool inside = false;
    for (char& c : out) {
        if (c == '[')
            inside = true;
        else if (c == ']')
            inside = false;
        if (inside) c = Rot13Char(c);
    }
    return out;
}

void CheckBuddyLog(std::string_view logText, const BuddyMatcher& buddies, std::vector<std::string>& found) {
    const std::size_t by = logText.find(" by ");
    if (by == npos) return;
    const std::string_view finder = logText.substr(by + 4);
    if (buddies.Contains(finder)) found.emplace_back(finder);
}

std::string NormaliseLongDescription(std::string_view text) {
    std::string out(text);
    ReplaceAllNoCase(out, "<P>", "\r\n[[P]]");
    ReplaceAllNoCase(out, "<BR>", "[[BR]]\r\n");
    ReplaceAll(out, "[[P]]", "<P>");
    ReplaceAll(out, "[[BR]]", "<BR>");
    return out;
}

void ProcessCacheLogs(std::string_view section, const GatherOptions& options, const BuddyMatcher& buddies,
                      TCacheDescription& d) {
    d.CoordUpdate = CoordUpdateText(section);
    d.CacheLogs = FlattenSectionHTML(section);
    FoundLogs(d, buddies);
    LimitLogs(d, options.maxLogText);
    if (options.boldLogs) BoldLogs(d.CacheLogs);
}

bool GetImageSize(const std::string& fileName, const std::string& outDir, int& width, int& height,
                  const FolderSnapshot* folder) {
    const std::string bare = BareFileName(fileName);
    if (bare.empty() || bare == "." || bare == "..") return false;
    // The page shows "./" + bare name, so that is the file to measure.
    auto size = PictureFileSize(outDir + bare);
    if (!size) {
        std::optional<std::string> other;
        if (folder) {
            if (auto name = folder->Find(bare)) other = outDir + *name;
        } else {
            other = FindFileNoCase(outDir, bare);
        }
        if (other) size = PictureFileSize(*other);
    }
    if (!size) return false;
    width = size->width;
    height = size->height;
    return true;
}

std::string GoogleMapLinkFor(double lat, double lon, std::string_view googleBase) {
    std::string c = FormatCoord(lat, lon);
    ReplaceAll(c, "N ", "N");
    ReplaceAll(c, "S ", "S");
    ReplaceAll(c, "W ", "W");
    ReplaceAll(c, "E ", "E");
    ReplaceAll(c, " ", "+");
    return "<a href=\"" + std::string(googleBase) + "/maps?f=q&q=" + c + "\" target=\"_blank\">GoogleMap</a>";
}

std::string CacheMapLinkFor(double lat, double lon, std::string_view mapquestBase) {
    return "<A HREF=\"" + std::string(mapquestBase) + "/maps/map.adp?latlongtype=decimal&latitude=" +
           FormatFixed(lat, 8, 3, '.') + "&longitude=" + FormatFixed(lon, 8, 3, '.') +
           "&zoom=6&style=RARE&size=medium\" target=\"_blank\">Mapquest-Karte</A>";
}

std::string DayCountDateText(double dayCount) {
    int y = 0, m = 0, d = 0;
    if (!DateFromDayCount(dayCount, y, m, d)) return {};
    return TwoDigits(d) + "." + TwoDigits(m) + "." + FourDigits(y);
}

std::string DescrDateText(const platform::DateTime& t) {
    return TwoDigits(t.day) + ". " + TwoDigits(t.month) + ". " + FourDigits(t.year);
}

std::string DescrDateTimeText(const platform::DateTime& t) {
    return DescrDateText(t) + ", " + TwoDigits(t.hour) + ":" + TwoDigits(t.minute);
}

// ---- The record --------------------------------------------------------------------------

TCacheDescription ReadCacheData(std::string_view waypoint, const GatherOptions& options,
                                const GatherSources& sources) {
    TCacheDescription d;
    d.CacheType = d.CacheSize = "?";
    d.OrigCreationDate = d.OrigCreationDateTime = "?";
    if (!IsSafeWaypointCode(waypoint)) return d;
    const std::string w(waypoint);

    // Database layer.
    TCacheRec rec;
    const bool inDb = sources.findCache ? sources.findCache(w, rec) : FindCacheByWaypoint(w, rec);
    if (inDb) {
        const std::string mapquest = sources.mapquestBase.empty()
                                         ? "http://" + MapServiceHostsSetting().mapquest
                                         : sources.mapquestBase;
        const std::string google = sources.googleBase.empty() ? std::string(kGoogleMapsBase) : sources.googleBase;
        d.GoogleMapLink = GoogleMapLinkFor(rec.Lat, rec.Lon, google);
        d.CacheMapLink = CacheMapLinkFor(rec.Lat, rec.Lon, mapquest);
        d.LatLon = html::Text(FormatCoord(rec.Lat, rec.Lon));
        d.WaypointName = html::Text(rec.Waypoint.view());
        d.CacheName = html::Text(rec.Name.view());
        d.Location = html::Text(CountryNameByID(rec.CountryId));
        d.DateHidden = DayCountDateText(rec.Hidden);
        d.Difficulty = html::Text(rec.Difficulty.view());
        d.Terrain = html::Text(rec.Terrain.view());
        d.DatabaseCoords = LatLon{rec.Lat, rec.Lon};
        if (!rec.CacheType.empty()) d.CacheType = html::Text(rec.CacheType.view());
        if (!rec.Size.empty()) d.CacheSize = html::Text(rec.Size.view());
    }

    const std::vector<std::string> names = FolderNames(sources, w);
    const auto pageName = FindIn(names, w + ".html");
    if (!pageName) return d;
    const std::string pagePath = sources.outDir + *pageName;
    if (auto t = FileModificationTime(pagePath)) {
        d.OrigCreationDate = DescrDateText(*t);
        d.OrigCreationDateTime = DescrDateTimeText(*t);
    }

    // Page layer.
    const std::string page = ReadTextFile(pagePath, "\r\n");
    d.PageFound = true;
    d.TravelBugs = ParseTravelBugs(page);
    if (sources.addWaypointsHtml) d.AdditionalWaypoints = sources.addWaypointsHtml(w);
    d.Watchers = ExtractWatcherCount(page);

    static const BuddyMatcher kNoBuddies;
    const BuddyMatcher& buddies = sources.buddies ? *sources.buddies : kNoBuddies;
    const std::string& host = sources.site.host;
    SpanReader reader(ListingPageBody(page));
    std::string id, text;
    while (reader.Next(id, text)) {
        if (!ParseCacheSection(id, text, host, d.Counts)) continue;
        const std::string name = UpperCaseAscii(id);
        FixUtf8Chars(text);
        if (name == "CACHENAME")
            d.CacheName = text;
        else if (name == "CACHEOWNER")
            d.CacheOwner = text;
        else if (name == "UTMFORMAT")
            d.UtmFormat = text;
        else if (name == "LOCATION")
            d.Location = text;
        else if (name == "DATEHIDDEN")
            d.DateHidden = text;
        else if (name == "WAYPOINTNAME")
            d.WaypointName = text;
        else if (name == "DIFFICULTY")
            d.Difficulty = text;
        else if (name == "TERRAIN")
            d.Terrain = text;
        else if (name == "ERRORTEXT")
            d.ErrorText = text;
        else if (name == "LNKDETAILS")
            d.Watchers = text;
        else if (name == "SHORTDESCRIPTION") {
            RemoveSpansNoCase(text, "<", ">");
            d.ShortDescription = text;
        } else if (name == "LONGDESCRIPTION")
            d.LongDescription = NormaliseLongDescription(text);
        else if (name == "HINTS")
            d.Hints = Rot13InBrackets(text);
        else if (name == "NUMVISITS")
            d.NumVisits = text;
        else if (name == "CACHELOGS")
            ProcessCacheLogs(text, options, buddies, d);
    }
    if (d.Hints.empty()) d.Hints = "Keine weiteren Hinweise verf&uuml;gbar.";

    // Pictures.
    if (const auto metaName = FindIn(names, w + ".meta")) {
        const auto bytes = ReadWholeFile(sources.outDir + *metaName);
        if (bytes) {
            d.Images = ParseMetaLines(SplitTextLines(*bytes));
            for (auto& im : d.Images) {
                int iw = 0, ih = 0;
                if (GetImageSize(im.FileName, sources.outDir, iw, ih, sources.folder)) {
                    im.Width = iw;
                    im.Height = ih;
                }
            }
        }
    }

    // Map picture: the last one in the listing wins.
    const std::string mapPart = w + "_map.";
    for (const auto& n : names)
        if (ContainsNoCase(n, mapPart)) d.CacheMapFileName = "./" + html::Attr(n);
    return d;
}

}  // namespace tv
