#include "host/win/hooks.h"

#include <map>
#include <mutex>
#include <utility>
#include <vector>

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
}  // namespace

HHOOK SetWindowsHookExA(int id, HOOKPROC proc, HMODULE, uint32_t) {
    if (!proc) return nullptr;
    std::lock_guard lock(g_mutex);
    uintptr_t handle = g_nextId++;
    g_hooks[handle] = Hook{id, proc};
    return HandleFromId<HHOOK>(handle);
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
    std::lock_guard lock(g_mutex);
    return g_hooks.erase(IdFromHandle(hook)) ? 1 : 0;
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

void ResetWindowsHooks() {
    std::lock_guard lock(g_mutex);
    g_hooks.clear();
}

}  // namespace host
