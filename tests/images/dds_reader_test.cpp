#include <gtest/gtest.h>

#include "engine/graphics/dds/dxt_decode.h"
#include "tests/support/image_file_builders.h"

namespace {

using imagetest::Bytes;
using imagetest::DdsSpec;
using imagetest::MakeDds;
using imagetest::Put16;
using imagetest::Put32;
using imagetest::ReadWith;

// A colour block: two 5-6-5 colours and 16 two-bit indices, pixel 0 lowest.
void PutColourBlock(Bytes& b, uint16_t c0, uint16_t c1, uint32_t indices) {
    Put16(b, c0);
    Put16(b, c1);
    Put32(b, indices);
}

// Pixel i of a block takes index i % 4.
constexpr uint32_t kCycling = 0xE4E4E4E4;

std::unique_ptr<imagetest::ReadResult> ReadDecoded(const DdsSpec& s) {
    auto r = ReadWith(orvik::ReadDdsImage, MakeDds(s));
    if (r->code == 0) r->code = orvik::DecodeDxtBaseImage(&r->image);
    return r;
}

TEST(DdsReaderTest, Dxt1FourColoursAndPartialEdgeBlocks) {
    DdsSpec s;
    s.width = 5;
    s.height = 3;
    PutColourBlock(s.data, 0xF800, 0x001F, kCycling);
    PutColourBlock(s.data, 0x07E0, 0x0000, 0);
    auto raw = ReadWith(orvik::ReadDdsImage, MakeDds(s));
    ASSERT_EQ(raw->code, 0);
    EXPECT_EQ(raw->image.format.compression, orvik::kCompressionDxt1);
    EXPECT_EQ(raw->image.format.bitDepth, 4);
    EXPECT_EQ(raw->image.pitch, 0);
    auto r = ReadDecoded(s);
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->image.pitch, 20);
    EXPECT_EQ(r->image.format.alphaMask, 0xFF000000u);
    EXPECT_EQ(r->At(0, 0), 0xFFFF0000u);
    EXPECT_EQ(r->At(1, 0), 0xFF0000FFu);
    EXPECT_EQ(r->At(2, 0), 0xFFAA0055u);  // (2 red + blue) / 3
    EXPECT_EQ(r->At(3, 2), 0xFF5500AAu);
    EXPECT_EQ(r->At(4, 2), 0xFF00FF00u);  // the second block's one column
}

TEST(DdsReaderTest, Dxt1WithFirstColourNotAboveSecondHasATransparentMean) {
    DdsSpec s;
    PutColourBlock(s.data, 0x001F, 0xF800, kCycling);
    auto r = ReadDecoded(s);
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->At(2, 0), 0xFF7F007Fu);
    EXPECT_EQ(r->At(3, 0), 0x007F007Fu);
}

