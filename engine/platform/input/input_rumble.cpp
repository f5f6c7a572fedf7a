// Pad vibration: two effects per pad, switched to match each pad's record and the
// window's activation, and stopped by their timers.
#include <algorithm>

#include <orvik/input.h>

#include "engine/platform/input/input.h"
#include "engine/platform/base/log.h"
#include "engine/platform/window/message_pump.h"
#include "engine/platform/startup/timing.h"
#include "engine/platform/window/window.h"

namespace orvik {

namespace {
bool EffectsUsable() { return Input().mode == kInputDirect; }

// The record of a pad number from 1 that has a device and a constant-force effect.
PadRecord* VibratingPad(int n) {
    auto& in = Input();
    if (n < 1 || n > in.padCount) return nullptr;
    PadRecord& pad = in.pads[size_t(n - 1)];
    return pad.device && pad.constantForce ? &pad : nullptr;
}

void Switch(host::IDirectInputEffect* effect, int32_t& running, bool wanted) {
    if (!effect || (running != 0) == wanted) return;
    if (wanted) effect->Start(1, 0);
    else effect->Stop();
    running = wanted;
}

void StopVibration(PadRecord& pad) {
    if (!pad.vibrationOn) return;
    pad.vibrationOn = 0;
    pad.vibrationPower = 10000;
    UpdateJoypadEffects();
}

int PrepareInput() {
    WaitForActiveWindow();
    if (Input().mode != kInputStopped) return 0;
    if (IsWindowClosing()) return -1;
    return InitInputSystem();
}
}  // namespace

int StopPadRumble(int n) {
    PrepareInput();
    if (PadRecord* pad = VibratingPad(n)) StopVibration(*pad);
    return 0;
}

int StartPadRumble(int n, int power, int milliseconds) {
    PrepareInput();
    PadRecord* pad = VibratingPad(n);
    if (!pad) {
        AddLogFormat("振動できないパッドです %d in StartPadRumble", n);
        return -1;
    }
    pad->vibrationOn = 1;
    pad->vibrationPower = std::clamp(power, 0, 10000);
    pad->vibrationDuration = milliseconds;
    pad->vibrationElapsed = 0;
    pad->lastStep = uint32_t(GetNowMilliseconds());
    UpdateJoypadEffects();
    return 0;
}

int ProcessJoypadEffectTimers() {
    if (!EffectsUsable()) return 0;
    auto& in = Input();
    auto now = uint32_t(GetNowMilliseconds());
    for (int i = 0; i < in.padCount; ++i) {
        PadRecord& pad = in.pads[size_t(i)];
        if (!pad.device || !pad.vibrationOn || pad.vibrationDuration < 0) continue;
        if (now != pad.lastStep) {
            // A counter that went back (it wrapped) adds nothing to the step.
            if (now > pad.lastStep) pad.vibrationElapsed += int32_t(now - pad.lastStep);
            pad.lastStep = now;
        }
        if (pad.vibrationElapsed >= pad.vibrationDuration && pad.constantForce) StopVibration(pad);
    }
    UpdateJoypadEffects();
    return 0;
}

int UpdateJoypadEffects() {
    if (!EffectsUsable()) return 0;
    auto& in = Input();
    bool active = Window().rt.active != 0;
    for (int i = 0; i < in.padCount; ++i) {
        PadRecord& pad = in.pads[size_t(i)];
        if (!pad.device) continue;
        Switch(pad.constantForce, pad.constantRunning, active && pad.vibrationOn);
        Switch(pad.sine, pad.sineRunning, active && pad.vibrationOn && pad.vibrationPower > 5000);
    }
    return 0;
}

}  // namespace orvik
