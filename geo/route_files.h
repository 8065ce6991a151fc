#pragma once
// Route files for the search along a route: ASCII overlays (INI), Top50
// cursor coordinates and MapSource route texts. Readers work on the file's
// bytes and return the route points as the route window lists them
// ("lon / lat", '.' as decimal point), so the list box can be read back with
// ParseRoutePoint. Every point a reader returns parses; texts that do not are
// left out and named in `badLines`.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/coords.h"

namespace tv {

// "11.5753 / 48.1372": longitude first, six significant digits, four decimals.
std::string FormatRoutePoint(double lon, double lat);
// Splits at the first '/', trims both halves; first half longitude. Nothing
// unless both halves are whole numbers within -180..180 / -90..90.
std::optional<LatLon> ParseRoutePoint(std::string_view text);

// The search may start with at least two points and a distance above 0.1 km.
// Distance texts use '.'; an empty or unreadable text counts as -1.
double ParseRouteDistance(std::string_view text);
bool CanCalc(std::size_t pointCount, std::string_view distanceText);

struct BadRouteLine {
    int line = 0;       // 1-based line of the file; 0 when not known
    std::string text;   // the line (or "key=value") as it stood
};

enum class RouteReadError {
    None,
    NoSymbolSection,   // overlay without a [Symbol...] section
    BadPointCount,     // overlay "Punkte" missing or negative
    TooFewPoints,      // overlay "Punkte" below 2
    BadValue,          // overlay coordinate that is not a number; points so far kept
    BadHeader,         // MapSource first line names neither coordinate format
};

struct RouteReadResult {
    RouteReadError error = RouteReadError::None;
    // False when the reader stopped before touching the point list (the old
    // points stay); true when `points` replaces it (overlay, MapSource) or is
    // to be appended (Top50, see `append`).
    bool changesList = false;
    bool append = false;
    int declaredCount = -1;      // overlay "Punkte"; -1 for the other formats
    std::string section;         // overlay section name
    std::string headerLine;      // MapSource first line (for the format message)
    std::vector<std::string> points;
    std::vector<BadRouteLine> badLines;
};

// The number beside the source: the overlay's declared "Punkte", else the
// points the file gave.
int SourcePointCount(const RouteReadResult& r);

// The six numbers of a Top50 line (lon D M S, lat D M S), as positive
// degrees; nothing when a number is missing (e.g. the line starts with a
// letter or a sign).
std::optional<LatLon> ParseDmsLine(std::string_view line);

RouteReadResult ReadOverlayRoute(std::string_view bytes);
RouteReadResult ReadTop50Route(std::string_view bytes);
RouteReadResult ReadMapSourceRoute(std::string_view bytes);

// 0 overlay (*.ovl), 1 Top50 (*.coo), 2 MapSource (*.txt).
RouteReadResult ReadRouteFile(int format, std::string_view bytes);

// The message for a reader's error (Windows-1252), or "" for None.
std::string RouteReadErrorText(const RouteReadResult& result, std::string_view path);
// The note about skipped lines, naming them; "" when there were none.
std::string BadRouteLinesText(const std::vector<BadRouteLine>& lines);

}  // namespace tv
