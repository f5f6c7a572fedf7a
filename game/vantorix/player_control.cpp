// The ship under the player's hands: sub weapon, blade, barrier, pause and movement.
#include <algorithm>

#include "assets.h"
#include "effects.h"
#include "engine_port.h"
#include "game_state.h"
#include "pools.h"
#include "stage_play.h"

namespace vantorix {
namespace {

constexpr int kTypeA = 1;
constexpr int kTypeB = 2;
constexpr int kFullGauge = 60;
constexpr int kAttackCooldown = 24;
constexpr int kShotInterval = 5;
constexpr float kShotSpeed = 10.0f;
constexpr float kSlashFrames = 13.0f;
constexpr int kBarrierMinimum = 50;
constexpr int kBarrierCost = 20;
constexpr int kSeShot = 11;
constexpr int kSeSlash = 12;
constexpr int kSeAttack = 15;
constexpr int kSeBarrier = 25;

bool Frozen() { return Game().play.freeze != 0; }
PlayerState& Player() { return Game().play.player; }

void ClearEnemyHitFlags() {
    PlayState& p = Game().play;
    for (int i = 0; i <= p.top[kPoolEnemies]; ++i) p.enemies.hitFlag[i] = 0;
}

void Slash() {
    PlaySe(kSeSlash);
    Player().bladeTimer = kSlashFrames;
    Player().subGauge = 0;
    ClearEnemyHitFlags();
}

void DropBarrier() {
    SpawnEffectByType(kEffectBarrierDown, Player().x, Player().y);
    Player().barrier = 0;
}

void SubWeapon(bool held) {
    PlayerState& pl = Player();
    if (held) {
        if (Frozen() || pl.visible != 1) return;
        if (pl.subType == kTypeA && pl.barrier == 0 && pl.subGauge < kFullGauge) pl.subGauge += 1;
        if (pl.subType == kTypeB && pl.shotCooldown == 0 && pl.bladeTimer == 0.0f) {
            PlaySe(kSeShot);
            SpawnPlayerShot(pl.x, pl.y, kShotSpeed);
            pl.shotCooldown = kShotInterval;
        }
        return;
    }
    if (pl.visible != 1 || pl.subType != kTypeA) return;
    if (pl.subGauge == kFullGauge && pl.subCooldown == 0) {
        PlaySe(kSeAttack);
        pl.subCooldown = kAttackCooldown;
        ClearEnemyHitFlags();
    }
    pl.subGauge = 0;
}

void Blade(bool held, int32_t& latch) {
    PlayerState& pl = Player();
    if (!held) {
        latch = 0;
        return;
    }
    if (latch == 0) {
        if (!Frozen() && pl.visible == 1 && pl.subCooldown == 0) {
            latch = 1;
            Slash();
        }
        return;
    }
    int32_t autoMode = Game().options.bladeAuto;
    if ((autoMode == kBladeAutoHalf && pl.bladeTimer == 5.0f) ||
        (autoMode == kBladeAutoFull && pl.bladeTimer == 0.0f))
        Slash();
}

void Barrier(bool held, int32_t& latch) {
    PlayerState& pl = Player();
    if (!held) {
        latch = 0;
        if (Game().options.barrierType == kBarrierTrigger && pl.barrier == 1) DropBarrier();
        return;
    }
    if (latch != 0 || Frozen() || pl.visible != 1) return;
    latch = 1;
    if (pl.barrier == 1) {
        DropBarrier();
    } else if (pl.barrierEnergy >= kBarrierMinimum) {
        pl.subGauge = 0;
        PlaySe(kSeBarrier);
        SpawnEffectByType(kEffectBarrierUp, pl.x, pl.y);
        pl.barrierEnergy -= kBarrierCost;
        pl.barrier = 1;
    }
}

void Pause(bool held, int32_t& latch) {
    if (!held) {
        latch = 0;
        return;
    }
    if (latch != 0) return;
    latch = 1;
    Sound().StopSound(Game().assets.bgmHandle);
    Game().play.pause = 1;
    Game().play.freeze = 1;
}

void Move() {
    InputState& in = Game().input;
    PlayerState& pl = Player();
    struct Step {
        int action;
        float dx, dy;
    };
    static constexpr Step kSteps[] = {{kActDown, 0, 1}, {kActLeft, -1, 0}, {kActUp, 0, -1},
                                      {kActRight, 1, 0}};
    for (const Step& step : kSteps) {
        if (!in.held[step.action] || in.latch[step.action] != 0) continue;
        float speed = pl.barrier == 0 ? 3.0f : (pl.style == 1 ? 9.0f : 6.0f);
        pl.speedX = pl.speedY = speed;
        pl.x = std::clamp(pl.x + step.dx * pl.speedX, 48.0f, 400.0f);
        pl.y = std::clamp(pl.y + step.dy * pl.speedY, 32.0f, 448.0f);
    }
}

}  // namespace

void ControlPlayer() {
    InputState& in = Game().input;
    SubWeapon(in.held[kActSub] != 0);
    Blade(in.held[kActBlade] != 0, in.latch[kActBlade]);
    Barrier(in.held[kActBarrier] != 0, in.latch[kActBarrier]);
    Pause(in.held[kActPause] != 0, in.latch[kActPause]);
    Move();
}

}  // namespace vantorix
