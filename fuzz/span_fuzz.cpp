// Arbitrary bytes as a stored listing page: every section is cut and cleaned
// by its id; the id is also tried as each known id so that every cleaning
// rule sees hostile text, and picture links, flattening, travel bugs and log
// dates run on what comes out.
#include <cstddef>
#include <cstdint>
#include <string>

#include "acquire/span_parser.h"

namespace {
constexpr const char* kIds[] = {"CacheName", "LnkDetails",      "ErrorText",        "CacheOwner",
                                "LatLon",    "UTMFormat",       "DateHidden",       "Difficulty",
                                "Terrain",   "LongDescription", "ShortDescription", "Hints\" class=\"displayMe",
                                "Images",    "NumVisits",       "CacheLogs",        "lnkTravelBugs"};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string page(reinterpret_cast<const char*>(data), size);
    tv::LogCounts counts;
    tv::SpanReader reader(page);
    std::string id, text;
    int sections = 0;
    while (reader.Next(id, text)) {
        if (++sections > 100000) __builtin_trap();  // the walk must end
        std::string cleaned = text;
        if (tv::ParseCacheSection(id, cleaned, "127.0.0.1:8089", counts)) {
            if (id == "Images" || id == "IMAGES") {
                tv::ImageLinkReader links(cleaned, "127.0.0.1:8090");
                std::string url, title, caption;
                int n = 0;
                while (links.Next(url, title, caption))
                    if (++n > 1000000) __builtin_trap();
            }
        }
    }
    // Every cleaning rule on the whole input, when it is small enough.
    if (size < 4096) {
        for (const char* known : kIds) {
            std::string kid = known, ktext = page;
            tv::ParseCacheSection(kid, ktext, "127.0.0.1:8089", counts);
        }
        std::string steps = page, sid, stext;
        for (int i = 0; i < 64 && tv::GetNextSpan(steps, sid, stext); ++i) {
        }
        std::string images = page, url, title, caption;
        for (int i = 0; i < 64 && tv::GetNextImageLink(images, url, title, caption, "127.0.0.1:8090"); ++i) {
        }
        std::string tagText = page, tag;
        tv::ExtractBalancedTag(size / 2, tagText, tag);
    }
    (void)tv::FlattenSectionHTML(page);
    (void)tv::ParseTravelBugs(page);
    (void)tv::ParseLogDate(
        page.substr(0, 64),
        std::chrono::year_month_day{std::chrono::year{2008}, std::chrono::month{2}, std::chrono::day{29}});
    return 0;
}
