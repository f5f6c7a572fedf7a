// Layered-window output at the host: bitmaps selected into memory contexts, the picture
// composed with per-pixel alpha or a colour key, and what is refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "../support/host_reset.h"
#include "host/backends/backend.h"
#include "host/backends/headless/headless.h"
#include "host/backends/layered_shape.h"
#include "host/debug_output.h"
#include "host/font/gdi_font.h"
#include "host/gdi/dib_section.h"
#include "host/win/window/layered_window.h"
#include "host/win/window/window.h"

namespace {

using namespace host;

class LayeredWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        orvik_test::ResetHost();
        WNDCLASSEXA wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "LayeredTest";
        ASSERT_NE(RegisterClassExA(&wc), 0);
        memory_ = CreateCompatibleDC(nullptr);
        BITMAPINFO info;
        info.bmiHeader.biWidth = 2;
        info.bmiHeader.biHeight = 2;  // bottom-up: the first row in memory is the lower one
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(bitmap_, nullptr);
        bits_ = static_cast<uint32_t*>(bits);
        EXPECT_EQ(bits_[0] | bits_[1] | bits_[2] | bits_[3], 0u);
        ASSERT_EQ(SelectObject(memory_, bitmap_), nullptr);
    }
    void TearDown() override {
        SelectObject(memory_, static_cast<HBITMAP>(nullptr));
        DeleteObject(bitmap_);
        DeleteDC(memory_);
    }
    static HWND MakeWindow(uint32_t exStyle) {
        return CreateWindowExA(exStyle, "LayeredTest", "", WS_POPUP, 0, 0, 2, 2, nullptr, nullptr, nullptr, nullptr);
    }
    BOOL Update(HWND window, const BLENDFUNCTION* blend, uint32_t flags, COLORREF key = 0) {
        SIZE size{2, 2};
        POINT origin;
        return UpdateLayeredWindow(window, nullptr, nullptr, &size, memory_, &origin, key, blend, flags);
    }
    HDC memory_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    uint32_t* bits_ = nullptr;
};

TEST_F(LayeredWindowTest, PerPixelAlphaAndColourKeyComposeThePicture) {
    HWND window = MakeWindow(WS_EX_LAYERED);
    // Lower row: opaque blue, half-transparent premultiplied red; upper row: key green, hole.
    bits_[0] = 0xFF0000FFu, bits_[1] = 0x80800000u, bits_[2] = 0xFF00FF00u, bits_[3] = 0;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ASSERT_TRUE(Update(window, &blend, ULW_ALPHA));
    LayeredPicture p = LastLayeredPicture();
    ASSERT_EQ(p.pixels.size(), 4u);
    EXPECT_EQ(p.pixels[0], 0xFF00FF00u);
    EXPECT_EQ(p.pixels[1], 0u);
    EXPECT_EQ(p.pixels[2], 0xFF0000FFu);
    EXPECT_EQ(p.pixels[3], 0x80800000u);

    // A constant alpha weighs the whole window; the picture's own pixels stay as given.
    blend.SourceConstantAlpha = 128;
    ASSERT_TRUE(Update(window, &blend, ULW_ALPHA));
    p = LastLayeredPicture();
    EXPECT_EQ(p.opacity, 128);
    EXPECT_EQ(p.pixels[2], 0xFF0000FFu);

    ASSERT_TRUE(Update(window, nullptr, ULW_COLORKEY, RGB(0, 255, 0)));
    p = LastLayeredPicture();
    EXPECT_EQ(p.pixels[0], 0u);
    EXPECT_EQ(p.pixels[1], 0xFF000000u);  // not the key: shown, opaque
    EXPECT_EQ(p.opacity, 255);  // the key alone: no weighing
    EXPECT_EQ(p.updates, 3u);
}

TEST_F(LayeredWindowTest, OrdinaryWindowsBadSizesAndSelectedBitmapsAreRefused) {
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    EXPECT_FALSE(Update(MakeWindow(0), &blend, ULW_ALPHA));
    HWND layered = MakeWindow(WS_EX_LAYERED);
    SIZE tooWide{3, 2};
    POINT origin;
    EXPECT_FALSE(UpdateLayeredWindow(layered, nullptr, nullptr, &tooWide, memory_, &origin, 0, &blend, ULW_ALPHA));
    POINT inside{1, 1};
    SIZE size{2, 2};
    EXPECT_FALSE(UpdateLayeredWindow(layered, nullptr, nullptr, &size, memory_, &inside, 0, &blend, ULW_ALPHA));
    EXPECT_EQ(LastLayeredPicture().updates, 0u);
    EXPECT_TRUE(Update(layered, &blend, ULW_ALPHA));
    // A bitmap still selected cannot be deleted; an unsupported header makes none.
    EXPECT_FALSE(DeleteObject(bitmap_));
    BITMAPINFO info;
    info.bmiHeader.biWidth = 2;
    info.bmiHeader.biHeight = 2;
    info.bmiHeader.biBitCount = 16;
    void* bits = &info;
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
    EXPECT_EQ(LiveDibSectionCount(), 1);
}

