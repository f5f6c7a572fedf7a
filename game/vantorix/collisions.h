// The collision pass of stage play: enemy bullets against the ship or its barrier, then the
// ship's shots, blade and charged attack against the enemies.
#pragma once

namespace vantorix {

// Strict overlap of two boxes given by centres and half-sizes.
bool Overlaps(float ax, float ay, float aHalfWidth, float aHalfHeight, float bx, float by,
              float bHalfWidth, float bHalfHeight);

void CheckCollisions();

}  // namespace vantorix
