// Effects spawned by type (sparks, explosions, the barrier's rise and fall, erased bullets).
#pragma once

namespace vantorix {

constexpr int kEffectErase = 4;
constexpr int kEffectBarrierUp = 10;
constexpr int kEffectBarrierDown = 11;

// Stand-in until the effect catalogue arrives: no effect is made yet.
void SpawnEffectByType(int type, float x, float y);

}  // namespace vantorix
