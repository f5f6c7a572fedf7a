// Screens and passes of stage play that arrive with later work (the title and menus, the
// weapon select, the ending, the pause, game-over and stage-clear screens, the enemies and
// the collision pass). Until then these stand-ins keep stage play running: the state loop
// starts in stage play, the pause resumes at once, and nothing collides.
#pragma once

namespace vantorix {

void RunTitle();
void RunWeaponSelect();
void RunEnding();
void RunPause();
void RunGameOver();
void RunStageClear();
void UpdateEnemies();
void CheckCollisions();
void EndBossOnTimeout();

}  // namespace vantorix
