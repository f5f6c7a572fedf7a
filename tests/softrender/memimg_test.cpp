// Memory image records and their shared stores: set-up, pitches, formats, views and
// release.
#include <gtest/gtest.h>

#include "engine/graphics/images/color_format.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/platform/base/memory.h"
#include "engine/softrender/pipeline/memimg.h"
#include "engine/softrender/pipeline/soft_state.h"

namespace {

using namespace orvik;

class MemImgTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSoftRender();
        baseline = TrackedMemory().blockCount;
    }
    void TearDown() override {
        ReleaseMemImg(&img);
        ReleaseMemImg(&view);
        EXPECT_EQ(TrackedMemory().blockCount, baseline) << "store blocks leaked";
    }
    MEMIMG img{};
    MEMIMG view{};
    int32_t baseline = 0;
};

TEST_F(MemImgTest, AutomaticAndExplicitPitches) {
    struct Case {
        int width, pitch, colorType, wantPitch, wantShift;
    } cases[] = {
        {100, -1, 0, 208, -1}, {256, -1, 0, 512, 9}, {4, -1, 0, 16, -1}, {8, -1, 0, 16, 4},
        {100, 1024, 1, 1024, 10}, {100, 1000, 1, 1000, -1}, {3, -1, 2, 16, -1}, {16, -1, 2, 16, 4},
    };
    for (const Case& c : cases) {
        MEMIMG m{};
        ASSERT_EQ(SetupMemImg(&m, c.width, 3, c.pitch, 0, c.colorType, 0, 0, 0, nullptr), 0);
        EXPECT_EQ(m.store->pitch, c.wantPitch) << "width " << c.width;
        EXPECT_EQ(m.store->pitchShift, c.wantShift) << "width " << c.width;
        ReleaseMemImg(&m);
    }
}

TEST_F(MemImgTest, KindsGetTheirPixelSizeAndFormat) {
    ASSERT_EQ(SetupMemImg(&img, 10, 10, -1, 0, kMemImgRgb565, 0, 1, 0, nullptr), 0);
    EXPECT_EQ(MemImgBytesPerPixel(&img), 4);
    EXPECT_EQ(img.store->colorFormat->bitDepth, 32);
    EXPECT_EQ(img.store->colorFormat->alphaMask, 0x00FF0000u);
    EXPECT_EQ(img.store->colorFormat->unusedMask, 0xFF000000u);
    ReleaseMemImg(&img);

    ASSERT_EQ(SetupMemImg(&img, 10, 10, -1, 0, kMemImgRgb565, 1, 0, 0, nullptr), 0);
    EXPECT_EQ(MemImgBytesPerPixel(&img), 1);
    EXPECT_EQ(img.store->colorFormat->bitDepth, 8);
    ASSERT_NE(img.store->palette, nullptr);
    EXPECT_EQ(img.store->paletteCopy, img.store->palette + 1024);
    for (int i = 0; i < 2048; ++i) ASSERT_EQ(img.store->palette[i], 0);
}

TEST_F(MemImgTest, FlagsAreNormalised) {
    ASSERT_EQ(SetupMemImg(&img, 4, 4, -1, 0, kMemImgXrgb32, 1, 1, 0, nullptr), 0);
    EXPECT_EQ(img.store->usePalette, 1);
    EXPECT_EQ(img.store->useAlpha, 0);
    ReleaseMemImg(&img);
    for (int type : {kMemImgSingle8, kMemImgSingle16}) {
        ASSERT_EQ(SetupMemImg(&img, 4, 4, -1, 0, type, 1, 1, 0, nullptr), 0);
        EXPECT_EQ(img.store->usePalette, 0);
        EXPECT_EQ(img.store->useAlpha, 0);
        EXPECT_EQ(img.store->palette, nullptr);
        ReleaseMemImg(&img);
    }
}

TEST_F(MemImgTest, SetUpRecordIsRefusedAndKept) {
    ASSERT_EQ(SetupMemImg(&img, 8, 8, -1, 0, kMemImgXrgb32, 0, 0, 0, nullptr), 0);
    const MEMIMG before = img;
    EXPECT_EQ(SetupMemImg(&img, 4, 4, -1, 0, kMemImgRgb565, 0, 0, 0, nullptr), -1);
    EXPECT_EQ(img.store, before.store);
    EXPECT_EQ(img.width, 8);
    EXPECT_EQ(img.store->colorType, kMemImgXrgb32);
}

