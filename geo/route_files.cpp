#include "geo/route_files.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "core/file_procs.h"
#include "core/ini_file.h"
#include "core/number_format.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool StartsNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && UpperCaseAscii(text.substr(0, prefix.size())) == prefix;
}

// The run of characters accepted by `keep` at the start of `rest`, which is
// advanced past it.
template <typename Pred>
std::string_view TakeRun(std::string_view& rest, Pred keep) {
    std::size_t n = 0;
    while (n < rest.size() && keep(rest[n])) ++n;
    std::string_view run = rest.substr(0, n);
    rest.remove_prefix(n);
    return run;
}

void DropNonDigits(std::string_view& rest) {
    while (!rest.empty() && !IsDigit(rest.front())) rest.remove_prefix(1);
}

void DropOne(std::string_view& rest) {
    if (!rest.empty()) rest.remove_prefix(1);
}

std::optional<double> Number(std::string_view text) {
    if (text.empty()) return std::nullopt;
    return ParseFloat(text, '.');
}

bool IsDigitOrDot(char c) { return IsDigit(c) || c == '.'; }

std::vector<std::string_view> SplitTabs(std::string_view text) {
    std::vector<std::string_view> fields;
    while (true) {
        const std::size_t tab = text.find('\t');
        fields.push_back(text.substr(0, tab));
        if (tab == std::string_view::npos) break;
        text.remove_prefix(tab + 1);
    }
    return fields;
}

// "N48 08.232 E11 34.517" (hemisphere, degrees, one separator, minutes).
std::optional<std::string> DegMinPosition(std::string_view field) {
    if (field.empty()) return std::nullopt;
    const bool south = field.front() == 'S' || field.front() == 's';
    std::string_view rest = field.substr(1);
    const auto latDeg = Number(TakeRun(rest, IsDigit));
    DropOne(rest);
    const auto latMin = Number(TakeRun(rest, IsDigitOrDot));
    const std::string_view gap = TakeRun(rest, [](char c) { return !IsDigit(c); });
    const bool west = gap.find_first_of("Ww") != std::string_view::npos;
    const auto lonDeg = Number(TakeRun(rest, IsDigit));
    DropOne(rest);
    const auto lonMin = Number(TrimBlanks(rest));
    if (!latDeg || !latMin || !lonDeg || !lonMin) return std::nullopt;
    const double lat = (*latDeg + *latMin / 60.0) * (south ? -1 : 1);
    const double lon = (*lonDeg + *lonMin / 60.0) * (west ? -1 : 1);
    return FormatRoutePoint(lon, lat);
}

// "N48.13720 E11.57528": the texts are kept as they stand.
std::optional<std::string> DecimalPosition(std::string_view field) {
    if (field.empty()) return std::nullopt;
    const bool south = field.front() == 'S' || field.front() == 's';
    std::string text(field.substr(1));
    text.erase(std::remove(text.begin(), text.end(), 'E'), text.end());
    const std::size_t blank = text.find(' ');
    if (blank == std::string::npos) return std::nullopt;
    std::string lat = text.substr(0, blank);
    std::string lon = text.substr(blank + 1);
    const bool west = !lon.empty() && (lon.front() == 'W' || lon.front() == 'w');
    if (west) lon.erase(0, 1);
    lon = lon.substr(0, 8);
    if (south) lat.insert(0, "-");
    if (west) lon.insert(0, "-");
    return lon + " / " + lat;
}

std::string IndexKey(const char* prefix, int i) { return prefix + IntText(i); }

