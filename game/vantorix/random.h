// The game's own 15-bit random numbers (0 to 32767), so play is the same on every machine
// for the same seed.
#pragma once
#include <cstdint>

namespace vantorix {

void SeedRandom(uint32_t seed);
// 0 to 32767.
int32_t NextRandom();
// A whole number from 0 to n (n >= 0; at most 32767 when n is larger). -1 for a negative n.
int32_t RandomUpTo(int32_t n);

}  // namespace vantorix
