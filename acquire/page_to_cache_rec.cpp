#include "acquire/page_to_cache_rec.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <unordered_map>
#include <unordered_set>

#include "acquire/finds_loader.h"
#include "acquire/span_parser.h"
#include "core/cache_db.h"
#include "core/cachedb_table.h"
#include "core/file_procs.h"
#include "core/listing_site.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr char kDegree = '\xB0';

std::string Trimmed(std::string_view s) { return std::string(TrimBlanks(TrimCtl(s))); }

bool ReadDouble(std::string_view s, double& v) {
    if (s.empty()) return false;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && ptr == s.data() + s.size() && std::isfinite(v);
}

// The sections a record is read from, by the upper-cased id up to its first
// quote ("LatLon\" style=..." counts as LATLON); the first of each wins.
std::unordered_map<std::string, std::string> CollectSections(std::string_view page) {
    static const std::unordered_set<std::string> wanted{"LATLON",     "CACHENAME", "CACHEOWNER", "LNKDETAILS",
                                                        "DIFFICULTY", "TERRAIN",   "LOCATION",   "DATEHIDDEN"};
    std::unordered_map<std::string, std::string> sections;
    // Body only and without scripts: a script may quote a span of its own.
    std::string body;
    const std::size_t at = FindNoCase(page, "<BODY", 0);
    if (at != npos) {
        const std::size_t lineStart = at == 0 ? npos : page.rfind('\n', at - 1);
        body.assign(page.substr(lineStart == npos ? 0 : lineStart + 1));
    } else {
        body.assign(page);
    }
    RemoveAllBetween(body, "<script", "</script>");
    SpanReader reader{std::move(body)};
    std::string id, text;
    while (reader.Next(id, text)) {
        std::string key = UpperCaseCp1252(id.substr(0, id.find('"')));
        if (wanted.count(key) && !sections.count(key)) sections.emplace(std::move(key), std::move(text));
        if (sections.size() == wanted.size()) break;
    }
    return sections;
}

std::string SectionText(const std::unordered_map<std::string, std::string>& s, const char* key) {
    const auto it = s.find(key);
    return it == s.end() ? std::string() : it->second;
}

// The span parser's own cleaning of a section (ratings, hidden date).
std::string Cleaned(const char* id, std::string text) {
    std::string sid = id;
    LogCounts unused;
    ParseCacheSection(sid, text, SettingsListingSite().host, unused);
    return text;
}

std::string SizeFrom(std::string text) {
    // Later pages use the same span for the watcher count, which is no size.
    if (FindNoCase(text, "watching this cache", 0) != npos) return {};
    const std::size_t p = FindNoCase(text, "THIS IS A", 0);
    if (p != npos) {
        std::size_t cut = p + 9;
        if (cut < text.size() && text[cut] == ' ') ++cut;
        text.erase(0, cut);
    }
    RemoveAllBetween(text, "<", ">");
    RemoveAllNoCase(text, "cache.");
    return Trimmed(text);
}

std::string TypeFrom(std::string_view page) {
    const std::string lower = LowerCaseAscii(page);
    const std::size_t header = lower.find("charcoal_header");
    if (header == npos) return {};
    const std::size_t open = lower.find("<td", header);
    if (open == npos) return {};
    const std::size_t close = lower.find("</td>", open);
    if (close == npos) return {};
    // The cell's own opening tag is the one tag removed.
    std::string cell(page.substr(open, close - open));
    RemoveBetween(cell, "<", ">");
    RemoveAllNoCase(cell, "&nbsp;");
    return Trimmed(cell);
}

std::string NameFrom(const std::unordered_map<std::string, std::string>& s) {
    std::string name = SectionText(s, "CACHENAME");
    const auto owner = s.find("CACHEOWNER");
    if (owner != s.end()) {
        std::string o = owner->second;
        RemoveAllBetween(o, "<", ">");
        RemoveAllBetween(o, "[", "]");
        name += " " + Trimmed(o);
    }
    FixUtf8Chars(name);
    DecodeHtmlEntities(name);
    return Trimmed(name);
}

// "dd. MM. yyyy" as the span parser writes a readable hidden date.
double HiddenFrom(const std::string& cleaned) {
    int d = 0, m = 0, y = 0;
    if (cleaned.size() != 12) return 0.0;
    const char* p = cleaned.data();
    if (std::from_chars(p, p + 2, d).ptr != p + 2 || std::from_chars(p + 4, p + 6, m).ptr != p + 6 ||
        std::from_chars(p + 8, p + 12, y).ptr != p + 12)
        return 0.0;
    return DayCountFromDate(y, m, d).value_or(0.0);
}

bool IsPageCode(std::string_view code) {
    return code.size() >= 3 && code.size() <= 8 && code.substr(0, 2) == "GC" && IsSafeWaypointCode(code);
}

