#include "engine/platform/window/window_mode.h"

#include <orvik/platform.h>

#include <algorithm>

#include "engine/graphics/device/graphics_system.h"
#include "engine/platform/startup/library.h"
#include "engine/platform/base/log.h"
#include "engine/platform/window/message_pump.h"
#include "engine/platform/startup/system_libraries.h"
#include "engine/platform/window/window.h"
#include "engine/platform/window/window_menu.h"
#include "engine/platform/window/window_toolbar.h"
#include "host/clock.h"
#include "host/sync.h"
#include "host/win/window/desktop.h"
#include "host/win/window/message_queue.h"
#include "host/win/window/window.h"

namespace orvik {

namespace {
using namespace host;

struct StyleRow {
    uint32_t style, exStyle;
};
constexpr uint32_t kCaptioned = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr uint32_t kEdges = WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE;
constexpr StyleRow kStyleTable[10] = {
    {kCaptioned, kEdges},
    {WS_POPUP | WS_SYSMENU, kEdges},
    {WS_POPUP | WS_SYSMENU, 0},
    {kCaptioned, WS_EX_TOOLWINDOW},
    {WS_POPUP | WS_SYSMENU, WS_EX_TOOLWINDOW},
    {WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_WINDOWEDGE},
    {kCaptioned, kEdges},
    {kCaptioned | WS_MAXIMIZEBOX, kEdges},
    {kCaptioned | WS_MAXIMIZEBOX | WS_MAXIMIZE, kEdges},
    {kCaptioned, WS_EX_WINDOWEDGE},
};

// How long a mode switch waits for the display to report its new mode.
constexpr uint32_t kDisplayChangeWaitMs = 2000;

double Scale(double v) { return v > 0 ? v : 1.0; }

// X11 keeps a window's sides in 16 bits; larger sizes cannot be shown anyway.
constexpr double kMaxWindowSide = 32767;


void ReadClientRect() {
    auto& rt = Window().rt;
    RECT c;
    GetClientRect(rt.mainWindow, &c);
    POINT tl{c.left, c.top}, br{c.right, c.bottom};
    ClientToScreen(rt.mainWindow, &tl);
    ClientToScreen(rt.mainWindow, &br);
    rt.clientRect = RECT{tl.x, tl.y, br.x, br.y};
}

// Logs `logText` and gives the main window the styles of the current mode.
void Restyle(const char* logText, uint32_t* style, uint32_t* ex) {
    AddLogText(logText);
    WindowStyles(style, ex);
    SetWindowLongA(Window().rt.mainWindow, GWL_EXSTYLE, int32_t(*ex));
    SetWindowLongA(Window().rt.mainWindow, GWL_STYLE, int32_t(*style));
}

void ApplyFullScreenStyle() {
    auto& rt = Window().rt;
    uint32_t style, ex;
    Restyle("ウインドウスタイルをフルスクリーンモード用に変更します... ", &style, &ex);
    int w = 0, h = 0;
    GetScreenSize(&w, &h);
    rt.clientRect = RECT{0, 0, w, h};
    if (!Window().settings.hidden) ShowWindow(rt.mainWindow, SW_SHOW);
    UpdateWindow(rt.mainWindow);
    SetWindowPos(rt.mainWindow, HWND_TOPMOST, 0, 0, w, h, SWP_NOREDRAW);
    SetCursorVisibility(0);
}

void ApplyWindowStyle() {
    auto& rt = Window().rt;
    uint32_t style, ex;
    Restyle("ウインドウスタイルをウインドウモード用に変更します... ", &style, &ex);
    int cw, ch;
    ClientSizeForScreen(&cw, &ch);
    RECT r{0, 0, cw, ch};
    AdjustWindowRectEx(&r, style, GetMenu(rt.mainWindow) != nullptr, ex);
    int ow = r.right - r.left, oh = r.bottom - r.top;
    int x, y;
    WindowOrigin(r, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), &x, &y);
    rt.ownResize = 1;
    SetWindowPos(rt.mainWindow, HWND_NOTOPMOST, x, y, ow, oh, 0);
    SetWindowPos(rt.mainWindow, nullptr, x, y, ow, oh, SWP_NOZORDER);
    rt.ownResize = 0;
    ReadClientRect();
    // The client area must start on the desktop, unless the caller fixed the position.
    if (!Window().settings.fixedPosition && (rt.clientRect.left < 0 || rt.clientRect.top < 0)) {
        if (rt.clientRect.left < 0) x -= rt.clientRect.left;
        if (rt.clientRect.top < 0) y -= rt.clientRect.top;
        SetWindowPos(rt.mainWindow, nullptr, x, y, ow, oh, SWP_NOZORDER);
        ReadClientRect();
    }
    SetCursorVisibility(1);
}

void WaitForDisplayChange() {
    auto& rt = Window().rt;
    uint32_t start = timeGetTime();
    while (PumpMessagesCore() == 0 && !rt.displayChanged) {
        if (timeGetTime() - start >= kDisplayChangeWaitMs) {
            AddLogText("画面モードの変更の通知がありませんでした\n");
            return;
        }
        Sleep(1);
    }
}
}  // namespace

