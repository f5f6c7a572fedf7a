// The ten best scores in memory and the ranking screen.
#pragma once
#include <cstdint>

namespace vantorix {

// Puts the score in the first place holding a strictly lower score (the places below move
// down, the tenth drops out) and saves the ranking in either case. The place 1..10, or 0.
int InsertScore(int32_t score);
// The ranking screen; a score above 0 is inserted first (without saving). Z saves and
// leaves, ESC leaves the game.
void ShowRanking(int32_t score);

}  // namespace vantorix