std::string Shortened(std::string s, std::size_t n) {
    if (s.size() > n) s.resize(n);
    return s;
}

}  // namespace

std::optional<double> DegMinToDecimal(std::string_view text) {
    const std::size_t deg = text.find(kDegree);
    if (deg == npos) return 0.0;
    const std::string_view degrees = text.substr(0, deg);
    const std::string_view minutes = text.substr(deg + 1);
    int whole = 0;
    if (!degrees.empty()) {
        const auto [ptr, ec] = std::from_chars(degrees.data(), degrees.data() + degrees.size(), whole);
        if (ec != std::errc() || ptr != degrees.data() + degrees.size()) return std::nullopt;
    }
    double min = 0.0;
    if (!ReadDouble(minutes, min)) return std::nullopt;
    return whole + min / 60.0;
}

std::optional<std::pair<double, double>> ParseLatLonText(std::string_view text) {
    std::string t(text);
    ReplaceAllNoCase(t, "&deg;", std::string(1, kDegree));
    std::string kept;
    for (char c : t) {
        if (c == '.' || (c >= '0' && c <= '9') || c == 'E' || c == 'N' || c == 'S' || c == 'W' || c == kDegree)
            kept += c;
    }
    const std::size_t split = kept.find_first_of("EW");
    if (split == npos) return std::make_pair(0.0, 0.0);
    auto part = [](std::string_view s, char positive) -> std::optional<double> {
        if (s.empty()) return std::nullopt;
        const double sign = s.front() == positive ? 1.0 : -1.0;
        s.remove_prefix(1);
        while (!s.empty() && s.front() == '0') s.remove_prefix(1);
        const auto v = DegMinToDecimal(s);
        if (!v) return std::nullopt;
        return sign * *v;
    };
    const auto lat = part(std::string_view(kept).substr(0, split), 'N');
    const auto lon = part(std::string_view(kept).substr(split), 'E');
    if (!lat || !lon) return std::nullopt;
    return std::make_pair(*lat, *lon);
}

bool SameCacheData(const TCacheRec& a, const TCacheRec& b) {
    return SameTextCp1252(a.Name.view(), b.Name.view()) && SameTextCp1252(a.CacheType.view(), b.CacheType.view()) &&
           SameTextCp1252(a.Size.view(), b.Size.view()) && a.Hidden == b.Hidden &&
           std::fabs(a.Lat - b.Lat) <= 1.67e-5 && std::fabs(a.Lon - b.Lon) <= 1.67e-5 && a.Difficulty == b.Difficulty &&
           a.Terrain == b.Terrain && a.CountryId == b.CountryId;
}

bool IsCandidatePageName(std::string_view fileName) {
    const std::string upper = UpperCaseAscii(fileName);
    return upper.size() > 2 && upper.compare(0, 2, "GC") == 0 && upper.find('_') == npos &&
           WildcardMatch(fileName, "*.htm*");
}

std::vector<std::string> ScanPageFolder(const std::string& folder) {
    std::vector<std::string> bases;
    std::unordered_set<std::string> seen;
    for (const std::string& name : ListFolder(folder, "*.htm*")) {
        if (!IsCandidatePageName(name)) continue;
        std::string base = name.substr(0, name.find('.'));
        if (seen.insert(UpperCaseAscii(base)).second) bases.push_back(std::move(base));
    }
    return bases;
}

TCacheRec ExtractCacheFromText(std::string_view page, std::string_view baseName, const CountryLookup& country) {
    const TCacheRec zero;
    const auto s = CollectSections(page);
    const auto latlonIt = s.find("LATLON");
    if (latlonIt == s.end()) return zero;
    std::string latlon = UpperCaseCp1252(latlonIt->second);
    RemoveAllBetween(latlon, "<", ">");
    if (latlon.find("???") != npos) return zero;
    const auto coords = ParseLatLonText(latlon);
    if (!coords) return zero;

    const std::string code = UpperCaseAscii(baseName);
    if (!IsPageCode(code)) return zero;

    TCacheRec rec;
    rec.Lat = coords->first;
    rec.Lon = coords->second;
    rec.Waypoint = code;
    rec.Size = SizeFrom(SectionText(s, "LNKDETAILS"));
    rec.CacheType = TypeFrom(page);
    rec.Name = NameFrom(s);
    if (s.count("DIFFICULTY")) rec.Difficulty = Cleaned("Difficulty", SectionText(s, "DIFFICULTY"));
    if (s.count("TERRAIN")) rec.Terrain = Cleaned("Terrain", SectionText(s, "TERRAIN"));
    const std::string location = Trimmed(SectionText(s, "LOCATION"));
    if (location.size() > 3) {
        const auto lookup = [&country](std::string_view name) {
            return country ? country(name) : CountryIDByName(name);
        };
        const std::string name = location.substr(3);
        rec.CountryId = lookup(name);
        // "In Bayern, Germany": the country follows the region.
        const std::size_t comma = name.rfind(',');
        if (rec.CountryId == 0 && comma != npos) rec.CountryId = lookup(Trimmed(name.substr(comma + 1)));
    }
    if (s.count("DATEHIDDEN")) rec.Hidden = HiddenFrom(Cleaned("DateHidden", SectionText(s, "DATEHIDDEN")));
    return rec;
}

