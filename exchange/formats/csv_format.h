#pragma once
// Semicolon-separated table for spreadsheets (".csv") with the columns the
// user ticked, a decimal comma or point and the distance from a chosen home.
#include "exchange/export_formats.h"

namespace tv {

int WriteCsv(const ExportList& list, const CsvOptions& o, const ExportContext& ctx, LineSink& sink);

// Degrees, minutes and seconds packed as GGMMSS.ss (seconds cut to two
// decimals), negative for south and west: 49.515625 -> 493056.25.
double Merkator(double v);

}  // namespace tv
