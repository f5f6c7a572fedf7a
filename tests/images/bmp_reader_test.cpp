#include <gtest/gtest.h>

#include <climits>

#include "tests/support/image_file_builders.h"

namespace {

using imagetest::BmpSpec;
using imagetest::Bytes;
using imagetest::MakeBmp;
using imagetest::ReadResult;
using imagetest::ReadWith;

std::unique_ptr<ReadResult> ReadBmp(const BmpSpec& spec) {
    return ReadWith(orvik::ReadBmpImage, MakeBmp(spec));
}

TEST(BmpReaderTest, TwentyFourBitRowsComeOutTopDown) {
    BmpSpec s;
    s.width = 2;
    s.height = 2;  // bottom-up: the first stored row is the image's last
    s.pixels = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    auto up = ReadBmp(s);
    ASSERT_EQ(up->code, 0);
    EXPECT_EQ(up->image.format.bitDepth, 24);
    EXPECT_EQ(up->image.pitch, 8);
    EXPECT_EQ(up->At(0, 0), 0x00090807u);
    EXPECT_EQ(up->At(1, 1), 0x00060504u);
    s.height = -2;  // top-down keeps the order
    auto down = ReadBmp(s);
    ASSERT_EQ(down->code, 0);
    EXPECT_EQ(down->image.height, 2);
    EXPECT_EQ(down->At(0, 0), 0x00030201u);
}

TEST(BmpReaderTest, ThirtyTwoBitKeepsAlphaUnlessEveryAlphaIsZero) {
    BmpSpec s;
    s.width = 2;
    s.height = -1;
    s.bitCount = 32;
    s.pixels = {1, 2, 3, 0x80, 4, 5, 6, 0};
    auto a = ReadBmp(s);
    ASSERT_EQ(a->code, 0);
    EXPECT_EQ(a->image.format.alphaMask, 0xFF000000u);
    EXPECT_EQ(a->At(0, 0), 0x80030201u);
    EXPECT_EQ(a->At(1, 0), 0x00060504u);
    s.pixels[3] = 0;
    auto x = ReadBmp(s);
    ASSERT_EQ(x->code, 0);
    EXPECT_EQ(x->image.format.alphaMask, 0u);  // padding bytes, not transparency
    EXPECT_EQ(x->image.format.unusedMask, 0xFF000000u);
}

TEST(BmpReaderTest, PalettesFollowTheHeaderAndTheirUsedCount) {
    // An 8-bit file with a V5 header and a palette of only 2 entries.
    BmpSpec s;
    s.headerSize = 124;
    s.width = 3;
    s.height = 1;
    s.bitCount = 8;
    s.colorsUsed = 2;
    s.palette = {0x00112233, 0x00445566};
    s.pixels = {1, 0, 1, 0};
    auto r = ReadBmp(s);
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->image.format.bytesPerPixel, 1);
    EXPECT_EQ(r->Byte(0, 0), 1);
    EXPECT_EQ(r->image.format.palette[1].red, 0x44);
    EXPECT_EQ(r->image.format.palette[1].blue, 0x66);
    EXPECT_EQ(r->image.format.palette[2].red, 0);

    // 4 bits: nibbles unpack high first into a pitch rounded for bytes.
    BmpSpec f;
    f.width = 5;
    f.height = 2;
    f.bitCount = 4;
    f.palette.assign(16, 0);
    f.palette[15] = 0x00FFFFFF;
    f.pixels = {0x12, 0x34, 0x50, 0, 0xF0, 0x00, 0xF0, 0};
    auto n = ReadBmp(f);
    ASSERT_EQ(n->code, 0);
    EXPECT_EQ(n->image.pitch, 8);
    EXPECT_EQ(n->Byte(0, 0), 15);  // last stored row first
    EXPECT_EQ(n->Byte(4, 0), 15);
    EXPECT_EQ(n->Byte(0, 1), 1);
    EXPECT_EQ(n->Byte(4, 1), 5);
}

