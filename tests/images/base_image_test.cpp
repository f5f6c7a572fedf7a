#include <gtest/gtest.h>

#include <cstring>

#include "engine/graphics/images/base_image.h"

namespace {

using orvik::BaseImage;

// An owned base image freed at the end of the test.
struct Image {
    BaseImage b{};
    ~Image() { orvik::FreeBaseImage(&b); }
};

uint32_t Pixel32(const BaseImage& b, int x, int y) {
    uint32_t v;
    std::memcpy(&v, b.pixels + y * b.pitch + x * 4, 4);
    return v;
}

TEST(BaseImageTest, CreateSetsPitchAndRefusesImpossibleSizes) {
    Image a, x, like;
    ASSERT_EQ(orvik::NewArgb32BaseImage(3, 2, &a.b), 0);
    EXPECT_EQ(a.b.pitch, 12);
    EXPECT_EQ(a.b.format.alphaMask, 0xFF000000u);
    ASSERT_EQ(orvik::NewXrgb32BaseImage(5, 1, &x.b), 0);
    EXPECT_EQ(x.b.pitch, 20);
    BaseImage pattern{};
    orvik::FillRgb24ColorFormat(&pattern.format);
    ASSERT_EQ(orvik::NewBaseImageLike(5, 3, &pattern, &like.b), 0);
    EXPECT_EQ(like.b.pitch, 16);  // 15 bytes rounded up to 4
    EXPECT_EQ(like.b.format.bitDepth, 24);
    BaseImage huge{};
    EXPECT_EQ(orvik::NewArgb32BaseImage(100000, 100000, &huge), -1);
    EXPECT_EQ(orvik::NewBaseImageLike(-4, 4, &pattern, &huge), -1);
    EXPECT_EQ(huge.pixels, nullptr);
}

TEST(BaseImageTest, PixelsWriteAndReadBackInEachLayout) {
    Image img;
    ASSERT_EQ(orvik::NewArgb32BaseImage(4, 4, &img.b), 0);
    orvik::ZeroBaseImageRect(&img.b, 0, 0, 4, 4);
    EXPECT_EQ(orvik::WriteBaseImagePixel(&img.b, 2, 1, 10, 20, 30, 40), 0);
    EXPECT_EQ(Pixel32(img.b, 2, 1), 0x280A141Eu);
    EXPECT_EQ(orvik::ReadBaseImagePixel(&img.b, 2, 1), 0x280A141Eu);
    int r, g, b, a;
    ASSERT_EQ(orvik::ReadBaseImagePixelRGBA(&img.b, 2, 1, &r, &g, &b, &a), 0);
    EXPECT_EQ(r, 10);
    EXPECT_EQ(a, 40);
    EXPECT_EQ(orvik::ReadBaseImagePixelRGBA(&img.b, 4, 0, &r, &g, &b, &a), -1);
    EXPECT_EQ(orvik::ReadBaseImagePixelRGBA(&img.b, -1, 0, &r, &g, &b, &a), -1);
    EXPECT_EQ(orvik::WriteBaseImagePixel(&img.b, 0, 4, 1, 1, 1, 1), -1);

    // 5-6-5: ReadBaseImagePixel only moves fields to the top of their bytes.
    Image s;
    BaseImage pattern{};
    orvik::FillColorFormatFromMasks(&pattern.format, 16, 0xF800, 0x07E0, 0x001F, 0);
    ASSERT_EQ(orvik::NewBaseImageLike(2, 2, &pattern, &s.b), 0);
    orvik::WriteBaseImagePixel(&s.b, 1, 1, 255, 255, 255, 0);
    EXPECT_EQ(orvik::ReadBaseImagePixel(&s.b, 1, 1), 0x00F8FCF8u);
    ASSERT_EQ(orvik::ReadBaseImagePixelRGBA(&s.b, 1, 1, &r, &g, &b, &a), 0);
    EXPECT_EQ(r + g + b, 3 * 255);
}

TEST(BaseImageTest, PaletteImagesReadTheirEntries) {
    Image img;
    BaseImage pattern{};
    orvik::FillPalette8ColorFormat(&pattern.format);
    pattern.format.palette[7] = {1, 2, 3, 4};
    ASSERT_EQ(orvik::NewBaseImageLike(3, 1, &pattern, &img.b), 0);
    img.b.pixels[1] = 7;
    int r, g, b, a;
    ASSERT_EQ(orvik::ReadBaseImagePixelRGBA(&img.b, 1, 0, &r, &g, &b, &a), 0);
    EXPECT_EQ(r, 3);
    EXPECT_EQ(g, 2);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(a, 4);
    orvik::WriteBaseImagePixel(&img.b, 0, 0, 3, 2, 1, 0);
    EXPECT_EQ(img.b.pixels[0], 7);
}

TEST(BaseImageTest, MirrorAndFlip) {
    Image img;
    ASSERT_EQ(orvik::NewArgb32BaseImage(3, 3, &img.b), 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) orvik::WriteBaseImagePixel(&img.b, x, y, x, y, 0, 0);
    ASSERT_EQ(orvik::MirrorBaseImage(&img.b), 0);
    EXPECT_EQ(Pixel32(img.b, 0, 1), 0x00020100u);
    EXPECT_EQ(Pixel32(img.b, 1, 1), 0x00010100u);
    ASSERT_EQ(orvik::FlipBaseImage(&img.b), 0);
    // Rows 0 and 2 turned half a turn, the middle row kept.
    EXPECT_EQ(Pixel32(img.b, 0, 0), 0x00000200u);
    EXPECT_EQ(Pixel32(img.b, 2, 2), 0x00020000u);
    EXPECT_EQ(Pixel32(img.b, 0, 1), 0x00020100u);

    Image thin;
    ASSERT_EQ(orvik::NewArgb32BaseImage(1, 2, &thin.b), 0);
    std::memcpy(thin.b.pixels, "\x01\x02\x03\x04\x05\x06\x07\x08", 8);
    EXPECT_EQ(orvik::MirrorBaseImage(&thin.b), 0);
    EXPECT_EQ(Pixel32(thin.b, 0, 0), 0x04030201u);
    BaseImage empty{};
    orvik::FillArgb32ColorFormat(&empty.format);
    empty.width = 4;
    EXPECT_EQ(orvik::MirrorBaseImage(&empty), -1);
    empty.format.compression = orvik::kCompressionDxt1;
    EXPECT_EQ(orvik::FlipBaseImage(&empty), -1);
}

// Every pixel size, in rows long enough for whole words and a rest: each pixel keeps its
// bytes and lands where mirroring, then the half turn (the middle row kept), puts it.
TEST(BaseImageTest, MirrorAndFlipMoveWholePixelsOfEverySize) {
    constexpr int kWidth = 21, kHeight = 3;
    for (int bytes = 1; bytes <= 4; ++bytes) {
        SCOPED_TRACE(bytes);
        BaseImage pattern{};
        pattern.format.bytesPerPixel = static_cast<uint16_t>(bytes);
        Image img;
        ASSERT_EQ(orvik::NewBaseImageLike(kWidth, kHeight, &pattern, &img.b), 0);
        auto at = [&](int x, int y, int k) -> uint8_t& { return img.b.pixels[y * img.b.pitch + x * bytes + k]; };
        auto value = [](int x, int y, int k) { return static_cast<uint8_t>(y * 85 + x * 4 + k); };
        auto expect = [&](auto source) {
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x)
                    for (int k = 0; k < bytes; ++k) ASSERT_EQ(at(x, y, k), source(x, y, k)) << x << "," << y;
        };
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                for (int k = 0; k < bytes; ++k) at(x, y, k) = value(x, y, k);
        ASSERT_EQ(orvik::MirrorBaseImage(&img.b), 0);
        expect([&](int x, int y, int k) { return value(kWidth - 1 - x, y, k); });
        ASSERT_EQ(orvik::FlipBaseImage(&img.b), 0);
        expect([&](int x, int y, int k) {
            return y == 1 ? value(kWidth - 1 - x, y, k) : value(x, kHeight - 1 - y, k);
        });
    }
}

