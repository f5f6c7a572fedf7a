// The walk over the frames of an MPEG audio stream that finds where its sound starts and
// ends and how long it plays.
#pragma once
#include <cstdint>

#include "engine/sound/decoders/sound_convert.h"

namespace orvik {

struct Mp3FrameWalk {
    uint32_t firstFrame = 0;
    uint32_t dataEnd = 0;
    // Sample frames at the first frame's rate: a run of frames at another rate counts
    // what the decoder makes of it at that rate.
    int64_t totalSamples = 0;
    bool found = false;
};

// Walks the frames from `from` to `audioEnd`, skipping bytes between them up to the next
// frame sync. -1 for a header with a value not allowed anywhere in the walk, or no frame
// at all.
int WalkMp3Frames(const StreamDescriptor& stream, uint32_t from, uint32_t audioEnd, Mp3FrameWalk* walk);

}  // namespace orvik
