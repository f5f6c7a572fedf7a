// Reading the keyboard and the pads: the refresh of the key state, polling a pad, and
// the two questions the game asks every frame.
#include <orvik/input.h>

#include <algorithm>
#include <iterator>

#include "engine/platform/input/input.h"
#include "engine/platform/base/lock.h"
#include "engine/platform/base/log.h"
#include "engine/platform/window/message_pump.h"
#include "engine/platform/startup/sysinfo.h"
#include "engine/platform/startup/system_libraries.h"
#include "engine/platform/startup/timing.h"
#include "engine/platform/window/window.h"
#include "host/dinput/input_devices.h"
#include "host/dinput/joystick.h"
#include "host/dinput/keyboard_state.h"
#include "host/dinput/key_codes.h"

namespace orvik {

namespace {
bool HoldsLibraryLock() { return InspectLibraryLock().owner == host::GetCurrentThreadId(); }

// A pad with nothing pressed: sticks centred, hats centred, no button down.
host::DIJOYSTATE ReleasedPadState() {
    host::DIJOYSTATE state;
    std::fill(std::begin(state.rgdwPOV), std::end(state.rgdwPOV), host::kPovCentred);
    return state;
}

bool EventSet(host::HANDLE event) { return event && host::WaitForSingleObject(event, 0) == host::WAIT_OBJECT_0; }

int RefreshFromDirectInput() {
    auto& in = Input();
    auto now = uint32_t(GetNowMilliseconds());
    if (now == in.lastKeyboardRefresh && !EventSet(in.keyboardEvent)) return 0;
    if (PumpMessagesCore() != 0 || in.mode != kInputDirect) return 0;
    if (host::FAILED(in.keyboard->GetDeviceState(256, in.keys.data()))) {
        if (host::FAILED(in.keyboard->Acquire())) return 0;
        if (host::FAILED(in.keyboard->GetDeviceState(256, in.keys.data()))) return 0;
    }
    in.lastKeyboardRefresh = now;
    if (EventSet(in.keyboardEvent)) host::ResetEvent(in.keyboardEvent);
    uint8_t system[256];
    host::GetKeyboardState(system);
    in.keys[0x36] = system[host::VK_RSHIFT];
    return 1;
}

// The system keyboard state belongs to the thread that pumps the window's messages, so
// only the holder of the library lock refreshes from it.
int RefreshFromSystem() {
    auto& in = Input();
    if (!HoldsLibraryLock()) return 0;
    auto now = uint32_t(GetNowMilliseconds());
    if (now == in.lastKeyboardRefresh) return 0;
    in.lastKeyboardRefresh = now;
    if (PumpMessagesCore() != 0) return 0;
    uint8_t system[256];
    host::GetKeyboardState(system);
    ConvertSystemKeyboardState(system, in.keys);
    return 1;
}

int PollDirectInputPad(int index) {
    auto& in = Input();
    PadRecord& pad = in.pads[size_t(index)];
    if (!pad.device) return 0;
    auto now = uint32_t(GetNowMilliseconds());
    if (now == pad.lastPoll && !EventSet(pad.event)) return 0;
    pad.lastPoll = now;
    pad.device->Poll();
    host::DIJOYSTATE state;
    host::HRESULT hr = pad.device->GetDeviceState(sizeof state, &state);
    if (host::FAILED(hr)) {
        if (PumpMessagesCore() != 0 || in.mode != kInputDirect) return -1;
        if (host::SUCCEEDED(pad.device->Acquire())) {
            if (PumpMessagesCore() != 0 || in.mode != kInputDirect) return -1;
            hr = pad.device->GetDeviceState(sizeof state, &state);
        }
    }
    // A pad that cannot be read (pulled out, or taken by another window) reads as released:
    // keeping its last state would leave a button held for good.
    pad.state = host::SUCCEEDED(hr) ? state : ReleasedPadState();
    if (EventSet(pad.event)) host::ResetEvent(pad.event);
    return 0;
}

int PollSystemJoystick(int index) {
    PadRecord& pad = Input().pads[size_t(index)];
    auto now = uint32_t(GetNowMilliseconds());
    if (now == pad.lastPoll) return 0;
    pad.lastPoll = now;
    host::JOYINFOEX info;
    auto getPos = Libraries().joyGetPosEx;
    if (!getPos || getPos(uint32_t(index), &info) != host::JOYERR_NOERROR) {
        pad.state = ReleasedPadState();
        return 0;
    }
    pad.state.lX = JoystickAxisValue(info.dwXpos);
    pad.state.lY = JoystickAxisValue(info.dwYpos);
    pad.state.lZ = pad.hasZAndR ? JoystickAxisValue(info.dwZpos) : 0;
    pad.state.lRz = pad.hasZAndR ? JoystickAxisValue(info.dwRpos) : 0;
    for (uint32_t b = 0; b < 24; ++b) pad.state.rgbButtons[b] = (info.dwButtons >> b) & 1 ? 128 : 0;
    return 0;
}

// Starts input when a read comes first; 0 when started (or already running).
int EnsureInputStarted() {
    if (Input().mode != kInputStopped) return 0;
    if (IsWindowClosing()) return -1;
    return InitInputSystem() == 0 && Input().mode != kInputStopped ? 0 : -1;
}

int32_t PadStateBits(const PadRecord& pad) {
    int32_t bits = 0;
    if (pad.state.lX < 0) bits |= PAD_LEFT;
    if (pad.state.lX > 0) bits |= PAD_RIGHT;
    if (pad.state.lY < 0) bits |= PAD_UP;
    if (pad.state.lY > 0) bits |= PAD_DOWN;
    for (int b = 0; b < 24; ++b)
        if (pad.state.rgbButtons[b] & 0x80) bits |= 1 << (4 + b);
    return bits;
}

int32_t KeyboardBits(int mapRow) {
    auto& in = Input();
    int32_t bits = 0;
    for (int bit = 0; bit < kPadMapBits; ++bit)
        for (int32_t code : in.map[size_t(mapRow)][size_t(bit)])
            if (code >= 0 && code < 256 && (in.keys[size_t(code)] & 0x80)) bits |= int32_t(1u << bit);
    return bits;
}
}  // namespace

int UpdateKeyboardState() {
    auto& in = Input();
    if (in.refreshing) return 0;
    in.refreshing = 1;
    bool direct = in.mode == kInputDirect && in.keyboard && OsVersionCode() < kOsWinVista;
    int result = direct ? RefreshFromDirectInput() : RefreshFromSystem();
    in.refreshing = 0;
    return result;
}

int UpdateJoypadState(int index) {
    if (index < 0 || index >= kMaxJoypads) return -1;
    return Input().mode == kInputDirect ? PollDirectInputPad(index) : PollSystemJoystick(index);
}

int IsKeyHeld(int keyCode) {
    if (keyCode < 0 || keyCode > 255) {
        AddLogFormat("キーコードの値が不正です %d in IsKeyHeld", keyCode);
        return 0;
    }
    WaitForActiveWindow();
    if (Input().mode == kInputStopped) {
        EnsureInputStarted();
        return 0;
    }
    UpdateKeyboardState();
    return (Input().keys[size_t(keyCode)] & 0x80) ? 1 : 0;
}

int32_t ReadPadState(int n) {
    int number = n & ~PAD_WITH_KEYBOARD;
    bool withKeys = (n & PAD_WITH_KEYBOARD) != 0;
    // Pad numbers run 1 to 16 (the map has 16 rows); 0 is allowed only as the keyboard alone.
    if (number > kMaxJoypads || number < 0 || (number == 0 && !withKeys) || (n & ~(PAD_WITH_KEYBOARD | 0xFF))) {
        AddLogFormat("パッド番号の値が不正です 0x%x in ReadPadState", unsigned(n));
        return 0;
    }
    int i = number - 1;
    WaitForActiveWindow();
    if (EnsureInputStarted() != 0) return 0;
    auto& in = Input();
    if (!withKeys && in.padCount > 0 && i >= in.padCount) return 0;
    int32_t bits = 0;
    if (i >= 0 && i < in.padCount) {
        UpdateJoypadState(i);
        bits |= PadStateBits(in.pads[size_t(i)]);
    }
    if (withKeys) {
        UpdateKeyboardState();
        bits |= KeyboardBits(i < 0 ? 0 : i);
    }
    return bits;
}

}  // namespace orvik
