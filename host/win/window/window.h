// Window classes and windows: registration, creation and destruction, text, styles,
// position and size, visibility, activation and painting.
#pragma once
#include <string>

#include "host/win/system/types.h"

namespace host {

struct WNDCLASSEXA {
    uint32_t style = 0;
    WNDPROC lpfnWndProc = nullptr;
    HINSTANCE hInstance = nullptr;
    HICON hIcon = nullptr;
    HCURSOR hCursor = nullptr;
    uintptr_t hbrBackground = 0;
    const char* lpszMenuName = nullptr;
    const char* lpszClassName = nullptr;
    HICON hIconSm = nullptr;
};

struct PAINTSTRUCT {
    HDC hdc = nullptr;
    BOOL fErase = 0;
    RECT rcPaint;
};

uint16_t RegisterClassExA(const WNDCLASSEXA* wc);
BOOL UnregisterClassA(const char* className, HINSTANCE instance);
// True while a class of that name is registered in this process (tests look at it).
bool IsClassRegistered(const char* className);

HWND CreateWindowExA(uint32_t exStyle, const char* className, const char* title, uint32_t style,
                     int x, int y, int width, int height, HWND parent, HMENU menu,
                     HINSTANCE instance, void* param);
// Destroys the window's child windows first.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
// True when `window` lies (directly or further down) inside `parent`.
BOOL IsChild(HWND parent, HWND window);
HWND GetParent(HWND window);
// Finds a top-level window of the class (and title, when given). A window of another
// process that holds the class's instance lock is found too, as a handle that this
// process cannot use for anything else.
HWND FindWindowA(const char* className, const char* title);
LRESULT DefWindowProcA(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);
uint32_t GetWindowThreadProcessId(HWND window);

BOOL SetWindowTextA(HWND window, const char* text);
std::string GetWindowTitle(HWND window);
int32_t GetWindowLongA(HWND window, int index);
int32_t SetWindowLongA(HWND window, int index, int32_t value);
uintptr_t SetClassLongA(HWND window, int index, uintptr_t value);

BOOL AdjustWindowRectEx(RECT* rect, uint32_t style, BOOL menu, uint32_t exStyle);
BOOL GetWindowRect(HWND window, RECT* rect);
BOOL GetClientRect(HWND window, RECT* rect);
BOOL ClientToScreen(HWND window, POINT* point);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(HWND window, HWND after, int x, int y, int width, int height, uint32_t flags);

BOOL ShowWindow(HWND window, int command);
BOOL IsIconic(HWND window);
BOOL UpdateWindow(HWND window);
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);

HWND GetActiveWindow();
HWND GetForegroundWindow();
HWND SetActiveWindow(HWND window);
BOOL SetForegroundWindow(HWND window);
BOOL BringWindowToTop(HWND window);
BOOL AttachThreadInput(uint32_t attach, uint32_t to, BOOL on);

HMENU GetMenu(HWND window);
// Attaches (or with null detaches) a menu bar: the outer rectangle stays and the client
// area loses (or regains) the bar's height; the window gets WM_SIZE and WM_MOVE.
BOOL SetMenu(HWND window, HMENU menu);

HICON LoadIconA(HINSTANCE instance, uintptr_t resource);
HCURSOR LoadCursorA(HINSTANCE instance, uintptr_t resource);

// The application gains or loses the focus (the backend's window or a test): the active
// window gets WM_ACTIVATE and WM_ACTIVATEAPP as on a real desktop.
void SetApplicationFocus(bool focused);
// The backend's window was minimised or restored by the user.
void SetApplicationMinimized(bool minimized);
// The user asked to close the backend's window: WM_CLOSE is posted to the window it shows.
void RequestWindowClose();
// The backend's window was taken away under it (the display destroyed it): the window it
// shows is destroyed too, at once, with no close request the program could turn down.
void BackendWindowVanished();
// The top-level window the backend shows (the first visible one), or null.
HWND GetBackendWindow();

// Sends a message to every top-level window (display changes reach them all).
void SendToTopLevelWindows(uint32_t message, WPARAM wParam, LPARAM lParam);

// Makes every CreateWindowExA fail, as when the system is out of resources (tests).
void SetWindowCreationFails(bool fails);

// Drops every window and class of this process without messages (between tests).
void ResetWindows();

}  // namespace host
