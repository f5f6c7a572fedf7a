// The same scenes drawn on the device path and by the software renderer: the same pixels
// covered, colours within the rounding the two ways of blending differ by.
#include <cstdlib>
#include <cstring>

#include "drawing_fixture.h"
#include "engine/graphics/draw/draw_settings.h"

namespace orvik_test {
namespace {

using namespace orvik;

constexpr int kW = 640, kH = 480;
constexpr double kQuarter = 1.5707963267948966;

using Picture = std::vector<uint32_t>;

Picture Capture() {
    Picture px(size_t(kW) * kH);
    const uint8_t* bits;
    size_t pitch;
    if (Graphics().direct3DMode) {
        FlushVertexBatch();
        host::Surface* b = Graphics().dev.backBuffer;
        bits = b->Bits();
        pitch = b->Pitch();
    } else {
        const MEMIMG* s = Graphics().softScreen;
        bits = s->pixels;
        pitch = size_t(s->store->pitch);
    }
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            uint32_t v;
            std::memcpy(&v, bits + size_t(y) * pitch + size_t(x) * 4, 4);
            px[size_t(y) * kW + x] = v & 0xFFFFFF;
        }
    return px;
}

void Scene() {
    auto graph = [](int w, int h, uint32_t (*f)(int, int)) { return DrawingTest::MakeGraph(w, h, f); };
    int32_t sprite = graph(3, 3, [](int x, int y) { return 0x204060u + uint32_t(x) * 0x500000 + uint32_t(y) * 0x50; });
    int32_t odd = graph(3, 5, [](int x, int y) { return x == 0 ? 0xFF0000u : 0x00C000u + uint32_t(y) * 0x20; });
    ASSERT_EQ(SetTransparentColor(255, 0, 255), 0);
    int32_t keyed = graph(4, 2, [](int x, int y) { return (x + y) % 2 ? 0xFF00FFu : 0x3080F0u; });
    int32_t off = CreateDrawableGraph(64, 48);
    ASSERT_GE(off, 0);

    ASSERT_EQ(DrawGraphAt(10, 10, sprite, 0), 0);
    ASSERT_EQ(DrawGraphStretched(20, 10, 32, 19, sprite, 0), 0);
    ASSERT_EQ(DrawGraphStretched(52, 10, 40, 19, sprite, 0), 0);
    ASSERT_EQ(DrawGraphMirrored(60, 10, sprite, 0), 0);
    ASSERT_EQ(DrawGraphRotated(80, 12, 1.0, kQuarter, odd, 0, 0), 0);
    ASSERT_EQ(DrawGraphRotated(90, 12, 1.0, 2 * kQuarter, odd, 0, 0), 0);
    ASSERT_EQ(DrawColorLine(0, 0, 10, 0, GetColorValue(255, 255, 255)), 0);
    ASSERT_EQ(DrawFilledBox(120, 25, 100, 20, GetColorValue(0, 0, 200)), 0);
    ASSERT_EQ(DrawGraphAt(101, 21, keyed, 1), 0);
    ASSERT_EQ(DrawFilledBox(0, 40, 200, 60, GetColorValue(90, 90, 90)), 0);
    ASSERT_EQ(SetBlendMode(1, 128), 0);
    ASSERT_EQ(DrawGraphAt(5, 45, sprite, 0), 0);
    ASSERT_EQ(SetBlendMode(2, 200), 0);
    ASSERT_EQ(DrawGraphAt(15, 45, sprite, 0), 0);
    ASSERT_EQ(SetBlendMode(0, 0), 0);
    ASSERT_EQ(SetDrawBrightness(255, 128, 0), 0);
    ASSERT_EQ(DrawGraphAt(25, 45, sprite, 0), 0);
    ASSERT_EQ(SetDrawBrightness(255, 255, 255), 0);
    ASSERT_EQ(SetDrawClipRect(41, 46, 43, 47), 0);
    ASSERT_EQ(DrawGraphAt(40, 45, sprite, 0), 0);
    ASSERT_EQ(SetDrawClipRect(0, 0, 0, 0), 0);
    ASSERT_EQ(DrawFilledBox(0, 0, 640, 480, GetColorValue(255, 255, 255)), 0);
    ASSERT_EQ(SetDrawClipRect(0, 0, 640, 480), 0);
    // The frame of the game: a picture drawn off-screen, stretched onto the screen.
    ASSERT_EQ(SetDrawTarget(off), 0);
    ASSERT_EQ(DrawGraphAt(0, 0, sprite, 0), 0);
    ASSERT_EQ(DrawGraphAt(61, 45, sprite, 0), 0);
    ASSERT_EQ(SetDrawTarget(kDrawTargetBackBuffer), 0);
    ASSERT_EQ(DrawGraphStretched(200, 100, 328, 196, off, 0), 0);
}

// A mask (alpha in columns of 0, 64, 128, 255, and a 16-step ramp down the rows) over
// sprites at a point, stretched, mirrored and rotated, in modes 0, 1 and 2; ramps whose
// slopes are whole numbers, where the two paths agree.
void MaskScene() {
    BaseImage image{};
    ASSERT_EQ(NewArgb32BaseImage(8, 8, &image), 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) WriteBaseImagePixel(&image, x, y, 0, 0, 0, x < 4 ? x * 64 + (x == 3) * 63 : y * 32 + 16);
    const int32_t mask = SetGraphFromBaseImage(&image, nullptr, 0, 0, 0);
    FreeBaseImage(&image);
    const int32_t sprite = DrawingTest::MakeGraph(8, 8, [](int x, int y) { return 0x3060F0u + uint32_t(x * 0x100000 + y * 0x10); });
    ASSERT_EQ(DrawFilledBox(0, 100, 300, 200, GetColorValue(40, 80, 120)), 0);
    ASSERT_EQ(SetBlendMaskGraph(mask, 128, 255), 0);
    ASSERT_EQ(DrawGraphAt(10, 10, sprite, 0), 0);
    ASSERT_EQ(DrawGraphStretched(30, 10, 54, 26, sprite, 0), 0);
    ASSERT_EQ(DrawGraphStretched(84, 10, 60, 26, sprite, 0), 0);
    const int32_t odd = DeriveGraph(0, 0, 7, 7, sprite);
    ASSERT_EQ(DrawGraphRotated(110, 20, 1.0, kQuarter, odd, 0, 0), 0);
    ASSERT_EQ(DrawGraphRotated(130, 20, 1.0, 2 * kQuarter, odd, 0, 0), 0);
    ASSERT_EQ(SetBlendMaskGraph(mask, 64, 63), 0);
    ASSERT_EQ(DrawGraphAt(10, 110, sprite, 0), 0);
    ASSERT_EQ(SetBlendMode(1, 160), 0);
    ASSERT_EQ(DrawGraphAt(30, 110, sprite, 0), 0);
    ASSERT_EQ(SetBlendMaskGraph(mask, 100, 127), 0);
    ASSERT_EQ(SetBlendMode(2, 200), 0);
    ASSERT_EQ(DrawGraphStretched(50, 110, 66, 126, sprite, 0), 0);
    // Multiply-then-blend and inverted colour, with and without the mask.
    ASSERT_EQ(SetBlendMode(11, 128), 0);
    ASSERT_EQ(DrawGraphAt(70, 110, sprite, 0), 0);
    ASSERT_EQ(SetBlendMode(10, 200), 0);
    ASSERT_EQ(DrawGraphAt(90, 110, sprite, 0), 0);
    ASSERT_EQ(SetBlendMode(4, 0), 0);
    ASSERT_EQ(DrawGraphAt(170, 110, sprite, 0), 0);
    ASSERT_EQ(SetBlendMaskGraph(-1, 0, 0), 0);
    ASSERT_EQ(DrawGraphAt(110, 110, sprite, 0), 0);
    ASSERT_EQ(SetBlendMode(11, 128), 0);
    ASSERT_EQ(DrawGraphAt(130, 110, sprite, 0), 0);
    ASSERT_EQ(SetBlendMode(0, 0), 0);
    // A mask without alpha: its transparent colour hides, every other pixel shows.
    ASSERT_EQ(SetTransparentColor(255, 0, 255), 0);
    const int32_t keyed = DrawingTest::MakeGraph(8, 8, [](int x, int y) { return (x + y) % 3 ? 0x808080u : 0xFF00FFu; });
    ASSERT_EQ(SetBlendMaskGraph(keyed, 128, 255), 0);
    ASSERT_EQ(DrawGraphAt(150, 110, sprite, 0), 0);
    ASSERT_EQ(SetBlendMaskGraph(-1, 0, 0), 0);
}

// A cell inside a drawable graphic as the draw target: draws, a clear and a narrower draw
// area in the cell's own coordinates, then the whole graphic shown on the screen.
void CellScene() {
    const int32_t sprite = DrawingTest::MakeGraph(5, 4, [](int x, int y) { return 0x30A040u + uint32_t(x * 0x280000 + y * 0x30); });
    const int32_t sheet = CreateDrawableGraph(96, 80);
    ASSERT_GE(sheet, 0);
    ASSERT_EQ(SetDrawTarget(sheet), 0);
    ASSERT_EQ(DrawFilledBox(0, 0, 96, 80, GetColorValue(60, 60, 60)), 0);
    const int32_t cell = DeriveGraph(20, 30, 40, 24, sheet);
    ASSERT_EQ(SetDrawTarget(cell), 0);
    ASSERT_EQ(DrawFilledBox(-3, -3, 8, 6, GetColorValue(220, 40, 40)), 0);
    ASSERT_EQ(DrawGraphAt(37, 21, sprite, 0), 0);
    ASSERT_EQ(DrawGraphStretched(10, 2, 20, 10, sprite, 0), 0);
    ASSERT_EQ(DrawGraphMirrored(-2, 12, sprite, 0), 0);
    ASSERT_EQ(DrawColorLine(0, 23, 50, 23, GetColorValue(255, 255, 255)), 0);
    ASSERT_EQ(DrawLineBox(22, 12, 34, 20, GetColorValue(0, 200, 255)), 0);
    ASSERT_EQ(SetBlendMode(1, 128), 0);
    ASSERT_EQ(DrawGraphAt(4, 4, sprite, 0), 0);
    ASSERT_EQ(SetBlendMode(0, 0), 0);
    const ClearRect hole{12, 14, 16, 18};
    ASSERT_EQ(ClearDrawTarget(&hole), 0);
    ASSERT_EQ(SetDrawClipRect(1, 16, 9, 20), 0);
    ASSERT_EQ(DrawFilledBox(0, 0, 40, 24, GetColorValue(140, 0, 200)), 0);
    ASSERT_EQ(SetDrawTarget(kDrawTargetBackBuffer), 0);
    ASSERT_EQ(DrawGraphAt(300, 200, sheet, 0), 0);
}

// The draws the first scene leaves out: outlines, thick lines, regions, float-stretched
// parts, a quadrangle that is a rectangle, subtraction, multiplication and blended shapes.
void MoreDrawsScene() {
    const int32_t sprite = DrawingTest::MakeGraph(6, 5, [](int x, int y) { return 0x406080u + uint32_t(x * 0x200000 + y * 0x2010); });
    const uint32_t white = GetColorValue(255, 255, 255);
    ASSERT_EQ(DrawLineBox(10, 10, 30, 25, white), 0);
    ASSERT_EQ(DrawLineBox(50, 25, 40, 10, GetColorValue(0, 180, 90)), 0);
    ASSERT_EQ(DrawRectangle(60, 10, 70, 25, GetColorValue(200, 100, 0), 1), 0);
    ASSERT_EQ(DrawRectangle(75, 10, 85, 25, GetColorValue(200, 100, 0), 0), 0);
    ASSERT_EQ(DrawColorLine(90, 10, 90, 30, white), 0);
    ASSERT_EQ(DrawColorLine(94, 30, 94, 10, white), 0);
    ASSERT_EQ(DrawColorLine(120, 12, 98, 12, white), 0);
    ASSERT_EQ(DrawGraphRegion(100, 40, 2, 1, 3, 3, sprite, 0, 0), 0);
    ASSERT_EQ(DrawGraphRegion(110, 40, 2, 1, 3, 3, sprite, 0, 1), 0);
    ASSERT_EQ(DrawGraphRectStretchedF(120.0f, 40.0f, 132.0f, 49.0f, 1, 1, 4, 3, sprite, 0), 0);
    ASSERT_EQ(DrawGraphStretchedF(140.0f, 40.0f, 152.0f, 50.0f, sprite, 0), 0);
    ASSERT_EQ(DrawGraphQuad(160.0f, 40.0f, 172.0f, 40.0f, 172.0f, 50.0f, 160.0f, 50.0f, sprite, 0), 0);
    ASSERT_EQ(DrawFilledBox(0, 70, 200, 90, GetColorValue(150, 150, 150)), 0);
    ASSERT_EQ(SetBlendMode(3, 200), 0);
    ASSERT_EQ(DrawGraphAt(10, 75, sprite, 0), 0);
    ASSERT_EQ(DrawFilledBox(20, 75, 30, 80, GetColorValue(40, 80, 120)), 0);
    ASSERT_EQ(SetBlendMode(4, 0), 0);
    ASSERT_EQ(DrawGraphAt(40, 75, sprite, 0), 0);
    ASSERT_EQ(SetBlendMode(1, 100), 0);
    ASSERT_EQ(DrawFilledBox(50, 75, 60, 80, GetColorValue(255, 0, 0)), 0);
    ASSERT_EQ(SetBlendMode(2, 255), 0);
    ASSERT_EQ(DrawFilledBox(70, 75, 80, 80, GetColorValue(0, 0, 200)), 0);
    // A graphic with alpha, cut out by it and mixed by it.
    BaseImage image{};
    ASSERT_EQ(NewArgb32BaseImage(6, 6, &image), 0);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) WriteBaseImagePixel(&image, x, y, 240, 40 * y, 200, x * 51);
    const int32_t faded = SetGraphFromBaseImage(&image, nullptr, 0, 0, 0);
    FreeBaseImage(&image);
    ASSERT_GE(faded, 0);
    for (int mode : {0, 1, 2}) {
        ASSERT_EQ(SetBlendMode(mode, 200), 0);
        ASSERT_EQ(DrawGraphAt(100 + mode * 10, 75, faded, 1), 0);
        ASSERT_EQ(DrawGraphStretched(130 + mode * 20, 72, 145 + mode * 20, 87, faded, 1), 0);
    }
    ASSERT_EQ(SetBlendMode(0, 0), 0);
}

