// The main window: its state, creation with the check for a second running copy, the
// window procedure, and destruction.
#pragma once
#include <array>
#include <cstdint>

#include "engine/platform/layered_window.h"
#include "host/win/region.h"
#include "host/win/types.h"

namespace orvik {

constexpr int kClickLogSize = 32;
constexpr int kChosenMenuIdCount = 64;

struct MouseClick {
    int32_t button = 0, x = 0, y = 0;
};

// Window options a caller may set before start-up; off by default and kept over the
// state reset of window creation.
struct WindowSettings {
    char title[256] = {};
    char className[256] = {};
    int32_t windowMode = 0;  // 1 window, 0 full screen
    int32_t runInBackground = 0;
    int32_t iconResource = 0;
    int32_t styleIndex = 0;  // 0 to 9
    double scaleX = 1.0, scaleY = 1.0;
    int32_t cursorClipOn = 0;
    host::HRGN region = nullptr;  // handed to the window when it is created
    int32_t menuAutoShowOff = 0;
    int32_t allowModeSwitch = 0;  // Alt+Enter switches between window and full screen
    void (*modeChangeCallback)(void* user) = nullptr;
    void* modeChangeUser = nullptr;
    int32_t imeInputOn = 0;
    int32_t layered = 0;  // frames reach the window through UpdateLayeredWindow
    int32_t codePage = -1;  // -1: chosen from the OEM code page at window creation
    int32_t charSet = 1;
};

// Everything else, cleared when the window is created.
struct WindowRuntime {
    host::HWND mainWindow = nullptr;
    host::HINSTANCE instance = nullptr;
    uint32_t mainThread = 0;
    int32_t active = 0;
    int32_t endFlag = 0;
    int32_t destroyed = 0;
    int32_t closePosted = 0;
    int32_t creating = 0;
    int32_t painting = 0;
    int32_t modeChanging = 0;
    int32_t displayChanged = 0;
    int32_t styleApplied = 0;
    host::RECT windowRect;
    host::RECT clientRect;
    int32_t leftFrame = 0;
    int32_t cursorShown = 0;
    int32_t cursorVisible = 0;
    int32_t compositionOff = 0;
    int32_t desktopWidth = 0, desktopHeight = 0, desktopBits = 0;
    std::array<MouseClick, kClickLogSize> clicks{};
    int32_t clickCount = 0;
    int32_t pumpGuard = 0;
    uint32_t timerPeriod = 0;     // the multimedia timer period begun at creation, 0 none
    int32_t screenSaverOff = 0;   // creation switched the screen saver off
    int32_t pendingModeSwitch = 0;
    int32_t cursorClipped = 0;
    int32_t menuHidden = 0;
    int32_t pointerNearTop = 0;
    uint32_t inactiveSince = 0;
    std::array<uint32_t, kChosenMenuIdCount> chosenMenuIds{};  // each id once, in the order chosen
    int32_t chosenMenuIdCount = 0;
    LayeredWindowState layered;
};

struct WindowState {
    WindowSettings settings;
    WindowRuntime rt;
};

WindowState& Window();
// Back to the state of a fresh program: settings at their defaults, no window (tests).
void ResetWindowState();

int CreateAppWindow();
int DestroyAppWindow();
host::LRESULT AppWindowProc(host::HWND window, uint32_t message, host::WPARAM wParam, host::LPARAM lParam);
// Activation changes, from WM_ACTIVATE and WM_ACTIVATEAPP.
void HandleActivation(host::WPARAM wParam);
int RepaintMainWindow(host::HDC dc);
void UpdateClientRect(host::LPARAM origin);

host::HWND GetAppWindowHandle();

}  // namespace orvik
