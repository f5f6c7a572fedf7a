// Window hooks: a library may hook the system's keyboard for a window (to keep the system
// keys from it). Every key the window gets goes through the keyboard hooks first, the
// newest first; a hook that answers non-zero swallows the key. While a keyboard hook is
// in place the window grabs the keyboard, so the keys a window manager takes for itself
// come to the hooks too.
#pragma once
#include <cstddef>

#include "host/win/system/modules.h"
#include "host/win/system/types.h"

namespace host {

struct HookTag;
using HHOOK = HookTag*;
using HOOKPROC = LRESULT (*)(int code, WPARAM wParam, LPARAM lParam);

constexpr int WH_KEYBOARD_LL = 13;
constexpr int HC_ACTION = 0;
constexpr uint32_t LLKHF_ALTDOWN = 0x20, LLKHF_UP = 0x80;

// What a keyboard hook gets as lParam.
struct KBDLLHOOKSTRUCT {
    uint32_t vkCode = 0;
    uint32_t scanCode = 0;
    uint32_t flags = 0;
    uint32_t time = 0;
    uintptr_t dwExtraInfo = 0;
};

HHOOK SetWindowsHookExA(int id, HOOKPROC proc, HMODULE module, uint32_t thread);
BOOL UnhookWindowsHookEx(HHOOK hook);
// Hands the key on to the next hook of the chain under way; 0 past the last.
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);
// Runs a key through the keyboard hooks; true when one swallowed it.
bool KeyboardHooksSwallow(uint8_t vk, uint8_t scan, bool down, bool alt);
// Hooks installed and not yet removed (tests).
size_t CountWindowsHooks();
void ResetWindowsHooks();

}  // namespace host
