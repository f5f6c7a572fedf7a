// Starting and stopping the engine, its main window and message pump, and the settings
// made before start-up.
#pragma once
#include <cstdint>

namespace orvik {

// Starts the engine: log, system libraries, main window, input, sound and graphics.
// 0, or -1 (a second copy runs, a 24-bit desktop, or a service failed to start).
int InitLibrary();
// Stops everything InitLibrary started, in order. 0.
int EndLibrary();
// Handles the main window's queued messages (at most five), waits while the window is
// inactive, and runs the per-frame housekeeping. -1 once the program is to end, else 0.
int PumpMessages();
// Logs the text, shuts the engine down and ends the process with exit code -1.
[[noreturn]] void ExitWithError(const char* text);
[[noreturn]] void ExitWithErrorFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Settings made before InitLibrary (they take effect at start-up).
int SetAppWindowTitle(const char* title);
// The window class name, which also keys the check for a second running copy.
int SetMainWindowClassName(const char* name);
int SetRunInBackground(int on);
int SetWindowIconResource(int resource);
// 1 keeps sound from starting: every sound, music and movie-sound call then returns -1.
// 0 (the default) starts it. Read at start-up. 0.
int SetNoSoundFlag(int noSound);
// 1 window, 0 full screen. -1 when full screen is asked for a size the display lacks.
int ChangeWindowMode(int windowMode);
// Scale of the window's client area against the screen (window mode only).
int SetWindowScale(double x, double y);

int GetQuitFlag();
int IsWindowMode();
int IsMainWindowActive();
int GetRunInBackground();
int IsWindowClosing();
double GetWindowScale(double* x, double* y);
int GetDesktopScreenInfo(int* width, int* height, int* colorBits);
// The cursor over the client area in screen-image pixels. 0.
int GetCursorClientPos(int* x, int* y);
// The client area in desktop coordinates (left, top, right, bottom), below the toolbar. 0.
int GetClientScreenRect(int32_t* rect);
// 1 shows the mouse cursor over the window, 0 hides it (it stays shown while the menu is). 0.
int SetCursorVisibility(int shown);
// The mouse presses logged since start-up (button 1 left, 2 right, 4 middle, at screen-image
// pixels), at most `max` of them; their count.
int GetMouseClickLog(int32_t* buttons, int32_t* xs, int32_t* ys, int max);
// Switches the desktop's composition on or off where the system has it. 0.
int EnableDesktopComposition(int on);

}  // namespace orvik