void WindowStyles(uint32_t* style, uint32_t* exStyle) {
    auto& s = Window().settings;
    const uint32_t layered = s.layered ? WS_EX_LAYERED : 0;
    if (!s.windowMode) {
        *style = WS_POPUP;
        *exStyle = WS_EX_TOPMOST | layered;
        return;
    }
    int index = s.styleIndex >= 0 && s.styleIndex < 10 ? s.styleIndex : 0;
    *style = kStyleTable[index].style | (s.resizableFrame ? WS_THICKFRAME : 0);
    *exStyle = kStyleTable[index].exStyle | layered;
}

void ClientSizeForScreen(int* width, int* height) {
    auto& s = Window().settings;
    int w = 0, h = 0;
    GetScreenSize(&w, &h);
    double sx = 1.0, sy = 1.0;
    GetWindowScale(&sx, &sy);
    bool fixed = s.windowMode && s.fixedClientWidth > 0 && s.fixedClientHeight > 0;
    *width = fixed ? s.fixedClientWidth : ScaledWindowSide(w, sx);
    *height = (fixed ? s.fixedClientHeight : ScaledWindowSide(h, sy)) + GetToolbarHeight();
}

int ScaledWindowSide(int side, double scale) {
    return int(std::clamp(side * Scale(scale), 0.0, kMaxWindowSide));
}

void WindowOrigin(const RECT& outer, int desktopWidth, int desktopHeight, int* x, int* y) {
    auto& s = Window().settings;
    if (s.fixedPosition) {
        *x = s.positionX;
        *y = s.positionY;
        return;
    }
    *x = outer.left + (desktopWidth - (outer.right - outer.left)) / 2;
    *y = outer.top + (desktopHeight - (outer.bottom - outer.top)) / 2;
}

void AdoptUserWindowSize() {
    auto& w = Window();
    int sw = 0, sh = 0;
    GetScreenSize(&sw, &sh);
    RECT c;
    if (!GetClientRect(w.rt.mainWindow, &c)) return;
    int pictureHeight = c.bottom - GetToolbarHeight();
    if (sw <= 0 || sh <= 0 || c.right <= 0 || pictureHeight <= 0) return;
    w.settings.scaleX = double(c.right) / sw;
    w.settings.scaleY = double(pictureHeight) / sh;
    ReadClientRect();
}

int ChangeWindowMode(int windowMode) {
    auto& w = Window();
    windowMode = windowMode ? 1 : 0;
    AddLogText("ChangeWindowMode実行 \n");
    if (w.settings.windowMode == windowMode) return 0;
    if (!windowMode && w.rt.mainWindow) {
        int sw = 0, sh = 0;
        GetScreenSize(&sw, &sh);
        bool emulated = sw == 320 && sh == 240 && !Graphics().useSoftware;
        if (!emulated && !IsScreenSizeListed(sw, sh)) return -1;
        if (sw == 320 && sh == 240) {
            Graphics().screen = ScreenSettings{640, 480, Graphics().screen.depth, Graphics().screen.refreshRate, 1, 0};
        }
    }
    w.rt.styleApplied = 0;
    w.rt.displayChanged = 0;
    SetWindowModeFlag(windowMode);
    if (!w.rt.mainWindow) return 0;
    w.rt.modeChanging = 1;
    ChangeWindowStyle();
    int result = ChangeScreenMode(-1, -1, -1, 1, -1);
    WaitForDisplayChange();
    w.rt.modeChanging = 0;
    if (!windowMode) w.rt.pointerNearTop = 0;
    return result;
}

int SetWindowModeFlag(int windowMode) {
    Window().settings.windowMode = windowMode;
    AddLogText(windowMode ? "ウインドウモードフラグが立てられました\n" : "ウインドウモードフラグが倒されました\n");
    AttachMenuBar(windowMode != 0);
    return 0;
}

int ChangeWindowStyle() {
    auto& rt = Window().rt;
    if (!rt.mainWindow) return 0;
    if (Window().settings.windowMode) ApplyWindowStyle();
    else ApplyFullScreenStyle();
    rt.styleApplied = 1;
    AddLogText("完了\n");
    SetActiveWindow(rt.mainWindow);
    PostMessageA(rt.mainWindow, WM_SETCURSOR, 0, 0);
    return 0;
}

