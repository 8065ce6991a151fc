#pragma once
// GPX 1.1: the header lines of the settings, a metadata block with the
// bounds of everything written, the homes as waypoints and one waypoint per
// cache from the user's waypoint template. Every inserted text is UTF-8 and
// escaped, so the file stays well-formed whatever the names hold.
#include "exchange/export_formats.h"

namespace tv {

int WriteGpx(const ExportList& list, const GpxOptions& o, const ExportContext& ctx, LineSink& sink);

// The waypoint template filled for one cache (placeholders #WAYPOINT#,
// #CACHENAME#, #LAT#, #LON#, #CACHETYPE#, #CACHESIZE#, #DIFFTERR#,
// #COMPRESSEDCACHENAME#, #CACHETYPESHORT#, #CACHESIZESHORT#).
std::string GpxWaypointText(std::string_view tpl, const TCacheRec& rec);

}  // namespace tv
