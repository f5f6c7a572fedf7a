#include "host/win/window/window.h"

#include <algorithm>
#include <cctype>

#include "host/backends/backend.h"
#include "host/win/window/chrome_layout.h"
#include "host/win/system/codepage.h"
#include "host/win/window/message_queue.h"
#include "host/sync.h"
#include "host/win/window/window_icon.h"
#include "host/win/window/window_state.h"

namespace host {

namespace detail {

WinState& Win() {
    static WinState state;
    return state;
}

std::string LowerName(const char* name) {
    std::string s = name ? name : "";
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

WindowRecord* FindWindowRecord(HWND window) {
    auto& w = Win();
    auto it = w.windows.find(IdFromHandle(window));
    return it == w.windows.end() ? nullptr : &it->second;
}

RECT FrameOf(uint32_t style, uint32_t exStyle, bool menu) {
    int border = 0, caption = 0;
    if ((style & WS_CAPTION) == WS_CAPTION) {
        border = 3;
        caption = (exStyle & WS_EX_TOOLWINDOW) ? 16 : 20;
    } else if (style & WS_THICKFRAME) {
        border = 4;
    }
    if (exStyle & WS_EX_CLIENTEDGE) border += 2;
    int top = border + caption + (menu ? kMenuBarHeight : 0);
    return RECT{-border, -top, border, border};
}

}  // namespace detail

using namespace detail;

namespace {
const HWND kForeignWindow = HandleFromId<HWND>(1);

WindowRecord* Live(HWND window) { return FindWindowRecord(window); }

// The backend's window shows the menu bar above the client area.
int MenuBarRoom(HWND window) { return GetMenu(window) ? kMenuBarHeight : 0; }

// A layered window's look is wholly its picture: the backend's window follows the style.
void TellBackendLayered(HWND window) {
    const bool layered = uint32_t(GetWindowLongA(window, GWL_EXSTYLE)) & WS_EX_LAYERED;
    if (const Backend* b = ActiveBackend(); b && b->set_window_layered) b->set_window_layered(layered);
}

void NotifyBackendTitle(const std::string& title) {
    if (const Backend* b = ActiveBackend()) b->set_window_title(Cp932ToUtf8(title).c_str());
}

// Size or position changed: WM_MOVE carries the client origin, WM_SIZE the client size.
void SendGeometry(HWND window, bool moved, bool sized) {
    RECT client;
    POINT origin;
    {
        std::lock_guard lock(Win().mutex);
        if (!Live(window)) return;
    }
    GetClientRect(window, &client);
    ClientToScreen(window, &origin);
    if (sized) {
        bool backend;
        {
            std::lock_guard lock(Win().mutex);
            backend = Win().backendWindow == window;
        }
        if (backend)
            if (const Backend* b = ActiveBackend()) b->set_window_size(client.right, client.bottom + MenuBarRoom(window));
        SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    }
    if (moved) SendMessageA(window, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
}

void SendActivation(HWND window, bool active, bool minimized, bool appChange) {
    if (!window) return;
    if (active) {
        if (appChange) SendMessageA(window, WM_ACTIVATEAPP, 1, 0);
        SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
    } else {
        if (appChange) SendMessageA(window, WM_ACTIVATEAPP, 0, 0);
        SendMessageA(window, WM_ACTIVATE, WPARAM(WA_INACTIVE) | (WPARAM(minimized ? 1 : 0) << 16), 0);
    }
}

// Moves the activation to `window` (null: none), telling the old and the new window.
void Activate(HWND window) {
    HWND old;
    {
        std::lock_guard lock(Win().mutex);
        auto& w = Win();
        old = w.active;
        if (old == window) return;
        w.active = window;
        if (window) w.lastActive = window;
    }
    if (old && IsWindow(old)) SendActivation(old, false, IsIconic(old), false);
    if (window) SendActivation(window, true, false, false);
}
}  // namespace

uint16_t RegisterClassExA(const WNDCLASSEXA* wc) {
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc || !*wc->lpszClassName) return 0;
    std::lock_guard lock(Win().mutex);
    auto key = LowerName(wc->lpszClassName);
    if (Win().classes.count(key)) return 0;
    Win().classes[key] = ClassRecord{wc->lpszClassName, wc->lpfnWndProc, wc->style,
                                     wc->hInstance, wc->hIcon, wc->hCursor};
    return uint16_t(0xC000 + Win().classes.size());
}

BOOL UnregisterClassA(const char* className, HINSTANCE) {
    std::lock_guard lock(Win().mutex);
    auto key = LowerName(className);
    auto& w = Win();
    if (!w.classes.count(key)) return 0;
    for (auto& [id, rec] : w.windows)
        if (LowerName(rec.className.c_str()) == key) return 0;  // still in use
    w.classes.erase(key);
    return 1;
}

bool IsClassRegistered(const char* className) {
    std::lock_guard lock(Win().mutex);
    return Win().classes.count(LowerName(className)) != 0;
}

HWND CreateWindowExA(uint32_t exStyle, const char* className, const char* title, uint32_t style,
                     int x, int y, int width, int height, HWND parent, HMENU menu, HINSTANCE,
                     void*) {
    // A top-level window needs a backend to show it; without one (no display and no
    // ORVIK_HOST) the creation fails and the backend selection has said why.
    if (!parent && !ActiveBackend()) return nullptr;
    HWND window;
    {
        std::lock_guard lock(Win().mutex);
        auto& w = Win();
        auto cls = w.classes.find(LowerName(className));
        if (cls == w.classes.end() || w.creationFails) return nullptr;
        // Even ids: a window's device context is its id with the low bit set.
        window = HandleFromId<HWND>(w.nextId);
        w.nextId += 2;
        WindowRecord rec;
        rec.className = cls->second.name;
        rec.title = title ? title : "";
        rec.proc = cls->second.proc;
        rec.style = style & ~WS_VISIBLE;
        rec.exStyle = exStyle;
        rec.rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
        rec.parent = parent;
        rec.menu = menu;
        rec.thread = GetCurrentThreadId();
        rec.topmost = (exStyle & WS_EX_TOPMOST) != 0;
        if (!parent) {
            bool held = false;
            for (auto& [id, other] : w.windows)
                held |= other.instanceLock && LowerName(other.className.c_str()) == cls->first;
            if (!held) rec.instanceLock = InstanceLock::Acquire(cls->second.name);
        }
        w.windows.emplace(IdFromHandle(window), std::move(rec));
    }
    if (SendMessageA(window, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    SendGeometry(window, true, true);  // a new window learns its size and place
    if (style & WS_VISIBLE) ShowWindow(window, SW_SHOW);
    return window;
}

BOOL DestroyWindow(HWND window) {
    std::vector<HWND> children;
    {
        std::lock_guard lock(Win().mutex);
        WindowRecord* rec = Live(window);
        if (!rec || rec->thread != GetCurrentThreadId()) return 0;
        for (auto& [id, other] : Win().windows)
            if (other.parent == window) children.push_back(HandleFromId<HWND>(id));
    }
    // Child windows go with their parent, before it.
    for (HWND child : children) DestroyWindow(child);
    SendMessageA(window, WM_DESTROY, 0, 0);
    SendMessageA(window, WM_NCDESTROY, 0, 0);
    bool wasBackend = false;
    {
        std::lock_guard lock(Win().mutex);
        auto& w = Win();
        if (w.active == window) w.active = nullptr;
        if (w.lastActive == window) w.lastActive = nullptr;
        wasBackend = w.backendWindow == window;
        if (wasBackend) w.backendWindow = nullptr;
        w.windows.erase(IdFromHandle(window));
    }
    if (wasBackend)
        if (const Backend* b = ActiveBackend()) b->close_window();
    return 1;
}

BOOL IsWindow(HWND window) {
    std::lock_guard lock(Win().mutex);
    return Live(window) != nullptr;
}

BOOL IsChild(HWND parent, HWND window) {
    std::lock_guard lock(Win().mutex);
    for (WindowRecord* rec = Live(window); rec && rec->parent; rec = Live(rec->parent))
        if (rec->parent == parent) return 1;
    return 0;
}

HWND GetParent(HWND window) {
    std::lock_guard lock(Win().mutex);
    WindowRecord* rec = Live(window);
    return rec ? rec->parent : nullptr;
}

HWND FindWindowA(const char* className, const char* title) {
    {
        std::lock_guard lock(Win().mutex);
        auto key = LowerName(className);
        for (auto& [id, rec] : Win().windows) {
            if (rec.parent) continue;
            if (className && LowerName(rec.className.c_str()) != key) continue;
            if (title && rec.title != title) continue;
            return HandleFromId<HWND>(id);
        }
    }
    // The backend chooses where the running-copy locks live when it starts, and a program's
    // first look for its own class comes before anything else has started it.
    if (className && ActiveBackend() && InstanceLock::HeldElsewhere(className)) return kForeignWindow;
    return nullptr;
}

LRESULT DefWindowProcA(HWND window, uint32_t message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_NCHITTEST:
        return HTCLIENT;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    default:
        return 0;
    }
}

LRESULT CallWindowProc(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc;
    {
        std::lock_guard lock(Win().mutex);
        WindowRecord* rec = Live(window);
        if (!rec) return 0;
        proc = rec->proc;
    }
    return proc(window, message, wParam, lParam);
}

uint32_t GetWindowThreadProcessId(HWND window) {
    std::lock_guard lock(Win().mutex);
    WindowRecord* rec = Live(window);
    return rec ? rec->thread : 0;
}

BOOL SetWindowTextA(HWND window, const char* text) {
    bool backend;
    std::string title = text ? text : "";
    {
        std::lock_guard lock(Win().mutex);
        WindowRecord* rec = Live(window);
        if (!rec) return 0;
        rec->title = title;
        backend = Win().backendWindow == window;
    }
    if (backend) NotifyBackendTitle(title);
    return 1;
}

std::string GetWindowTitle(HWND window) {
    std::lock_guard lock(Win().mutex);
    WindowRecord* rec = Live(window);
    return rec ? rec->title : std::string();
}

int32_t GetWindowLongA(HWND window, int index) {
    std::lock_guard lock(Win().mutex);
    WindowRecord* rec = Live(window);
    if (!rec) return 0;
    if (index == GWL_STYLE) return int32_t(rec->style | (rec->visible ? WS_VISIBLE : 0));
    if (index == GWL_EXSTYLE) return int32_t(rec->exStyle);
    return 0;
}

int32_t SetWindowLongA(HWND window, int index, int32_t value) {
    int32_t old;
    bool layeredChanged = false;
    {
        std::lock_guard lock(Win().mutex);
        WindowRecord* rec = Live(window);
        if (!rec) return 0;
        uint32_t* field = index == GWL_STYLE ? &rec->style : index == GWL_EXSTYLE ? &rec->exStyle : nullptr;
        if (!field) return 0;
        old = int32_t(*field);
        *field = uint32_t(value) & (index == GWL_STYLE ? ~WS_VISIBLE : ~0u);
        if (index == GWL_EXSTYLE) {
            rec->topmost = (*field & WS_EX_TOPMOST) != 0;
            layeredChanged = ((uint32_t(old) ^ *field) & WS_EX_LAYERED) && Win().backendWindow == window;
        }
    }
    if (layeredChanged) TellBackendLayered(window);
    return old;
}

uintptr_t SetClassLongA(HWND window, int index, uintptr_t value) {
    uintptr_t old;
    {
        std::lock_guard lock(Win().mutex);
        WindowRecord* rec = Live(window);
        if (!rec || index != GCL_HICON) return 0;
        auto it = Win().classes.find(LowerName(rec->className.c_str()));
        if (it == Win().classes.end()) return 0;
        old = IdFromHandle(it->second.icon);
        it->second.icon = HandleFromId<HICON>(value);
    }
    ShowClassIconOnBackend(window);
    return old;
}

BOOL AdjustWindowRectEx(RECT* rect, uint32_t style, BOOL menu, uint32_t exStyle) {
    if (!rect) return 0;
    RECT f = FrameOf(style, exStyle, menu != 0);
    rect->left += f.left;
    rect->top += f.top;
    rect->right += f.right;
    rect->bottom += f.bottom;
    return 1;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    std::lock_guard lock(Win().mutex);
    WindowRecord* rec = Live(window);
    if (!rec || !rect) return 0;
    *rect = rec->rect;
    return 1;
}

BOOL GetClientRect(HWND window, RECT* rect) {
    std::lock_guard lock(Win().mutex);
    WindowRecord* rec = Live(window);
    if (!rec || !rect) return 0;
    RECT f = FrameOf(rec->style, rec->exStyle, rec->menu != nullptr);
    int w = (rec->rect.right - f.right) - (rec->rect.left - f.left);
    int h = (rec->rect.bottom - f.bottom) - (rec->rect.top - f.top);
    *rect = RECT{0, 0, std::max(w, 0), std::max(h, 0)};
    return 1;
}

BOOL ClientToScreen(HWND window, POINT* point) {
    std::lock_guard lock(Win().mutex);
    WindowRecord* rec = Live(window);
    if (!rec || !point) return 0;
    RECT f = FrameOf(rec->style, rec->exStyle, rec->menu != nullptr);
    point->x += rec->rect.left - f.left;
    point->y += rec->rect.top - f.top;
    return 1;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(window, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL SetWindowPos(HWND window, HWND after, int x, int y, int width, int height, uint32_t flags) {
    bool moved = false, sized = false;
    {
        std::lock_guard lock(Win().mutex);
        WindowRecord* rec = Live(window);
        if (!rec) return 0;
        RECT r = rec->rect;
        if (!(flags & SWP_NOMOVE)) {
            moved = r.left != x || r.top != y;
            rec->rect.right = x + (r.right - r.left);
            rec->rect.bottom = y + (r.bottom - r.top);
            rec->rect.left = x;
            rec->rect.top = y;
        }
        if (!(flags & SWP_NOSIZE)) {
            sized = (r.right - r.left) != width || (r.bottom - r.top) != height;
            rec->rect.right = rec->rect.left + std::max(width, 0);
            rec->rect.bottom = rec->rect.top + std::max(height, 0);
        }
        if (!(flags & SWP_NOZORDER)) {
            if (after == HWND_TOPMOST) rec->topmost = true;
            if (after == HWND_NOTOPMOST) rec->topmost = false;
        }
        if (sized && !(flags & SWP_NOREDRAW)) rec->invalid = true;
    }
    if (flags & SWP_SHOWWINDOW) ShowWindow(window, SW_SHOW);
    SendGeometry(window, moved, sized);
    return 1;
}

BOOL ShowWindow(HWND window, int command) {
    bool wasVisible, wasMinimized, openBackend = false;
    RECT client;
    std::string title;
    {
        std::lock_guard lock(Win().mutex);
        auto& w = Win();
        WindowRecord* rec = Live(window);
        if (!rec) return 0;
        wasVisible = rec->visible;
        wasMinimized = rec->minimized;
        rec->visible = command != SW_HIDE;
        if (command == SW_MINIMIZE) rec->minimized = true;
        if (command == SW_RESTORE || command == SW_SHOWNORMAL) rec->minimized = false;
        if (rec->visible && !wasVisible) rec->invalid = true;
        if (rec->visible && !rec->parent && !w.backendWindow) {
            w.backendWindow = window;
            openBackend = true;
            title = rec->title;
        }
    }
    if (openBackend) {
        GetClientRect(window, &client);
        // Told first, so that a layered window never shows an ordinary frame.
        TellBackendLayered(window);
        if (const Backend* b = ActiveBackend())
            b->open_window(Cp932ToUtf8(title).c_str(), client.right, client.bottom + MenuBarRoom(window));
        ShowClassIconOnBackend(window);
    }
    if (command == SW_HIDE) {
        if (GetActiveWindow() == window) Activate(nullptr);
    } else if (command == SW_MINIMIZE) {
        if (!wasMinimized) {
            SendMessageA(window, WM_SIZE, SIZE_MINIMIZED, 0);
            std::unique_lock lock(Win().mutex);
            if (Win().active == window) {
                Win().active = nullptr;
                lock.unlock();
                SendActivation(window, false, true, false);
            }
        }
    } else {
        if (!wasVisible) SendMessageA(window, WM_SHOWWINDOW, 1, 0);
        if (wasMinimized && command != SW_SHOW) SendGeometry(window, false, true);
        bool focused;
        {
            std::lock_guard lock(Win().mutex);
            focused = Win().appFocused;
        }
        if (focused) Activate(window);
    }
    return wasVisible ? 1 : 0;
}

BOOL IsIconic(HWND window) {
    std::lock_guard lock(Win().mutex);
    WindowRecord* rec = Live(window);
    return rec && rec->minimized;
}

BOOL UpdateWindow(HWND window) {
    bool invalid;
    {
        std::lock_guard lock(Win().mutex);
        WindowRecord* rec = Live(window);
        if (!rec) return 0;
        invalid = rec->invalid && rec->visible;
    }
    if (invalid) SendMessageA(window, WM_PAINT, 0, 0);
    return 1;
}

BOOL InvalidateRect(HWND window, const RECT*, BOOL) {
    std::lock_guard lock(Win().mutex);
    WindowRecord* rec = Live(window);
    if (!rec) return 0;
    rec->invalid = true;
    return 1;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    RECT client;
    if (!GetClientRect(window, &client)) return nullptr;
    {
        std::lock_guard lock(Win().mutex);
        if (WindowRecord* rec = Live(window)) rec->invalid = false;
    }
    HDC dc = GetDC(window);
    if (paint) *paint = PAINTSTRUCT{dc, 0, client};
    return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT*) { return 1; }

// A window's device context is the window itself seen through another handle type.
HDC GetDC(HWND window) { return IsWindow(window) || !window ? HandleFromId<HDC>(IdFromHandle(window) | 1) : nullptr; }
int ReleaseDC(HWND, HDC) { return 1; }

HWND GetActiveWindow() {
    std::lock_guard lock(Win().mutex);
    return Win().active;
}

HWND GetForegroundWindow() {
    std::lock_guard lock(Win().mutex);
    return Win().appFocused ? Win().active : nullptr;
}

HWND SetActiveWindow(HWND window) {
    HWND old = GetActiveWindow();
    if (!IsWindow(window)) return nullptr;
    bool focused;
    {
        std::lock_guard lock(Win().mutex);
        focused = Win().appFocused;
    }
    if (focused) Activate(window);
    return old;
}

BOOL SetForegroundWindow(HWND window) { return SetActiveWindow(window) || GetActiveWindow() == window; }
BOOL BringWindowToTop(HWND window) { return IsWindow(window); }
BOOL AttachThreadInput(uint32_t, uint32_t, BOOL) { return 1; }

HMENU GetMenu(HWND window) {
    std::lock_guard lock(Win().mutex);
    WindowRecord* rec = Live(window);
    return rec ? rec->menu : nullptr;
}

BOOL SetMenu(HWND window, HMENU menu) {
    {
        std::lock_guard lock(Win().mutex);
        WindowRecord* rec = Live(window);
        if (!rec) return 0;
        if (rec->menu == menu) return 1;
        rec->menu = menu;
    }
    // The outer rectangle stays: the menu bar takes its height from the client area.
    SendGeometry(window, true, true);
    return 1;
}

HICON LoadIconA(HINSTANCE, uintptr_t resource) { return HandleFromId<HICON>(resource ? resource : IDI_APPLICATION); }
HCURSOR LoadCursorA(HINSTANCE, uintptr_t resource) { return HandleFromId<HCURSOR>(resource ? resource : IDC_ARROW); }

void SetApplicationFocus(bool focused) {
    HWND target;
    {
        std::lock_guard lock(Win().mutex);
        auto& w = Win();
        if (w.appFocused == focused) return;
        w.appFocused = focused;
        target = focused ? w.lastActive : w.active;
        w.active = focused ? target : nullptr;
    }
    if (target && IsWindow(target)) SendActivation(target, focused, IsIconic(target), true);
}

void SetApplicationMinimized(bool minimized) {
    HWND window = GetBackendWindow();
    if (!window) return;
    ShowWindow(window, minimized ? SW_MINIMIZE : SW_RESTORE);
}

void RequestWindowClose() {
    if (HWND window = GetBackendWindow()) PostMessageA(window, WM_CLOSE, 0, 0);
}

void BackendWindowVanished() {
    if (HWND window = GetBackendWindow()) DestroyWindow(window);
}

HWND GetBackendWindow() {
    std::lock_guard lock(Win().mutex);
    return Win().backendWindow;
}

void SendToTopLevelWindows(uint32_t message, WPARAM wParam, LPARAM lParam) {
    std::vector<HWND> targets;
    {
        std::lock_guard lock(Win().mutex);
        for (auto& [id, rec] : Win().windows)
            if (!rec.parent) targets.push_back(HandleFromId<HWND>(id));
    }
    for (HWND w : targets) SendMessageA(w, message, wParam, lParam);
}

void SetWindowCreationFails(bool fails) {
    std::lock_guard lock(Win().mutex);
    Win().creationFails = fails;
}

void ResetWindows() {
    bool hadBackend;
    {
        std::lock_guard lock(Win().mutex);
        auto& w = Win();
        hadBackend = w.backendWindow != nullptr;
        w.windows.clear();
        w.classes.clear();
        w.active = w.lastActive = w.backendWindow = nullptr;
        w.appFocused = true;
        w.creationFails = false;
    }
    if (hadBackend)
        if (const Backend* b = ActiveBackend()) b->close_window();
    ResetThreadQueue();
}

}  // namespace host
