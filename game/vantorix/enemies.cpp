#include "enemies.h"

#include "enemy_behaviours.h"
#include "enemy_kinds.h"
#include "game_state.h"

namespace vantorix {
namespace {

Behaviour BehaviourOf(int type) {
    if (type >= kFirstBossType && type <= kLastBossType) return BehaveBoss;
    if (Behaviour small = SmallEnemyBehaviour(type)) return small;
    return LargeEnemyBehaviour(type);
}

}  // namespace

void UpdateEnemies() {
    PlayState& p = Game().play;
    if (p.freeze != 0) return;
    EnemyPool& e = p.enemies;
    // The top is read on every pass: behaviours remove enemies and launch new ones.
    for (int i = 0; i <= p.top[kPoolEnemies] && i < kEnemyCapacity; ++i) {
        if (e.active[i] != 1) continue;
        Behaviour behaviour = BehaviourOf(e.type[i]);
        if (behaviour && behaviour(i)) e.phaseTimer[i] += 1;
    }
}

}  // namespace vantorix
