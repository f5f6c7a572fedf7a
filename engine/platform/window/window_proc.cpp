// The main window's procedure: activation, painting, closing, display changes, mouse
// clicks, typed characters, the mode-switch keys and dropped files.
#include <orvik/platform.h>

#include <algorithm>

#include "engine/graphics/device/device_recreate.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/platform/window/dropped_files.h"
#include "engine/platform/input/ime.h"
#include "engine/platform/input/input.h"
#include "engine/platform/startup/library.h"
#include "engine/platform/base/log.h"
#include "engine/platform/network/network.h"
#include "engine/platform/startup/sysinfo.h"
#include "engine/platform/input/system_key_hook.h"
#include "engine/platform/input/text_input.h"
#include "engine/platform/window/window.h"
#include "engine/platform/window/window_menu.h"
#include "engine/platform/window/window_mode.h"
#include "engine/platform/window/window_toolbar.h"
#include "engine/sound/core/sound_system.h"
#include "host/dinput/key_codes.h"
#include "host/win/window/desktop.h"
#include "host/win/window/message_queue.h"
#include "host/win/window/region.h"
#include "host/win/window/window.h"

namespace orvik {

namespace {
using namespace host;

void PostCloseOnce() {
    auto& rt = Window().rt;
    if (rt.closePosted) return;
    rt.closePosted = 1;
    PostMessageA(rt.mainWindow, WM_CLOSE, 0, 0);
}

// A repaint answers the system at once instead of waiting for the next blank.
void PresentWithoutBlankWait(const RECT* rect) {
    int& noWait = Draw().noVBlankWait;
    const int saved = noWait;
    noWait = 1;
    PresentScreenRect(rect);
    noWait = saved;
}

void Paint(HWND window) {
    auto& rt = Window().rt;
    rt.painting = 1;
    PAINTSTRUCT ps;
    BeginPaint(window, &ps);
    // Before start-up ends the window stays black (the class has no background brush
    // and the backend starts black); afterwards the back buffer is shown again.
    if (Window().settings.windowMode && Library().initialised && Graphics().drawTarget == -2) PresentWithoutBlankWait(&ps.rcPaint);
    EndPaint(window, &ps);
    rt.painting = 0;
}

// With switching allowed, Alt+Enter and the maximise box ask the pump for the other mode;
// a key held down asks once.
bool AskForModeSwitch(bool firstPress) {
    auto& w = Window();
    if (!w.settings.allowModeSwitch) return false;
    if (firstPress) w.rt.pendingModeSwitch = 1;
    return true;
}

constexpr LPARAM kAltHeldBit = LPARAM(1) << 29, kRepeatBit = LPARAM(1) << 30;

void DisplayChanged(WPARAM bits, LPARAM size) {
    auto& w = Window();
    // A mode switch of our own waits for this message to know the display is ready.
    if (w.rt.modeChanging) {
        w.rt.displayChanged = 1;
        return;
    }
    if (!w.settings.windowMode) return;
    int newBits = int(bits), newW = LOWORD(uintptr_t(size)), newH = HIWORD(uintptr_t(size));
    int sw = 0, sh = 0;
    GetScreenSize(&sw, &sh);
    int depth = GetScreenColorBitDepth();
    if (newBits == depth && newW == sw && newH == sh) {
        w.rt.displayChanged = 1;
        return;
    }
    if (newBits == 24 || (newBits != depth && newBits == 8) || newW < sw || newH < sh) {
        AddLogText("復元関数が登録されていないためか画面が２４ビットカラーに変更されたため終了します\n");
        AddLogText("またはスクリーンが小さすぎるためか色ビット数の違いが大きいためか終了します\n");
        PostCloseOnce();
        return;
    }
    ResumeAllMovies();
    w.rt.displayChanged = 1;
}

void MouseMessage(uint32_t message) {
    if (message == WM_LBUTTONDOWN) LogMouseClick(1);
    if (message == WM_RBUTTONDOWN) LogMouseClick(2);
    if (message == WM_MBUTTONDOWN) LogMouseClick(4);
    if (Window().rt.cursorShown) return;
    SetCursor(nullptr);
    while (ShowCursor(0) >= 0) {
    }
}

void CharMessage(WPARAM code) {
    if (code == 10) code = 13;
    bool control = code == 1 || code == 3 || code == 8 || code == 9 || code == 13 || code == 16 || code == 22 ||
                   code == 24 || code == 27;
    if (code >= 32 || control) PushTypedByte(uint8_t(code));
}
}  // namespace

void HandleActivation(WPARAM wParam) {
    auto& w = Window();
    int wasActive = w.rt.active;
    w.rt.active = LOWORD(wParam) != 0;
    // The system keys are kept from the user only while the program has the focus.
    if (w.rt.active) InstallSystemKeyHook();
    else RemoveSystemKeyHook();
    if (w.rt.creating) return;
    bool windowMode = w.settings.windowMode != 0;
    if (w.rt.active) {
        NoteIMEActivation();
        RestoreDeviceOnActivation(HIWORD(wParam) != 0);
        if (windowMode || Library().initialised) {
            if (!w.settings.runInBackground || !windowMode) ResumeAllMovies();
            ReacquireInputDevices();
        }
    } else {
        if (!windowMode && (OsVersionCode() >= kOsWinVista || !Graphics().direct3DMode)) {
            ChangeDisplaySettingsA(nullptr, 0);
            ShowWindow(w.rt.mainWindow, SW_MINIMIZE);
        }
        if (!windowMode && HasFullScreenDirectDraw()) {
            if (w.rt.compositionOff) EnableDesktopComposition(1);
            PauseAllMovies();
        } else {
            if (!w.settings.runInBackground) PauseAllMovies();
            ReacquireInputDevices();
        }
        ClipCursor(nullptr);
        w.rt.cursorClipped = 0;
        RepaintMainWindow(GetDC(w.rt.mainWindow));
    }
    UpdateJoypadEffects();
    // A deactivation arrives twice (for the application and for the window): heard once.
    if (w.settings.activationCallback && w.rt.active != wasActive)
        w.settings.activationCallback(w.rt.active, w.settings.activationUser);
}

LRESULT AppWindowProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    auto& w = Window();
    if (w.settings.messageHook && w.settings.messageHook(window, message, wParam, lParam)) return 0;
    switch (message) {
    case WM_CREATE:
        // The window owns the region from here on: the setting must not hand it out twice.
        if (w.settings.region && SetWindowRgn(window, w.settings.region, 0)) w.settings.region = nullptr;
        return 0;
    case WM_DESTROY:
        AddLogText("ウインドウが破棄されようとしています\n");
        w.rt.destroyed = 1;
        PostQuitMessage(0);
        w.rt.endFlag = 1;
        AddLogText("ソフトを終了する準備が整いました\n");
        return 0;
    case WM_MOVE:
        GetWindowRect(window, &w.rt.windowRect);
        if (w.settings.windowMode && !w.rt.modeChanging) UpdateClientRect(lParam);
        return 0;
    case WM_SIZE:
        GetWindowRect(window, &w.rt.windowRect);
        if (wParam == SIZE_MAXIMIZED) return 0;
        // A resizable frame lets the user's size scale the picture; the engine's own
        // sizing, and every other window, is fitted to the screen again.
        if (w.settings.resizableFrame && wParam == SIZE_RESTORED && !w.rt.ownResize && !w.rt.creating && w.rt.mainWindow)
            AdoptUserWindowSize();
        else
            AdjustWindowSize();
        return 0;
    case WM_ACTIVATEAPP:
        if (wParam != 0) break;
        HandleActivation(0);
        return 0;
    case WM_ACTIVATE:
        HandleActivation(wParam);
        return 0;
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_CLOSE:
        AddLogText("ウインドウを閉じようとしています\n");
        DestroyWindow(w.rt.mainWindow);
        return 0;
    case WM_DISPLAYCHANGE:
        DisplayChanged(wParam, lParam);
        return 0;
    case WM_NCHITTEST:
        if (!w.settings.windowMode && Graphics().direct3DMode && int16_t(HIWORD(uintptr_t(lParam))) < 8) return HTMENU;
        break;
    case WM_SETCURSOR:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        MouseMessage(message);
        break;
    case WM_KEYDOWN:
        if (uint8_t code = EditKeyControlCode(uint32_t(wParam))) PushCharCode(code);
        return 0;
    case WM_CHAR:
        CharMessage(wParam);
        return 0;
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_ENDCOMPOSITION:
    case WM_IME_COMPOSITION:
    case WM_IME_SETCONTEXT:
    case WM_IME_NOTIFY:
        return HandleIMEMessage(window, message, wParam, lParam);
    case WM_COMMAND:
        // Menu and accelerator commands come without a control window; toolbar buttons
        // send their ids from 0x500 up.
        if (LOWORD(wParam) >= kToolbarCommandBase) HandleToolbarCommand(LOWORD(wParam));
        else if (lParam == 0) HandleMenuCommand(LOWORD(wParam));
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_RETURN && (lParam & kAltHeldBit) && AskForModeSwitch(!(lParam & kRepeatBit))) return 0;
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_SCREENSAVE || (wParam & 0xFFF0) == SC_MONITORPOWER) return 1;
        if ((wParam & 0xFFF0) == SC_MAXIMIZE && AskForModeSwitch(true)) return 0;
        break;
    case WM_DEVICECHANGE:
        // A pad plugged in after start-up is read from here on; the pads are listed again.
        if (wParam == DBT_DEVNODES_CHANGED) InitJoypad();
        return 1;
    case WM_DROPFILES:
        StoreDroppedFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_MOVING:
        if (!w.settings.windowMode && lParam) *reinterpret_cast<RECT*>(lParam) = w.rt.windowRect;
        return 1;
    case MM_MCINOTIFY:
        UpdateMidiMciPlayback();
        return 0;
    case 0x505:
        return HandleSocketMessage(wParam, lParam);
    case 0x46F:
        wParam == 1 ? SetInputMsgFlagAOn() : SetInputMsgFlagAOff();
        return 0;
    case 0x470:
        wParam == 1 ? SetInputMsgFlagBOn() : SetInputMsgFlagBOff();
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace orvik
