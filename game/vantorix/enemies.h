// Stage play's enemies: one frame of every live enemy's behaviour.
#pragma once

namespace vantorix {

// Runs the behaviour of every active enemy by its type, unless the field is frozen.
void UpdateEnemies();

}  // namespace vantorix
