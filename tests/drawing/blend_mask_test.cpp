// The blend mask on the device path: a graphic's alpha weighting every pixel of textured
// draws through the border and range ramp, checked pixel by pixel against hand-worked
// values; masks too small for the graphic; free quadrangles through the grid.
#include <orvik/mask.h>

#include <array>

#include "drawing_fixture.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/device/state_cache.h"
#include "host/d3d9/device/d3d9_host.h"

namespace orvik_test {
namespace {

using namespace orvik;

// A mask graphic of w x h whose alpha at (x, y) is alpha(x, y); its colour does not count.
int32_t MaskGraph(int w, int h, const std::function<int(int, int)>& alpha) {
    BaseImage image{};
    if (NewArgb32BaseImage(w, h, &image) != 0) return -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) WriteBaseImagePixel(&image, x, y, 10, 200, 30, alpha(x, y));
    const int32_t handle = SetGraphFromBaseImage(&image, nullptr, 0, 0, 0);
    FreeBaseImage(&image);
    return handle;
}

// Four columns of mask alpha, one per column of a 4-wide graphic.
int32_t ColumnMask(int h, std::array<int, 4> columns) {
    return MaskGraph(4, h, [=](int x, int) { return columns[size_t(x)]; });
}

class BlendMaskTest : public DrawingTest {
protected:
    // Pixels x0, x0 + 1, ... of row y.
    static void ExpectRow(int y, int x0, const std::vector<uint32_t>& want) {
        for (size_t i = 0; i < want.size(); ++i)
            EXPECT_EQ(Pixel(x0 + int(i), y), want[i]) << "at " << x0 + int(i) << "," << y;
    }
};

TEST_F(BlendMaskTest, MaskAlphaWeightsASpriteAtAPoint) {
    // Border 128 with range 255 weights each pixel by the mask's alpha itself: on black,
    // colour x alpha / 255, e.g. 0xC0 x 64 / 255 = 48.2 -> 0x30.
    const int32_t sprite = SolidGraph(4, 1, 0xC08040);
    const int32_t mask = ColumnMask(1, {0, 64, 128, 255});
    ASSERT_EQ(SetBlendMaskGraph(mask, 128, 255), 0);
    ASSERT_EQ(DrawGraphAt(20, 10, sprite, 0), 0);
    ExpectRow(10, 20, {kBlack, 0x302010u, 0x604020u, 0xC08040u, kBlack});
    // The two-texture vertices carry the mask; clearing the mask draws the sprite whole.
    ASSERT_EQ(SetBlendMaskGraph(-1, 0, 0), 0);
    ASSERT_EQ(DrawGraphAt(20, 11, sprite, 0), 0);
    EXPECT_EQ(LitColumns(11, 18, 26), Range(20, 23));
    EXPECT_EQ(Pixel(20, 11), 0xC08040u);
    // A mask without alpha hides where its transparent colour lies and shows elsewhere.
    ASSERT_EQ(SetTransparentColor(255, 0, 255), 0);
    ASSERT_EQ(SetBlendMaskGraph(MakeGraph(4, 1, [](int x, int) { return x == 1 ? 0xFF00FFu : 0x123456u; }), 128, 255), 0);
    ASSERT_EQ(DrawGraphAt(20, 12, sprite, 0), 0);
    EXPECT_EQ(LitColumns(12, 18, 26), (std::vector<int>{20, 22, 23}));
}

TEST_F(BlendMaskTest, EachTextureOfARunOfSpritesIsMasked) {
    // Sprites of two graphics one after the other under one mask: only the texture changes
    // between them, and the second is weighted as the first.
    const int32_t first = SolidGraph(4, 1, 0xC08040), second = SolidGraph(4, 1, 0x40C080);
    ASSERT_EQ(SetBlendMaskGraph(ColumnMask(1, {0, 64, 128, 255}), 128, 255), 0);
    ASSERT_EQ(DrawGraphAt(20, 10, first, 0), 0);
    ASSERT_EQ(DrawGraphAt(20, 11, second, 0), 0);
    ExpectRow(10, 20, {kBlack, 0x302010u, 0x604020u, 0xC08040u});
    ExpectRow(11, 20, {kBlack, 0x103020u, 0x206040u, 0x40C080u});
}

TEST_F(BlendMaskTest, BorderAndRangeMakeTheRamp) {
    // Range 63 is a slope of 4; border 64 puts the weight's zero at alpha (5 x 64 - 256) / 4
    // = 16: alphas 16, 32, 48, 80 give weights 0, 64, 128 and 256 (full).
    const int32_t white = SolidGraph(4, 1, 0xFFFFFF);
    const int32_t mask = ColumnMask(1, {16, 32, 48, 80});
    ASSERT_EQ(SetBlendMaskGraph(mask, 64, 63), 0);
    ASSERT_EQ(DrawGraphAt(0, 0, white, 0), 0);
    ExpectRow(0, 0, {kBlack, 0x404040u, 0x808080u, 0xFFFFFFu});
    // Range 127 is a slope of 2 with the zero at (3 x 100 - 256) / 2 = 22.
    ASSERT_EQ(SetBlendMaskGraph(mask, 100, 127), 0);
    ASSERT_EQ(DrawGraphAt(0, 1, white, 0), 0);
    // 16 lies below 22; 2 x (32 - 22) = 20; 2 x (48 - 22) = 52.
    ExpectRow(1, 0, {kBlack, 0x141414u, 0x343434u});
    // Border 0 lets everything through; border 255 hides everything.
    ASSERT_EQ(SetBlendMaskGraph(mask, 0, 255), 0);
    ASSERT_EQ(DrawGraphAt(0, 2, white, 0), 0);
    EXPECT_EQ(LitColumns(2, 0, 5), Range(0, 3));
    EXPECT_EQ(Pixel(0, 2), 0xFFFFFFu);
    ASSERT_EQ(SetBlendMaskGraph(mask, 255, 255), 0);
    const uint64_t calls = DrawCalls();
    ASSERT_EQ(DrawGraphAt(0, 3, white, 0), 0);
    EXPECT_EQ(LitColumns(3, 0, 5), std::vector<int>{});
    EXPECT_EQ(DrawCalls(), calls);
}

TEST_F(BlendMaskTest, WeightCombinesWithBlendParameterAndBrightness) {
    // Alpha blending at 128 over grey 0x404040 with weight 255 (column 3) and 128
    // (column 2): alphas 128 and 64; 0xFF x 128/255 + 0x40 x 127/255 = 160 -> 0xA0.
    ASSERT_EQ(DrawFilledBox(0, 0, 8, 2, GetColorValue(0x40, 0x40, 0x40)), 0);
    const int32_t white = SolidGraph(4, 1, 0xFFFFFF);
    ASSERT_EQ(SetBlendMaskGraph(ColumnMask(1, {0, 0, 128, 255}), 128, 255), 0);
    ASSERT_EQ(SetBlendMode(1, 128), 0);
    ASSERT_EQ(DrawGraphAt(0, 0, white, 0), 0);
    // Column 2: 255 x 64/255 + 64 x 191/255 = 111.9.
    ExpectRow(0, 1, {0x404040u, 0x707070u, 0xA0A0A0u});
    // Brightness tints the colour before the weight: pure red at weights 128 and 255.
    ASSERT_EQ(SetBlendMode(0, 0), 0);
    ASSERT_EQ(SetDrawBrightness(255, 0, 0), 0);
    ASSERT_EQ(DrawGraphAt(0, 1, white, 0), 0);
    // Column 2: 255 x 128/255 + 64 x 127/255 in red, 64 x 127/255 in green and blue.
    ExpectRow(1, 2, {0xA02020u, 0xFF0000u});
}

TEST_F(BlendMaskTest, StretchedAndRotatedDrawsAddressTheMaskInGraphicPixels) {
    const int32_t white = SolidGraph(4, 2, 0xFFFFFF);
    ASSERT_EQ(SetBlendMaskGraph(ColumnMask(2, {0, 255, 0, 255}), 128, 255), 0);
    // Twice as wide: each mask column covers two pixels.
    ASSERT_EQ(DrawGraphStretched(10, 10, 18, 12, white, 0), 0);
    EXPECT_EQ(LitColumns(10, 8, 20), (std::vector<int>{12, 13, 16, 17}));
    // Mirrored: the mask turns with the graphic.
    ASSERT_EQ(DrawGraphStretched(38, 20, 30, 22, white, 0), 0);
    EXPECT_EQ(LitColumns(21, 28, 40), (std::vector<int>{30, 31, 34, 35}));
    // Half a turn about (50, 40): graphic columns 0..3 land on 51, 50, 49, 48.
    ASSERT_EQ(DrawGraphRotated(50, 40, 1.0, 3.141592653589793, white, 0, 0), 0);
    EXPECT_EQ(LitColumns(39, 45, 55), (std::vector<int>{48, 50}));
    EXPECT_EQ(LitColumns(40, 45, 55), (std::vector<int>{48, 50}));
    // A clipped draw keeps the mask on the graphic's own pixels.
    ASSERT_EQ(SetDrawClipRect(61, 0, 640, 480), 0);
    ASSERT_EQ(DrawGraphAt(60, 50, white, 0), 0);
    EXPECT_EQ(LitColumns(50, 58, 66), (std::vector<int>{61, 63}));
}

TEST_F(BlendMaskTest, AMaskSmallerThanTheGraphicRefusesEveryDraw) {
    const int32_t sprite = SolidGraph(4, 2, 0xFFFFFF);
    const int32_t narrow = MaskGraph(3, 2, [](int, int) { return 255; });
    const int32_t low = MaskGraph(4, 1, [](int, int) { return 255; });
    for (int32_t mask : {narrow, low}) {
        ASSERT_EQ(SetBlendMaskGraph(mask, 0, 255), 0);
        EXPECT_EQ(DrawGraphAt(0, 0, sprite, 0), -1);
        EXPECT_EQ(DrawGraphStretched(0, 0, 8, 8, sprite, 0), -1);
        EXPECT_EQ(DrawGraphRotated(20, 20, 1.0, 0.5, sprite, 0, 0), -1);
        EXPECT_EQ(DrawGraphQuad(0, 0, 8, 0, 8, 8, 0, 8, sprite, 0), -1);
        const PolygonVertex v[3] = {{0, 0, 0, 0, 0xFFFFFFFF}, {8, 0, 1, 0, 0xFFFFFFFF}, {0, 8, 0, 1, 0xFFFFFFFF}};
        EXPECT_EQ(DrawGraphPolygon(v, 3, 4, sprite, 0, 1), -1);
    }
    EXPECT_EQ(LitColumns(1, 0, 30), std::vector<int>{});
    // A deleted mask refuses too, and an invalid handle is not taken.
    ASSERT_EQ(SetBlendMaskGraph(MaskGraph(4, 2, [](int, int) { return 255; }), 0, 255), 0);
    ASSERT_EQ(DeleteGraphHandle(Draw().blendMaskGraph), 0);
    EXPECT_EQ(DrawGraphAt(0, 0, sprite, 0), -1);
    EXPECT_EQ(SetBlendMaskGraph(0x0800FFFF, 0, 255), -1);
    // Untextured shapes ignore the mask.
    EXPECT_EQ(DrawFilledBox(0, 4, 3, 5, GetColorValue(255, 255, 255)), 0);
    EXPECT_EQ(LitColumns(4, 0, 5), Range(0, 2));
}

TEST_F(BlendMaskTest, AFreeQuadrangleWithAMaskIsDrawnThroughTheGrid) {
    // Left half of the mask hidden, right half shown, on a trapezoid whose bottom edge is
    // twice as long as its top edge.
    const int32_t white = SolidGraph(16, 16, 0xFFFFFF);
    ASSERT_EQ(SetBlendMaskGraph(MaskGraph(16, 16, [](int x, int) { return x < 8 ? 0 : 255; }), 128, 255), 0);
    const uint64_t primitives = Primitives();
    ASSERT_EQ(DrawGraphQuad(110, 100, 130, 100, 140, 140, 100, 140, white, 0), 0);
    FlushVertexBatch();
    EXPECT_GT(Primitives() - primitives, 20u);  // a grid of cells, not two triangles
    // The middle of every row is where the mask switches: x = 120 at every height.
    for (int y : {101, 120, 138}) {
        EXPECT_EQ(Pixel(118, y), kBlack) << y;
        EXPECT_EQ(Pixel(121, y), 0xFFFFFFu) << y;
    }
    // The right edge follows the trapezoid: at y = 120 it lies at x = 135.
    EXPECT_EQ(Pixel(133, 120), 0xFFFFFFu);
    EXPECT_EQ(Pixel(137, 120), kBlack);
    // Without the mask too; a parallelogram is two triangles.
    ASSERT_EQ(SetBlendMaskGraph(-1, 0, 0), 0);
    const uint64_t before = Primitives();
    ASSERT_EQ(DrawGraphQuad(110, 200, 130, 200, 140, 240, 100, 240, white, 0), 0);
    FlushVertexBatch();
    EXPECT_GT(Primitives() - before, 20u);
    EXPECT_EQ(LitColumns(220, 100, 140), Range(105, 134));
    const uint64_t grid = Primitives();
    ASSERT_EQ(DrawGraphQuad(300, 200, 320, 200, 330, 240, 310, 240, white, 0), 0);
    FlushVertexBatch();
    EXPECT_EQ(Primitives() - grid, 2u);
    ASSERT_EQ(SetBlendMaskGraph(MaskGraph(16, 16, [](int x, int) { return x < 8 ? 0 : 255; }), 128, 255), 0);
    // A rectangle given as a quadrangle is a stretched draw.
    ASSERT_EQ(DrawGraphQuad(200, 10, 232, 10, 232, 26, 200, 26, white, 0), 0);
    EXPECT_EQ(LitColumns(12, 195, 240), Range(216, 231));
}

TEST_F(BlendMaskTest, PolygonsTakeTheMaskFromTheirTextureCoordinates) {
    const int32_t white = SolidGraph(4, 4, 0xFFFFFF);
    ASSERT_EQ(SetBlendMaskGraph(ColumnMask(4, {255, 0, 255, 0}), 128, 255), 0);
    const uint32_t c = 0xFFFFFFFF;
    const PolygonVertex v[4] = {{-0.5f, -0.5f, 0, 0, c}, {7.5f, -0.5f, 1, 0, c}, {-0.5f, 3.5f, 0, 1, c},
                                {7.5f, 3.5f, 1, 1, c}};
    ASSERT_EQ(DrawGraphPolygon(v, 4, 5, white, 0, 1), 0);
    EXPECT_EQ(LitColumns(1, 0, 9), (std::vector<int>{0, 1, 4, 5}));
}

TEST_F(BlendMaskTest, FourTimesModesUseTheBuiltInGraphicForFlatDraws) {
    // A flat box in mode 12 is its colour modulated four times by the quarter-grey helper
    // (64/255 x 4 = 256/255, so a bright channel may gain one step).
    const int32_t before = GraphTable().count;
    ASSERT_EQ(SetBlendMode(12, 255), 0);
    ASSERT_EQ(DrawFilledBox(0, 0, 4, 1, GetColorValue(100, 50, 200)), 0);
    EXPECT_EQ(Pixel(1, 0), 0x6432C9u);
    EXPECT_EQ(GraphTable().count, before + 1);
    // Mode 13 adds the colour weighted by the parameter: over 0x10 grey at 128,
    // 100 x 128/255 + 16 = 66.2, 50 -> 41.1, 201 -> 116.9.
    ASSERT_EQ(SetBlendMode(0, 0), 0);
    ASSERT_EQ(DrawFilledBox(0, 1, 4, 2, GetColorValue(16, 16, 16)), 0);
    ASSERT_EQ(SetBlendMode(13, 128), 0);
    ASSERT_EQ(DrawFilledBox(0, 1, 4, 2, GetColorValue(100, 50, 200)), 0);
    EXPECT_EQ(Pixel(1, 1), 0x422975u);
    EXPECT_EQ(GraphTable().count, before + 1);  // made once
    // Textured draws in mode 12 brighten their own texels four times.
    ASSERT_EQ(SetBlendMode(12, 255), 0);
    ASSERT_EQ(DrawGraphAt(0, 2, SolidGraph(2, 1, 0x402010), 0), 0);
    EXPECT_EQ(Pixel(0, 2), 0xFF8040u);
}

class NoTempRegisterTest : public BlendMaskTest {
protected:
    void SetUp() override {
        host::D3D9Settings().tempRegisterCaps = false;
        BlendMaskTest::SetUp();
        ASSERT_EQ(Graphics().dev.tssArgTemp, 0);
    }
};

TEST_F(NoTempRegisterTest, WithoutTheTemporaryRegisterTheMaskAlphaWeighsDirectly) {
    // The ramp needs the temporary register; without it every border and range weighs by
    // the mask's alpha as border 128 with range 255 does.
    const int32_t sprite = SolidGraph(4, 1, 0xC08040);
    const int32_t mask = ColumnMask(1, {0, 64, 128, 255});
    for (int border : {128, 64}) {
        ASSERT_EQ(SetBlendMaskGraph(mask, border, border == 128 ? 255 : 63), 0);
        ASSERT_EQ(DrawGraphAt(20, border, sprite, 0), 0);
        ExpectRow(border, 20, {kBlack, 0x302010u, 0x604020u, 0xC08040u});
    }
}

TEST_F(BlendMaskTest, TheMaskScreenStillCutsDrawsAfterAMaskedDraw) {
    // The masked draw leaves its stages writing the temporary register; the mask screen's
    // composite must not inherit that.
    const int32_t white = SolidGraph(4, 1, 0xFFFFFF);
    ASSERT_EQ(SetBlendMaskGraph(ColumnMask(1, {255, 255, 255, 255}), 128, 255), 0);
    ASSERT_EQ(DrawGraphAt(0, 0, white, 0), 0);
    ASSERT_EQ(SetBlendMaskGraph(-1, 0, 0), 0);
    ASSERT_EQ(CreateMaskScreen(), 0);
    const int32_t cut = MakeMask(4, 1);
    const uint8_t bytes[4] = {0, 1, 0, 1};
    ASSERT_EQ(SetDataToMask(4, 1, bytes, cut), 0);
    ASSERT_EQ(DrawMask(40, 5, cut, kMaskTransNone), 0);
    ASSERT_EQ(DrawGraphAt(40, 5, white, 0), 0);
    ASSERT_EQ(DeleteMaskScreen(), 0);
    EXPECT_EQ(LitColumns(5, 38, 46), (std::vector<int>{40, 42}));
}

}  // namespace
}  // namespace orvik_test