TEST(DdsReaderTest, ExplicitAndInterpolatedAlpha) {
    DdsSpec s;
    s.fourCc = "DXT3";
    s.data = {0x8F, 0, 0, 0, 0, 0, 0, 0};  // pixel 0: 15, pixel 1: 8
    PutColourBlock(s.data, 0xFFFF, 0, 0);
    auto r3 = ReadDecoded(s);
    ASSERT_EQ(r3->code, 0);
    EXPECT_EQ(r3->At(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(r3->At(1, 0), 0x88FFFFFFu);
    EXPECT_EQ(r3->At(2, 0), 0x00FFFFFFu);

    // DXT5, a0 > a1: index 2 of pixel 0 is (6 a0 + a1) / 7; pixel 1 index 1.
    s.fourCc = "DXT5";
    s.data = {255, 0, 0x0A, 0, 0, 0, 0, 0};
    PutColourBlock(s.data, 0xFFFF, 0, 0);
    auto r5 = ReadDecoded(s);
    ASSERT_EQ(r5->code, 0);
    EXPECT_EQ(r5->At(0, 0) >> 24, 218u);
    EXPECT_EQ(r5->At(1, 0) >> 24, 0u);
    // a0 <= a1: six-entry table with 0 and 255 at 6 and 7.
    // Index bits 0x2E06: pixel 0 takes entry 6 (0), pixel 2 entry 0 (a0 = 10), pixel 3
    // entry 7 (255); pixel 4 entry 2, (4 a0 + a1) / 5.
    s.data = {10, 200, 0x06, 0x2E, 0, 0, 0, 0};
    PutColourBlock(s.data, 0xFFFF, 0, 0);
    auto r5b = ReadDecoded(s);
    ASSERT_EQ(r5b->code, 0);
    EXPECT_EQ(r5b->At(0, 0) >> 24, 0u);
    EXPECT_EQ(r5b->At(2, 0) >> 24, 10u);
    EXPECT_EQ(r5b->At(3, 0) >> 24, 255u);
    EXPECT_EQ(r5b->At(0, 1) >> 24, (4u * 10 + 200) / 5);
}

TEST(DdsReaderTest, PremultipliedKindsClampAndKeepAlphaZeroBlack) {
    for (const char* kind : {"DXT2", "DXT4"}) {
        DdsSpec s;
        s.fourCc = kind;
        // Pixel 0 alpha 136, pixel 1 alpha 0, explicitly or through a0 and a1.
        if (kind[3] == '2') s.data = {0x08, 0, 0, 0, 0, 0, 0, 0};
        else s.data = {136, 0, 0x08, 0, 0, 0, 0, 0};
        PutColourBlock(s.data, 0xF800 | 0x0010, 0, 0);  // red 255, blue 16 * 255 / 31
        auto r = ReadDecoded(s);
        ASSERT_EQ(r->code, 0) << kind;
        // red 255 * 255 / 136 > 255 is clamped; blue 131 * 255 / 136 = 245.
        EXPECT_EQ(r->At(0, 0), 0x88FF00F5u) << kind;
        EXPECT_EQ(r->At(1, 0), 0x00000000u) << kind;
    }
}

TEST(DdsReaderTest, MipChainSizesFromEachLevelsRoundedSides) {
    // 8x8 DXT5 with four levels: 4 + 1 + 1 + 1 blocks of 16 bytes.
    DdsSpec s;
    s.width = 8;
    s.height = 8;
    s.fourCc = "DXT5";
    s.mipCount = 4;
    s.data.assign(7 * 16, 0);
    auto r = ReadWith(orvik::ReadDdsImage, MakeDds(s));
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->image.mipCount, 4u);
    s.data.pop_back();
    EXPECT_EQ(ReadWith(orvik::ReadDdsImage, MakeDds(s))->code, -1);
    // A 1x1 file holds one whole block.
    DdsSpec one;
    one.width = 1;
    one.height = 1;
    PutColourBlock(one.data, 0x07E0, 0x07E0, 0);
    auto tiny = ReadDecoded(one);
    ASSERT_EQ(tiny->code, 0);
    EXPECT_EQ(tiny->At(0, 0), 0xFF00FF00u);
}

TEST(DdsReaderTest, UncompressedLayoutsFromMasks) {
    DdsSpec s;
    s.fourCc = nullptr;
    s.width = 2;
    s.height = 2;
    s.bitCount = 16;
    s.masks[0] = 0xF800;
    s.masks[1] = 0x07E0;
    s.masks[2] = 0x001F;
    s.pitch = 6;  // padded rows
    s.data = {0x00, 0xF8, 0x1F, 0x00, 0, 0, 0xE0, 0x07, 0, 0, 0, 0};
    auto r = ReadWith(orvik::ReadDdsImage, MakeDds(s));
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->image.pitch, 6);
    EXPECT_EQ(r->At(0, 0), 0x00F80000u);
    EXPECT_EQ(r->At(1, 0), 0x000000F8u);
    EXPECT_EQ(r->At(0, 1), 0x0000FC00u);

    // 3-3-2 pixels are colours, turned into a palette of the 256 values.
    DdsSpec p;
    p.fourCc = nullptr;
    p.width = 2;
    p.height = 1;
    p.bitCount = 8;
    p.masks[0] = 0xE0;
    p.masks[1] = 0x1C;
    p.masks[2] = 0x03;
    p.data = {0xE0, 0x03};
    auto q = ReadWith(orvik::ReadDdsImage, MakeDds(p));
    ASSERT_EQ(q->code, 0);
    int red = 0, green = 0, blue = 0;
    ASSERT_EQ(orvik::ReadBaseImagePixelRGBA(&q->image, 0, 0, &red, &green, &blue, nullptr), 0);
    EXPECT_EQ(red, 255);
    EXPECT_EQ(blue, 0);
    ASSERT_EQ(orvik::ReadBaseImagePixelRGBA(&q->image, 1, 0, &red, &green, &blue, nullptr), 0);
    EXPECT_EQ(blue, 255);
    EXPECT_EQ(red, 0);
}

TEST(DdsReaderTest, FormatNumbersInPlaceOfAFourCcGiveTheirLayouts) {
    DdsSpec s;
    s.fourCc = "\x15\0\0";  // 21: A8R8G8B8, written as the FourCC word
    s.width = 1;
    s.height = 1;
    s.data = {1, 2, 3, 4};
    auto r = ReadWith(orvik::ReadDdsImage, MakeDds(s));
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->image.format.alphaMask, 0xFF000000u);
    EXPECT_EQ(r->At(0, 0), 0x04030201u);
}

TEST(DdsReaderTest, RefusesBadSizesKindsAndShortData) {
    auto refused = [](const DdsSpec& s) {
        return ReadWith(orvik::ReadDdsImage, MakeDds(s))->code == -1;
    };
    DdsSpec s;
    s.data.assign(8, 0);
    EXPECT_FALSE(refused(s));
    DdsSpec t = s;
    t.width = 0;
    EXPECT_TRUE(refused(t));
    t = s;
    t.width = 0x80000000u;
    EXPECT_TRUE(refused(t));
    t = s;
    t.fourCc = "UYVY";
    EXPECT_TRUE(refused(t));
    t.fourCc = "ATI2";  // read, but its 16-byte block is longer than the data
    EXPECT_TRUE(refused(t));
    t = s;
    t.data.resize(7);
    EXPECT_TRUE(refused(t));
    t = s;
    t.fourCc = nullptr;
    t.bitCount = 32;
    t.masks[0] = 0xFF0000;
    t.pitch = 3;  // shorter than a row
    EXPECT_TRUE(refused(t));
}

}  // namespace
