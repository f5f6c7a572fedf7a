#include "engine/graphics/device/present.h"

#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/graphics/device/target_readback.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/startup/library.h"
#include "engine/platform/window/onscreen_log.h"
#include "engine/platform/startup/timing.h"
#include "engine/platform/window/window.h"
#include "engine/platform/window/window_mode.h"
#include "engine/platform/window/window_toolbar.h"
#include "engine/softrender/pipeline/memimg.h"
#include "engine/graphics/images/color_format.h"
#include "host/d3d9/device/device.h"
#include "host/ddraw/ddraw.h"
#include "host/gdi/dib_output.h"
#include "host/sync.h"
#include "host/win/window/message_queue.h"
#include "host/win/window/window.h"
#include <orvik/graphics.h>

namespace orvik {

using namespace host;

namespace {

constexpr int64_t kUnknownTargetMicros = 4000;
constexpr int64_t kWakeBeforeBlankMicros = 3000;
constexpr int64_t kAgreeMicros = 1000;
constexpr int kMeasureRounds = 60, kMeasureNeeded = 10;

int64_t Now() { return int64_t(GetNowMicroseconds(0)); }

bool FullScreen() { return Window().settings.windowMode == 0; }

void WaitBlank() {
    if (IDirectDraw7* dd = Graphics().dev.ddraw) dd->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
}

struct Presentation {
    RECT source;
    RECT dest;
    bool scaled = false;
};

// The part of the screen shown and where it goes in the window.
Presentation Layout() {
    const ScreenSettings& s = Graphics().screen;
    Presentation p;
    p.source = RECT{0, 0, s.width, s.height};
    if ((s.scale320 || s.scale320Fallback) && s.width == 640 && s.height == 480) {
        p.source = RECT{0, 0, 320, 240};
        p.scaled = true;
    }
    int w = s.width, h = s.height;
    if (!FullScreen() && !p.scaled) {
        w = ScaledWindowSide(s.width, Window().settings.scaleX);
        h = ScaledWindowSide(s.height, Window().settings.scaleY);
    }
    p.dest = RECT{0, 0, w, h};
    // A toolbar takes the top of the client area: the picture goes below it.
    if (int toolbar = GetToolbarHeight(); toolbar > 0 && !FullScreen()) {
        RECT client;
        GetClientRect(GetAppWindowHandle(), &client);
        p.dest = RECT{0, toolbar, w, client.bottom};
    }
    return p;
}

// The on-screen log is drawn over the finished frame with plain settings, whatever the
// game left set, and the game's settings are put back afterwards.
void DrawOnScreenLogOverFrame() {
    DrawSettings& ds = Draw();
    const DrawArea area = ds.area;
    const int mode = ds.blendMode, param = ds.blendParam;
    const uint32_t bright = ds.bright;
    int width = 0, height = 0;
    GetScreenSize(&width, &height);
    SetDrawClipRect(0, 0, width, height);
    SetBlendMode(0, 0);
    SetDrawBrightRGB(0xFFFFFF);
    DrawOnScreenLog();
    SetDrawClipRect(area.given[0], area.given[1], area.given[2], area.given[3]);
    SetBlendMode(mode, param);
    SetDrawBrightRGB(bright);
}

int PresentDevice(const RECT* rect, const RECT& mapped, const Presentation& p) {
    DeviceObjects& d = Graphics().dev;
    ScreenSettings& s = Graphics().screen;
    FlushVertexBatch();
    EndSceneIfBegun();
    if (PresentsThroughLayeredWindow()) {
        if (!Draw().noVBlankWait) WaitVerticalBlank();
        return PresentLayeredScreen();
    }
    if (d.subBackBuffer && FAILED(d.device->StretchRect(d.subBackBuffer, nullptr, d.backBuffer, nullptr, D3DTEXF_NONE)))
        return -1;
    if (!d.swapChain) return 0;
    int64_t start = Now();
    HRESULT hr;
    HWND window = GetAppWindowHandle();
    if (FullScreen() && !p.scaled) hr = d.swapChain->Present(nullptr, nullptr, window, nullptr, 0);
    else if (FullScreen()) hr = d.swapChain->Present(&p.source, &p.dest, window, nullptr, 0);
    else if (rect) hr = d.swapChain->Present(rect, &mapped, window, nullptr, 0);
    else {
        s.output = p.source;
        hr = d.swapChain->Present(&p.source, &p.dest, window, nullptr, 0);
    }
    if (FAILED(hr)) return -1;
    if (Window().settings.runInBackground && !Draw().noVBlankWait && Now() - start < 500) WaitVerticalBlank();
    return 0;
}

// A full-screen present may leave the back buffer undefined; drawing into the sub back
// buffer instead keeps the picture for the next frame.
void KeepScreenAcrossPresent() {
    if (FullScreen() && Graphics().direct3DMode) SwitchToSubBackBuffer();
}

int PresentSoftware(const RECT* rect, const Presentation& p) {
    GraphicsState& g = Graphics();
    MEMIMG* screen = g.softScreen;
    if (!screen || !IsMemImgValid(screen)) return 0;
    if (!Draw().noVBlankWait) WaitVerticalBlank();
    if (PresentsThroughLayeredWindow()) return PresentLayeredScreen();
    const ColorFormat* cf = screen->store->colorFormat;
    BITMAPINFO info;
    info.bmiHeader.biWidth = g.screen.width;
    info.bmiHeader.biHeight = -g.screen.height;
    info.bmiHeader.biBitCount = cf->bitDepth;
    info.bmiHeader.biCompression = BI_BITFIELDS;
    info.bmiColors[0] = cf->redMask;
    info.bmiColors[1] = cf->greenMask;
    info.bmiColors[2] = cf->blueMask;
    HWND window = GetAppWindowHandle();
    HDC dc = GetDC(window);
    const RECT& dst = p.dest;
    int lines = 0;
    if (!rect && !p.scaled && dst.right == g.screen.width && dst.bottom == g.screen.height) {
        g.screen.output = RECT{0, 0, g.screen.width, g.screen.height};
        lines = SetDIBitsToDevice(dc, 0, 0, UINT(g.screen.width), UINT(g.screen.height), 0, 0, 0,
                                  UINT(g.screen.height), screen->pixels, &info, DIB_RGB_COLORS);
    } else {
        RECT src = rect ? *rect : p.source;
        if (!rect) g.screen.output = p.source;
        lines = StretchDIBits(dc, dst.left, dst.top, dst.right - dst.left, dst.bottom - dst.top, src.left, src.top,
                              src.right - src.left, src.bottom - src.top, screen->pixels, &info, DIB_RGB_COLORS,
                              SRCCOPY);
    }
    ReleaseDC(window, dc);
    // Nothing reached the window (it has gone): the frame was not shown.
    return lines > 0 ? 0 : -1;
}

}  // namespace

int MeasureRefreshPeriod() {
    ScreenSettings& s = Graphics().screen;
    s.refreshPeriod = -1;
    if (IDirectDraw7* dd = Graphics().dev.ddraw) {
        dd->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
        int64_t previous = Now(), lastInterval = 0, sum = 0;
        int count = 0;
        for (int round = 0; round < kMeasureRounds; ++round) {
            dd->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
            int64_t now = Now(), interval = now - previous;
            int64_t diff = interval - lastInterval;
            if (diff > -kAgreeMicros && diff < kAgreeMicros) {
                ++count;
                sum += interval;
            } else {
                count = 0;
                sum = 0;
            }
            lastInterval = interval;
            previous = now;
            if (count == kMeasureNeeded) {
                s.refreshPeriod = sum / count;
                break;
            }
            host::Sleep(5);
        }
    }
    WaitVerticalBlank();
    return 0;
}

int WaitVerticalBlank() {
    ScreenSettings& s = Graphics().screen;
    int64_t target = s.refreshPeriod < 0 ? kUnknownTargetMicros : s.refreshPeriod - kWakeBeforeBlankMicros;
    auto passed = [&] { return Now() - int64_t(s.lastVBlank); };
    if (passed() < target) {
        host::Sleep(0);
        while (passed() < target) host::Sleep(1);
        WaitBlank();
        s.lastVBlank = uint64_t(Now());
    } else {
        WaitBlank();
        s.lastVBlank = uint64_t(Now());
        host::Sleep(0);
    }
    return 0;
}

int PresentScreenRect(const RECT* rect) {
    GraphicsState& g = Graphics();
    if (!Library().initialised || Window().rt.endFlag || !g.up) return -1;
    const ScreenSettings& s = g.screen;
    RECT mapped{};
    if (rect) {
        const RECT& o = s.output;
        mapped.left = rect->left * (o.right - o.left) / s.width + o.left;
        mapped.right = rect->right * (o.right - o.left) / s.width + o.left;
        mapped.top = rect->top * (o.bottom - o.top) / s.height + o.top;
        mapped.bottom = rect->bottom * (o.bottom - o.top) / s.height + o.top;
        if (mapped.left == mapped.right || mapped.top == mapped.bottom) return -1;
    }
    if (OnScreenLog().show) DrawOnScreenLogOverFrame();
    Presentation p = Layout();
    return g.direct3DMode ? PresentDevice(rect, mapped, p) : PresentSoftware(rect, p);
}

int PresentScreen() { return PresentScreenRect(nullptr); }

int PresentScreenPreserve() {
    KeepScreenAcrossPresent();
    return PresentScreenRect(nullptr);
}

int SetVBlankWaitFlag(int wait) {
    Draw().noVBlankWait = wait ? 0 : 1;
    return 0;
}

int GetVBlankWaitFlag() { return Draw().noVBlankWait ? 0 : 1; }

void FrontBufferTimerProc(HWND window, uint32_t, uintptr_t, uint32_t) {
    KillTimer(window, kFrontBufferTimerId);
    if (Draw().drawTarget != -4 || Graphics().drawTarget != -4 || PresentsThroughLayeredWindow()) return;
    KeepScreenAcrossPresent();
    PresentScreenRect(nullptr);
    SetTimer(window, kFrontBufferTimerId, kFrontBufferTimerMillis, &FrontBufferTimerProc);
}

}  // namespace orvik