// Lines the stand-in writes to the debugger output when it refuses a call.
void CollectDebugLines(const char* text, void* context) { static_cast<std::string*>(context)->append(text); }

TEST_F(LayeredWindowTest, MalformedCallsAreRefusedWithAReasonAndChangeNothing) {
    HWND window = MakeWindow(WS_EX_LAYERED);
    std::string lines;
    SetDebugOutputSink(CollectDebugLines, &lines);
    const BLENDFUNCTION perPixel{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    const BLENDFUNCTION badOp{1, 0, 255, AC_SRC_ALPHA}, badFlags{AC_SRC_OVER, 1, 255, 0},
        badFormat{AC_SRC_OVER, 0, 255, 2};
    EXPECT_FALSE(Update(window, &perPixel, ULW_ALPHA | 8));
    EXPECT_FALSE(Update(window, nullptr, ULW_ALPHA));
    EXPECT_FALSE(Update(window, &badOp, ULW_ALPHA));
    EXPECT_FALSE(Update(window, &badFlags, ULW_ALPHA));
    EXPECT_FALSE(Update(window, &badFormat, ULW_ALPHA));
    SIZE empty{0, 2};
    POINT origin;
    EXPECT_FALSE(UpdateLayeredWindow(window, nullptr, nullptr, &empty, memory_, &origin, 0, &perPixel, ULW_ALPHA));
    // Without a source context there is no picture yet to show again.
    EXPECT_FALSE(UpdateLayeredWindow(window, nullptr, nullptr, nullptr, nullptr, nullptr, 0, &perPixel, ULW_ALPHA));
    HDC bare = CreateCompatibleDC(nullptr);
    SIZE size{2, 2};
    EXPECT_FALSE(UpdateLayeredWindow(window, nullptr, nullptr, &size, bare, &origin, 0, &perPixel, ULW_ALPHA));
    DeleteDC(bare);
    SetDebugOutputSink(nullptr, nullptr);
    EXPECT_EQ(LastLayeredPicture().updates, 0u);
    for (const char* why : {"unknown flags", "ULW_ALPHA without a sound blend function", "an empty size",
                            "a first picture without a source context", "no bitmap in the source context"})
        EXPECT_NE(lines.find(why), std::string::npos) << why;
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.right - frame.left, 2);  // the refused empty size left the window alone
}

TEST_F(LayeredWindowTest, PositionAndSizeMoveTheWindowAndACallWithoutSourceKeepsThePicture) {
    HWND window = MakeWindow(WS_EX_LAYERED);
    HBITMAP larger;
    {
        BITMAPINFO info;
        info.bmiHeader.biWidth = 3;
        info.bmiHeader.biHeight = -2;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        larger = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(larger, nullptr);
        auto* px = static_cast<uint32_t*>(bits);
        const uint32_t drawn[6] = {0x00FF00, 0x112233, 0x00FF00, 0x445566, 0x00FF00, 0x778899};
        std::copy(drawn, drawn + 6, px);
    }
    SelectObject(memory_, larger);
    POINT to{40, 30}, origin;
    SIZE size{3, 2};
    ASSERT_TRUE(UpdateLayeredWindow(window, nullptr, &to, &size, memory_, &origin, RGB(0, 255, 0), nullptr, ULW_COLORKEY));
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.left, 40);
    EXPECT_EQ(frame.top, 30);
    EXPECT_EQ(frame.right, 43);
    EXPECT_EQ(frame.bottom, 32);
    LayeredPicture p = LastLayeredPicture();
    EXPECT_EQ(p.pixels[0], 0u);
    EXPECT_EQ(p.pixels[1], 0xFF112233u);

    // Moved again without a picture: the kept one is composed anew with the new blend (no
    // key now: the green pixels show), weighed by the constant alpha.
    const BLENDFUNCTION half{AC_SRC_OVER, 0, 100, 0};
    POINT next{5, 6};
    ASSERT_TRUE(UpdateLayeredWindow(window, nullptr, &next, nullptr, nullptr, nullptr, 0, &half, ULW_ALPHA));
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.left, 5);
    EXPECT_EQ(frame.right, 8);
    p = LastLayeredPicture();
    EXPECT_EQ(p.position.x, 5);
    EXPECT_EQ(p.position.y, 6);
    EXPECT_EQ(p.opacity, 100);
    EXPECT_EQ(p.pixels[0], 0xFF00FF00u);
    EXPECT_EQ(p.pixels[5], 0xFF778899u);
    // A new size needs a new picture.
    SIZE other{2, 2};
    EXPECT_FALSE(UpdateLayeredWindow(window, nullptr, nullptr, &other, nullptr, nullptr, 0, &half, ULW_ALPHA));
    SelectObject(memory_, bitmap_);
    DeleteObject(larger);
}

