// A segment state: one play of a segment on a performance, from the time it is planned to
// start until it ends or is stopped. The performance hands one back for each play; stopping
// it stops that play alone.
#pragma once
#include <cstdint>

#include "host/dmusic/dmusic_segment.h"
#include "host/dmusic/dmusic_types.h"

namespace host {

class IDirectMusicSegmentState8 : public IUnknown {
public:
    // The repeats the play was started with.
    virtual HRESULT GetRepeats(uint32_t* repeats) = 0;
    // The segment played, with one more reference for the caller.
    virtual HRESULT GetSegment(IDirectMusicSegment8** segment) = 0;
    // The performance's music time at which the play starts (or started).
    virtual HRESULT GetStartTime(MUSIC_TIME* start) = 0;
    // How far into the segment's current time through the play is (0 before it starts;
    // where it ended once it has).
    virtual HRESULT GetSeek(MUSIC_TIME* seek) = 0;
};

}  // namespace host
