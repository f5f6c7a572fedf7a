// Window hooks: a library may hook the system's keyboard for a window (to keep the system
// keys from it). The host keeps the hooks a program installs; its keyboard is its own
// and no key goes through them.
#pragma once
#include <cstddef>

#include "host/win/modules.h"
#include "host/win/types.h"

namespace host {

struct HookTag;
using HHOOK = HookTag*;
using HOOKPROC = LRESULT (*)(int code, WPARAM wParam, LPARAM lParam);

constexpr int WH_KEYBOARD_LL = 13;

HHOOK SetWindowsHookExA(int id, HOOKPROC proc, HMODULE module, uint32_t thread);
BOOL UnhookWindowsHookEx(HHOOK hook);
// Hooks installed and not yet removed (tests).
size_t CountWindowsHooks();
void ResetWindowsHooks();

}  // namespace host
