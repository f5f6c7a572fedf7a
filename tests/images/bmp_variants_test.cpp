// BMP files beyond the Windows info header: the two OS/2 headers, and JPEG or PNG files
// held as the pixel data. Damaged and lying headers are refused with a log line.
#include <gtest/gtest.h>

#include "tests/support/codec_file_builders.h"
#include "tests/support/temp_log.h"

namespace {

using imagetest::BmpSpec;
using imagetest::Bytes;
using imagetest::MakeBmp;
using imagetest::MakeCoreBmp;
using imagetest::ReadWith;

bool Logged(const orvik_test::TempLog& log, const char* text) {
    return log.Read().find(text) != std::string::npos;
}

TEST(BmpOs2Test, CoreHeaderReadsSixteenBitSizesAndThreeBytePalettes) {
    // 8 bits, 3 x 2, bottom-up: the stored first row is the image's last.
    const Bytes eight = MakeCoreBmp(3, 2, 8, {0x00112233, 0x00445566, 0x00778899},
                                    {2, 1, 0, 0, 0, 1, 2, 0});
    auto r = ReadWith(orvik::ReadBmpImage, eight);
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->image.width, 3);
    EXPECT_EQ(r->image.height, 2);
    EXPECT_EQ(r->image.format.bytesPerPixel, 1);
    EXPECT_EQ(r->Byte(0, 0), 0);
    EXPECT_EQ(r->Byte(2, 0), 2);
    EXPECT_EQ(r->Byte(0, 1), 2);
    const orvik::PaletteEntry* p = r->image.format.palette;
    EXPECT_EQ(p[1].red, 0x44);
    EXPECT_EQ(p[1].green, 0x55);
    EXPECT_EQ(p[1].blue, 0x66);
    EXPECT_EQ(p[2].red, 0x77);
    EXPECT_EQ(p[3].red, 0);  // cut short where the pixels begin

    // 1 bit: the 2-entry palette of 3-byte entries, converted to RGB.
    auto mono = ReadWith(orvik::ReadBmpImage,
                         MakeCoreBmp(2, 1, 1, {0x00000000, 0x00FF8040}, {0x80, 0, 0, 0}));
    ASSERT_EQ(mono->code, 0);
    EXPECT_EQ(mono->At(0, 0), 0x00FF8040u);
    EXPECT_EQ(mono->At(1, 0), 0u);

    // 24 bits: no palette at all.
    auto rgb = ReadWith(orvik::ReadBmpImage, MakeCoreBmp(1, 1, 24, {}, {0x30, 0x20, 0x10, 0}));
    ASSERT_EQ(rgb->code, 0);
    EXPECT_EQ(rgb->At(0, 0), 0x00102030u);
}

TEST(BmpOs2Test, Os2TwoHeadersOfSixtyFourAndSixteenBytes) {
    const BmpSpec full{.headerSize = 64, .width = 2, .height = 1, .bitCount = 8, .colorsUsed = 2,
                       .palette = {0x00000000, 0x00ABCDEF}, .pixels = {1, 0, 0, 0}};
    auto r = ReadWith(orvik::ReadBmpImage, MakeBmp(full));
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->Byte(0, 0), 1);
    EXPECT_EQ(r->image.format.palette[1].red, 0xAB);

    // Run-length data keeps the Windows codes 1 and 2.
    BmpSpec rle = full;
    rle.compression = 1;
    rle.pixels = {2, 1, 0, 1};
    auto runs = ReadWith(orvik::ReadBmpImage, MakeBmp(rle));
    ASSERT_EQ(runs->code, 0);
    EXPECT_EQ(runs->Byte(0, 0), 1);
    EXPECT_EQ(runs->Byte(1, 0), 1);

    // A header stopped after the bit count: no compression, all 2^bits palette entries.
    const BmpSpec shortHeader{
        .headerSize = 16, .width = 1, .height = 1, .bitCount = 24, .pixels = {3, 2, 1, 0}};
    auto s = ReadWith(orvik::ReadBmpImage, MakeBmp(shortHeader));
    ASSERT_EQ(s->code, 0);
    EXPECT_EQ(s->At(0, 0), 0x00010203u);
}

