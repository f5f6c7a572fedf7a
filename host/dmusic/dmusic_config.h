// What tests can set about the music hardware: the ports DirectMusic lists, and calls
// made to fail as a real system's can.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace host {

struct DirectMusicPort {
    uint32_t portClass;  // DMUS_PC_INPUTCLASS or DMUS_PC_OUTPUTCLASS
    uint32_t flags;      // DMUS_PC_* capabilities
    std::u16string description;
};

// Each counter is the number of upcoming calls of that kind that fail; a negative
// counter makes every call fail until it is cleared.
struct DirectMusicFaults {
    int queryDirectMusic8 = 0;  // QueryInterface of a DirectMusic object for IDirectMusic8
};

// The software synthesiser the performances play through, the one port of a machine
// without MIDI hardware.
std::vector<DirectMusicPort> DefaultDirectMusicPorts();
void SetDirectMusicPorts(std::vector<DirectMusicPort> ports);
std::vector<DirectMusicPort> DirectMusicPorts();

void SetDirectMusicFaults(const DirectMusicFaults& faults);
// True when this call of the kind is to fail (and counts it).
bool TakeDirectMusicFault(int DirectMusicFaults::*kind);

// Puts the ports and faults back to their defaults.
void ResetDirectMusicHost();

}  // namespace host
