// The main window's state, its creation with the check for a second running copy, its
// destruction, the accessors and the setters made before start-up.
#include "engine/platform/window/window.h"

#include <orvik/graphics.h>
#include <orvik/platform.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/mask/mask_screen.h"
#include "engine/platform/window/dropped_files.h"
#include "engine/platform/startup/library.h"
#include "engine/platform/base/log.h"
#include "engine/platform/window/message_pump.h"
#include "engine/platform/window/onscreen_log.h"
#include "engine/platform/base/random.h"
#include "engine/platform/startup/sysinfo.h"
#include "engine/platform/startup/system_libraries.h"
#include "engine/platform/input/text_input.h"
#include "engine/platform/input/system_key_hook.h"
#include "engine/platform/window/window_menu.h"
#include "engine/platform/window/window_mode.h"
#include "engine/platform/window/window_toolbar.h"
#include "host/clock.h"
#include "host/debug_output.h"
#include "host/sync.h"
#include "host/win/system/codepage.h"
#include "host/win/window/desktop.h"
#include "host/win/window/message_queue.h"
#include "host/win/window/window.h"

namespace orvik {

namespace {
using namespace host;

WindowState g_window;

constexpr const char* kDefaultClassName = "Q123987Z";
constexpr const char* kDefaultTitle = "Orvik";
// A clock that stands still (as the manual clock of tests does) must not keep the timer
// test from ending.
constexpr int kTimerTestMaxLoops = 100000;

// A longer text is cut to what the field holds.
void CopyText(char (&dest)[256], const char* text) {
    const size_t length = text ? std::min(std::strlen(text), sizeof dest - 1) : 0;
    if (length) std::memcpy(dest, text, length);
    dest[length] = '\0';
}

void LogMemory() {
    MEMORYSTATUSEX status;
    bool measured = false;
    if (OsVersionCode() >= kOsWin2000) {
        HMODULE kernel = LoadLibraryA("Kernel32.dll");
        auto query = reinterpret_cast<decltype(&GlobalMemoryStatusEx)>(GetProcAddress(kernel, "GlobalMemoryStatusEx"));
        measured = query && query(&status) && status.ullTotalPhys != 0;
        if (kernel) FreeLibrary(kernel);
    }
    if (!measured) GlobalMemoryStatusEx(&status);
    double total = double(status.ullTotalPhys) / 1048576.0, avail = double(status.ullAvailPhys) / 1048576.0;
    AddLogFormat("メモリ総量:%.2fMB  空きメモリ領域:%.2fMB ", total, avail);
    char line[64];
    std::snprintf(line, sizeof line, "%.2fMB\n", avail);
    OutputDebugStringA(line);
}

// Counts how often each clock changes value until one has changed 60 times or a second
// has passed, and keeps the finer one.
void TestTimers() {
    auto& info = SystemInfo();
    if (!info.performanceCounter) return;
    AddLogText("タイマーの精度を検査します\n");
    int mmCount = 0, pcCount = 0;
    uint32_t start = timeGetTime(), lastMm = start;
    int64_t lastPc = 0;
    QueryPerformanceCounter(&lastPc);
    for (int loops = 0; mmCount < 60 && pcCount < 60 && loops < kTimerTestMaxLoops; ++loops) {
        uint32_t mm = timeGetTime();
        int64_t pc = 0;
        QueryPerformanceCounter(&pc);
        if (mm != lastMm) ++mmCount, lastMm = mm;
        if (pc != lastPc) ++pcCount, lastPc = pc;
        if (mm - start >= 1000) break;
    }
    AddLogFormat("精度結果 更新回数 マルチメディアタイマー：%d  パフォーマンスカウンター：%d", mmCount, pcCount);
    AddLogText(" ");
    TIMECAPS caps;
    timeGetDevCaps(&caps, sizeof caps);
    if (mmCount > pcCount) {
        AddLogFormat("Multi Media Timer を使用します Timer 精度 : %d.00 ms ", int(caps.wPeriodMin));
        info.performanceCounter = 0;
    } else {
        AddLogFormat("パフォーマンスカウンターを使用します タイマー精度 : %lf KHz ", double(info.performanceFrequency) / 1000.0);
    }
    AddLogText(" ");
}

void ChooseCodePage() {
    auto& s = g_window.settings;
    if (s.codePage != -1) return;
    switch (GetOEMCP()) {
    case 932: s.codePage = 932, s.charSet = 1; break;
    case 936: s.codePage = 936, s.charSet = 4; break;
    case 949: s.codePage = 949, s.charSet = 2; break;
    case 950: s.codePage = 950, s.charSet = 3; break;
    default: s.codePage = 0, s.charSet = 1; break;
    }
}

HICON ClassIcon() {
    int number = g_window.settings.iconResource & 0xFFFF;
    return LoadIconA(g_window.rt.instance, uintptr_t(number ? number : 32512));
}

void RegisterWindowClass() {
    auto& w = g_window;
    WNDCLASSEXA wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = AppWindowProc;
    wc.hInstance = w.rt.instance;
    wc.hIcon = ClassIcon();
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = w.settings.className;
    AddLogText("ウインドウクラスを登録します... ");
    if (RegisterClassExA(&wc)) AddLogText("登録に成功しました\n");
    else w.rt.endFlag = 1;
}

HWND MakeWindow() {
    auto& w = g_window;
    uint32_t style, ex;
    WindowStyles(&style, &ex);
    if (!w.settings.windowMode) {
        int sw = 0, sh = 0;
        GetScreenSize(&sw, &sh);
        AddLogText("フルスクリーンモード用のウインドウを作成します\n");
        w.rt.cursorShown = 0;
        return CreateWindowExA(ex, w.settings.className, w.settings.title, style, 0, 0, sw, sh, nullptr, nullptr,
                               w.rt.instance, nullptr);
    }
    AddLogText("ウインドウモード起動用のウインドウを作成します\n");
    int cw = 0, ch = 0;
    ClientSizeForScreen(&cw, &ch);
    RECT r{0, 0, cw, ch};
    AdjustWindowRectEx(&r, style, 0, ex);
    w.rt.leftFrame = -r.left;
    int ow = r.right - r.left, oh = r.bottom - r.top;
    int x, y;
    WindowOrigin(r, w.rt.desktopWidth, w.rt.desktopHeight, &x, &y);
    w.rt.cursorShown = 1;
    // The menu bar comes with the window; the size is fitted to it once the window exists.
    w.rt.menuShown = w.settings.menu != nullptr;
    return CreateWindowExA(ex, w.settings.className, w.settings.title, style, x, y, ow, oh, nullptr, w.settings.menu,
                           w.rt.instance, nullptr);
}
}  // namespace

WindowState& Window() { return g_window; }

void ResetWindowState() { g_window = WindowState{}; }

HWND GetAppWindowHandle() { return g_window.rt.mainWindow; }

int CreateAppWindow() {
    auto& w = g_window;
    w.rt = WindowRuntime{};
    TakeUpdateLayeredWindow();
    ResetOnScreenLog();  // a restart begins with a fresh page (shutdown deleted the font)
    if (!w.settings.className[0]) CopyText(w.settings.className, w.settings.title[0] ? w.settings.title : kDefaultClassName);
    w.rt.instance = GetModuleHandleA(nullptr);
    w.rt.mainThread = GetCurrentThreadId();
    LogMemory();
    w.rt.desktopWidth = GetSystemMetrics(SM_CXSCREEN);
    w.rt.desktopHeight = GetSystemMetrics(SM_CYSCREEN);
    w.rt.desktopBits = GetDeviceCaps(GetDC(nullptr), BITSPIXEL);
    auto& info = SystemInfo();
    info.performanceCounter = QueryPerformanceFrequency(&info.performanceFrequency) && info.performanceFrequency != 0;
    TIMECAPS caps;
    if (timeGetDevCaps(&caps, sizeof caps) == 0 && timeBeginPeriod(caps.wPeriodMin) == 0) w.rt.timerPeriod = caps.wPeriodMin;
    TestTimers();
    SeedRandom(timeGetTime() & 0x7FFFFFFFu);
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 0, nullptr, SPIF_SENDCHANGE);
    w.rt.screenSaverOff = 1;
    ChooseCodePage();