// OS/2's compression 4 is RLE24, not JPEG: a run repeats one blue-green-red pixel, an
// absolute stretch holds whole pixels padded to an even byte count, and the escapes are
// RLE8's.
TEST(BmpOs2Test, Rle24RunsAbsoluteStretchesAndEscapes) {
    const BmpSpec rle24{.headerSize = 64, .width = 4, .height = -3, .bitCount = 24, .compression = 4,
                        .pixels = {
                            3, 0x30, 0x20, 0x10,              // row 0: three of 0x102030
                            0, 0,                             // end of line
                            0, 3, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0,  // row 1: three pixels, one pad byte
                            0, 0,                             // end of line
                            0, 2, 2, 0,                       // row 2: move right by 2
                            9, 0xCC, 0xBB, 0xAA,              // a run clipped at the right edge
                            0, 1}};                           // end of image
    auto r = ReadWith(orvik::ReadBmpImage, MakeBmp(rle24));
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->image.format.bytesPerPixel, 3);
    EXPECT_EQ(r->At(0, 0), 0x00102030u);
    EXPECT_EQ(r->At(2, 0), 0x00102030u);
    EXPECT_EQ(r->At(3, 0), 0u);
    EXPECT_EQ(r->At(0, 1), 0x00030201u);
    EXPECT_EQ(r->At(2, 1), 0x00090807u);
    EXPECT_EQ(r->At(1, 2), 0u);
    EXPECT_EQ(r->At(2, 2), 0x00AABBCCu);
    EXPECT_EQ(r->At(3, 2), 0x00AABBCCu);

    // Cut inside a run's pixel or an absolute stretch: what came before stays, nothing more.
    BmpSpec cut = rle24;
    cut.pixels = {2, 0x30, 0x20, 0x10, 0, 3, 1, 2, 3, 4};
    auto c = ReadWith(orvik::ReadBmpImage, MakeBmp(cut));
    ASSERT_EQ(c->code, 0);
    EXPECT_EQ(c->At(1, 0), 0x00102030u);
    EXPECT_EQ(c->At(2, 0), 0u);
    cut.pixels = {2, 0x30, 0x20};
    ASSERT_EQ(ReadWith(orvik::ReadBmpImage, MakeBmp(cut))->code, 0);
    EXPECT_EQ(ReadWith(orvik::ReadBmpImage, MakeBmp(cut))->At(0, 0), 0u);
}

TEST(BmpOs2Test, WideHuffmanAndLyingHeadersAreRefusedWithALogLine) {
    orvik_test::TempLog log;
    // OS/2's compression 3 is Huffman 1D, not bit fields, and it codes 1-bit rows only.
    const BmpSpec huffman{.headerSize = 64, .width = 8, .height = 1, .bitCount = 8, .compression = 3,
                          .palette = {0, 0x00FFFFFF}, .pixels = {0x35, 0, 0, 0}};
    EXPECT_EQ(ReadWith(orvik::ReadBmpImage, MakeBmp(huffman))->code, -1);
    EXPECT_TRUE(Logged(log, "ＢＭＰファイルが壊れています(variant)"));
    // RLE24 is for 24-bit pixels only.
    BmpSpec rle24Of8 = huffman;
    rle24Of8.bitCount = 8;
    rle24Of8.compression = 4;
    EXPECT_EQ(ReadWith(orvik::ReadBmpImage, MakeBmp(rle24Of8))->code, -1);

    const Bytes good = MakeCoreBmp(2, 2, 24, {}, Bytes(16, 9));
    ASSERT_EQ(ReadWith(orvik::ReadBmpImage, good)->code, 0);
    Bytes zeroWidth = good;
    zeroWidth[18] = zeroWidth[19] = 0;
    Bytes tallLie = good;
    tallLie[20] = 0xFF;  // 255 rows claimed, 2 stored
    Bytes cutHeader(good.begin(), good.begin() + 20);
    Bytes cutPalette = MakeCoreBmp(2, 1, 8, {1, 2}, {});
    cutPalette.resize(14 + 12 + 4);
    Bytes oddSize = good;
    oddSize[14] = 13;  // neither the OS/2 1.x size nor 16 or more
    for (const Bytes* bad : {&zeroWidth, &tallLie, &cutHeader, &cutPalette, &oddSize}) {
        auto r = ReadWith(orvik::ReadBmpImage, *bad);
        EXPECT_EQ(r->code, -1);
        EXPECT_EQ(r->image.pixels, nullptr);
    }
    EXPECT_TRUE(Logged(log, "ＢＭＰファイルが壊れています"));
}

