// The enemy catalogue: every enemy type with its hit points, score, looks and sizes.
#pragma once

namespace vantorix {

constexpr int kFirstBossType = 101;
constexpr int kLastBossType = 106;
constexpr int kFirstLauncherType = 200;  // types from here on cannot be hit

// Creates an enemy of the type at (x, y) in play-field coordinates (0, 0 is the field's
// top-left corner). A type without a catalogue row is refused with a log line. 0 when made
// (a full pool silently drops it, as every spawn does), -1 when refused.
int SpawnEnemyByType(int type, float x, float y);

}  // namespace vantorix
