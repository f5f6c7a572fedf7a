#include "engine/sound/core/sound_state.h"

namespace movie_test {

void ResetSound() { orvik::ResetSoundState(); }

}  // namespace movie_test