TEST_F(LayeredWindowTest, TheShownWindowGoesToTheBackendLayeredAndAnEmptyPictureHasNoShape) {
    HWND window = MakeWindow(WS_EX_LAYERED);
    ShowWindow(window, SW_SHOW);
    ASSERT_TRUE(headless::IsWindowLayered());
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ASSERT_TRUE(Update(window, &blend, ULW_ALPHA));  // every pixel 0: all holes
    headless::LayeredFrame f = headless::LastLayeredFrame();
    ASSERT_EQ(f.width, 2);
    EXPECT_TRUE(LayeredShape(f.pixels, f.width, f.height, f.opacity).empty());

    bits_[2] = 0xFF102030u;  // the top left pixel (bottom-up rows)
    ASSERT_TRUE(Update(window, &blend, ULW_ALPHA));
    f = headless::LastLayeredFrame();
    EXPECT_EQ(LayeredShape(f.pixels, f.width, f.height, f.opacity), (std::vector<ShapeRun>{{0, 0, 1}}));
    EXPECT_EQ(headless::LastFrame().pixels[0], 0x102030u);
    // Painting does not reach it: the picture stays what the call gave.
    const uint32_t painted[4] = {0x123456, 0x123456, 0x123456, 0x123456};
    ASSERT_TRUE(ActiveBackend()->present(painted, 2, 2, 8));
    EXPECT_EQ(headless::LastFrame().pixels[0], 0x102030u);

    // A display that refuses the picture makes the call fail.
    headless::SetPresentFails(true);
    EXPECT_FALSE(Update(window, &blend, ULW_ALPHA));
    headless::SetPresentFails(false);
    // Taking the style away makes the backend's window ordinary again.
    SetWindowLongA(window, GWL_EXSTYLE, 0);
    EXPECT_FALSE(headless::IsWindowLayered());
    EXPECT_FALSE(Update(window, &blend, ULW_ALPHA));
    SetWindowLongA(window, GWL_EXSTYLE, int32_t(WS_EX_LAYERED));
    EXPECT_TRUE(headless::IsWindowLayered());
}

TEST(LayeredShapeTest, RunsFollowTheShownAlphaRowByRow) {
    // Row 0: hole, two shown, hole, one shown; row 1: all holes; row 2: all shown.
    const std::vector<uint32_t> pixels = {0,          0xFF000000u, 0x01FFFFFFu, 0x00FFFFFFu, 0x80402010u,
                                          0,          0,           0,           0,           0,
                                          0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
    EXPECT_EQ(LayeredShape(pixels, 5, 3, 255), (std::vector<ShapeRun>{{1, 0, 2}, {4, 0, 1}, {0, 2, 5}}));
    // Alpha 1 weighed by 127 rounds to nothing; by 128 to 1.
    EXPECT_EQ(LayeredShape(pixels, 5, 3, 127), (std::vector<ShapeRun>{{1, 0, 1}, {4, 0, 1}, {0, 2, 5}}));
    EXPECT_EQ(LayeredShape(pixels, 5, 3, 128), LayeredShape(pixels, 5, 3, 255));
    EXPECT_TRUE(LayeredShape(pixels, 5, 3, 0).empty());
    // A picture shorter than its size says is no shape at all, never a read past its end.
    EXPECT_TRUE(LayeredShape(std::span(pixels).first(14), 5, 3, 255).empty());
}

TEST(LayeredShapeTest, ColoursShowOverBlackWeighedByTheOpacity) {
    EXPECT_EQ(ShownOverBlack(0x80804020u, 255), 0x804020u);
    EXPECT_EQ(ShownOverBlack(0xFFFF8000u, 128), 0x804000u);
    EXPECT_EQ(ShownOverBlack(0xFFFFFFFFu, 0), 0u);
    EXPECT_EQ(ShownAlpha(0xFF000000u, 128), 128);
    EXPECT_EQ(ShownAlpha(0x80000000u, 255), 128);
}

}  // namespace
