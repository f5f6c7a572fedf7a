// The engine's own MT19937 generator, regenerated in batches of 624 tempered words.
#pragma once
#include <orvik/system.h>
#include <array>
#include <cstdint>

namespace orvik {

struct RandomState {
    std::array<uint32_t, 624> state{};
    std::array<uint32_t, 624> output{};
    int32_t readIndex = 0;
    int32_t seeded = 0;
    int32_t mmx = 0;  // the processor's MMX answer, kept for the system report
};

RandomState& Random();
void ResetRandom();

// 1 when the processor reports MMX through CPUID.
int TestMmxForRandom();
// Twists the state, tempers all 624 words into the output buffer, resets the read index.
void RegenerateRandom();

}  // namespace orvik
