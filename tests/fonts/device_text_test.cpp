// Text on the device path through the real graphic handles, headless, with fixed glyphs.
#include "../drawing/drawing_fixture.h"
#include "engine/graphics/fonts/font_graph_port.h"
#include "engine/graphics/fonts/fonts_internal.h"
#include "host/d3d9/device/d3d9_host.h"
#include "host/font/fixed_glyph_source.h"
#include "host/font/font_host.h"
#include <orvik/fonts.h>

namespace orvik_test {
namespace {

class DeviceText : public DrawingTest {
protected:
    void SetUp() override {
        DeviceTextSetUpGlyphs();
        DrawingTest::SetUp();
    }
    static void DeviceTextSetUpGlyphs() {
        host::ResetFontHost();
        auto glyphs = std::make_shared<host::FixedGlyphSource>();
        host::GlyphImage g;  // one row: full, level 8 and empty, at the top of a 16-pixel font
        g.width = 3;
        g.rows = 1;
        g.top = 12;
        g.advance = 4;
        g.coverage = {255, 128, 0};
        glyphs->AddGlyph(U'g', g);
        host::SetGlyphSource(glyphs);
        orvik::ResetFontPort();
        orvik::ClearFontSystem();
    }
    void TearDown() override {
        orvik::ClearFontSystem();
        host::ResetFontHost();
    }
};

TEST_F(DeviceText, AntialiasedGlyphsBlendByTheirGreyLevels) {
    int32_t h = orvik::CreateFontToHandle(nullptr, 16, -1, orvik::kFontTypeAntialias, -1, -1, 0);
    ASSERT_EQ(orvik::GetFontRecord(h)->textureCache, 1);
    // Alpha blending: level 9 of 16 is alpha 8 of 15, about half the text colour.
    ASSERT_EQ(orvik::SetBlendMode(1, 255), 0);
    EXPECT_EQ(orvik::DrawTextWithFont(10, 20, "g", 0xFFFFFF, h), 4);
    EXPECT_EQ(Pixel(10, 20), 0xFFFFFFu);
    uint32_t half = Pixel(11, 20);
    EXPECT_GT(half & 0xFF, 0x60u);
    EXPECT_LT(half & 0xFF, 0xA0u);
    EXPECT_EQ(Pixel(12, 20), kBlack);
    EXPECT_EQ(Pixel(10, 21), kBlack);
    // Without a blend mode the grey levels mix the same way, as the software renderer
    // mixes them: the edges stay smooth.
    ASSERT_EQ(orvik::SetBlendMode(0, 255), 0);
    orvik::DrawTextWithFont(10, 30, "g", 0xFFFFFF, h);
    EXPECT_EQ(Pixel(10, 30), 0xFFFFFFu);
    EXPECT_EQ(Pixel(11, 30), half);
    EXPECT_EQ(Pixel(12, 30), kBlack);
}

TEST_F(DeviceText, EdgedTextAndACacheLostWithTheGraphics) {
    int32_t h = orvik::CreateFontToHandle(nullptr, 16, -1, orvik::kFontTypeEdge, -1, 1, 0);
    orvik::DrawTextWithFont(10, 20, "A", 0xFF0000, h, 0x0000FF);
    // Body 8 x 12 one pixel in from (10, 20), edge round it.
    EXPECT_EQ(Pixel(11, 21), 0xFF0000u);
    EXPECT_EQ(Pixel(10, 21), 0x0000FFu);
    EXPECT_EQ(Pixel(19, 32), 0x0000FFu);
    EXPECT_EQ(Pixel(10, 20), kBlack);
    // Every graphic goes (as when the device is lost): the next draw makes the cache again.
    orvik::DeleteAllGraphs();
    EXPECT_EQ(orvik::GetFontRecord(h)->cacheLost, 1);
    ASSERT_EQ(orvik::ClearDrawTarget(), 0);
    orvik::DrawTextWithFont(30, 20, "A", 0x00FF00, h, 0x0000FF);
    EXPECT_EQ(Pixel(31, 21), 0x00FF00u);
    EXPECT_EQ(Pixel(30, 21), 0x0000FFu);
}

// A glyph written into the cache between draws reaches the texels the device samples by
// its own cell: six new characters convert six cells, not the whole cache each time; and
// the draws of other graphics waiting in the batch wait on.
TEST_F(DeviceText, NewGlyphsTouchOnlyTheirCells) {
    int32_t h = orvik::CreateFontToHandle(nullptr, 16, -1, orvik::kFontTypeNormal, -1, -1, 0);
    orvik::DrawTextWithFont(10, 20, "A", 0xFF0000, h);
    orvik::FlushVertexBatch();
    const uint64_t before = host::D3D9Counters().texelsConverted;
    orvik::DrawTextWithFont(10, 40, "BCD", 0xFF0000, h);
    orvik::DrawTextWithFont(10, 60, "EFG", 0x00FF00, h);
    orvik::FlushVertexBatch();
    const int32_t cell = orvik::GetFontRecord(h)->cellSize;
    EXPECT_LE(host::D3D9Counters().texelsConverted - before, uint64_t(6 * cell * cell));
    EXPECT_EQ(Pixel(12, 44), 0xFF0000u);
    EXPECT_EQ(Pixel(28, 44), 0xFF0000u);
    EXPECT_EQ(Pixel(28, 64), 0x00FF00u);
    // Glyphs cached while draws of another graphic wait leave those in the batch.
    const int32_t sprite = SolidGraph(4, 4, 0x0000FF);
    const uint64_t calls = DrawCalls();
    orvik::DrawGraphAt(100, 100, sprite, 0);
    int count = 0;
    orvik::CacheStringGlyphs("HIJ", -1, h, nullptr, &count);
    orvik::DrawGraphAt(110, 100, sprite, 0);
    EXPECT_EQ(Pixel(110, 100), 0x0000FFu);
    EXPECT_EQ(DrawCalls(), calls + 1);
}

// Scaled text on the graphic path: each cell is stretched by the scales, and the pen
// moves by the scaled advance, so two 8 x 12 glyphs at 2 x 3 make one 32 x 36 block.
TEST_F(DeviceText, ScaledTextStretchesItsCells) {
    int32_t h = orvik::CreateFontToHandle(nullptr, 16, -1, orvik::kFontTypeNormal, -1, -1, 0);
    EXPECT_EQ(orvik::DrawTextCore(1, 10, 20, 1, 2.0, 3.0, "AA", 0xFF0000, nullptr, h, 0, 0, nullptr), 32);
    for (int y : {20, 37, 55}) {
        EXPECT_EQ(Pixel(10, y), 0xFF0000u) << y;
        EXPECT_EQ(Pixel(25, y), 0xFF0000u) << y;
        EXPECT_EQ(Pixel(26, y), 0xFF0000u) << y;
        EXPECT_EQ(Pixel(41, y), 0xFF0000u) << y;
        EXPECT_EQ(Pixel(42, y), kBlack) << y;
        EXPECT_EQ(Pixel(9, y), kBlack) << y;
    }
    EXPECT_EQ(Pixel(10, 56), kBlack);
    EXPECT_EQ(Pixel(10, 19), kBlack);
}

TEST_F(DeviceText, FontsOutliveAScreenModeChangeAndGoAtTheEnd) {
    int32_t h = orvik::CreateFontToHandle(nullptr, 16, -1, orvik::kFontTypeNormal, -1, -1, 0);
    orvik::SetFontSpacingToHandle(3, h);
    ASSERT_EQ(orvik::ChangeScreenMode(800, 600, 32, 0, -1), 0);
    ASSERT_EQ(orvik::IsValidFontHandle(h), 1);
    EXPECT_EQ(orvik::GetFontRecord(h)->spacing, 3);
    ASSERT_EQ(orvik::ClearDrawTarget(), 0);
    EXPECT_EQ(orvik::DrawTextWithFont(700, 500, "A", 0xFFFFFF, h), 11);
    EXPECT_EQ(Pixel(701, 501), 0xFFFFFFu);
    ASSERT_EQ(orvik::EndLibrary(), 0);
    EXPECT_EQ(orvik::IsValidFontHandle(h), 0);
}

}  // namespace
}  // namespace orvik_test