TEST_F(MemImgTest, ViewsShareTheStoreUntilTheLastRelease) {
    ASSERT_EQ(SetupMemImg(&img, 20, 10, -1, 0, kMemImgRgb565, 0, 0, 0, nullptr), 0);
    MakeMemImgView(&view, &img, 0, 0, 20, 10);
    EXPECT_EQ(view.pixels, img.pixels);
    EXPECT_EQ(img.store->refCount, 2);

    MEMIMG tooWide{};
    MakeMemImgView(&tooWide, &img, 1, 0, 20, 10);
    EXPECT_EQ(tooWide.magic, 0u);
    EXPECT_EQ(tooWide.store, nullptr);

    MEMIMG inner{};
    MakeMemImgView(&inner, &view, 3, 2, 5, 4);
    EXPECT_EQ(inner.pixels, img.pixels + 2 * img.store->pitch + 3 * 2);
    EXPECT_EQ(img.store->refCount, 3);
    MEMIMG outer{};
    MakeMemImgView(&outer, &inner, 1, 1, 5, 4);  // bounded by the inner view's own size
    EXPECT_EQ(outer.store, nullptr);

    ReleaseMemImg(&img);
    EXPECT_EQ(IsMemImgValid(&img), 0);
    EXPECT_EQ(IsMemImgValid(&view), 1);
    EXPECT_EQ(view.store->refCount, 2);
    ReleaseMemImg(&inner);
    ReleaseMemImg(&view);
    ReleaseMemImg(&view);  // a second release of the same record frees nothing more
    MEMIMG never{};
    ReleaseMemImg(&never);
}

TEST_F(MemImgTest, ScreenKindFollowsTheScreenDepth) {
    Graphics().screen.depth = 16;
    ASSERT_EQ(MakeMemImg(&img, 4, 4, -1), 0);
    EXPECT_EQ(img.store->colorType, kMemImgRgb565);
    ReleaseMemImg(&img);
    Graphics().screen.depth = 32;
    ASSERT_EQ(MakeMemImg(&img, 4, 4, -1), 0);
    EXPECT_EQ(img.store->colorType, kMemImgXrgb32);
    ResetGraphicsState();
}

TEST_F(MemImgTest, StandardFormatsAreSharedRecords) {
    EXPECT_EQ(GetMemImgColorFormat(4, 0, 0), nullptr);
    EXPECT_EQ(GetMemImgColorFormat(-1, 0, 0), nullptr);
    const ColorFormat* f = GetMemImgColorFormat(1, 0, 0);
    EXPECT_EQ(f, GetMemImgColorFormat(1, 0, 0));
    EXPECT_EQ(f->unusedMask, 0xFF000000u);
    EXPECT_EQ(f->redShift, 16);
    EXPECT_EQ(GetMemImgColorFormat(2, 1, 1), GetMemImgColorFormat(2, 0, 0));
    EXPECT_EQ(GetMemImgColorFormat(3, 0, 0)->bytesPerPixel, 2);
    EXPECT_EQ(GetMemImgColorFormat(0, 0, 0)->greenWidth, 6);
}

TEST_F(MemImgTest, ImpossibleRequestsAreRefusedWithoutAllocating) {
    EXPECT_EQ(SetupMemImg(&img, 70000, 70000, -1, 0, kMemImgXrgb32, 0, 0, 0, nullptr), -1);
    EXPECT_EQ(SetupMemImg(&img, 100, 100000000, -1, 0, kMemImgXrgb32, 0, 0, 1, nullptr), -1);
    EXPECT_EQ(SetupMemImg(&img, -4, 4, -1, 0, kMemImgXrgb32, 0, 0, 0, nullptr), -1);
    EXPECT_EQ(SetupMemImg(&img, 4, 4, 8, 0, kMemImgXrgb32, 0, 0, 0, nullptr), -1);  // pitch < row
    EXPECT_EQ(SetupMemImg(&img, 4, 4, -1, 0, 7, 0, 0, 0, nullptr), -1);
    EXPECT_EQ(img.store, nullptr);
    EXPECT_EQ(TrackedMemory().blockCount, baseline);
}

TEST_F(MemImgTest, CallerPixelsAreNeverFreed) {
    uint32_t pixels[16] = {};
    ASSERT_EQ(SetupMemImg(&img, 4, 4, 16, 0, kMemImgXrgb32, 0, 0, 0, pixels), 0);
    EXPECT_EQ(img.pixels, reinterpret_cast<uint8_t*>(pixels));
    EXPECT_EQ(img.store->userPixels, 1);
    const int32_t withStore = TrackedMemory().blockCount;
    ReleaseMemImg(&img);
    EXPECT_EQ(TrackedMemory().blockCount, withStore - 1);  // only the store itself
}

}  // namespace
