// Drawing through the mask screen, on the device path and on the software path with the
// same expectations: draws land only where the mask screen's byte is 0 (or, reversed,
// where it is not), nested draws composite once, a clear is never masked, and text is
// masked as a whole line. Then the mask handles.
#include <orvik/fonts.h>
#include <orvik/mask.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <random>
#include <string>

#include "../support/back_buffer_pixels.h"
#include "../support/image_file_builders.h"
#include "drawing_fixture.h"
#include "engine/graphics/fonts/font_graph_port.h"
#include "engine/graphics/fonts/fonts_internal.h"
#include "engine/graphics/mask/mask_handles.h"
#include "engine/graphics/mask/mask_screen.h"
#include "host/font/fixed_glyph_source.h"
#include "host/d3d9/resources/pixel_format.h"
#include "host/font/font_host.h"

namespace orvik_test {
namespace {

using namespace orvik;

constexpr uint32_t kWhite = 0xFFFFFF;

// The device, or the software renderer with a screen of 32 or 16 bits.
enum class Path { Device, Software32, Software16 };

class MaskScreenTest : public DeviceTest, public ::testing::WithParamInterface<Path> {
protected:
    void SetUp() override {
        UseBlockGlyphs();
        if (GetParam() != Path::Device) {
            ASSERT_EQ(SetUseHardwareRendering(0), 0);
            ASSERT_EQ(SetGraphMode(640, 480, GetParam() == Path::Software16 ? 16 : 32), 0);
        }
        ASSERT_EQ(InitLibrary(), 0);
        ASSERT_EQ(Graphics().direct3DMode, GetParam() == Path::Device ? 1 : 0);
        ASSERT_EQ(SetDrawTarget(kDrawTargetBackBuffer), 0);
        ASSERT_EQ(ClearDrawTarget(), 0);
    }
    void TearDown() override {
        ClearFontSystem();
        host::ResetFontHost();
    }
    // 'g' is a solid 6 x 6 square with an advance of 7.
    static void UseBlockGlyphs() {
        host::ResetFontHost();
        auto glyphs = std::make_shared<host::FixedGlyphSource>();
        host::GlyphImage g;
        g.width = g.rows = 6;
        g.top = 12;
        g.advance = 7;
        g.coverage.assign(36, 255);
        glyphs->AddGlyph(U'g', g);
        host::SetGlyphSource(glyphs);
        ResetFontPort();
        ClearFontSystem();
    }
    static uint32_t Pixel(int x, int y) {
        if (Graphics().direct3DMode) {
            FlushVertexBatch();
            return BackBufferPixel(x, y);
        }
        const MEMIMG* s = Graphics().softScreen;
        const int bytes = MemImgBytesPerPixel(s);
        uint32_t v = 0;
        std::memcpy(&v, s->pixels + size_t(y) * size_t(s->store->pitch) + size_t(x * bytes), size_t(bytes));
        return bytes == 2 ? (v ? v | 0xFF0000 : 0) & 0xFFFFFF : v & 0xFFFFFF;
    }
    // Whether a drawable graphic's pixel is not black, whatever its pixel size.
    static bool GraphPixelLit(int32_t handle, int x, int y) {
        const GraphRecord& r = *GetGraphRecord(handle);
        if (Graphics().direct3DMode) {
            FlushVertexBatch();
            host::Surface* s = r.images->pieces.at(0).surface;
            const size_t bytes = size_t(host::FindPixelFormat(s->Format())->bytes);
            return (host::ReadPixelArgb(s->Format(), s->Bits() + size_t(y) * s->Pitch() + size_t(x) * bytes) & 0xFFFFFF) != 0;
        }
        const int bytes = MemImgBytesPerPixel(&r.view);
        uint32_t v = 0;
        std::memcpy(&v, r.view.pixels + size_t(y) * size_t(r.view.store->pitch) + size_t(x * bytes), size_t(bytes));
        return (v & 0xFFFFFF) != 0;
    }
    // Row y from x1 to x2: '#' for a lit pixel, '.' for black.
    static std::string Row(int y, int x1, int x2) {
        std::string row;
        for (int x = x1; x <= x2; ++x) row += Pixel(x, y) == kBlack ? '.' : '#';
        return row;
    }
    // The screen's pixels as they are stored (16-bit ones whole), row by row.
    static std::vector<uint32_t> ScreenPixels() {
        if (Graphics().direct3DMode) return BackBufferPixels();
        const MEMIMG* s = Graphics().softScreen;
        const int bytes = MemImgBytesPerPixel(s);
        std::vector<uint32_t> px(size_t(s->width) * size_t(s->height));
        for (int y = 0; y < s->height; ++y)
            for (int x = 0; x < s->width; ++x)
                std::memcpy(&px[size_t(y) * size_t(s->width) + size_t(x)],
                            s->pixels + size_t(y) * size_t(s->store->pitch) + size_t(x * bytes), size_t(bytes));
        return px;
    }
    // A 1-row mask of the given bytes put on the mask screen at (x, y).
    static void PutMaskRow(int x, int y, std::initializer_list<uint8_t> bytes) {
        const int32_t mask = MakeMask(int(bytes.size()), 1);
        ASSERT_GE(mask, 0);
        ASSERT_EQ(SetDataToMask(int(bytes.size()), 1, bytes.begin(), mask), 0);
        ASSERT_EQ(DrawMask(x, y, mask, kMaskTransNone), 0);
    }
};

TEST_P(MaskScreenTest, DrawsLandWhereTheMaskIsZeroAndTheReverseFlagSwapsThat) {
    // Without a mask screen there is nothing to switch.
    EXPECT_EQ(SetMaskScreenFlag(0), -1);
    EXPECT_EQ(GetMaskScreenFlag(), 1);
    ASSERT_EQ(CreateMaskScreen(), 0);
    PutMaskRow(10, 5, {0xFF, 0xFF, 0, 7});
    PutMaskRow(10, 7, {0xFF, 0xFF, 0, 7});
    const int32_t sprite = DrawingTest::SolidGraph(8, 1, kWhite);
    ASSERT_EQ(DrawGraphAt(8, 5, sprite, 0), 0);
    EXPECT_EQ(Row(5, 6, 17), "..##..#.##..");
    ASSERT_EQ(SetMaskReverseEffectFlag(1), 0);
    ASSERT_EQ(DrawFilledBox(8, 7, 16, 8, GetColorValue(255, 255, 255)), 0);
    EXPECT_EQ(Row(7, 6, 17), "....##.#....");
    ASSERT_EQ(SetMaskReverseEffectFlag(0), 0);
    // Thick lines are put back over the whole quadrangle they cover.
    ASSERT_EQ(DrawThickLine(20, 20, 40, 20, 4, GetColorValue(255, 255, 255)), 0);
    EXPECT_EQ(Row(19, 21, 39), std::string(19, '#'));
    // A mask screen full of 0xFF stops everything; turned off, draws go straight through.
    ASSERT_EQ(FillMaskScreen(1), 0);
    ASSERT_EQ(DrawFilledBox(0, 30, 50, 31, GetColorValue(255, 255, 255)), 0);
    EXPECT_EQ(Row(30, 0, 49), std::string(50, '.'));
    ASSERT_EQ(SetMaskScreenFlag(0), 0);
    EXPECT_EQ(GetMaskScreenFlag(), 0);
    ASSERT_EQ(DrawFilledBox(0, 30, 50, 31, GetColorValue(255, 255, 255)), 0);
    EXPECT_EQ(Row(30, 0, 49), std::string(50, '#'));
}

TEST_P(MaskScreenTest, NestedDrawsCompositeOnceAtTheOutermostLevel) {
    ASSERT_EQ(CreateMaskScreen(), 0);
    const int32_t sprite = DrawingTest::SolidGraph(2, 2, kWhite);
    ASSERT_EQ(BeginMaskedDraw(DrawBounds{0, 0, 40, 40}), 0);
    ASSERT_EQ(DrawGraphAt(5, 5, sprite, 0), 0);
    ASSERT_EQ(DrawGraphAt(50, 5, sprite, 0), 0);
    EXPECT_EQ(Pixel(5, 5), kBlack);  // still in the mask screen
    ASSERT_EQ(EndMaskedDraw(DrawBounds{0, 0, 40, 40}), 0);
    EXPECT_EQ(MaskState().nesting, 0);
    EXPECT_EQ(Pixel(5, 5), kWhite);
    EXPECT_EQ(Pixel(6, 6), kWhite);
    // The inner draw outside the outer rectangle is not put back.
    EXPECT_EQ(Pixel(50, 5), kBlack);
}

TEST_P(MaskScreenTest, ClearsReachTheTargetAndOtherTargetsAreMaskedToo) {
    ASSERT_EQ(CreateMaskScreen(), 0);
    ASSERT_EQ(DrawFilledBox(0, 0, 20, 20, GetColorValue(255, 255, 255)), 0);
    ASSERT_EQ(FillMaskScreen(1), 0);
    const ClearRect part{0, 0, 10, 20};
    ASSERT_EQ(ClearDrawTarget(&part), 0);
    EXPECT_EQ(Row(3, 8, 11), "..##");
    // A drawable graphic of the other pixel size as target: the same mask screen cuts
    // what lands in it.
    ASSERT_EQ(SetCreateGraphBitDepth(GetParam() == Path::Software16 ? 32 : 16), 0);
    const int32_t off = CreateDrawableGraph(32, 8);
    ASSERT_GE(off, 0);
    ASSERT_EQ(SetDrawTarget(off), 0);
    ASSERT_EQ(FillMaskScreen(0), 0);
    PutMaskRow(1, 2, {0xFF});
    ASSERT_EQ(DrawFilledBox(0, 2, 4, 3, GetColorValue(255, 255, 255)), 0);
    std::string row;
    for (int x = 0; x < 5; ++x) row += GraphPixelLit(off, x, 2) ? '#' : '.';
    EXPECT_EQ(row, "#.##.");
}

// A cell inside a drawable graphic as target: the mask screen is addressed in the cell's
// coordinates, and what passes it lands at the cell's place in the graphic.
TEST_P(MaskScreenTest, ACellInsideADrawableGraphicIsMaskedInItsOwnCoordinates) {
    const int32_t sheet = CreateDrawableGraph(32, 16);
    const int32_t cell = DeriveGraph(8, 4, 12, 8, sheet);
    ASSERT_GE(cell, 0);
    ASSERT_EQ(SetDrawTarget(cell), 0);
    ASSERT_EQ(CreateMaskScreen(), 0);
    PutMaskRow(1, 2, {0xFF});
    ASSERT_EQ(DrawFilledBox(-2, 2, 4, 3, GetColorValue(255, 255, 255)), 0);
    const int32_t sprite = DrawingTest::SolidGraph(4, 1, kWhite);
    PutMaskRow(6, 5, {0, 0xFF});
    ASSERT_EQ(DrawGraphAt(5, 5, sprite, 0), 0);
    auto row = [&](int y, int x1, int x2) {
        std::string r;
        for (int x = x1; x <= x2; ++x) r += GraphPixelLit(sheet, x, y) ? '#' : '.';
        return r;
    };
    EXPECT_EQ(row(6, 6, 13), "..#.##..");
    EXPECT_EQ(row(9, 12, 17), ".##.#.");
    EXPECT_EQ(row(2, 6, 13), "........");
}

TEST_P(MaskScreenTest, TextIsMaskedAsOneLine) {
    ASSERT_EQ(DrawTextDefault(0, 0, "gggg", GetColorValue(255, 255, 255), 0), 28);
    std::vector<std::string> open;
    for (int y = 0; y < 20; ++y) open.push_back(Row(y, 0, 29));
    ASSERT_TRUE(std::any_of(open.begin(), open.end(), [](const std::string& r) { return r.find('#') < 10; }));
    ASSERT_EQ(ClearDrawTarget(), 0);
    ASSERT_EQ(CreateMaskScreen(), 0);
    const int32_t mask = MakeMask(10, 20);
    const std::vector<uint8_t> blocked(200, 0xFF);
    ASSERT_EQ(SetDataToMask(10, 20, blocked.data(), mask), 0);
    ASSERT_EQ(DrawMask(0, 0, mask, kMaskTransNone), 0);
    ASSERT_EQ(DrawTextDefault(0, 0, "gggg", GetColorValue(255, 255, 255), 0), 28);
    for (int y = 0; y < 20; ++y) EXPECT_EQ(Row(y, 0, 29), std::string(10, '.') + open[size_t(y)].substr(10)) << y;
    EXPECT_EQ(MaskState().nesting, 0);
}

TEST_P(MaskScreenTest, TheMaskOutlivesItsDeviceBuffersAndEndsWithGraphics) {
    ASSERT_EQ(CreateMaskScreen(), 0);
    PutMaskRow(3, 4, {0xFF});
    // As a device re-creation does: the device objects go and come back, the bytes stay.
    ReleaseMaskDeviceBuffers();
    ASSERT_EQ(RecreateMaskScreen(), 0);
    ASSERT_EQ(DrawFilledBox(2, 4, 5, 5, GetColorValue(255, 255, 255)), 0);
    EXPECT_EQ(Row(4, 1, 5), ".#.#.");
    ASSERT_EQ(TerminateMaskSystem(), 0);
    EXPECT_EQ(SetMaskScreenFlag(1), -1);
    ASSERT_EQ(DrawFilledBox(2, 6, 5, 7, GetColorValue(255, 255, 255)), 0);
    EXPECT_EQ(Row(6, 1, 5), ".###.");
}

// Coordinates at the int limits, whose sums and differences wrap round in 32 bits (the
// sanitizer stops at each): every draw is taken, and what lies far off leaves the screen
// alone instead of wrapping onto it.
TEST_P(MaskScreenTest, DrawsAtTheIntLimitsStayWhereTheyAre) {
    const uint32_t white = GetColorValue(255, 255, 255);
    EXPECT_EQ(DrawColorLine(INT_MIN, 5, INT_MAX, 5, white), 0);
    EXPECT_EQ(DrawColorLine(INT_MAX - 1, 9, INT_MAX, 9, white), 0);
    EXPECT_EQ(DrawThickLine(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 4, white), 0);
    EXPECT_EQ(DrawThickLine(INT_MAX - 2, 40, INT_MAX, 40, 4, white), 0);
    EXPECT_EQ(DrawTextDefault(0, INT_MAX - 5, "gggg", white, 0), 28);
    EXPECT_EQ(DrawTextDefault(INT_MAX - 5, 100, "gggg", white, 0), 28);
    const int32_t graph = DrawingTest::SolidGraph(8, 8, kWhite);
    for (int turn : {0, 1}) EXPECT_EQ(DrawGraphRegion(INT_MAX - 3, INT_MAX - 3, 2, 2, 6, 6, graph, 0, turn), 0);
    EXPECT_EQ(DrawGraphRegion(INT_MIN + 3, 50, INT_MAX, 0, 6, 6, graph, 0, 0), 0);
    EXPECT_EQ(DrawGraphAt(INT_MAX - 3, 60, graph, 0), 0);
    EXPECT_EQ(DrawGraphMirrored(INT_MAX - 3, 60, graph, 0), 0);
    for (int y : {9, 40, 50, 60, 100, 112}) EXPECT_EQ(Row(y, 0, 9) + Row(y, 630, 639), std::string(20, '.')) << y;

    ASSERT_EQ(CreateMaskScreen(), 0);
    const int32_t mask = MakeMask(10, 1);
    const std::vector<uint8_t> blocked(10, 0xFF);
    ASSERT_EQ(SetDataToMask(10, 1, blocked.data(), mask), 0);
    ASSERT_EQ(DrawMask(INT_MAX - 4, 0, mask, kMaskTransNone), 0);
    ASSERT_EQ(DrawMask(INT_MIN, 0, mask, kMaskTransNone), 0);
    ASSERT_EQ(DrawMask(-5, 1, mask, kMaskTransNone), 0);
    const std::vector<uint8_t>& screen = MaskState().data;
    EXPECT_EQ(std::count(screen.begin(), screen.end(), 0xFF), 5);
    EXPECT_EQ(screen[size_t(MaskState().pitch) + 4], 0xFF);
}

// Masked text works out its line's box first: at the end of int that box must not wrap
// round onto the screen.
TEST_P(MaskScreenTest, MaskedTextAtTheIntLimitsStaysOffTheScreen) {
    const uint32_t white = GetColorValue(255, 255, 255);
    ASSERT_EQ(CreateMaskScreen(), 0);
    const int32_t font = QueryDefaultFontHandle();
    ASSERT_GE(font, 0);
    EXPECT_EQ(DrawTextWithFont(0, INT_MAX - 5, "gggg", white, font), 28);
    EXPECT_EQ(DrawTextWithFont(INT_MAX - 5, 0, "gggg", white, font, 0, 1), 0);  // starts right of the area
    EXPECT_EQ(MaskState().nesting, 0);
    for (int y : {0, 5, 100, 470, 479}) EXPECT_EQ(Row(y, 0, 29) + Row(y, 610, 639), std::string(60, '.')) << y;
}

// An edged font's outer rows reach below the text's size + 3: through an open mask they
// show as they do without it, rather than being cut away with the line's box.
TEST_P(MaskScreenTest, EdgedTextThroughAnOpenMaskShowsAllItsRows) {
    // 'p' fills the 16-pixel cell's descent: rows 12 to 15, 15 to 18 once moved by the
    // edge, whose three rows then reach row 21.
    auto glyphs = std::make_shared<host::FixedGlyphSource>();
    host::GlyphImage p;
    p.width = 6, p.rows = 4, p.top = 0, p.advance = 7;
    p.coverage.assign(24, 255);
    glyphs->AddGlyph(U'p', p);
    host::SetGlyphSource(glyphs);
    const int32_t font = CreateFontToHandle(nullptr, 16, -1, 0, -1, 3, 0);
    ASSERT_GE(font, 0);
    const auto text = [&] {
        std::vector<uint32_t> pixels;
        EXPECT_GT(DrawTextWithFont(100, 100, "pp", kWhite, font, 0xFF0000), 0);
        for (int y = 95; y < 130; ++y)
            for (int x = 95; x < 125; ++x) pixels.push_back(Pixel(x, y));
        return pixels;
    };
    const std::vector<uint32_t> plain = text();
    // The edge reaches past the line's old bottom (row 119), or the test would show nothing.
    EXPECT_TRUE(std::any_of(plain.begin() + (119 - 95) * 30, plain.end(), [](uint32_t c) { return c != kBlack; }));
    ASSERT_EQ(ClearDrawTarget(), 0);
    ASSERT_EQ(CreateMaskScreen(), 0);
    EXPECT_EQ(text(), plain);
}

// Through the mask a draw leaves each pixel as the same draw without it would where the
// mask is open, and as it was where it is closed: sprites of an odd size blended over a
// busy background, cut at every edge of the screen, one stretched over a large part of
// it, through a mask of noise on the left and of long runs on the right, and the same
// reversed.
TEST_P(MaskScreenTest, DrawsThroughTheMaskMatchTheSameDrawsWithoutItWhereItIsOpen) {
    const int32_t background = DrawingTest::MakeGraph(640, 480, [](int x, int y) {
        return (uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u) & 0xFFFFFF;
    });
    const int32_t sprite = DrawingTest::MakeGraph(37, 23, [](int x, int y) { return uint32_t(x * 7 + y * 13) * 0x30507u; });
    const auto drawSprites = [&] {
        ASSERT_EQ(SetBlendMode(1, 160), 0);
        for (const auto& [x, y] : {std::pair{-20, -9}, {620, 470}, {301, 200}, {-30, 460}, {630, -5}, {316, 11}})
            ASSERT_EQ(DrawGraphAt(x, y, sprite, 0), 0);
        ASSERT_EQ(DrawGraphStretched(150, 100, 451, 333, sprite, 0), 0);
        ASSERT_EQ(SetBlendMode(0, 0), 0);
    };
    ASSERT_EQ(DrawGraphAt(0, 0, background, 0), 0);
    const std::vector<uint32_t> before = ScreenPixels();
    drawSprites();
    const std::vector<uint32_t> plain = ScreenPixels();

    std::mt19937 random(3);
    std::vector<uint8_t> bytes(640 * 480);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = i % 640 < 320 ? (random() % 2 ? uint8_t(random()) : 0) : ((i % 640) / 29 + i / 640 / 17) % 2 ? 0x10 : 0;
    ASSERT_EQ(CreateMaskScreen(), 0);
    const int32_t mask = MakeMask(640, 480);
    ASSERT_EQ(SetDataToMask(640, 480, bytes.data(), mask), 0);
    ASSERT_EQ(DrawMask(0, 0, mask, kMaskTransNone), 0);
    for (int reverse : {0, 1}) {
        ASSERT_EQ(SetMaskReverseEffectFlag(reverse), 0);
        ASSERT_EQ(SetMaskScreenFlag(0), 0);
        ASSERT_EQ(DrawGraphAt(0, 0, background, 0), 0);
        ASSERT_EQ(SetMaskScreenFlag(1), 0);
        drawSprites();
        const std::vector<uint32_t> masked = ScreenPixels();
        size_t wrong = 0, first = 0;
        for (size_t i = 0; i < masked.size(); ++i)
            if (masked[i] != ((bytes[i] == 0) != (reverse != 0) ? plain[i] : before[i]) && wrong++ == 0) first = i;
        EXPECT_EQ(wrong, 0u) << "reverse " << reverse << ", first at (" << first % 640 << ", " << first / 640 << ")";
    }
    // A mask changed after the large draws read it holds for the next ones.
    ASSERT_EQ(SetMaskReverseEffectFlag(0), 0);
    ASSERT_EQ(FillMaskScreen(1), 0);
    ASSERT_EQ(SetMaskScreenFlag(0), 0);
    ASSERT_EQ(DrawGraphAt(0, 0, background, 0), 0);
    ASSERT_EQ(SetMaskScreenFlag(1), 0);
    drawSprites();
    EXPECT_TRUE(ScreenPixels() == before);
}

INSTANTIATE_TEST_SUITE_P(Paths, MaskScreenTest, ::testing::Values(Path::Device, Path::Software32, Path::Software16),
                         [](const ::testing::TestParamInfo<Path>& info) {
                             return info.param == Path::Device ? "Device" : info.param == Path::Software32 ? "Software32" : "Software16";
                         });

TEST_F(DeviceTest, MaskHandlesAreCheckedAndTheTableHolds512) {
    const int32_t first = MakeMask(3, 2);
    ASSERT_GE(first, 0);
    EXPECT_EQ(first & 0x78000000, 0x28000000);
    EXPECT_EQ(MakeMask(0, 2), -1);
    ASSERT_EQ(DeleteMaskHandle(first), 0);
    EXPECT_EQ(DeleteMaskHandle(first), -1);
    // The slot comes back with another check number: the old handle stays refused.
    const int32_t second = MakeMask(3, 2);
    EXPECT_EQ(second & 0xFFFF, first & 0xFFFF);
    EXPECT_NE(second, first);
    int w = 0, h = 0;
    EXPECT_EQ(GetMaskSize(&w, &h, first), -1);
    ASSERT_EQ(GetMaskSize(&w, &h, second), 0);
    EXPECT_EQ(w * 10 + h, 32);
    EXPECT_EQ(GetMaskSize(&w, &h, second & ~0x28000000), -1);
    for (int i = 1; i < kMaskCapacity; ++i) ASSERT_GE(MakeMask(1, 1), 0) << i;
    EXPECT_EQ(MakeMask(1, 1), -1);
    ASSERT_EQ(DeleteAllMaskHandles(), 0);
    EXPECT_EQ(GetMaskSize(&w, &h, second), -1);
    EXPECT_GE(MakeMask(1, 1), 0);
}

TEST_F(DrawingTest, MasksGoOnTheMaskScreenCutAndByTheirTransparency) {
    const int32_t mask = MakeMask(3, 1);
    EXPECT_EQ(DrawMask(0, 0, mask, kMaskTransNone), -1);  // no mask screen yet
    ASSERT_EQ(CreateMaskScreen(), 0);
    const uint8_t bytes[3] = {0, 5, 9};
    ASSERT_EQ(SetDataToMask(3, 1, bytes, mask), 0);
    ASSERT_EQ(FillMaskScreen(1), 0);
    const MaskScreen& m = MaskState();
    auto screenRow = [&](int x, int y) { return std::vector<int>(m.data.begin() + y * m.pitch + x, m.data.begin() + y * m.pitch + x + 3); };
    ASSERT_EQ(DrawMask(10, 0, mask, kMaskTransNone), 0);
    EXPECT_EQ(screenRow(10, 0), (std::vector<int>{0, 5, 9}));
    ASSERT_EQ(DrawMask(10, 1, mask, kMaskTransWhite), 0);
    EXPECT_EQ(screenRow(10, 1), (std::vector<int>{0, 255, 255}));
    ASSERT_EQ(FillMaskScreen(0), 0);
    ASSERT_EQ(DrawMask(10, 2, mask, kMaskTransBlack), 0);
    EXPECT_EQ(screenRow(10, 2), (std::vector<int>{0, 5, 9}));
    // Cut at the screen's edges.
    ASSERT_EQ(DrawMask(-2, 3, mask, kMaskTransNone), 0);
    EXPECT_EQ(m.data[size_t(3 * m.pitch)], 9);
    ASSERT_EQ(DrawMask(638, 479, mask, kMaskTransNone), 0);
    EXPECT_EQ(m.data[size_t(479 * m.pitch + 639)], 5);
    // A mask from an image file takes the pixels' red values.
    imagetest::BmpSpec bmp;
    bmp.width = 2;
    bmp.height = 1;
    bmp.pixels = {0, 0, 200, 0, 0, 0, 0, 0};  // blue, green, red per pixel, padded to 8
    const std::string path = engine_.Log().Directory() + "/mask.bmp";
    const auto file = imagetest::MakeBmp(bmp);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    const int32_t loaded = LoadMask(path.c_str());
    ASSERT_GE(loaded, 0);
    EXPECT_EQ(GetMaskRecord(loaded)->data, (std::vector<uint8_t>{200, 0}));
    EXPECT_EQ(LoadMask((path + "x").c_str()), -1);
}

}  // namespace
}  // namespace orvik_test
