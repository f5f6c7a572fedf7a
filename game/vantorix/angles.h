// Angles in the game are whole degrees, 0 along +x and 90 straight down, turned into
// radians with pi taken as 3.1415 everywhere.
#pragma once

namespace vantorix {

constexpr double kGamePi = 3.1415;
inline double DegreesToRadians(int degrees) { return degrees * kGamePi / 180.0; }

}  // namespace vantorix
