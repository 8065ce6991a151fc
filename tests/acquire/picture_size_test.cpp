#include "acquire/picture_size.h"

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>
#include <gif_lib.h>
#include <jpeglib.h>

#include "support/temp_dir.h"

namespace {

using tv::PictureKind;

std::string EncodeJpeg(int w, int h) {
    jpeg_compress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = 1;
    c.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_start_compress(&c, TRUE);
    std::string row(static_cast<std::size_t>(w), '\x80');
    while (c.next_scanline < c.image_height) {
        JSAMPROW r = reinterpret_cast<JSAMPROW>(row.data());
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    std::string bytes(reinterpret_cast<char*>(out), size);
    jpeg_destroy_compress(&c);
    std::free(out);
    return bytes;
}

int GifWrite(GifFileType* g, const GifByteType* b, int n) {
    static_cast<std::string*>(g->UserData)->append(reinterpret_cast<const char*>(b), static_cast<std::size_t>(n));
    return n;
}

std::string EncodeGif(int w, int h) {
    std::string buf;
    int err = 0;
    GifFileType* g = EGifOpen(&buf, GifWrite, &err);
    GifColorType cols[2] = {{0, 0, 0}, {255, 255, 255}};
    ColorMapObject* cm = GifMakeMapObject(2, cols);
    EGifPutScreenDesc(g, w, h, 1, 0, cm);
    EGifPutImageDesc(g, 0, 0, w, h, false, nullptr);
    std::string line(static_cast<std::size_t>(w), '\x01');
    for (int y = 0; y < h; ++y) EGifPutLine(g, reinterpret_cast<GifPixelType*>(line.data()), w);
    EGifCloseFile(g, &err);
    GifFreeMapObject(cm);
    return buf;
}

TEST(PictureSize, FixtureFilesOfEveryKind) {
    struct Case {
        const char* file;
        int w, h;
        const char* ext;
    } cases[] = {{"5x3.jpg", 5, 3, "jpg"}, {"4x2.gif", 4, 2, "gif"}, {"7x6.png", 7, 6, "png"}, {"3x2.bmp", 3, 2, "bmp"}};
    for (const auto& c : cases) {
        auto path = tvtest::Fixture(std::string("picture_size/") + c.file).string();
        auto s = tv::PictureFileSize(path);
        ASSERT_TRUE(s.has_value()) << c.file;
        EXPECT_EQ(s->width, c.w) << c.file;
        EXPECT_EQ(s->height, c.h) << c.file;
        EXPECT_STREQ(tv::PictureExtension(tv::DetectPictureKind(tvtest::ReadFileBytes(path))), c.ext);
    }
    EXPECT_FALSE(tv::PictureFileSize(tvtest::Fixture("picture_size/missing.jpg").string()).has_value());
}

TEST(PictureSize, DamagedDataGivesNoSize) {
    // A JPEG cut inside its frame header has no size; cut after it, the
    // header is still readable. Never a crash at any length.
    auto jpg = EncodeJpeg(33, 44);
    for (std::size_t n = 0; n < jpg.size(); ++n) {
        auto s = tv::JpegSize(std::string_view(jpg).substr(0, n));
        if (s) {
            EXPECT_EQ(s->width, 33);
            EXPECT_EQ(s->height, 44);
        }
    }
    EXPECT_FALSE(tv::JpegSize(std::string_view(jpg).substr(0, 20)).has_value());
    EXPECT_FALSE(tv::PictureFileSize(tvtest::Fixture("picture_size/truncated.jpg").string()).has_value());

    auto gif = EncodeGif(8, 9);
    for (std::size_t n = 0; n < 13; ++n) EXPECT_FALSE(tv::GifSize(std::string_view(gif).substr(0, n)).has_value());
    EXPECT_TRUE(tv::GifSize(std::string_view(gif).substr(0, 13 + 6)).has_value());  // with its 2-colour table

    std::string zeroGif = gif;
    zeroGif[6] = zeroGif[7] = '\0';  // width 0
    EXPECT_FALSE(tv::GifSize(zeroGif).has_value());

    std::string png = tvtest::ReadFileBytes(tvtest::Fixture("picture_size/7x6.png"));
    std::string hugePng = png;
    hugePng[16] = '\x7F';  // width 2^30 and more: not a plausible picture
    EXPECT_FALSE(tv::PngSize(hugePng).has_value());
    std::string notIhdr = png;
    notIhdr[12] = 'X';
    EXPECT_FALSE(tv::PngSize(notIhdr).has_value());
    EXPECT_FALSE(tv::PngSize(png.substr(0, 23)).has_value());

    for (const char* junk : {"", "B", "BM", "GIF89a", "\xFF\xD8\xFF", "<html>not a picture</html>"})
        EXPECT_FALSE(tv::PictureSizeOf(junk).has_value()) << junk;
}

}  // namespace
