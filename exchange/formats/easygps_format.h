#pragma once
// EasyGPS waypoint file (".loc"): a fixed XML block per cache with its
// code, name, coordinates and the address of its listing page.
#include "exchange/export_formats.h"

namespace tv {

int WriteEasyGps(const ExportList& list, const ExportContext& ctx, LineSink& sink);

}  // namespace tv
