// Presentation: the back buffer handed to the present hook and the headless backend, 16-bit
// frames as XRGB, the draw and present counters, the raster status under the manual clock.
#include <algorithm>
#include <vector>

#include "device_fixture.h"
#include "host/backends/backend.h"
#include "host/backends/headless/headless.h"
#include "host/clock.h"
#include "host/d3d9/device/d3d9_module.h"

namespace host::test {
namespace {

TEST_F(ObjectsTest, PresentHandsTheBackBufferToTheHook) {
    std::vector<uint32_t> seen;
    RECT source{};
    SetD3D9PresentHook([&](const PresentedFrame& f) {
        source = f.source;
        for (uint32_t y = 0; y < f.height; ++y)
            for (uint32_t x = 0; x < f.width; ++x)
                seen.push_back(*reinterpret_cast<const uint32_t*>(f.pixels + y * f.pitch + x * 4));
        return D3D_OK;
    });
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699u, 1.0f, 0);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_EQ(seen.size(), 256u);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 0xFF336699u), 256);
    // A cleared frame drawn on shows the drawing over the clear.
    const D3DRECT dot{3, 5, 4, 6};
    dev->Clear(1, &dot, D3DCLEAR_TARGET, 0xFF010203u, 1.0f, 0);
    seen.clear();
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_EQ(seen.size(), 256u);
    EXPECT_EQ(seen[5 * 16 + 3], 0xFF010203u);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 0xFF336699u), 255);
    EXPECT_EQ(source.right, 16);
    const RECT part{0, 0, 8, 8};
    ASSERT_EQ(dev->Present(&part, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(source.right, 8);
    // Inside a scene, with a failure queued, or with the device lost, nothing is shown.
    seen.clear();
    dev->BeginScene();
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
    dev->EndScene();
    D3D9Settings().presentFailures = 1;
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    SetD3D9PresentHook(nullptr);
}

TEST_F(ObjectsTest, SixteenBitFramesReachTheBackendAsXrgb) {
    Close();
    Open(4, 2, D3DFMT_R5G6B5);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000u, 1.0f, 0);
    const D3DRECT right{2, 0, 4, 2};
    dev->Clear(1, &right, D3DCLEAR_TARGET, 0xFF0000FFu, 1.0f, 0);
    std::vector<uint32_t> shown;
    SetD3D9PresentHook([&](const PresentedFrame& f) {
        PresentedFrameToXrgb(f, &shown);
        return D3D_OK;
    });
    const RECT part{1, 1, 4, 2};
    ASSERT_EQ(dev->Present(&part, nullptr, nullptr, nullptr), D3D_OK);
    SetD3D9PresentHook(nullptr);
    EXPECT_EQ(shown, (std::vector<uint32_t>{0xFF0000u, 0x0000FFu, 0x0000FFu}));
}

TEST_F(ObjectsTest, FramesReachTheHeadlessBackend) {
    ASSERT_TRUE(UseBackend("headless"));
    headless::Reset();
    SetD3D9PresentHook(PresentFrameToBackend);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060u, 1.0f, 0);
    const D3DRECT corner{0, 0, 1, 1};
    dev->Clear(1, &corner, D3DCLEAR_TARGET, 0xFFFFFFFFu, 1.0f, 0);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    const headless::Frame frame = headless::LastFrame();
    ASSERT_EQ(frame.width, 16);
    ASSERT_EQ(frame.height, 16);
    EXPECT_EQ(frame.pixels[0], 0xFFFFFFu);
    EXPECT_EQ(frame.pixels[17], 0x204060u);
    headless::SetPresentFails(true);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    headless::SetPresentFails(false);
    SetD3D9PresentHook(nullptr);
    StopBackend();
}

// The window may keep a drawn frame by reference, but not one shown while the back buffer
// is locked: writes through the lock after the present must not reach it.
TEST_F(ObjectsTest, AFrameShownWhileLockedIsNotChangedThroughTheLock) {
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699u, 1.0f, 0);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(back->LockRect(&lr, nullptr, 0), D3D_OK);
    PresentedFrame held;
    SetD3D9PresentHook([&](const PresentedFrame& f) {
        held = f;
        return D3D_OK;
    });
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    SetD3D9PresentHook(nullptr);
    *static_cast<uint32_t*>(lr.pBits) = 0xFF000000u;
    back->UnlockRect();
    std::vector<uint32_t> shown;
    if (held.keep) PresentedFrameToXrgb(held, &shown);
    EXPECT_TRUE(shown.empty() || shown[0] == 0x336699u);
}

TEST_F(ObjectsTest, CountersFollowDrawsAndPresents) {
    D3D9Counters() = D3D9Stats{};
    TLVertex q[6];
    Quad(q, 0, 0, 4, 4, 0xFFFFFFFFu);
    ASSERT_EQ(Draw(D3DPT_TRIANGLELIST, 2, q), D3D_OK);
    EXPECT_EQ(Draw(D3DPT_TRIANGLELIST, 2, nullptr), D3DERR_INVALIDCALL);  // refused calls do not count
    ASSERT_EQ(Draw(D3DPT_TRIANGLESTRIP, 1, q), D3D_OK);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(D3D9Counters().drawCalls, 2u);
    EXPECT_EQ(D3D9Counters().primitives, 3u);
    EXPECT_EQ(D3D9Counters().presents, 1u);
}

TEST_F(ObjectsTest, RasterStatusMovesUnderTheManualClock) {
    UseManualClock(true);
    D3DRASTER_STATUS s;
    int blanks = 0;
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(dev->GetRasterStatus(0, &s), D3D_OK);
        blanks += s.InVBlank;
    }
    UseManualClock(false);
    EXPECT_EQ(blanks, 2);
}

}  // namespace
}  // namespace host::test
