// Arbitrary bytes as a stored listing page turned into a cache record, and
// as a coordinate text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "acquire/page_to_cache_rec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string page(reinterpret_cast<const char*>(data), size);
    const tv::TCacheRec rec = tv::ExtractCacheFromText(page, "GC12AB", [](std::string_view) { return 1; });
    (void)tv::SameCacheData(rec, rec);
    (void)tv::ParseLatLonText(page.substr(0, 256));
    (void)tv::IsCandidatePageName(page.substr(0, 64));
    return 0;
}
