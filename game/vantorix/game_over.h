// The game-over screen: the score enters the ranking, then CONTINUE or RETURN TO TITLE.
#pragma once

namespace vantorix {

// Opened by stage play when its game-over counter reaches 60.
void RunGameOver();

}  // namespace vantorix
