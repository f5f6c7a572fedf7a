// The game's entry: engine settings, start-up, the state loop and shutdown.
#pragma once

namespace vantorix {

// Engine settings, InitLibrary, the off-screen picture, assets, input, ranking and the
// random seed. -1 when the engine does not start (nothing else has been done then).
int StartGame(unsigned randomSeed);
// Runs the screen of each state until the state is 99 or the pump asks to quit.
void RunStateLoop();
// StartGame with the time as seed, the state loop, EndLibrary. -1 when the engine fails.
int GameMain();

}  // namespace vantorix
