// The filled rectangle: corner order, clipping, block stores and their tail, the flat
// tint, and every mode against the scalar reference.
#include <gtest/gtest.h>

#include <random>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/images/pixel_access.h"
#include "engine/softrender/pipeline/blend_tables.h"
#include "engine/softrender/draws/filled_rect.h"
#include "engine/softrender/pipeline/memimg.h"
#include "engine/softrender/pipeline/pixel_context.h"
#include "engine/softrender/pipeline/soft_state.h"
#include "scalar_reference.h"

namespace {

using namespace orvik;

void SetArea(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    Draw().area.x1 = x1;
    Draw().area.y1 = y1;
    Draw().area.x2 = x2;
    Draw().area.y2 = y2;
}

class FilledRectTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        Draw() = DrawSettings{};
        ResetSoftRender();
        InitMemImgBlendTables();
        soft::ForceGenericPath(GetParam());
    }
    void TearDown() override {
        soft::ForceGenericPath(false);
        ReleaseMemImg(&img);
    }
    void Make(int type, int width, int height, uint32_t background) {
        ASSERT_EQ(SetupMemImg(&img, width, height, -1, 0, type, 0, 0, 0, nullptr), 0);
        PaintMemImgRectAll(background);
        SetArea(0, 0, width, height);
    }
    void PaintMemImgRectAll(uint32_t v) {
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) Set(x, y, v);
    }
    int Bytes() const { return MemImgBytesPerPixel(&img); }
    uint32_t At(int x, int y) const {
        return LoadPixel(img.pixels + y * img.store->pitch + x * Bytes(), Bytes());
    }
    void Set(int x, int y, uint32_t v) {
        StorePixel(img.pixels + y * img.store->pitch + x * Bytes(), Bytes(), v);
    }
    int Count(uint32_t v) const {
        int n = 0;
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) n += At(x, y) == v;
        return n;
    }
    MEMIMG img{};
};

TEST_P(FilledRectTest, CornersInEitherOrderFillTheSamePixels) {
    for (const auto& r : {std::array<int32_t, 4>{10, 10, 20, 20}, {20, 20, 10, 10}}) {
        Make(kMemImgXrgb32, 32, 32, 0);
        DrawMemImgFilledRect(&img, r.data(), 0x11223344);
        EXPECT_EQ(Count(0x11223344), 100);
        EXPECT_EQ(At(10, 10), 0x11223344u);
        EXPECT_EQ(At(19, 19), 0x11223344u);
        EXPECT_EQ(At(20, 19), 0u);
        ReleaseMemImg(&img);
    }
    Make(kMemImgXrgb32, 8, 8, 0);
    const int32_t flat[] = {3, 1, 3, 7};
    DrawMemImgFilledRect(&img, flat, 5);
    EXPECT_EQ(Count(5), 0);
}

TEST_P(FilledRectTest, NullRectangleFillsTheDrawArea) {
    Make(kMemImgRgb565, 10, 6, 0);
    SetArea(2, 1, 7, 4);
    DrawMemImgFilledRect(&img, nullptr, 0xF800);
    EXPECT_EQ(Count(0xF800), 15);
    EXPECT_EQ(At(2, 1), 0xF800u);
    EXPECT_EQ(At(7, 1), 0u);
}

TEST_P(FilledRectTest, OddWidth16BitRowStopsAtItsEnd) {
    Make(kMemImgRgb565, 8, 3, 0xAAAA);
    const int32_t r[] = {1, 0, 6, 3};
    DrawMemImgFilledRect(&img, r, 0x1234);
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(At(0, y), 0xAAAAu);
        for (int x = 1; x < 6; ++x) EXPECT_EQ(At(x, y), 0x1234u) << x;
        EXPECT_EQ(At(6, y), 0xAAAAu) << "pixel after the row touched";
    }
}

