// What tests (and the backends) can set about the sound hardware behind the mixer: the
// device capabilities, the devices the enumeration lists, the output rate, and calls
// made to fail as a real system's can.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/dsound/dsound_types.h"

namespace host {

// Each counter is the number of upcoming calls of that kind that fail; a negative
// counter makes every call fail until it is cleared.
struct DirectSoundFaults {
    int create = 0;            // making the DirectSound object
    int initialize = 0;        // Initialize of the object (no driver)
    int cooperativeLevel = 0;  // SetCooperativeLevel
    int primaryBuffer = 0;     // creating the primary buffer
    int secondaryBuffer = 0;   // creating a secondary buffer (out of memory)
    int duplicate = 0;         // DuplicateSoundBuffer
    int lock = 0;              // Lock of any buffer
};

struct SoundDeviceInfo {
    bool isDefault = false;  // listed without an identity, as the default device is
    SoundDeviceGuid guid;
    std::string description;
    std::string module;
};

DSCAPS DefaultDirectSoundCaps();
void SetDirectSoundCaps(const DSCAPS& caps);
DSCAPS CurrentDirectSoundCaps();

std::vector<SoundDeviceInfo> DefaultSoundDevices();
void SetSoundDevices(std::vector<SoundDeviceInfo> devices);

void SetDirectSoundFaults(const DirectSoundFaults& faults);

// Puts every setting back to its default and clears the mixed-frame count. Buffers that
// are still alive keep playing.
void ResetDirectSoundHost();

}  // namespace host