    AddLogText("ソフトの二重起動検査... ");
    if (FindWindowA(w.settings.className, nullptr)) {
        AddLogText("二重起動されています、ソフトを終了します\n");
        // The player hears why the program ends at once, even with its log off.
        std::fprintf(stderr, "%s: another copy is already running\n", program_invocation_short_name);
        w.rt.endFlag = 1;
        return -1;
    }
    AddLogText("二重起動はされていませんでした\n");

    w.rt.creating = 1;
    RegisterWindowClass();
    if (!w.settings.title[0]) CopyText(w.settings.title, kDefaultTitle);
    HWND window = MakeWindow();
    if (!window) {
        AddLogText("ウインドウの作成に失敗しました\n");
        w.rt.endFlag = 1;
        w.rt.creating = 0;
        return -1;
    }
    w.rt.mainWindow = window;
    AddLogText("ウインドウの作成に成功しました\n");
    if (w.settings.menu) ListMenuItems(w.settings.menu);
    CreateAppToolbar();
    if (!w.settings.hidden) {
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
    }
    w.rt.closePosted = 0;
    w.rt.destroyed = 0;
    w.rt.active = 1;
    if (!w.settings.windowMode) {
        AddLogText("カーソルを不可視にしました\n");
        SetCursor(nullptr);
    }
    AddLogText("ＩＭＥを無効にしました\n");
    if (!w.settings.imeInputOn && Libraries().WINNLSEnableIME) Libraries().WINNLSEnableIME(window, 0);
    if (w.settings.windowMode) {
        RECT c;
        GetClientRect(window, &c);
        POINT tl{c.left, c.top}, br{c.right, c.bottom};
        ClientToScreen(window, &tl);
        ClientToScreen(window, &br);
        w.rt.clientRect = RECT{tl.x, tl.y, br.x, br.y};
    }
    SetCursorVisibility(w.rt.cursorShown);
    Library().shuttingDown = 0;
    BringWindowToTop(window);
    AdjustWindowSize();
    w.rt.creating = 0;
    return 0;
}

