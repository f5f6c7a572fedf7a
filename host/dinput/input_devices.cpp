#include "host/dinput/input_devices.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "host/backends/backend.h"

namespace host {

namespace {
struct Devices {
    std::mutex mutex;
    std::array<uint8_t, 256> keys{};
    std::array<PadInfo, kMaxPads> pads{};
    std::array<std::array<PadEffectState, kEffectKinds>, kMaxPads> effects{};
    HANDLE keyboardEvent = nullptr;
    std::array<HANDLE, kMaxPads> padEvents{};
};

Devices& D() {
    static Devices d;
    return d;
}

bool ValidPad(int pad) { return pad >= 0 && pad < kMaxPads; }

// Called with the mutex held.
void Notify(int pad) {
    HANDLE e = pad < 0 ? D().keyboardEvent : D().padEvents[size_t(pad)];
    if (e) SetEvent(e);
}
}  // namespace

void SetKeyDown(uint8_t dik, bool down) {
    std::lock_guard lock(D().mutex);
    uint8_t v = down ? 0x80 : 0;
    if (D().keys[dik] == v) return;
    D().keys[dik] = v;
    Notify(-1);
}

bool IsKeyDown(uint8_t dik) {
    std::lock_guard lock(D().mutex);
    return D().keys[dik] != 0;
}

void ReleaseAllKeys() {
    std::lock_guard lock(D().mutex);
    D().keys.fill(0);
    Notify(-1);
}

std::array<uint8_t, 256> KeyboardSnapshot() {
    std::lock_guard lock(D().mutex);
    return D().keys;
}

int AttachPad(const std::string& name, bool forceFeedback) {
    std::lock_guard lock(D().mutex);
    for (int i = 0; i < kMaxPads; ++i) {
        PadInfo& p = D().pads[size_t(i)];
        if (p.attached) continue;
        p = PadInfo{};
        p.attached = true;
        p.instanceName = name;
        p.productName = name;
        p.forceFeedback = forceFeedback;
        D().effects[size_t(i)] = {};
        return i;
    }
    return -1;
}

void DetachPad(int pad) {
    std::lock_guard lock(D().mutex);
    if (!ValidPad(pad)) return;
    D().pads[size_t(pad)] = PadInfo{};
    Notify(pad);
}

void SetPadAxis(int pad, PadAxis axis, int32_t value) {
    std::lock_guard lock(D().mutex);
    if (!ValidPad(pad) || axis < 0 || axis >= kAxisCount) return;
    D().pads[size_t(pad)].axes[size_t(axis)] = std::clamp(value, -32768, 32767);
    Notify(pad);
}

void SetPadButton(int pad, int button, bool down) {
    std::lock_guard lock(D().mutex);
    if (!ValidPad(pad) || button < 0 || button >= 32) return;
    D().pads[size_t(pad)].buttons[size_t(button)] = down ? 1 : 0;
    Notify(pad);
}

void SetPadPov(int pad, int index, uint32_t hundredthsOfDegree) {
    std::lock_guard lock(D().mutex);
    if (!ValidPad(pad) || index < 0 || index >= 4) return;
    D().pads[size_t(pad)].pov[size_t(index)] = hundredthsOfDegree;
    Notify(pad);
}

PadInfo GetPadInfo(int pad) {
    std::lock_guard lock(D().mutex);
    return ValidPad(pad) ? D().pads[size_t(pad)] : PadInfo{};
}

int AttachedPadCount() {
    std::lock_guard lock(D().mutex);
    return int(std::count_if(D().pads.begin(), D().pads.end(), [](const PadInfo& p) { return p.attached; }));
}

void RecordPadEffect(int pad, PadEffectKind kind, bool play, int32_t magnitude) {
    bool anyPlaying;
    int32_t strongest = 0;
    {
        std::lock_guard lock(D().mutex);
        if (!ValidPad(pad) || kind < 0 || kind >= kEffectKinds) return;
        PadEffectState& e = D().effects[size_t(pad)][size_t(kind)];
        e.playing = play;
        e.magnitude = magnitude;
        ++(play ? e.starts : e.stops);
        anyPlaying = false;
        for (const PadEffectState& s : D().effects[size_t(pad)])
            if (s.playing) {
                anyPlaying = true;
                strongest = std::max(strongest, std::abs(s.magnitude));
            }
    }
    if (const Backend* b = ActiveBackend()) {
        auto level = uint16_t(std::min<int32_t>(strongest, 10000) * 65535 / 10000);
        b->set_pad_rumble(pad, level, level, anyPlaying ? 0xFFFFFFFFu : 0);
    }
}

PadEffectState GetPadEffect(int pad, PadEffectKind kind) {
    std::lock_guard lock(D().mutex);
    if (!ValidPad(pad) || kind < 0 || kind >= kEffectKinds) return {};
    return D().effects[size_t(pad)][size_t(kind)];
}

void SetInputNotification(int pad, HANDLE event) {
    std::lock_guard lock(D().mutex);
    if (pad < 0) D().keyboardEvent = event;
    else if (ValidPad(pad)) D().padEvents[size_t(pad)] = event;
}

void ResetInputDevices() {
    std::lock_guard lock(D().mutex);
    D().keys.fill(0);
    D().pads.fill(PadInfo{});
    D().effects = {};
    D().keyboardEvent = nullptr;
    D().padEvents.fill(nullptr);
}

}  // namespace host