TEST(BmpReaderTest, OneAndSixteenBitAndBitFieldsBecomeRgb24) {
    BmpSpec mono;
    mono.width = 10;
    mono.height = -1;
    mono.bitCount = 1;
    mono.palette = {0x00000000, 0x00FF8000};
    mono.pixels = {0xA0, 0x40, 0, 0};
    auto m = ReadBmp(mono);
    ASSERT_EQ(m->code, 0);
    EXPECT_EQ(m->image.format.bitDepth, 24);
    EXPECT_EQ(m->At(0, 0), 0x00FF8000u);
    EXPECT_EQ(m->At(1, 0), 0u);
    EXPECT_EQ(m->At(9, 0), 0x00FF8000u);

    BmpSpec rgb555;
    rgb555.width = 1;
    rgb555.height = 1;
    rgb555.bitCount = 16;
    rgb555.pixels = {0xFF, 0x7F, 0, 0};  // 0x7FFF: white in 5-5-5
    auto w = ReadBmp(rgb555);
    ASSERT_EQ(w->code, 0);
    EXPECT_EQ(w->At(0, 0), 0x00FFFFFFu);

    BmpSpec fields;
    fields.width = 1;
    fields.height = 1;
    fields.bitCount = 16;
    fields.compression = 3;
    fields.masks = {0xF800, 0x07E0, 0x001F};
    fields.pixels = {0x00, 0xF8, 0, 0};  // pure red in 5-6-5
    auto f = ReadBmp(fields);
    ASSERT_EQ(f->code, 0);
    EXPECT_EQ(f->At(0, 0), 0x00FF0000u);

    // 32-bit bit fields inside a V4 header, blue and red swapped.
    BmpSpec v4;
    v4.headerSize = 108;
    v4.width = 1;
    v4.height = 1;
    v4.bitCount = 32;
    v4.compression = 3;
    v4.masks = {0xFF, 0xFF00, 0xFF0000, 0};
    v4.pixels = {0x11, 0x22, 0x33, 0};
    auto g = ReadBmp(v4);
    ASSERT_EQ(g->code, 0);
    EXPECT_EQ(g->At(0, 0), 0x00112233u);
}

TEST(BmpReaderTest, Rle8RunsAbsoluteRunsDeltasAndClipping) {
    BmpSpec s;
    s.width = 4;
    s.height = 3;  // bottom-up: the first decoded row is the image's last
    s.bitCount = 8;
    s.compression = 1;
    s.palette.assign(256, 0);
    s.pixels = {3, 7,          // three 7s
                9, 5,          // a run of 9 fives clipped at the row's end
                0, 0,          // end of line
                0, 5, 1, 2, 9, 4, 4, 0,  // absolute run of 5 clipped at the row's end, padded to 16 bits
                0, 2, 0, 1,    // move down 1 row, same column
                0, 0, 4, 6,    // past the last row: nothing written
                0, 1};
    auto r = ReadBmp(s);
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->image.pitch, 4);
    const uint8_t expected[3][4] = {{0, 0, 0, 0}, {1, 2, 9, 4}, {7, 7, 7, 5}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(r->Byte(x, y), expected[y][x]) << x << "," << y;
}

TEST(BmpReaderTest, Rle4AlternatesNibblesIntoBytePitch) {
    BmpSpec s;
    s.width = 7;
    s.height = -2;
    s.bitCount = 4;
    s.compression = 2;
    s.palette.assign(16, 0);
    s.pixels = {5, 0x12,                 // 1 2 1 2 1
                0, 0,
                0, 3, 0xAB, 0xC0,        // absolute 3 nibbles: A B C
                0, 1};
    auto r = ReadBmp(s);
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->image.pitch, 8);
    const uint8_t row0[7] = {1, 2, 1, 2, 1, 0, 0};
    const uint8_t row1[7] = {10, 11, 12, 0, 0, 0, 0};
    for (int x = 0; x < 7; ++x) {
        EXPECT_EQ(r->Byte(x, 0), row0[x]);
        EXPECT_EQ(r->Byte(x, 1), row1[x]);
    }
}

TEST(BmpReaderTest, DamagedHeadersAndDataAreRefused) {
    BmpSpec good;
    good.width = 2;
    good.height = 2;
    good.pixels.assign(16, 0);
    BmpSpec shortData = good;
    shortData.pixels.resize(12);
    BmpSpec core = good;
    core.headerSize = 12;
    BmpSpec minHeight = good;
    minHeight.height = INT_MIN;
    BmpSpec wide = good;
    wide.width = 0x7FFFFFFF;
    BmpSpec zeroWidth = good;
    zeroWidth.width = 0;
    BmpSpec jpegInside = good;
    jpegInside.compression = 4;
    for (const BmpSpec* s : {&shortData, &core, &minHeight, &wide, &zeroWidth, &jpegInside}) {
        auto r = ReadBmp(*s);
        EXPECT_EQ(r->code, -1);
        EXPECT_EQ(r->image.pixels, nullptr);
    }
    Bytes truncated = MakeBmp(good);
    truncated.resize(30);
    EXPECT_EQ(ReadWith(orvik::ReadBmpImage, truncated)->code, -1);
    EXPECT_EQ(ReadBmp(good)->code, 0);
}

}  // namespace
