#include "enemy_defeat.h"

#include <orvik/log.h>

#include "assets.h"
#include "boss_phases.h"
#include "effects.h"
#include "game_state.h"
#include "pools.h"
#include "score.h"

namespace vantorix {
namespace {

constexpr int kSeBossBreak = 23;
constexpr int kBossFirstForm = 1;

void Explode(int i) {
    EnemyPool& e = Game().play.enemies;
    PlaySe(e.deathSound[i]);
    if (e.explosion[i] >= 1 && e.explosion[i] <= kEffectTypes)
        SpawnEffectByType(e.explosion[i] - 1, e.x[i], e.y[i]);
}

void ScoreAndRemove(int i) {
    AddScore(KillScore(Game().play.enemies.scoreValue[i]));
    RemoveObject(kPoolEnemies, i);
}

void BreakFirstForm(int i) {
    EnemyPool& e = Game().play.enemies;
    PlaySe(kSeBossBreak);
    SpawnEffectByType(kEffectBossBreak, e.x[i], e.y[i]);
    e.bossFullHitPoints[i] /= 2;
    e.hitPoints[i] = e.bossFullHitPoints[i];
    e.bossState[i] = 2;
    HomeBossIfEntering(i);
    e.movePhase[i] = kBossReturn;
    e.phaseTimer[i] = 1;
    EraseAllEnemyBullets();
}

void EndBoss(int i) {
    PlayState& p = Game().play;
    Explode(i);
    p.bossFlag = 0;
    p.stageClearCounter = 1;
    ScoreAndRemove(i);
    WipePool(2);
    EraseAllEnemyBullets();
}

bool IsLiveEnemy(int slot) {
    return slot >= 0 && slot < kEnemyCapacity && Game().play.enemies.active[slot] == 1;
}

}  // namespace

void DestroyEnemy(int slot) {
    if (!IsLiveEnemy(slot)) {
        orvik::AddLogFormat("DestroyEnemy: no live enemy in slot %d", slot);
        return;
    }
    switch (Game().play.enemies.bossState[slot]) {
        case 0:
            Explode(slot);
            ScoreAndRemove(slot);
            break;
        case kBossFirstForm: BreakFirstForm(slot); break;
        default: EndBoss(slot); break;
    }
}

void EndBossOnTimeout() {
    PlayState& p = Game().play;
    if (IsLiveEnemy(p.bossSlot)) {
        EndBoss(p.bossSlot);
        return;
    }
    // The boss is already gone: the stage still ends rather than waiting for ever.
    orvik::AddLogFormat("EndBossOnTimeout: the boss slot %d holds no enemy", p.bossSlot);
    p.bossFlag = 0;
    p.stageClearCounter = 1;
}

}  // namespace vantorix
