// Arbitrary bytes as Caches.bin, Caches.idx and national list lines.
// Input: u16 LE length of the Caches.bin part, u16 LE length of the
// Caches.idx part, the two parts, then list lines (LF-separated).
// Checks: no crash; decoding is stable under re-encoding; parsed lines survive
// a record round trip; after an index rebuild every stored code is found.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/cache_db.h"
#include "core/proc_settings.h"
#include "fuzz/fuzz_files.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

template <typename Rec, typename Dec, typename Enc>
void CheckStable(std::string_view bytes, Dec decode, Enc encode) {
    const auto recs = decode(bytes);
    Check(recs.size() == bytes.size() / Rec::kSize);
    // Bytes, not values: a NaN read from a file never equals itself.
    const std::string once = encode(recs);
    Check(encode(decode(once)) == once);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    if (in.size() < 4) return 0;
    const std::size_t binLen = std::min<std::size_t>(data[0] | (data[1] << 8), in.size() - 4);
    const std::size_t idxLen = std::min<std::size_t>(data[2] | (data[3] << 8), in.size() - 4 - binLen);
    const std::string_view bin = in.substr(4, binLen);
    const std::string_view idx = in.substr(4 + binLen, idxLen);
    const std::string_view lines = in.substr(4 + binLen + idxLen);

    // Record decoding of arbitrary bytes.
    CheckStable<tv::TCacheRec>(bin, tv::DecodeCacheRecs, tv::EncodeCacheRecs);
    CheckStable<tv::TFoundRec>(in, tv::DecodeFoundRecs, tv::EncodeFoundRecs);
    CheckStable<tv::TAddWPRec>(in, tv::DecodeAddWPRecs, tv::EncodeAddWPRecs);

    // National list lines.
    std::size_t start = 0;
    while (start <= lines.size()) {
        std::size_t end = lines.find('\n', start);
        if (end == std::string_view::npos) end = lines.size();
        tv::TCacheRec rec;
        const int rc = tv::ParseCacheDBLine(lines.substr(start, end - start), rec);
        Check(rc >= -1 && rc <= 1);
        if (rc >= 0) {
            Check(!rec.Waypoint.empty());
            Check(tv::DecodeCacheRec(tv::EncodeCacheRec(rec).data()) == rec);
        }
        start = end + 1;
    }

    // The database files.
    tv::ProcSettings.WorkDir = tvfuzz::WorkDir();
    tvfuzz::WriteFile(tvfuzz::WorkDir() + "Caches.bin", bin);
    tvfuzz::WriteFile(tvfuzz::WorkDir() + "Caches.idx", idx);
    tv::CacheIndexList.Clear();
    const auto recs = tv::DecodeCacheRecs(bin);
    tv::TCacheRec found;
    for (const auto& r : recs) tv::FindCacheByWaypoint(r.Waypoint.view(), found);  // any index, no crash
    Check(tv::BuildCacheIndex() == 0);
    for (const auto& r : recs) {
        if (r.Waypoint.empty()) continue;
        Check(tv::FindCacheByWaypoint(r.Waypoint.view(), found));
        Check(*tv::MakeCacheKey(found.Waypoint.view()) == *tv::MakeCacheKey(r.Waypoint.view()));
        Check(found.RecNo >= 0 && static_cast<std::size_t>(found.RecNo) < recs.size());
    }
    Check(tv::ReadCacheDB() && tv::CacheDBList->Count() == static_cast<int>(recs.size()));
    tv::FreeCacheDB();
    return 0;
}