class PathCompareTest : public DeviceTest {
protected:
    // The scene on the device and on the software renderer: the same pixels covered, each
    // channel within the two paths' rounding.
    static void ComparePaths(void (*scene)(), int minCovered) {
        ASSERT_EQ(SetGraphMode(kW, kH, 32), 0);
        ASSERT_EQ(InitLibrary(), 0);
        ASSERT_EQ(Graphics().direct3DMode, 1);
        ASSERT_NO_FATAL_FAILURE(scene());
        const Picture device = Capture();
        EndLibrary();

        ASSERT_EQ(SetUseHardwareRendering(0), 0);
        ASSERT_EQ(SetGraphMode(kW, kH, 32), 0);
        ASSERT_EQ(InitLibrary(), 0);
        ASSERT_EQ(Graphics().direct3DMode, 0);
        ASSERT_NO_FATAL_FAILURE(scene());
        const Picture soft = Capture();

        int covered = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const uint32_t d = device[size_t(y) * kW + x], s = soft[size_t(y) * kW + x];
                ASSERT_EQ(d != 0, s != 0) << "coverage at " << x << "," << y << ": " << std::hex << d << " " << s;
                covered += d != 0;
                for (int shift : {0, 8, 16})
                    ASSERT_LE(std::abs(int(d >> shift & 255) - int(s >> shift & 255)), 2)
                        << "colour at " << x << "," << y << ": " << std::hex << d << " " << s;
            }
        EXPECT_GT(covered, minCovered);
    }
};

TEST_F(PathCompareTest, SoftwareRendererCoversTheSamePixelsAsTheDevice) { ComparePaths(Scene, 3000); }

TEST_F(PathCompareTest, BlendMasksWeighTheSameOnBothPaths) { ComparePaths(MaskScene, 10000); }

TEST_F(PathCompareTest, OutlinesRegionsAndBlendedShapesMatchOnBothPaths) { ComparePaths(MoreDrawsScene, 1500); }

TEST_F(PathCompareTest, ACellInsideADrawableGraphicIsDrawnIntoAlikeOnBothPaths) { ComparePaths(CellScene, 7000); }

}  // namespace
}  // namespace orvik_test
