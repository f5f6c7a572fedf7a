#include "engine/platform/window/message_pump.h"

#include <orvik/platform.h>

#include "engine/platform/input/input.h"
#include "engine/platform/base/lock.h"
#include "engine/platform/network/network.h"
#include "engine/platform/startup/sysinfo.h"
#include "engine/platform/input/key_input.h"
#include "engine/platform/window/window.h"
#include "engine/platform/window/window_menu.h"
#include "engine/sound/core/sound_system.h"
#include "host/clock.h"
#include "host/sync.h"
#include "host/win/window/accelerator.h"
#include "host/win/window/desktop.h"
#include "host/win/window/dialog.h"
#include "host/win/window/message_queue.h"
#include "host/win/window/window.h"

namespace orvik {

namespace {
constexpr int kMessageBudget = 5;

bool OnMainThread() { return host::GetCurrentThreadId() == Window().rt.mainThread; }

bool WaitsForActivation() {
    auto& w = Window();
    return !w.rt.active && !w.settings.runInBackground;
}

uint32_t InactiveSinceNow() { return host::timeGetTime() & 0x7FFFFFFFu; }

void ClipCursorToClient() {
    auto& w = Window();
    if (!w.settings.cursorClipOn || !w.rt.active || !w.settings.windowMode || w.rt.cursorClipped) return;
    host::POINT p;
    host::GetCursorPos(&p);
    const host::RECT& c = w.rt.clientRect;
    if (c.left < p.x && p.x <= c.right && c.top < p.y && p.y <= c.bottom) {
        host::ClipCursor(&c);
        w.rt.cursorClipped = 1;
    }
}

void SwitchModeWhenAsked() {
    auto& w = Window();
    if (!w.rt.pendingModeSwitch || !w.settings.allowModeSwitch || !OnMainThread()) return;
    w.rt.pendingModeSwitch = 0;
    ChangeWindowMode(w.settings.windowMode ? 0 : 1);
    if (w.settings.modeChangeCallback) w.settings.modeChangeCallback(w.settings.modeChangeUser);
}

void RefillSoundOnOneProcessor() {
    if (SystemInfo().processorCount > 1) return;
    RefillAllStreamSounds();
    ProcessSoftSoundPlayers();
}

// Takes the next message: first any of the thread's, then a thread message without a
// window, then one of the main window's. False when there is none.
bool TakeMessage(host::MSG* msg) {
    host::HWND main = Window().rt.mainWindow;
    if (host::PeekMessageA(msg, nullptr, 0, 0, host::PM_NOREMOVE))
        return host::PeekMessageA(msg, nullptr, 0, 0, host::PM_REMOVE);
    if (host::PeekMessageA(msg, host::HandleFromId<host::HWND>(uintptr_t(-1)), 0, 0, host::PM_REMOVE)) return true;
    return main && host::PeekMessageA(msg, main, 0, 0, host::PM_REMOVE);
}

void TranslateAndDispatch(const host::MSG& msg) {
    host::TranslateMessage(&msg);
    host::DispatchMessageA(&msg);
}

// The modeless dialog and the extra windows get one message each; they do not count
// against the budget.
void ServeSideWindows() {
    auto& s = Window().settings;
    host::MSG msg;
    if (s.modelessDialog && host::PeekMessageA(&msg, s.modelessDialog, 0, 0, host::PM_REMOVE) &&
        !host::IsDialogMessageA(s.modelessDialog, &msg))
        TranslateAndDispatch(msg);
    for (int i = 0; i < s.extraWindowCount && i < kExtraWindowMax; ++i) {
        host::HWND extra = s.extraWindows[size_t(i)];
        if (extra && host::PeekMessageA(&msg, extra, 0, 0, host::PM_REMOVE)) TranslateAndDispatch(msg);
    }
}

// One pass over the queue. Returns true when the pass is complete: it ended on the
// budget, or found no message at all. `leave` is set when the end flag stops the loop.
bool RunPass(int& budget, bool& leave) {
    auto& w = Window();
    bool dispatched = false;
    host::MSG msg;
    while (TakeMessage(&msg)) {
        if (msg.message == host::WM_ACTIVATEAPP && w.settings.windowMode) w.rt.active = host::LOWORD(msg.wParam) != 0;
        if (w.rt.endFlag) {
            leave = true;
            return true;
        }
        if (msg.message == host::WM_QUIT) w.rt.endFlag = 1;
        if (!host::TranslateAcceleratorA(w.rt.mainWindow, w.settings.accelerator, &msg)) TranslateAndDispatch(msg);
        dispatched = true;
        ServeSideWindows();
        if (++budget == kMessageBudget) {
            budget = 0;
            return true;
        }
    }
    ServeSideWindows();
    return !dispatched;
}

void Housekeeping() {
    RefillSoundOnOneProcessor();
    RefreshMusicPlayState();
    UpdateKeyboardState();
    ProcessJoypadEffectTimers();
    // Once a frame the handles in error and those the program gave up are closed.
    PumpNetworkMessages(1);
    auto& w = Window();
    w.rt.pumpGuard = 1;
    ProcessKeyInput();
    w.rt.pumpGuard = 0;
}
}  // namespace

int PumpMessages() {
    LockLibrary();
    int result = PumpMessagesCore();
    UnlockLibrary();
    return result;
}

int PumpMessagesCore() {
    auto& w = Window();
    if (w.rt.pumpGuard) return 0;
    ClipCursorToClient();
    if (!w.rt.mainWindow) return w.rt.endFlag ? -1 : 0;
    SwitchModeWhenAsked();
    int budget = 0;
    bool passDone = false, waiting = false, leave = false;
    for (;;) {
        if ((w.rt.closePosted || !WaitsForActivation()) && (passDone || w.rt.endFlag)) break;
        if (WaitsForActivation()) {
            if (!waiting) w.rt.inactiveSince = InactiveSinceNow();
            waiting = true;
            host::Sleep(1);
        }
        passDone = RunPass(budget, leave);
        if (leave) break;
        if (WaitsForActivation()) {
            PumpNetworkMessages(0);
            RefillSoundOnOneProcessor();
            DrawAllMoviesToWindow();
            host::Sleep(24);
        }
        if (w.rt.endFlag || !OnMainThread()) break;
    }
    if (OnMainThread() && !w.settings.menuAutoShowOff) AutoShowMenuInFullScreen();
    Housekeeping();
    return w.rt.endFlag ? -1 : 0;
}

void WaitForActiveWindow() {
    auto& w = Window();
    if (w.rt.painting || w.rt.active || !w.rt.mainWindow) return;
    if (w.settings.windowMode && w.settings.runInBackground) return;
    w.rt.inactiveSince = InactiveSinceNow();
    // With run-in-background on, the pump itself does not sleep: the wait does.
    while (PumpMessagesCore() == 0 && !w.rt.active) host::Sleep(1);
}

int IsWindowClosing() { return Window().rt.closePosted; }

}  // namespace orvik
