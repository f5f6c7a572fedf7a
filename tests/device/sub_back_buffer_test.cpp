// The sub back buffer: made on demand in full screen so the picture survives a present,
// copied onto the back buffer by every present, and the front buffer's timed refresh.
#include "device_fixture.h"
#include "engine/graphics/images/base_image.h"
#include "engine/graphics/device/present.h"
#include "engine/graphics/device/target_readback.h"
#include <orvik/graphics.h>

namespace orvik_test {
namespace {

using orvik::Graphics;

class SubBackBufferTest : public DeviceTest {
protected:
    void StartFullScreen() {
        ASSERT_EQ(orvik::ChangeWindowMode(0), 0);
        ASSERT_EQ(orvik::SetGraphMode(640, 480, 32), 0);
        ASSERT_EQ(orvik::InitLibrary(), 0);
        ASSERT_EQ(Graphics().direct3DMode, 1);
    }
    static uint32_t FramePixel(int x, int y) {
        host::headless::Frame f = host::headless::LastFrame();
        return f.pixels.at(size_t(y) * size_t(f.width) + size_t(x));
    }
    static host::Surface* RenderTarget() {
        host::Surface* s = nullptr;
        D3DDevice()->GetRenderTarget(0, &s);
        if (s) s->Release();
        return s;
    }
};

TEST_F(SubBackBufferTest, PreservedFrameKeepsDrawingInTheSubBackBufferAndEveryPresentCopiesIt) {
    StartFullScreen();
    ASSERT_EQ(orvik::SetDrawTarget(-2), 0);
    orvik::ClearDrawTarget();
    orvik::DrawFilledBox(10, 20, 30, 40, orvik::GetColorValue(200, 100, 50));
    ASSERT_EQ(Graphics().dev.subBackBuffer, nullptr);
    ASSERT_EQ(orvik::PresentScreenPreserve(), 0);
    host::Surface* sub = Graphics().dev.subBackBuffer;
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(RenderTarget(), sub);
    EXPECT_EQ(FramePixel(10, 20), 0xC86432u);

    // Drawing after the present adds to the kept picture, whatever the back buffer holds.
    orvik::DrawFilledBox(100, 100, 110, 110, orvik::GetColorValue(0, 255, 0));
    D3DDevice()->ColorFill(Graphics().dev.backBuffer, nullptr, host::D3DCOLOR_XRGB(9, 9, 9));
    ASSERT_EQ(orvik::PresentScreen(), 0);
    EXPECT_EQ(FramePixel(10, 20), 0xC86432u);
    EXPECT_EQ(FramePixel(105, 105), 0x00FF00u);
    EXPECT_EQ(FramePixel(0, 0), 0u);

    // Once made it stays: a second switch changes nothing.
    EXPECT_EQ(orvik::SwitchToSubBackBuffer(), 0);
    EXPECT_EQ(Graphics().dev.subBackBuffer, sub);
    // The read-back of the screen reads the sub back buffer, which cannot be locked.
    Graphics().dev.backBufferLock = 1;
    orvik::BaseImage image;
    const host::RECT r{100, 100, 101, 101};
    ASSERT_EQ(orvik::LockDrawTargetRect(&r, &image), 0);
    EXPECT_EQ(orvik::ReadBaseImagePixel(&image, 0, 0) & 0xFFFFFF, 0x00FF00u);
    orvik::ReleaseDrawTargetRect();
}

TEST_F(SubBackBufferTest, WindowModeAndSoftwarePresentsNeedNoSubBackBuffer) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    ASSERT_EQ(orvik::PresentScreenPreserve(), 0);
    EXPECT_EQ(Graphics().dev.subBackBuffer, nullptr);
    orvik::EndLibrary();

    ASSERT_EQ(orvik::SetUseHardwareRendering(0), 0);
    ASSERT_EQ(orvik::ChangeWindowMode(0), 0);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    ASSERT_EQ(Graphics().direct3DMode, 0);
    EXPECT_EQ(orvik::PresentScreenPreserve(), 0);
    EXPECT_EQ(orvik::SwitchToSubBackBuffer(), -1);
}

TEST_F(SubBackBufferTest, GraphicBeingDrawnIntoStaysTheRenderTargetWhenTheSubBackBufferIsMade) {
    StartFullScreen();
    const int32_t graph = orvik::CreateDrawableGraph(32, 32);
    ASSERT_EQ(orvik::SetDrawTarget(graph), 0);
    host::Surface* graphSurface = RenderTarget();
    ASSERT_EQ(orvik::SwitchToSubBackBuffer(), 0);
    EXPECT_EQ(RenderTarget(), graphSurface);
    ASSERT_EQ(orvik::SetDrawTarget(-2), 0);
    EXPECT_EQ(RenderTarget(), Graphics().dev.subBackBuffer);
}

TEST_F(SubBackBufferTest, SubBackBufferThatCannotBeMadeIsLoggedAndPresentingGoesOn) {
    StartFullScreen();
    host::D3D9Settings().renderTargetCreateFailures = 1;
    EXPECT_EQ(orvik::SwitchToSubBackBuffer(), -1);
    EXPECT_NE(Log().find("サブバックバッファの作成に失敗しました"), std::string::npos);
    EXPECT_EQ(Graphics().dev.subBackBuffer, nullptr);
    EXPECT_EQ(RenderTarget(), Graphics().dev.backBuffer);
    EXPECT_EQ(orvik::PresentScreen(), 0);
}

TEST_F(SubBackBufferTest, FullScreenFrontBufferRefreshDrawsIntoTheSubBackBufferEvery32Milliseconds) {
    StartFullScreen();
    ASSERT_EQ(orvik::Draw().drawTarget, -4);
    orvik::PumpMessages();
    const uint64_t presents = host::D3D9Counters().presents;
    host::AdvanceManualClock(31000);
    orvik::PumpMessages();
    EXPECT_EQ(host::D3D9Counters().presents, presents);
    host::AdvanceManualClock(1000);
    orvik::PumpMessages();
    EXPECT_EQ(host::D3D9Counters().presents, presents + 1);
    EXPECT_NE(Graphics().dev.subBackBuffer, nullptr);
    EXPECT_EQ(RenderTarget(), Graphics().dev.subBackBuffer);
    host::AdvanceManualClock(32000);
    orvik::PumpMessages();
    EXPECT_EQ(host::D3D9Counters().presents, presents + 2);
}

}  // namespace
}  // namespace orvik_test
