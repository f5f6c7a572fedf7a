// One time through a segment in music time: where a music time falls in seconds after the
// segment's tempo changes and back, and its grid, beat and measure in music time after its
// time signature.
#pragma once
#include <cstdint>
#include <vector>

#include "host/dmusic/dmusic_types.h"
#include "host/mci/midi_file.h"

namespace host {

class MusicTiming {
public:
    explicit MusicTiming(const MidiSequence& sequence);

    // Music time is counted in fractions of a tick here, so that turning a time into
    // seconds and back lands where it started.
    double SecondsAt(double music) const;
    double MusicAt(double seconds) const;
    MUSIC_TIME Length() const;
    double LengthSeconds() const { return lengthSeconds_; }
    // The music time between two boundaries of the finest kind among the flags (grid,
    // beat, measure); 0 when none is among them.
    double Resolution(uint32_t boundaryFlags) const;

private:
    // Metrical files: the tempos, with their times in music time; empty for SMPTE timing,
    // which counts the standard 120 beats a minute.
    struct Tempo {
        double music, seconds, secondsPerTick;
    };
    std::vector<Tempo> tempos_;
    double lengthMusic_ = 0, lengthSeconds_ = 0;
    double beat_ = DMUS_PPQ;
    int beatsPerMeasure_ = 4;
};

}  // namespace host
