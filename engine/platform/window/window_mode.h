// Window mode and full screen, the window's size for the screen, the mouse cursor, the
// click log, and the optional menu bar and toolbar.
#pragma once
#include <orvik/platform.h>
#include <cstdint>

#include "host/win/system/types.h"

namespace orvik {

int SetWindowModeFlag(int windowMode);
int ChangeWindowStyle();
int AdjustWindowSize();
void BringWindowToFront(host::HWND window, int topmost);
void LogMouseClick(int button);
// The two style words of the style table entry for the current mode.
void WindowStyles(uint32_t* style, uint32_t* exStyle);
// The client size the window wants: the scaled screen (or the caller's fixed size in
// window mode) with the toolbar above it.
void ClientSizeForScreen(int* width, int* height);
// A screen side times a window scale (a scale not above 0 reads as 1), truncated and kept
// to what a window's side can be, so an absurd scale gives a huge window, not a wrapped size.
int ScaledWindowSide(int side, double scale);
// Where the outer rectangle goes: centred on the desktop, or the caller's fixed position.
void WindowOrigin(const host::RECT& outer, int desktopWidth, int desktopHeight, int* x, int* y);
// The user sized a resizable window: the picture is scaled to the new client area.
void AdoptUserWindowSize();

}  // namespace orvik
