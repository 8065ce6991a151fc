#include "pages/description_template.h"

#include <algorithm>
#include <functional>

#include "core/file_procs.h"
#include "core/html_escape.h"
#include "core/number_format.h"
#include "core/str_util.h"
#include "pages/description_html.h"

namespace tv {

namespace {

// Where `find` (exact bytes) next occurs at or after `from`; npos when not.
std::size_t FindExact(std::string_view text, std::string_view find, std::size_t from) {
    if (find.empty() || from >= text.size()) return std::string::npos;
    const int at = FastPos(text, find, static_cast<int>(from) + 1);
    return at > 0 ? static_cast<std::size_t>(at) - 1 : std::string::npos;
}

// Every occurrence of `find` replaced in one pass.
void ReplaceEvery(std::string& text, std::string_view find, std::string_view replace) {
    std::size_t hit = FindExact(text, find, 0);
    if (hit == std::string::npos) return;
    std::string out;
    out.reserve(text.size() + replace.size());
    std::size_t from = 0;
    while (hit != std::string::npos) {
        out.append(text, from, hit - from);
        out.append(replace);
        from = hit + find.size();
        hit = FindExact(text, find, from);
    }
    out.append(text, from, std::string::npos);
    text.swap(out);
}

// The page while its placeholders are filled one after the other, with the
// places where a placeholder could start ("<!-- #") kept up to date, so that
// each fill looks at those few places instead of scanning the whole page,
// which grows to the size of the listing. A value may itself hold, or form
// with its neighbours, such a text: it is filled by the later placeholders
// just as a scan would find it.
class PlaceholderPage {
public:
    explicit PlaceholderPage(std::string_view text) : t_(text) { AddMarks(t_, starts_); }

    bool Has(std::string_view placeholder) const {
        if (!Tracked(placeholder)) return FindExact(t_, placeholder, 0) != std::string::npos;
        for (const std::size_t c : starts_)
            if (t_.compare(c, placeholder.size(), placeholder) == 0) return true;
        return false;
    }

    // Every occurrence of `placeholder` replaced by `value`, as one
    // left-to-right pass over the page would.
    void Put(std::string_view placeholder, std::string_view value) {
        if (!Tracked(placeholder)) {
            ReplaceEvery(t_, placeholder, value);
            starts_.clear();
            AddMarks(t_, starts_);
            return;
        }
        // A placeholder holds '<' only in front, so no mark starts inside
        // one or runs into it from before: the occurrences never overlap and
        // every other mark survives the replacement unchanged.
        std::vector<std::size_t> hits, kept;
        for (const std::size_t c : starts_)
            (t_.compare(c, placeholder.size(), placeholder) == 0 ? hits : kept).push_back(c);
        if (hits.empty()) return;
        std::vector<std::size_t> inValue;
        AddMarks(value, inValue);
        std::string out;
        out.reserve(t_.size() + hits.size() * value.size());
        std::vector<std::size_t> next, joins;
        std::size_t from = 0, k = 0;
        for (const std::size_t h : hits) {
            for (; k < kept.size() && kept[k] < h; ++k) next.push_back(kept[k] - from + out.size());
            out.append(t_, from, h - from);
            joins.push_back(out.size());
            for (const std::size_t m : inValue) next.push_back(out.size() + m);
            out.append(value);
            joins.push_back(out.size());
            from = h + placeholder.size();
        }
        for (; k < kept.size(); ++k) next.push_back(kept[k] - from + out.size());
        out.append(t_, from, std::string::npos);
        t_.swap(out);
        // Marks that straddle the edge of an inserted value.
        for (const std::size_t j : joins)
            for (std::size_t at = j >= kMark.size() ? j - (kMark.size() - 1) : 0; at < j; ++at)
                if (t_.compare(at, kMark.size(), kMark) == 0) next.push_back(at);
        std::sort(next.begin(), next.end());
        next.erase(std::unique(next.begin(), next.end()), next.end());
        starts_.swap(next);
    }

    std::string Take() { return std::move(t_); }

private:
    static constexpr std::string_view kMark = "<!-- #";

    static bool Tracked(std::string_view placeholder) {
        return placeholder.substr(0, kMark.size()) == kMark && placeholder.find('<', 1) == std::string_view::npos;
    }
    // Adds the start of every mark in `text`.
    static void AddMarks(std::string_view text, std::vector<std::size_t>& out) {
        for (std::size_t at = FindExact(text, kMark, 0); at != std::string::npos; at = FindExact(text, kMark, at + 1))
            out.push_back(at);
    }

