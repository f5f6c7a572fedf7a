// Stage play: one game from stage 1 until the player leaves, the game ends or the last
// stage is cleared.
#pragma once

namespace vantorix {

enum ResetMode { kNewGame = 1, kContinue = 3 };

// The screen of game state 1.
void RunStage();
// What RunStage does before its first frame.
void BeginStage();
// One frame of play; false once the stage ends (its exit flag, or the pump asks to quit).
bool StageFrame();

void ResetGame(int mode);
// The ship, the flags and counters of play, the scroll and the phase back to where a stage
// starts; lives, score, slash count and extends stay. The pools are left as they are.
void ResetStageRun();
void UpdateBarrierEnergy();
// Moves to the next phase when the phase frame has reached the phase's length.
void AdvancePhase();
// Input for the ship: sub weapon, blade, barrier, pause and movement.
void ControlPlayer();

}  // namespace vantorix
