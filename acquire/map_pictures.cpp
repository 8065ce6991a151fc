#include "acquire/map_pictures.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "acquire/http_client.h"
#include "core/cache_db.h"
#include "core/coords.h"
#include "core/debug_log.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/number_format.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"

namespace tv {

namespace {

MapServiceHosts& HostsSlot() {
    static MapServiceHosts hosts;
    return hosts;
}

bool IsWordChar(char c) { return IsAsciiAlnum(c) || c == '_'; }

bool StartsWithHttp(std::string_view url) {
    std::string lower = LowerCaseAscii(url.substr(0, 8));
    return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
}

// The lines of a temporary answer file; false when it cannot be read.
bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
    auto bytes = ReadWholeFile(path);
    if (!bytes) return false;
    lines = SplitTextLines(*bytes);
    return true;
}

void RemoveFile(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove(FsPath(path), ec);
}

void Protocol(MapFetchContext& ctx, const std::string& line) {
    if (ctx.protocol) ctx.protocol(line);
}

bool Fetch(MapFetchContext& ctx, const std::string& url, const std::string& dest) {
    return ctx.fetch ? ctx.fetch(url, dest) : false;
}

std::string Root(const std::string& host) { return "http://" + host; }

}  // namespace

const MapServiceHosts& MapServiceHostsSetting() { return HostsSlot(); }
void SetMapServiceHostsSetting(MapServiceHosts hosts) { HostsSlot() = std::move(hosts); }

// ---- Tables ---------------------------------------------------------------------

const std::vector<std::string>& MapServiceNames() {
    static const std::vector<std::string> names{"multimap", "mappoint", "Stadtplandienst", "mapquest"};
    return names;
}

const std::vector<std::string>& MapZoomItems(int kind) {
    static const std::vector<std::vector<std::string>> items{
        {"1 : 5.000", "1 : 10.000", "1 : 25.000", "1 : 50.000", "1 : 100.000", "1 : 200.000", "1 : 500.000"},
        {"1 : 5.000", "1 : 20.000", "1 : 50.000", "1 : 100.000", "1 : 500.000", "1 : 1.000.000"},
        {"1 : 10.000", "1 : 20.000", "1 : 40.000", "1 : 60.000", "1 : 100.000", "1 : 400.000", "1 : 750.000",
         "1 : 1.500.000", "1 : 3.000.000", "1 : 7.500 Luftbild", "1 : 10.000 Luftbild", "1 : 20.000 Luftbild",
         "1 : 40.000 Luftbild", "1 : 60.000 Luftbild", "1 : 100.000 Luftbild"},
        {"1", "2", "3", "4", "5", "6", "7", "8", "9"},
    };
    static const std::vector<std::string> none;
    return kind >= 0 && kind < kMapServiceCount ? items[static_cast<std::size_t>(kind)] : none;
}

const std::vector<std::string>& MapSizeItems(int kind) {
    static const std::vector<std::string> mappoint{"klein", "mittel", W("groß")};
    static const std::vector<std::string> stadtplan{"klein (400x400)", W("groß (600x600)")};
    static const std::vector<std::string> none;
    if (kind == 1) return mappoint;
    if (kind == 2) return stadtplan;
    return none;
}

int MapDefaultZoom(int kind) {
    static const int defaults[kMapServiceCount] = {3, 2, 3, 6};
    return kind >= 0 && kind < kMapServiceCount ? defaults[kind] : 0;
}

int ClampMapZoom(int kind, int step) {
    int n = static_cast<int>(MapZoomItems(kind).size());
    return step >= 0 && step < n ? step : MapDefaultZoom(kind);
}

std::string MapScale(int step) {
    static const char* scales[] = {"5000", "10000", "25000", "50000", "100000", "200000"};
    return step >= 0 && step <= 5 ? scales[step] : "500000";
}

std::string MapAltitude(int step) {
    static const char* alti[] = {"1", "3", "10", "25", "90", "220"};
    if (step < 0) step = 0;
    return alti[step > 5 ? 5 : step];
}

std::string MapGrid(int step) {
    static const char* grids[] = {"dedatlas10", "dedatlas20", "dedatlas40",  "dedatlas60", "dedatlas100",
                                  "dedatlas400", "dedatlas750", "dedatlas1500", "dedatlas300", "aero2m",
                                  "aero10",     "aero20",     "aero40",      "aero60",     "aero100"};
    return step >= 0 && step <= 14 ? grids[step] : grids[ClampMapZoom(2, step)];
}

bool MapGridIsAerial(int step) { return step >= 9 && step <= 14; }

