// The four fixed pools of what moves on the play field besides the ship: slot search,
// highest-used bookkeeping, the leaving test, whole-pool wipes and the spawners.
#pragma once

namespace vantorix {

// The lowest free slot of the pool, -1 when all are in use (or the kind is unknown).
int FindFreeSlot(int kind);
// The highest slot whose active flag is 1; 0 when none is.
int GetPoolTop(int kind);
// Removes an object of kinds 0..2 that has left the field (beyond its leave half-size past
// a border, coordinates truncated toward zero). 1 when removed.
int CullObject(int kind, int slot);
// Clears the slot the way every removal does: inactive, count down, top recomputed.
void RemoveObject(int kind, int slot);
// 2: every enemy explodes without score; 3: every enemy bullet turns into an erase effect.
void WipePool(int which);
// Every enemy bullet becomes an erase effect where it was; count and top 0.
void EraseAllEnemyBullets();
// Clears every slot of the four pools and their counts (tops stay until the next change).
void ClearAllPools();

void SpawnPlayerShot(float x, float y, float speed);

struct EnemySpawn {
    int type, hitPoints, scoreValue, sprite, explosion, deathSound, angle;
    float speed;
    int directionRule, layer;
    float x, y;
    int width, height;
    float hitHalfWidth, hitHalfHeight, leaveHalfWidth, leaveHalfHeight;
    int drawStyle, animImages, animTicks;
};
void SpawnEnemy(const EnemySpawn& spawn);

struct BulletSpawn {
    int kind, sprite, angle, drawAngle;
    float speed, x, y, hitHalfWidth, hitHalfHeight, leaveHalfWidth, leaveHalfHeight;
    int drawStyle, animImages, animTicks, width, height;
};
void SpawnEnemyBullet(const BulletSpawn& spawn);

struct EffectSpawn {
    int moveAngle, drawAngle;
    float speed;
    int x, y;
    float height;
    int leaveHalfWidth;
    float leaveHalfHeight;
    int kind, animImages, animTicks, blendMode, blendParam, sprite, layer, width;
};
void SpawnEffect(const EffectSpawn& spawn);

void SetEnemyMovePhase(int slot, int phase);
void MoveEnemyByAngle(int slot);
void SetEnemyTarget(int slot, float x, float y);

}  // namespace vantorix
