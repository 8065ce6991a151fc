// Arbitrary bytes as a stored picture list "<WP>.meta": the reader keeps at
// most the table's number of pictures and never invents sizes, and the
// picture tables built from them stay within the bytes they were given.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/file_procs.h"
#include "pages/description_data.h"
#include "pages/description_html.h"

namespace {
void Check(bool ok) {
    if (!ok) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto images = tv::ParseMetaLines(tv::SplitTextLines(bytes));
    Check(images.size() <= static_cast<std::size_t>(tv::kMaxDescrImages));
    for (const auto& image : images) {
        Check(image.Width == 0 && image.Height == 0);
        Check(image.FileName.size() <= size && image.Caption.size() <= size && image.Description.size() <= size);
    }
    (void)tv::BuildCacheImagesHTML(images, 640, false);
    (void)tv::BuildCacheImagesHTML(images, 640, true);
    return 0;
}