TEST_P(FilledRectTest, CopyKeepsTheColoursFourthByteMixesDoNot) {
    Make(kMemImgXrgb32, 4, 1, 0x77000000);
    Draw().bright = 0x808080;
    DrawMemImgFilledRect(&img, nullptr, 0xAAFFFFFF);
    EXPECT_EQ(At(0, 0), 0xAA7F7F7Fu);
    Draw().bright = 0xFFFFFF;
    Draw().blendMode = 1;
    Draw().blendParam = 128;
    Set(0, 0, 0x77000000);
    DrawMemImgFilledRect(&img, nullptr, 0xAAFFFFFF);
    EXPECT_EQ(At(0, 0), 0x777F7F7Fu);
}

TEST_P(FilledRectTest, ShiftTintLosesAStepOnFullChannels) {
    Make(kMemImgXrgb32, 2, 1, 0);
    Draw().bright = 0xFFFFFE;  // red 255, green 255, blue 254
    DrawMemImgFilledRect(&img, nullptr, 0x00FFFFFF);
    EXPECT_EQ(At(0, 0), 0x00FEFEFDu);
}

TEST_P(FilledRectTest, ColourAbove16BitsIsMasked) {
    Make(kMemImgRgb565, 2, 1, 0);
    Draw().blendMode = 2;
    Draw().blendParam = 255;
    DrawMemImgFilledRect(&img, nullptr, 0xFFFF0000u | 0x0841);
    EXPECT_EQ(At(0, 0), 0x0841u);
}

TEST_P(FilledRectTest, RefusedDestinationsAndGatesLeavePixels) {
    MEMIMG pal{};
    ASSERT_EQ(SetupMemImg(&pal, 4, 4, -1, 0, kMemImgXrgb32, 1, 0, 0, nullptr), 0);
    std::memset(pal.pixels, 9, pal.store->pitch * 4);
    SetArea(0, 0, 4, 4);
    DrawMemImgFilledRect(&pal, nullptr, 0);
    EXPECT_EQ(pal.pixels[0], 9);
    ReleaseMemImg(&pal);

    Make(kMemImgXrgb32, 3, 3, 0x12345678);
    for (int mode : {1, 2, 3, 5, 9, 12, -1}) {
        Draw().blendMode = mode;
        Draw().blendParam = mode <= 3 ? 0 : 128;
        DrawMemImgFilledRect(&img, nullptr, 0xFFFFFFFF);
        EXPECT_EQ(Count(0x12345678), 9) << "mode " << mode;
    }
}

TEST_P(FilledRectTest, EveryModeMatchesTheReference) {
    std::mt19937 rng(77);
    for (int type : {kMemImgRgb565, kMemImgXrgb32}) {
        const int depth = type == kMemImgXrgb32 ? 32 : 16;
        for (int mode : {0, 1, 2, 3, 4, 10, 11})
            for (int param : {0, 1, 64, 128, 200, 254, 255})
                for (uint32_t bright : {0xFFFFFFu, 0xFFFFFEu, 0x80C040u}) {
                    Make(type, 5, 3, 0);
                    for (int y = 0; y < 3; ++y)
                        for (int x = 0; x < 5; ++x) Set(x, y, rng());
                    std::vector<uint32_t> before;
                    for (int y = 0; y < 3; ++y)
                        for (int x = 0; x < 5; ++x) before.push_back(At(x, y));
                    Draw().blendMode = mode;
                    Draw().blendParam = param;
                    Draw().bright = bright;
                    const uint32_t colour = rng();
                    DrawMemImgFilledRect(&img, nullptr, colour);
                    for (int i = 0; i < 15; ++i) {
                        const uint32_t want =
                            reference::FlatPixel(depth, mode, param, bright, colour, before[i]);
                        ASSERT_EQ(At(i % 5, i / 5), want)
                            << "depth " << depth << " mode " << mode << " p " << param
                            << " bright " << std::hex << bright << " colour " << colour;
                    }
                    ReleaseMemImg(&img);
                }
    }
}

INSTANTIATE_TEST_SUITE_P(FastAndGeneric, FilledRectTest, ::testing::Values(false, true));

}  // namespace
