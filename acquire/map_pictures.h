#pragma once
// Map pictures beside a cache description, from four online map services:
//   0 "multimap"        a map page whose picture address is scraped,
//   1 "mappoint"        one picture URL with every parameter in it,
//   2 "Stadtplandienst" a session id, then up to 4 or 9 tiles,
//   3 "mapquest"        a form round trip.
// Each request goes through the caller's fetch function (the listing loader's
// quiet getBinaryToFile) into temporary files in the work folder and picture
// files in the description folder. The service hosts are settings of this
// unit, so tests can point them at a loopback server.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// "host" or "host:port" of each service, without scheme.
struct MapServiceHosts {
    std::string multimap = "www.multimap.com";
    std::string mappoint = "msrvmaps.mappoint.net";
    std::string stadtplandienst = "www.stadtplandienst.de";
    std::string mapquest = "www.mapquest.com";
};
const MapServiceHosts& MapServiceHostsSetting();
void SetMapServiceHostsSetting(MapServiceHosts hosts);

inline constexpr int kMapServiceCount = 4;

// ---- Tables laid out by the window ---------------------------------------------

// Service names as the radio group shows them.
const std::vector<std::string>& MapServiceNames();
// Items of the zoom list of a service (Windows-1252); empty for an unknown kind.
const std::vector<std::string>& MapZoomItems(int kind);
// Items of the size list; empty when the service has no size choice.
const std::vector<std::string>& MapSizeItems(int kind);
// The service's default zoom step (used when a remembered step does not fit).
int MapDefaultZoom(int kind);
// `step` when it is a valid index of the service's zoom list, else the default.
int ClampMapZoom(int kind, int step);

// Lookups by zoom step.
std::string MapScale(int step);     // service 0: "5000" ... "500000" (any higher step)
std::string MapAltitude(int step);  // service 1: "1" ... "220"; steps above 5 give "220"
std::string MapGrid(int step);      // service 2: "dedatlas10" ... "aero100"
bool MapGridIsAerial(int step);     // steps 9..14 deliver JPEG tiles
std::string MapPointSize(int sizeIndex);  // "300,220", "400,300", "570,435"

// ---- Coordinate texts ---------------------------------------------------------

// Plain decimal text with at most 15 significant digits, '.' as separator and
// no exponent: 48.123456789 -> "48.123456789", 11.5 -> "11.5", 8.0 -> "8".
std::string GeneralCoordText(double value);
// Its first 8 characters: 48.123456789 -> "48.12345", -33.123456 -> "-33.1234".
std::string Coord8(double value);

// ---- Answer parsers -------------------------------------------------------------

// Service 0: the picture address of the first line holding
// <input name="multimap" (ignoring case); empty when there is none.
std::string ExtractMultimapSrc(const std::vector<std::string>& lines);
// Service 2: the run of ASCII letters and digits after "sid=" in the first
// line that holds it; empty when there is none.
std::string ExtractSid(const std::vector<std::string>& lines);
// Service 2: tile addresses, root + the text from "mappaint.asp" to the next
// single quote with every "amp;" removed; lines are read while fewer than
// `limit` addresses have been collected (one line may add more).
std::vector<std::string> ExtractTileUrls(const std::vector<std::string>& lines, std::size_t limit,
                                         const std::string& root);
// Reads the next <input> element of `text`: its name and value. True and the
// text consumed past the name; false and nothing changed when there is none.
bool ReadInputFields(std::string& text, std::string& name, std::string& value);

struct MapquestForm {
    std::string sessionid, mapurl, hdnmapurl;
    bool complete() const { return !sessionid.empty() && !mapurl.empty() && !hdnmapurl.empty(); }
};
// Service 3: the hidden fields of the result form.
MapquestForm ExtractMapquestForm(const std::vector<std::string>& lines);
// Service 3: the text from "http" to the end of the last line holding it,
// trailing control characters and blanks cut.
std::string ExtractLastHttpLine(const std::vector<std::string>& lines);

// ---- Fetching -------------------------------------------------------------------

struct MapFetchContext {
    // Stores the URL in the file; false when it failed (the caller has told
    // the user).
    std::function<bool(const std::string& url, const std::string& dest)> fetch;
    std::function<void(const std::string&)> protocol;  // one protocol line
    std::function<void(const std::string&)> subtask;   // the current step
    std::string workDir;  // temporary files, ends in '/'
    std::string outDir;   // pictures, ends in '/'
    // Session id of service 2, kept by the caller for one showing of its window.
    std::string* sessionId = nullptr;
    int zoomStep = 0;   // index into MapZoomItems(kind)
    int sizeIndex = 0;  // index into MapSizeItems(kind)
};

// Looks the cache up in the cache database and fetches its map from service
// `kind` (0..3; others do nothing). A cache missing from the database gets
// no map.
void getCacheMapToFile(const std::string& wp, int kind, MapFetchContext& ctx);

// The services; `base` is the description folder + waypoint code.
void getMap_Multimap(const std::string& base, double lat, double lon, MapFetchContext& ctx);
void GetMapMappoint(const std::string& base, double lat, double lon, MapFetchContext& ctx);
void GetMapStadtplandienst(const std::string& base, double lat, double lon, MapFetchContext& ctx);
void GetMapMapquest(const std::string& base, double lat, double lon, MapFetchContext& ctx);

}  // namespace tv
