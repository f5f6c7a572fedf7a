// The performance's music time against its clock (seconds of mixed sound): it follows the
// tempo of the primary segment playing, and the standard 120 beats a minute in 4/4 while
// none plays, so that a music time means the same beat to every segment played against it.
#pragma once
#include <cstdint>

#include "host/dmusic/segment_play.h"

namespace host {

class PerformanceClock {
public:
    PerformanceClock() = default;
    PerformanceClock(const PerformanceClock&) = delete;
    PerformanceClock& operator=(const PerformanceClock&) = delete;
    ~PerformanceClock() { Follow(0, nullptr); }

    double MusicAt(double seconds) const;
    double SecondsAt(double music) const;
    // The first boundary of the flags' kind (grid, beat or measure) at or after `seconds`:
    // in the time of the primary segment while one plays then, else on the clock's own.
    double NextBoundary(double seconds, uint32_t boundaryFlags) const;
    // From `seconds` on, music time follows `source`'s tempo (null: the standard one).
    void Follow(double seconds, SegmentPlay* source);
    SegmentPlay* Source() const { return source_; }

private:
    double anchorSeconds_ = 0, anchorMusic_ = 0;
    SegmentPlay* source_ = nullptr;  // one reference, or null
};

}  // namespace host
