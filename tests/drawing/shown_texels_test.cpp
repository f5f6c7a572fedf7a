// A masked upright draw works only where its graphic's texels show. The box is found
// exactly from the texels, follows every image transfer, is given up for graphics written
// in other ways, and is used only where clear texels leave the target as it was: a long
// random script of masked draws must leave exactly the pixels it leaves when every draw
// works on its whole rectangle.
#include <orvik/mask.h>

#include <random>
#include <vector>

#include "engine/graphics/draw/color_data.h"
#include "engine/graphics/mask/mask_screen.h"
#include "engine/graphics/images/pixel_convert.h"
#include "engine/graphics/handles/shown_texels.h"
#include "mask_script.h"
#include "host/d3d9/device/d3d9_types.h"

namespace orvik_test {
namespace {

using namespace orvik;

TEST(ShownTexelBox, FindsTheTexelsWhoseAlphaIsNotZeroInEachFormat) {
    const ColorFormat& argb = *GetD3DFormatColorData(host::D3DFMT_A8R8G8B8);
    std::vector<uint32_t> texels(12 * 9, 0x00FFFFFFu);  // clear, whatever their colour
    auto box = [&](int w, int h) {
        const Box b = ShownTexelBox(reinterpret_cast<const uint8_t*>(texels.data()), 12 * 4, argb, w, h);
        return std::vector<int>{b.x1, b.y1, b.x2, b.y2};
    };
    EXPECT_EQ(box(12, 9), (std::vector<int>{0, 0, 0, 0}));
    texels[4 * 12 + 7] = 0x01000000u;  // the faintest alpha shows
    EXPECT_EQ(box(12, 9), (std::vector<int>{7, 4, 8, 5}));
    texels[2 * 12 + 3] = 0xFF123456u;
    texels[8 * 12 + 10] = 0x80000000u;
    EXPECT_EQ(box(12, 9), (std::vector<int>{3, 2, 11, 9}));
    // Only the rectangle asked for is read.
    EXPECT_EQ(box(9, 6), (std::vector<int>{3, 2, 8, 5}));
    EXPECT_EQ(box(0, 6), (std::vector<int>{0, 0, 0, 0}));

    // 16-bit texels with one alpha bit; a format without alpha shows everywhere.
    const ColorFormat& a1 = *GetD3DFormatColorData(host::D3DFMT_A1R5G5B5);
    std::vector<uint16_t> small(5 * 4, 0x7FFF);
    small[3 * 5 + 1] = 0x8000;
    const Box b = ShownTexelBox(reinterpret_cast<const uint8_t*>(small.data()), 5 * 2, a1, 5, 4);
    EXPECT_EQ((std::vector<int>{b.x1, b.y1, b.x2, b.y2}), (std::vector<int>{1, 3, 2, 4}));
    const Box x = ShownTexelBox(reinterpret_cast<const uint8_t*>(texels.data()), 12 * 4,
                                *GetD3DFormatColorData(host::D3DFMT_X8R8G8B8), 6, 5);
    EXPECT_EQ((std::vector<int>{x.x1, x.y1, x.x2, x.y2}), (std::vector<int>{0, 0, 6, 5}));
}

class ShownTexelsTest : public MaskScriptTest {
protected:
    void SetUp() override {
        MaskScriptTest::SetUp();
        ASSERT_EQ(SetTransparentColor(0, 0, 0), 0);
        MakeSheet();
        alpha_ = MakeAlphaSprite();
        canvas_ = CreateDrawableGraph(320, 240);
        ASSERT_GE(alpha_, 0);
        ASSERT_GE(canvas_, 0);
        ASSERT_EQ(CreateMaskScreen(), 0);
    }