std::string MapPointSize(int sizeIndex) {
    if (sizeIndex == 0) return "300,220";
    if (sizeIndex == 1) return "400,300";
    return "570,435";
}

// ---- Coordinate texts ---------------------------------------------------------

std::string GeneralCoordText(double value) {
    if (!std::isfinite(value) || value == 0.0) return "0";
    char buf[64];
    // d.dddddddddddddde+XX: 15 significant digits, rounded by the library.
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    std::string s(buf, r.ptr);
    bool negative = s[0] == '-';
    if (negative) s.erase(0, 1);
    auto e = s.find('e');
    int exponent = 0;
    std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exponent);
    std::string digits = s.substr(0, 1) + s.substr(2, e - 2);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    int point = exponent + 1;  // digits before the decimal point
    std::string out;
    if (point <= 0) {
        out = "0." + std::string(static_cast<std::size_t>(-point), '0') + digits;
    } else if (static_cast<std::size_t>(point) >= digits.size()) {
        out = digits + std::string(static_cast<std::size_t>(point) - digits.size(), '0');
    } else {
        out = digits.substr(0, static_cast<std::size_t>(point)) + "." + digits.substr(static_cast<std::size_t>(point));
    }
    return negative ? "-" + out : out;
}

std::string Coord8(double value) { return GeneralCoordText(value).substr(0, 8); }

// ---- Answer parsers -------------------------------------------------------------

std::string ExtractMultimapSrc(const std::vector<std::string>& lines) {
    static const std::string marker = "<input name=\"multimap\"";
    for (const auto& line : lines) {
        std::string lower = LowerCaseAscii(line);
        auto at = lower.find(marker);
        if (at == std::string::npos) continue;
        std::string rest = line.substr(at);
        auto src = LowerCaseAscii(rest).find("src=");
        if (src == std::string::npos) return {};
        rest.erase(0, src + 4);
        if (!rest.empty() && (rest[0] == '"' || rest[0] == '\'')) rest.erase(0, 1);
        while (rest.find('"') != std::string::npos) rest.pop_back();
        return rest;
    }
    return {};
}

std::string ExtractSid(const std::vector<std::string>& lines) {
    for (const auto& line : lines) {
        auto at = line.find("sid=");
        if (at == std::string::npos) continue;
        std::size_t i = at + 4, j = i;
        while (j < line.size() && IsAsciiAlnum(line[j])) ++j;
        return line.substr(i, j - i);
    }
    return {};
}

std::vector<std::string> ExtractTileUrls(const std::vector<std::string>& lines, std::size_t limit,
                                         const std::string& root) {
    std::vector<std::string> tiles;
    for (const auto& line : lines) {
        if (tiles.size() >= limit) break;
        std::string lower = LowerCaseAscii(line);
        std::size_t at = 0;
        while ((at = lower.find("mappaint.asp", at)) != std::string::npos) {
            auto end = line.find('\'', at);
            std::string piece = line.substr(at, end == std::string::npos ? std::string::npos : end - at);
            ReplaceAll(piece, "amp;", "");
            tiles.push_back(root + piece);
            at += 12;
        }
    }
    return tiles;
}

bool ReadInputFields(std::string& text, std::string& name, std::string& value) {
    std::string lower = LowerCaseAscii(text);
    auto p = lower.find("<input");
    if (p == std::string::npos) return false;
    auto n = lower.find("name", p);
    if (n == std::string::npos) return false;
    auto v = lower.find("value", n);
    if (v == std::string::npos) return false;

    std::size_t i = n + 4;
    while (i < text.size() && !IsWordChar(text[i])) ++i;
    std::size_t j = i;
    while (j < text.size() && IsWordChar(text[j])) ++j;
    name = text.substr(i, j - i);

    i = v + 5;
    while (i < text.size() && !IsWordChar(text[i])) ++i;
    j = text.find_first_of("\"'", i);
    value = text.substr(i, j == std::string::npos ? std::string::npos : j - i);

    text.erase(0, std::min(text.size(), n + 5));
    return true;
}

MapquestForm ExtractMapquestForm(const std::vector<std::string>& lines) {
    std::string kept;
    bool inForm = false;
    for (const auto& line : lines) {
        if (inForm) {
            kept += line;
            kept += "\r\n";
            continue;
        }
        std::string norm = line;
        for (char& c : norm) {
            if (c == '\t') c = ' ';
            if (c == '\'') c = '"';
        }
        norm = LowerCaseAscii(norm);
        if (norm.find("<form name=\"frmmapsresult\"") != std::string::npos) {
            kept += norm;
            kept += "\r\n";
            inForm = true;
        }
    }
    MapquestForm form;
    std::string name, value;
    while (ReadInputFields(kept, name, value)) {
        std::string key = LowerCaseAscii(name);
        if (key == "sessionid") form.sessionid = value;
        else if (key == "mapurl") form.mapurl = value;
        else if (key == "hdnmapurl") form.hdnmapurl = value;
    }
    return form;
}

