// The small steps enemy behaviours are made of: moving, leaving the field, phase changes,
// firing bullet fans and rings from a gun, and effects at the enemy.
#pragma once
#include <initializer_list>

#include "game_state.h"

namespace vantorix {

// A point relative to an enemy's centre from which it fires.
struct Gun {
    float dx, dy;
};
constexpr Gun kCentre{0.0f, 0.0f};

inline EnemyPool& Enemies() { return Game().play.enemies; }
inline const PlayerState& Ship() { return Game().play.player; }
inline int Timer(int slot) { return Game().play.enemies.phaseTimer[slot]; }

// Moves along the angle, then removes the enemy when it has left the field; true when removed.
bool MoveAndLeave(int slot);
// Moves along the angle at the current speed (its x step mirrored by the direction sign).
void Move(int slot);
void RememberPlayer(int slot);
// A new angle and a new movement phase.
void TurnTo(int slot, int angle, int phase);

// A sentry descends until it is below the line, stands attacking, and at leaveAt flies off
// along leaveAngle (its own angle when kKeepAngle). attack(slot, t) runs on each frame it
// stands. False once it has left the field.
constexpr int kKeepAngle = -1000;
bool Sentry(int slot, float line, int leaveAt, int leaveAngle, void (*attack)(int slot, int t));
void EffectAt(int slot, int type, Gun gun = kCentre);

// One bullet per offset, aimed at the ship from the gun.
void FireAimed(int slot, int pattern, std::initializer_list<int> offsets, float speed, Gun gun = kCentre);
// One bullet per angle, in fixed directions.
void FireFixed(int slot, int pattern, std::initializer_list<int> angles, float speed, Gun gun = kCentre);
// One bullet per offset, aimed at the enemy's remembered point.
void FireAtTarget(int slot, int pattern, std::initializer_list<int> offsets, float speed, Gun gun = kCentre);
// count bullets at offsets first, first + step, ... by the aim mode (with spread for aimed
// and fixed modes, the enemy's own remembered point for the target mode).
void FireRing(int slot, int aimMode, int spread, int pattern, int count, int first, int step,
              float speed, Gun gun = kCentre);

}  // namespace vantorix
