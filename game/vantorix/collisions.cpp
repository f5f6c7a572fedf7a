#include "collisions.h"

#include <cmath>

#include "assets.h"
#include "effects.h"
#include "enemy_defeat.h"
#include "enemy_kinds.h"
#include "game_state.h"
#include "pools.h"
#include "score.h"

namespace vantorix {
namespace {

constexpr int kSeShotHit = 13, kSeSlashHit = 14, kSePlayerHit = 21;
constexpr float kBarrierReach = 24.0f;
constexpr int kBarrierErasePoints = 10;
constexpr int kMaxEnergy = 200;
constexpr int kInvulnerableFrames = 180;
constexpr float kBladeReach = 16.0f;
constexpr int kBladeDamage = 10;
constexpr int kAttackFrame = 4;  // the charged attack strikes when its cooldown shows this
constexpr float kAttackAbove = 108.0f, kAttackHalfWidth = 32.0f, kAttackHalfHeight = 84.0f;
constexpr int kAttackDamage = 100;

PlayState& Play() { return Game().play; }

// Takes a life for the bullet; false once the pass over the bullets is to end.
bool HitShip(int bullet) {
    PlayerState& pl = Play().player;
    SpawnEffectByType(kEffectPlayerHit, pl.x, pl.y);
    PlaySe(kSePlayerHit);
    pl.lives -= 1.0f;
    pl.barrierEnergy = kMaxEnergy;
    RemoveObject(kPoolBullets, bullet);
    if (pl.lives == 0.0f) {
        pl.visible = 0;
        Play().gameOverCounter = 1;
        return true;
    }
    pl.invulnerable = kInvulnerableFrames;
    return false;
}

void BulletsAgainstShip() {
    PlayState& p = Play();
    PlayerState& pl = p.player;
    EnemyBulletPool& b = p.bullets;
    bool shielded = pl.barrier == 1;
    if (!shielded && pl.invulnerable != 0) return;
    for (int i = 0; i <= p.top[kPoolBullets]; ++i) {
        if (b.active[i] != 1) continue;
        if (shielded) {
            if (Overlaps(b.x[i], b.y[i], b.hitHalfWidth[i] + kBarrierReach, b.hitHalfHeight[i] + kBarrierReach,
                         pl.x, pl.y, 0.0f, 0.0f)) {
                RemoveObject(kPoolBullets, i);
                AddScore(kBarrierErasePoints);
            }
        } else if (Overlaps(b.x[i], b.y[i], b.hitHalfWidth[i], b.hitHalfHeight[i], pl.x, pl.y,
                            pl.hitHalfWidth, pl.hitHalfHeight) &&
                   !HitShip(i)) {
            return;
        }
    }
}

bool Hittable(int enemy) {
    const EnemyPool& e = Play().enemies;
    return e.active[enemy] == 1 && e.type[enemy] < kFirstLauncherType;
}

// True when the damage destroyed the enemy (or, for a boss, broke its form).
bool Damage(int enemy, int points) {
    EnemyPool& e = Play().enemies;
    e.hitPoints[enemy] -= points;
    if (e.hitPoints[enemy] > 0) return false;
    DestroyEnemy(enemy);
    return true;
}

void ShotsAgainstEnemies() {
    PlayState& p = Play();
    PlayerShotPool& s = p.shots;
    EnemyPool& e = p.enemies;
    for (int i = 0; i <= p.top[kPoolShots]; ++i) {
        for (int k = 0; k <= p.top[kPoolEnemies] && s.active[i] == 1; ++k) {
            if (!Hittable(k) || !Overlaps(s.x[i], s.y[i], s.hitHalfWidth[i], s.hitHalfHeight[i], e.x[k],
                                          e.y[k], e.hitHalfWidth[k], e.hitHalfHeight[k]))
                continue;
            PlaySe(kSeShotHit);
            RemoveObject(kPoolShots, i);
            Damage(k, s.damage[i]);
        }
    }
}

// A strike of the blade or the charged attack from (x, y): each enemy is struck once per
// swing, and one it finishes counts as a slash.
void Strike(int enemy, float x, float y, int damage) {
    EnemyPool& e = Play().enemies;
    PlaySe(kSeSlashHit);
    SpawnEffectByType(kEffectSlashHit, (x + e.x[enemy]) / 2, (y + e.y[enemy]) / 2);
    e.hitFlag[enemy] = 1;
    if (Damage(enemy, damage)) Game().score.slashCount += 1;
}

// Enemies within the reach around (x, y), grown by their own half-sizes, are struck.
void StrikeAround(float x, float y, float reachX, float reachY, int damage) {
    PlayState& p = Play();
    EnemyPool& e = p.enemies;
    for (int k = 0; k <= p.top[kPoolEnemies]; ++k) {
        if (!Hittable(k) || e.hitFlag[k] != 0) continue;
        if (std::fabs(x - e.x[k]) < e.hitHalfWidth[k] + reachX &&
            std::fabs(y - e.y[k]) < e.hitHalfHeight[k] + reachY)
            Strike(k, x, y, damage);
    }
}

void Blade() {
    const PlayerState& pl = Play().player;
    if (pl.bladeTimer < 1.0f) return;
    for (int point = 2; point >= 0; --point)
        StrikeAround(pl.bladeX[point], pl.bladeY[point], kBladeReach, kBladeReach, kBladeDamage);
}

void ChargedAttack() {
    const PlayerState& pl = Play().player;
    if (pl.subCooldown != kAttackFrame) return;
    StrikeAround(pl.x, pl.y - kAttackAbove, kAttackHalfWidth, kAttackHalfHeight, kAttackDamage);
}

}  // namespace

bool Overlaps(float ax, float ay, float aHalfWidth, float aHalfHeight, float bx, float by,
              float bHalfWidth, float bHalfHeight) {
    return std::fabs(ax - bx) < aHalfWidth + bHalfWidth && std::fabs(ay - by) < aHalfHeight + bHalfHeight;
}

void CheckCollisions() {
    const bool shipInPlay = Play().player.visible == 1;
    if (shipInPlay) BulletsAgainstShip();
    ShotsAgainstEnemies();
    // A ship that lost its last life is gone: a swing the hit cut short stands still (it is
    // counted down only while the ship is drawn) and must not go on striking, nor its attack.
    if (!shipInPlay) return;
    Blade();
    ChargedAttack();
}

}  // namespace vantorix