TEST(BaseImageTest, HalvingAveragesChannelsAndRefusesOddSides) {
    orvik::ColorFormat f{};
    orvik::FillArgb32ColorFormat(&f);
    const uint32_t src[2][4] = {{0xFF000000, 0x01020304, 0x00000010, 0x00000010},
                                {0x01010101, 0x03030303, 0x00000010, 0x00000011}};
    uint32_t dst[2] = {0xDEADBEEF, 0xDEADBEEF};
    ASSERT_EQ(orvik::HalveImageBlt(&f, dst, 8, src, 16, 0, 0, 0, 0, 4, 2), 0);
    // Alpha (255+1+1+3)>>2 = 0x41, red 6>>2, green 7>>2, blue 8>>2: sums truncate.
    EXPECT_EQ(dst[0], 0x41010102u);
    EXPECT_EQ(dst[1], 0x00000010u);
    EXPECT_EQ(orvik::HalveImageBlt(&f, dst, 8, src, 16, 0, 0, 0, 0, 3, 2), -1);
    EXPECT_EQ(dst[1], 0x00000010u);
    // A one-pixel-high row halves pairs of columns.
    ASSERT_EQ(orvik::HalveImageBlt(&f, dst, 8, src[1], 16, 0, 0, 0, 0, 4, 1), 0);
    EXPECT_EQ(dst[0], 0x02020202u);
    // 24-bit pixels are left alone.
    orvik::FillRgb24ColorFormat(&f);
    dst[0] = 7;
    EXPECT_EQ(orvik::HalveImageBlt(&f, dst, 8, src, 16, 0, 0, 0, 0, 2, 2), 0);
    EXPECT_EQ(dst[0], 7u);
}

TEST(BaseImageTest, ConvertClipsNegativeStartsAndSizes) {
    Image src, dst;
    ASSERT_EQ(orvik::NewArgb32BaseImage(4, 4, &src.b), 0);
    ASSERT_EQ(orvik::NewXrgb32BaseImage(3, 3, &dst.b), 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) orvik::WriteBaseImagePixel(&src.b, x, y, x, y, 9, 0);
    orvik::ZeroBaseImageRect(&dst.b, 0, 0, 3, 3);
    // Source start -1 moves the destination start to 1 and shortens the rectangle.
    ASSERT_EQ(orvik::ConvertBaseImageFormat(-1, 0, 10, 10, 0, 0, &src.b, &dst.b), 0);
    EXPECT_EQ(Pixel32(dst.b, 0, 0), 0u);
    EXPECT_EQ(Pixel32(dst.b, 1, 0), 0x00000009u);
    EXPECT_EQ(Pixel32(dst.b, 2, 2), 0x00010209u);
    EXPECT_EQ(orvik::ConvertBaseImageFormat(0, 0, 2, 2, 5, 5, &src.b, &dst.b), 0);
}

}  // namespace
