// The mixing state of one secondary buffer. Duplicates share the sample memory and keep
// their own cursor, controls and play state.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "host/zeroed_memory.h"

namespace host {

using SampleMemory = std::vector<uint8_t, ZeroedAllocator<uint8_t>>;

struct Voice {
    std::shared_ptr<SampleMemory> memory;
    uint32_t frames = 0;      // whole sample frames held
    uint16_t channels = 0;    // 1 or 2
    uint16_t bits = 0;        // 8 or 16
    uint16_t blockAlign = 0;  // bytes per frame
    uint32_t frequency = 0;   // current play rate in Hz
    uint64_t position = 0;    // play position in frames, 32.32 fixed point
    int32_t gainLeft = 32768; // amplitude factors in units of 1/32768
    int32_t gainRight = 32768;
    bool playing = false;
    bool looping = false;
};

// Adds `frames` output frames of the voice at outputRate into acc (interleaved stereo,
// 32-bit sums) and moves its position; a voice that is not looping stops at its end,
// its position back at 0.
void MixVoice(Voice& voice, int32_t* acc, uint32_t frames, uint32_t outputRate);

}  // namespace host
