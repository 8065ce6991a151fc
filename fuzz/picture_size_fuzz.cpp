// Arbitrary bytes through every picture measurer: no crash, no leak, and a
// size, when one is found, is positive.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "acquire/picture_size.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (auto s : {tv::JpegSize(bytes), tv::GifSize(bytes), tv::PngSize(bytes), tv::BmpSize(bytes),
                   tv::PictureSizeOf(bytes)}) {
        if (s && (s->width <= 0 || s->height <= 0)) std::abort();
    }
    return 0;
}
