// Handles, message records and the numbers of window messages, flags and error codes,
// with the values the engine was designed against.
#pragma once
#include <cstdint>

namespace host {

struct WindowTag;
struct ModuleTag;
struct IconTag;
struct CursorTag;
struct DcTag;
struct MenuTag;
// Opaque handles: each holds an id into a table, never an address, so a stale handle is
// simply not found.
using HWND = WindowTag*;
using HMODULE = ModuleTag*;
using HINSTANCE = ModuleTag*;
using HICON = IconTag*;
using HCURSOR = CursorTag*;
using HDC = DcTag*;
using HMENU = MenuTag*;

using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using HRESULT = int32_t;
using BOOL = int32_t;

template <class H>
H HandleFromId(uintptr_t id) { return reinterpret_cast<H>(id); }
template <class H>
uintptr_t IdFromHandle(H h) { return reinterpret_cast<uintptr_t>(h); }

struct POINT { int32_t x = 0, y = 0; };
struct RECT { int32_t left = 0, top = 0, right = 0, bottom = 0; };

struct MSG {
    HWND hwnd = nullptr;
    uint32_t message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    uint32_t time = 0;
    POINT pt;
};

using WNDPROC = LRESULT (*)(HWND, uint32_t, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, uint32_t, uintptr_t, uint32_t);

constexpr uint16_t LOWORD(uintptr_t v) { return uint16_t(v & 0xFFFF); }
constexpr uint16_t HIWORD(uintptr_t v) { return uint16_t((v >> 16) & 0xFFFF); }
constexpr LPARAM MAKELPARAM(int lo, int hi) { return LPARAM(uint32_t(uint16_t(lo)) | (uint32_t(uint16_t(hi)) << 16)); }

// Window messages.
constexpr uint32_t WM_NULL = 0x0000, WM_CREATE = 0x0001, WM_DESTROY = 0x0002, WM_MOVE = 0x0003,
                   WM_SIZE = 0x0005, WM_ACTIVATE = 0x0006, WM_SETFOCUS = 0x0007,
                   WM_KILLFOCUS = 0x0008, WM_SETTEXT = 0x000C, WM_PAINT = 0x000F,
                   WM_CLOSE = 0x0010, WM_QUIT = 0x0012, WM_ERASEBKGND = 0x0014,
                   WM_SHOWWINDOW = 0x0018, WM_ACTIVATEAPP = 0x001C, WM_SETCURSOR = 0x0020,
                   WM_DISPLAYCHANGE = 0x007E, WM_NCCREATE = 0x0081, WM_NCDESTROY = 0x0082,
                   WM_NCHITTEST = 0x0084, WM_KEYDOWN = 0x0100, WM_KEYUP = 0x0101,
                   WM_CHAR = 0x0102, WM_SYSKEYDOWN = 0x0104, WM_SYSKEYUP = 0x0105,
                   WM_SYSCHAR = 0x0106, WM_IME_STARTCOMPOSITION = 0x010D,
                   WM_IME_ENDCOMPOSITION = 0x010E, WM_IME_COMPOSITION = 0x010F,
                   WM_COMMAND = 0x0111, WM_SYSCOMMAND = 0x0112, WM_TIMER = 0x0113,
                   WM_MOUSEMOVE = 0x0200, WM_LBUTTONDOWN = 0x0201, WM_LBUTTONUP = 0x0202,
                   WM_RBUTTONDOWN = 0x0204, WM_RBUTTONUP = 0x0205, WM_MBUTTONDOWN = 0x0207,
                   WM_MBUTTONUP = 0x0208, WM_MOVING = 0x0216, WM_DEVICECHANGE = 0x0219,
                   WM_DROPFILES = 0x0233,
                   WM_IME_SETCONTEXT = 0x0281, WM_IME_NOTIFY = 0x0282, MM_MCINOTIFY = 0x03B9,
                   WM_USER = 0x0400;

// WM_DEVICECHANGE's event: devices were added to or taken from the system.
constexpr WPARAM DBT_DEVNODES_CHANGED = 0x0007;

// Activation, sizing, hit tests, system commands.
constexpr uint16_t WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2;
constexpr WPARAM SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2;
constexpr LRESULT HTCLIENT = 1, HTMENU = 5;
constexpr WPARAM SC_MAXIMIZE = 0xF030, SC_CLOSE = 0xF060, SC_SCREENSAVE = 0xF140, SC_MONITORPOWER = 0xF170;

// PeekMessage.
constexpr uint32_t PM_NOREMOVE = 0, PM_REMOVE = 1;

// ShowWindow, SetWindowPos.
constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOW = 5, SW_MINIMIZE = 6, SW_RESTORE = 9;
constexpr uint32_t SWP_NOSIZE = 0x1, SWP_NOMOVE = 0x2, SWP_NOZORDER = 0x4, SWP_NOREDRAW = 0x8,
                   SWP_NOACTIVATE = 0x10, SWP_SHOWWINDOW = 0x40;
inline const HWND HWND_TOP = nullptr;
inline const HWND HWND_TOPMOST = HandleFromId<HWND>(uintptr_t(-1));
inline const HWND HWND_NOTOPMOST = HandleFromId<HWND>(uintptr_t(-2));
// As a parent: a window that only receives messages, never shown and needing no display.
inline const HWND HWND_MESSAGE = HandleFromId<HWND>(uintptr_t(-3));

// Window and class styles.
constexpr uint32_t WS_POPUP = 0x80000000u, WS_VISIBLE = 0x10000000u, WS_MINIMIZE = 0x20000000u,
                   WS_MAXIMIZE = 0x01000000u, WS_CAPTION = 0x00C00000u,
                   WS_SYSMENU = 0x00080000u, WS_THICKFRAME = 0x00040000u,
                   WS_MINIMIZEBOX = 0x00020000u, WS_MAXIMIZEBOX = 0x00010000u;
constexpr uint32_t WS_EX_TOPMOST = 0x8, WS_EX_ACCEPTFILES = 0x10, WS_EX_TOOLWINDOW = 0x80,
                   WS_EX_WINDOWEDGE = 0x100, WS_EX_CLIENTEDGE = 0x200,
                   WS_EX_LAYERED = 0x80000;
constexpr uint32_t CS_VREDRAW = 0x1, CS_HREDRAW = 0x2;
constexpr int GWL_EXSTYLE = -20, GWL_STYLE = -16, GCL_HICON = -14;

// Resources.
constexpr uintptr_t IDI_APPLICATION = 32512, IDC_ARROW = 32512;

// Metrics and device capabilities.
constexpr int SM_CXSCREEN = 0, SM_CYSCREEN = 1;
constexpr int HORZRES = 8, VERTRES = 10, BITSPIXEL = 12;

// System parameters.
constexpr uint32_t SPI_SETSCREENSAVEACTIVE = 0x0011, SPI_SETSCREENSAVERRUNNING = 0x0061,
                   SPI_GETFOREGROUNDLOCKTIMEOUT = 0x2000, SPI_SETFOREGROUNDLOCKTIMEOUT = 0x2001;
constexpr uint32_t SPIF_SENDCHANGE = 0x2;

// Result codes.
constexpr HRESULT S_OK = 0, S_FALSE = 1;
constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002u), E_POINTER = HRESULT(0x80004003u),
                  E_FAIL = HRESULT(0x80004005u), E_INVALIDARG = HRESULT(0x80070057u),
                  E_OUTOFMEMORY = HRESULT(0x8007000Eu),
                  REGDB_E_CLASSNOTREG = HRESULT(0x80040154u),
                  CO_E_NOTINITIALIZED = HRESULT(0x800401F0u);
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

}  // namespace host
