// A cell derived from inside a drawable graphic as the draw target on the device: every
// kind of draw lands in the cell exactly as it lands in a drawable graphic of the cell's
// own size, and nothing reaches the parent outside the cell.
#include <climits>
#include <cstring>

#include "drawing_fixture.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/device/target_readback.h"

namespace orvik_test {
namespace {

using namespace orvik;

constexpr int kCellX = 24, kCellY = 40, kCellW = 50, kCellH = 36;
constexpr uint32_t kParentFill = 0x2040A0;

// Draws of every back end, many of them reaching past the target's edges.
void CellDraws() {
    const int32_t sprite = DrawingTest::MakeGraph(9, 7, [](int x, int y) { return 0x402000u + uint32_t(x) * 0x140000 + uint32_t(y) * 0x1C; });
    ASSERT_GE(sprite, 0);
    ASSERT_EQ(DrawFilledBox(-5, -5, 12, 9, GetColorValue(200, 30, 30)), 0);
    ASSERT_EQ(DrawGraphAt(44, 31, sprite, 0), 0);
    ASSERT_EQ(DrawGraphAt(-3, 12, sprite, 0), 0);
    ASSERT_EQ(DrawGraphStretched(10, 2, 29, 16, sprite, 0), 0);
    ASSERT_EQ(DrawGraphRotated(35, 20, 1.5, 0.5, sprite, 0, 0), 0);
    ASSERT_EQ(DrawGraphQuad(2.0f, 20.0f, 20.5f, 18.0f, 23.0f, 34.0f, 0.0f, 30.0f, sprite, 0), 0);
    ASSERT_EQ(DrawColorLine(0, 35, 60, 35, GetColorValue(255, 255, 255)), 0);
    ASSERT_EQ(DrawColorLine(49, -4, 49, 40, GetColorValue(0, 255, 0)), 0);
    ASSERT_EQ(DrawThickLine(5, 25, 45, 5, 3, GetColorValue(250, 200, 0)), 0);
    ASSERT_EQ(DrawLineBox(30, 24, 60, 40, GetColorValue(0, 200, 255)), 0);
    ASSERT_EQ(SetBlendMode(1, 128), 0);
    ASSERT_EQ(DrawGraphAt(20, 5, sprite, 0), 0);
    ASSERT_EQ(SetBlendMode(0, 0), 0);
    const ClearRect hole{14, 22, 19, 26};
    ASSERT_EQ(ClearDrawTarget(&hole), 0);
    // A narrower draw area, and a draw clipped by it.
    ASSERT_EQ(SetDrawClipRect(3, 28, 40, 33), 0);
    ASSERT_EQ(DrawFilledBox(0, 0, 100, 100, GetColorValue(90, 0, 160)), 0);
    ASSERT_EQ(SetDrawClipRect(0, 0, kCellW, kCellH), 0);
}

class CellTargetTest : public DrawingTest {
protected:
    static std::vector<uint32_t> Block(int32_t graph, int x0, int y0, int w, int h) {
        std::vector<uint32_t> px;
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) px.push_back(GraphPixel(graph, x, y));
        return px;
    }
};

TEST_F(CellTargetTest, DrawsInACellMatchThoseInAGraphicOfItsSizeAndStayInside) {
    const int32_t own = CreateDrawableGraph(kCellW, kCellH);
    ASSERT_GE(own, 0);
    ASSERT_EQ(FillGraphColor(own, 0x20, 0x40, 0xA0, 255), 0);
    ASSERT_EQ(SetDrawTarget(own), 0);
    ASSERT_NO_FATAL_FAILURE(CellDraws());

    const int32_t parent = CreateDrawableGraph(128, 96);
    ASSERT_GE(parent, 0);
    ASSERT_EQ(FillGraphColor(parent, 0x20, 0x40, 0xA0, 255), 0);
    const int32_t cell = DeriveGraph(kCellX, kCellY, kCellW, kCellH, parent);
    ASSERT_GE(cell, 0);
    ASSERT_EQ(SetDrawTarget(cell), 0);
    EXPECT_EQ(Draw().area.x2, kCellW);
    EXPECT_EQ(Draw().area.y2, kCellH);
    ASSERT_NO_FATAL_FAILURE(CellDraws());
    ASSERT_EQ(SetDrawTarget(kDrawTargetBackBuffer), 0);

    const std::vector<uint32_t> expected = Block(own, 0, 0, kCellW, kCellH);
    EXPECT_EQ(Block(parent, kCellX, kCellY, kCellW, kCellH), expected);
    int drawn = 0;
    for (uint32_t p : expected) drawn += p != kParentFill;
    EXPECT_GT(drawn, kCellW * kCellH / 2);
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 128; ++x) {
            const bool inside = x >= kCellX && x < kCellX + kCellW && y >= kCellY && y < kCellY + kCellH;
            if (!inside) { ASSERT_EQ(GraphPixel(parent, x, y), kParentFill) << x << "," << y; }
        }
}

