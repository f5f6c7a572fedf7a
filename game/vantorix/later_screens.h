// Screens that arrive with later work (the title and menus, the weapon select, the ending,
// the pause, game-over and stage-clear screens, and the talk scenes). Until then these
// stand-ins keep stage play running: the state loop starts in stage play, the pause resumes
// at once, and a talk scene freezes the field only for the frame it is played in.
#pragma once

namespace vantorix {

void RunTitle();
void RunWeaponSelect();
void RunEnding();
void RunPause();
void RunGameOver();
void RunStageClear();
void BeginTalk();
void ShowTalk(const char* message);
void EndTalk();

}  // namespace vantorix
