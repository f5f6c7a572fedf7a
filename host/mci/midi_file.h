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

// A tempo in force from `tick` (and `seconds`) on.
struct MidiTempo {
    uint64_t tick;
    double seconds;
    uint32_t microsPerQuarter;
};

struct MidiSequence {
    std::vector<MidiEvent> events;
    // Metrical files only: the tempos in tick order, the first at tick 0 (the standard
    // 120 beats a minute when the file sets none there).
    std::vector<MidiTempo> tempos;
    // The time signature in force at the start (4/4 when the file has none): beats a
    // measure, and the note value of a beat (4 a quarter, 8 an eighth...).
    uint8_t beatsPerMeasure = 4;
    uint8_t beatNote = 4;
    double lengthSeconds = 0;  // the time of the last event of any track, end of track included
    uint64_t lengthTicks = 0;  // the same in the file's ticks
    uint16_t division = 0;     // the file's ticks per quarter note, or its SMPTE timing
};

// False for anything that is not a well-formed format 0 or 1 file (the sequence is then
// left empty).
bool ParseMidiFile(std::span<const uint8_t> file, MidiSequence* sequence);
// Reads a file whole (a MIDI file before it is parsed); false when it cannot be opened.
bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes);

}  // namespace host