    // Four 32 x 32 cells with key-coloured margins of their own widths: cell c shows
    // columns 2 + c to 29 - 2c and rows 5 - c to 26 + c.
    void MakeSheet() {
        keyed_ = MakeGraph(128, 32, [](int x, int y) {
            const int cell = x / 32, cx = x % 32;
            const bool body = cx >= 2 + cell && cx < 30 - 2 * cell && y >= 5 - cell && y < 27 + cell;
            return body ? (uint32_t(x * 0x070503 + y * 0x0B0D11) & 0xFFFFFF) | 0x010101 : 0u;
        });
        ASSERT_GE(keyed_, 0);
        for (int i = 0; i < 4; ++i) cells_[i] = DeriveGraph(i * 32, 0, 32, 32, keyed_);
    }

    // 24 x 20 with an alpha channel: clear margins whose colour is not black, a soft edge.
    static int32_t MakeAlphaSprite() {
        BaseImage image{};
        if (NewArgb32BaseImage(24, 20, &image) != 0) return -1;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 24; ++x) {
                const bool inside = x >= 3 && x < 19 && y >= 2 && y < 17;
                const int alpha = !inside ? 0 : x == 3 || y == 2 ? 90 : 255;
                WriteBaseImagePixel(&image, x, y, 200 - 5 * x, 40 + 9 * y, 120, alpha);
            }
        const int32_t handle = SetGraphFromBaseImage(&image, nullptr, 0, 0, 0);
        FreeBaseImage(&image);
        return handle;
    }

    // An opaque dot written into a cell's margin by an image transfer.
    static int PutDot(int32_t cell, int x, int y) {
        BaseImage dot{};
        if (NewXrgb32BaseImage(1, 1, &dot) != 0) return -1;
        WriteBaseImagePixel(&dot, 0, 0, 250, 250, 20, 255);
        const PixelRect rect{0, 0, 1, 1};
        const int result = TransferImageToGraphEx(nullptr, &dot, nullptr, &rect, x, y, cell, 0);
        FreeBaseImage(&dot);
        return result;
    }

    void Step(std::mt19937& random, bool& onCanvas) {
        const int x = int(random() % 680) - 40, y = int(random() % 520) - 40;
        const unsigned pick = random() % 100;
        if (pick < 45) {
            ASSERT_EQ(DrawGraphAt(x, y, cells_[random() % 4], int(random() % 8 != 0)), 0);
        } else if (pick < 60) {
            ASSERT_EQ(DrawGraphAt(x, y, alpha_, int(random() % 8 != 0)), 0);
        } else if (pick < 68) {
            const int modes[][2] = {{0, 0}, {1, 160}, {1, 255}, {2, 200}, {2, 70}, {3, 120}, {4, 255}, {5, 180}};
            const auto& m = modes[random() % 8];
            ASSERT_EQ(SetBlendMode(m[0], m[1]), 0);
        } else if (pick < 71) {
            ASSERT_EQ(SetDrawBrightness(int(random() % 256), 255, int(random() % 256)), 0);
        } else if (pick < 73) {
            ASSERT_EQ(SetDrawFilterMode(int(random() % 2)), 0);
        } else if (pick < 76) {
            ASSERT_EQ(DrawGraphRotated(x, y, 1.0, double(random() % 628) / 100.0, cells_[1], 1, 0), 0);
        } else if (pick < 78) {
            ASSERT_EQ(PutDot(cells_[random() % 4], int(random() % 32), int(random() % 32)), 0);
        } else if (pick < 85) {
            PutRandomMask(random, 3, 5);
        } else if (pick < 88) {
            ASSERT_EQ(SetMaskReverseEffectFlag(int(random() % 2)), 0);
        } else if (pick < 93) {
            onCanvas = !onCanvas;
            ASSERT_EQ(SetDrawTarget(onCanvas ? canvas_ : kDrawTargetBackBuffer), 0);
        } else if (pick < 95) {
            ASSERT_EQ(FillGraphColor(canvas_, int(random() % 256), 40, 90, 255), 0);
        } else {
            const int x1 = int(random() % 300), y1 = int(random() % 200);
            if (random() % 2) ASSERT_EQ(SetDrawClipRect(x1, y1, x1 + 200, y1 + 150), 0);
            else ASSERT_EQ(SetDrawClipRect(0, 0, 640, 480), 0);
        }
    }

