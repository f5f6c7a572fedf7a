// Presentation on both paths (the exact colour reaching the backend), the refresh
// measurement and the sleep-then-wait pacing, on the manual clock.
#include "device_fixture.h"
#include "engine/graphics/draw/color_data.h"
#include "engine/graphics/device/present.h"
#include "engine/platform/window/onscreen_log.h"
#include <orvik/graphics.h>
#include "engine/softrender/pipeline/memimg_write.h"
#include "host/backends/display_clock.h"
#include "host/d3d9/device/d3d9_host.h"

namespace orvik_test {
namespace {

using orvik::Graphics;
using orvik::InitLibrary;

class PresentTest : public DeviceTest {
protected:
    void StartSoftware(int depth) {
        ASSERT_EQ(orvik::SetUseHardwareRendering(0), 0);
        ASSERT_EQ(orvik::SetGraphMode(640, 480, depth), 0);
        ASSERT_EQ(InitLibrary(), 0);
        ASSERT_EQ(Graphics().direct3DMode, 0);
    }
    static uint32_t FramePixel(int x, int y) {
        host::headless::Frame f = host::headless::LastFrame();
        return f.pixels.at(size_t(y) * size_t(f.width) + size_t(x));
    }
};

TEST_F(PresentTest, ClearedDeviceFrameReachesTheBackendWithItsExactColour) {
    ASSERT_EQ(InitLibrary(), 0);
    ASSERT_EQ(Graphics().direct3DMode, 1);
    D3DDevice()->Clear(0, nullptr, host::D3DCLEAR_TARGET, host::D3DCOLOR_XRGB(12, 34, 56), 1.0f, 0);
    int before = host::headless::PresentedFrameCount();
    ASSERT_EQ(orvik::PresentScreen(), 0);
    EXPECT_EQ(host::headless::PresentedFrameCount(), before + 1);
    host::headless::Frame f = host::headless::LastFrame();
    ASSERT_EQ(f.width, 640);
    ASSERT_EQ(f.height, 480);
    EXPECT_EQ(FramePixel(0, 0), 0x0C2238u);
    EXPECT_EQ(FramePixel(639, 479), 0x0C2238u);
}

TEST_F(PresentTest, SoftwareScreenReachesTheBackendExactlyAtBothDepths) {
    StartSoftware(32);
    orvik::PaintMemImgRect(Graphics().softScreen, nullptr, orvik::GetColorValue(12, 34, 56));
    int32_t box[4] = {100, 50, 101, 51};
    orvik::PaintMemImgRect(Graphics().softScreen, box, orvik::GetColorValue(255, 255, 255));
    ASSERT_EQ(orvik::PresentScreen(), 0);
    EXPECT_EQ(FramePixel(0, 0), 0x0C2238u);
    EXPECT_EQ(FramePixel(100, 50), 0xFFFFFFu);
    EXPECT_EQ(FramePixel(101, 50), 0x0C2238u);
    EXPECT_EQ(FramePixel(639, 479), 0x0C2238u);
    orvik::EndLibrary();

    // A 16-bit screen: full channels stay full through the 5:6:5 layout.
    StartSoftware(16);
    orvik::PaintMemImgRect(Graphics().softScreen, nullptr, orvik::GetColorValue(255, 0, 0));
    orvik::PaintMemImgRect(Graphics().softScreen, box, orvik::GetColorValue(0, 255, 255));
    ASSERT_EQ(orvik::PresentScreen(), 0);
    EXPECT_EQ(FramePixel(5, 5), 0xFF0000u);
    EXPECT_EQ(FramePixel(100, 50), 0x00FFFFu);
}

TEST_F(PresentTest, NewSoftwareScreenIsFilledWithTheBackgroundColour) {
    orvik::SetBackgroundColor(0, 0, 255);
    StartSoftware(32);
    ASSERT_EQ(orvik::PresentScreen(), 0);
    EXPECT_EQ(FramePixel(320, 240), 0x0000FFu);
}

TEST_F(PresentTest, ShownOnScreenLogIsDrawnPlainlyOverTheFrameAndTheGameSettingsStay) {
    StartSoftware(32);
    orvik::OnScreenLogState& log = orvik::OnScreenLog();
    ASSERT_EQ(orvik::InitOnScreenLog(), 0);
    std::strcpy(log.page[0], "AB");
    orvik::SetDrawClipRect(5, 6, 50, 60);
    orvik::SetBlendMode(1, 100);
    orvik::SetDrawBrightness(10, 20, 30);
    orvik::PaintMemImgRect(Graphics().softScreen, nullptr, 0);
    log.show = 0;
    ASSERT_EQ(orvik::PresentScreen(), 0);
    // White text pixels in the first line's box of the presented frame.
    auto whiteInFirstLine = [] {
        int n = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 32; ++x) n += FramePixel(x, y) == 0xFFFFFFu;
        return n;
    };
    EXPECT_EQ(whiteInFirstLine(), 0);

