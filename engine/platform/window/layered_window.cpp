#include "engine/platform/window/layered_window.h"

#include <algorithm>

#include "engine/graphics/images/base_image.h"
#include "engine/graphics/handles/graph_load.h"
#include "engine/graphics/images/pixel_convert.h"
#include "engine/platform/base/log.h"
#include "engine/platform/startup/sysinfo.h"
#include "engine/platform/window/window.h"
#include "host/font/gdi_font.h"
#include "host/win/system/modules.h"
#include "host/win/window/window.h"

namespace orvik {

namespace {
using namespace host;

LayeredWindowState& State() { return Window().rt.layered; }

bool UsableImage(const BaseImage& image) {
    const int bytes = image.format.bytesPerPixel;
    return image.pixels && image.width > 0 && image.height > 0 && image.format.compression == kCompressionNone &&
           bytes >= 2 && bytes <= 4 && image.pitch >= image.width * bytes;
}

// The frame around the client area: the bitmap covers it too, so the image shows exactly
// over the client area (and the cursor's client coordinates stay those of the image),
// and the picture is as large as the window, which UpdateLayeredWindow would otherwise
// resize to it every frame.
struct FrameRoom {
    POINT offset;  // the client origin in the window
    SIZE extra;    // window size minus client size
};

FrameRoom FrameAround(HWND window) {
    RECT frame, client;
    POINT origin;
    if (!GetWindowRect(window, &frame) || !GetClientRect(window, &client) || !ClientToScreen(window, &origin))
        return FrameRoom{};
    const POINT offset{std::max(0, int(origin.x - frame.left)), std::max(0, int(origin.y - frame.top))};
    const SIZE extra{std::max(offset.x, int(frame.right - frame.left - client.right)),
                     std::max(offset.y, int(frame.bottom - frame.top - client.bottom))};
    return FrameRoom{offset, extra};
}

int MakeBitmap(int width, int height) {
    LayeredWindowState& s = State();
    if (s.dib && s.width == width && s.height == height) return 0;
    DeleteLayeredWindowBitmap();
    BITMAPINFO info;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    s.dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!s.dib) return AddLogText("レイヤードウインドウ用のビットマップの作成に失敗しました in UpdateLayeredMainWindow\n");
    s.bits = static_cast<uint32_t*>(bits);
    s.width = width;
    s.height = height;
    return 0;
}

uint32_t Premultiplied(uint32_t argb) {
    const uint32_t a = argb >> 24;
    if (a == 255) return argb;
    auto scale = [a](uint32_t c) { return (c * a + 127) / 255; };
    return a << 24 | scale(argb >> 16 & 255) << 16 | scale(argb >> 8 & 255) << 8 | scale(argb & 255);
}

// Older systems know only the colour key: the frame takes the key colour and the image
// keeps its colours. Newer ones take per-pixel alpha: the key colour of an image without
// alpha becomes a hole, and every pixel is premultiplied by its alpha.
void FillBitmap(const BaseImage& image, POINT offset, bool colourKeyOnly) {
    LayeredWindowState& s = State();
    const uint32_t trans = CreateSettings().transColor;
    std::fill(s.bits, s.bits + size_t(s.width) * size_t(s.height), colourKeyOnly ? trans : 0u);
    ColorFormat out;
    if (colourKeyOnly) FillXrgb32ColorFormat(&out);
    else FillArgb32ColorFormat(&out);
    const bool keyed = !colourKeyOnly && image.format.alphaWidth == 0;
    const uint32_t key = GetColorInBaseImageFormat(image.format, int(trans >> 16 & 255), int(trans >> 8 & 255),
                                                   int(trans & 255), 255);
    ConvertPixelFormatBlt(s.bits, s.width * 4, &out, image.pixels, image.pitch, &image.format, nullptr, 0, nullptr,
                          offset.x, offset.y, PixelRect{0, 0, image.width, image.height}, 0, keyed ? 1 : 0, key,
                          kDitherNone, 0, 0, 0, 0);
    if (colourKeyOnly) return;
    uint32_t* first = s.bits + size_t(s.width) * size_t(offset.y);
    std::transform(first, first + size_t(s.width) * size_t(image.height), first, Premultiplied);
}

int ShowBitmap(HWND window, bool colourKeyOnly) {
    LayeredWindowState& s = State();
    const uint32_t trans = CreateSettings().transColor;
    RECT frame;
    GetWindowRect(window, &frame);
    POINT position{frame.left, frame.top}, origin{};
    SIZE size{s.width, s.height};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    HDC windowDc = GetDC(window);
    HDC memory = CreateCompatibleDC(windowDc);
    HBITMAP before = SelectObject(memory, s.dib);
    const BOOL shown = s.update(window, GetDC(nullptr), &position, &size, memory, &origin,
                                RGB(trans >> 16, trans >> 8, trans), colourKeyOnly ? nullptr : &blend,
                                colourKeyOnly ? ULW_COLORKEY : ULW_ALPHA);
    SelectObject(memory, before);
    DeleteDC(memory);
    ReleaseDC(window, windowDc);
    return shown ? 0 : AddLogText("レイヤードウインドウの更新に失敗しました in UpdateLayeredMainWindow\n");
}

// A picture already drawn into a device context goes to the window as it is, keyed by
// the transparent colour; the window's own bitmap is not involved.
int ShowFromDc(HWND window, const BaseImage& image, HDC source) {
    const uint32_t trans = CreateSettings().transColor;
    RECT frame;
    GetWindowRect(window, &frame);
    POINT position{frame.left, frame.top}, origin{};
    SIZE size{image.width, image.height};
    const BOOL shown = State().update(window, GetDC(nullptr), &position, &size, source, &origin,
                                      RGB(trans >> 16, trans >> 8, trans), nullptr, ULW_COLORKEY);
    return shown ? 0 : AddLogText("レイヤードウインドウの更新に失敗しました in UpdateLayeredMainWindow\n");
}

}  // namespace

void TakeUpdateLayeredWindow() {
    HMODULE user32 = LoadLibraryA("User32.dll");
    State().update = reinterpret_cast<decltype(&host::UpdateLayeredWindow)>(GetProcAddress(user32, "UpdateLayeredWindow"));
    if (user32) FreeLibrary(user32);
}

int UpdateLayeredMainWindow(const BaseImage& image, HDC source) {
    HWND window = GetAppWindowHandle();
    if (!State().update || !window) return 0;
    if (source) return ShowFromDc(window, image, source);
    if (!UsableImage(image)) return AddLogText("レイヤードウインドウに渡された画像が不正です in UpdateLayeredMainWindow\n");
    const FrameRoom room = FrameAround(window);
    if (MakeBitmap(image.width + room.extra.cx, image.height + room.extra.cy) != 0) return -1;
    const bool colourKeyOnly = OsVersionCode() < kOsWinVista;
    FillBitmap(image, room.offset, colourKeyOnly);
    return ShowBitmap(window, colourKeyOnly);
}

void DeleteLayeredWindowBitmap() {
    LayeredWindowState& s = State();
    if (s.dib) host::DeleteObject(s.dib);
    s = LayeredWindowState{s.update};
}

}  // namespace orvik
