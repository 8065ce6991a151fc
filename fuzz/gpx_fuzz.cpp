// Arbitrary bytes as a pocket-query GPX file: the byte repair (whole and in
// small pieces, which must agree), the reader, the cache record and the page
// of every waypoint. The page must stay plain ASCII. The import's first pass
// over the same bytes counts every entry it read exactly once.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/proc_settings.h"
#include "exchange/gpx_cache_reader.h"
#include "exchange/gpx_import.h"
#include "exchange/gpx_page.h"
#include "fuzz/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    tv::GpxByteFilter whole, pieces;
    std::string a, b;
    whole.Feed(bytes, a);
    whole.Finish(a);
    for (std::size_t i = 0; i < bytes.size(); i += 7) pieces.Feed(bytes.substr(i, 7), b);
    pieces.Finish(b);
    if (a != b) __builtin_trap();

    (void)tv::ReadGpxBytes(bytes, [](tv::GpxCacheWpt&& w) {
        (void)tv::MakeImportRecord(w, tv::LatLon{48.0, 9.0}, [](std::string_view) { return 0; });
        const std::string page = tv::GpxPageText(w, "GC1", tv::ListingSite{});
        for (unsigned char c : page)
            if (c >= 0x80) __builtin_trap();
        return true;
    });

    const std::string file = tvfuzz::WorkDir() + "pq.gpx";
    tvfuzz::WriteFile(file, bytes);
    tv::ProcSettings.WorkDir = tvfuzz::WorkDir();
    tv::GpxImportSession session(tv::GpxImportParams{file, tv::LatLon{48.0, 9.0}, [](std::string_view) { return 0; }});
    const tv::GpxPass1Result& r = session.pass1();
    if (!r.error && r.added + r.changed + r.same + r.skipped + r.refused.count() + r.duplicates + r.plainWaypoints !=
                        r.definitions)
        __builtin_trap();
    return 0;
}
