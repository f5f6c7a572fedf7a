#include "host/win/hooks.h"

#include <map>
#include <mutex>

namespace host {

namespace {
struct Hook {
    int id = 0;
    HOOKPROC proc = nullptr;
};

std::mutex g_mutex;
std::map<uintptr_t, Hook> g_hooks;
uintptr_t g_nextId = 0x3000;
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

size_t CountWindowsHooks() {
    std::lock_guard lock(g_mutex);
    return g_hooks.size();
}

void ResetWindowsHooks() {
    std::lock_guard lock(g_mutex);
    g_hooks.clear();
}

}  // namespace host
