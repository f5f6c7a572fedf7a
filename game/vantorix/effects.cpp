#include "effects.h"

namespace vantorix {

void SpawnEffectByType(int, float, float) {}

}  // namespace vantorix
