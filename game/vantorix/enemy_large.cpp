// The larger enemies, the gunships that brake into place and fire volleys, and the two
// invisible ring launchers.
#include "effects.h"
#include "enemy_actions.h"
#include "enemy_behaviours.h"
#include "enemy_bullets.h"
#include "pools.h"

namespace vantorix {
namespace {

void Phase(int i, int phase) { SetEnemyMovePhase(i, phase); }

// Moves while braking; once braked long enough it hovers at a crawl in phase 2.
void BrakeIn(int i, bool braked) {
    Move(i);
    Enemies().speed[i] -= 0.1f;
    if (braked) {
        Enemies().speed[i] = 0.4f;
        Phase(i, 2);
    }
}

bool SpeedAway(int i, float gain) {
    Enemies().speed[i] += gain;
    return !MoveAndLeave(i);
}

// A warning square first; the attack phase follows a second later.
void Warn(int i) {
    int t = Timer(i);
    if (t == 1) EffectAt(i, kEffectWarning);
    if (t == 60) Phase(i, 3);
}

void Volley41(int i, int t) {
    if (t % 180 == 30) FireAimed(i, 1, {0, 5, -5}, 3.0f);
}
bool Gunship41(int i) { return Sentry(i, 156, 480, 220, Volley41); }

bool Gunship42(int i) {
    int t = Timer(i);
    switch (Enemies().movePhase[i]) {
        case 1: BrakeIn(i, t > 60); return true;
        case 2:
            if (t % 120 == 30) FireAimed(i, 1, {0, 10, 20, -10, -20}, 4.0f);
            if (t == 360) TurnTo(i, 270, 3);
            return true;
        default: return SpeedAway(i, 0.1f);
    }
}

void Pair51(int i, int t) {
    if (t == 30) FireAimed(i, 2, {-20, 20}, 3.0f);
}
bool Raider51(int i) { return Sentry(i, 256, 60, kKeepAngle, Pair51); }

bool Raider52(int i) {
    int t = Timer(i);
    switch (Enemies().movePhase[i]) {
        case 1: BrakeIn(i, t > 70); return true;
        case 2:
            RememberPlayer(i);
            Phase(i, 3);
            return true;
        case 3:
            if (t % 5 == 1) FireAtTarget(i, 5, {20, -20}, 5.0f);
            if (t == 20) Phase(i, 4);
            return true;
        default: return SpeedAway(i, 0.1f);
    }
}

void Star61(int i, int t) {
    if (t % 30 == 0) FireFixed(i, 3, {90, 30, 150, 210, 270, 330}, 4.0f);
    if (t == 480) Enemies().speed[i] = 5.0f;
}
bool Turret61(int i) { return Sentry(i, 130, 480, 270, Star61); }

bool Turret62(int i) {
    int t = Timer(i);
    switch (Enemies().movePhase[i]) {
        case 1: BrakeIn(i, t > 50); return true;
        case 2: Warn(i); return true;
        case 3:
            if (t % 2 == 0) FireFixed(i, 3, {90, 250 - t, t - 70, 330 - t, t - 150}, 8.0f);
            if (t == 120) Phase(i, 4);
            return true;
        case 4:
            if (t % 2 == 0) FireFixed(i, 3, {90, 130, 50, 210, -30}, 8.0f);
            if (t == 600) Phase(i, 5);
            return true;
        default: return SpeedAway(i, 0.1f);
    }
}

// The three heavy gunships share their entry and their warning; they differ in the attack.
bool Heavy(int i, void (*attack)(int, int), int attackEnds, float leaveGain) {
    int t = Timer(i);
    switch (Enemies().movePhase[i]) {
        case 1: BrakeIn(i, t >= 60); return true;
        case 2: Warn(i); return true;
        case 3:
            attack(i, t);
            if (t == attackEnds) Phase(i, 4);
            return true;
        default: return SpeedAway(i, leaveGain);
    }
}

void Crossfire71(int i, int t) {
    if (t % 3 != 0) return;
    FireFixed(i, 1, {-t, 180 - t}, 7.0f);
    FireFixed(i, 3, {t / 2, t / 2 + 180}, 7.0f);
}
void Rings81(int i, int t) {
    if (t % 10 == 1) FireRing(i, kAimPlayer, 0, 2, 180, 0, 2, 6.0f);
}
void Star91(int i, int t) {
    if (t % 2 == 1) FireRing(i, kAimFixed, 0, 6, 8, t % 360, 45, 8.0f);
}
bool Heavy71(int i) { return Heavy(i, Crossfire71, 900, 0.1f); }
bool Heavy81(int i) { return Heavy(i, Rings81, 30, 0.2f); }
bool Heavy91(int i) { return Heavy(i, Star91, 600, 0.2f); }

// Launchers show their warning, fire one ring a second later and stay inert.
bool Launcher(int i, int warning, int count, int step) {
    int t = Timer(i);
    if (t == 1) EffectAt(i, warning);
    if (t == 60) FireRing(i, kAimPlayer, 0, 1, count, 0, step, 3.0f);
    return true;
}
bool Launcher201(int i) { return Launcher(i, 30, 180, 2); }
bool Launcher202(int i) { return Launcher(i, kEffectWarning, 32, 12); }

constexpr BehaviourEntry kLarge[] = {
    {41, Gunship41}, {42, Gunship42}, {51, Raider51}, {52, Raider52},       {61, Turret61},
    {62, Turret62},  {71, Heavy71},   {81, Heavy81},  {91, Heavy91},        {201, Launcher201},
    {202, Launcher202},
};

}  // namespace

Behaviour LargeEnemyBehaviour(int type) { return FindBehaviour(kLarge, type); }

}  // namespace vantorix
