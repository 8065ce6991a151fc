#pragma once
// Width and height of stored pictures (JPEG, GIF, PNG, BMP) without decoding
// the pixels. Every function takes arbitrary bytes: a damaged or foreign file
// gives std::nullopt, never a crash or an ended program.
#include <optional>
#include <string>
#include <string_view>

namespace tv {

struct PictureSize {
    int width = 0;
    int height = 0;
};

enum class PictureKind { Unknown, Jpeg, Gif, Png, Bmp };

// The kind by the first bytes of the content.
PictureKind DetectPictureKind(std::string_view bytes);
// "jpg", "gif", "png", "bmp" for a recognised kind, else "".
const char* PictureExtension(PictureKind kind);

// JPEG frame header through libjpeg-turbo.
std::optional<PictureSize> JpegSize(std::string_view bytes);
// GIF logical screen through giflib.
std::optional<PictureSize> GifSize(std::string_view bytes);
// PNG IHDR chunk.
std::optional<PictureSize> PngSize(std::string_view bytes);
// Windows bitmap header (the height of a top-down bitmap is given positive).
std::optional<PictureSize> BmpSize(std::string_view bytes);

// By content, whatever the file name says.
std::optional<PictureSize> PictureSizeOf(std::string_view bytes);
// Reads the file (at most 64 MiB) and measures it; std::nullopt when it
// cannot be read or is not a picture of a known kind.
std::optional<PictureSize> PictureFileSize(const std::string& path);

}  // namespace tv
