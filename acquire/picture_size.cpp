#include "acquire/picture_size.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>

#include <gif_lib.h>
#include <jpeglib.h>

#include "core/file_procs.h"
#include "core/fs_name.h"

namespace tv {

namespace {

constexpr int kMaxSide = 1 << 20;  // larger sides are taken as damaged headers

std::optional<PictureSize> Checked(long long w, long long h) {
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return std::nullopt;
    return PictureSize{static_cast<int>(w), static_cast<int>(h)};
}

std::uint32_t Be32(const unsigned char* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}
std::uint32_t Le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// libjpeg reports fatal errors through error_exit, which must not return;
// we jump back out of the library instead of letting it end the program.
struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void JpegErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void JpegSilent(j_common_ptr) {}

// Kept free of objects with destructors: longjmp skips them.
bool ReadJpegHeader(const unsigned char* data, unsigned long size, int* w, int* h) {
    jpeg_decompress_struct cinfo;
    JpegErrorManager err;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = JpegErrorExit;
    err.pub.output_message = JpegSilent;
    if (setjmp(err.jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, size);
    int rc = jpeg_read_header(&cinfo, TRUE);
    bool ok = rc == JPEG_HEADER_OK;
    if (ok) {
        *w = static_cast<int>(cinfo.image_width);
        *h = static_cast<int>(cinfo.image_height);
    }
    jpeg_destroy_decompress(&cinfo);
    return ok;
}

struct GifReader {
    const unsigned char* data;
    std::size_t size;
    std::size_t pos;
};

int GifRead(GifFileType* gif, GifByteType* buf, int len) {
    auto* r = static_cast<GifReader*>(gif->UserData);
    if (len <= 0) return 0;
    std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(len), r->size - r->pos);
    std::memcpy(buf, r->data + r->pos, n);
    r->pos += n;
    return static_cast<int>(n);
}

}  // namespace

PictureKind DetectPictureKind(std::string_view b) {
    auto u = [&](std::size_t i) { return static_cast<unsigned char>(b[i]); };
    if (b.size() >= 3 && u(0) == 0xFF && u(1) == 0xD8 && u(2) == 0xFF) return PictureKind::Jpeg;
    if (b.size() >= 6 && (b.substr(0, 6) == "GIF87a" || b.substr(0, 6) == "GIF89a")) return PictureKind::Gif;
    if (b.size() >= 8 && b.substr(0, 8) == std::string_view("\x89PNG\r\n\x1A\n", 8)) return PictureKind::Png;
    if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M') return PictureKind::Bmp;
    return PictureKind::Unknown;
}

const char* PictureExtension(PictureKind kind) {
    switch (kind) {
    case PictureKind::Jpeg: return "jpg";
    case PictureKind::Gif: return "gif";
    case PictureKind::Png: return "png";
    case PictureKind::Bmp: return "bmp";
    default: return "";
    }
}

std::optional<PictureSize> JpegSize(std::string_view bytes) {
    if (DetectPictureKind(bytes) != PictureKind::Jpeg) return std::nullopt;
    int w = 0, h = 0;
    if (!ReadJpegHeader(reinterpret_cast<const unsigned char*>(bytes.data()),
                        static_cast<unsigned long>(bytes.size()), &w, &h))
        return std::nullopt;
    return Checked(w, h);
}

std::optional<PictureSize> GifSize(std::string_view bytes) {
    if (DetectPictureKind(bytes) != PictureKind::Gif) return std::nullopt;
    GifReader reader{reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, GifRead, &error);
    if (gif == nullptr) return std::nullopt;
    long long w = gif->SWidth, h = gif->SHeight;
    DGifCloseFile(gif, &error);
    return Checked(w, h);
}

std::optional<PictureSize> PngSize(std::string_view bytes) {
    if (DetectPictureKind(bytes) != PictureKind::Png || bytes.size() < 24) return std::nullopt;
    auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    if (Be32(p + 8) != 13 || std::memcmp(p + 12, "IHDR", 4) != 0) return std::nullopt;
    return Checked(Be32(p + 16), Be32(p + 20));
}

std::optional<PictureSize> BmpSize(std::string_view bytes) {
    if (DetectPictureKind(bytes) != PictureKind::Bmp || bytes.size() < 26) return std::nullopt;
    auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::uint32_t header = Le32(p + 14);
    if (header == 12) return Checked(Le16(p + 18), Le16(p + 20));
    if (header < 40) return std::nullopt;
    auto w = static_cast<std::int32_t>(Le32(p + 18));
    auto h = static_cast<std::int32_t>(Le32(p + 22));
    long long hh = h < 0 ? -static_cast<long long>(h) : h;
    return Checked(w, hh);
}

std::optional<PictureSize> PictureSizeOf(std::string_view bytes) {
    switch (DetectPictureKind(bytes)) {
    case PictureKind::Jpeg: return JpegSize(bytes);
    case PictureKind::Gif: return GifSize(bytes);
    case PictureKind::Png: return PngSize(bytes);
    case PictureKind::Bmp: return BmpSize(bytes);
    default: return std::nullopt;
    }
}

std::optional<PictureSize> PictureFileSize(const std::string& path) {
    auto in = OpenProgramFile(path);
    if (!in) return std::nullopt;
    constexpr long long kLimit = 64LL * 1024 * 1024;
    std::string bytes(static_cast<std::size_t>(std::min(in->size, kLimit)), '\0');
    const long long got = ReadUpTo(in->fd.get(), bytes.data(), bytes.size());
    if (got < 0) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(got));
    return PictureSizeOf(bytes);
}

}  // namespace tv
