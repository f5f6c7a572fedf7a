#include "random.h"

#include <orvik/log.h>

#include "game_state.h"

namespace vantorix {

void SeedRandom(uint32_t seed) { Game().randomSeed = seed; }

int32_t NextRandom() {
    uint32_t& seed = Game().randomSeed;
    seed = seed * 214013u + 2531011u;
    return static_cast<int32_t>((seed >> 16) & 0x7FFF);
}

int32_t RandomUpTo(int32_t n) {
    if (n < 0) return orvik::AddLogFormat("RandomUpTo: refused the negative bound %d", n);
    return static_cast<int32_t>(NextRandom() % (static_cast<int64_t>(n) + 1));
}

}  // namespace vantorix
