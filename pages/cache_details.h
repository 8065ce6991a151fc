#pragma once
// What the cache-details window shows for one record, worked out without any
// widget: the label texts, the type icon, the rating bars, the name style, the
// converted description page, and the comparison of two records that marks
// the fields in which they differ.
//
// Day counts as in core/cache_rec.h (day 0 = 30 December 1899). Texts are
// Windows-1252.
#include <optional>
#include <string>
#include <string_view>

#include "core/cache_rec.h"
#include "core/coords.h"

namespace tv {

// ---- single texts -----------------------------------------------------------

// "05. November 2007" (German month names, not the locale's); empty when the
// day count is no date of the years 1..9999.
std::string GermanLongDate(double dayCount);
// " (vor N Tagen)" with N = trunc(today) - trunc(date).
std::string DaysAgoText(double today, double date);
// The hidden date with its age, "05. November 2007 (vor 10 Tagen)";
// "unbekannt" when the date is unknown (day count 0) or no date at all.
std::string HiddenDateText(double hidden, double today);
// A find date "dd.mm.yyyy" (day and month with one or two digits, the year
// with four, blanks around it ignored) as a day count; nothing otherwise.
std::optional<double> ParseFoundDate(std::string_view text);
// "am 03. Februar 2007 (vor 0 Tagen)"; empty when the text is no date.
std::string FoundWhenText(std::string_view foundDateText, double today);

// Difficulty or terrain as shown: '.' becomes ',', a single character gets
// ",0" appended ("2" -> "2,0"). The bar is trunc(value * 18) pixels, kept
// within 0..90 (five points); a text that is no number shows as it is with an
// empty bar.
struct RatingView {
    std::string text;
    int barWidth = 0;
};
inline constexpr int kRatingBarPixelsPerPoint = 18;
inline constexpr int kRatingBarMaxWidth = 90;
RatingView MakeRatingView(std::string_view rating);

// FormatCoord of the position, or "unbekannt" when the latitude lies outside
// -90..90 or the longitude outside -180..180.
std::string CoordinatesText(double lat, double lon);
bool CoordinatesKnown(double lat, double lon);
// "Entfernung von den Heimkoordinaten: 12,345 km in Richtung 45,0 °" from the
// home to the cache; empty when the cache's coordinates are unknown or the
// distance cannot be computed.
std::string HomeDistanceText(double lat, double lon, LatLon home);

// The icon of a type text: 1 traditional ... 10 earthcache (see the table in
// the .cpp), 0 for any other type (no icon). The text is upper-cased first.
int TypeIconNumber(std::string_view cacheType);

// The cache name's look by archive state (GetArchiveState): 0 black bold;
// 1 disabled: black, bold, struck out; 2 archived: red, bold, struck out.
struct NameStyle {
    bool bold = true;
    bool strikeOut = false;
    bool red = false;
    friend bool operator==(const NameStyle&, const NameStyle&) = default;
};
NameStyle NameStyleFor(int archiveState);

// ---- converted description page ---------------------------------------------

// waypoint + "_converted.html".
std::string ConvertedPageName(std::string_view waypoint);

struct ConvertedPageLookup {
    bool found = false;
    std::string foundSubfolder;  // outDir + name + "/" when found in a subfolder
};
// Where the converted page of `waypoint` is. With `descrFolder` set only that
// folder counts. Otherwise `outDir`, then each real subfolder of it (links
// left out) in name order; the last subfolder holding the page wins.
ConvertedPageLookup FindConvertedPage(std::string_view waypoint, const std::string& descrFolder,
                                      const std::string& outDir);
// The page to open: folder = descrFolder if set, else foundSubfolder if set,
// else outDir; then folder + waypoint + "_converted.html". Empty for a
// waypoint that cannot name a file.
std::string ConvertedPagePath(std::string_view waypoint, const std::string& descrFolder,
                              const std::string& foundSubfolder, const std::string& outDir);

// ---- the whole view ---------------------------------------------------------

struct CacheDetailsInput {
    TCacheRec cache;
    double today = 0.0;       // day count of today
    LatLon home;              // the primary home
    int archiveState = 0;     // GetArchiveState of the waypoint
    std::string foundDateText;  // "dd.mm.yyyy" or empty
    std::string foundCaption;   // replaces the found caption; the date is then not shown
};

struct CacheDetailsView {
    int typeIcon = 0;  // 1..10, 0 none
    std::string name, id, waypoint, size;
    RatingView difficulty, terrain;
    std::string hidden, coordinates, distance, country;
    NameStyle nameStyle;
    std::string foundCaption;  // Label8
    bool foundCaptionVisible = false;
    std::string foundWhen;     // lblFoundWhen
    bool foundWhenVisible = false;
};

inline const char* const kFoundCaptionDefault = "Du hast diesen Cache gefunden";

// Fills every text of the window; the country name comes from the national
// table (CountryNameByID).
CacheDetailsView MakeCacheDetailsView(const CacheDetailsInput& in);

// ---- comparison -------------------------------------------------------------

enum DiffField : unsigned {
    dfId = 1u << 0,          // integers
    dfName = 1u << 1,        // upper-cased texts
    dfHidden = 1u << 2,      // exact value
    dfCoordinates = 1u << 3, // latitude or longitude more than 0.001 degrees apart
    dfSize = 1u << 4,        // texts, exact
    dfWaypoint = 1u << 5,
    dfDifficulty = 1u << 6,
    dfTerrain = 1u << 7,
    dfCountry = 1u << 8,     // integers
};
inline constexpr double kCoordinateTolerance = 0.001;
// The fields in which two records differ (the type is not compared).
unsigned DiffFields(const TCacheRec& a, const TCacheRec& b);

}  // namespace tv
