// The window table shared by the window, message and painting functions of host/win.
#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/win/system/instance_lock.h"
#include "host/win/system/types.h"

namespace host::detail {

struct ClassRecord {
    std::string name;
    WNDPROC proc = nullptr;
    uint32_t style = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
};

struct TimerRecord {
    uintptr_t id = 0;
    uint32_t elapse = 0;
    uint32_t due = 0;
    TIMERPROC proc = nullptr;
};

struct WindowRecord {
    std::string className;
    std::string title;
    WNDPROC proc = nullptr;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    RECT rect;  // the outer rectangle in screen coordinates
    HWND parent = nullptr;
    HMENU menu = nullptr;
    bool hasRegion = false;
    RECT regionBox;  // the window region, in window coordinates
    uint32_t thread = 0;
    bool visible = false;
    bool minimized = false;
    bool invalid = false;
    bool topmost = false;
    std::vector<TimerRecord> timers;
    std::unique_ptr<InstanceLock> instanceLock;
};

struct WinState {
    std::recursive_mutex mutex;
    std::map<std::string, ClassRecord> classes;  // keyed by the lower-case name
    std::map<uintptr_t, WindowRecord> windows;
    uintptr_t nextId = 0x10000;
    HWND active = nullptr;
    HWND lastActive = nullptr;
    HWND backendWindow = nullptr;
    bool appFocused = true;
    bool creationFails = false;
};

WinState& Win();
std::string LowerName(const char* name);
// The record of a live window, or null; call with the state's mutex held.
WindowRecord* FindWindowRecord(HWND window);
// The frame around the client area that the styles give: offsets from the outer
// rectangle's edges (left and top negative, as AdjustWindowRectEx reports them).
RECT FrameOf(uint32_t style, uint32_t exStyle, bool menu);

}  // namespace host::detail
