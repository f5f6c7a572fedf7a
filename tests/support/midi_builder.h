// Standard MIDI File images made in tests: tracks of timed events, joined into a file.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

namespace orvik_test {

class MidiTrack {
public:
    // An event `delta` ticks after the previous one; `bytes` is the message as stored
    // (a running-status message leaves out its status byte).
    MidiTrack& Event(uint32_t delta, std::initializer_list<uint8_t> bytes) {
        VarLen(delta);
        // Byte by byte: at -O3 GCC reads a list insert into a short vector as an overflow.
        for (uint8_t b : bytes) data_.push_back(b);
        return *this;
    }
    MidiTrack& Tempo(uint32_t delta, uint32_t microsecondsPerQuarter) {
        return Event(delta, {0xFF, 0x51, 0x03, uint8_t(microsecondsPerQuarter >> 16),
                             uint8_t(microsecondsPerQuarter >> 8), uint8_t(microsecondsPerQuarter)});
    }
    MidiTrack& End(uint32_t delta) { return Event(delta, {0xFF, 0x2F, 0x00}); }
    const std::vector<uint8_t>& Bytes() const { return data_; }

private:
    void VarLen(uint32_t v) {
        uint8_t groups[5];
        int n = 0;
        do groups[n++] = v & 0x7F;
        while ((v >>= 7) != 0);
        while (n-- > 0) data_.push_back(uint8_t(groups[n] | (n ? 0x80 : 0)));
    }
    std::vector<uint8_t> data_;
};

inline void PutBig(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(uint8_t(v >> (8 * i)));
}

inline std::vector<uint8_t> MidiFile(uint16_t format, uint16_t division, std::span<const MidiTrack> tracks) {
    std::vector<uint8_t> out = {'M', 'T', 'h', 'd'};
    PutBig(out, 6, 4);
    PutBig(out, format, 2);
    PutBig(out, uint16_t(tracks.size()), 2);
    PutBig(out, division, 2);
    for (const MidiTrack& t : tracks) {
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        PutBig(out, uint32_t(t.Bytes().size()), 4);
        out.insert(out.end(), t.Bytes().begin(), t.Bytes().end());
    }
    return out;
}

inline std::vector<uint8_t> MidiFile(uint16_t format, uint16_t division, std::initializer_list<MidiTrack> tracks) {
    return MidiFile(format, division, std::span<const MidiTrack>(tracks.begin(), tracks.size()));
}

// One note of `key` on channel 0 from 0 to `ticks`, at 96 ticks a quarter of 0.5 s.
inline std::vector<uint8_t> OneNoteFile(uint8_t key, uint32_t ticks, uint8_t program = 0) {
    return MidiFile(0, 96, {MidiTrack().Event(0, {0xC0, program}).Event(0, {0x90, key, 100}).Event(ticks, {0x80, key, 0}).End(0)});
}

}  // namespace orvik_test
