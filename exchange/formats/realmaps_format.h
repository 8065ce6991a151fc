#pragma once
// Psion RealMaps overlay text (".txt"): latitude TAB longitude TAB info, with
// a decimal comma.
#include "exchange/export_formats.h"

namespace tv {

// `info`: 0 the name, 1 the code, 2 code and name.
int WriteRealMaps(const ExportList& list, int info, LineSink& sink);

}  // namespace tv
