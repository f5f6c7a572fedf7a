// The desktop: its size and colour depth, the display modes it offers, device
// capabilities, system parameters and the mouse cursor. Tests set the desktop they want
// (a 24-bit desktop, a small one); the sdl backend sets the real one when it starts.
#pragma once
#include <vector>

#include "host/win/system/types.h"

namespace host {

struct DisplayMode {
    int32_t width = 0, height = 0, bits = 0, refresh = 0;
};

void SetDesktop(int width, int height, int bits);
void SetDisplayModes(const std::vector<DisplayMode>& modes);
void ResetDesktop();

// The desktop's own window: a fixed handle below every id a created window gets, never
// null (DirectSound's cooperative level is set on it).
HWND GetDesktopWindow();

int GetSystemMetrics(int index);
int GetDeviceCaps(HDC dc, int index);
// The n-th display mode; false past the end.
bool EnumDisplaySettingsA(int index, DisplayMode* mode);
constexpr int32_t DISP_CHANGE_SUCCESSFUL = 0, DISP_CHANGE_BADMODE = -2;
// Switches the display to a listed mode, or back to the desktop's own for null; every
// top-level window is told with WM_DISPLAYCHANGE (bits, and the size packed as WM_SIZE's).
int32_t ChangeDisplaySettingsA(const DisplayMode* mode, uint32_t flags);
// The mode the display shows now.
DisplayMode CurrentDisplayMode();

BOOL SystemParametersInfoA(uint32_t action, uint32_t param, void* value, uint32_t winIni);
// The screen saver's state as SPI_SETSCREENSAVEACTIVE left it (tests look at it).
bool IsScreenSaverActive();
// Whether SPI_SETSCREENSAVERRUNNING last set the screen saver as running (tests).
bool AreSystemKeysOff();

// The cursor: a display count that shows the cursor while it is 0 or more.
int ShowCursor(BOOL show);
HCURSOR SetCursor(HCURSOR cursor);
BOOL GetCursorPos(POINT* point);
BOOL SetCursorPos(int x, int y);
BOOL ClipCursor(const RECT* rect);
// The clip rectangle, false when the cursor is free.
bool GetCursorClip(RECT* rect);
void ResetCursor();

}  // namespace host