    // The screen and the canvas after the script, with upright draws cut or not.
    std::vector<uint32_t> RunScript(int32_t cut) {
        MaskState().cutToShownTexels = cut;
        // Each run starts from the same sprites and settings.
        for (int32_t cell : cells_) EXPECT_EQ(DeleteGraphHandle(cell), 0);
        EXPECT_EQ(DeleteGraphHandle(keyed_), 0);
        MakeSheet();
        EXPECT_EQ(SetDrawBrightness(255, 255, 255), 0);
        EXPECT_EQ(SetDrawFilterMode(0), 0);
        return RunMaskScript(canvas_, 17, 700, [this](std::mt19937& random, bool& onCanvas) { Step(random, onCanvas); });
    }

    int32_t keyed_ = -1, alpha_ = -1, canvas_ = -1;
    int32_t cells_[4] = {};
};

TEST_F(ShownTexelsTest, CutDrawsLeaveThePixelsOfDrawsOnTheirWholeRectangle) {
    const std::vector<uint32_t> whole = RunScript(0);
    ExpectSameScriptPixels(whole, RunScript(1));
}

TEST_F(ShownTexelsTest, TheBoxIsACellsShownTexelsAndGrowsWithATransfer) {
    auto bounds = [&](int32_t handle, int trans) {
        const DrawBounds b = UprightDrawBounds(*GetGraphRecord(handle), 100, 50, trans, DrawBounds{100, 50, 132, 82});
        return std::vector<int>{b.x1, b.y1, b.x2, b.y2};
    };
    // Cell 1's body: columns 3 to 27, rows 4 to 27.
    EXPECT_EQ(bounds(cells_[1], 1), (std::vector<int>{103, 54, 128, 78}));
    // Without transparency every texel counts.
    EXPECT_EQ(bounds(cells_[1], 0), (std::vector<int>{100, 50, 132, 82}));
    ASSERT_EQ(PutDot(cells_[1], 30, 1), 0);
    EXPECT_EQ(bounds(cells_[1], 1), (std::vector<int>{103, 51, 131, 78}));
    // The other cells of the sheet keep their own boxes.
    EXPECT_EQ(bounds(cells_[0], 1), (std::vector<int>{102, 55, 130, 77}));
    // Blend modes whose clear texels may change the target, and filtering, use the whole.
    ASSERT_EQ(SetBlendMode(4, 255), 0);
    EXPECT_EQ(bounds(cells_[1], 1), (std::vector<int>{100, 50, 132, 82}));
    ASSERT_EQ(SetBlendMode(1, 128), 0);
    ASSERT_EQ(SetDrawFilterMode(1), 0);
    EXPECT_EQ(bounds(cells_[1], 1), (std::vector<int>{100, 50, 132, 82}));
}

TEST_F(ShownTexelsTest, AGraphicWrittenOtherwiseThanByATransferUsesItsWholeRectangle) {
    const DrawBounds whole{0, 0, 32, 32};
    ASSERT_EQ(UprightDrawBounds(*GetGraphRecord(cells_[2]), 0, 0, 1, whole).x1, 4);
    // A movie frame copied in by the device, say.
    NoteUntrackedTexelWrite(GetGraphRecord(cells_[2])->images->pieces.at(0));
    EXPECT_EQ(UprightDrawBounds(*GetGraphRecord(cells_[2]), 0, 0, 1, whole).x1, 0);
    // A drawable graphic's texels are drawn into.
    EXPECT_EQ(UprightDrawBounds(*GetGraphRecord(canvas_), 0, 0, 1, whole).x1, 0);
}

}  // namespace
}  // namespace orvik_test
