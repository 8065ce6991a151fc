#include "pages/cache_details.h"

#include <array>
#include <cmath>

#include "core/cachedb_table.h"
#include "core/file_procs.h"
#include "core/number_format.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

const std::array<std::string, 12>& MonthNames() {
    static const std::array<std::string, 12> names = {
        W("Januar"), W("Februar"), W("März"),     W("April"),   W("Mai"),      W("Juni"),
        W("Juli"),   W("August"),  W("September"), W("Oktober"), W("November"), W("Dezember")};
    return names;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits only, 1..maxLen of them.
std::optional<int> SmallNumber(std::string_view s, std::size_t minLen, std::size_t maxLen) {
    if (s.size() < minLen || s.size() > maxLen) return std::nullopt;
    int v = 0;
    for (char c : s) {
        if (!IsDigit(c)) return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

// The page in one folder: the code as given, else upper-cased (the pages are
// written with the codes as the listing site spells them).
bool PageIn(const std::string& folder, std::string_view waypoint) {
    if (IsRegularFile(folder + ConvertedPageName(waypoint))) return true;
    const std::string upper = UpperCaseAscii(waypoint);
    return upper != waypoint && IsRegularFile(folder + ConvertedPageName(upper));
}

}  // namespace

// ---- single texts -----------------------------------------------------------

std::string GermanLongDate(double dayCount) {
    int y = 0, m = 0, d = 0;
    if (!DateFromDayCount(dayCount, y, m, d)) return {};
    return TwoDigits(d) + ". " + MonthNames()[static_cast<std::size_t>(m - 1)] + " " + std::to_string(y);
}

std::string DaysAgoText(double today, double date) {
    const long long days = static_cast<long long>(std::trunc(today)) - static_cast<long long>(std::trunc(date));
    return " (vor " + std::to_string(days) + " Tagen)";
}

std::string HiddenDateText(double hidden, double today) {
    if (hidden == 0.0) return "unbekannt";
    const std::string date = GermanLongDate(hidden);
    if (date.empty() || !std::isfinite(today)) return "unbekannt";
    return date + DaysAgoText(today, hidden);
}

std::optional<double> ParseFoundDate(std::string_view text) {
    text = TrimBlanks(text);
    const std::size_t p1 = text.find('.');
    if (p1 == std::string_view::npos) return std::nullopt;
    const std::size_t p2 = text.find('.', p1 + 1);
    if (p2 == std::string_view::npos) return std::nullopt;
    const auto d = SmallNumber(text.substr(0, p1), 1, 2);
    const auto m = SmallNumber(text.substr(p1 + 1, p2 - p1 - 1), 1, 2);
    const auto y = SmallNumber(text.substr(p2 + 1), 4, 4);
    if (!d || !m || !y) return std::nullopt;
    return DayCountFromDate(*y, *m, *d);
}

std::string FoundWhenText(std::string_view foundDateText, double today) {
    const auto date = ParseFoundDate(foundDateText);
    if (!date || !std::isfinite(today)) return {};
    return "am " + GermanLongDate(*date) + DaysAgoText(today, *date);
}

RatingView MakeRatingView(std::string_view rating) {
    RatingView v;
    v.text = std::string(rating);
    for (char& c : v.text)
        if (c == '.') c = ',';
    if (v.text.size() == 1) v.text += ",0";
    // A text that is no number (an empty one can be stored by hand) shows an
    // empty bar instead of failing the window.
    if (const auto value = ParseFloat(v.text, ',')) {
        const double px = std::trunc(*value * kRatingBarPixelsPerPoint);
        v.barWidth = px <= 0 ? 0 : px >= kRatingBarMaxWidth ? kRatingBarMaxWidth : static_cast<int>(px);
    }
    return v;
}

bool CoordinatesKnown(double lat, double lon) {
    return lat >= -90.0 && lat <= 90.0 && lon >= -180.0 && lon <= 180.0;
}

std::string CoordinatesText(double lat, double lon) {
    return CoordinatesKnown(lat, lon) ? FormatCoord(lat, lon) : std::string("unbekannt");
}

std::string HomeDistanceText(double lat, double lon, LatLon home) {
    // Unknown coordinates would give a distance to nowhere.
    if (!CoordinatesKnown(lat, lon)) return {};
    double km = 0.0, bearing = 0.0;
    if (!CalcDistanceBearing(km, bearing, home.lat, home.lon, lat, lon)) return {};
    return "Entfernung von den Heimkoordinaten: " + FormatFixed(km, 5, 3, ',') + " km in Richtung " +
           FormatFixed(bearing, 3, 1, ',') + W(" °");
}

int TypeIconNumber(std::string_view cacheType) {
    static const std::array<std::string_view, 10> kTypes = {
        "TRADITIONAL CACHE", "MULTI-CACHE",        "VIRTUAL CACHE",        "LETTERBOX HYBRID", "EVENT CACHE",
        "WEBCAM CACHE",      "UNKNOWN CACHE",      "LOCATIONLESS CACHE",   "CACHE IN TRASH OUT E", "EARTHCACHE"};
    const std::string upper = UpperCaseCp1252(cacheType);
    for (std::size_t i = 0; i < kTypes.size(); ++i)
        if (upper == kTypes[i]) return static_cast<int>(i) + 1;
    return 0;
}

NameStyle NameStyleFor(int archiveState) {
    NameStyle s;
    s.strikeOut = archiveState == 1 || archiveState == 2;
    s.red = archiveState == 2;
    return s;
}

// ---- converted description page ---------------------------------------------

std::string ConvertedPageName(std::string_view waypoint) { return std::string(waypoint) + "_converted.html"; }

ConvertedPageLookup FindConvertedPage(std::string_view waypoint, const std::string& descrFolder,
                                      const std::string& outDir) {
    ConvertedPageLookup r;
    if (!IsSafeWaypointCode(waypoint)) return r;
    if (!descrFolder.empty()) {
        r.found = PageIn(WithTrailingSlash(descrFolder), waypoint);
        return r;
    }
    const std::string out = WithTrailingSlash(outDir);
    if (PageIn(out, waypoint)) {
        r.found = true;
        return r;
    }
    for (const std::string& name : ListFolder(out, "*", EntryKind::Folders)) {
        const std::string sub = out + name + "/";
        if (PageIn(sub, waypoint)) {
            r.found = true;
            r.foundSubfolder = sub;
        }
    }
    return r;
}

std::string ConvertedPagePath(std::string_view waypoint, const std::string& descrFolder,
                              const std::string& foundSubfolder, const std::string& outDir) {
    if (!IsSafeWaypointCode(waypoint)) return {};
    const std::string folder =
        WithTrailingSlash(!descrFolder.empty() ? descrFolder : !foundSubfolder.empty() ? foundSubfolder : outDir);
    if (!IsRegularFile(folder + ConvertedPageName(waypoint))) {
        const std::string upper = UpperCaseAscii(waypoint);
        if (IsRegularFile(folder + ConvertedPageName(upper))) return folder + ConvertedPageName(upper);
    }
    return folder + ConvertedPageName(waypoint);
}

// ---- the whole view ---------------------------------------------------------

CacheDetailsView MakeCacheDetailsView(const CacheDetailsInput& in) {
    const TCacheRec& c = in.cache;
    CacheDetailsView v;
    v.typeIcon = TypeIconNumber(c.CacheType.view());
    v.name = c.Name.str();
    v.id = std::to_string(c.Id);
    v.waypoint = c.Waypoint.str();
    v.size = c.Size.str();
    v.difficulty = MakeRatingView(c.Difficulty.view());
    v.terrain = MakeRatingView(c.Terrain.view());
    v.hidden = HiddenDateText(c.Hidden, in.today);
    v.coordinates = CoordinatesText(c.Lat, c.Lon);
    v.distance = HomeDistanceText(c.Lat, c.Lon, in.home);
    v.country = CountryNameByID(c.CountryId);
    v.nameStyle = NameStyleFor(in.archiveState);
    if (!in.foundCaption.empty()) {
        v.foundCaption = in.foundCaption;
        v.foundCaptionVisible = true;
    } else {
        v.foundCaption = kFoundCaptionDefault;
        v.foundCaptionVisible = !in.foundDateText.empty();
        if (v.foundCaptionVisible) v.foundWhen = FoundWhenText(in.foundDateText, in.today);
        v.foundWhenVisible = !v.foundWhen.empty();
    }
    return v;
}

// ---- comparison -------------------------------------------------------------

unsigned DiffFields(const TCacheRec& a, const TCacheRec& b) {
    unsigned m = 0;
    if (a.Id != b.Id) m |= dfId;
    if (UpperCaseCp1252(a.Name.view()) != UpperCaseCp1252(b.Name.view())) m |= dfName;
    if (a.Hidden != b.Hidden) m |= dfHidden;
    if (std::fabs(a.Lat - b.Lat) > kCoordinateTolerance || std::fabs(a.Lon - b.Lon) > kCoordinateTolerance)
        m |= dfCoordinates;
    if (a.Size.view() != b.Size.view()) m |= dfSize;
    if (a.Waypoint.view() != b.Waypoint.view()) m |= dfWaypoint;
    if (a.Difficulty.view() != b.Difficulty.view()) m |= dfDifficulty;
    if (a.Terrain.view() != b.Terrain.view()) m |= dfTerrain;
    if (a.CountryId != b.CountryId) m |= dfCountry;
    return m;
}

}  // namespace tv
