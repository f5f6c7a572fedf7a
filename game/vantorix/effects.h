// Effects made by catalogue number at a point: explosions, sparks, shock rings, the
// barrier's rise and fall, erased bullets, warnings and beams.
#pragma once

namespace vantorix {

constexpr int kEffectTypes = 34;
constexpr int kEffectBossBreak = 2;
constexpr int kEffectErase = 4;
constexpr int kEffectBarrierUp = 10;
constexpr int kEffectBarrierDown = 11;
constexpr int kEffectSlashHit = 12;
constexpr int kEffectPlayerHit = 13;
constexpr int kEffectWarning = 20;

// Makes the effects of the type (0..33) centred on (x, y); types without effects make
// nothing, and a type outside the catalogue is refused with a log line.
void SpawnEffectByType(int type, float x, float y);

}  // namespace vantorix
