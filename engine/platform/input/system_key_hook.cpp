#include "engine/platform/input/system_key_hook.h"

#include "engine/platform/base/log.h"
#include "engine/platform/startup/sysinfo.h"
#include "engine/platform/window/window.h"
#include "host/win/window/desktop.h"
#include "host/win/window/hooks.h"
#include "host/win/system/modules.h"

namespace orvik {

namespace {
using namespace host;

using SetHookFunction = HHOOK (*)(HWND window);

// The library is kept only while its hook is in place.
void LoadHookLibrary() {
    auto& w = Window();
    HMODULE module = LoadLibraryA(w.settings.keyHookLibrary);
    if (!module) {
        AddLogFormat("キーフックライブラリ %s の読み込みに失敗しました", w.settings.keyHookLibrary);
        return;
    }
    auto setHook = reinterpret_cast<SetHookFunction>(GetProcAddress(module, "SetMSGHookDll"));
    HHOOK hook = setHook ? setHook(w.rt.mainWindow) : nullptr;
    if (!hook) {
        AddLogText("キーフックの設定に失敗しました\n");
        FreeLibrary(module);
        return;
    }
    w.rt.keyHookModule = module;
    w.rt.keyHook = hook;
}
}  // namespace

void InstallSystemKeyHook() {
    auto& w = Window();
    if (!w.settings.keyHookLibrary[0] || !w.rt.mainWindow || w.rt.keyHook || w.rt.systemKeysOff) return;
    if (OsVersionCode() < kOsWinNt351) {
        BOOL previous = 0;
        SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 1, &previous, 0);
        w.rt.systemKeysOff = 1;
        return;
    }
    LoadHookLibrary();
}

void RemoveSystemKeyHook() {
    auto& rt = Window().rt;
    if (rt.systemKeysOff) {
        BOOL previous = 0;
        SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 0, &previous, 0);
        rt.systemKeysOff = 0;
    }
    if (rt.keyHook) UnhookWindowsHookEx(rt.keyHook);
    if (rt.keyHookModule) FreeLibrary(rt.keyHookModule);
    rt.keyHook = nullptr;
    rt.keyHookModule = nullptr;
}

}  // namespace orvik
