// Bitmaps into the window picture: row order, pixel layouts, stretching and the
// arguments that are refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "host/backends/backend.h"
#include "host/backends/headless/headless.h"
#include "host/d3d9/device/d3d9_host.h"
#include "host/gdi/dib_output.h"
#include "host/win/system/types.h"
#include "host/win/window/window.h"

namespace {

using namespace host;

class DibOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseBackend("headless");
        headless::Reset();
        ResetWindowPicture();
    }
    void TearDown() override { SetD3D9PresentHook(nullptr); }
    // A device context of no window: the picture is as large as what is drawn.
    HDC dc_ = HandleFromId<HDC>(1);
    static uint32_t At(int x, int y) {
        WindowPicture p = LastWindowPicture();
        return p.pixels.at(size_t(y) * size_t(p.width) + size_t(x));
    }
    // A popup window whose client area is width x height.
    static HWND MakeWindow(int width, int height) {
        WNDCLASSEXA wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "DibOutputTest";
        RegisterClassExA(&wc);
        return CreateWindowExA(0, "DibOutputTest", "", WS_POPUP, 0, 0, width, height, nullptr, nullptr, nullptr,
                               nullptr);
    }
    // One pixel of 0xAB drawn at (x, y): the count of rows drawn.
    static int DrawDot(HDC dc, int x, int y) {
        BITMAPINFO info;
        info.bmiHeader.biWidth = 1;
        info.bmiHeader.biHeight = -1;
        info.bmiHeader.biBitCount = 32;
        const uint32_t dot = 0xAB;
        return SetDIBitsToDevice(dc, x, y, 1, 1, 0, 0, 0, 1, &dot, &info, DIB_RGB_COLORS);
    }
};

