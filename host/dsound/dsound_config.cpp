#include "host/dsound/dsound_config.h"

#include <mutex>

#include "host/dsound/dsound_state.h"
#include "host/dsound/mixer.h"

namespace host {

DirectSoundHostState& DsState() {
    static DirectSoundHostState state;
    return state;
}

bool TakeFault(int& counter) {
    if (counter == 0) return false;
    if (counter > 0) --counter;
    return true;
}

// A software device: every PCM layout, any rate from 100 Hz to 200 kHz, no hardware
// buffers or memory.
DSCAPS DefaultDirectSoundCaps() {
    DSCAPS caps;
    caps.dwFlags = DSCAPS_PRIMARYMONO | DSCAPS_PRIMARYSTEREO | DSCAPS_PRIMARY8BIT |
                   DSCAPS_PRIMARY16BIT | DSCAPS_CONTINUOUSRATE | DSCAPS_EMULDRIVER |
                   DSCAPS_SECONDARYMONO | DSCAPS_SECONDARYSTEREO | DSCAPS_SECONDARY8BIT |
                   DSCAPS_SECONDARY16BIT;
    caps.dwMinSecondarySampleRate = DSBFREQUENCY_MIN;
    caps.dwMaxSecondarySampleRate = DSBFREQUENCY_MAX;
    caps.dwPrimaryBuffers = 1;
    return caps;
}

void SetDirectSoundCaps(const DSCAPS& caps) {
    std::lock_guard guard(DirectSoundLock());
    DsState().caps = caps;
    DsState().caps.dwSize = sizeof(DSCAPS);
}

DSCAPS CurrentDirectSoundCaps() {
    std::lock_guard guard(DirectSoundLock());
    return DsState().caps;
}

std::vector<SoundDeviceInfo> DefaultSoundDevices() {
    SoundDeviceInfo primary;
    primary.isDefault = true;
    primary.description = "Primary Sound Driver";
    SoundDeviceInfo mixer;
    mixer.guid.bytes[0] = 0x4F;  // any fixed identity
    mixer.guid.bytes[1] = 0x56;
    mixer.description = "Orvik software mixer";
    mixer.module = "orvikmix.drv";
    return {primary, mixer};
}

void SetSoundDevices(std::vector<SoundDeviceInfo> devices) {
    std::lock_guard guard(DirectSoundLock());
    DsState().devices = std::move(devices);
}

void SetDirectSoundFaults(const DirectSoundFaults& faults) {
    std::lock_guard guard(DirectSoundLock());
    DsState().faults = faults;
}

void ResetDirectSoundHost() {
    std::lock_guard guard(DirectSoundLock());
    DirectSoundHostState& s = DsState();
    s.caps = DefaultDirectSoundCaps();
    s.devices = DefaultSoundDevices();
    s.faults = {};
    s.outputRate = 44100;
    s.mixedFrames = 0;
    s.tap = nullptr;
    s.tapUser = nullptr;
}

}  // namespace host
