#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/graphics/images/color_format.h"

namespace {

using orvik::ColorFormat;

ColorFormat Rgb565() {
    ColorFormat f{};
    orvik::FillColorFormatFromMasks(&f, 16, 0xF800, 0x07E0, 0x001F, 0);
    return f;
}

TEST(ColorFormatTest, MasksGiveShiftsWidthsAndUnusedBits) {
    ColorFormat f{};
    orvik::FillColorFormatFromMasks(&f, 16, 0x7C00, 0x03E0, 0x001F, 0);
    EXPECT_EQ(f.bytesPerPixel, 2);
    EXPECT_EQ(f.redShift, 10);
    EXPECT_EQ(f.redWidth, 5);
    EXPECT_EQ(f.greenShift, 5);
    EXPECT_EQ(f.blueWidth, 5);
    EXPECT_EQ(f.alphaWidth, 0);
    EXPECT_EQ(f.unusedMask, 0x8000u);
    EXPECT_EQ(f.unusedShift, 15);
    EXPECT_EQ(f.unusedWidth, 1);

    orvik::FillColorFormatFromMasks(&f, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    EXPECT_EQ(f.unusedMask, 0xFF000000u);
    EXPECT_EQ(f.unusedShift, 24);
    orvik::FillColorFormatFromMasks(&f, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000);
    EXPECT_EQ(f.redWidth, 10);
    EXPECT_EQ(f.alphaShift, 30);
    EXPECT_EQ(f.unusedMask, 0u);
}

TEST(ColorFormatTest, UnusedMaskFollowsChannelWidths) {
    ColorFormat f{};
    orvik::FillArgb32ColorFormat(&f);
    f.unusedMask = 0x1234;
    orvik::ComputeColorFormatUnusedMask(&f);
    EXPECT_EQ(f.unusedMask, 0u);
    f.alphaMask = 0;
    f.alphaWidth = 0;
    orvik::ComputeColorFormatUnusedMask(&f);
    EXPECT_EQ(f.unusedMask, 0xFF000000u);
}

TEST(ColorFormatTest, Unpack565WhiteIsFullWithAlphaZero) {
    int r = -1, g = -1, b = -1, a = -1;
    orvik::UnpackPixelColor(Rgb565(), 0xFFFF, &r, &g, &b, &a);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 255);
    EXPECT_EQ(b, 255);
    EXPECT_EQ(a, 0);
    // 5-bit 16 scales as 16 * 255 / 31 = 131 (integer division).
    orvik::UnpackPixelColor(Rgb565(), 16u << 11, &r, &g, &b, &a);
    EXPECT_EQ(r, 131);
    EXPECT_EQ(g, 0);
}

TEST(ColorFormatTest, UnpackByteChannelsLeavesAlphaOfFormatsWithoutIt) {
    ColorFormat f{};
    orvik::FillRgb24ColorFormat(&f);
    int r = 0, g = 0, b = 0, a = 99;
    orvik::UnpackPixelColor(f, 0x123456, &r, &g, &b, &a);
    EXPECT_EQ(r, 0x12);
    EXPECT_EQ(g, 0x34);
    EXPECT_EQ(b, 0x56);
    EXPECT_EQ(a, 99);
    // 8-bit colour with a 4-bit alpha scales the alpha only.
    orvik::FillColorFormatFromMasks(&f, 32, 0xFF0000, 0xFF00, 0xFF, 0xF000000);
    orvik::UnpackPixelColor(f, 0x0A000000, nullptr, nullptr, nullptr, &a);
    EXPECT_EQ(a, 10 * 17);
}

TEST(ColorFormatTest, ColourValuesRoundTripThroughEachFormat) {
    ColorFormat f{};
    orvik::FillArgb32ColorFormat(&f);
    EXPECT_EQ(orvik::GetColorInBaseImageFormat(f, 0x12, 0x34, 0x56, 0x78), 0x78123456u);
    orvik::FillXrgb32ColorFormat(&f);
    EXPECT_EQ(orvik::GetColorInBaseImageFormat(f, 1, 2, 3, 0), 0xFF010203u);
    // 565 cuts the low bits, never rounds: 0xFF, 0x07, 0x0F -> 31, 1, 1.
    EXPECT_EQ(orvik::GetColorInBaseImageFormat(Rgb565(), 0xFF, 0x07, 0x0F, 0), 0xF821u);
    for (int v : {0, 8, 0x84, 0xF8}) {
        int r = 0, g = 0, b = 0;
        const uint32_t pixel = orvik::GetColorInBaseImageFormat(Rgb565(), v, v, v, 0);
        orvik::UnpackPixelColor(Rgb565(), pixel, &r, &g, &b, nullptr);
        EXPECT_LE(std::abs(r - v), 8) << v;
        EXPECT_LE(std::abs(g - v), 4) << v;
        EXPECT_EQ(r, b);
    }
}

TEST(ColorFormatTest, NearestGreyAndTiesGoToTheLowerIndex) {
    ColorFormat f{};
    orvik::FillGray8ColorFormat(&f);
    EXPECT_EQ(orvik::GetColorInBaseImageFormat(f, 100, 110, 120, 0), 110u);
    orvik::FillPalette8ColorFormat(&f);
    f.palette[3] = {0, 0, 10, 0};
    f.palette[9] = {0, 0, 30, 0};
    for (int i = 0; i < 256; ++i)
        if (i != 3 && i != 9) f.palette[i] = {255, 255, 255, 0};
    EXPECT_EQ(orvik::GetColorInBaseImageFormat(f, 20, 0, 0, 0), 3u);
    EXPECT_EQ(orvik::GetColorInBaseImageFormat(f, 21, 0, 0, 0), 9u);
}

}  // namespace
