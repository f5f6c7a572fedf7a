// Turning rendered coverage into GDI's bitmap formats and glyph metrics.
#include "host/font/glyph_bitmap.h"

#include <gtest/gtest.h>

#include <vector>

using host::GlyphImage;

namespace {

GlyphImage Image(int32_t width, int32_t rows, std::vector<uint8_t> coverage) {
    GlyphImage image;
    image.width = width;
    image.rows = rows;
    image.left = 1;
    image.top = 9;
    image.advance = 12;
    image.coverage = std::move(coverage);
    return image;
}

std::vector<uint8_t> Write(const GlyphImage& image, uint32_t format) {
    std::vector<uint8_t> out(host::GlyphBitmapSize(image, format), 0xEE);
    host::WriteGlyphBitmap(image, format, out);
    return out;
}

TEST(GlyphBitmap, MonoRowsAreMsbFirstAndPaddedToFourBytes) {
    // 10 x 2: row 0 has its first, ninth and last pixel set; row 1 is half covered
    // (127 is below the mono threshold, 128 reaches it).
    std::vector<uint8_t> cov(20, 0);
    cov[0] = 255;
    cov[8] = 200;
    cov[9] = 128;
    cov[10] = 127;
    cov[11] = 255;
    GlyphImage image = Image(10, 2, cov);
    EXPECT_EQ(host::GlyphRowPitch(image, host::GGO_BITMAP), 4u);
    EXPECT_EQ(host::GlyphBitmapSize(image, host::GGO_BITMAP), 8u);
    std::vector<uint8_t> expected = {0x80, 0xC0, 0, 0, 0x40, 0x00, 0, 0};
    EXPECT_EQ(Write(image, host::GGO_BITMAP), expected);
}

TEST(GlyphBitmap, PitchesAtTheFourByteBoundaries) {
    struct Case {
        int32_t width;
        uint32_t mono, grey;
    };
    for (Case c : {Case{1, 4, 4}, Case{4, 4, 4}, Case{5, 4, 8}, Case{32, 4, 32}, Case{33, 8, 36}}) {
        GlyphImage image = Image(c.width, 3, std::vector<uint8_t>(size_t(c.width) * 3, 255));
        EXPECT_EQ(host::GlyphRowPitch(image, host::GGO_BITMAP), c.mono) << c.width;
        EXPECT_EQ(host::GlyphRowPitch(image, host::GGO_GRAY4_BITMAP), c.grey) << c.width;
        EXPECT_EQ(host::GlyphBitmapSize(image, host::GGO_GRAY8_BITMAP), c.grey * 3) << c.width;
    }
}

TEST(GlyphBitmap, GreyLevelsSpanZeroToTheFormatsTop) {
    GlyphImage image = Image(5, 1, {0, 8, 128, 247, 255});
    std::vector<uint8_t> gray4 = Write(image, host::GGO_GRAY4_BITMAP);
    ASSERT_EQ(gray4.size(), 8u);
    // Seventeen levels: no ink stays 0, full ink is 16, the padding is cleared.
    EXPECT_EQ(std::vector<uint8_t>(gray4.begin(), gray4.begin() + 8),
              (std::vector<uint8_t>{0, 1, 8, 15, 16, 0, 0, 0}));
    std::vector<uint8_t> gray2 = Write(image, host::GGO_GRAY2_BITMAP);
    EXPECT_EQ(gray2[0], 0);
    EXPECT_EQ(gray2[2], 2);
    EXPECT_EQ(gray2[4], 4);
    std::vector<uint8_t> gray8 = Write(image, host::GGO_GRAY8_BITMAP);
    EXPECT_EQ(gray8[2], 32);
    EXPECT_EQ(gray8[4], 64);
}

TEST(GlyphBitmap, AGlyphWithoutInkNeedsNoBytesAndHasAOnePixelBox) {
    GlyphImage space;
    space.advance = 8;
    EXPECT_TRUE(host::IsWellFormedGlyph(space));
    EXPECT_EQ(host::GlyphBitmapSize(space, host::GGO_BITMAP), 0u);
    EXPECT_EQ(host::GlyphBitmapSize(space, host::GGO_GRAY4_BITMAP), 0u);
    host::GLYPHMETRICS gm = host::GlyphMetricsOf(space);
    EXPECT_EQ(gm.gmBlackBoxX, 1u);
    EXPECT_EQ(gm.gmBlackBoxY, 1u);
    EXPECT_EQ(gm.gmptGlyphOrigin.x, 0);
    EXPECT_EQ(gm.gmptGlyphOrigin.y, 0);
    EXPECT_EQ(gm.gmCellIncX, 8);
    // A box with a width but no rows has no ink either.
    EXPECT_EQ(host::GlyphBitmapSize(Image(4, 0, {}), host::GGO_BITMAP), 0u);
}

TEST(GlyphBitmap, ImagesWhoseSizesDisagreeAreRefused) {
    EXPECT_FALSE(host::IsWellFormedGlyph(Image(3, 3, std::vector<uint8_t>(8, 0))));
    EXPECT_FALSE(host::IsWellFormedGlyph(Image(-1, 3, {})));
    EXPECT_FALSE(host::IsWellFormedGlyph(Image(100000, 100000, {})));
    EXPECT_TRUE(host::IsWellFormedGlyph(Image(3, 3, std::vector<uint8_t>(9, 0))));
}

}  // namespace
