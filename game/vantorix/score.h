// The score: added in 64 bits and held at 999,999,999, the most nine digits can show.
#pragma once
#include <cstdint>

namespace vantorix {

void AddScore(int64_t points);
// What destroying an enemy is worth: (slash count + 1) x its value.
int64_t KillScore(int32_t scoreValue);

}  // namespace vantorix
