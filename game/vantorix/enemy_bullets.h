// Enemy bullets by numbered pattern: one call makes one bullet, aimed at the ship, at a
// remembered point, or in a fixed direction; spreads and rings are many calls.
#pragma once

namespace vantorix {

enum AimMode : int { kAimFixed = 0, kAimPlayer = 1, kAimTarget = 2 };

// One bullet of the pattern (1..11) at (x, y). With kAimTarget the second argument is the
// slot of the enemy whose remembered point is aimed at; otherwise it is the random spread
// in whole degrees. The random number is drawn even when the pattern is unknown, so that
// what follows stays the same.
void FireEnemyBullets(int aimMode, int spreadOrSlot, int pattern, int angleOffset, float speed,
                      float x, float y);
// The angle (radians) of the direction (x, y) in single precision.
float Atan2f(float y, float x);
// Whole degrees toward (toX, toY) from (fromX, fromY), before truncation.
double DegreesToward(float fromX, float fromY, float toX, float toY);

}  // namespace vantorix
