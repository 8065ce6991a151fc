// Additional-waypoint GPX text as the import reads it from its memo.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "exchange/add_wp_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = tv::ParseAddWaypoints(text);
    if (parsed.ok())
        for (const tv::TAddWPRec& rec : parsed->records)
            if (rec.CacheCode.size() > 16 || rec.Comment.size() > 250) __builtin_trap();
    tv::CountLinesContaining(text, "</wpt>");
    return 0;
}
