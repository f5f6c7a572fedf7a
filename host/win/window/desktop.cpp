#include "host/win/window/desktop.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "host/backends/backend.h"
#include "host/win/window/window.h"

namespace host {

namespace {
struct DesktopState {
    int width = 1920, height = 1080, bits = 32;
    std::vector<DisplayMode> modes;
    bool modesSet = false;
    bool switched = false;
    DisplayMode current;
    bool screenSaver = true;
    bool systemKeysOff = false;
    uint32_t foregroundLockTimeout = 200000;
    int cursorCount = 0;
    HCURSOR cursor = nullptr;
    POINT cursorPos;
    bool clipped = false;
    RECT clip;
};
std::mutex g_mutex;
DesktopState g_desk;

std::vector<DisplayMode> DefaultModes() {
    std::vector<DisplayMode> modes;
    const int sizes[][2] = {{320, 240}, {640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1280, 960}, {1920, 1080}};
    for (auto& s : sizes)
        for (int bits : {16, 32}) modes.push_back({s[0], s[1], bits, 60});
    return modes;
}
}  // namespace

void SetDesktop(int width, int height, int bits) {
    std::lock_guard lock(g_mutex);
    g_desk.width = width;
    g_desk.height = height;
    g_desk.bits = bits;
}

void SetDisplayModes(const std::vector<DisplayMode>& modes) {
    std::lock_guard lock(g_mutex);
    g_desk.modes = modes;
    g_desk.modesSet = true;
}

void ResetDesktop() {
    std::lock_guard lock(g_mutex);
    g_desk = DesktopState{};
}

HWND GetDesktopWindow() { return HandleFromId<HWND>(0x8000); }

int GetSystemMetrics(int index) {
    std::lock_guard lock(g_mutex);
    if (index == SM_CXSCREEN) return g_desk.width;
    if (index == SM_CYSCREEN) return g_desk.height;
    return 0;
}

int GetDeviceCaps(HDC, int index) {
    std::lock_guard lock(g_mutex);
    switch (index) {
    case HORZRES: return g_desk.width;
    case VERTRES: return g_desk.height;
    case BITSPIXEL: return g_desk.bits;
    default: return 0;
    }
}

bool EnumDisplaySettingsA(int index, DisplayMode* mode) {
    std::lock_guard lock(g_mutex);
    if (!g_desk.modesSet) {
        g_desk.modes = DefaultModes();
        g_desk.modesSet = true;
    }
    if (index < 0 || size_t(index) >= g_desk.modes.size() || !mode) return false;
    *mode = g_desk.modes[size_t(index)];
    return true;
}

int32_t ChangeDisplaySettingsA(const DisplayMode* mode, uint32_t) {
    DisplayMode shown;
    {
        std::lock_guard lock(g_mutex);
        if (mode) {
            bool listed = false;
            for (const DisplayMode& m : g_desk.modesSet ? g_desk.modes : DefaultModes())
                listed |= m.width == mode->width && m.height == mode->height && m.bits == mode->bits;
            if (!listed) return DISP_CHANGE_BADMODE;
            g_desk.current = *mode;
        }
        g_desk.switched = mode != nullptr;
        shown = g_desk.switched ? g_desk.current : DisplayMode{g_desk.width, g_desk.height, g_desk.bits, 60};
    }
    if (const Backend* b = ActiveBackend()) b->set_fullscreen(mode != nullptr, shown.width, shown.height);
    SendToTopLevelWindows(WM_DISPLAYCHANGE, WPARAM(shown.bits), MAKELPARAM(shown.width, shown.height));
    return DISP_CHANGE_SUCCESSFUL;
}

DisplayMode CurrentDisplayMode() {
    std::lock_guard lock(g_mutex);
    return g_desk.switched ? g_desk.current : DisplayMode{g_desk.width, g_desk.height, g_desk.bits, 60};
}

BOOL SystemParametersInfoA(uint32_t action, uint32_t param, void* value, uint32_t) {
    std::lock_guard lock(g_mutex);
    switch (action) {
    case SPI_SETSCREENSAVEACTIVE:
        g_desk.screenSaver = param != 0;
        return 1;
    case SPI_SETSCREENSAVERRUNNING:
        // Older systems keep the task-switch keys from the user while this is set.
        if (value) *static_cast<BOOL*>(value) = g_desk.systemKeysOff;
        g_desk.systemKeysOff = param != 0;
        return 1;
    case SPI_GETFOREGROUNDLOCKTIMEOUT:
        if (!value) return 0;
        *static_cast<uint32_t*>(value) = g_desk.foregroundLockTimeout;
        return 1;
    case SPI_SETFOREGROUNDLOCKTIMEOUT:
        g_desk.foregroundLockTimeout = uint32_t(reinterpret_cast<uintptr_t>(value));
        return 1;
    default:
        return 0;
    }
}

bool AreSystemKeysOff() {
    std::lock_guard lock(g_mutex);
    return g_desk.systemKeysOff;
}

bool IsScreenSaverActive() {
    std::lock_guard lock(g_mutex);
    return g_desk.screenSaver;
}

int ShowCursor(BOOL show) {
    int count;
    {
        std::lock_guard lock(g_mutex);
        count = g_desk.cursorCount += show ? 1 : -1;
    }
    if (const Backend* b = ActiveBackend()) b->set_cursor_visible(count >= 0);
    return count;
}

HCURSOR SetCursor(HCURSOR cursor) {
    std::lock_guard lock(g_mutex);
    return std::exchange(g_desk.cursor, cursor);
}

BOOL GetCursorPos(POINT* point) {
    if (!point) return 0;
    std::lock_guard lock(g_mutex);
    *point = g_desk.cursorPos;
    return 1;
}

BOOL SetCursorPos(int x, int y) {
    std::lock_guard lock(g_mutex);
    if (g_desk.clipped) {
        x = std::clamp(x, g_desk.clip.left, g_desk.clip.right - 1);
        y = std::clamp(y, g_desk.clip.top, g_desk.clip.bottom - 1);
    }
    g_desk.cursorPos = POINT{x, y};
    return 1;
}

BOOL ClipCursor(const RECT* rect) {
    std::lock_guard lock(g_mutex);
    g_desk.clipped = rect != nullptr;
    if (rect) g_desk.clip = *rect;
    return 1;
}

bool GetCursorClip(RECT* rect) {
    std::lock_guard lock(g_mutex);
    if (g_desk.clipped && rect) *rect = g_desk.clip;
    return g_desk.clipped;
}

void ResetCursor() {
    std::lock_guard lock(g_mutex);
    g_desk.cursorCount = 0;
    g_desk.cursor = nullptr;
    g_desk.cursorPos = POINT{};
    g_desk.clipped = false;
}

}  // namespace host
