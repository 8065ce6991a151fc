#pragma once
// Overlay for the Top50 map program (".ovl"): one bitmap symbol per cache,
// optionally followed by one text symbol per cache with its code.
#include "exchange/export_formats.h"

namespace tv {

int WriteTop50(const ExportList& list, const OvlOptions& o, const ExportContext& ctx, LineSink& sink);

// The overlay bitmap of a type text ("trad.bmp" for anything unknown).
std::string CacheTypeBitmap(std::string_view type);
// The number in its shortest form with up to 15 significant digits, always
// without exponent, cut (not rounded) to 11 characters.
std::string OvlCoordText(double v);

}  // namespace tv