// Clearing a cell clears the cell, not the parent's corner; the whole cell when no
// rectangle is given, and a rectangle reaching the int limits is cut to the cell before
// it is moved there.
TEST_F(CellTargetTest, ClearingACellLeavesTheRestOfTheParent) {
    const int32_t parent = CreateDrawableGraph(64, 64);
    const int32_t cell = DeriveGraph(8, 16, 20, 10, parent);
    const ClearRect huge{2, 3, INT_MAX, INT_MAX};
    // The parent's pixels (x1, y1) to (x2, y2) inclusive are cleared, those round them not.
    auto expectCleared = [&](const ClearRect* rect, int x1, int y1, int x2, int y2) {
        ASSERT_EQ(FillGraphColor(parent, 0x20, 0x40, 0xA0, 255), 0);
        ASSERT_EQ(SetDrawTarget(cell), 0);
        ASSERT_EQ(ClearDrawTarget(rect), 0);
        ASSERT_EQ(SetDrawTarget(kDrawTargetBackBuffer), 0);
        EXPECT_EQ(GraphPixel(parent, x1, y1), kBlack);
        EXPECT_EQ(GraphPixel(parent, x2, y2), kBlack);
        EXPECT_EQ(GraphPixel(parent, x1 - 1, y1), kParentFill);
        EXPECT_EQ(GraphPixel(parent, x1, y1 - 1), kParentFill);
        EXPECT_EQ(GraphPixel(parent, x2 + 1, y2), kParentFill);
        EXPECT_EQ(GraphPixel(parent, x2, y2 + 1), kParentFill);
        EXPECT_EQ(GraphPixel(parent, 0, 0), kParentFill);
    };
    expectCleared(nullptr, 8, 16, 27, 25);
    expectCleared(&huge, 10, 19, 27, 25);
}

// A cell of a cell: the offsets add up. Drawing the parent afterwards shows what went into
// the cell, and the cell reads back its own pixels.
TEST_F(CellTargetTest, NestedCellsDrawAtTheirPlaceAndReadBackTheirOwnPixels) {
    const int32_t parent = CreateDrawableGraph(64, 64);
    const int32_t cell = DeriveGraph(10, 12, 30, 30, parent);
    const int32_t inner = DeriveGraph(5, 6, 8, 8, cell);
    ASSERT_GE(inner, 0);
    ASSERT_EQ(SetDrawTarget(inner), 0);
    ASSERT_EQ(DrawFilledBox(1, 2, 3, 4, GetColorValue(255, 255, 255)), 0);
    host::RECT r{0, 0, 8, 8};
    BaseImage image{};
    ASSERT_EQ(LockDrawTargetRect(&r, &image), 0);
    auto at = [&](int x, int y) {
        uint32_t v;
        std::memcpy(&v, image.pixels + size_t(y) * size_t(image.pitch) + size_t(x) * 4, 4);
        return v & 0xFFFFFF;
    };
    EXPECT_EQ(at(1, 2), 0xFFFFFFu);
    EXPECT_EQ(at(2, 3), 0xFFFFFFu);
    EXPECT_EQ(at(0, 2), kBlack);
    EXPECT_EQ(at(3, 3), kBlack);
    ReleaseDrawTargetRect();
    ASSERT_EQ(SetDrawTarget(kDrawTargetBackBuffer), 0);
    EXPECT_EQ(GraphPixel(parent, 16, 20), 0xFFFFFFu);
    EXPECT_EQ(GraphPixel(parent, 17, 21), 0xFFFFFFu);
    EXPECT_EQ(GraphPixel(parent, 15, 20), kBlack);
    EXPECT_EQ(GraphPixel(parent, 1, 2), kBlack);
    ASSERT_EQ(DrawGraphAt(100, 100, parent, 0), 0);
    EXPECT_EQ(Pixel(116, 120), 0xFFFFFFu);
    EXPECT_EQ(Pixel(115, 120), kBlack);
}

// Switching between a cell and its parent, which share one surface, moves the drawing
// with the target.
TEST_F(CellTargetTest, ACellAndItsParentTakeTurnsAsTargets) {
    const int32_t parent = CreateDrawableGraph(32, 32);
    const int32_t cell = DeriveGraph(16, 16, 16, 16, parent);
    ASSERT_EQ(SetDrawTarget(cell), 0);
    ASSERT_EQ(DrawFilledBox(0, 0, 1, 1, GetColorValue(255, 0, 0)), 0);
    ASSERT_EQ(SetDrawTarget(parent), 0);
    EXPECT_EQ(Draw().area.x2, 32);
    ASSERT_EQ(DrawFilledBox(0, 0, 1, 1, GetColorValue(0, 255, 0)), 0);
    ASSERT_EQ(SetDrawTarget(cell), 0);
    ASSERT_EQ(DrawFilledBox(15, 15, 16, 16, GetColorValue(0, 0, 255)), 0);
    ASSERT_EQ(SetDrawTarget(kDrawTargetBackBuffer), 0);
    EXPECT_EQ(GraphPixel(parent, 16, 16), 0xFF0000u);
    EXPECT_EQ(GraphPixel(parent, 0, 0), 0x00FF00u);
    EXPECT_EQ(GraphPixel(parent, 31, 31), 0x0000FFu);
    EXPECT_EQ(GraphPixel(parent, 15, 15), kBlack);
}

}  // namespace
}  // namespace orvik_test
