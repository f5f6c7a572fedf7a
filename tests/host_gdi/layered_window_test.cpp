// Layered-window output at the host: bitmaps selected into memory contexts, the picture
// composed with per-pixel alpha or a colour key, and what is refused.
#include <gtest/gtest.h>

#include <cstdint>

#include "../support/host_reset.h"
#include "host/font/gdi_font.h"
#include "host/gdi/dib_section.h"
#include "host/win/layered_window.h"
#include "host/win/window.h"

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

    blend.SourceConstantAlpha = 128;
    EXPECT_FALSE(Update(window, &blend, ULW_ALPHA));

    ASSERT_TRUE(Update(window, nullptr, ULW_COLORKEY, RGB(0, 255, 0)));
    p = LastLayeredPicture();
    EXPECT_EQ(p.pixels[0], 0u);
    EXPECT_EQ(p.pixels[1], 0xFF000000u);  // not the key: shown, opaque
    EXPECT_EQ(p.updates, 2u);
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

}  // namespace
