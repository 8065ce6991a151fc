// Reads arbitrary bytes with each of the three route readers: every point a
// reader hands out must read back as a coordinate, and nothing may crash or
// hang on hostile counts and texts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "geo/route_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (int format = 0; format < 3; ++format) {
        const tv::RouteReadResult r = tv::ReadRouteFile(format, bytes);
        for (const auto& p : r.points)
            if (!tv::ParseRoutePoint(p)) std::abort();
        if (!r.changesList && !r.points.empty()) std::abort();
        (void)tv::RouteReadErrorText(r, "x");
        (void)tv::BadRouteLinesText(r.badLines);
    }
    (void)tv::ParseDmsLine(bytes);
    return 0;
}
