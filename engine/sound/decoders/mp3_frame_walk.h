// The walk over the frames of an MPEG audio stream that finds where its sound starts and
// ends and how long it plays.
#pragma once
#include <cstdint>

#include "engine/sound/decoders/sound_convert.h"

namespace orvik {

struct Mp3FrameWalk {
    uint32_t firstFrame = 0;
    uint32_t dataEnd = 0;
    // The sample frames the decoder plays, at the output rate.
    int64_t totalSamples = 0;
    bool found = false;
};

// Walks the frames from `from` to `audioEnd`, skipping bytes between them up to the next
// frame sync, and counts what the decoder plays of them at `outputRate` (0: the first
// frame's rate), every frame converted to it. The first frame is the one the decoder takes
// for it, and `firstFrame` says where. -1 for a header with a value not allowed after it,
// or no frame taken at all.
int WalkMp3Frames(const StreamDescriptor& stream, uint32_t from, uint32_t audioEnd, uint32_t outputRate,
                  Mp3FrameWalk* walk);

}  // namespace orvik
