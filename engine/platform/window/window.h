// The main window: its state, creation with the check for a second running copy, the
// window procedure, and destruction.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "engine/platform/window/layered_window.h"
#include "host/win/window/accelerator.h"
#include "host/win/window/hooks.h"
#include "host/win/window/region.h"
#include "host/win/system/types.h"

namespace orvik {

constexpr int kClickLogSize = 32;
constexpr int kChosenMenuIdCount = 64;
constexpr int kMenuTextBytes = 128;
constexpr int kToolbarButtonMax = 64;
constexpr int kToolbarSeparator = 3;  // the button kind of a separator
constexpr int kExtraWindowMax = 8;
constexpr int kKeyHookPathBytes = 260;

struct MouseClick {
    int32_t button = 0, x = 0, y = 0;
};

// One entry of the menu item list: where the item is and what it says.
struct MenuListEntry {
    host::HMENU menu = nullptr;
    int32_t position = 0;
    uint32_t id = 0;
    char text[kMenuTextBytes] = {};
};

struct ToolbarButtonSetting {
    int32_t id = 0;
    int32_t kind = 0;  // kToolbarSeparator for a gap between buttons
    int32_t disabled = 0;
    int32_t image = 0;  // the cell of the toolbar bitmap that is the button's picture
};

struct ToolbarButton {
    int32_t id = 0, kind = 0, disabled = 0, clicked = 0;
};

// Seen by the window before its procedure; non-zero swallows the message (result 0).
using MessageHook = int (*)(host::HWND window, uint32_t message, host::WPARAM wParam, host::LPARAM lParam);
using ActivationCallback = void (*)(int active, void* user);
using MenuCallback = void (*)(const char* itemText, int id, void* user);

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
    host::HMENU menu = nullptr;  // the menu bar; the window destroys it when it goes
    int32_t menuAlwaysShow = 0;  // shown in full screen too, wherever the pointer is
    MenuCallback menuCallback = nullptr;
    void* menuUser = nullptr;
    std::vector<ToolbarButtonSetting> toolbarButtons;  // a toolbar is made when there are any
    host::HBITMAP toolbarBitmap = nullptr;  // the buttons' pictures side by side; the caller keeps it
    int32_t hidden = 0;
    int32_t fixedClientWidth = 0, fixedClientHeight = 0;  // window mode; 0: the scaled screen
    int32_t fixedPosition = 0, positionX = 0, positionY = 0;  // the outer top-left corner
    int32_t resizableFrame = 0;  // the user's size sets the window scale
    host::HACCEL accelerator = nullptr;
    host::HWND modelessDialog = nullptr;
    std::array<host::HWND, kExtraWindowMax> extraWindows{};  // pumped along with the main window
    int32_t extraWindowCount = 0;
    MessageHook messageHook = nullptr;
    ActivationCallback activationCallback = nullptr;
    void* activationUser = nullptr;
    char keyHookLibrary[kKeyHookPathBytes] = {};  // loaded while the window is active
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
    int32_t menuShown = 0;  // the menu bar is attached
    std::vector<MenuListEntry> menuItems;
    host::HWND toolbar = nullptr;
    std::array<ToolbarButton, kToolbarButtonMax> toolbarButtons{};
    int32_t toolbarButtonCount = 0;
    int32_t ownResize = 0;  // the engine itself is sizing the window
    host::HMODULE keyHookModule = nullptr;
    host::HHOOK keyHook = nullptr;
    int32_t systemKeysOff = 0;  // the older systems' stand-in for the hook is on
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
