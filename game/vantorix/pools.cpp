#include "pools.h"

#include <cmath>

#include "angles.h"
#include "assets.h"
#include "effects.h"
#include "engine_port.h"
#include "game_state.h"

namespace vantorix {
namespace {

constexpr int kCapacity[kPoolCount] = {kShotCapacity, kEnemyCapacity, kBulletCapacity,
                                       kEffectCapacity};
constexpr int kBossTimerStart = 5939;
constexpr float kMirrorFromX = 225.0f;

const int32_t* ActiveFlags(int kind) {
    PlayState& p = Game().play;
    switch (kind) {
        case kPoolShots: return p.shots.active;
        case kPoolEnemies: return p.enemies.active;
        case kPoolBullets: return p.bullets.active;
        case kPoolEffects: return p.effects.active;
        default: return nullptr;
    }
}

int32_t* MutableActive(int kind) { return const_cast<int32_t*>(ActiveFlags(kind)); }

void Occupy(int kind, int slot) {
    MutableActive(kind)[slot] = 1;
    Game().play.count[kind] += 1;
    Game().play.top[kind] = GetPoolTop(kind);
}

bool Outside(float x, float y, float leaveW, float leaveH) {
    int xi = static_cast<int>(x), yi = static_cast<int>(y);
    int w = static_cast<int>(leaveW), h = static_cast<int>(leaveH);
    return xi < 32 - w || xi > 416 + w || yi < 16 - h || yi > 464 + h;
}

int DirectionSign(int rule, float x) {
    if (rule == 1) return x >= kMirrorFromX ? -1 : 1;
    return rule == 2 ? -1 : 1;
}

void WipeEnemies() {
    EnemyPool& e = Game().play.enemies;
    for (int i = 0; i < kEnemyCapacity; ++i) {
        if (e.active[i] != 1) continue;
        PlaySe(e.deathSound[i]);
        if (e.explosion[i] >= 1 && e.explosion[i] <= 34)
            SpawnEffectByType(e.explosion[i] - 1, e.x[i], e.y[i]);
        e.active[i] = 0;
    }
}

}  // namespace

void EraseAllEnemyBullets() {
    EnemyBulletPool& b = Game().play.bullets;
    for (int i = 0; i < kBulletCapacity; ++i) {
        if (b.active[i] != 1) continue;
        SpawnEffectByType(kEffectErase, b.x[i], b.y[i]);
        b.active[i] = 0;
    }
    Game().play.count[kPoolBullets] = 0;
    Game().play.top[kPoolBullets] = 0;
}

int FindFreeSlot(int kind) {
    const int32_t* active = ActiveFlags(kind);
    if (!active) return -1;
    for (int i = 0; i < kCapacity[kind]; ++i)
        if (active[i] == 0) return i;
    return -1;
}

int GetPoolTop(int kind) {
    const int32_t* active = ActiveFlags(kind);
    if (!active) return 0;
    for (int i = kCapacity[kind] - 1; i >= 0; --i)
        if (active[i] == 1) return i;
    return 0;
}

void RemoveObject(int kind, int slot) {
    MutableActive(kind)[slot] = 0;
    Game().play.count[kind] -= 1;
    Game().play.top[kind] = GetPoolTop(kind);
}

int CullObject(int kind, int slot) {
    PlayState& p = Game().play;
    bool out;
    switch (kind) {
        case kPoolShots:
            out = Outside(p.shots.x[slot], p.shots.y[slot], p.shots.leaveHalfWidth[slot],
                          p.shots.leaveHalfHeight[slot]);
            break;
        case kPoolEnemies:
            out = Outside(p.enemies.x[slot], p.enemies.y[slot], p.enemies.leaveHalfWidth[slot],
                          p.enemies.leaveHalfHeight[slot]);
            break;
        case kPoolBullets:
            out = Outside(p.bullets.x[slot], p.bullets.y[slot], p.bullets.leaveHalfWidth[slot],
                          p.bullets.leaveHalfHeight[slot]);
            break;
        default: return 0;
    }
    if (!out) return 0;
    RemoveObject(kind, slot);
    return 1;
}

void WipePool(int which) {
    if (which == 2) {
        WipeEnemies();
        Game().play.count[kPoolEnemies] = 0;
        Game().play.top[kPoolEnemies] = 0;
    } else if (which == 3) {
        EraseAllEnemyBullets();
    }
}

void ClearAllPools() {
    PlayState& p = Game().play;
    for (int kind = 0; kind < kPoolCount; ++kind) {
        int32_t* active = MutableActive(kind);
        for (int i = 0; i < kCapacity[kind]; ++i) active[i] = 0;
        p.count[kind] = 0;
    }
}

void SpawnPlayerShot(float x, float y, float speed) {
    int i = FindFreeSlot(kPoolShots);
    if (i < 0) return;
    PlayerShotPool& s = Game().play.shots;
    s.damage[i] = 1;
    s.sprite[i] = 1001;
    s.drawAngle[i] = -1;
    s.moveAngle[i] = 270;
    s.speed[i] = speed;
    s.x[i] = x;
    s.y[i] = y;
    s.width[i] = s.height[i] = 32;
    s.halfWidth[i] = s.halfHeight[i] = 16;
    s.hitHalfWidth[i] = 4.0f;
    s.hitHalfHeight[i] = 12.0f;
    s.leaveHalfWidth[i] = s.leaveHalfHeight[i] = 16.0f;
    Occupy(kPoolShots, i);
}

void SpawnEnemy(const EnemySpawn& in) {
    int i = FindFreeSlot(kPoolEnemies);
    if (i < 0) return;
    EnemyPool& e = Game().play.enemies;
    e.hitPoints[i] = in.hitPoints;
    e.scoreValue[i] = in.scoreValue;
    e.phaseTimer[i] = 0;
    e.type[i] = in.type;
    e.sprite[i] = in.sprite;
    e.explosion[i] = in.explosion;
    e.deathSound[i] = in.deathSound;
    e.movePhase[i] = 1;
    e.direction[i] = DirectionSign(in.directionRule, in.x);
    e.moveAngle[i] = in.angle;
    e.speed[i] = in.speed;
    e.layer[i] = in.layer;
    e.hitFlag[i] = 0;
    e.x[i] = in.x;
    e.y[i] = in.y;
    e.width[i] = in.width;
    e.height[i] = in.height;
    e.halfWidth[i] = in.width / 2;
    e.halfHeight[i] = in.height / 2;
    e.hitHalfWidth[i] = in.hitHalfWidth;
    e.hitHalfHeight[i] = in.hitHalfHeight;
    e.leaveHalfWidth[i] = in.leaveHalfWidth;
    e.leaveHalfHeight[i] = in.leaveHalfHeight;
    e.drawStyle[i] = in.drawStyle;
    e.animImages[i] = in.animImages;
    e.animTicks[i] = in.animTicks;
    e.animCounter[i] = 0;
    bool boss = in.type >= 101 && in.type <= 199;
    e.bossState[i] = boss ? 1 : 0;
    e.bossFullHitPoints[i] = boss ? in.hitPoints : 0;
    if (boss) {
        PlayState& p = Game().play;
        p.bossFlag = 1;
        p.bossTimer = kBossTimerStart;
        p.bossSlot = i;
    }
    Occupy(kPoolEnemies, i);
}

void SpawnEnemyBullet(const BulletSpawn& in) {
    int i = FindFreeSlot(kPoolBullets);
    if (i < 0) return;
    EnemyBulletPool& b = Game().play.bullets;
    b.life[i] = 0;
    b.kind[i] = in.kind;
    b.sprite[i] = in.sprite;
    b.moveAngle[i] = in.angle;
    b.drawAngle[i] = in.drawAngle;
    b.speed[i] = in.speed;
    b.x[i] = in.x;
    b.y[i] = in.y;
    b.width[i] = in.width;
    b.height[i] = in.height;
    b.halfWidth[i] = in.width / 2;
    b.halfHeight[i] = in.height / 2;
    b.hitHalfWidth[i] = in.hitHalfWidth;
    b.hitHalfHeight[i] = in.hitHalfHeight;
    b.leaveHalfWidth[i] = in.leaveHalfWidth;
    b.leaveHalfHeight[i] = in.leaveHalfHeight;
    b.drawStyle[i] = in.drawStyle;
    b.animImages[i] = in.animImages;
    b.animTicks[i] = in.animTicks;
    b.animCounter[i] = 0;
    Occupy(kPoolBullets, i);
}

void SpawnEffect(const EffectSpawn& in) {
    int i = FindFreeSlot(kPoolEffects);
    if (i < 0) return;
    EffectPool& f = Game().play.effects;
    f.sprite[i] = in.sprite;
    f.moveAngle[i] = in.moveAngle;
    f.drawAngle[i] = in.drawAngle;
    f.speed[i] = in.speed;
    f.layer[i] = in.layer;
    f.blendParam[i] = in.blendParam;
    f.blendMode[i] = in.blendMode;
    f.x[i] = static_cast<float>(in.x);
    f.y[i] = static_cast<float>(in.y);
    f.width[i] = in.width;
    f.height[i] = static_cast<int32_t>(in.height);
    f.halfWidth[i] = in.width / 2;
    f.halfHeight[i] = static_cast<int32_t>(in.height * 0.5f);
    f.leaveHalfWidth[i] = static_cast<float>(in.leaveHalfWidth);
    f.leaveHalfHeight[i] = in.leaveHalfHeight;
    f.kind[i] = in.kind;
    f.animImages[i] = in.animImages;
    f.animTicks[i] = in.animTicks;
    f.animCounter[i] = 0;
    // The scale follows the sprite's own width; with no size known (no sprite, or a sprite
    // that did not load) the scale is 0, which draws nothing.
    int spriteWidth = 0;
    bool known = Draw().QueryGraphSize(SpriteHandle(in.sprite), &spriteWidth, nullptr) == 0;
    f.scale[i] = known && spriteWidth > 0 ? static_cast<float>(in.width) / spriteWidth : 0.0f;
    Occupy(kPoolEffects, i);
}

void SetEnemyMovePhase(int slot, int phase) {
    Game().play.enemies.movePhase[slot] = phase;
    Game().play.enemies.phaseTimer[slot] = 0;
}

void MoveEnemyByAngle(int slot) {
    EnemyPool& e = Game().play.enemies;
    double a = DegreesToRadians(e.moveAngle[slot]);
    e.x[slot] += static_cast<float>(std::cos(a) * e.speed[slot] * e.direction[slot]);
    e.y[slot] += static_cast<float>(std::sin(a) * e.speed[slot]);
}

void SetEnemyTarget(int slot, float x, float y) {
    Game().play.enemies.targetX[slot] = x;
    Game().play.enemies.targetY[slot] = y;
}

}  // namespace vantorix
