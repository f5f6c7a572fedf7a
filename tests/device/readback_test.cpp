// Reading back what was drawn: a rectangle of the screen or of a drawable graphic, by a
// lock of the surface and by the render-target copy, on the device and software paths;
// copies of the screen into graphics; refusals that leave nothing held.
#include <vector>

#include "device_fixture.h"
#include "engine/graphics/images/base_image.h"
#include "engine/graphics/device/target_readback.h"
#include <orvik/graphics.h>

namespace orvik_test {
namespace {

using orvik::BaseImage;
using orvik::Graphics;

constexpr uint32_t kBox = 0xC86432;  // (200, 100, 50)

class ReadBackTest : public DeviceTest, public ::testing::WithParamInterface<bool> {
protected:
    void Start(bool device) {
        if (!device) { ASSERT_EQ(orvik::SetUseHardwareRendering(0), 0); }
        ASSERT_EQ(orvik::SetGraphMode(640, 480, 32), 0);
        ASSERT_EQ(orvik::InitLibrary(), 0);
        ASSERT_EQ(Graphics().direct3DMode, device ? 1 : 0);
        ASSERT_EQ(orvik::SetDrawTarget(-2), 0);
    }
    // The screen (or target) cleared to black with a box from (10, 20) to (30, 40).
    static void DrawBox() {
        orvik::ClearDrawTarget();
        ASSERT_EQ(orvik::DrawFilledBox(10, 20, 30, 40, orvik::GetColorValue(200, 100, 50)), 0);
    }
    static uint32_t Pixel(const BaseImage& image, int x, int y) {
        return orvik::ReadBaseImagePixel(&image, x, y) & 0xFFFFFF;
    }
    // The box as seen through the rectangle (8, 18)-(32, 42): its corners and the black
    // just outside them.
    static void ExpectBoxSeenFromEightEighteen(const BaseImage& image) {
        ASSERT_EQ(image.width, 24);
        ASSERT_EQ(image.height, 24);
        EXPECT_EQ(Pixel(image, 2, 2), kBox);
        EXPECT_EQ(Pixel(image, 21, 21), kBox);
        EXPECT_EQ(Pixel(image, 1, 2), 0u);
        EXPECT_EQ(Pixel(image, 2, 1), 0u);
        EXPECT_EQ(Pixel(image, 22, 21), 0u);
        EXPECT_EQ(Pixel(image, 21, 22), 0u);
    }
    static std::vector<uint8_t> Rows(const BaseImage& image) {
        std::vector<uint8_t> rows;
        const size_t bytes = size_t(image.width) * image.format.bytesPerPixel;
        for (int y = 0; y < image.height; ++y)
            rows.insert(rows.end(), image.pixels + size_t(y) * size_t(image.pitch),
                        image.pixels + size_t(y) * size_t(image.pitch) + bytes);
        return rows;
    }
    static std::vector<uint8_t> ReadRows(const host::RECT& r) {
        BaseImage image;
        EXPECT_EQ(orvik::LockDrawTargetRect(&r, &image), 0);
        std::vector<uint8_t> rows = Rows(image);
        orvik::ReleaseDrawTargetRect();
        return rows;
    }
};

TEST_F(ReadBackTest, DeviceLockAndRenderTargetCopyBothGiveWhatWasDrawn) {
    Start(true);
    DrawBox();
    const host::RECT r{8, 18, 32, 42};
    BaseImage image;

    Graphics().dev.backBufferLock = 1;
    ASSERT_EQ(orvik::LockDrawTargetRect(&r, &image), 0);
    EXPECT_EQ(Graphics().readBack.copy, 0);
    EXPECT_TRUE(Graphics().dev.backBuffer->IsLocked());
    ExpectBoxSeenFromEightEighteen(image);
    const std::vector<uint8_t> locked = Rows(image);
    orvik::ReleaseDrawTargetRect();
    EXPECT_FALSE(Graphics().dev.backBuffer->IsLocked());

    Graphics().dev.backBufferLock = 0;
    ASSERT_EQ(orvik::LockDrawTargetRect(&r, &image), 0);
    EXPECT_EQ(Graphics().readBack.copy, 1);
    EXPECT_FALSE(Graphics().dev.backBuffer->IsLocked());
    ExpectBoxSeenFromEightEighteen(image);
    EXPECT_EQ(Rows(image), locked);
    orvik::ReleaseDrawTargetRect();
    EXPECT_EQ(Graphics().readBack.held, 0);
    // Two copies of the same rectangle agree.
    EXPECT_EQ(ReadRows(r), locked);
}

TEST_P(ReadBackTest, ScreenAndDrawableGraphicReadBackOnEitherPath) {
    Start(GetParam());
    DrawBox();
    BaseImage image;
    const host::RECT r{8, 18, 32, 42};
    ASSERT_EQ(orvik::LockDrawTargetRect(&r, &image), 0);
    ExpectBoxSeenFromEightEighteen(image);
    orvik::ReleaseDrawTargetRect();

    const int32_t graph = orvik::CreateDrawableGraph(64, 48);
    ASSERT_NE(graph, -1);
    ASSERT_EQ(orvik::SetDrawTarget(graph), 0);
    DrawBox();
    ASSERT_EQ(orvik::LockDrawTargetRect(nullptr, &image), 0);
    EXPECT_EQ(image.width, 64);
    EXPECT_EQ(image.height, 48);
    EXPECT_EQ(Pixel(image, 10, 20), kBox);
    EXPECT_EQ(Pixel(image, 29, 39), kBox);
    EXPECT_EQ(Pixel(image, 30, 39), 0u);
    orvik::ReleaseDrawTargetRect();
    // A rectangle of the screen's size no longer fits the smaller target.
    const host::RECT past{0, 0, 65, 48};
    EXPECT_EQ(orvik::LockDrawTargetRect(&past, &image), -1);
}

TEST_P(ReadBackTest, ScreenRectangleIsCopiedIntoAGraphicAtTheGivenPoint) {
    Start(GetParam());
    DrawBox();
    const int32_t graph = orvik::CreateDrawableGraph(32, 32);
    ASSERT_NE(graph, -1);
    ASSERT_EQ(orvik::LockDrawTargetForCpu(8, 18, 32, 42, graph, 2, 3), 0);
    EXPECT_EQ(Graphics().readBack.held, 0);
    ASSERT_EQ(orvik::SetDrawTarget(graph), 0);
    BaseImage image;
    ASSERT_EQ(orvik::LockDrawTargetRect(nullptr, &image), 0);
    // Screen (10, 20) lands at (2 + 2, 3 + 2); the pixel before it is the copied black.
    EXPECT_EQ(Pixel(image, 4, 5), kBox);
    EXPECT_EQ(Pixel(image, 3, 5), 0u);
    EXPECT_EQ(Pixel(image, 23, 24), kBox);
    EXPECT_EQ(Pixel(image, 24, 24), 0u);
    orvik::ReleaseDrawTargetRect();
    EXPECT_EQ(orvik::LockDrawTargetForCpu(0, 0, 4, 4, graph + 1, 0, 0), -1);
    EXPECT_NE(Log().find("グラフィックハンドルが不正です in LockDrawTargetForCpu"), std::string::npos);
}

TEST_P(ReadBackTest, RectanglesOutsideTheTargetAndASecondHoldAreRefused) {
    BaseImage image;
    const host::RECT whole{0, 0, 640, 480};
    EXPECT_EQ(orvik::LockDrawTargetRect(&whole, &image), -1);  // graphics not started
    Start(GetParam());
    const host::RECT bad[] = {{600, 400, 641, 480}, {600, 400, 640, 481}, {-1, 0, 10, 10}, {5, 5, 5, 10}, {5, 9, 6, 8}};
    for (const host::RECT& r : bad) EXPECT_EQ(orvik::LockDrawTargetRect(&r, &image), -1);
    EXPECT_NE(Log().find("読み取る矩形が描画対象からはみ出しています in LockDrawTargetRect"), std::string::npos);
    EXPECT_EQ(Graphics().readBack.held, 0);

    ASSERT_EQ(orvik::LockDrawTargetRect(&whole, &image), 0);
    BaseImage second;
    EXPECT_EQ(orvik::LockDrawTargetRect(&whole, &second), -1);
    EXPECT_NE(Log().find("既に描画対象を読み取り中です in LockDrawTargetRect"), std::string::npos);
    orvik::ReleaseDrawTargetRect();
    EXPECT_EQ(orvik::LockDrawTargetRect(&whole, &second), 0);
    orvik::ReleaseDrawTargetRect();
}

TEST_F(ReadBackTest, SurfacesThatCannotBeMadeAreLoggedAndLeaveNothingHeld) {
    Start(true);
    Graphics().dev.backBufferLock = 0;
    BaseImage image;
    const host::RECT r{0, 0, 16, 16};
    host::D3D9Settings().renderTargetCreateFailures = 1;
    EXPECT_EQ(orvik::LockDrawTargetRect(&r, &image), -1);
    EXPECT_NE(Log().find("バックバッファロック用描画可能サーフェスの作成に失敗しました"), std::string::npos);
    EXPECT_EQ(Graphics().readBack.held, 0);

    host::D3D9Settings().offscreenCreateFailures = 1;
    EXPECT_EQ(orvik::LockDrawTargetRect(&r, &image), -1);
    EXPECT_NE(Log().find("バックバッファロック用システムメモリサーフェスの作成に失敗しました"), std::string::npos);
    EXPECT_EQ(Graphics().readBack.held, 0);

    EXPECT_EQ(orvik::LockDrawTargetRect(&r, &image), 0);
    orvik::ReleaseDrawTargetRect();
}

INSTANTIATE_TEST_SUITE_P(Paths, ReadBackTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Device" : "Software"; });

}  // namespace
}  // namespace orvik_test
