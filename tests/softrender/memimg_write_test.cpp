// Writing base images into memory images (palettes, run codes, premultiplied planes),
// copying between them and painting rectangles.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/graphics/images/base_image.h"
#include "engine/graphics/images/color_format.h"
#include "engine/graphics/images/pixel_access.h"
#include "engine/softrender/pipeline/memimg.h"
#include "engine/softrender/pipeline/memimg_write.h"
#include "engine/softrender/pipeline/soft_state.h"

namespace {

using namespace orvik;

// A base image over a vector the test owns (never freed through the image layer).
struct TestImage {
    BaseImage image{};
    std::vector<uint8_t> bytes;
    TestImage(int width, int height, int bytesPerPixel) {
        image.width = width;
        image.height = height;
        image.pitch = width * bytesPerPixel;
        bytes.assign(static_cast<size_t>(image.pitch) * height, 0);
        image.pixels = bytes.data();
    }
    void Set(int x, int y, uint32_t v) {
        StorePixel(bytes.data() + y * image.pitch + x * image.format.bytesPerPixel,
                   image.format.bytesPerPixel, v);
    }
};

uint32_t At(const MEMIMG& m, int x, int y) {
    const int bytes = MemImgBytesPerPixel(&m);
    return LoadPixel(m.pixels + y * m.store->pitch + x * bytes, bytes);
}

class MemImgWriteTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSoftRender(); }
    void TearDown() override { ReleaseMemImg(&img); }
    MEMIMG img{};
};

TEST_F(MemImgWriteTest, TransparentRunThenOpaqueRun) {
    TestImage src(10, 1, 2);
    FillColorFormatFromMasks(&src.image.format, 16, 0xF800, 0x07E0, 0x001F, 0);
    for (int x = 0; x < 10; ++x) src.Set(x, 0, x < 3 ? 0xF81F : 0x1234 + x);
    ASSERT_EQ(SetupMemImg(&img, 10, 1, -1, 0xF81F, kMemImgRgb565, 0, 0, 1, nullptr), 0);
    ASSERT_GE(WriteBaseImageToMemImg(&src.image, nullptr, &img, 0, 0, 10, 1, 0, 0, 0), 0);
    EXPECT_EQ(img.store->runCodeValid, 1);
    const uint8_t want[] = {0x02, 0x46, 0xC0};
    EXPECT_EQ(std::memcmp(img.store->runCodes, want, 3), 0);
    EXPECT_EQ(At(img, 3, 0), 0x1237u);
}

TEST_F(MemImgWriteTest, LongOpaqueRowSplitsIntoRunsOf64) {
    TestImage src(150, 1, 4);
    FillArgb32ColorFormat(&src.image.format);
    for (int x = 0; x < 150; ++x) src.Set(x, 0, 0xFF000000u | x);
    ASSERT_EQ(SetupMemImg(&img, 150, 1, -1, 0, kMemImgXrgb32, 0, 1, 1, nullptr), 0);
    ASSERT_GE(WriteBaseImageToMemImg(&src.image, nullptr, &img, 0, 0, 150, 1, 0, 0, 0), 0);
    const uint8_t want[] = {0x7F, 0x7F, 0x55, 0xC0};
    EXPECT_EQ(std::memcmp(img.store->runCodes, want, 4), 0);
    EXPECT_EQ(img.store->premulValid, 1);
}