    log.show = 1;
    ASSERT_EQ(orvik::PresentScreen(), 0);
    // Full white although the game draws dimmed and half transparent, and outside its area.
    EXPECT_GT(whiteInFirstLine(), 20);
    const orvik::DrawSettings& ds = orvik::Draw();
    EXPECT_EQ(ds.blendMode, 1);
    EXPECT_EQ(ds.blendParam, 100);
    EXPECT_EQ(ds.bright, 0x0A141Eu);
    EXPECT_EQ(ds.area.x1, 5);
    EXPECT_EQ(ds.area.y2, 60);
    log.show = 0;
}

TEST_F(PresentTest, ScaledQuarterScreenFillsTheWindow) {
    StartSoftware(32);
    orvik::Set320x240ScaleFlag(1);
    orvik::PaintMemImgRect(Graphics().softScreen, nullptr, orvik::GetColorValue(0, 0, 0));
    int32_t corner[4] = {319, 239, 320, 240};
    orvik::PaintMemImgRect(Graphics().softScreen, corner, orvik::GetColorValue(0, 255, 0));
    ASSERT_EQ(orvik::PresentScreen(), 0);
    // Source pixel (319, 239) becomes the window's last 2 x 2 block.
    EXPECT_EQ(FramePixel(638, 478), 0x00FF00u);
    EXPECT_EQ(FramePixel(639, 479), 0x00FF00u);
    EXPECT_EQ(FramePixel(637, 477), 0u);
    EXPECT_EQ(Graphics().screen.output.right, 320);
}

TEST_F(PresentTest, RectangleMappedToNothingOrAFailingPresentReturnsMinusOne) {
    ASSERT_EQ(InitLibrary(), 0);
    ASSERT_EQ(orvik::PresentScreen(), 0);
    int before = host::headless::PresentedFrameCount();
    host::RECT thin{10, 10, 10, 20};
    EXPECT_EQ(orvik::PresentScreenRect(&thin), -1);
    EXPECT_EQ(host::headless::PresentedFrameCount(), before);
    host::D3D9Settings().presentFailures = 1;
    EXPECT_EQ(orvik::PresentScreen(), -1);
    EXPECT_EQ(orvik::PresentScreen(), 0);
    orvik::EndLibrary();
    EXPECT_EQ(orvik::PresentScreen(), -1);
}

// The display takes the window away without a close request: the present right after
// reports -1 on either renderer, the next pump ends the program, and every later present
// and pump says so too.
TEST_F(PresentTest, APresentToAVanishedWindowFailsAndThePumpEnds) {
    for (int software : {0, 1}) {
        SCOPED_TRACE(software);
        if (software) StartSoftware(32);
        else ASSERT_EQ(InitLibrary(), 0);
        ASSERT_EQ(orvik::PresentScreen(), 0);
        const int before = host::headless::PresentedFrameCount();
        host::headless::VanishWindow();
        EXPECT_EQ(orvik::PresentScreen(), -1);
        EXPECT_EQ(host::headless::PresentedFrameCount(), before);
        EXPECT_EQ(orvik::PumpMessages(), -1);
        EXPECT_EQ(orvik::GetQuitFlag(), 1);
        EXPECT_FALSE(host::IsWindow(MainWindow()));
        EXPECT_EQ(orvik::PresentScreen(), -1);
        EXPECT_EQ(orvik::PumpMessages(), -1);
        EXPECT_EQ(orvik::EndLibrary(), 0);
        ResetEngine();
    }
}

TEST_F(PresentTest, RefreshPeriodIsMeasuredFromTheDisplayClock) {
    host::SetVerticalBlankRate(50);
    ASSERT_EQ(InitLibrary(), 0);
    EXPECT_EQ(Graphics().screen.refreshPeriod, 20000);
}

TEST_F(PresentTest, IntervalsThatNeverAgreeLeaveThePeriodUnknownAndPacingAimsFourMilliseconds) {
    host::DirectDrawTestSettings().irregularIntervals = {15000, 17500};
    StartSoftware(32);
    EXPECT_EQ(Graphics().screen.refreshPeriod, -1);
    // Right after a blank, the wait sleeps 4 ms and only then waits for the blank.
    orvik::WaitVerticalBlank();
    int64_t blank = int64_t(Graphics().screen.lastVBlank);
    orvik::WaitVerticalBlank();
    EXPECT_EQ(host::LastVerticalBlankWaitStart() - blank, 4000);
}

TEST_F(PresentTest, KnownPeriodWakesThreeMillisecondsBeforeTheBlank) {
    StartSoftware(32);
    ASSERT_EQ(Graphics().screen.refreshPeriod, 16666);
    orvik::WaitVerticalBlank();
    int64_t blank = int64_t(Graphics().screen.lastVBlank);
    uint64_t waits = host::VerticalBlankWaitCount();
    orvik::WaitVerticalBlank();
    // 13 666 us rounded up to the whole-millisecond sleeps.
    EXPECT_EQ(host::LastVerticalBlankWaitStart() - blank, 14000);
    EXPECT_EQ(host::VerticalBlankWaitCount(), waits + 1);
    EXPECT_EQ(int64_t(Graphics().screen.lastVBlank) - blank, 16666);
}

TEST_F(PresentTest, SoftwarePresentWaitsForTheBlankUnlessSwitchedOff) {
    StartSoftware(32);
    uint64_t waits = host::VerticalBlankWaitCount();
    ASSERT_EQ(orvik::PresentScreen(), 0);
    EXPECT_EQ(host::VerticalBlankWaitCount(), waits + 1);
    orvik::SetVBlankWaitFlag(0);
    EXPECT_EQ(orvik::GetVBlankWaitFlag(), 0);
    int64_t now = host::NowMicroseconds();
    ASSERT_EQ(orvik::PresentScreen(), 0);
    EXPECT_EQ(host::VerticalBlankWaitCount(), waits + 1);
    EXPECT_EQ(host::NowMicroseconds(), now);
}

// The engine adds its own wait only for a present that came back at once although it asked
// for vertical sync (a driver that ignores it), and only when running in the background.
TEST_F(PresentTest, DevicePresentIsPacedOnlyWhenRunningInTheBackground) {
    host::D3D9Settings().presentIgnoresInterval = true;
    ASSERT_EQ(InitLibrary(), 0);
    uint64_t waits = host::VerticalBlankWaitCount();
    ASSERT_EQ(orvik::PresentScreen(), 0);
    EXPECT_EQ(host::VerticalBlankWaitCount(), waits);
    orvik::Window().settings.runInBackground = 1;
    ASSERT_EQ(orvik::PresentScreen(), 0);
    EXPECT_EQ(host::VerticalBlankWaitCount(), waits + 1);
}

// A synchronised present returns at the display's next vertical blank, so a game that
// presents once a frame runs at the display's 60 frames a second.
TEST_F(PresentTest, DevicePresentReturnsAtTheNextVerticalBlank) {
    ASSERT_EQ(InitLibrary(), 0);
    const int64_t period = host::VerticalBlankPeriodMicros();
    host::AdvanceManualClock(period / 3);
    const int64_t before = host::NowMicroseconds();
    ASSERT_EQ(orvik::PresentScreen(), 0);
    const int64_t after = host::NowMicroseconds();
    EXPECT_GT(after, before);
    EXPECT_LE(after - before, period);
    EXPECT_EQ(after % period, 0);
    ASSERT_EQ(orvik::PresentScreen(), 0);
    EXPECT_EQ(host::NowMicroseconds(), after + period);
}

}  // namespace
}  // namespace orvik_test

namespace orvik_test {
namespace {

TEST_F(PresentTest, FrontBufferIsRefreshedEvery32MillisecondsWhileItIsTheTarget) {
    ASSERT_EQ(InitLibrary(), 0);
    ASSERT_EQ(orvik::Draw().drawTarget, -4);
    DrainQueue();
    int frames = host::headless::PresentedFrameCount();
    host::AdvanceManualClock(32000);
    orvik::PumpMessages();
    EXPECT_EQ(host::headless::PresentedFrameCount(), frames + 1);
    // Another target stops the refresh.
    ASSERT_EQ(orvik::SetDrawTarget(-2), 0);
    host::AdvanceManualClock(64000);
    orvik::PumpMessages();
    orvik::PumpMessages();
    EXPECT_EQ(host::headless::PresentedFrameCount(), frames + 1);
}

}  // namespace
}  // namespace orvik_test
