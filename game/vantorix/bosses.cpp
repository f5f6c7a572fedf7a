// The phase machine every boss shares: its entry, its cycle of attack phases, the glide back
// home after the first defeat and the endless second form.
#include <orvik/log.h>

#include <algorithm>

#include "boss_phases.h"
#include "enemy_actions.h"
#include "enemy_behaviours.h"
#include "pools.h"

namespace vantorix {
namespace {

constexpr float kEntryLine = 136.0f;
constexpr int kGlideFrames = 30;

const BossPhase* FindPhase(int type, int phase) {
    for (auto table : {EarlyBossPhases(), LateBossPhases()})
        for (const BossPhase& row : table)
            if (row.type == type && row.phase == phase) return &row;
    return nullptr;
}

void Enter(int i) {
    EnemyPool& e = Enemies();
    Move(i);
    if (e.y[i] <= kEntryLine) return;
    e.homeX[i] = e.x[i];
    e.homeY[i] = e.y[i];
    SetEnemyMovePhase(i, 2);
}

// Back to where the entry ended, in equal steps, before the second form begins.
void GlideHome(int i) {
    EnemyPool& e = Enemies();
    int t = Timer(i);
    if (t == 1) {
        e.glideX[i] = (e.homeX[i] - e.x[i]) / kGlideFrames;
        e.glideY[i] = (e.homeY[i] - e.y[i]) / kGlideFrames;
    }
    e.x[i] += e.glideX[i];
    e.y[i] += e.glideY[i];
    if (t == kGlideFrames) SetEnemyMovePhase(i, kBossSecondForm);
}

void Attack(int i) {
    EnemyPool& e = Enemies();
    const BossPhase* row = FindPhase(e.type[i], e.movePhase[i]);
    if (!row) {
        // Only a corrupted phase gets here; the boss stands still rather than act at random.
        orvik::AddLogFormat("Boss type %d has no phase %d", e.type[i], e.movePhase[i]);
        return;
    }
    int t = Timer(i);
    row->attack(i, t);
    if (t != row->endsAt) return;
    if (row->phase == kBossSecondForm)
        e.phaseTimer[i] = row->then;
    else
        SetEnemyMovePhase(i, row->then);
}

}  // namespace

void HomeBossIfEntering(int slot) {
    EnemyPool& e = Enemies();
    if (e.movePhase[slot] != kBossEntry) return;
    e.homeX[slot] = e.x[slot];
    e.homeY[slot] = std::max(e.y[slot], kEntryLine);
}

bool BehaveBoss(int i) {
    switch (Enemies().movePhase[i]) {
        case kBossEntry: Enter(i); break;
        case kBossReturn: GlideHome(i); break;
        default: Attack(i); break;
    }
    return true;
}

}  // namespace vantorix