int AdjustWindowSize() {
    auto& w = Window();
    if (!w.rt.mainWindow) return 0;
    int cw, ch;
    ClientSizeForScreen(&cw, &ch);
    RECT outer, client;
    GetWindowRect(w.rt.mainWindow, &outer);
    GetClientRect(w.rt.mainWindow, &client);
    int frameW = (outer.right - outer.left) - client.right;
    int frameH = (outer.bottom - outer.top) - client.bottom;
    w.rt.ownResize = 1;
    MoveWindow(w.rt.mainWindow, outer.left, outer.top, cw + frameW, ch + frameH, 1);
    w.rt.ownResize = 0;
    ReadClientRect();
    if (w.settings.windowMode && !w.rt.styleApplied) ChangeWindowStyle();
    return 0;
}

int SetWindowScale(double x, double y) {
    auto& s = Window().settings;
    s.scaleX = x;
    s.scaleY = y;
    if (Window().rt.mainWindow && s.windowMode) AdjustWindowSize();
    return 0;
}

double GetWindowScale(double* x, double* y) {
    auto& s = Window().settings;
    double sx = 1.0, sy = 1.0;
    if (s.windowMode) {
        s.scaleX = sx = Scale(s.scaleX);
        s.scaleY = sy = Scale(s.scaleY);
    }
    if (x) *x = sx;
    if (y) *y = sy;
    return sx;
}

int GetClientScreenRect(int32_t* rect) {
    if (!rect) return -1;
    const RECT& c = Window().rt.clientRect;
    // The picture lies below the toolbar, which takes the top of the client area.
    rect[0] = c.left;
    rect[1] = c.top + GetToolbarHeight();
    rect[2] = c.right;
    rect[3] = c.bottom;
    return 0;
}

int EnableDesktopComposition(int on) {
    auto& rt = Window().rt;
    int wanted = on ? 1 : 0;
    if (wanted != (rt.compositionOff ? 0 : 1) && Libraries().DwmEnableComposition) {
        Libraries().DwmEnableComposition(uint32_t(wanted));
        rt.compositionOff = !wanted;
    }
    return 0;
}

void BringWindowToFront(HWND window, int topmost) {
    HWND fore = GetForegroundWindow();
    uint32_t mine = GetWindowThreadProcessId(window), theirs = GetWindowThreadProcessId(fore);
    AttachThreadInput(mine, theirs, 1);
    uint32_t timeout = 0;
    SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0);
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
    SetForegroundWindow(window);
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<void*>(uintptr_t(timeout)), 0);
    AttachThreadInput(mine, theirs, 0);
    if (topmost) SetWindowPos(Window().rt.mainWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW);
}

int SetCursorVisibility(int shown) {
    auto& rt = Window().rt;
    if (shown != -1) rt.cursorShown = shown ? 1 : 0;
    int visible = rt.cursorShown == 1 || ShouldShowMenu();
    if (shown != -1 && visible == rt.cursorVisible) return 0;
    if (visible) {
        while (ShowCursor(1) < 0) {
        }
    } else {
        while (ShowCursor(0) >= 0) {
        }
    }
    if (rt.mainWindow) PostMessageA(rt.mainWindow, WM_SETCURSOR, 0, 0);
    rt.cursorVisible = visible;
    return 0;
}

int GetCursorClientPos(int* x, int* y) {
    auto& w = Window();
    POINT p;
    GetCursorPos(&p);
    int cx = p.x, cy = p.y;
    if (w.settings.windowMode) {
        double sx, sy;
        GetWindowScale(&sx, &sy);
        cx = int((p.x - w.rt.clientRect.left) / sx);
        cy = int((p.y - w.rt.clientRect.top - GetToolbarHeight()) / sy);
    }
    if (x) *x = cx;
    if (y) *y = cy;
    return 0;
}

void LogMouseClick(int button) {
    auto& rt = Window().rt;
    if (rt.clickCount >= kClickLogSize) return;
    int x = 0, y = 0;
    GetCursorClientPos(&x, &y);
    rt.clicks[size_t(rt.clickCount++)] = MouseClick{button, x, y};
}

int GetMouseClickLog(int32_t* buttons, int32_t* xs, int32_t* ys, int max) {
    auto& rt = Window().rt;
    int n = rt.clickCount < max ? rt.clickCount : max;
    for (int i = 0; i < n; ++i) {
        if (buttons) buttons[i] = rt.clicks[size_t(i)].button;
        if (xs) xs[i] = rt.clicks[size_t(i)].x;
        if (ys) ys[i] = rt.clicks[size_t(i)].y;
    }
    return rt.clickCount;
}

}  // namespace orvik
