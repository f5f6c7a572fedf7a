// A layered main window on the sdl backend against a real X server: the transparent
// colour's pixels are holes in the window's shape, the screen shows the desktop through
// them, and the pointer over a hole is over the desktop, not the window.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <orvik/graphics.h>
#include <orvik/platform.h>

#include <cstdlib>
#include <memory>

#include "../support/bounded_wait.h"
#include "../window_sdl/sdl_engine_setup.h"
#include "engine/platform/window/window.h"
#include "host/font/gdi_font.h"
#include "host/gdi/dib_section.h"
#include "host/win/window/layered_window.h"
#include "host/win/window/window.h"

namespace orvik_test {
namespace {

const char* kLayeredTitle = "Orvik Layered Probe";
constexpr unsigned long kDesktopColour = 0x2040C0;  // the root window's background

struct XDisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};

class SdlLayeredWindowTest : public SdlEngineTest {
protected:
    void SetUp() override {
        SdlEngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        x_.reset(XOpenDisplay(display_->Name().c_str()));
        ASSERT_TRUE(x_);
        int event = 0, error = 0;
        ASSERT_TRUE(XShapeQueryExtension(x_.get(), &event, &error));
        const Window root = DefaultRootWindow(x_.get());
        XSetWindowBackground(x_.get(), root, kDesktopColour);
        XClearWindow(x_.get(), root);
        XSync(x_.get(), False);
    }
    void TearDown() override {
        x_.reset();
        SdlEngineTest::TearDown();
    }

    // The screen's pixel at a desktop position, 0xRRGGBB.
    unsigned long ScreenPixel(int x, int y) {
        XImage* image = XGetImage(x_.get(), DefaultRootWindow(x_.get()), x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image) return ~0ul;
        const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
        XDestroyImage(image);
        return pixel;
    }
    // The screen's pixel at a desktop position once `show` (called again each round) has
    // made it `expected`.
    template <typename Show>
    bool ScreenShows(int x, int y, unsigned long expected, unsigned long* seen, Show show) {
        return WaitUntil([&] {
            show();
            *seen = ScreenPixel(x, y);
            return *seen == expected;
        });
    }
    // The screen pixel at a client position of the engine's window, presenting the frame
    // again until it shows `expected` (the window maps and draws in its own time).
    bool ClientShows(int cx, int cy, unsigned long expected, unsigned long* seen) {
        const host::POINT at = ClientToDesktop(cx, cy);
        return WaitUntil([&] {
            orvik::PresentScreen();
            orvik::PumpMessages();
            *seen = ScreenPixel(at.x, at.y);
            return *seen == expected;
        });
    }
    static host::POINT ClientToDesktop(int cx, int cy) {
        host::POINT origin;
        host::ClientToScreen(orvik::GetAppWindowHandle(), &origin);
        return host::POINT{origin.x + cx, origin.y + cy};
    }
    // The top-level window under the pointer at a desktop position (0: the desktop).
    Window WindowUnderPointer(int x, int y) {
        const Window root = DefaultRootWindow(x_.get());
        XWarpPointer(x_.get(), None, root, 0, 0, 0, 0, x, y);
        XSync(x_.get(), False);
        Window rootReturn = 0, child = 0;
        int rx, ry, wx, wy;
        unsigned mask;
        XQueryPointer(x_.get(), root, &rootReturn, &child, &rx, &ry, &wx, &wy, &mask);
        return child;
    }
    // The shape's rectangles in window coordinates: their bounding box and total area.
    struct ShapeSummary {
        int count = 0, left = 0, top = 0, right = 0, bottom = 0;
        long area = 0;
    };
    ShapeSummary Shape(Window window) {
        int count = 0, ordering = 0;
        XRectangle* rects = XShapeGetRectangles(x_.get(), window, ShapeBounding, &count, &ordering);
        ShapeSummary s;
        s.count = count;
        for (int i = 0; i < count; ++i) {
            const XRectangle& r = rects[i];
            s.left = i ? std::min(s.left, int(r.x)) : r.x;
            s.top = i ? std::min(s.top, int(r.y)) : r.y;
            s.right = std::max(s.right, r.x + int(r.width));
            s.bottom = std::max(s.bottom, r.y + int(r.height));
            s.area += long(r.width) * long(r.height);
        }
        if (rects) XFree(rects);
        return s;
    }