// A BMP holding a JPEG or PNG file: bit count 0, compression 4 or 5, the file as the data.
BmpSpec Holding(uint32_t compression, int width, int height, const Bytes& file) {
    return {.width = width, .height = height, .bitCount = 0, .compression = compression, .pixels = file};
}

TEST(BmpEmbeddedTest, PngAndJpegInsideABmpAreReadByTheirReaders) {
    imagetest::PngSpec png;
    png.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    png.rows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    auto p = ReadWith(orvik::ReadBmpImage, MakeBmp(Holding(5, 2, 2, imagetest::MakePng(png))));
    ASSERT_EQ(p->code, 0);
    EXPECT_EQ(p->image.width, 2);
    EXPECT_EQ(p->image.format.alphaMask, 0xFF000000u);
    EXPECT_EQ(p->At(0, 0), 0x04010203u);  // top row first, as the PNG stores it
    EXPECT_EQ(p->At(1, 1), 0x100D0E0Fu);

    Bytes colour;
    for (int i = 0; i < 9 * 5; ++i) colour.insert(colour.end(), {200, 100, 30});
    auto j = ReadWith(orvik::ReadBmpImage,
                      MakeBmp(Holding(4, 9, 5, imagetest::MakeJpeg(9, 5, 3, colour))));
    ASSERT_EQ(j->code, 0);
    EXPECT_EQ(j->image.format.bitDepth, 24);
    const uint32_t px = j->At(8, 4);
    EXPECT_NEAR(static_cast<int>(px >> 16 & 255), 200, 6);
    EXPECT_NEAR(static_cast<int>(px >> 8 & 255), 100, 6);
    EXPECT_NEAR(static_cast<int>(px & 255), 30, 6);

    // A data size that runs past the end of the file: the file is read as far as it goes.
    Bytes overstated = MakeBmp(Holding(5, 2, 2, imagetest::MakePng(png)));
    overstated[34] = 0xFF;
    overstated[35] = 0xFF;
    EXPECT_EQ(ReadWith(orvik::ReadBmpImage, overstated)->code, 0);
}

TEST(BmpEmbeddedTest, WrongKindWrongSizeAndCutDataAreRefusedWithALogLine) {
    orvik_test::TempLog log;
    imagetest::PngSpec png;
    png.rows.assign(12, 40);
    const Bytes pngFile = imagetest::MakePng(png);
    const Bytes jpegFile = imagetest::MakeJpeg(8, 8, 1, Bytes(64, 77));
    const Bytes pngAsJpeg = MakeBmp(Holding(4, 2, 2, pngFile));
    const Bytes jpegAsPng = MakeBmp(Holding(5, 8, 8, jpegFile));
    const Bytes wider = MakeBmp(Holding(5, 3, 2, pngFile));
    const Bytes taller = MakeBmp(Holding(4, 8, 9, jpegFile));
    Bytes cutPng = MakeBmp(Holding(5, 2, 2, pngFile));
    cutPng.resize(cutPng.size() - 20);
    Bytes nothing = MakeBmp(Holding(5, 2, 2, {}));
    const Bytes* bads[] = {&pngAsJpeg, &jpegAsPng, &wider, &taller, &cutPng, &nothing};
    for (const Bytes* bad : bads) {
        auto r = ReadWith(orvik::ReadBmpImage, *bad);
        EXPECT_EQ(r->code, -1);
        EXPECT_EQ(r->image.pixels, nullptr);
    }
    EXPECT_TRUE(Logged(log, "ＢＭＰファイルに埋め込まれた画像を読めません(size differs"));
    EXPECT_TRUE(Logged(log, "ＢＭＰファイルに埋め込まれた画像を読めません(PNG)"));
    EXPECT_TRUE(Logged(log, "ＢＭＰファイルに埋め込まれた画像を読めません(no data)"));
}

}  // namespace