// The numbers n of the section's "XKoord<n>" / "YKoord<n>" keys, ascending:
// an absent pair is skipped anyway, and walking only the present ones keeps a
// huge declared count from costing billions of look-ups.
std::vector<int> PointKeyNumbers(const IniDocument& doc, const std::string& section) {
    std::vector<int> numbers;
    for (const std::string& key : doc.keys(section)) {
        if (!StartsNoCase(key, "XKOORD") && !StartsNoCase(key, "YKOORD")) continue;
        const std::string_view digits = std::string_view(key).substr(6);
        if (digits.empty() || !std::all_of(digits.begin(), digits.end(), IsDigit)) continue;
        if (const auto n = ParseInt(digits)) numbers.push_back(*n);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

void KeepIfValid(RouteReadResult& r, std::string point, int line, std::string_view text) {
    if (ParseRoutePoint(point))
        r.points.push_back(std::move(point));
    else
        r.badLines.push_back({line, std::string(text)});
}

}  // namespace

std::string FormatRoutePoint(double lon, double lat) {
    return FormatFixed(lon, 6, 4) + " / " + FormatFixed(lat, 6, 4);
}

std::optional<LatLon> ParseRoutePoint(std::string_view text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const auto lon = Number(TrimCtl(text.substr(0, slash)));
    const auto lat = Number(TrimCtl(text.substr(slash + 1)));
    if (!lon || !lat || std::fabs(*lon) > 180.0 || std::fabs(*lat) > 90.0) return std::nullopt;
    return LatLon{*lat, *lon};
}

double ParseRouteDistance(std::string_view text) {
    const auto v = Number(text);
    return v ? *v : -1.0;
}

bool CanCalc(std::size_t pointCount, std::string_view distanceText) {
    return pointCount >= 2 && ParseRouteDistance(distanceText) > 0.1;
}

std::optional<LatLon> ParseDmsLine(std::string_view line) {
    const std::string trimmed = TrimCtl(line);
    std::string_view rest = trimmed;
    double v[6];
    for (int i = 0; i < 6; ++i) {
        if (i > 0) DropNonDigits(rest);
        const auto n = Number(TakeRun(rest, IsDigitOrDot));
        if (!n) return std::nullopt;
        v[i] = *n;
    }
    return LatLon{v[3] + v[4] / 60.0 + v[5] / 3600.0, v[0] + v[1] / 60.0 + v[2] / 3600.0};
}

RouteReadResult ReadOverlayRoute(std::string_view bytes) {
    RouteReadResult r;
    const IniDocument doc = IniDocument::Parse(bytes);
    for (const std::string& s : doc.sections()) {
        if (StartsNoCase(s, "SYMBOL")) {
            r.section = s;
            break;
        }
    }
    if (r.section.empty()) {
        r.error = RouteReadError::NoSymbolSection;
        return r;
    }
    const auto count = doc.get(r.section, "Punkte");
    const auto parsed = count ? ParseInt(*count) : std::nullopt;
    r.declaredCount = parsed ? *parsed : -1;
    if (r.declaredCount < 0) {
        r.error = RouteReadError::BadPointCount;
        return r;
    }
    if (r.declaredCount < 2) {
        r.error = RouteReadError::TooFewPoints;
        return r;
    }
    r.changesList = true;
    for (const int i : PointKeyNumbers(doc, r.section)) {
        if (i >= r.declaredCount) break;
        const std::string xKey = IndexKey("XKoord", i), yKey = IndexKey("YKoord", i);
        const std::string xs = doc.get(r.section, xKey).value_or("1000");
        const std::string ys = doc.get(r.section, yKey).value_or("1000");
        const auto x = Number(TrimCtl(xs));
        const auto y = Number(TrimCtl(ys));
        if (!x || !y) {
            r.error = RouteReadError::BadValue;
            r.badLines.push_back({0, !x ? xKey + "=" + xs : yKey + "=" + ys});
            return r;
        }
        if (*x < 1000 && *y < 1000)
            KeepIfValid(r, FormatRoutePoint(*x, *y), 0, xKey + "=" + xs + ", " + yKey + "=" + ys);
    }
    return r;
}

RouteReadResult ReadTop50Route(std::string_view bytes) {
    RouteReadResult r;
    r.changesList = true;
    r.append = true;
    const std::vector<std::string> lines = SplitTextLines(bytes);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string line = TrimCtl(lines[i]);
        if (line.empty() || line.front() == '#') continue;
        // Lines that are not six numbers are skipped without a word; six
        // numbers beyond the globe are named.
        if (const auto p = ParseDmsLine(line))
            KeepIfValid(r, FormatRoutePoint(p->lon, p->lat), static_cast<int>(i) + 1, line);
    }
    return r;
}

