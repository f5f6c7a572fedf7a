// What follows when an enemy's hit points run out, and when a boss's time runs out.
#pragma once

namespace vantorix {

// An ordinary enemy explodes and scores; a boss in its first form breaks and returns home
// in its second form; a boss in its second form ends the stage.
void DestroyEnemy(int slot);
// Ends the boss whose time has run out as a final defeat, whatever its form.
void EndBossOnTimeout();

}  // namespace vantorix