TCacheRec ExtractCacheFromPage(const std::string& basePath, const CountryLookup& country) {
    const std::size_t slash = basePath.rfind('/');
    const std::string folder = slash == npos ? std::string("./") : basePath.substr(0, slash + 1);
    const std::string base = slash == npos ? basePath : basePath.substr(slash + 1);
    for (const char* ext : {".html", ".htm"}) {
        const auto path = FindFileNoCase(folder, base + ext);
        if (!path) continue;
        if (auto text = ReadWholeFile(*path)) return ExtractCacheFromText(*text, base, country);
    }
    return TCacheRec{};
}

PageImportResult ImportStoredPages(const PageImportParams& params,
                                   const std::function<void(const std::string&)>& protocol,
                                   const std::function<bool()>& keepGoing) {
    PageImportResult result;
    auto say = [&protocol](const std::string& line) {
        if (protocol) protocol(line);
    };
    const std::string workDir = params.workDir.empty() ? GetWorkDir() : WithTrailingSlash(params.workDir);
    const std::string workListPath = ResolveFileNoCase(workDir, "WPList.txt");
    std::vector<std::string> workList;
    std::unordered_set<std::string> inWorkList;
    bool workListUsable = params.addToWorkList;
    if (params.addToWorkList) {
        // A list that exists but cannot be read must not be replaced by the new codes alone.
        auto read = ReadTextListIfPresent(workListPath);
        workListUsable = read.ok();
        result.workListError = !workListUsable;
        if (read)
            workList = std::move(*read);
        else
            result.workListRead = read.error();
        for (const std::string& line : workList) inWorkList.insert(UpperCaseCp1252(line));
    }

    const std::string folder = WithTrailingSlash(params.folder);
    const std::vector<std::string> bases = ScanPageFolder(folder);
    for (const std::string& base : bases) say(base);
    result.noPages = bases.empty();

    bool workListChanged = false;
    PrepareCacheIndex();
    for (const std::string& base : bases) {
        if (keepGoing && !keepGoing()) break;
        // The file name gives the code: one that could not name a file again
        // (a blank, ':', a control byte) is skipped, counted and named once.
        if (!result.refused.Admit(UpperCaseAscii(base))) {
            say(base + W(": ungültiger Wegpunktcode, übersprungen"));
            continue;
        }
        const TCacheRec rec = ExtractCacheFromPage(folder + base, params.country);
        if (rec.Waypoint.empty() || rec.Name.empty() || (rec.Lat == 0.0 && rec.Lon == 0.0)) {
            say(base + ": Fehler beim Extrahieren der Daten");
            continue;
        }
        const std::string code = rec.Waypoint.str();
        const std::string head = Shortened(code + ": ", 18);
        TCacheRec stored;
        if (!FindCacheByWaypoint(code, stored)) {
            if (!AppendCacheRec(rec)) {
                say(head + W("Fehler beim Schreiben in die Datenbank"));
                continue;
            }
            ++result.added;
            say(Shortened(Shortened(head + rec.Name.str(), 138) + " (Neu)", 144));
            if (workListUsable && inWorkList.insert(UpperCaseCp1252(code)).second) {
                workList.push_back(code);
                workListChanged = true;
            }
        } else if (!params.updateExisting) {
            ++result.skipped;
            say(code + W(": bereits vorhanden, wird übersprungen"));
        } else if (SameCacheData(rec, stored)) {
            ++result.skipped;
            say(code + ": vorhanden mit gleichen Daten");
        } else {
            say(code + ": vorhanden mit anderen Daten -> Update");
            TCacheRec update = rec;
            update.Id = stored.Id;  // the page does not show the site's numeric id
            if (StoreCacheRec(update))
                ++result.changed;
            else
                say(head + W("Fehler beim Schreiben in die Datenbank"));
        }
    }
    result.summary = W("Fertig. ") + IntText(result.added) + " neu, " + IntText(result.skipped) + W(" übersprungen, ") +
                     IntText(result.changed) + W(" geändert.");
    if (result.refused.count() > 0) say(result.refused.Text());
    say(result.summary);
    if (workListChanged && !WriteTextList(workListPath, workList)) result.workListError = true;
    if (result.added > 0 || result.changed > 0) BuildCacheIndex();
    return result;
}

}  // namespace tv
