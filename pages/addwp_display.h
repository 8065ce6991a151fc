#pragma once
// The rows of the additional-waypoint window: which points of
// "CacheWaypoints.bin" belong to a cache, with coordinates, distance from the
// cache, type icon, description and comment, and the window's texts.
#include <string>
#include <string_view>
#include <vector>

#include "core/addwp_db.h"
#include "core/cache_rec.h"

namespace tv {

struct AddWPRow {
    std::string caption;   // the point's own id
    int imageIndex = 5;
    std::string coord;     // FormatCoord, or "unbekannt"
    std::string offset;    // "0,3 km" from the cache, or "-"
    std::string type;      // the type text as stored
    std::string name;      // description
    std::string comment;
};

// One row. Coordinates and offset are given when the point lies in -90..90 /
// -180..180, is not exactly 0, 0 and its distance from the cache computes.
AddWPRow MakeAddWPRow(const TCacheRec& cache, const TAddWPRec& point);
// One row per point, in list order.
std::vector<AddWPRow> AddWaypointRows(const TCacheRec& cache, const TAddWPList& points);

// What the window shows after "Zeigen".
struct AddWPDisplay {
    std::string cacheWP;       // the entered code upper-cased
    std::string cacheName;     // the cache's name, or the not-in-database text
    std::string coord;         // the cache's coordinates, "" when unknown
    std::string groupCaption;  // caption of the list's group box
    bool listVisible = false;
    std::vector<AddWPRow> rows;
};

// For the code entered (not empty): looks the cache up in the database and
// puts copies of its points from `all` (exact cache code) into `shown`
// (emptied first). Texts: "Cache ist nicht in der Datenbank verzeichnet";
// "Keine zusätzlichen Wegpunkte zu diesem Cache hinterlegt."; "Folgende n
// zusätzlichen Wegpunkte sind hinterlegt". When the cache is unknown the
// group caption is left empty (the window keeps its caption).
AddWPDisplay ShowAddWaypointsFor(std::string_view enteredCode, const TAddWPList& all, TAddWPList& shown);

}  // namespace tv