namespace orvik_test {
namespace {

// The software screen: anti-aliased and blended text goes through the work images.
class SoftwareText : public DeviceText {
protected:
    void SetUp() override {
        ASSERT_EQ(orvik::SetUseHardwareRendering(0), 0);
        ASSERT_EQ(orvik::SetGraphMode(640, 480, 32), 0);
        DeviceTextSetUpGlyphs();
        ASSERT_EQ(orvik::InitLibrary(), 0);
        ASSERT_EQ(orvik::Graphics().direct3DMode, 0);
    }
    static uint32_t ScreenPixel(int x, int y) {
        const orvik::MEMIMG* s = orvik::Graphics().softScreen;
        uint32_t v;
        std::memcpy(&v, s->pixels + size_t(y) * s->store->pitch + size_t(x) * 4, 4);
        return v & 0xFFFFFF;
    }
};

TEST_F(SoftwareText, AntialiasedTextBlendsFromTheWorkImage) {
    int32_t h = orvik::CreateFontToHandle(nullptr, 16, -1, orvik::kFontTypeAntialias, -1, -1, 0);
    ASSERT_EQ(orvik::GetFontRecord(h)->textureCache, 0);
    EXPECT_EQ(orvik::DrawTextWithFont(10, 20, "g", 0xFFFFFF, h), 4);
    uint32_t full = ScreenPixel(10, 20), half = ScreenPixel(11, 20);
    EXPECT_GT(full & 0xFF, 0xE0u);  // alpha 16 x 15 = 240
    EXPECT_GT(half & 0xFF, 0x60u);  // alpha 16 x 8 = 128
    EXPECT_LT(half & 0xFF, 0xA0u);
    EXPECT_EQ(ScreenPixel(12, 20), kBlack);
    EXPECT_EQ(ScreenPixel(9, 20), kBlack);
}

TEST_F(SoftwareText, BlendedPlainTextKeysOutItsWorkImage) {
    int32_t h = orvik::CreateFontToHandle(nullptr, 16, -1, orvik::kFontTypeNormal, -1, -1, 0);
    ASSERT_EQ(orvik::SetBlendMode(2, 255), 0);  // additive: through the work image
    EXPECT_EQ(orvik::DrawTextWithFont(10, 20, "A", 0x808080, h), 8);
    EXPECT_EQ(ScreenPixel(10, 20), 0x808080u);
    EXPECT_EQ(ScreenPixel(9, 20), kBlack);
    EXPECT_EQ(ScreenPixel(18, 20), kBlack);
}

}  // namespace
}  // namespace orvik_test