RouteReadResult ReadMapSourceRoute(std::string_view bytes) {
    RouteReadResult r;
    const std::vector<std::string> lines = SplitTextLines(bytes);
    r.headerLine = lines.empty() ? std::string() : lines.front();
    const std::string deg = "\xB0", degUtf8 = "\xC2\xB0";
    const std::string& h = r.headerLine;
    bool decimal = h.find("hddd.ddddd" + deg) != std::string::npos || h.find("hddd.ddddd" + degUtf8) != std::string::npos;
    bool degMin = !decimal && (h.find("hddd" + deg + "mm.mmm") != std::string::npos ||
                               h.find("hddd" + degUtf8 + "mm.mmm") != std::string::npos);
    if (!decimal && !degMin) {
        r.error = RouteReadError::BadHeader;
        return r;
    }
    r.changesList = true;
    std::unordered_map<std::string, std::string> waypoints;  // name -> point, first one wins
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const int lineNo = static_cast<int>(i) + 1;
        if (StartsNoCase(line, "ROUTE WAYPOINT")) {
            const std::string_view rest = line.size() > 15 ? line.substr(15) : std::string_view();
            const auto it = waypoints.find(std::string(rest.substr(0, rest.find('\t'))));
            if (it != waypoints.end()) r.points.push_back(it->second);
        } else if (StartsNoCase(line, "WAYPOINT")) {
            const std::vector<std::string_view> f = SplitTabs(line.size() > 9 ? line.substr(9) : std::string_view());
            const std::string_view position = f.size() > 3 ? f[3] : std::string_view();
            const auto point = decimal ? DecimalPosition(position) : DegMinPosition(position);
            if (point && ParseRoutePoint(*point))
                waypoints.emplace(std::string(f[0]), *point);
            else
                r.badLines.push_back({lineNo, std::string(line)});
        }
    }
    return r;
}

RouteReadResult ReadRouteFile(int format, std::string_view bytes) {
    switch (format) {
        case 0: return ReadOverlayRoute(bytes);
        case 1: return ReadTop50Route(bytes);
        default: return ReadMapSourceRoute(bytes);
    }
}

std::string RouteReadErrorText(const RouteReadResult& result, std::string_view path) {
    switch (result.error) {
        case RouteReadError::None: return {};
        case RouteReadError::NoSymbolSection: return W("In der gewählten Datei wurde keine Sektion [Symbol ...] gefunden.");
        case RouteReadError::BadPointCount:
            return W("In der gewählten Datei wurde in Sektion \"") + result.section +
                   W("\" keine gültige Angabe der Wegpunktmenge (Punkte=x) gefunden.");
        case RouteReadError::TooFewPoints: return W("Die gewählte Datei enthält weniger als 2 gültige Wegpunkte.");
        case RouteReadError::BadValue:
            return ReadErrorText(path) + W("\r\n\r\nUngültige Angabe: \"") +
                   (result.badLines.empty() ? std::string() : result.badLines.back().text) + "\"";
        case RouteReadError::BadHeader:
            return W("Nicht erlaubtes Koordinatenformat in der Eingabedatei:\r\n\r\n\"") + result.headerLine +
                   W("\"\r\n\r\nErlaubte Formate: hddd.ddddd° oder hddd°mm.mmm'");
    }
    return {};
}

std::string BadRouteLinesText(const std::vector<BadRouteLine>& lines) {
    if (lines.empty()) return {};
    std::string text = W("Punkte ohne gültige Koordinaten wurden übersprungen:");
    const std::size_t shown = std::min<std::size_t>(lines.size(), 10);
    for (std::size_t i = 0; i < shown; ++i) {
        text += "\r\n";
        if (lines[i].line > 0) text += "Zeile " + IntText(lines[i].line) + ": ";
        text += lines[i].text.substr(0, 80);
    }
    if (lines.size() > shown) text += "\r\n... (" + IntText(static_cast<long long>(lines.size())) + " insgesamt)";
    return text;
}

int SourcePointCount(const RouteReadResult& r) {
    return r.declaredCount >= 0 ? r.declaredCount : static_cast<int>(r.points.size());
}

}  // namespace tv