namespace {
// Creation turns the screen saver off and begins a timer period before it knows whether
// a window will exist; both are undone whether or not one was made.
void UndoCreationSettings() {
    auto& rt = g_window.rt;
    if (rt.screenSaverOff) SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 1, nullptr, SPIF_SENDCHANGE);
    rt.screenSaverOff = 0;
    if (rt.timerPeriod) timeEndPeriod(rt.timerPeriod);
    rt.timerPeriod = 0;
}
}  // namespace

int DestroyAppWindow() {
    auto& w = g_window;
    if (!w.rt.mainWindow) {
        UndoCreationSettings();
        return 0;
    }
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 1, nullptr, SPIF_SENDCHANGE);
    w.rt.screenSaverOff = 0;
    if (Libraries().WINNLSEnableIME) Libraries().WINNLSEnableIME(w.rt.mainWindow, 1);
    if (!w.rt.cursorVisible) {
        while (ShowCursor(1) < 0) {
        }
        PostMessageA(w.rt.mainWindow, WM_SETCURSOR, 0, 0);
        w.rt.cursorShown = 1;
        w.rt.cursorVisible = 1;
    }
    RemoveMenuBar();
    RemoveAppToolbar();
    RemoveSystemKeyHook();
    if (!w.rt.closePosted && !w.rt.destroyed) {
        w.rt.closePosted = 1;
        PostMessageA(w.rt.mainWindow, WM_CLOSE, 0, 0);
    }
    while (!w.rt.destroyed && PumpMessagesCore() == 0) {
    }
    UnregisterClassA(w.settings.className, w.rt.instance);
    DeleteAllKeyInputs();
    FreeDroppedFileNames();
    UndoCreationSettings();
    DeleteLayeredWindowBitmap();
    return 0;
}

int RepaintMainWindow(HDC) { return Library().shuttingDown ? 0 : -1; }

void UpdateClientRect(LPARAM origin) {
    auto& rt = g_window.rt;
    RECT c;
    GetClientRect(rt.mainWindow, &c);
    int x = int16_t(LOWORD(uintptr_t(origin))), y = int16_t(HIWORD(uintptr_t(origin)));
    rt.clientRect = RECT{x, y, x + c.right, y + c.bottom};
    if (!Graphics().up) return;
    // Drawing straight to the window follows it: the mask screen and the draw area are
    // set up again.
    if (Draw().drawTarget == kDrawTargetFrontBuffer) RenewMaskScreen();
    const DrawArea& a = Draw().area;
    SetDrawClipRect(a.given[0], a.given[1], a.given[2], a.given[3]);
}

int SetAppWindowTitle(const char* title) {
    CopyText(g_window.settings.title, title);
    if (g_window.rt.mainWindow) SetWindowTextA(g_window.rt.mainWindow, g_window.settings.title);
    return 0;
}

int SetMainWindowClassName(const char* name) {
    if (g_window.rt.mainWindow) {
        AddLogText("ウインドウ作成後はクラス名を変更できません in SetMainWindowClassName\n");
        return -1;
    }
    CopyText(g_window.settings.className, name);
    return 0;
}

int SetRunInBackground(int on) {
    g_window.settings.runInBackground = on;
    return 0;
}

int SetWindowIconResource(int resource) {
    g_window.settings.iconResource = resource;
    if (g_window.rt.mainWindow) SetClassLongA(g_window.rt.mainWindow, GCL_HICON, IdFromHandle(ClassIcon()));
    return 0;
}

int GetQuitFlag() { return g_window.rt.endFlag; }
int IsWindowMode() { return g_window.settings.windowMode; }
int IsMainWindowActive() { return g_window.rt.active; }
int GetRunInBackground() { return g_window.settings.runInBackground; }

int GetDesktopScreenInfo(int* width, int* height, int* colorBits) {
    bool measured = Library().initialised;
    if (width) *width = measured ? g_window.rt.desktopWidth : GetSystemMetrics(SM_CXSCREEN);
    if (height) *height = measured ? g_window.rt.desktopHeight : GetSystemMetrics(SM_CYSCREEN);
    if (colorBits) *colorBits = measured ? g_window.rt.desktopBits : GetDeviceCaps(GetDC(nullptr), BITSPIXEL);
    return 0;
}

}  // namespace orvik
