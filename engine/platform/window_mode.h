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
int GetClientScreenRect(int32_t* rect);
int ShouldShowMenu();
void AutoShowMenuInFullScreen();
int GetToolbarHeight();
// The two style words of the style table entry for the current mode.
void WindowStyles(uint32_t* style, uint32_t* exStyle);

}  // namespace orvik