std::string ExtractLastHttpLine(const std::vector<std::string>& lines) {
    std::string url;
    for (const auto& line : lines) {
        auto at = line.find("http");
        if (at != std::string::npos) url = line.substr(at);
    }
    return TrimRightCtl(url);
}

// ---- Services -------------------------------------------------------------------

void getMap_Multimap(const std::string& base, double lat, double lon, MapFetchContext& ctx) {
    Protocol(ctx, "Lade Karte (MultiMap)...");
    const std::string root = Root(MapServiceHostsSetting().multimap);
    const std::string url = root + "/map/browse.cgi?lat=" + Coord8(lat) + "&lon=" + Coord8(lon) +
                            "&scale=" + MapScale(ctx.zoomStep) + "&icon=x";
    const std::string tmp = ctx.workDir + "map.tmp";
    // A stale answer of an earlier cache must never be read for this one.
    RemoveFile(tmp);
    if (!Fetch(ctx, url, tmp)) return;
    std::vector<std::string> lines;
    if (!ReadLines(tmp, lines)) {
        Protocol(ctx, ReadErrorText(tmp));
        return;
    }
    std::string src = ExtractMultimapSrc(lines);
    if (src.empty()) {
        DebugLog("ERR: frmLoadHTML.getCacheMapToFile: could not find image tag in Multimap map.");
        return;
    }
    if (src[0] == '/' && (src.size() < 2 || src[1] != '/')) src = root + src;
    if (!StartsWithHttp(src)) {
        Protocol(ctx, "Keine Kartenadresse gefunden");
        return;
    }
    if (ctx.subtask) ctx.subtask("Lade Multimap-Image");
    Protocol(ctx, "Lade Multimap-Detailkarte");
    const std::string dest = base + "_multimap.gif";
    if (Fetch(ctx, src, dest)) Protocol(ctx, "Geladen: " + dest);
}

void GetMapMappoint(const std::string& base, double lat, double lon, MapFetchContext& ctx) {
    Protocol(ctx, "Lade Karte (Expedia/MapPoint)...");
    const std::string lat8 = Coord8(lat), lon8 = Coord8(lon);
    // "|" is not allowed in a URL as it stands; the server decodes %7C.
    const std::string url = Root(MapServiceHostsSetting().mappoint) + "/pub/agent.dll?qscr=mrdt&CenP=" + lat8 + "," +
                            lon8 + "&Lang=EUR0407&Alti=" + MapAltitude(ctx.zoomStep) +
                            "&Size=" + MapPointSize(ctx.sizeIndex) + "&Offs=0.000000,0.000000&Pins=%7C" + lat8 + "," +
                            lon8 + "%7C4%7CCache%7C";
    DebugLog("INF: frmLoadHTML.getCacheMapToFile: Loading map: " + url);
    Protocol(ctx, "Lade MapPoint Detailkarte");
    Fetch(ctx, url, base + "_mappoint.gif");
}

void GetMapStadtplandienst(const std::string& base, double lat, double lon, MapFetchContext& ctx) {
    Protocol(ctx, "Lade Karte (Stadtplandienst)...");
    const std::string host = MapServiceHostsSetting().stadtplandienst;
    const std::string root = Root(host);
    std::string localSid;
    std::string& sid = ctx.sessionId != nullptr ? *ctx.sessionId : localSid;
    if (sid.empty()) {
        Protocol(ctx, "Hole Session-ID von " + host);
        const std::string tmp = ctx.workDir + "sid.tmp";
        RemoveFile(tmp);
        std::vector<std::string> lines;
        bool read = Fetch(ctx, root + "/home.asp", tmp) && ReadLines(tmp, lines);
        if (read) sid = ExtractSid(lines);
        // An answer without an id would send every later request with an
        // empty one and fetch the start page again for every cache.
        if (!read || sid.empty()) {
            Protocol(ctx, "SID Lesefehler!");
            sid.clear();
            return;
        }
        Protocol(ctx, "SID extrahiert: " + sid);
    }
    // The service covers Germany only; absolute values keep the minute and
    // second texts free of signs elsewhere.
    std::string xd, xm, xs, yd, ym, ys;
    SplitDegMinSec(std::fabs(lon), xd, xm, xs);
    SplitDegMinSec(std::fabs(lat), yd, ym, ys);
    const int step = ClampMapZoom(2, ctx.zoomStep);
    const bool small = ctx.sizeIndex == 0;
    const std::string url = root + "/map.asp?search=coords&sid=" + UrlEncode(sid) + "&start.x=5" +
                            "&CoordXDeg=" + xd + "&CoordXMin=" + xm + "&CoordXSec=" + xs + "&CoordYDeg=" + yd +
                            "&CoordYMin=" + ym + "&CoordYSec=" + ys + "&grid=" + MapGrid(step) +
                            (small ? "&size=2x2" : "") + "&Abschicken=GO";
    const std::string tmp = ctx.workDir + "sdmap.tmp";
    RemoveFile(tmp);
    Protocol(ctx, "Lade Stadtplandienst Karte");
    if (!Fetch(ctx, url, tmp)) return;
    std::vector<std::string> lines;
    if (!ReadLines(tmp, lines)) return;
    const auto tiles = ExtractTileUrls(lines, small ? 4 : 9, root + "/");
    const char* ext = MapGridIsAerial(step) ? ".jpg" : ".png";
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        const std::string n = IntText(static_cast<int>(i + 1));
        Protocol(ctx, "Lade Kachel " + n);
        Fetch(ctx, tiles[i], base + "_sdk" + n + ext);
    }
}

