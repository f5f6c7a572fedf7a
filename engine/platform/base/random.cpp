#include "engine/platform/base/random.h"

#include "host/system_info.h"

namespace orvik {

namespace {
RandomState g_random;
constexpr int kN = 624;
constexpr int kM = 397;

uint32_t Temper(uint32_t y) {
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}
}  // namespace

RandomState& Random() { return g_random; }
void ResetRandom() { g_random = RandomState{}; }

int TestMmxForRandom() {
    host::CpuIdInfo cpu;
    host::GetCpuIdInfo(&cpu);
    return cpu.hasCpuid && cpu.maxFunction >= 1 && (cpu.featureEdx & (1u << 23)) ? 1 : 0;
}

void SeedRandom(uint32_t seed) {
    uint32_t x = seed;
    for (int i = 0; i < kN; ++i) {
        g_random.state[i] = x & 0xFFFF0000u;
        x = 69069u * x + 1u;
        g_random.state[i] |= x >> 16;
        x = 69069u * x + 1u;
    }
    g_random.mmx = TestMmxForRandom();
    g_random.seeded = 1;
    RegenerateRandom();
}

// One portable implementation serves whatever the processor offers: the results are the
// same words either way.
void RegenerateRandom() {
    auto& s = g_random.state;
    for (int i = 0; i < kN; ++i) {
        uint32_t y = (s[i] & 0x80000000u) | (s[(i + 1) % kN] & 0x7FFFFFFFu);
        s[i] = s[(i + kM) % kN] ^ (y >> 1) ^ ((y & 1u) ? 0x9908B0DFu : 0u);
    }
    for (int i = 0; i < kN; ++i) g_random.output[i] = Temper(s[i]);
    g_random.readIndex = 0;
}

uint32_t NextRandom() {
    if (!g_random.seeded) SeedRandom(4357);
    if (g_random.readIndex >= kN) RegenerateRandom();
    return g_random.output[g_random.readIndex++];
}

}  // namespace orvik
