#pragma once
// Links between the program and the online map service: the map address of
// one position, the coordinates of a pasted map link, the listing site's
// search around a position, and the online map page of a list of caches
// (marker file "caches.xml" and "gmshow.html" from the template
// "gmtemplate.html", both in the work folder). Texts are Windows-1252.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/cache_db.h"
#include "core/cache_rec.h"
#include "core/coords.h"
#include "core/listing_site.h"

namespace tv {

// The map service as opened in the browser.
inline constexpr std::string_view kMapServiceUrl = "https://maps.google.de";

// ---- one position --------------------------------------------------------------------

// The map address for a position held as 32-bit floats (the digits users
// have always seen, 48.137 -> "48.137001"). zoomItem 0..3: "Haus", "Straße",
// "Viertel/Ortsteil", "Stadt"; mapItem 0..2: "Karte", "Luftbild", "Hybrid".
std::string BuildMapUrl(float lat, float lon, int zoomItem, int mapItem);

// The listing site's search for caches within 100 km of a position.
std::string RadiusSearchUrl(const ListingSite& site, double lat, double lon);

// ---- coordinates from a map link ----------------------------------------------------

enum class MapLinkError {
    None,
    NoCoordinates,  // no "&ll=lat,lon&" in the text
    BadNumber,      // a half that is no number (or out of range)
};

struct MapLink {
    double lat = 0.0, lon = 0.0;
    std::string latText, lonText;  // the two halves as they stand in the link
};

struct MapLinkResult {
    std::optional<MapLink> link;
    MapLinkError error = MapLinkError::None;
};

// Reads "&ll=LAT,LON&" out of a link ('.' as decimal point). The coordinates
// must be followed by a further parameter, as every link of the service is.
MapLinkResult ParseMapLink(std::string_view text);
// The message for an error (empty for None).
std::string MapLinkErrorText(MapLinkError error);

// Whether pasted text is a link of the map service (http or https, ignoring
// case).
bool IsMapServiceLink(std::string_view text);

// The link's position in degrees and minutes, split into the latitude half
// ("N 48° 8.220") and the longitude half ("E 011° 34.500") of FormatCoord.
struct DmHalves {
    std::string lat, lon;
};
DmHalves SplitDmForLink(double lat, double lon);

// ---- the online map page --------------------------------------------------------------

// The marker name: '"' -> '\'', umlauts spelt out and other Latin letters
// as their base letter (AsciiLetterSpelling), '&' -> '+', '<' and '>' as
// entities, then every byte below 32 or above 127 -> blank.
std::string EscapeMarkerName(std::string_view name);
// Icon number of an (upper-cased) type text; 1 for unknown types.
int TypeToIcon(std::string_view typeText);
// One "<marker .../>" line without its line break. Every attribute value is
// escaped, so the file stays well-formed XML whatever the record holds.
std::string MarkerLine(const TCacheRec& rec);

// Least and greatest latitude and longitude, as 32-bit floats.
struct MarkerBounds {
    float minLat = 90.0f, maxLat = -90.0f, minLon = 180.0f, maxLon = -180.0f;
    void Add(double lat, double lon);
    LatLon Center() const;
};

// The whole "caches.xml" text (CR LF) and the bounds of its caches.
std::string MarkersText(const TCacheList& list, MarkerBounds& bounds);

// Zoom level 5..13 from the spans in minutes.
int ZoomLevel(double dLatMinutes, double dLonMinutes);
int ZoomLevel(const MarkerBounds& bounds);

// rgWhich items.
enum class MapListSource { WorkList = 0, Finds = 1, OutputFolder = 2 };
// "Folgende 12 Caches befinden sich in der Arbeitsliste:".
std::string ListComment(int count, MapListSource source);

struct MapPageValues {
    LatLon center;
    int zoom = 13;
    int mapSizeItem = 0;  // 0: 640 x 480, 1: 800 x 600, 2: 1024 x 768
    std::string listComment;
    std::string markers;  // the "caches.xml" text, carried into the page as data
};
// Replaces every "#CENTERLAT#", "#CENTERLONG#", "#ZOOMFACTOR#", "#MAPWIDTH#",
// "#MAPHEIGHT#", "#LISTCOMMENT#" and "#MARKERS#" (case counts). "#MARKERS#"
// gets the marker text escaped for an attribute value in double quotes.
void FillMapTemplate(std::string& text, const MapPageValues& values);


// Caches of a text list (one code per line, looked up as it stands; unknown
// codes skipped) or of the finds file. False when the file cannot be read;
// the list is then empty.
bool LoadWaypointFile(const std::string& path, TCacheList& list, const CacheLookup& lookup);
bool LoadFinds(const std::string& findsPath, TCacheList& list, const CacheLookup& lookup);

struct MapPageParams {
    std::string workDir;              // ends in '/'
    std::string templateFallbackDir;  // where the shipped template lies when the work folder has none
    MapListSource source = MapListSource::WorkList;
    int mapSizeItem = 0;
    CacheLookup lookup;  // FindCacheByWaypoint when empty
};

struct MapPageResult {
    enum Status { Written, EmptyList, Failed } status = EmptyList;
    std::string error;     // "Fehler beim ... der Datei " + path when Failed
    std::string pagePath;  // the written "gmshow.html"
    int count = 0;
};

// Fills the list, writes "caches.xml" and "gmshow.html". Nothing is written
// for an empty list; no page without a readable template.
MapPageResult WriteMapPage(const MapPageParams& params);

}  // namespace tv
