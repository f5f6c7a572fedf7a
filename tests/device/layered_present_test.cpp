// Presentation to a layered window: frames reach the window as a per-pixel-alpha picture
// (the transparent colour becoming holes) through UpdateLayeredWindow, never through the
// swap chain or GDI; older systems get a colour-keyed picture; the window's bitmap.
#include "device_fixture.h"
#include "engine/graphics/images/base_image.h"
#include "engine/graphics/device/present.h"
#include "engine/platform/window/layered_window.h"
#include "engine/platform/startup/sysinfo.h"
#include "host/font/gdi_font.h"
#include "host/gdi/dib_section.h"
#include "host/win/window/layered_window.h"
#include "host/win/system/modules.h"
#include "host/win/window/window.h"
#include <orvik/graphics.h>

namespace orvik_test {
namespace {

using orvik::Graphics;

class LayeredPresentTest : public DeviceTest, public ::testing::WithParamInterface<bool> {
protected:
    void Start(bool device, int depth = 32) {
        orvik::Window().settings.layered = 1;
        if (!device) { ASSERT_EQ(orvik::SetUseHardwareRendering(0), 0); }
        ASSERT_EQ(orvik::SetGraphMode(640, 480, depth), 0);
        ASSERT_EQ(orvik::InitLibrary(), 0);
        ASSERT_EQ(Graphics().direct3DMode, device ? 1 : 0);
        ASSERT_EQ(orvik::SetDrawTarget(-2), 0);
    }
    // Where the client area lies in the window: the layered picture includes the frame.
    static host::POINT ClientOffset() {
        host::RECT frame;
        host::POINT origin;
        host::GetWindowRect(MainWindow(), &frame);
        host::ClientToScreen(MainWindow(), &origin);
        return host::POINT{origin.x - frame.left, origin.y - frame.top};
    }
    // Window size minus client size: the picture covers the whole window.
    static host::SIZE FrameExtra() {
        host::RECT frame, client;
        host::GetWindowRect(MainWindow(), &frame);
        host::GetClientRect(MainWindow(), &client);
        return host::SIZE{frame.right - frame.left - client.right, frame.bottom - frame.top - client.bottom};
    }
    static uint32_t LayeredPixel(const host::LayeredPicture& p, int x, int y) {
        return p.pixels.at(size_t(y) * size_t(p.width) + size_t(x));
    }
    // A pixel of the picture by client coordinates.
    static uint32_t ClientPixel(const host::LayeredPicture& p, int x, int y) {
        const host::POINT o = ClientOffset();
        return LayeredPixel(p, x + o.x, y + o.y);
    }
    // A magenta screen (the transparent colour) with a red and a grey box.
    static void DrawKeyedScene() {
        ASSERT_EQ(orvik::SetTransparentColor(255, 0, 255), 0);
        orvik::DrawFilledBox(0, 0, 640, 480, orvik::GetColorValue(255, 0, 255));
        orvik::DrawFilledBox(10, 20, 30, 40, orvik::GetColorValue(255, 0, 0));
        orvik::DrawFilledBox(50, 60, 52, 62, orvik::GetColorValue(128, 128, 128));
    }
};

TEST_P(LayeredPresentTest, FrameReachesTheWindowWithPerPixelAlphaAndNotThroughSwapChainOrGdi) {
    Start(GetParam());
    DrawKeyedScene();
    const uint64_t swapPresents = host::D3D9Counters().presents, waits = host::VerticalBlankWaitCount();
    host::ResetWindowPicture();
    host::RECT before, after;
    host::GetWindowRect(MainWindow(), &before);
    ASSERT_EQ(orvik::PresentScreen(), 0);
    host::GetWindowRect(MainWindow(), &after);
    EXPECT_EQ(host::VerticalBlankWaitCount(), waits + 1);  // one blank a frame on either path
    const host::LayeredPicture p = host::LastLayeredPicture();
    const host::POINT o = ClientOffset();
    ASSERT_GT(o.y, 0);  // the caption and frame belong to the picture too
    EXPECT_EQ(p.updates, 1u);
    EXPECT_EQ(p.flags, host::ULW_ALPHA);
    // The picture is the whole window, so showing it neither moves nor resizes it.
    ASSERT_EQ(p.width, before.right - before.left);
    ASSERT_EQ(p.height, before.bottom - before.top);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.bottom, before.bottom);
    EXPECT_EQ(LayeredPixel(p, 0, 0), 0u);
    EXPECT_EQ(ClientPixel(p, 10, 20), 0xFFFF0000u);
    EXPECT_EQ(ClientPixel(p, 29, 39), 0xFFFF0000u);
    EXPECT_EQ(ClientPixel(p, 9, 20), 0u);
    EXPECT_EQ(ClientPixel(p, 30, 39), 0u);
    EXPECT_EQ(ClientPixel(p, 51, 61), 0xFF808080u);
    EXPECT_EQ(host::D3D9Counters().presents, swapPresents);
    EXPECT_EQ(host::LastWindowPicture().width, 0);
    // The backend's window is layered, placed where the window is, and shows the whole
    // picture (over black where the desktop does not blend).
    EXPECT_TRUE(host::headless::IsWindowLayered());
    const host::headless::LayeredFrame shown = host::headless::LastLayeredFrame();
    EXPECT_EQ(shown.x, before.left);
    EXPECT_EQ(shown.y, before.top);
    EXPECT_EQ(shown.opacity, 255);
    EXPECT_EQ(shown.pixels, p.pixels);
    host::headless::Frame f = host::headless::LastFrame();
    ASSERT_EQ(f.width, p.width);
    ASSERT_EQ(f.height, p.height);
    EXPECT_EQ(f.pixels[size_t(20 + o.y) * size_t(f.width) + size_t(10 + o.x)], 0xFF0000u);
    EXPECT_EQ(f.pixels[size_t(20 + o.y) * size_t(f.width) + size_t(9 + o.x)], 0u);
}

TEST_P(LayeredPresentTest, FrontBufferRefreshStopsInLayeredMode) {
    Start(GetParam());
    ASSERT_EQ(orvik::SetDrawTarget(-4), 0);
    orvik::PumpMessages();
    const uint64_t updates = host::LastLayeredPicture().updates, swapPresents = host::D3D9Counters().presents;
    const int frames = host::headless::PresentedFrameCount();
    for (int i = 0; i < 3; ++i) {
        host::AdvanceManualClock(32000);
        orvik::PumpMessages();
    }
    EXPECT_EQ(host::LastLayeredPicture().updates, updates);
    EXPECT_EQ(host::D3D9Counters().presents, swapPresents);
    // Outside layered mode the same target is refreshed again.
    orvik::Window().settings.layered = 0;
    ASSERT_EQ(orvik::SetDrawTarget(-4), 0);
    host::AdvanceManualClock(32000);
    orvik::PumpMessages();
    EXPECT_GT(host::headless::PresentedFrameCount(), frames);
}

TEST_F(LayeredPresentTest, SixteenBitScreenIsWidenedAndKeyedInItsOwnLayout) {
    Start(false, 16);
    DrawKeyedScene();
    ASSERT_EQ(orvik::PresentScreen(), 0);
    const host::LayeredPicture p = host::LastLayeredPicture();
    EXPECT_EQ(ClientPixel(p, 5, 5), 0u);
    EXPECT_EQ(ClientPixel(p, 10, 20), 0xFFFF0000u);
    // 128 keeps its top five (six for green) bits and widens them again.
    const uint32_t grey = ClientPixel(p, 50, 60);
    EXPECT_EQ(grey >> 24, 0xFFu);
    EXPECT_EQ(grey & 0xF8F8F8u, 0x808080u);
}

TEST_F(LayeredPresentTest, OlderSystemsGetAColourKeyedPictureWithKeyColouredFrameRows) {
    Start(true);
    orvik::SystemInfo().osVersionCode = orvik::kOsWinXp;
    DrawKeyedScene();
    ASSERT_EQ(orvik::PresentScreen(), 0);
    const host::LayeredPicture p = host::LastLayeredPicture();
    EXPECT_EQ(p.flags, host::ULW_COLORKEY);
    EXPECT_EQ(LayeredPixel(p, 0, 0), 0u);
    EXPECT_EQ(ClientPixel(p, 5, 5), 0u);
    EXPECT_EQ(ClientPixel(p, 10, 20), 0xFFFF0000u);
}

orvik::BaseImage Argb(int width, int height, std::vector<uint32_t>& pixels) {
    orvik::BaseImage image{};
    orvik::FillArgb32ColorFormat(&image.format);
    image.width = width;
    image.height = height;
    image.pitch = width * 4;
    pixels.resize(size_t(width) * size_t(height));
    image.pixels = reinterpret_cast<uint8_t*>(pixels.data());
    return image;
}

TEST_F(LayeredPresentTest, AlphaIsPremultipliedAndOpaquePixelsKeepTheirColour) {
    orvik::Window().settings.windowMode = 0;  // full screen: no frame rows
    Start(true);
    std::vector<uint32_t> pixels;
    orvik::BaseImage image = Argb(4, 1, pixels);
    pixels = {0xFFFFFFFFu, 0x80FF0000u, 0x00FFFFFFu, 0x40204080u};
    ASSERT_EQ(orvik::UpdateLayeredMainWindow(image), 0);
    const host::LayeredPicture p = host::LastLayeredPicture();
    ASSERT_EQ(p.height, 1);
    EXPECT_EQ(LayeredPixel(p, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(LayeredPixel(p, 1, 0), 0x80800000u);
    EXPECT_EQ(LayeredPixel(p, 2, 0), 0u);
    EXPECT_EQ(LayeredPixel(p, 3, 0), 0x40081020u);
}

TEST_F(LayeredPresentTest, WindowBitmapFollowsTheImageSizeAndGoesWithTheWindow) {
    Start(true);
    const host::SIZE extra = FrameExtra();
    std::vector<uint32_t> pixels;
    orvik::BaseImage image = Argb(100, 50, pixels);
    ASSERT_EQ(orvik::UpdateLayeredMainWindow(image), 0);
    EXPECT_EQ(host::LastLayeredPicture().height, 50 + extra.cy);
    EXPECT_EQ(host::LiveDibSectionCount(), 1);
    image = Argb(60, 40, pixels);
    ASSERT_EQ(orvik::UpdateLayeredMainWindow(image), 0);
    EXPECT_EQ(host::LastLayeredPicture().width, 60 + extra.cx);
    EXPECT_EQ(host::LastLayeredPicture().height, 40 + extra.cy);
    EXPECT_EQ(host::LiveDibSectionCount(), 1);

    image.pixels = nullptr;
    EXPECT_EQ(orvik::UpdateLayeredMainWindow(image), -1);
    EXPECT_NE(Log().find("レイヤードウインドウに渡された画像が不正です in UpdateLayeredMainWindow"), std::string::npos);
    orvik::EndLibrary();
    EXPECT_EQ(host::LiveDibSectionCount(), 0);
}

TEST_F(LayeredPresentTest, APictureInASourceContextIsShownKeyedAsItIs) {
    Start(true);
    ASSERT_EQ(orvik::SetTransparentColor(255, 0, 255), 0);
    host::BITMAPINFO info;
    info.bmiHeader.biWidth = 3;
    info.bmiHeader.biHeight = -2;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = host::BI_RGB;
    void* bits = nullptr;
    host::HBITMAP bitmap = host::CreateDIBSection(nullptr, &info, host::DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    auto* pixels = static_cast<uint32_t*>(bits);
    const uint32_t drawn[6] = {0xFF00FF, 0x123456, 0xFF00FF, 0x00FF00, 0xFF00FF, 0x000001};
    std::copy(drawn, drawn + 6, pixels);
    host::HDC dc = host::CreateCompatibleDC(nullptr);
    host::SelectObject(dc, bitmap);
    std::vector<uint32_t> unused;
    const orvik::BaseImage screen = Argb(3, 2, unused);

    ASSERT_EQ(orvik::UpdateLayeredMainWindow(screen, dc), 0);
    const host::LayeredPicture p = host::LastLayeredPicture();
    EXPECT_EQ(p.flags, host::ULW_COLORKEY);
    ASSERT_EQ(p.width, 3);
    ASSERT_EQ(p.height, 2);
    const uint32_t shown[6] = {0, 0xFF123456u, 0, 0xFF00FF00u, 0, 0xFF000001u};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(p.pixels[size_t(i)], shown[i]) << i;
    // The window's own bitmap is neither made nor needed.
    EXPECT_EQ(host::LiveDibSectionCount(), 1);

    // A picture larger than the context's bitmap is refused and said so.
    const orvik::BaseImage larger = Argb(4, 2, unused);
    EXPECT_EQ(orvik::UpdateLayeredMainWindow(larger, dc), -1);
    EXPECT_NE(Log().find("レイヤードウインドウの更新に失敗しました in UpdateLayeredMainWindow"), std::string::npos);
    host::SelectObject(dc, host::HBITMAP(nullptr));
    host::DeleteDC(dc);
    host::DeleteObject(bitmap);
}

TEST_F(LayeredPresentTest, WithoutUpdateLayeredWindowNothingIsShown) {
    host::SetExportMissing("user32", "UpdateLayeredWindow", true);
    Start(true);
    ASSERT_EQ(orvik::PresentScreen(), 0);
    EXPECT_EQ(host::LastLayeredPicture().updates, 0u);
    EXPECT_EQ(host::LiveDibSectionCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Paths, LayeredPresentTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Device" : "Software"; });

}  // namespace
}  // namespace orvik_test
