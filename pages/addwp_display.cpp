#include "pages/addwp_display.h"

#include <cmath>
#include <memory>

#include "core/cache_db.h"
#include "core/coords.h"
#include "core/number_format.h"
#include "core/str_util.h"
#include "platform/text_encoding.h"

namespace tv {

AddWPRow MakeAddWPRow(const TCacheRec& cache, const TAddWPRec& point) {
    AddWPRow row;
    row.caption = point.Id.str();
    row.imageIndex = AddWPTypeToImageIndex(point.WPType.view());
    double km = 0.0, bearing = 0.0;
    if (HasUsableCoords(point) && CalcDistanceBearing(km, bearing, cache.Lat, cache.Lon, point.Lat, point.Lon)) {
        row.coord = FormatCoord(point.Lat, point.Lon);
        row.offset = FormatFixed(km, 8, 1, ',') + " km";
    } else {
        row.coord = "unbekannt";
        row.offset = "-";
    }
    row.type = point.WPType.str();
    row.name = point.Description.str();
    row.comment = point.Comment.str();
    return row;
}

std::vector<AddWPRow> AddWaypointRows(const TCacheRec& cache, const TAddWPList& points) {
    std::vector<AddWPRow> rows;
    rows.reserve(static_cast<size_t>(points.Count()));
    for (const auto& entry : points) rows.push_back(MakeAddWPRow(cache, entry.rec));
    return rows;
}

AddWPDisplay ShowAddWaypointsFor(std::string_view enteredCode, const TAddWPList& all, TAddWPList& shown) {
    AddWPDisplay d;
    shown.Clear();
    d.cacheWP = UpperCaseAscii(enteredCode);
    if (d.cacheWP.empty()) return d;
    TCacheRec cache;
    if (!FindCacheByWaypoint(d.cacheWP, cache)) {
        d.cacheName = W("Cache ist nicht in der Datenbank verzeichnet");
        return d;
    }
    d.coord = FormatCoord(cache.Lat, cache.Lon);
    d.cacheName = cache.Name.str();
    if (auto selected = all.SelectForCache(d.cacheWP))
        for (const auto& entry : *selected) shown.AddWP(entry.key, entry.rec);
    if (shown.empty()) {
        d.groupCaption = W("Keine zusätzlichen Wegpunkte zu diesem Cache hinterlegt.");
        return d;
    }
    d.groupCaption = "Folgende " + std::to_string(shown.Count()) + W(" zusätzlichen Wegpunkte sind hinterlegt");
    d.rows = AddWaypointRows(cache, shown);
    d.listVisible = true;
    return d;
}

}  // namespace tv