    std::string t_;
    std::vector<std::size_t> starts_;  // ascending
};

bool LessIgnoringAsciiCase(const std::string& a, const std::string& b) {
    const std::string ua = UpperCaseAscii(a), ub = UpperCaseAscii(b);
    return ua != ub ? ua < ub : a < b;
}

}  // namespace

const std::vector<std::string>& DescriptionPlaceholderNames() {
    static const std::vector<std::string> names{
        "LOGLIMITATIONS",      "CACHENAME",           "CACHEOWNER",          "LATLON",
        "UTMFORMAT",           "LOCATION",            "DATEHIDDEN",          "WAYPOINTNAME",
        "DIFFICULTY",          "TERRAIN",             "ERRORTEXT",           "SHORTDESCRIPTION",
        "LONGDESCRIPTION",     "CACHEMAPFILENAME",    "CACHEMAP",            "CACHEMAPLINK",
        "GOOGLEMAPLINK",       "CACHELOGS",           "NUMVISITS",           "CACHETYPE",
        "CACHESIZE",           "TRAVELBUGS",          "ADDITIONALWAYPOINTS", "ANZ_WATCHERS",
        "HOMEDISTANCE",        "CREATIONDATETIME",    "CREATIONDATE",        "ORIGCREATIONDATETIME",
        "ORIGCREATIONDATE",    "LOGANZ_FOUND",        "LOGANZ_REVIEWNOTE",   "LOGANZ_NOTE",
        "LOGANZ_DNF",          "LOGANZ_DISABLED",     "LOGANZ_ENABLED",      "LOGANZ_WILLATTEND",
        "LOGANZ_ATTENDED",     "LOGANZ_NEEDSMAINTENANCE", "LOGANZ_MAINTAINED", "FIRSTFOUNDLOG",
        "LATESTFOUNDLOG",      "COORDUPDATEWARNING",  "BUDDYLIST",           "HINTS_ENCRYPTED",
        "HINTS",               "ORIG_LINK_PF",        "ORIG_LINK",           "ROT13_TABLE",
        "NOTES",               "CACHEIMAGES"};
    return names;
}

std::string PlaceholderText(std::string_view name) { return "<!-- #" + std::string(name) + "# -->"; }

std::string BuddyListText(std::vector<std::string> buddies) {
    if (buddies.empty()) return "leider niemand :-(";
    if (buddies.size() == 1) return buddies.front();
    std::stable_sort(buddies.begin(), buddies.end(), LessIgnoringAsciiCase);
    // A buddy who logged the cache twice is named once.
    buddies.erase(std::unique(buddies.begin(), buddies.end()), buddies.end());
    std::string out;
    for (std::size_t i = 0; i + 1 < buddies.size(); ++i) out += buddies[i] + ", ";
    out += buddies.back() + ".";
    return out;
}

std::string HintsText(std::string_view hints, int mode) {
    if (mode == kHintsRot13) return Rot13Copy(Rot13InBrackets(hints));
    if (mode == kHintsWhite) return "[<font color=\"#FFFFFF\">" + std::string(hints) + "</font>]";
    return std::string(hints);
}

std::string Rot13TableHTML() {
    std::string out = "<table border=\"1\"><tr><td colspan=\"13\"><pre>Rot13-Tabelle</pre></td></tr>\r\n<tr>";
    for (char c = 'A'; c <= 'M'; ++c) out += std::string("<td><pre>") + c + "</pre></td>";
    out += "</tr>\r\n<tr>";
    for (char c = 'N'; c <= 'Z'; ++c) out += std::string("<td><pre>") + c + "</pre></td>";
    out += "</tr></table>";
    return out;
}

std::optional<std::string> HomeDistanceText(const DescriptionHome& home, const LatLon& cache) {
    const auto db = CalcDistanceBearing(cache, LatLon{home.lat, home.lon});
    if (!db) return std::nullopt;
    return "Entfernung von " + html::Text(home.name) + ": " + FormatFixed(db->km, 6, 1, ',') + " km";
}

std::string FillTemplate(std::string_view templateText, std::string_view waypoint, const TCacheDescription& d,
                         const FillOptions& o, const FillSources& s, const platform::DateTime& now) {
    PlaceholderPage t(templateText);
    // Values are cleaned as they go in: the hints turn into HTML only through
    // their ROT13 decoding, after the stored page was cleaned.
    auto put = [&t](std::string_view name, std::string_view value) {
        if (value.find('<') == std::string_view::npos) return t.Put(PlaceholderText(name), value);
        std::string clean(value);
        RemoveRedirectElements(clean);
        t.Put(PlaceholderText(name), clean);
    };
    auto has = [&t](std::string_view name) { return t.Has(PlaceholderText(name)); };
    const std::string w(waypoint);

    put("LOGLIMITATIONS", d.LogLimitations);
    put("CACHENAME", d.CacheName);
    put("CACHEOWNER", d.CacheOwner);
    put("LATLON", d.LatLon);
    put("UTMFORMAT", d.UtmFormat);
    put("LOCATION", d.Location);
    put("DATEHIDDEN", d.DateHidden);
    put("WAYPOINTNAME", d.WaypointName);
    put("DIFFICULTY", d.Difficulty);
    put("TERRAIN", d.Terrain);
    put("ERRORTEXT", d.ErrorText);
    put("SHORTDESCRIPTION", d.ShortDescription);
    put("LONGDESCRIPTION", d.LongDescription);
    put("CACHEMAPFILENAME", d.CacheMapFileName);
    if (has("CACHEMAP")) put("CACHEMAP", s.mapHtml ? s.mapHtml() : BuildCacheMapHTML(w, "", 0, false));
    put("CACHEMAPLINK", d.CacheMapLink);
    put("GOOGLEMAPLINK", d.GoogleMapLink);
    if (o.logs) put("CACHELOGS", d.CacheLogs);
    put("NUMVISITS", d.NumVisits);
    put("CACHETYPE", d.CacheType);
    put("CACHESIZE", d.CacheSize);
    put("TRAVELBUGS", d.TravelBugs);
    put("ADDITIONALWAYPOINTS", d.AdditionalWaypoints);
    put("ANZ_WATCHERS", d.Watchers);
    if (o.home && d.DatabaseCoords) {
        if (auto text = HomeDistanceText(*o.home, *d.DatabaseCoords)) put("HOMEDISTANCE", *text);
    }
    put("CREATIONDATETIME", DescrDateTimeText(now));
    put("CREATIONDATE", DescrDateText(now));
    put("ORIGCREATIONDATETIME", d.OrigCreationDateTime);
    put("ORIGCREATIONDATE", d.OrigCreationDate);
    static const char* const kCountNames[] = {"LOGANZ_FOUND",      "LOGANZ_REVIEWNOTE",       "LOGANZ_NOTE",
                                              "LOGANZ_DNF",        "LOGANZ_DISABLED",         "LOGANZ_ENABLED",
                                              "LOGANZ_WILLATTEND", "LOGANZ_ATTENDED",         "LOGANZ_NEEDSMAINTENANCE",
                                              "LOGANZ_MAINTAINED"};
    const auto counts = d.Counts.InDisplayOrder();
    for (std::size_t i = 0; i < counts.size(); ++i) put(kCountNames[i], std::to_string(counts[i]));
    put("FIRSTFOUNDLOG", d.FirstFoundLog);
    put("LATESTFOUNDLOG", d.LatestFoundLog);
    if (!d.CoordUpdate.empty()) put("COORDUPDATEWARNING", "<br><b>Achtung!</b> Koordinatenupdate: " + d.CoordUpdate);
    put("BUDDYLIST", BuddyListText(d.FoundBuddies));
    put("HINTS_ENCRYPTED", Rot13Copy(d.Hints));
    put("HINTS", HintsText(d.Hints, o.hintMode));
    const std::string details = "<a href=\"" + o.site.DetailsUrl(w);
    put("ORIG_LINK_PF", details + "&Submit6=Find&pf=y&log=y\">Originalseite (PF)</a>");
    put("ORIG_LINK", details + "&Submit6=Find&log=y\">Originalseite</a>");
    if (o.hintMode == kHintsRot13) put("ROT13_TABLE", Rot13TableHTML());
    if (!s.notesHtml.empty()) put("NOTES", "<p><b>Pers&ouml;nliche Notizen:</b> " + s.notesHtml + "</p>");
    if (o.cacheImages && has("CACHEIMAGES")) {
        const std::string images = BuildCacheImagesHTML(d.Images, o.htmlMaxWidth, o.twoColumns);
        const std::string ph = PlaceholderText("CACHEIMAGES");
        if (!images.empty()) t.Put(ph, images + ph);
    }
    return t.Take();
}

std::string WithCrLfLines(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32 + 2);
    const std::size_t n = text.size();
    std::size_t start = 0;
    while (start < n) {
        std::size_t i = start;
        while (i < n && text[i] != '\r' && text[i] != '\n') ++i;
        out.append(text, start, i - start);
        out += "\r\n";
        if (i < n && text[i] == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    return out;
}

std::string ConvertedPagePath(const std::string& outDir, std::string_view waypoint) {
    return outDir + std::string(waypoint) + "_converted.html";
}

bool WriteConvertedPage(const std::string& path, std::string_view text) {
    return WriteFileAtomic(path, WithCrLfLines(html::WithPagePolicy(text)));
}

}  // namespace tv
