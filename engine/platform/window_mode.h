// Window mode and full screen, the window's size for the screen, the mouse cursor, the
// click log, and the optional menu bar and toolbar.
#pragma once
#include <cstdint>

#include "host/win/types.h"

namespace orvik {

int SetWindowModeFlag(int windowMode);
int ChangeWindowStyle();
int AdjustWindowSize();
int EnableDesktopComposition(int on);
void BringWindowToFront(host::HWND window, int topmost);
int SetCursorVisibility(int shown);
void LogMouseClick(int button);
// The click log: count out, entries copied into `out` (up to 32). The count.
int GetMouseClickLog(int32_t* buttons, int32_t* xs, int32_t* ys, int max);
// The client area below the toolbar, in screen coordinates: left, top, right, bottom.
int GetClientScreenRect(int32_t* rect);
// The two style words of the style table entry for the current mode.
void WindowStyles(uint32_t* style, uint32_t* exStyle);
// The client size the window wants: the scaled screen (or the caller's fixed size in
// window mode) with the toolbar above it.
void ClientSizeForScreen(int* width, int* height);
// Where the outer rectangle goes: centred on the desktop, or the caller's fixed position.
void WindowOrigin(const host::RECT& outer, int desktopWidth, int desktopHeight, int* x, int* y);
// The user sized a resizable window: the picture is scaled to the new client area.
void AdoptUserWindowSize();

}  // namespace orvik
