#include "host/win/window/hooks.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "host/backends/backend.h"

namespace host {

namespace {
struct Hook {
    int id = 0;
    HOOKPROC proc = nullptr;
};

std::mutex g_mutex;
std::map<uintptr_t, Hook> g_hooks;
uintptr_t g_nextId = 0x3000;

// The keyboard hooks of the key going through them now, and the next to call. A hook
// may remove hooks while it runs: the chain is a copy.
struct Chain {
    std::vector<HOOKPROC> procs;
    size_t next = 0;
};
thread_local Chain* t_chain = nullptr;

LRESULT CallFrom(Chain& chain, int code, WPARAM wParam, LPARAM lParam) {
    if (chain.next >= chain.procs.size()) return 0;
    return chain.procs[chain.next++](code, wParam, lParam);
}

// Whether the window was last told to grab the keyboard.
bool g_grabbed = false;

// A low-level keyboard hook sees every key, the system's own included (Alt+Tab, the
// Windows key). Where a window manager takes such keys for itself, only a window that
// grabs the keyboard gets them: the window grabs it while a keyboard hook is in place.
// Called after a change, outside the lock (the backend takes its own).
void FollowKeyboardHooks() {
    bool hooked = false;
    {
        std::lock_guard lock(g_mutex);
        hooked = std::any_of(g_hooks.begin(), g_hooks.end(),
                             [](const auto& entry) { return entry.second.id == WH_KEYBOARD_LL; });
        if (hooked == g_grabbed) return;
        g_grabbed = hooked;
    }
    if (const Backend* b = ActiveBackend(); b && b->set_keyboard_grab) b->set_keyboard_grab(hooked);
}
}  // namespace

HHOOK SetWindowsHookExA(int id, HOOKPROC proc, HMODULE, uint32_t) {
    if (!proc) return nullptr;
    uintptr_t handle = 0;
    {
        std::lock_guard lock(g_mutex);
        handle = g_nextId++;
        g_hooks[handle] = Hook{id, proc};
    }
    FollowKeyboardHooks();
    return HandleFromId<HHOOK>(handle);
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
    bool removed = false;
    {
        std::lock_guard lock(g_mutex);
        removed = g_hooks.erase(IdFromHandle(hook)) != 0;
    }
    FollowKeyboardHooks();
    return removed ? 1 : 0;
}

LRESULT CallNextHookEx(HHOOK, int code, WPARAM wParam, LPARAM lParam) {
    return t_chain ? CallFrom(*t_chain, code, wParam, lParam) : 0;
}

bool KeyboardHooksSwallow(uint8_t vk, uint8_t scan, bool down, bool alt) {
    Chain chain;
    {
        std::lock_guard lock(g_mutex);
        for (auto it = g_hooks.rbegin(); it != g_hooks.rend(); ++it)
            if (it->second.id == WH_KEYBOARD_LL) chain.procs.push_back(it->second.proc);
    }
    if (chain.procs.empty()) return false;
    KBDLLHOOKSTRUCT key;
    key.vkCode = vk;
    key.scanCode = scan;
    key.flags = (alt ? LLKHF_ALTDOWN : 0u) | (down ? 0u : LLKHF_UP);
    const uint32_t message = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    Chain* outer = std::exchange(t_chain, &chain);
    const LRESULT result = CallFrom(chain, HC_ACTION, WPARAM(message), LPARAM(&key));
    t_chain = outer;
    return result != 0;
}

size_t CountWindowsHooks() {
    std::lock_guard lock(g_mutex);
    return g_hooks.size();
}

// The backend's grab goes with the backend itself (tests stop it apart).
void ResetWindowsHooks() {
    std::lock_guard lock(g_mutex);
    g_hooks.clear();
    g_grabbed = false;
}

}  // namespace host
