// Drawing one frame of the play field into the off-screen picture, in layer order. The
// draws also step what belongs to what they show (animations, the blade swing, the
// effects' growth and fading), except while the field is frozen.
#pragma once

namespace vantorix {

void DrawStageMap();
void DrawPlayerShots();
void DrawEnemies(int layer);
void DrawEnemyBullets();
void DrawEffects(int layer);
void DrawPlayer();

}  // namespace vantorix