    std::unique_ptr<Display, XDisplayCloser> x_;
};

TEST_F(SdlLayeredWindowTest, HolesShowTheDesktopAndPassThePointerThrough) {
    orvik::SetAppWindowTitle(kLayeredTitle);
    orvik::ChangeWindowMode(1);
    orvik::Window().settings.layered = 1;
    ASSERT_EQ(orvik::InitLibrary(), 0);
    ASSERT_EQ(orvik::SetDrawTarget(-2), 0);
    ASSERT_EQ(orvik::SetTransparentColor(255, 0, 255), 0);
    orvik::DrawFilledBox(0, 0, 640, 480, orvik::GetColorValue(255, 0, 255));
    orvik::DrawFilledBox(100, 100, 300, 200, orvik::GetColorValue(255, 0, 0));
    const std::string id = WaitForEngineWindow(kLayeredTitle);
    ASSERT_FALSE(id.empty());
    const Window window = Window(std::strtoul(id.c_str(), nullptr, 10));

    unsigned long seen = 0;
    EXPECT_TRUE(ClientShows(150, 150, 0xFF0000, &seen)) << std::hex << seen;
    // Inside the window's rectangle, where the picture has the transparent colour.
    EXPECT_TRUE(ClientShows(50, 50, kDesktopColour, &seen)) << std::hex << seen;
    EXPECT_TRUE(ClientShows(99, 150, kDesktopColour, &seen)) << std::hex << seen;
    EXPECT_TRUE(ClientShows(300, 199, kDesktopColour, &seen)) << std::hex << seen;

    // The window lies where the engine's window is, and its shape is the red box alone.
    host::RECT frame;
    host::GetWindowRect(orvik::GetAppWindowHandle(), &frame);
    const host::POINT client = ClientToDesktop(0, 0);
    const int ox = client.x - frame.left, oy = client.y - frame.top;
    Window child = 0;
    int wx = -1, wy = -1;
    XTranslateCoordinates(x_.get(), window, DefaultRootWindow(x_.get()), 0, 0, &wx, &wy, &child);
    EXPECT_EQ(wx, frame.left);
    EXPECT_EQ(wy, frame.top);
    const ShapeSummary shape = Shape(window);
    EXPECT_EQ(shape.left, 100 + ox);
    EXPECT_EQ(shape.top, 100 + oy);
    EXPECT_EQ(shape.right, 300 + ox);
    EXPECT_EQ(shape.bottom, 200 + oy);
    EXPECT_EQ(shape.area, 200L * 100L);

    // The pointer over the red box is over the window; over a hole, over the desktop.
    const host::POINT red = ClientToDesktop(150, 150), hole = ClientToDesktop(50, 50);
    EXPECT_EQ(WindowUnderPointer(red.x, red.y), window);
    EXPECT_NE(WindowUnderPointer(hole.x, hole.y), window);
    // Over the window the engine reads the pointer in client pixels, the frame rows of
    // the picture taken into account.
    WindowUnderPointer(red.x + 7, red.y + 3);
    int cx = -1, cy = -1;
    EXPECT_TRUE(WaitUntil([&] {
        orvik::PumpMessages();
        orvik::GetCursorClientPos(&cx, &cy);
        return cx == 157 && cy == 153;
    })) << cx << "," << cy;

    // A frame wholly of the transparent colour leaves nothing of the window.
    orvik::DrawFilledBox(0, 0, 640, 480, orvik::GetColorValue(255, 0, 255));
    EXPECT_TRUE(ClientShows(150, 150, kDesktopColour, &seen)) << std::hex << seen;
    EXPECT_EQ(Shape(window).count, 0);
    EXPECT_NE(WindowUnderPointer(red.x, red.y), window);

    EXPECT_EQ(orvik::EndLibrary(), 0);
}

// The stand-in's own call on a window of its own: the constant alpha weighs the window
// (over black, as no compositing manager runs here), and the position and size the call
// gives place the window.
TEST_F(SdlLayeredWindowTest, ConstantAlphaWeighsTheWindowAndTheCallPlacesIt) {
    host::WNDCLASSEXA wc;
    wc.lpfnWndProc = host::DefWindowProcA;
    wc.lpszClassName = "LayeredSdlProbe";
    ASSERT_NE(host::RegisterClassExA(&wc), 0);
    host::HWND window = host::CreateWindowExA(host::WS_EX_LAYERED, "LayeredSdlProbe", "Orvik Layered Call Probe",
                                              host::WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    host::ShowWindow(window, host::SW_SHOW);
    // Before its first picture the window shows nothing at all, no frame either.
    std::string id;
    ASSERT_TRUE(WaitUntil([&] {
        id = RunProgram({"xdotool", "search", "--name", "Orvik Layered Call Probe"});
        return !id.empty();
    }));
    EXPECT_EQ(Shape(Window(std::strtoul(id.c_str(), nullptr, 10))).count, 0);
    host::BITMAPINFO info;
    info.bmiHeader.biWidth = 100;
    info.bmiHeader.biHeight = -50;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    host::HBITMAP bitmap = host::CreateDIBSection(nullptr, &info, host::DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    auto* pixels = static_cast<uint32_t*>(bits);
    for (int i = 0; i < 100 * 50; ++i) pixels[i] = i % 100 < 50 ? 0xFFFF0000u : 0u;  // left half red
    host::HDC memory = host::CreateCompatibleDC(nullptr);
    host::SelectObject(memory, bitmap);

    host::POINT at{30, 40}, origin;
    host::SIZE size{100, 50};
    host::BLENDFUNCTION blend{host::AC_SRC_OVER, 0, 128, host::AC_SRC_ALPHA};
    const auto update = [&](host::HDC source) {
        const host::POINT* from = source ? &origin : nullptr;
        return host::UpdateLayeredWindow(window, nullptr, &at, &size, source, from, 0, &blend, host::ULW_ALPHA);
    };
    unsigned long seen = 0;
    EXPECT_TRUE(ScreenShows(40, 50, 0x800000, &seen, [&] { update(memory); })) << std::hex << seen;
    EXPECT_TRUE(ScreenShows(90, 50, kDesktopColour, &seen, [&] { update(memory); })) << std::hex << seen;
    EXPECT_NE(WindowUnderPointer(90, 50), WindowUnderPointer(40, 50));

    // Moved, at full weight, with the picture it has.
    at = host::POINT{200, 100};
    blend.SourceConstantAlpha = 255;
    EXPECT_TRUE(ScreenShows(210, 110, 0xFF0000, &seen, [&] { update(nullptr); })) << std::hex << seen;
    EXPECT_TRUE(ScreenShows(40, 50, kDesktopColour, &seen, [&] { update(nullptr); })) << std::hex << seen;
    host::RECT frame;
    host::GetWindowRect(window, &frame);
    EXPECT_EQ(frame.left, 200);
    EXPECT_EQ(frame.right, 300);
    EXPECT_EQ(frame.bottom, 150);
    // No weight at all: nothing of the window is left to see or to point at.
    blend.SourceConstantAlpha = 0;
    EXPECT_TRUE(ScreenShows(210, 110, kDesktopColour, &seen, [&] { update(nullptr); })) << std::hex << seen;
    EXPECT_EQ(WindowUnderPointer(210, 110), WindowUnderPointer(600, 600));

    host::SelectObject(memory, host::HBITMAP(nullptr));
    host::DeleteDC(memory);
    host::DeleteObject(bitmap);
    host::DestroyWindow(window);
    host::UnregisterClassA("LayeredSdlProbe", nullptr);
}

}  // namespace
}  // namespace orvik_test
