#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/graphics/images/pixel_convert.h"

namespace {

using orvik::ColorFormat;
using orvik::PixelRect;

ColorFormat Masks(int depth, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    ColorFormat f{};
    orvik::FillColorFormatFromMasks(&f, depth, r, g, b, a);
    return f;
}
const ColorFormat k565 = Masks(16, 0xF800, 0x07E0, 0x001F, 0);
const ColorFormat kXrgb = Masks(32, 0xFF0000, 0xFF00, 0xFF, 0);
const ColorFormat kArgb = Masks(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
const ColorFormat kRgb24 = Masks(24, 0xFF0000, 0xFF00, 0xFF, 0);

// Plain conversion of a w x h block with no options.
int Convert(void* dst, int dstPitch, const ColorFormat& df, const void* src, int srcPitch,
            const ColorFormat& sf, int w, int h) {
    return orvik::ConvertPixelFormatBlt(dst, dstPitch, &df, src, srcPitch, &sf, nullptr, 0,
                                        nullptr, 0, 0, PixelRect{0, 0, w, h}, 0, 0, 0, 0, 0, 0,
                                        0, 0);
}

TEST(PixelConvertTest, WideningMapsMaximumOntoMaximum) {
    const uint16_t white = 0xFFFF;
    uint32_t out = 0x12345678;
    ASSERT_EQ(Convert(&out, 4, kXrgb, &white, 2, k565, 1, 1), 0);
    EXPECT_EQ(out, 0x00FFFFFFu);
    ASSERT_EQ(Convert(&out, 4, kArgb, &white, 2, k565, 1, 1), 0);
    EXPECT_EQ(out, 0xFFFFFFFFu);
    // Mid values: red 16 of 31 -> (16 << 3) + 16 * 7 / 31 = 131.
    const uint16_t mid = 16u << 11;
    ASSERT_EQ(Convert(&out, 4, kXrgb, &mid, 2, k565, 1, 1), 0);
    EXPECT_EQ(out, 131u << 16);
}

TEST(PixelConvertTest, NarrowingDropsBitsAndAlpha) {
    const uint32_t src[2] = {0x80FF8040, 0x00070307};
    uint16_t out[2] = {};
    ASSERT_EQ(Convert(out, 4, k565, src, 8, kArgb, 2, 1), 0);
    EXPECT_EQ(out[0], (31u << 11) | (32u << 5) | 8u);
    EXPECT_EQ(out[1], 0u);
    uint8_t rgb[3];
    ASSERT_EQ(Convert(rgb, 3, kRgb24, src, 8, kArgb, 1, 1), 0);
    EXPECT_EQ(rgb[0], 0x40);
    EXPECT_EQ(rgb[2], 0xFF);
}

TEST(PixelConvertTest, AlphaComesFromSourceAlphaImageOrKey) {
    const uint8_t rgb[6] = {1, 2, 3, 4, 5, 6};
    const uint32_t alpha[2] = {0x7F000000, 0x10000000};
    uint32_t out[2] = {};
    ASSERT_EQ(orvik::ConvertPixelFormatBlt(out, 8, &kArgb, rgb, 6, &kRgb24, alpha, 8, &kArgb, 0,
                                           0, PixelRect{0, 0, 2, 1}, 0, 0, 0, 0, 0, 0, 0, 0),
              0);
    EXPECT_EQ(out[0], 0x7F030201u);
    EXPECT_EQ(out[1], 0x10060504u);
    // A grey alpha image without an alpha channel gives its red channel.
    const uint8_t grey[6] = {0, 0, 200, 0, 0, 9};
    ASSERT_EQ(orvik::ConvertPixelFormatBlt(out, 8, &kArgb, rgb, 6, &kRgb24, grey, 6, &kRgb24, 0,
                                           0, PixelRect{0, 0, 2, 1}, 0, 0, 0, 0, 0, 0, 0, 0),
              0);
    EXPECT_EQ(out[0] >> 24, 200u);
    EXPECT_EQ(out[1] >> 24, 9u);

    // Key to alpha: pure green becomes transparent, everything else opaque.
    const uint32_t keyed[3] = {0x0000FF00, 0x0000FE00, 0xFF00FF00};
    uint32_t k[3] = {};
    ASSERT_EQ(orvik::ConvertPixelFormatBlt(k, 12, &kArgb, keyed, 12, &kXrgb, nullptr, 0, nullptr,
                                           0, 0, PixelRect{0, 0, 3, 1}, 0, 1, 0x00FF00, 0, 0, 0,
                                           0, 0),
              0);
    EXPECT_EQ(k[0], 0x0000FF00u);
    EXPECT_EQ(k[1], 0xFF00FE00u);
    EXPECT_EQ(k[2], 0x0000FF00u);  // the unused top byte is not part of the colour
    // With source alpha the key does nothing.
    ASSERT_EQ(orvik::ConvertPixelFormatBlt(k, 12, &kArgb, keyed, 12, &kArgb, nullptr, 0, nullptr,
                                           0, 0, PixelRect{0, 0, 1, 1}, 0, 1, 0x00FF00, 0, 0, 0,
                                           0, 0),
              0);
    EXPECT_EQ(k[0], 0x0000FF00u);  // copied as it is, alpha 0 from the source
}

TEST(PixelConvertTest, MirrorReversesRowsAndOverridesKeySkip) {
    const uint32_t src[2][3] = {{1, 2, 3}, {4, 5, 6}};
    uint32_t out[2][4] = {};
    ASSERT_EQ(orvik::ConvertPixelFormatBlt(out, 16, &kXrgb, src, 12, &kXrgb, nullptr, 0, nullptr,
                                           1, 0, PixelRect{0, 0, 3, 2}, 1, 0, 2, 0, 0, 0, 1, 0),
              0);
    EXPECT_EQ(out[0][1], 3u);
    EXPECT_EQ(out[0][2], 2u);  // the key 2 is written all the same
    EXPECT_EQ(out[1][3], 4u);
    EXPECT_EQ(out[0][0], 0u);
    // Without mirror the key is skipped.
    uint32_t plain[3] = {9, 9, 9};
    orvik::ConvertPixelFormatBlt(plain, 12, &kXrgb, src, 12, &kXrgb, nullptr, 0, nullptr, 0, 0,
                                 PixelRect{0, 0, 3, 1}, 0, 0, 2, 0, 0, 0, 1, 0);
    EXPECT_EQ(plain[0], 1u);
    EXPECT_EQ(plain[1], 9u);
    EXPECT_EQ(plain[2], 3u);
    // The general path skips the key too.
    uint16_t narrow[3] = {7, 7, 7};
    orvik::ConvertPixelFormatBlt(narrow, 6, &k565, src, 12, &kXrgb, nullptr, 0, nullptr, 0, 0,
                                 PixelRect{0, 0, 3, 1}, 0, 0, 2, 0, 0, 0, 1, 0);
    EXPECT_EQ(narrow[1], 7u);
    EXPECT_EQ(narrow[0], 0u);
}

TEST(PixelConvertTest, EmptyRectanglesAreRefused) {
    uint32_t px = 5;
    EXPECT_EQ(Convert(&px, 4, kXrgb, &px, 4, kXrgb, 0, 1), -1);
    EXPECT_EQ(Convert(&px, 4, kXrgb, &px, 4, kXrgb, 1, 0), -1);
    EXPECT_EQ(px, 5u);
}

TEST(PixelConvertTest, OrderedDitherFollowsTheMatrix) {
    // Red 0x84 to 5 bits drops 4 of 8 (half the range): units are added where the
    // matrix threshold is below 8 sixteenths.
    std::vector<uint32_t> src(16, 0x00840000);
    std::vector<uint16_t> out(16);
    ASSERT_EQ(orvik::ConvertPixelFormatBlt(out.data(), 8, &k565, src.data(), 16, &kXrgb, nullptr,
                                           0, nullptr, 0, 0, PixelRect{0, 0, 4, 4}, 0, 0, 0,
                                           orvik::kDitherOrdered, 0, 0, 0, 0),
              0);
    const uint8_t matrix[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(out[y * 4 + x] >> 11, matrix[y][x] < 8 ? 17u : 16u) << x << "," << y;
    // Full red never overflows its field.
    std::fill(src.begin(), src.end(), 0x00FF0000u);
    orvik::ConvertPixelFormatBlt(out.data(), 8, &k565, src.data(), 16, &kXrgb, nullptr, 0,
                                 nullptr, 0, 0, PixelRect{0, 0, 4, 4}, 0, 0, 0,
                                 orvik::kDitherOrdered, 0, 0, 0, 0);
    for (uint16_t v : out) EXPECT_EQ(v, 0xF800u);
}

TEST(PixelConvertTest, CarriedDitherAddsAUnitWhenTheCarryPassesTheRange) {
    // Blue 0x0C to 5 bits keeps 1 and drops 4 of a range of 8, so every second pixel of
    // a row gains one unit; each row starts with no carry.
    std::vector<uint32_t> src(8, 0x0000000C);
    std::vector<uint16_t> out(8);
    orvik::ConvertPixelFormatBlt(out.data(), 8, &k565, src.data(), 16, &kXrgb, nullptr, 0,
                                 nullptr, 0, 0, PixelRect{0, 0, 4, 2}, 0, 0, 0,
                                 orvik::kDitherCarry, 0, 0, 0, 0);
    const uint16_t expected[8] = {1, 2, 1, 2, 1, 2, 1, 2};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], expected[i]) << i;
}

TEST(PixelConvertTest, EightBitDestinations) {
    ColorFormat grey{};
    orvik::FillGray8ColorFormat(&grey);
    ColorFormat inverted{};
    orvik::FillPalette8ColorFormat(&inverted);
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<uint8_t>(255 - i);
        inverted.palette[i] = {v, v, v, 0};
    }
    const uint8_t indices[4] = {0, 10, 200, 3};
    uint8_t out[4] = {};
    // A plain 8-bit copy returns the highest index copied.
    EXPECT_EQ(Convert(out, 4, grey, indices, 4, grey, 4, 1), 200);
    EXPECT_EQ(out[2], 200);
    // Remapping between different palettes finds each colour's nearest entry.
    ASSERT_EQ(orvik::ConvertPixelFormatBlt(out, 4, &inverted, indices, 4, &grey, nullptr, 0,
                                           nullptr, 0, 0, PixelRect{0, 0, 4, 1}, 0, 0, 0, 0, 0,
                                           0, 0, 1),
              0);
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(out[2], 55);
    // Direct colour into a palette: each pixel's nearest entry, 5-6-5 scaled to 8 bits.
    const uint16_t white565 = 0xFFFF;
    ASSERT_EQ(Convert(out, 4, grey, &white565, 2, k565, 1, 1), 0);
    EXPECT_EQ(out[0], 255);
    // A single-value destination takes the red channel as its value.
    ColorFormat single = Masks(8, 0, 0, 0, 0xFF);
    const uint32_t xrgb[2] = {0x00400000, 0x00FF0000};
    ASSERT_EQ(orvik::ConvertPixelFormatBlt(out, 4, &single, xrgb, 8, &kXrgb, nullptr, 0, nullptr,
                                           0, 0, PixelRect{0, 0, 2, 1}, 0, 0, 0, 0, 1, 1, 0, 0),
              0);
    EXPECT_EQ(out[0], 0x40);
    EXPECT_EQ(out[1], 0xFF);
}

}  // namespace

