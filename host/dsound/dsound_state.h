// The global state of the mixer, shared by the device, buffer and mixer sources. Every
// field is guarded by DirectSoundLock().
#pragma once
#include <cstdint>
#include <vector>

#include "host/dsound/dsound_config.h"
#include "host/dsound/mixer_source.h"

namespace host {

struct Voice;

struct DirectSoundHostState {
    DSCAPS caps = DefaultDirectSoundCaps();
    std::vector<SoundDeviceInfo> devices = DefaultSoundDevices();
    DirectSoundFaults faults;
    uint32_t outputRate = 44100;
    uint64_t mixedFrames = 0;
    std::vector<Voice*> voices;  // every live secondary buffer's voice
    std::vector<MixerSource*> sources;
    MixTap tap = nullptr;
    void* tapUser = nullptr;
};

DirectSoundHostState& DsState();

// Consumes one failure from a fault counter: true when this call is to fail.
bool TakeFault(int& counter);

}  // namespace host