TEST_F(DibOutputTest, BottomUpAndTopDownRowsLandTheRightWayUp) {
    // Two rows of 2 pixels, 32-bit: first row in memory red, second green.
    std::vector<uint32_t> bits = {0xFF0000, 0xFF0000, 0x00FF00, 0x00FF00};
    BITMAPINFO info;
    info.bmiHeader.biWidth = 2;
    info.bmiHeader.biHeight = 2;  // bottom-up: the first row in memory is the bottom one
    info.bmiHeader.biBitCount = 32;
    ASSERT_EQ(SetDIBitsToDevice(dc_, 0, 0, 2, 2, 0, 0, 0, 2, bits.data(), &info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(At(0, 0), 0x00FF00u);
    EXPECT_EQ(At(1, 1), 0xFF0000u);
    info.bmiHeader.biHeight = -2;
    ASSERT_EQ(SetDIBitsToDevice(dc_, 0, 0, 2, 2, 0, 0, 0, 2, bits.data(), &info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(At(0, 0), 0xFF0000u);
    EXPECT_EQ(headless::LastFrame().pixels.at(2), 0x00FF00u);
    // Placed one pixel left of the picture: only the second column shows.
    bits = {0x0000AA, 0x0000BB, 0x0000CC, 0x0000DD};
    ASSERT_EQ(SetDIBitsToDevice(dc_, -1, 0, 2, 2, 0, 0, 0, 2, bits.data(), &info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(LastWindowPicture().width, 1);
    EXPECT_EQ(At(0, 0), 0x0000BBu);
    EXPECT_EQ(At(0, 1), 0x0000DDu);
}

TEST_F(DibOutputTest, SixteenBitLayoutsExpandToFullIntensity) {
    // 5:5:5 without masks, then 5:6:5 by masks; rows padded to four bytes.
    std::vector<uint16_t> bits = {0x7C00, 0x03E0, 0, 0};
    BITMAPINFO info;
    info.bmiHeader.biWidth = 2;
    info.bmiHeader.biHeight = -1;
    info.bmiHeader.biBitCount = 16;
    ASSERT_EQ(SetDIBitsToDevice(dc_, 0, 0, 2, 1, 0, 0, 0, 1, bits.data(), &info, DIB_RGB_COLORS), 1);
    EXPECT_EQ(At(0, 0), 0xFF0000u);
    EXPECT_EQ(At(1, 0), 0x00FF00u);
    bits = {0x001F, 0x0410};
    info.bmiHeader.biCompression = BI_BITFIELDS;
    info.bmiColors[0] = 0xF800;
    info.bmiColors[1] = 0x07E0;
    info.bmiColors[2] = 0x001F;
    ASSERT_EQ(SetDIBitsToDevice(dc_, 0, 0, 2, 1, 0, 0, 0, 1, bits.data(), &info, DIB_RGB_COLORS), 1);
    EXPECT_EQ(At(0, 0), 0x0000FFu);
    // Green 32 of 63 and blue 16 of 31 repeat their top bits into the low ones.
    EXPECT_EQ(At(1, 0), 0x008284u);
}

TEST_F(DibOutputTest, PartialDrawsKeepTheRestOfAFrameTheBackendHolds) {
    // The headless backend keeps each frame by reference: later draws must neither change
    // the frame it holds nor lose the parts of the picture they do not cover.
    HWND window = MakeWindow(3, 2);
    ASSERT_NE(window, nullptr);
    HDC dc = GetDC(window);
    BITMAPINFO info;
    info.bmiHeader.biWidth = 3;
    info.bmiHeader.biHeight = -2;
    info.bmiHeader.biBitCount = 32;
    const std::vector<uint32_t> full = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(SetDIBitsToDevice(dc, 0, 0, 3, 2, 0, 0, 0, 2, full.data(), &info, DIB_RGB_COLORS), 2);
    const headless::Frame first = headless::LastFrame();
    for (int x = 0; x < 3; ++x) {
        ASSERT_EQ(DrawDot(dc, x, 1), 1);
        std::vector<uint32_t> expected = full;
        for (int i = 0; i <= x; ++i) expected[size_t(3 + i)] = 0xAB;
        EXPECT_EQ(LastWindowPicture().pixels, expected) << x;
        EXPECT_EQ(headless::LastFrame().pixels, expected) << x;
    }
    EXPECT_EQ(first.pixels, full);
    EXPECT_EQ(headless::PresentedFrameCount(), 4);
    ReleaseDC(window, dc);
    DestroyWindow(window);
}

TEST_F(DibOutputTest, DeviceFrameHeldUnchangedIsShownFromItsOwnRows) {
    // A frame whose rows stay as they are while held, filling the window 1:1, reaches the
    // backend as those rows, their top byte not shown; a part drawn later keeps the rest.
    HWND window = MakeWindow(3, 2);
    ASSERT_NE(window, nullptr);
    // Two rows of three pixels, four apart.
    auto rows = std::make_shared<const std::vector<uint32_t>>(
        std::vector<uint32_t>{0xFF000001, 0xFF000002, 0xFF000003, 0xDDDDDD, 0xFF000004, 0xFF000005, 0xFF000006, 0xEEEEEE});
    PresentedFrame f;
    f.pixels = reinterpret_cast<const uint8_t*>(rows->data());
    f.width = 3;
    f.height = 2;
    f.pitch = 16;
    f.format = D3DFMT_X8R8G8B8;
    f.source = f.dest = RECT{0, 0, 3, 2};
    f.window = window;
    f.keep = rows;
    UseWindowForD3D9Presents();
    ASSERT_EQ(D3D9PresentHook()(f), D3D_OK);
    EXPECT_GT(rows.use_count(), 1);  // kept, not copied
    const std::vector<uint32_t> shown = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(headless::LastFrame().pixels, shown);
    EXPECT_EQ(LastWindowPicture().pixels, shown);
    HDC dc = GetDC(window);
    ASSERT_EQ(DrawDot(dc, 1, 1), 1);
    const std::vector<uint32_t> after = {1, 2, 3, 4, 0xAB, 6};
    EXPECT_EQ(LastWindowPicture().pixels, after);
    EXPECT_EQ(headless::LastFrame().pixels, after);
    ReleaseDC(window, dc);
    DestroyWindow(window);
}

TEST_F(DibOutputTest, EachWindowsDeviceContextDrawsIntoThatWindow) {
    // Two windows made one after the other: a dot drawn through each one's device context
    // fills a picture of that window's client area.
    const int widths[2] = {3, 5};
    HWND windows[2];
    for (int i = 0; i < 2; ++i) windows[i] = MakeWindow(widths[i], 1);
    for (int i = 0; i < 2; ++i) {
        ASSERT_NE(windows[i], nullptr);
        HDC dc = GetDC(windows[i]);
        ASSERT_EQ(DrawDot(dc, 0, 0), 1);
        EXPECT_EQ(LastWindowPicture().width, widths[i]) << i;
        ReleaseDC(windows[i], dc);
    }
    for (HWND w : windows) DestroyWindow(w);
}

TEST_F(DibOutputTest, StretchPicksTheNearestSourcePixel) {
    std::vector<uint32_t> bits = {0x111111, 0x222222, 0x333333, 0x444444};
    BITMAPINFO info;
    info.bmiHeader.biWidth = 2;
    info.bmiHeader.biHeight = -2;
    info.bmiHeader.biBitCount = 32;
    ASSERT_EQ(StretchDIBits(dc_, 0, 0, 4, 4, 0, 0, 2, 2, bits.data(), &info, DIB_RGB_COLORS, SRCCOPY), 4);
    EXPECT_EQ(At(1, 1), 0x111111u);
    EXPECT_EQ(At(2, 1), 0x222222u);
    EXPECT_EQ(At(3, 3), 0x444444u);
    EXPECT_EQ(LastWindowPicture().width, 4);
}

TEST_F(DibOutputTest, BadArgumentsCopyNothing) {
    std::vector<uint32_t> bits(4, 0xFFFFFF);
    BITMAPINFO info;
    info.bmiHeader.biWidth = 2;
    info.bmiHeader.biHeight = -2;
    info.bmiHeader.biBitCount = 32;
    int frames = headless::PresentedFrameCount();
    EXPECT_EQ(StretchDIBits(dc_, 0, 0, 2, 2, 0, 0, 2, 2, bits.data(), &info, DIB_RGB_COLORS, 0x00EE0086), 0);
    EXPECT_EQ(StretchDIBits(dc_, 0, 0, 2, 2, 1, 1, 2, 2, bits.data(), &info, DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(SetDIBitsToDevice(dc_, 0, 0, 2, 2, 0, 0, 0, 3, bits.data(), &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(SetDIBitsToDevice(nullptr, 0, 0, 2, 2, 0, 0, 0, 2, bits.data(), &info, DIB_RGB_COLORS), 0);
    info.bmiHeader.biBitCount = 24;
    EXPECT_EQ(SetDIBitsToDevice(dc_, 0, 0, 2, 2, 0, 0, 0, 2, bits.data(), &info, DIB_RGB_COLORS), 0);
    info.bmiHeader.biBitCount = 16;
    info.bmiHeader.biCompression = BI_BITFIELDS;  // with no masks
    EXPECT_EQ(SetDIBitsToDevice(dc_, 0, 0, 2, 2, 0, 0, 0, 2, bits.data(), &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(headless::PresentedFrameCount(), frames);
}

}  // namespace
