#include "engine/graphics/fonts/font_geometry.h"
#include "font_env.h"

using namespace orvik;

TEST(FontGeometry, CellIsWidestCharacterPlusMarginsRoundedUpTo8) {
    EXPECT_EQ(FontCellSize(16, 1, 0, 16), 24);  // 18 -> 24
    EXPECT_EQ(FontCellSize(14, 1, 1, 16), 24);  // 14 + 2 + 2 = 18 -> 24
    EXPECT_EQ(FontCellSize(6, 1, 0, 8), 8);     // exactly 8 stays
    EXPECT_EQ(FontCellSize(20, 3, 1, 20), 32);  // 28 -> 32
    // A cell narrower than the character height grows to it.
    EXPECT_EQ(FontCellSize(6, 1, 0, 26), 26);
}

TEST(FontGeometry, CharacterHeightAddsEdgesAndIsMadeEven) {
    EXPECT_EQ(FontCharHeight(16, 1, 0), 16);
    EXPECT_EQ(FontCharHeight(17, 1, 0), 18);
    EXPECT_EQ(FontCharHeight(16, 1, 1), 18);
    EXPECT_EQ(FontCharHeight(15, 2, 1), 20);  // 19 -> 20
    EXPECT_EQ(FontCharHeight(16, 3, 0), 16);  // the edge counts only for edged fonts
}

TEST(FontGeometry, TextureCacheDoublesTheSmallerSideWhileFewerThan10Cells) {
    CacheGeometry g = TextureCacheGeometry(64);
    EXPECT_EQ(g.width, 512);
    EXPECT_EQ(g.height, 512);
    EXPECT_EQ(g.cells, 64);
    EXPECT_EQ(g.cellsPerColumn, 8);
    g = TextureCacheGeometry(161);  // 3 x 3 = 9: the width doubles
    EXPECT_EQ(g.width, 1024);
    EXPECT_EQ(g.height, 512);
    EXPECT_EQ(g.cells, 18);
    EXPECT_EQ(g.cellsPerColumn, 3);
    EXPECT_EQ(TextureCacheGeometry(128).width, 512);  // 4 x 4 = 16
    EXPECT_EQ(TextureCacheGeometry(129).width, 1024);  // 3 x 3 = 9
    g = TextureCacheGeometry(300);  // 1 -> 3 (1024 x 512) -> 9 (1024 x 1024) -> 18 (2048 x 1024)
    EXPECT_EQ(g.width, 2048);
    EXPECT_EQ(g.height, 1024);
    EXPECT_EQ(g.cells, 18);
    EXPECT_EQ(g.cellsPerColumn, 3);
    EXPECT_EQ(TextureCacheGeometry(8).cells, 2024);  // 4096 capped
    EXPECT_EQ(TextureCacheGeometry(0).cells, 0);
    EXPECT_GT(TextureCacheGeometry(20000).width, 0);  // ends even for an absurd cell
}

TEST(FontGeometry, SoftwareCacheIsOneColumnOf20To2024Cells) {
    CacheGeometry g = SoftwareCacheGeometry(24, 0);
    EXPECT_EQ(g.cells, 568);  // 327680 / 576
    EXPECT_EQ(g.bits, 1);
    EXPECT_EQ(g.pitch, 3);
    EXPECT_EQ(g.width, 24);
    EXPECT_EQ(g.height, 568 * 24);
    EXPECT_EQ(g.cellsPerColumn, 568);
    EXPECT_EQ(SoftwareCacheGeometry(8, 1).cells, 2024);
    EXPECT_EQ(SoftwareCacheGeometry(8, 1).pitch, 8);
    EXPECT_EQ(SoftwareCacheGeometry(208, 2).cells, 20);
    EXPECT_EQ(SoftwareCacheGeometry(26, 3).bits, 8);
}

TEST(FontGeometry, CellsRunDownColumnsFirst) {
    EXPECT_EQ(CellPosition(0, 24, 21).x, 0);
    CellOrigin c = CellPosition(22, 24, 21);
    EXPECT_EQ(c.x, 24);
    EXPECT_EQ(c.y, 24);
    c = CellPosition(20, 24, 21);
    EXPECT_EQ(c.x, 0);
    EXPECT_EQ(c.y, 480);
}

using FontCache = font_test::FontEnv;

TEST_F(FontCache, FontsTakeTheirCellAndCacheFromTheTextMetrics) {
    // Fixed faces: cell height 16, widest character 16.
    int32_t plain = CreateFontToHandle(nullptr, 16, -1, 0, -1, -1, 0);
    const FontRecord* f = GetFontRecord(plain);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->cellSize, 24);
    EXPECT_EQ(f->charHeight, 16);
    EXPECT_EQ(f->slotCount, 568u);
    EXPECT_EQ(f->softBits, 1);
    int32_t edged = CreateFontToHandle(nullptr, 16, -1, -1, -1, 3, 0);  // edge 3 makes it edged
    f = GetFontRecord(edged);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->type, 1);
    EXPECT_EQ(f->charHeight, 22);
    EXPECT_EQ(f->cellSize, 24);  // 16 + 2 + 6
    EXPECT_EQ(f->softBits, 8);

    UseDevice(true);
    int32_t big = CreateFontToHandle(nullptr, 170, -1, 2, -1, -1, 0);
    f = GetFontRecord(big);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->textureCache, 1);
    EXPECT_EQ(f->cellSize, 176);
    EXPECT_EQ(f->cacheWidth, 1024);
    EXPECT_EQ(f->cacheHeight, 512);
    EXPECT_EQ(f->slotCount, 10u);
    EXPECT_EQ(f->cacheImage.format.alphaWidth, 4);
    EXPECT_EQ(f->slots[9].cell, 9u);
    EXPECT_EQ(f->slots[10].cell, 0xFFFFFFFFu);
}

TEST_F(FontCache, CacheGraphicThatCannotBeMadeFallsBackToTheSoftwareCache) {
    UseDevice(true);
    font_test::Recorded().failCreate = 1;
    int32_t h = CreateFontToHandle(nullptr, 16, -1, 0, -1, -1, 0);
    const FontRecord* f = GetFontRecord(h);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->textureCache, 0);
    EXPECT_NE(f->softPixels, nullptr);
    EXPECT_TRUE(LogHas("テクスチャ文字キャッシュの作成に失敗しました"));
}
