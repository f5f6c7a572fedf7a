// Graphics on the software path: image sets are memory images, derived graphics views of
// them, drawable graphics draw targets, and boxes land in the target through the
// software renderer.
#include <cstring>
#include <vector>

#include "drawing_fixture.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/platform/base/memory.h"
#include "host/heap.h"

namespace orvik_test {
namespace {

using namespace orvik;

class SoftwarePathTest : public DeviceTest {
protected:
    void SetUp() override {
        ASSERT_EQ(SetUseHardwareRendering(0), 0);
        ASSERT_EQ(SetGraphMode(640, 480, 32), 0);
        ASSERT_EQ(InitLibrary(), 0);
        ASSERT_EQ(Graphics().direct3DMode, 0);
    }
    static uint32_t ImagePixel(const MEMIMG& img, int x, int y) {
        uint32_t v;
        std::memcpy(&v, img.pixels + size_t(y) * size_t(img.store->pitch) + size_t(x) * 4, 4);
        return v & 0xFFFFFF;
    }
};

TEST_F(SoftwarePathTest, GraphicsAreMemoryImagesAndDerivedOnesViewsOfThem) {
    int32_t sheet = DrawingTest::MakeGraph(4, 2, [](int x, int y) { return 0x100000u * uint32_t(x + 1) + uint32_t(y); });
    ASSERT_GE(sheet, 0);
    const GraphRecord& r = *GetGraphRecord(sheet);
    EXPECT_EQ(r.images->textured, 0);
    EXPECT_EQ(r.images->formatIndex, 17u);
    EXPECT_EQ(ImagePixel(r.view, 3, 1), 0x400001u);
    int32_t cell = DeriveGraph(2, 1, 2, 1, sheet);
    ASSERT_GE(cell, 0);
    ASSERT_EQ(DeleteGraphHandle(sheet), 0);
    const MEMIMG& view = GetGraphRecord(cell)->view;
    EXPECT_EQ(view.width, 2);
    EXPECT_EQ(ImagePixel(view, 0, 0), 0x300001u);
    EXPECT_EQ(ImagePixel(view, 1, 0), 0x400001u);
}

TEST_F(SoftwarePathTest, BoxesGoIntoTheTargetClippedToTheDrawArea) {
    int32_t off = CreateDrawableGraph(32, 16);
    ASSERT_GE(off, 0);
    ASSERT_EQ(SetDrawTarget(off), 0);
    EXPECT_EQ(Draw().softTarget, &GetGraphRecord(off)->view);
    EXPECT_EQ(Draw().area.x2, 32);
    ASSERT_EQ(SetDrawClipRect(0, 0, 8, 8), 0);
    ASSERT_EQ(DrawFilledBox(4, 4, 20, 20, GetColorValue(255, 0, 0)), 0);
    const MEMIMG& img = GetGraphRecord(off)->view;
    EXPECT_EQ(ImagePixel(img, 4, 4), 0xFF0000u);
    EXPECT_EQ(ImagePixel(img, 7, 7), 0xFF0000u);
    EXPECT_EQ(ImagePixel(img, 8, 7), kBlack);
    EXPECT_EQ(ImagePixel(img, 3, 4), kBlack);
    ASSERT_EQ(SetDrawTarget(kDrawTargetBackBuffer), 0);
    EXPECT_EQ(Draw().softTarget, Graphics().softScreen);
    EXPECT_EQ(Draw().area.x2, 640);
    ASSERT_EQ(DrawFilledBox(600, 470, 700, 500, GetColorValue(0, 255, 0)), 0);
    EXPECT_EQ(ImagePixel(*Graphics().softScreen, 639, 479), 0x00FF00u);
    // Clearing a rectangle with a negative corner clears the whole target.
    const ClearRect partial{-1, 0, 2, 2};
    ASSERT_EQ(ClearDrawTarget(&partial), 0);
    EXPECT_EQ(ImagePixel(*Graphics().softScreen, 639, 479), kBlack);
}

// A strip longer than any one texture side the device offers: the software path keeps it
// as one image and draws any part of it.
TEST_F(SoftwarePathTest, AStripWiderThanATextureDrawsItsFarEnd) {
    const int32_t strip = DrawingTest::MakeGraph(40000, 2, [](int x, int y) { return uint32_t(x / 100) << 8 | uint32_t(y); });
    ASSERT_GE(strip, 0);
    ASSERT_EQ(DrawGraphAt(-39990, 10, strip, 0), 0);
    EXPECT_EQ(ImagePixel(*Graphics().softScreen, 0, 10), 0x018F00u);
    EXPECT_EQ(ImagePixel(*Graphics().softScreen, 9, 11), 0x018F01u);
    EXPECT_EQ(ImagePixel(*Graphics().softScreen, 10, 10), kBlack);
}


// Components outside 0..255 are clamped on the software path as on the device: 300 is
// full red, not 300 & 255.
TEST_F(SoftwarePathTest, FillingAGraphicClampsEachComponent) {
    const int32_t off = CreateDrawableGraph(4, 4);
    ASSERT_GE(off, 0);
    const int32_t cell = DeriveGraph(1, 1, 2, 2, off);
    ASSERT_EQ(FillGraphColor(off, 300, -5, 16, 255), 0);
    EXPECT_EQ(ImagePixel(GetGraphRecord(off)->view, 0, 0), 0xFF0010u);
    EXPECT_EQ(ImagePixel(GetGraphRecord(off)->view, 3, 3), 0xFF0010u);
    ASSERT_EQ(FillGraphColor(cell, -1, 256, 1000, 0), 0);
    const MEMIMG& whole = GetGraphRecord(off)->view;
    EXPECT_EQ(ImagePixel(whole, 1, 1), 0x00FFFFu);
    EXPECT_EQ(ImagePixel(whole, 2, 2), 0x00FFFFu);
    EXPECT_EQ(ImagePixel(whole, 0, 0), 0xFF0010u);  // outside the cell
    EXPECT_EQ(ImagePixel(whole, 3, 2), 0xFF0010u);
}


// The software renderer draws into a cell's own view, so a cell from inside a drawable
// graphic is a draw target whose drawing lands in the cell.
TEST_F(SoftwarePathTest, ACellInsideADrawableGraphicIsADrawTarget) {
    const int32_t sheet = CreateDrawableGraph(64, 64);
    const int32_t inner = DeriveGraph(8, 8, 16, 16, sheet);
    ASSERT_EQ(SetDrawTarget(inner), 0);
    ASSERT_EQ(DrawFilledBox(-4, -4, 100, 100, GetColorValue(255, 255, 255)), 0);
    const MEMIMG& whole = GetGraphRecord(sheet)->view;
    EXPECT_EQ(ImagePixel(whole, 8, 8), 0xFFFFFFu);
    EXPECT_EQ(ImagePixel(whole, 23, 23), 0xFFFFFFu);
    EXPECT_EQ(ImagePixel(whole, 7, 8), kBlack);
    EXPECT_EQ(ImagePixel(whole, 24, 23), kBlack);
    EXPECT_EQ(ImagePixel(whole, 0, 0), kBlack);
}


// The software rasteriser holds corners out to 2^28 pixels: thick lines and quadrangles
// reaching beyond are cut to that box first, and their part on the screen is drawn as the
// same shape ending nearer draws it, whether that one fits the narrow fixed point or not.
TEST_F(SoftwarePathTest, LinesAndQuadranglesReachingFarOffTheScreenDrawTheirPartOnIt) {
    const uint32_t white = GetColorValue(255, 255, 255);
    auto screen = [] {
        std::vector<uint32_t> px;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) px.push_back(ImagePixel(*Graphics().softScreen, x, y));
        return px;
    };
    const int32_t halves = DrawingTest::MakeGraph(2, 1, [](int x, int) { return x ? 0x0000FFu : 0xFF0000u; });
    auto drawFar = [&](int reach) {
        EXPECT_EQ(ClearDrawTarget(), 0);
        EXPECT_EQ(DrawThickLine(-reach, 100, 300, 100, 4, white), 0);
        EXPECT_EQ(DrawThickLine(50, -reach, 50, reach, 6, white), 0);
        // Right half blue from x = (300 - reach) / 2 on; a far reach puts all of the
        // screen's part in the blue half.
        EXPECT_EQ(DrawGraphQuad(float(-reach), 200, 300, 200, 300, 220, float(-reach), 220, halves, 0), 0);
        return screen();
    };
    const std::vector<uint32_t> near = drawFar(7000), far = drawFar(20000), beyond = drawFar(400000000);
    EXPECT_EQ(ImagePixel(*Graphics().softScreen, 200, 100), 0xFFFFFFu);
    EXPECT_EQ(ImagePixel(*Graphics().softScreen, 50, 400), 0xFFFFFFu);
    EXPECT_EQ(ImagePixel(*Graphics().softScreen, 0, 210), 0x0000FFu);
    EXPECT_EQ(ImagePixel(*Graphics().softScreen, 299, 219), 0x0000FFu);
    size_t differing = 0;
    for (size_t i = 0; i < far.size(); ++i) differing += far[i] != near[i] || beyond[i] != near[i];
    EXPECT_EQ(differing, 0u);
    // Reaching out on the right and below too.
    ASSERT_EQ(ClearDrawTarget(), 0);
    ASSERT_EQ(DrawGraphQuad(600, 440, 30000, 440, 30000, 30000, 600, 30000, halves, 0), 0);
    EXPECT_EQ(ImagePixel(*Graphics().softScreen, 639, 479), 0xFF0000u);
    EXPECT_EQ(ImagePixel(*Graphics().softScreen, 600, 440), 0xFF0000u);
    EXPECT_EQ(ImagePixel(*Graphics().softScreen, 599, 440), kBlack);
}

// A graphic whose pixels cannot be had is refused, and nothing made for it stays behind
// to be found in the leak dump at the end.
TEST_F(SoftwarePathTest, AGraphicWhosePixelsCannotBeHadLeavesNoBlockBehind) {
    ASSERT_EQ(DeleteGraphHandle(CreateEmptyGraph(8, 8)), 0);
    const int32_t blocks = TrackedMemory().blockCount;
    host::SetHeapFailureSize(1 << 20);
    EXPECT_EQ(CreateEmptyGraph(1024, 1024), -1);
    host::SetHeapFailureSize(0);
    EXPECT_EQ(TrackedMemory().blockCount, blocks);
}

// An 8-bit palette graphic on the software path keeps indices; it is keyed by the index
// of the palette entry in the transparent colour, as the device keys that colour's pixels.
TEST_F(SoftwarePathTest, PaletteGraphicsAreKeyedByTheirEntryInTheTransparentColour) {
    auto paletteGraph = [](std::initializer_list<uint32_t> colours) {
        BaseImage image{};
        image.width = 4;
        image.height = 2;
        image.pitch = 4;
        FillPalette8ColorFormat(&image.format);
        uint8_t index = 0;
        for (uint32_t c : colours) {
            image.format.palette[index] = PaletteEntry{uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), 0};
            ++index;
        }
        image.pixels = static_cast<uint8_t*>(TrackedCalloc(8, __FILE__, __LINE__));
        for (int i = 0; i < 8; ++i) image.pixels[i] = uint8_t(i % 4 % colours.size());
        const int32_t handle = SetGraphFromBaseImage(&image, nullptr, 0, 0, 0);
        FreeBaseImage(&image);
        return handle;
    };
    ASSERT_EQ(SetTransparentColor(0, 255, 0), 0);
    const int32_t keyed = paletteGraph({0x808080, 0x00FF00, 0xFF0000, 0x00FF00});
    ASSERT_GE(keyed, 0);
    ASSERT_EQ(GetGraphRecord(keyed)->images->palette, 1);
    const MEMIMG& screen = *Graphics().softScreen;
    auto row = [&](int y) {
        std::vector<uint32_t> r;
        for (int x = 10; x < 14; ++x) r.push_back(ImagePixel(screen, x, y));
        return r;
    };
    const std::vector<uint32_t> whole{0x808080, 0x00FF00, 0xFF0000, 0x00FF00};
    ASSERT_EQ(DrawGraphAt(10, 10, keyed, 0), 0);
    EXPECT_EQ(row(10), whole);
    ASSERT_EQ(DrawGraphAt(10, 20, keyed, 1), 0);
    EXPECT_EQ(row(20), (std::vector<uint32_t>{0x808080, kBlack, 0xFF0000, 0x00FF00}));  // the first entry only
    ASSERT_EQ(DrawGraphStretched(10, 30, 14, 32, keyed, 1), 0);
    EXPECT_EQ(row(31), (std::vector<uint32_t>{0x808080, kBlack, 0xFF0000, 0x00FF00}));
    ASSERT_EQ(DrawGraphQuad(10, 40, 14, 40, 14, 42, 10, 42, keyed, 1), 0);
    EXPECT_EQ(row(40), (std::vector<uint32_t>{0x808080, kBlack, 0xFF0000, 0x00FF00}));
    // A palette without the transparent colour keys nothing.
    const int32_t plain = paletteGraph({0x808080, 0x0000FF});
    ASSERT_EQ(DrawGraphAt(10, 50, plain, 1), 0);
    EXPECT_EQ(row(50), (std::vector<uint32_t>{0x808080, 0x0000FF, 0x808080, 0x0000FF}));
}

}  // namespace
}  // namespace orvik_test
