// The window repaint: once started, a WM_PAINT shows the back buffer again at once,
// without waiting for the vertical blank, and leaves the game's pacing as it was.
#include "device_fixture.h"
#include "engine/graphics/device/present.h"
#include "host/win/window/message_queue.h"

namespace orvik_test {
namespace {

using RepaintTest = DeviceTest;

TEST_F(RepaintTest, PaintPresentsAtOnceAndKeepsTheBlankWait) {
    ASSERT_EQ(orvik::SetUseHardwareRendering(0), 0);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    ASSERT_EQ(orvik::SetDrawTarget(-2), 0);
    ASSERT_EQ(orvik::PresentScreen(), 0);  // a frame has been shown, so there is one to repaint
    const uint64_t waits = host::VerticalBlankWaitCount();
    const int frames = host::headless::PresentedFrameCount();
    host::SendMessageA(MainWindow(), host::WM_PAINT, 0, 0);
    EXPECT_EQ(host::headless::PresentedFrameCount(), frames + 1);
    EXPECT_EQ(host::VerticalBlankWaitCount(), waits);
    EXPECT_EQ(orvik::GetVBlankWaitFlag(), 1);
    ASSERT_EQ(orvik::PresentScreen(), 0);
    EXPECT_EQ(host::VerticalBlankWaitCount(), waits + 1);
}

}  // namespace
}  // namespace orvik_test
