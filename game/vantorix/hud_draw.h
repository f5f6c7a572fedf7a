// The gauges and the panel right of the play field: scores, slash count, lives, extends.
#pragma once

namespace vantorix {

void DrawGauges();
void DrawHud();
// The high score and the score as nine digits; grants an extend when the score has
// reached the threshold.
void DrawScore();
void DrawSlashCount();

}  // namespace vantorix
