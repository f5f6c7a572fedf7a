// Images wider or taller than the readers take (16384 pixels a side, 8192 for TGA) are
// refused before anything is allocated for them, each with a log line that says so.
#include <gtest/gtest.h>

#include "tests/support/codec_file_builders.h"
#include "tests/support/temp_log.h"

namespace {

using imagetest::Bytes;
using imagetest::ReadWith;

struct Refusal {
    const char* name;
    orvik::ImageReader reader;
    Bytes file;
    const char* logged;
};

TEST(ImageSizeLimitTest, EachReaderRefusesOneMoreThanItsLimitWithALogLine) {
    imagetest::BmpSpec bmp;
    bmp.width = 16385;
    bmp.height = -1;
    imagetest::TgaSpec tga;
    tga.width = 8193;
    tga.height = 1;
    imagetest::DdsSpec dds;
    dds.height = 16388;
    imagetest::PngSpec png;
    png.colourType = PNG_COLOR_TYPE_GRAY;
    png.width = 16385;
    png.height = 1;
    png.rows.assign(16385, 0);
    Bytes bgra;
    imagetest::PutText(bgra, "BGRA");
    imagetest::Put32(bgra, 0x08080808);
    imagetest::Put32(bgra, 1);
    imagetest::Put32(bgra, 16385);
    const Refusal cases[] = {
        {"BMP", orvik::ReadBmpImage, imagetest::MakeBmp(bmp), "ＢＭＰファイルの画像が大きすぎます(16385 x 1)"},
        {"TGA", orvik::ReadTgaImage, imagetest::MakeTga(tga), "ＴＧＡファイルの画像が大きすぎます(8193 x 1)"},
        {"DDS", orvik::ReadDdsImage, imagetest::MakeDds(dds), "ＤＤＳファイルの画像が大きすぎます(4 x 16388)"},
        {"JPEG", orvik::ReadJpegImage, imagetest::MakeJpeg(1, 16385, 1, Bytes(16385, 0)),
         "ＪＰＥＧファイルの画像が大きすぎます"},
        {"PNG", orvik::ReadPngImage, imagetest::MakePng(png), "ＰＮＧファイルの読み込みに失敗しました"},
        {"BGRA", orvik::ReadBgraImage, bgra, "ＢＧＲＡファイルの大きさが不正です(1 x 16385)"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.name);
        orvik_test::TempLog log;
        auto r = ReadWith(c.reader, c.file);
        EXPECT_NE(r->code, 0);
        EXPECT_EQ(r->image.pixels, nullptr);
        EXPECT_NE(log.Read().find(c.logged), std::string::npos) << log.Read();
    }
}

TEST(ImageSizeLimitTest, TheLimitItselfIsRead) {
    imagetest::BmpSpec bmp;
    bmp.width = 16384;
    bmp.height = -1;
    bmp.pixels.assign(16384 * 3, 7);
    auto r = ReadWith(orvik::ReadBmpImage, imagetest::MakeBmp(bmp));
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->image.width, 16384);
    EXPECT_EQ(r->At(16383, 0), 0x00070707u);
}

}  // namespace
