// The small enemies: drifting gunners, swoopers, loopers and side-flyers.
#include <cmath>

#include "angles.h"
#include "enemy_actions.h"
#include "enemy_behaviours.h"
#include "enemy_bullets.h"
#include "pools.h"

namespace vantorix {
namespace {

constexpr float kBelowField = 480.0f;

float Y(int i) { return Enemies().y[i]; }
float X(int i) { return Enemies().x[i]; }
void Phase(int i, int phase) { SetEnemyMovePhase(i, phase); }

// The leaving test, run once the enemy has sunk below the field; true when it is removed.
bool LeftBelow(int i) { return Y(i) > kBelowField && CullObject(kPoolEnemies, i) == 1; }

// Sinks straight down, firing once a second; its timer runs 0..59 over and over.
bool Drifter(int i) {
    EnemyPool& e = Enemies();
    int t = Timer(i);
    e.y[i] += static_cast<float>(std::sin(DegreesToRadians(e.moveAngle[i])) * e.speed[i]);
    if (t == 30) FireAimed(i, 1, {0}, 5.0f);
    if (t >= 59) e.phaseTimer[i] = -1;  // counted back up to 0 at the end of the frame
    return !LeftBelow(i);  // nothing else would ever remove it
}

// Sinks slowly while spinning out two streams; mirrored spins the other way.
bool Spinner(int i, int sign) {
    int t = Timer(i);
    Move(i);
    if (t % 2 == 0) {
        int a = sign * ((t / 2) % 360);
        FireFixed(i, 3, {a, a + 180}, 8.0f);
    }
    return !LeftBelow(i);
}
bool Spinner2(int i) { return Spinner(i, 1); }
bool Spinner3(int i) { return Spinner(i, -1); }

void Hover11(int i, int t) {
    if (t % 120 == 30) FireAimed(i, 1, {0}, 3.0f);
}
bool Hoverer11(int i) { return Sentry(i, 196, 400, 225, Hover11); }

bool Patroller12(int i) {
    EnemyPool& e = Enemies();
    int t = Timer(i);
    switch (e.movePhase[i]) {
        case 1:
            if (t == 1 && Y(i) > 240) e.moveAngle[i] += 180;
            Move(i);
            if (t == 60) Phase(i, 2);
            return true;
        case 2:
            if (t == 30) FireAimed(i, 1, {10, -10}, 2.0f);
            if (t == 60) {
                bool below = Ship().y > Y(i);
                TurnTo(i, below ? 90 : 270, below ? 3 : 4);
            }
            return true;
        case 3:
            Move(i);
            if (t == 30 || Y(i) > 456) Phase(i, 2);
            return true;
        case 4:
            Move(i);
            if (t == 40 || Y(i) < 56) Phase(i, 2);
            return true;
        default: return true;
    }
}

bool Brake16(int i) {
    EnemyPool& e = Enemies();
    int t = Timer(i);
    switch (e.movePhase[i]) {
        case 1:
            if (Y(i) < 16) {
                TurnTo(i, 90, 2);
            } else if (Y(i) > 464) {
                TurnTo(i, 270, 2);
            }
            return true;
        case 2:
            Move(i);
            e.speed[i] -= 0.1f;
            if (t > 50) {
                e.speed[i] = 0.4f;
                Phase(i, 3);
            }
            return true;
        case 3:
            if (t > 30 && t % 30 == 0) FireAimed(i, 1, {0}, 4.0f);
            if (t == 300) {
                e.moveAngle[i] += 180;
                Phase(i, 4);
            }
            return true;
        default:
            e.speed[i] += 0.1f;
            return !MoveAndLeave(i);
    }
}

void Drop21(int i, int t) {
    if (t == 30) FireAimed(i, 2, {0}, 3.0f);
}
bool Dropper21(int i) { return Sentry(i, 216, 60, kKeepAngle, Drop21); }

// Dives at the ship, then curls away to the side it is on.
bool Diver22(int i) {
    EnemyPool& e = Enemies();
    int t = Timer(i);
    switch (e.movePhase[i]) {
        case 1:
            if (t == 1) e.moveAngle[i] = static_cast<int>(DegreesToward(X(i), Y(i), Ship().x, Ship().y));
            Move(i);
            if (Y(i) > Ship().y - 160) Phase(i, Ship().x > X(i) ? 2 : 3);
            return true;
        case 2:
        case 3:
            e.moveAngle[i] += e.movePhase[i] == 2 ? 2 : -2;
            e.speed[i] -= 0.1f;
            Move(i);
            if (t == 30) {
                FireAimed(i, 2, {0}, 3.0f);
                Phase(i, 4);
            }
            return true;
        default:
            e.speed[i] += 0.2f;
            return !MoveAndLeave(i);
    }
}

bool Swooper26(int i) {
    int t = Timer(i);
    switch (Enemies().movePhase[i]) {
        case 1:
            Move(i);
            if (Y(i) >= 316) {
                TurnTo(i, 315, 2);
            }
            return true;
        case 2:
            Move(i);
            if (t == 30) {
                TurnTo(i, 270, 3);
            }
            return true;
        default:
            if (MoveAndLeave(i)) return false;
            if (t == 1) FireAimed(i, 1, {0}, 5.0f);
            return true;
    }
}

bool Looper27(int i) {
    EnemyPool& e = Enemies();
    int t = Timer(i);
    switch (e.movePhase[i]) {
        case 1:
            Move(i);
            if (X(i) > 152 && X(i) < 296) Phase(i, 2);
            return true;
        case 2:
            Move(i);
            e.moveAngle[i] -= 6;
            if (t == 40) FireAimed(i, 1, {0}, 5.0f);
            if (t == 45) Phase(i, 3);
            return true;
        default: return !MoveAndLeave(i);
    }
}

bool Crosser28(int i) {
    int t = Timer(i);
    switch (Enemies().movePhase[i]) {
        case 1:
            if (Y(i) < 16) {
                TurnTo(i, 90, 3);
            } else if (Y(i) > 464) {
                TurnTo(i, 270, 3);
            } else {
                Phase(i, 2);
            }
            return true;
        case 2:
            Move(i);
            if (X(i) > 92 && X(i) < 356) Phase(i, 4);
            return true;
        case 3:
            Move(i);
            if (Y(i) > 76 && Y(i) < 404) Phase(i, 4);
            return true;
        default:
            if (MoveAndLeave(i)) return false;
            if (t == 70) FireAimed(i, 1, {0}, 5.0f);
            return true;
    }
}

void Drip31(int i, int t) {
    if (t % 15 == 2) FireFixed(i, 3, {90}, 3.0f);
}
bool Dripper31(int i) { return Sentry(i, 156, 480, 270, Drip31); }

constexpr BehaviourEntry kSmall[] = {
    {1, Drifter},     {2, Spinner2},   {3, Spinner3},   {11, Hoverer11}, {12, Patroller12},
    {16, Brake16},    {21, Dropper21}, {22, Diver22},   {26, Swooper26}, {27, Looper27},
    {28, Crosser28},  {31, Dripper31},
};

}  // namespace

Behaviour SmallEnemyBehaviour(int type) { return FindBehaviour(kSmall, type); }

}  // namespace vantorix
