// Subtractive blending on a device without blend operations: the destination is inverted
// around the draw, the graphic added, and the rectangle inverted back. The pixels must
// equal true subtraction, and nothing around the graphic may change.
#include <array>

#include "drawing_fixture.h"
#include "engine/graphics/draw/draw_bounds.h"
#include "engine/graphics/draw/draw_settings.h"

namespace orvik_test {
namespace {

using namespace orvik;

constexpr uint32_t kGrey = 0x646464;  // 100, 100, 100

class NoBlendOpDrawingTest : public DrawingTest {
protected:
    void SetUp() override {
        host::D3D9Settings().blendOpCaps = false;
        DrawingTest::SetUp();
        ASSERT_EQ(Graphics().dev.blendOpCaps, 0);
        ASSERT_EQ(DrawFilledBox(0, 0, 120, 60, GetColorValue(100, 100, 100)), 0);
    }
};

TEST_F(NoBlendOpDrawingTest, GraphDrawsSubtractAndSaturateAtZero) {
    ASSERT_EQ(SetBlendMode(3, 255), 0);
    ASSERT_EQ(DrawGraphAt(5, 5, SolidGraph(2, 2, 0x304050), 0), 0);
    EXPECT_EQ(Pixel(5, 5), 0x342414u);
    EXPECT_EQ(Pixel(6, 6), 0x342414u);
    EXPECT_EQ(Pixel(4, 5), kGrey);
    EXPECT_EQ(Pixel(7, 6), kGrey);
    // More than the destination holds clamps at zero, per channel.
    ASSERT_EQ(DrawGraphAt(10, 5, SolidGraph(1, 1, 0xC01000), 0), 0);
    EXPECT_EQ(Pixel(10, 5), 0x005464u);
    // The parameter scales what is taken away.
    ASSERT_EQ(SetBlendMode(3, 128), 0);
    ASSERT_EQ(DrawGraphAt(12, 5, SolidGraph(1, 1, 0x808080), 0), 0);
    const uint32_t p = Pixel(12, 5);
    EXPECT_NEAR(int(p >> 16 & 255), 100 - 0x80 * 128 / 255, 1);
    EXPECT_EQ(p & 255, p >> 16 & 255);
    // The caller's settings survive the three passes.
    EXPECT_EQ(Draw().blendMode, 3);
    EXPECT_EQ(Draw().blendParam, 128);
}

TEST_F(NoBlendOpDrawingTest, BrightnessStillAppliesAndSettingsComeBack) {
    ASSERT_EQ(SetBlendMode(3, 255), 0);
    ASSERT_EQ(SetDrawBrightness(255, 0, 255), 0);
    ASSERT_EQ(DrawGraphStretched(20, 20, 22, 21, SolidGraph(1, 1, 0x202020), 0), 0);
    EXPECT_EQ(Pixel(20, 20), 0x446444u);
    EXPECT_EQ(Pixel(21, 20), 0x446444u);
    EXPECT_EQ(Pixel(22, 20), kGrey);
    EXPECT_EQ(Draw().bright, 0xFF00FFu);
    // Other blend modes draw as before.
    ASSERT_EQ(SetBlendMode(2, 255), 0);
    ASSERT_EQ(SetDrawBrightness(255, 255, 255), 0);
    ASSERT_EQ(DrawGraphAt(30, 20, SolidGraph(1, 1, 0x101010), 0), 0);
    EXPECT_EQ(Pixel(30, 20), 0x747474u);
}

TEST_F(NoBlendOpDrawingTest, RotatedDrawLeavesItsWidenedRectangleIntact) {
    ASSERT_EQ(SetBlendMode(3, 255), 0);
    // A 4 x 2 graphic about (50, 30): covers 48..51 by 29..30, the rectangle inverted
    // twice reaches five pixels further.
    ASSERT_EQ(DrawGraphRotated(50, 30, 1.0, 0.0, SolidGraph(4, 2, 0x010203), 0, 0), 0);
    EXPECT_EQ(LitColumns(29, 40, 60), Range(40, 60));
    EXPECT_EQ(Pixel(48, 29), 0x636261u);
    EXPECT_EQ(Pixel(51, 30), 0x636261u);
    for (int x : {43, 47, 52, 56}) EXPECT_EQ(Pixel(x, 29), kGrey) << x;
    for (int y : {24, 28, 31, 35}) EXPECT_EQ(Pixel(49, y), kGrey) << y;
}

TEST_F(NoBlendOpDrawingTest, ShapesAndPolygonsSubtractToo) {
    ASSERT_EQ(SetBlendMode(3, 255), 0);
    ASSERT_EQ(DrawFilledBox(70, 10, 72, 12, GetColorValue(0x10, 0x20, 0x30)), 0);
    EXPECT_EQ(Pixel(70, 10), 0x544434u);
    EXPECT_EQ(Pixel(72, 10), kGrey);
    ASSERT_EQ(DrawColorLine(70, 20, 80, 20, GetColorValue(0x64, 0, 0), 1), 0);
    EXPECT_EQ(Pixel(75, 20), 0x006464u);
    EXPECT_EQ(Pixel(75, 21), kGrey);
    // An untextured strip: two pixels wide, alpha scaled by the parameter.
    const uint32_t c = 0xFF050505;
    const PolygonVertex v[4] = {{90, 40, 0, 0, c}, {94, 40, 0, 0, c}, {90, 42, 0, 0, c}, {94, 42, 0, 0, c}};
    ASSERT_EQ(DrawGraphPolygon(v, 4, 5, kNoGraph, 0, 0), 0);
    EXPECT_EQ(Pixel(91, 41), 0x5F5F5Fu);
    EXPECT_EQ(Pixel(89, 41), kGrey);
    EXPECT_EQ(Pixel(91, 43), kGrey);
}

TEST(DrawBounds, CornersAreOrderedAndTruncatedTowardZero) {
    const DrawBounds b = OrderedBounds(10, 8, 2, 20);
    EXPECT_EQ((std::array{b.x1, b.y1, b.x2, b.y2}), (std::array{2, 8, 10, 20}));
    const float points[3][2] = {{-1.5f, 3.7f}, {4.2f, -0.5f}, {2.0f, 9.9f}};
    const DrawBounds p = PointsBounds(points, 3, 1.0f);
    EXPECT_EQ((std::array{p.x1, p.y1, p.x2, p.y2}), (std::array{-2, -1, 5, 10}));
    // Scaled by 2 about (10.7, 10): corners -4..4 by -2..2 about 10, then 5 more.
    const DrawBounds r = RotatedBounds(10.7f, 10.0f, 2.0, 0.0, 4, 2);
    EXPECT_EQ((std::array{r.x1, r.y1, r.x2, r.y2}), (std::array{1, 3, 19, 17}));
    // An odd width puts the extra pixel on the right.
    const DrawBounds odd = RotatedBounds(0, 0, 1.0, 0.0, 3, 3);
    EXPECT_EQ((std::array{odd.x1, odd.y1, odd.x2, odd.y2}), (std::array{-6, -6, 7, 7}));
}

}  // namespace
}  // namespace orvik_test
