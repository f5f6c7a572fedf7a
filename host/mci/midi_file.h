// Standard MIDI Files (format 0 and 1) read into one list of channel events in play
// order, each with its time in seconds after the tempo changes of every track.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

namespace host {

struct MidiEvent {
    double seconds;
    uint8_t status;  // 0x80 ... 0xEF: a channel message
    uint8_t data1;
    uint8_t data2;
};

struct MidiSequence {
    std::vector<MidiEvent> events;
    double lengthSeconds = 0;  // the time of the last event of any track, end of track included
};

// False for anything that is not a well-formed format 0 or 1 file (the sequence is then
// left empty).
bool ParseMidiFile(std::span<const uint8_t> file, MidiSequence* sequence);

}  // namespace host
