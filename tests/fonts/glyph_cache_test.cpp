#include "engine/graphics/fonts/font_geometry.h"
#include "font_env.h"

using namespace orvik;

namespace {

bool Cached(const FontRecord* f, char c) { return f->index[uint8_t(c)].used != 0; }

uint16_t Texel(const BaseImage& img, int x, int y) {
    uint16_t v;
    std::memcpy(&v, img.pixels + size_t(y) * img.pitch + size_t(x) * 2, 2);
    return v;
}

int AlphaOf(const BaseImage& img, uint16_t texel) {
    return int((texel & img.format.alphaMask) >> img.format.alphaShift);
}

}  // namespace

using GlyphCache = font_test::FontEnv;

TEST_F(GlyphCache, OldestGlyphIsReplacedFirstAndEveryCharacterStillDraws) {
    // A 200-pixel font: cell 208, so the software cache holds its least of 20 cells.
    int32_t h = CreateFontToHandle(nullptr, 200, -1, 0, -1, -1, 0);
    const FontRecord* f = GetFontRecord(h);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->slotCount, 20u);
    const char* text = "ABCDEFGHIJKLMNOPQRSTUVWXY";  // 25 distinct characters
    EXPECT_EQ(DrawTextCore(0, 0, 0, 0, 1, 1, text, 0, nullptr, h, 0, 0, nullptr), 25 * 100);
    for (char c = 'A'; c <= 'E'; ++c) EXPECT_FALSE(Cached(f, c)) << c;
    for (char c = 'F'; c <= 'Y'; ++c) EXPECT_TRUE(Cached(f, c)) << c;
    EXPECT_EQ(f->nextSlot, 5u);
    // The 21st glyph, U, wrapped round into slot 0.
    EXPECT_EQ(f->index[uint8_t('U')].slot, &f->slots[0]);
    EXPECT_EQ(f->index[uint8_t('Y')].slot, &f->slots[4]);
    EXPECT_EQ(f->index[uint8_t('F')].slot, &f->slots[5]);
    // Drawing A again replaces the oldest glyph left, F.
    DrawTextCore(0, 0, 0, 0, 1, 1, "A", 0, nullptr, h, 0, 0, nullptr);
    EXPECT_TRUE(Cached(f, 'A'));
    EXPECT_FALSE(Cached(f, 'F'));
}

TEST_F(GlyphCache, AntialiasedTexelsTakeTheGreyLevelAsAlpha) {
    UseDevice(true);
    // One row of four levels: coverage 0, 16 (level 1), 128 (level 8) and 255 (level 16).
    host::GlyphImage g;
    g.width = 4;
    g.rows = 1;
    g.top = 5;
    g.advance = 6;
    g.coverage = {0, 16, 128, 255};
    ASSERT_TRUE(glyphs_->AddGlyph(U'a', g));
    int32_t h = CreateFontToHandle(nullptr, 16, -1, kFontTypeAntialias, -1, -1, 0);
    const FontRecord* f = GetFontRecord(h);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->textureCache, 1);
    CacheStringGlyphs("a", -1, h, nullptr, nullptr);
    ASSERT_TRUE(Cached(f, 'a'));
    const BaseImage& img = f->cacheImage;
    // The glyph sits one pixel right and down from its cell's corner (cell 0).
    EXPECT_EQ(Texel(img, 1, 1), 0);  // level 0: white of alpha 0 is no colour at all here
    EXPECT_EQ(AlphaOf(img, Texel(img, 2, 1)), 0);
    EXPECT_EQ(AlphaOf(img, Texel(img, 3, 1)), 7);
    EXPECT_EQ(AlphaOf(img, Texel(img, 4, 1)), 15);
    uint16_t white = uint16_t(img.format.redMask | img.format.greenMask | img.format.blueMask);
    EXPECT_EQ(Texel(img, 4, 1) & white, white);
    EXPECT_EQ(Texel(img, 5, 1), 0);
    EXPECT_GE(font_test::Recorded().uploads, 1);
}

TEST_F(GlyphCache, SoftwareCacheStoresLevelsMinusOneAndTheEdgeAbove) {
    host::GlyphImage g;
    g.width = 3;
    g.rows = 1;
    g.top = 5;
    g.advance = 4;
    g.coverage = {16, 255, 0};
    ASSERT_TRUE(glyphs_->AddGlyph(U'b', g));
    int32_t h = CreateFontToHandle(nullptr, 16, -1, kFontTypeAntialiasEdge, -1, 1, 0);
    const FontRecord* f = GetFontRecord(h);
    ASSERT_NE(f, nullptr);
    CacheStringGlyphs("b", -1, h, nullptr, nullptr);
    const GlyphSlot* s = f->index[uint8_t('b')].slot;
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->boxWidth, 5);  // grown by the edge on both sides
    EXPECT_EQ(s->boxHeight, 3);
    EXPECT_EQ(s->advance, 6);
    CellOrigin c = CellPosition(s->cell, f->cellSize, f->cellsPerColumn);
    const uint8_t* row0 = f->softPixels + size_t(c.y) * f->softPitch;
    const uint8_t* row1 = row0 + f->softPitch;
    EXPECT_EQ(row1[1] & 15, 0);   // level 1 stored as 0
    EXPECT_EQ(row1[2] & 15, 15);  // level 16 stored as 15
    EXPECT_EQ(row1[3], 15 << 4);  // empty body, edge of the full neighbour
    EXPECT_EQ(row0[2] >> 4, 15);  // above the full pixel
    EXPECT_EQ(row0[1] >> 4, 0);   // over the level-1 pixel; the full pixel's stamp has no corners
    EXPECT_EQ(row0[0], 0);
    EXPECT_EQ(row1[0] >> 4, 0);   // beside the level-1 pixel: its level 1 is stored as 0
}

TEST_F(GlyphCache, InklessAndUnreadableGlyphsAdvanceWithoutCrashing) {
    host::GlyphImage empty;
    empty.advance = 7;  // no rows, no columns: GDI reports a 1 x 1 box and size 0
    ASSERT_TRUE(glyphs_->AddGlyph(U'e', empty));
    int32_t h = CreateFontToHandle(nullptr, 16, -1, 0, -1, -1, 0);
    const FontRecord* f = GetFontRecord(h);
    EXPECT_EQ(DrawTextCore(0, 0, 0, 0, 1, 1, "e", 0, nullptr, h, 0, 0, nullptr), 7);
    EXPECT_EQ(f->index[uint8_t('e')].slot->boxWidth, 0);

    host::FontFaults faults;
    faults.glyphOutline = -1;  // every glyph query fails
    host::SetFontFaults(faults);
    EXPECT_EQ(DrawTextCore(0, 0, 0, 0, 1, 1, "xe", 0, nullptr, h, 0, 0, nullptr), 7);
    EXPECT_TRUE(LogHas("GetGlyphOutline 関数が失敗しました"));
    EXPECT_TRUE(Cached(f, 'x'));  // kept as an empty glyph, not asked for on every draw
}