TEST_F(MemImgWriteTest, PremultipliedPlaneOfBothDepths) {
    TestImage src(1, 1, 4);
    FillArgb32ColorFormat(&src.image.format);
    src.Set(0, 0, 0x803264C8);  // alpha 128, red 50, green 100, blue 200
    ASSERT_EQ(SetupMemImg(&img, 1, 1, -1, 0, kMemImgXrgb32, 0, 1, 1, nullptr), 0);
    ASSERT_GE(WriteBaseImageToMemImg(&src.image, nullptr, &img, 0, 0, 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(LoadPixel(img.premulPixels, 4), 0x80193264u);
    ReleaseMemImg(&img);

    src.Set(0, 0, 0x80FFFFFF);
    ASSERT_EQ(SetupMemImg(&img, 1, 1, -1, 0, kMemImgRgb565, 0, 1, 1, nullptr), 0);
    ASSERT_GE(WriteBaseImageToMemImg(&src.image, nullptr, &img, 0, 0, 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(LoadPixel(img.pixels, 4) & 0xFFFFFF, 0x80FFFFu);
    EXPECT_EQ(LoadPixel(img.premulPixels, 2), 0x7BEFu);
    EXPECT_EQ(img.premulPixels[2], 128);
}

TEST_F(MemImgWriteTest, PartialWriteInvalidatesAndBuildsNothing) {
    TestImage src(4, 4, 4);
    FillArgb32ColorFormat(&src.image.format);
    ASSERT_EQ(SetupMemImg(&img, 4, 4, -1, 0, kMemImgXrgb32, 0, 1, 1, nullptr), 0);
    ASSERT_GE(WriteBaseImageToMemImg(&src.image, nullptr, &img, 0, 0, 4, 4, 0, 0, 0), 0);
    ASSERT_EQ(img.store->runCodeValid, 1);
    ASSERT_GE(WriteBaseImageToMemImg(&src.image, nullptr, &img, 0, 0, 2, 2, 1, 1, 0), 0);
    EXPECT_EQ(img.store->runCodeValid, 0);
    EXPECT_EQ(img.store->premulValid, 0);
}

TEST_F(MemImgWriteTest, PaletteImageTakesCountAndConvertedEntries) {
    TestImage src(4, 1, 1);
    FillPalette8ColorFormat(&src.image.format);
    src.image.format.palette[17] = {0xFF, 0x80, 0x00, 0};
    const uint8_t indices[] = {3, 17, 0, 9};
    std::memcpy(src.bytes.data(), indices, 4);
    for (int type : {kMemImgXrgb32, kMemImgRgb565}) {
        ASSERT_EQ(SetupMemImg(&img, 4, 1, -1, 0, type, 1, 0, 0, nullptr), 0);
        ASSERT_GE(WriteBaseImageToMemImg(&src.image, nullptr, &img, 0, 0, 4, 1, 0, 0, 0), 0);
        EXPECT_EQ(img.store->paletteCount, 18);
        EXPECT_EQ(At(img, 1, 0), 17u);
        if (type == kMemImgXrgb32) {
            EXPECT_EQ(LoadPixel(img.store->palette + 17 * 4, 4), 0x000080FFu);
            EXPECT_EQ(LoadPixel(img.store->paletteCopy + 17 * 4, 4), 0x000080FFu);
        } else {
            EXPECT_EQ(LoadPixel(img.store->palette + 17 * 2, 2), 0x041Fu);
        }
        ReleaseMemImg(&img);
    }
}

TEST_F(MemImgWriteTest, RectanglesOutsideEitherImageAreRefused) {
    TestImage src(4, 4, 4);
    FillXrgb32ColorFormat(&src.image.format);
    ASSERT_EQ(SetupMemImg(&img, 4, 4, -1, 0, kMemImgXrgb32, 0, 0, 0, nullptr), 0);
    std::memset(img.pixels, 0xAB, img.store->pitch * 4);
    EXPECT_EQ(WriteBaseImageToMemImg(&src.image, nullptr, &img, 1, 0, 4, 4, 0, 0, 0), -1);
    EXPECT_EQ(WriteBaseImageToMemImg(&src.image, nullptr, &img, 0, 0, 4, 4, 0, 1, 0), -1);
    EXPECT_EQ(WriteBaseImageToMemImg(nullptr, nullptr, &img, 0, 0, 1, 1, 0, 0, 0), -1);
    EXPECT_EQ(At(img, 3, 3), 0xABABABABu);

    MEMIMG small{};
    ASSERT_EQ(SetupMemImg(&small, 2, 2, -1, 0, kMemImgXrgb32, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(CopyMemImgRect(&small, &img, nullptr, 0, 0), -1);
    const int32_t rect[] = {1, 1, 3, 3};
    EXPECT_EQ(CopyMemImgRect(&small, &img, rect, 0, 0), 0);
    EXPECT_EQ(At(small, 1, 1), 0xABABABABu);
    ReleaseMemImg(&small);
}

TEST_F(MemImgWriteTest, PaintClipsToTheImage) {
    ASSERT_EQ(SetupMemImg(&img, 6, 4, -1, 0, kMemImgRgb565, 0, 0, 0, nullptr), 0);
    PaintMemImgRect(&img, nullptr, 0);
    const int32_t corner[] = {-5, -5, 3, 2};
    PaintMemImgRect(&img, corner, 0x12345);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(At(img, x, y), x < 3 && y < 2 ? 0x2345u : 0u) << x << "," << y;
    const int32_t reversed[] = {10, 10, 5, 5};
    PaintMemImgRect(&img, reversed, 0xFFFF);
    EXPECT_EQ(At(img, 5, 3), 0u);
    PaintMemImgRect(&img, nullptr, 0x7777);
    EXPECT_EQ(At(img, 5, 3), 0x7777u);
}

TEST_F(MemImgWriteTest, PaintFillsRowsOfEveryWidthAndPixelSizeExactly) {
    // A rectangle's rows one by one, from any 2-byte boundary; a whole image as one run
    // where its rows have no padding. Values of one repeated byte go to memset. Every
    // width up to a few vectors, and nothing beside the rectangle.
    for (const int type : {kMemImgSingle8, kMemImgRgb565, kMemImgXrgb32})
        for (const uint32_t value : {0x89ABCDEFu, 0x5A5A5A5Au})
            for (int32_t width = 1; width <= 40; ++width) {
                MEMIMG m{};
                const int32_t w = width + 4;
                ASSERT_EQ(SetupMemImg(&m, w, 5, -1, 0, type, 0, 0, 0, nullptr), 0);
                std::memset(m.pixels, 0x11, size_t(m.store->pitch) * 5);
                const int bytes = MemImgBytesPerPixel(&m);
                const uint32_t background = LoadPixel(m.pixels, bytes);
                const uint32_t painted = bytes == 4 ? value : value & ((1u << (8 * bytes)) - 1);
                const int32_t rect[] = {3, 1, 3 + width, 4};
                PaintMemImgRect(&m, rect, value);
                for (int y = 0; y < 5; ++y)
                    for (int x = 0; x < w; ++x) {
                        const bool inside = x >= 3 && x < 3 + width && y >= 1 && y < 4;
                        ASSERT_EQ(At(m, x, y), inside ? painted : background)
                            << "type " << type << " width " << width << " at " << x << "," << y;
                    }
                PaintMemImgRect(&m, nullptr, ~value);
                const uint32_t whole = bytes == 4 ? ~value : ~value & ((1u << (8 * bytes)) - 1);
                for (int y = 0; y < 5; ++y)
                    for (int x = 0; x < w; ++x) ASSERT_EQ(At(m, x, y), whole) << "type " << type << " width " << w;
                ReleaseMemImg(&m);
            }
}

}  // namespace
