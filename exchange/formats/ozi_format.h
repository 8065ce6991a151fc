#pragma once
// OziExplorer waypoint file, version 1.1 (".wpt"): four header lines and 24
// comma-separated fields per cache.
#include "exchange/export_formats.h"

namespace tv {

int WriteOzi(const ExportList& list, const OziOptions& o, const ExportContext& ctx, LineSink& sink);

}  // namespace tv
