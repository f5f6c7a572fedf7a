// Pixel conversions of the surface formats and decoding of the compressed blocks.
#include <gtest/gtest.h>

#include "host/d3d9/resources/pixel_format.h"

namespace host {
namespace {

uint32_t Read16(D3DFORMAT f, uint16_t v) {
    const uint8_t p[2] = {uint8_t(v), uint8_t(v >> 8)};
    return ReadPixelArgb(f, p);
}
uint16_t Write16(D3DFORMAT f, uint32_t argb) {
    uint8_t p[2] = {};
    WritePixelArgb(f, p, argb);
    return uint16_t(p[0] | p[1] << 8);
}

TEST(PixelFormatTest, SixteenBitLayouts) {
    EXPECT_EQ(Read16(D3DFMT_R5G6B5, 0xF800), 0xFFFF0000u);
    EXPECT_EQ(Read16(D3DFMT_R5G6B5, 0x07E0), 0xFF00FF00u);
    // Five bits 1 = 8.2 -> 8; six bits 1 = 4.05 -> 4.
    EXPECT_EQ(Read16(D3DFMT_R5G6B5, 0x0821), 0xFF080408u);
    EXPECT_EQ(Read16(D3DFMT_A1R5G5B5, 0x7C00), 0x00FF0000u);
    EXPECT_EQ(Read16(D3DFMT_X1R5G5B5, 0x7C00), 0xFFFF0000u);
    EXPECT_EQ(Read16(D3DFMT_A4R4G4B4, 0x8F00), 0x88FF0000u);
    EXPECT_EQ(Write16(D3DFMT_R5G6B5, 0xFF808080u), uint16_t(16 << 11 | 32 << 5 | 16));
    EXPECT_EQ(Write16(D3DFMT_A1R5G5B5, 0x7F0000FFu), 0x001Fu);  // alpha below half rounds to 0
    EXPECT_EQ(Write16(D3DFMT_A1R5G5B5, 0x80000000u), 0x8000u);
    EXPECT_EQ(Write16(D3DFMT_X1R5G5B5, 0x00000000u), 0x8000u);  // unused bit set
    EXPECT_EQ(Write16(D3DFMT_A4R4G4B4, 0xFF112233u), 0xF123u);
    // Every 16-bit value survives a round trip through 0xAARRGGBB.
    for (D3DFORMAT f : {D3DFMT_R5G6B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4})
        for (uint32_t v = 0; v < 0x10000; ++v) ASSERT_EQ(Write16(f, Read16(f, uint16_t(v))), v) << f;
}

TEST(PixelFormatTest, ThirtyTwoBitLayouts) {
    const uint8_t p[4] = {0x33, 0x22, 0x11, 0x44};  // bytes blue, green, red, alpha
    EXPECT_EQ(ReadPixelArgb(D3DFMT_A8R8G8B8, p), 0x44112233u);
    EXPECT_EQ(ReadPixelArgb(D3DFMT_X8R8G8B8, p), 0xFF112233u);
    EXPECT_EQ(ReadPixelArgb(D3DFMT_A8B8G8R8, p), 0x44332211u);
    uint8_t out[4];
    WritePixelArgb(D3DFMT_X8R8G8B8, out, 0x00112233u);
    EXPECT_EQ(out[3], 0xFF);
}

TEST(PixelFormatTest, Dxt1OpaqueAndTransparentModes) {
    // c0 = pure red (0xF800) > c1 = pure blue (0x001F): four colours; indices 0,1,2,3 in
    // the first row.
    const uint8_t opaque[8] = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0, 0, 0};
    uint32_t px[16];
    DecodeCompressedBlock(D3DFMT_DXT1, opaque, px);
    EXPECT_EQ(px[0], 0xFFFF0000u);
    EXPECT_EQ(px[1], 0xFF0000FFu);
    EXPECT_EQ(px[2], 0xFFAA0055u);  // (2 red + blue) / 3
    EXPECT_EQ(px[3], 0xFF5500AAu);
    EXPECT_EQ(px[4], 0xFFFF0000u);
    // c0 <= c1: index 2 is the average, index 3 transparent black.
    const uint8_t keyed[8] = {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0, 0, 0};
    DecodeCompressedBlock(D3DFMT_DXT1, keyed, px);
    EXPECT_EQ(px[2], 0xFF800080u);
    EXPECT_EQ(px[3], 0x00000000u);
    EXPECT_EQ(IsCompressedFormat(D3DFMT_DXT1), true);
    EXPECT_EQ(FormatRowBytes(D3DFMT_DXT1, 10), 24u);
    EXPECT_EQ(FormatRowCount(D3DFMT_DXT5, 10), 3u);
}

TEST(PixelFormatTest, Dxt3AndDxt5Alpha) {
    uint8_t block[16] = {};
    block[0] = 0xF0;  // texel 0 alpha 0, texel 1 alpha 15
    block[8] = 0xFF;
    block[9] = 0xFF;  // colour 0 white, indices 0
    uint32_t px[16];
    DecodeCompressedBlock(D3DFMT_DXT3, block, px);
    EXPECT_EQ(px[0], 0x00FFFFFFu);
    EXPECT_EQ(px[1], 0xFFFFFFFFu);
    // DXT5: a0 = 255, a1 = 0; texel 0 index 0 (255), texel 1 index 1 (0), texel 2
    // index 2 ((6 x 255 + 0) / 7 = 218.6 -> 219).
    uint8_t five[16] = {255, 0, 0x88, 0x00, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0};
    DecodeCompressedBlock(D3DFMT_DXT5, five, px);
    EXPECT_EQ(px[0] >> 24, 255u);
    EXPECT_EQ(px[1] >> 24, 0u);
    EXPECT_EQ(px[2] >> 24, 219u);
    // a0 <= a1: four steps between them, then index 6 clear and index 7 opaque.
    // Texels 0 to 3 take indices 0, 2, 6 and 7.
    const uint8_t six[16] = {0, 250, 0x90, 0x0F, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0};
    DecodeCompressedBlock(D3DFMT_DXT5, six, px);
    EXPECT_EQ(px[0] >> 24, 0u);
    EXPECT_EQ(px[1] >> 24, 50u);
    EXPECT_EQ(px[2] >> 24, 0u);
    EXPECT_EQ(px[3] >> 24, 255u);
}

TEST(PixelFormatTest, PremultipliedKindsSampleTheirColoursAsStored) {
    // A half-transparent texel of stored colour 0x848284: DXT2 and DXT4 give it back as
    // it is, as DXT3 and DXT5 do; undoing the premultiplication is the program's affair.
    const uint16_t grey = 0x8410;  // 16, 32, 16 of 31, 63, 31: 132, 130, 132
    uint8_t explicitAlpha[16] = {0x88, 0, 0, 0, 0, 0, 0, 0, uint8_t(grey), uint8_t(grey >> 8), 0, 0, 0, 0, 0, 0};
    uint8_t interpolated[16] = {136, 136, 0, 0, 0, 0, 0, 0, uint8_t(grey), uint8_t(grey >> 8), 0, 0, 0, 0, 0, 0};
    uint32_t plain[16], premultiplied[16];
    DecodeCompressedBlock(D3DFMT_DXT3, explicitAlpha, plain);
    DecodeCompressedBlock(D3DFMT_DXT2, explicitAlpha, premultiplied);
    EXPECT_EQ(premultiplied[0], plain[0]);
    EXPECT_EQ(plain[0], 0x88848284u);
    DecodeCompressedBlock(D3DFMT_DXT5, interpolated, plain);
    DecodeCompressedBlock(D3DFMT_DXT4, interpolated, premultiplied);
    EXPECT_EQ(premultiplied[0], plain[0]);
    EXPECT_EQ(plain[0], 0x88848284u);
}

}  // namespace
}  // namespace host

namespace host {
namespace {

TEST(PixelFormatTest, TableConversionsAgreeWithTheGeneralOnes) {
    for (uint32_t v = 0; v < 0x10000; ++v) {
        const uint8_t p[2] = {uint8_t(v), uint8_t(v >> 8)};
        ASSERT_EQ(Rgb565ToArgb(uint16_t(v)), ReadPixelArgb(D3DFMT_R5G6B5, p)) << v;
    }
    for (uint32_t c = 0; c < (1u << 24); c += 7) {
        uint8_t p[2];
        WritePixelArgb(D3DFMT_R5G6B5, p, c);
        ASSERT_EQ(ArgbToRgb565(c), uint16_t(p[0] | p[1] << 8)) << c;
    }
}

}  // namespace
}  // namespace host
