// Arbitrary bytes as a pasted map link. Whatever is accepted is a position
// on the globe whose halves split cleanly, and the addresses built from it
// hold no blank or quote that could break out of the link.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/listing_site.h"
#include "geo/map_links.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)tv::IsMapServiceLink(text);
    const tv::MapLinkResult r = tv::ParseMapLink(text);
    Check(r.link.has_value() == (r.error == tv::MapLinkError::None));
    if (!r.link) return 0;
    Check(std::fabs(r.link->lat) <= 90.0 && std::fabs(r.link->lon) <= 180.0);
    Check(r.link->latText.find('&') == std::string::npos && r.link->lonText.find('&') == std::string::npos);
    const tv::DmHalves dm = tv::SplitDmForLink(r.link->lat, r.link->lon);
    Check(!dm.lat.empty() && (dm.lon.rfind("E ", 0) == 0 || dm.lon.rfind("W ", 0) == 0));
    for (const std::string& url : {tv::RadiusSearchUrl(tv::ListingSite{}, r.link->lat, r.link->lon),
                                   tv::BuildMapUrl(static_cast<float>(r.link->lat), static_cast<float>(r.link->lon),
                                                   static_cast<int>(size % 4), static_cast<int>(size % 3))})
        Check(url.find_first_of(" \"'<>") == std::string::npos);
    return 0;
}
