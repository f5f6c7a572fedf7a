// The bosses' attack phases as data: which boss, which phase, the attack run on every
// frame of it and the frame at which it ends.
#pragma once
#include <span>

namespace vantorix {

constexpr int kBossEntry = 1;
constexpr int kBossReturn = 10;
constexpr int kBossSecondForm = 11;

struct BossPhase {
    int type, phase;
    void (*attack)(int slot, int t);
    int endsAt;
    // The next phase of the first form; in the second form, the timer value it starts over from.
    int then;
};

// A boss broken before its entry has ended has no home yet: it takes the point straight
// below it on the line where entries end, so that its return stays on the field.
void HomeBossIfEntering(int slot);

// Bosses of stages 1 to 3, and of stages 4 to 6.
std::span<const BossPhase> EarlyBossPhases();
std::span<const BossPhase> LateBossPhases();

}  // namespace vantorix
