#include "core/addwp_db.h"

#include <array>
#include <cerrno>
#include <unordered_map>

#include "core/cache_db.h"
#include "core/coords.h"
#include "core/file_procs.h"
#include "core/fs_name.h"
#include "core/number_format.h"
#include "core/proc_settings.h"
#include "core/str_util.h"

namespace tv {

namespace {

// Text for an HTML text node (the same is safe inside quoted attributes).
void AppendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
}

}  // namespace

std::string AddWaypointsPath() { return GetWorkDir() + kAddWaypointsFileName; }

int LoadAddWaypoints(TAddWPList& list, const std::string& file, int* error) {
    int added = 0;
    const int code = ForEachRecordOf(file, TAddWPRec::kSize, [&](const unsigned char* raw, long long) {
        const TAddWPRec rec = DecodeAddWPRec(raw);
        list.AddWP(rec.Id.view(), rec);
        ++added;
        return true;
    });
    if (error) *error = code;
    return added;
}

int LoadAddWaypoints(TAddWPList& list, int* error) {
    return LoadAddWaypoints(list, ResolveFileNoCase(GetWorkDir(), kAddWaypointsFileName), error);
}

bool SaveAddWaypoints(const TAddWPList& list, const std::string& file) {
    AtomicFileWriter out(file);
    std::string chunk;
    constexpr std::size_t kChunkRecords = 256;
    chunk.reserve(kChunkRecords * TAddWPRec::kSize);
    AddWPRecBytes bytes{};
    for (const auto& entry : list) {
        EncodeAddWPRec(entry.rec, bytes.data());
        chunk.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        if (chunk.size() >= kChunkRecords * TAddWPRec::kSize) {
            if (!out.Write(chunk)) break;
            chunk.clear();
        }
    }
    out.Write(chunk);
    return out.Commit();
}

bool SaveAddWaypoints(const TAddWPList& list) { return SaveAddWaypoints(list, AddWaypointsPath()); }

int MergeAddWaypoints(TAddWPList& target, const TAddWPList& source) {
    // Own ids compare exactly; the first record of an id is the one replaced.
    std::unordered_map<std::string, int> index;
    index.reserve(static_cast<std::size_t>(target.Count() + source.Count()));
    for (int i = 0; i < target.Count(); ++i) index.emplace(target.At(i).Id.str(), i);
    int added = 0;
    for (const auto& entry : source) {
        const std::string id = entry.rec.Id.str();
        auto it = index.find(id);
        if (it != index.end()) {
            target.PutWP(it->second, entry.rec);
        } else {
            index.emplace(id, target.AddWP(id, entry.rec));
            ++added;
        }
    }
    return added;
}

namespace {

struct WaypointTypeRow {
    std::string_view type;  // upper case
    std::string_view label;
};
// In icon order; a type not listed has the index after the last row.
constexpr std::array<WaypointTypeRow, kAddWPImageCount - 1> kWaypointTypes = {{{"TRAILHEAD", "Start"},
                                                                               {"FINAL LOCATION", "Finale"},
                                                                               {"PARKING AREA", "Parken"},
                                                                               {"QUESTION TO ANSWER", "Frage"},
                                                                               {"STAGES OF A MULTICACHE", "Stage"}}};

}  // namespace

bool HasUsableCoords(const TAddWPRec& point) {
    return point.Lat >= -90.0 && point.Lat <= 90.0 && point.Lon >= -180.0 && point.Lon <= 180.0 &&
           !(point.Lat == 0.0 && point.Lon == 0.0);
}

int AddWPTypeToImageIndex(std::string_view typeText) {
    const std::string upper = UpperCaseAscii(typeText);
    for (std::size_t i = 0; i < kWaypointTypes.size(); ++i)
        if (upper == kWaypointTypes[i].type) return static_cast<int>(i);
    return static_cast<int>(kWaypointTypes.size());
}

std::string WaypointTypeLabel(std::string_view typeText) {
    const auto i = static_cast<std::size_t>(AddWPTypeToImageIndex(typeText));
    return std::string(i < kWaypointTypes.size() ? kWaypointTypes[i].label : "Ref.Pkt.");
}

std::string BuildAddWaypointsHTMLFrom(const TCacheRec& cache, const TAddWPList& all) {
    const auto points = all.SelectForCache(cache.Waypoint.view());
    if (!points || points->empty()) return {};
    std::string html =
        "Zus&auml;tzliche Wegpunkte f&uuml;r diesen Cache:<br>"
        "<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\">"
        "<tr bgcolor=\"#E0E0E0\"><td>Waypoint</td><td>Koordinaten</td><td>Offset</td><td>Art</td>"
        "<td>Beschreibung / Kommentar</td></tr>\r\n";
    for (const auto& entry : *points) {
        const TAddWPRec& wp = entry.rec;
        html += "<tr><td>";
        AppendEscaped(html, wp.Id.view());
        html += "</td>";
        double km = 0.0, bearing = 0.0;
        if (HasUsableCoords(wp) && CalcDistanceBearing(km, bearing, wp.Lat, wp.Lon, cache.Lat, cache.Lon)) {
            html += "<td>" + FormatCoord(wp.Lat, wp.Lon) + "</td><td>" + FormatFixed(km, 8, 1, ',') + " km</td>";
        } else {
            html += "<td>?</td><td>?</td>";
        }
        html += "<td>" + WaypointTypeLabel(wp.WPType.view()) + "</td><td>";
        AppendEscaped(html, wp.Description.view());
        if (!wp.Comment.empty()) {
            html += "<br>";
            AppendEscaped(html, wp.Comment.view());
        }
        html += "</td></tr>\r\n";
    }
    html += "</table>";
    return html;
}

void BuildAddWaypointsHTML(std::string_view cacheCode, const TAddWPList& all, std::string& html) {
    html.clear();
    TCacheRec cache;
    if (cacheCode.empty() || !FindCacheByWaypoint(cacheCode, cache)) return;
    // The lookup ignores case; the points belong to the code as given.
    cache.Waypoint = cacheCode;
    html = BuildAddWaypointsHTMLFrom(cache, all);
}

void BuildAddWaypointsHTML(std::string_view cacheCode, std::string& html) {
    html.clear();
    TCacheRec cache;
    if (cacheCode.empty() || !FindCacheByWaypoint(cacheCode, cache)) return;
    TAddWPList all;
    LoadAddWaypoints(all);
    cache.Waypoint = cacheCode;
    html = BuildAddWaypointsHTMLFrom(cache, all);
}

}  // namespace tv
