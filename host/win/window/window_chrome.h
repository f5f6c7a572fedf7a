// A window's menu bar and toolbar as the user sees and clicks them: the room they take
// above the picture, their pictures (the open drop-down lists included), and the pointer
// turned into the window messages a click on them sends: WM_COMMAND with a menu item's
// id, or the toolbar button's command. Coordinates are pixels of the window's whole
// picture, the menu bar's top-left corner at (0, 0).
#pragma once
#include "host/win/window/chrome_text.h"
#include "host/win/system/types.h"

namespace host {

// How much of the window's picture the menu bar and the toolbar take, top down.
struct ChromeBands {
    int menuBar = 0, toolbar = 0;
    int Total() const { return menuBar + toolbar; }
};
ChromeBands WindowChromeBands(HWND window);

// The window's picture is width x height pixels. Each answers true when the menu bar,
// a drop-down list or the toolbar took the event (the picture below does not see it).
// `changed`, when given, is set when the chrome's picture changed.
bool ChromePointerDown(HWND window, int x, int y, int width, int height, bool* changed = nullptr);
bool ChromePointerUp(HWND window, int x, int y, bool* changed = nullptr);
bool ChromePointerMove(HWND window, int x, int y, int width, int height, bool* changed = nullptr);
// A key as the menu sees it: its virtual key, pressed or released, with ALT held, and a
// repeat of a key held down.
struct ChromeKey {
    uint8_t vk = 0;
    bool down = false, alt = false, repeat = false;
};
// Works the menu from the keyboard as the system does: ALT pressed and released alone, or
// F10, lights the bar; the arrows move along the bar and through the lists, ENTER chooses,
// ESC closes a level, ALT with an access key opens that menu and the access key alone
// chooses in an open one. True when the menu took the key: it goes no further (a release
// still lets go of the key).
bool ChromeKeyEvent(HWND window, const ChromeKey& key, int width, int height, bool* changed = nullptr);
// True while a drop-down list is open.
bool ChromeMenuOpen();

// Draws the menu bar, the toolbar and the open drop-down lists; the canvas is the whole
// picture of the window and keeps alpha 0 where none of them lies.
void DrawWindowChrome(HWND window, ChromeCanvas& canvas);
// Closes every list and releases every button (between tests, and when the menu goes).
void ResetWindowChrome();

}  // namespace host
