#include "score.h"

#include <algorithm>

#include "game_files.h"
#include "game_state.h"

namespace vantorix {

void AddScore(int64_t points) {
    int32_t& score = Game().score.score;
    score = static_cast<int32_t>(std::clamp<int64_t>(score + points, 0, kScoreCap));
}

int64_t KillScore(int32_t scoreValue) {
    return (static_cast<int64_t>(Game().score.slashCount) + 1) * scoreValue;
}

}  // namespace vantorix