namespace {

// The 8-bit-channel shortcut must give what the general path gives, for every pairing of
// 24- and 32-bit layouts and every option it takes on; rows long enough for its vector
// steps, with a tail of every length they leave.
TEST(PixelConvertTest, ByteChannelShortcutMatchesTheGeneralPath) {
    const ColorFormat layouts[] = {kRgb24, kXrgb, kArgb,
                                   Masks(32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000),
                                   Masks(32, 0xFF00, 0xFF0000, 0xFF000000, 0xFF)};
    constexpr int kWidth = 29, kRows = 3, kSrcPitch = kWidth * 4, kDstPitch = (kWidth + 1) * 4;
    std::vector<uint8_t> src(kSrcPitch * kRows);
    uint32_t seed = 12345;
    for (auto& b : src) b = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
    // A few pixels equal to the key in the 24-bit and XRGB layouts.
    std::memcpy(&src[0], "\x00\xFF\x00", 3);
    std::memcpy(&src[4], "\x00\xFF\x00\x77", 4);
    struct Options { int mirror, key, skip; };
    for (const ColorFormat& s : layouts)
        for (const ColorFormat& d : layouts)
            for (Options o : {Options{0, 0, 0}, Options{1, 1, 0}, Options{0, 1, 1}, Options{0, 0, 1}})
                for (int width = 1; width <= kWidth; ++width) {
                    std::vector<uint8_t> fast(kDstPitch * (kRows + 1), 0xAB), slow(fast);
                    for (int generic = 0; generic < 2; ++generic) {
                        orvik::ForceGenericPixelConversion(generic);
                        auto& out = generic ? slow : fast;
                        orvik::ConvertPixelFormatBlt(out.data(), kDstPitch, &d, src.data(), kSrcPitch, &s, nullptr,
                                                     0, nullptr, 1, 1, PixelRect{0, 0, width, kRows}, o.mirror,
                                                     o.key, 0x00FF00, 0, 0, 0, o.skip, 0);
                    }
                    orvik::ForceGenericPixelConversion(0);
                    ASSERT_EQ(fast, slow) << s.bitDepth << "/" << s.redMask << " -> " << d.bitDepth << "/"
                                          << d.redMask << " options " << o.mirror << o.key << o.skip << " width "
                                          << width;
                }
}

}  // namespace