void GetMapMapquest(const std::string& base, double lat, double lon, MapFetchContext& ctx) {
    const std::string host = MapServiceHostsSetting().mapquest;
    const std::string root = Root(host);
    Protocol(ctx, "Lade Karte von " + host + " (Mapquest)...");
    const std::string latText = GeneralCoordText(lat), lonText = GeneralCoordText(lon);
    const std::string tmp = ctx.workDir + "mqmap.tmp";
    const std::string url1 =
        root + "/mq/maps/latlong.do?latLongType=decimal&txtLatitude=" + latText + "&txtLongitude=" + lonText;
    RemoveFile(tmp);
    Protocol(ctx, W("Lade Mapquest Kartenübersicht"));
    std::vector<std::string> lines;
    MapquestForm form;
    if (Fetch(ctx, url1, tmp) && ReadLines(tmp, lines)) form = ExtractMapquestForm(lines);
    if (!form.complete()) {
        Protocol(ctx, "Parameterfehler beim Laden der Mapquest-Karte");
        return;
    }
    const auto& zoomItems = MapZoomItems(3);
    const std::string zoom = zoomItems[static_cast<std::size_t>(ClampMapZoom(3, ctx.zoomStep))];
    const std::string url2 = root + "/mq/maps/zoomMap.do?mapRefresh=true&hdnCurrentZoomLevel=" + zoom +
                             "&hdnCurrLongitude=" + lonText + "&hdnCurrLatitude=" + latText +
                             "&hdnOriginLatitude=" + latText + "&hdnOriginLongitude=" + lonText +
                             "&sessionid=" + UrlEncode(form.sessionid) + "&mapurl=" + UrlEncode(form.mapurl) +
                             "&hdnMapURL=" + UrlEncode(form.hdnmapurl) + "&hdnOriginalZoomLevel=5&region=EU";
    RemoveFile(tmp);
    Protocol(ctx, url2);
    Protocol(ctx, "Lade Mapquest Kartenadresse");
    lines.clear();
    if (!Fetch(ctx, url2, tmp) || !ReadLines(tmp, lines)) return;
    const std::string picture = ExtractLastHttpLine(lines);
    if (!StartsWithHttp(picture)) {
        Protocol(ctx, "Keine Kartenadresse gefunden");
        return;
    }
    Protocol(ctx, "Lade Mapquest Kartenimage");
    Fetch(ctx, picture, base + "_map.gif");
}

void getCacheMapToFile(const std::string& wp, int kind, MapFetchContext& ctx) {
    DebugLog("INF: frmLoadHTML.getCacheMapToFile: startproc");
    TCacheRec rec;
    if (!FindCacheByWaypoint(wp, rec)) {
        DebugLog("ERR: frmLoadHTML.getCacheMapToFile: cache not found (" + wp + ") - exiting unsuccessfully");
        return;
    }
    const std::string base = ctx.outDir + wp;
    switch (kind) {
    case 0: getMap_Multimap(base, rec.Lat, rec.Lon, ctx); break;
    case 1: GetMapMappoint(base, rec.Lat, rec.Lon, ctx); break;
    case 2: GetMapStadtplandienst(base, rec.Lat, rec.Lon, ctx); break;
    case 3: GetMapMapquest(base, rec.Lat, rec.Lon, ctx); break;
    default: break;
    }
}

}  // namespace tv
