// Exact pixels of the drawing functions on the device path: coverage of point, stretched,
// mirrored and rotated draws, lines and boxes, transparency, blending, brightness and the
// draw area.
#include <cmath>
#include <vector>

#include "drawing_fixture.h"
#include "engine/graphics/draw/draw_settings.h"

namespace orvik_test {
namespace {

using namespace orvik;

constexpr double kPi = 3.14159265358979323846;

TEST_F(DrawingTest, PointDrawCoversExactlyTheSpritesPixels) {
    // Each texel distinct: any half-texel shift would show as a wrong colour.
    int32_t s = MakeGraph(3, 3, [](int x, int y) { return 0x102030u + uint32_t(x) * 0x400000 + uint32_t(y) * 0x40; });
    ASSERT_EQ(DrawGraphAt(10, 10, s, 0), 0);
    EXPECT_EQ(LitColumns(10, 0, 20), Range(10, 12));
    EXPECT_EQ(LitRows(11, 0, 20), Range(10, 12));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(Pixel(10 + x, 10 + y), 0x102030u + uint32_t(x) * 0x400000 + uint32_t(y) * 0x40);
}

// Wider than the device's largest texture: the graphic is cut into textures, and a draw
// of its far end shows the right texels.
TEST_F(DrawingTest, AStripWiderThanATextureDrawsItsFarEnd) {
    const int32_t strip = MakeGraph(40000, 2, [](int x, int y) { return uint32_t(x / 100) << 8 | uint32_t(y); });
    ASSERT_GE(strip, 0);
    EXPECT_GT(GetGraphRecord(strip)->images->pieces.size(), 1u);
    ASSERT_EQ(DrawGraphAt(-39990, 10, strip, 0), 0);
    EXPECT_EQ(Pixel(0, 10), 0x018F00u);
    EXPECT_EQ(Pixel(9, 11), 0x018F01u);
    EXPECT_EQ(LitColumns(10, 0, 20), Range(0, 9));
}

TEST_F(DrawingTest, StretchedAndMirroredDraws) {
    int32_t s = MakeGraph(2, 1, [](int x, int) { return x ? 0x0000FFu : 0xFF0000u; });
    ASSERT_EQ(DrawGraphStretched(10, 10, 18, 12, s, 0), 0);
    EXPECT_EQ(LitColumns(10, 0, 30), Range(10, 17));
    EXPECT_EQ(LitRows(10, 0, 30), Range(10, 11));
    EXPECT_EQ(Pixel(13, 10), 0xFF0000u);
    EXPECT_EQ(Pixel(14, 10), 0x0000FFu);
    // x1 > x2 mirrors: blue on the left.
    ASSERT_EQ(DrawGraphStretched(48, 20, 40, 22, s, 0), 0);
    EXPECT_EQ(LitColumns(20, 30, 60), Range(40, 47));
    EXPECT_EQ(Pixel(40, 20), 0x0000FFu);
    EXPECT_EQ(Pixel(47, 20), 0xFF0000u);
    // The mirrored draw equals the stretched draw from (x + width, y) to (x, y + height).
    ASSERT_EQ(DrawGraphMirrored(100, 30, s, 0), 0);
    EXPECT_EQ(Pixel(100, 30), 0x0000FFu);
    EXPECT_EQ(Pixel(101, 30), 0xFF0000u);
    EXPECT_EQ(LitColumns(30, 90, 110), Range(100, 101));
    // Nothing for an empty rectangle.
    EXPECT_EQ(DrawGraphStretched(200, 200, 200, 210, s, 0), 0);
    EXPECT_EQ(LitRows(200, 195, 215), std::vector<int>{});
}

TEST_F(DrawingTest, RotatedOddAndEvenSpritesStayOnTheirPixels) {
    // 3 x 5, left column red, the rest green: a quarter turn (clockwise, y pointing
    // down) puts red on the top row.
    int32_t s = MakeGraph(3, 5, [](int x, int) { return x == 0 ? 0xFF0000u : 0x00FF00u; });
    ASSERT_EQ(DrawGraphRotated(50, 50, 1.0, 0.0, s, 0, 0), 0);
    EXPECT_EQ(LitColumns(50, 40, 60), Range(49, 51));
    EXPECT_EQ(LitRows(50, 40, 60), Range(48, 52));
    EXPECT_EQ(Pixel(49, 50), 0xFF0000u);
    ASSERT_EQ(DrawGraphRotated(100, 50, 1.0, kPi / 2, s, 0, 0), 0);
    EXPECT_EQ(LitColumns(50, 90, 110), Range(98, 102));
    EXPECT_EQ(LitRows(100, 40, 60), Range(49, 51));
    EXPECT_EQ(Pixel(100, 49), 0xFF0000u);
    EXPECT_EQ(Pixel(100, 51), 0x00FF00u);
    // The turn flag mirrors about the centre: red on the right.
    ASSERT_EQ(DrawGraphRotated(150, 50, 1.0, 0.0, s, 0, 1), 0);
    EXPECT_EQ(Pixel(151, 50), 0xFF0000u);
    EXPECT_EQ(Pixel(149, 50), 0x00FF00u);
    // Even sides: a 4 x 2 at (200, 50) covers 198..201 and 49..50, also half turned.
    int32_t e = SolidGraph(4, 2, 0xFFFFFF);
    ASSERT_EQ(DrawGraphRotated(200, 50, 1.0, 0.0, e, 0, 0), 0);
    EXPECT_EQ(LitColumns(50, 190, 210), Range(198, 201));
    EXPECT_EQ(LitRows(199, 40, 60), Range(49, 50));
    ASSERT_EQ(DrawGraphRotated(250, 50, 1.0, kPi, e, 0, 0), 0);
    EXPECT_EQ(LitColumns(50, 240, 260), Range(248, 251));
    // Scale 2 doubles the cover; scale 0 is refused.
    ASSERT_EQ(DrawGraphRotated(300, 50, 2.0, 0.0, e, 0, 0), 0);
    EXPECT_EQ(LitColumns(50, 290, 310), Range(296, 303));
    EXPECT_EQ(DrawGraphRotated(300, 100, 0.0, 0.0, e, 0, 0), -1);
}

// A 4 x 3 turned a quarter turn either way is a 3 x 4 picture of the same twelve pixels,
// each once, its even side (now running down the screen) on the rows an even height takes.
TEST_F(DrawingTest, OddByEvenSpriteTurnedAQuarterShowsEveryPixelOnce) {
    auto colour = [](int x, int y) { return 0x800000u | uint32_t(x) << 8 | uint32_t(y); };
    const int32_t s = MakeGraph(4, 3, colour);
    for (int quarter : {1, 3}) {
        const int cx = quarter * 50;
        ASSERT_EQ(DrawGraphRotated(cx, 50, 1.0, quarter * kPi / 2, s, 0, 0), 0);
        EXPECT_EQ(LitColumns(49, cx - 10, cx + 10), Range(cx - 1, cx + 1));
        EXPECT_EQ(LitRows(cx, 40, 60), Range(48, 51));
        // Clockwise the left column becomes the top row; anticlockwise the right one does.
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(Pixel(cx - 1 + x, 48 + y), quarter == 1 ? colour(y, 2 - x) : colour(3 - y, x))
                    << "quarter " << quarter << " at " << x << "," << y;
    }
}

TEST_F(DrawingTest, LinesAndBoxes) {
    const uint32_t white = GetColorValue(255, 255, 255);
    ASSERT_EQ(DrawColorLine(0, 0, 10, 0, white), 0);
    EXPECT_EQ(LitColumns(0, 0, 20), Range(0, 9));
    ASSERT_EQ(DrawColorLine(30, 5, 30, 0, white), 0);
    EXPECT_EQ(LitRows(30, 0, 10), Range(1, 5));
    // Corners given either way fill the same box: x 50..59, y 20..24.
    ASSERT_EQ(DrawFilledBox(60, 25, 50, 20, GetColorValue(0, 0, 255)), 0);
    EXPECT_EQ(LitColumns(22, 40, 70), Range(50, 59));
    EXPECT_EQ(LitRows(55, 10, 30), Range(20, 24));
    EXPECT_EQ(Pixel(55, 22), 0x0000FFu);
    // An outline: the edges lit, the inside not.
    ASSERT_EQ(DrawRectangle(100, 100, 110, 106, white, 0), 0);
    EXPECT_EQ(LitColumns(100, 95, 115), Range(100, 109));
    EXPECT_EQ(LitColumns(103, 95, 115), (std::vector<int>{100, 109}));
    EXPECT_EQ(LitRows(105, 95, 110), (std::vector<int>{100, 105}));
    ASSERT_EQ(DrawRectangle(200, 100, 204, 104, white, 1), 0);
    EXPECT_EQ(LitColumns(102, 195, 210), Range(200, 203));
    // A thick line is a band of that width centred on the line.
    ASSERT_EQ(DrawColorLine(300, 200, 320, 200, white, 2), 0);
    EXPECT_EQ(LitRows(310, 190, 210), Range(199, 200));
}

TEST_F(DrawingTest, TransparentColourIsCutOutOnlyWhenAsked) {
    ASSERT_EQ(SetTransparentColor(255, 0, 255), 0);
    int32_t s = MakeGraph(3, 1, [](int x, int) { return x == 1 ? 0xFF00FFu : 0x00FF00u; });
    ASSERT_EQ(DrawFilledBox(0, 0, 100, 100, GetColorValue(0, 0, 128)), 0);
    ASSERT_EQ(DrawGraphAt(10, 10, s, 1), 0);
    EXPECT_EQ(Pixel(10, 10), 0x00FF00u);
    EXPECT_EQ(Pixel(11, 10), 0x000080u);
    EXPECT_EQ(Pixel(12, 10), 0x00FF00u);
    // Stretched and rotated keyed draws too.
    ASSERT_EQ(DrawGraphStretched(20, 20, 26, 21, s, 1), 0);
    EXPECT_EQ(Pixel(22, 20), 0x000080u);
    EXPECT_EQ(Pixel(21, 20), 0x00FF00u);
    ASSERT_EQ(DrawGraphRotated(50, 50, 1.0, 0.0, s, 1, 0), 0);
    EXPECT_EQ(Pixel(50, 50), 0x000080u);
    EXPECT_EQ(Pixel(49, 50), 0x00FF00u);
}

TEST_F(DrawingTest, BlendModesAndBrightness) {
    int32_t s = SolidGraph(1, 1, 0x804020);
    const uint32_t grey = GetColorValue(100, 100, 100);
    ASSERT_EQ(DrawFilledBox(0, 0, 100, 10, grey), 0);
    // Mode 0 ignores the parameter.
    ASSERT_EQ(SetBlendMode(0, 10), 0);
    ASSERT_EQ(DrawGraphAt(1, 1, s, 0), 0);
    EXPECT_EQ(Pixel(1, 1), 0x804020u);
    // Mode 1: src * a + dest * (1 - a), a = 128 / 255.
    ASSERT_EQ(SetBlendMode(1, 128), 0);
    ASSERT_EQ(DrawGraphAt(2, 1, s, 0), 0);
    uint32_t p = Pixel(2, 1);
    EXPECT_NEAR(int(p >> 16 & 255), (0x80 * 128 + 100 * 127) / 255, 1);
    EXPECT_NEAR(int(p >> 8 & 255), (0x40 * 128 + 100 * 127) / 255, 1);
    EXPECT_NEAR(int(p & 255), (0x20 * 128 + 100 * 127) / 255, 1);
    // Mode 2: dest + src * a, saturating.
    ASSERT_EQ(SetBlendMode(2, 255), 0);
    ASSERT_EQ(DrawGraphAt(3, 1, s, 0), 0);
    ASSERT_EQ(DrawGraphAt(4, 1, s, 0), 0);
    ASSERT_EQ(DrawGraphAt(4, 1, s, 0), 0);
    EXPECT_EQ(Pixel(3, 1), 0xE4A484u);
    EXPECT_EQ(Pixel(4, 1), 0xFFE4A4u);
    ASSERT_EQ(SetBlendMode(2, 64), 0);
    ASSERT_EQ(DrawGraphAt(5, 1, s, 0), 0);
    p = Pixel(5, 1);
    EXPECT_NEAR(int(p >> 16 & 255), 100 + 0x80 * 64 / 255, 1);
    // Brightness multiplies each channel; it applies to shapes as well.
    ASSERT_EQ(SetBlendMode(0, 0), 0);
    ASSERT_EQ(SetDrawBrightness(255, 0, 128), 0);
    ASSERT_EQ(DrawGraphAt(6, 1, s, 0), 0);
    p = Pixel(6, 1);
    EXPECT_EQ(p >> 16 & 255, 0x80u);
    EXPECT_EQ(p >> 8 & 255, 0u);
    EXPECT_NEAR(int(p & 255), 0x20 * 128 / 255, 1);
    ASSERT_EQ(DrawFilledBox(7, 1, 8, 2, GetColorValue(200, 200, 200)), 0);
    EXPECT_EQ(Pixel(7, 1) >> 8 & 255, 0u);
    // Settings are clamped.
    ASSERT_EQ(SetBlendMode(1, 300), 0);
    EXPECT_EQ(Draw().blendParam, 255);
    ASSERT_EQ(SetDrawBrightness(-5, 0, 999), 0);
    EXPECT_EQ(Draw().bright, 0x0000FFu);
}

TEST_F(DrawingTest, DrawAreaClipsAndAnEmptyAreaDrawsNothing) {
    int32_t s = MakeGraph(10, 10, [](int x, int) { return 0x000100u * uint32_t(x + 1); });
    ASSERT_EQ(SetDrawClipRect(15, 15, 5, 5), 0);  // corners swapped: stored in order
    EXPECT_EQ(Draw().area.x1, 5);
    EXPECT_EQ(Draw().area.x2, 15);
    ASSERT_EQ(DrawGraphAt(0, 0, s, 0), 0);
    EXPECT_EQ(LitColumns(7, 0, 20), Range(5, 9));
    EXPECT_EQ(LitRows(7, 0, 20), Range(5, 9));
    // Texels stay on their pixels where the area cuts the graphic.
    EXPECT_EQ(Pixel(5, 5), 0x000600u);
    ASSERT_EQ(DrawGraphStretched(10, 10, 30, 30, s, 0), 0);
    EXPECT_EQ(LitColumns(12, 10, 40), Range(10, 14));
    EXPECT_EQ(Pixel(10, 12), 0x000100u);
    EXPECT_EQ(Pixel(12, 12), 0x000200u);
    // Outside the target is clamped.
    ASSERT_EQ(SetDrawClipRect(-10, -10, 9999, 9999), 0);
    EXPECT_EQ(Draw().area.x2, 640);
    EXPECT_EQ(Draw().area.y1, 0);
    // No width: every draw returns 0 and draws nothing.
    ASSERT_EQ(ClearDrawTarget(), 0);
    ASSERT_EQ(SetDrawClipRect(50, 0, 50, 480), 0);
    EXPECT_EQ(DrawGraphAt(45, 5, s, 0), 0);
    EXPECT_EQ(DrawFilledBox(0, 0, 640, 480, GetColorValue(255, 255, 255)), 0);
    EXPECT_EQ(DrawColorLine(0, 0, 100, 100, GetColorValue(255, 255, 255)), 0);
    EXPECT_EQ(DrawGraphRotated(50, 50, 1.0, 1.0, s, 0, 0), 0);
    EXPECT_EQ(LitColumns(5, 0, 100), std::vector<int>{});
    EXPECT_EQ(LitRows(50, 0, 100), std::vector<int>{});
    // The empty area answers before the handle is looked at.
    EXPECT_EQ(DrawGraphAt(0, 0, -1, 0), 0);
}

TEST_F(DrawingTest, RegionAndRectStretchedDraws) {
    int32_t s = MakeGraph(4, 1, [](int x, int) { return 0x010000u * uint32_t(x + 1); });
    ASSERT_EQ(DrawGraphRegion(10, 10, 1, 0, 2, 1, s, 0, 0), 0);
    EXPECT_EQ(LitColumns(10, 0, 20), Range(10, 11));
    EXPECT_EQ(Pixel(10, 10), 0x020000u);
    EXPECT_EQ(Pixel(11, 10), 0x030000u);
    // The stored area comes back afterwards.
    EXPECT_EQ(Draw().area.x1, 0);
    EXPECT_EQ(Draw().area.x2, 640);
    ASSERT_EQ(DrawGraphRectStretchedF(20.0f, 20.0f, 24.0f, 21.0f, 2, 0, 2, 1, s, 0), 0);
    EXPECT_EQ(Pixel(20, 20), 0x030000u);
    EXPECT_EQ(Pixel(23, 20), 0x040000u);
    // A bad handle fails; a region that makes no part draws nothing and succeeds; a draw
    // refused (a blend mask smaller than the part) fails.
    EXPECT_EQ(DrawGraphRectStretchedF(0, 0, 4, 4, 0, 0, 1, 1, s + 1, 0), -1);
    EXPECT_EQ(DrawGraphRectStretchedF(0, 0, 4, 4, 0, 0, 0, 1, s, 0), 0);
    ASSERT_EQ(SetBlendMaskGraph(SolidGraph(1, 1, 0xFFFFFF), 128, 255), 0);
    EXPECT_EQ(DrawGraphRectStretchedF(30.0f, 30.0f, 34.0f, 31.0f, 2, 0, 2, 1, s, 0), -1);
    EXPECT_EQ(Pixel(30, 30), kBlack);
    ASSERT_EQ(SetBlendMaskGraph(-1, 0, 0), 0);
}

TEST_F(DrawingTest, OffScreenPictureStretchedToTheBackBufferAsTheGameDoes) {
    int32_t off = CreateDrawableGraph(320, 240);
    int32_t sprite = SolidGraph(2, 2, 0x00FF00);
    ASSERT_EQ(SetDrawTarget(off), 0);
    ASSERT_EQ(ClearDrawTarget(), 0);
    EXPECT_EQ(Draw().area.x2, 320);
    ASSERT_EQ(DrawGraphAt(0, 0, sprite, 0), 0);
    ASSERT_EQ(DrawGraphAt(318, 238, sprite, 0), 0);
    EXPECT_EQ(GraphPixel(off, 1, 1), 0x00FF00u);
    EXPECT_EQ(GraphPixel(off, 319, 239), 0x00FF00u);
    EXPECT_EQ(GraphPixel(off, 2, 2), kBlack);
    ASSERT_EQ(SetDrawTarget(kDrawTargetBackBuffer), 0);
    EXPECT_EQ(Draw().area.x2, 640);
    ASSERT_EQ(DrawGraphStretched(0, 0, 640, 480, off, 0), 0);
    EXPECT_EQ(LitColumns(0, 0, 10), Range(0, 3));
    EXPECT_EQ(LitRows(0, 0, 10), Range(0, 3));
    EXPECT_EQ(LitColumns(479, 630, 639), Range(636, 639));
    EXPECT_EQ(Pixel(3, 3), 0x00FF00u);
    // The graphic keeps its pixels while the back buffer is drawn to.
    EXPECT_EQ(GraphPixel(off, 0, 0), 0x00FF00u);
}

TEST_F(DrawingTest, TargetLargerThanTheScreenDrawsAndClearsWithoutTheDepthBuffer) {
    int32_t big = CreateDrawableGraph(800, 600);
    ASSERT_EQ(SetDrawTarget(big), 0);
    ASSERT_EQ(DrawFilledBox(700, 500, 800, 600, GetColorValue(255, 255, 255)), 0);
    EXPECT_EQ(GraphPixel(big, 799, 599), 0xFFFFFFu);
    const ClearRect part{750, 550, 800, 600};
    ASSERT_EQ(ClearDrawTarget(&part), 0);
    EXPECT_EQ(GraphPixel(big, 799, 599), kBlack);
    EXPECT_EQ(GraphPixel(big, 700, 500), 0xFFFFFFu);
}

TEST_F(DrawingTest, QuadrangleDraws) {
    int32_t s = MakeGraph(2, 2, [](int x, int y) { return 0x400000u * uint32_t(x + 1) + 0x40u * uint32_t(y + 1); });
    // An axis-aligned quadrangle draws as the stretched draw of the same rectangle.
    ASSERT_EQ(DrawGraphQuad(10, 10, 18, 10, 18, 14, 10, 14, s, 0), 0);
    ASSERT_EQ(DrawGraphStretched(30, 10, 38, 14, s, 0), 0);
    for (int y = 8; y < 16; ++y)
        for (int x = 8; x < 20; ++x) ASSERT_EQ(Pixel(x, y), Pixel(x + 20, y)) << x << "," << y;
    EXPECT_EQ(LitColumns(11, 0, 25), Range(10, 17));
    // Corners given right to left mirror the image.
    ASSERT_EQ(DrawGraphQuad(58, 10, 50, 10, 50, 14, 58, 14, s, 0), 0);
    EXPECT_EQ(Pixel(50, 10), 0x800040u);
    EXPECT_EQ(Pixel(57, 10), 0x400040u);
}

TEST_F(DrawingTest, PolygonsTexturedThroughTheirCellAndUntextured) {
    // The right half of a sheet, drawn through mapped texture coordinates 0..1.
    int32_t sheet = MakeGraph(4, 1, [](int x, int) { return x < 2 ? 0xFF0000u : 0x00FF00u; });
    int32_t cell = DeriveGraph(2, 0, 2, 1, sheet);
    const PolygonVertex quad[4] = {{9.5f, 9.5f, 0, 0, 0xFFFFFFFF},
                                   {13.5f, 9.5f, 1, 0, 0xFFFFFFFF},
                                   {9.5f, 11.5f, 0, 1, 0xFFFFFFFF},
                                   {13.5f, 11.5f, 1, 1, 0xFFFFFFFF}};
    ASSERT_EQ(DrawGraphPolygon(quad, 4, 5, cell, 0, 1), 0);
    EXPECT_EQ(LitColumns(10, 0, 20), Range(10, 13));
    EXPECT_EQ(Pixel(10, 10), 0x00FF00u);
    EXPECT_EQ(Pixel(13, 11), 0x00FF00u);
    // Untextured, tinted by the brightness; a second strip is not joined to the first.
    ASSERT_EQ(SetDrawBrightness(255, 128, 255), 0);
    PolygonVertex band[4] = {{20, 20, 0, 0, 0xFFFFFFFF}, {30, 20, 0, 0, 0xFFFFFFFF},
                             {20, 22, 0, 0, 0xFFFFFFFF}, {30, 22, 0, 0, 0xFFFFFFFF}};
    ASSERT_EQ(DrawGraphPolygon(band, 4, 5, kNoGraph, 0, 0), 0);
    for (PolygonVertex& v : band) v.y += 20;
    ASSERT_EQ(DrawGraphPolygon(band, 4, 5, kNoGraph, 0, 0), 0);
    EXPECT_EQ(Pixel(25, 21), 0xFF80FFu);
    EXPECT_EQ(Pixel(25, 41), 0xFF80FFu);
    EXPECT_EQ(LitRows(25, 15, 45), (std::vector<int>{20, 21, 40, 41}));
    EXPECT_EQ(DrawGraphPolygon(band, 0, 5, kNoGraph, 0, 0), -1);
    EXPECT_EQ(DrawGraphPolygon(band, 4, 5, cell + 1, 0, 0), -1);
    // More vertices than one draw takes: refused whole and logged, nothing half drawn.
    std::vector<PolygonVertex> many(3000, PolygonVertex{60, 60, 0, 0, 0xFFFFFFFF});
    for (size_t i = 0; i < many.size(); i += 3) many[i + 1].x = 70, many[i + 2].y = 70;
    EXPECT_EQ(DrawGraphPolygon(many.data(), int(many.size()), 4, kNoGraph, 0, 0), -1);
    EXPECT_NE(Log().find("頂点 3000 個は一度に描画できません in DrawGraphPolygon"), std::string::npos);
    EXPECT_EQ(Pixel(61, 61), kBlack);
}

}  // namespace
}  // namespace orvik_test
