#include "enemy_actions.h"

#include "effects.h"
#include "enemy_bullets.h"
#include "pools.h"

namespace vantorix {
namespace {

float GunX(int slot, Gun gun) { return Enemies().x[slot] + gun.dx; }
float GunY(int slot, Gun gun) { return Enemies().y[slot] + gun.dy; }

void FireEach(int slot, int aimMode, int spreadOrSlot, int pattern, std::initializer_list<int> angles,
              float speed, Gun gun) {
    for (int angle : angles)
        FireEnemyBullets(aimMode, spreadOrSlot, pattern, angle, speed, GunX(slot, gun), GunY(slot, gun));
}

}  // namespace

void Move(int slot) { MoveEnemyByAngle(slot); }

bool MoveAndLeave(int slot) {
    MoveEnemyByAngle(slot);
    return CullObject(kPoolEnemies, slot) == 1;
}

void RememberPlayer(int slot) { SetEnemyTarget(slot, Ship().x, Ship().y); }

void TurnTo(int slot, int angle, int phase) {
    Enemies().moveAngle[slot] = angle;
    SetEnemyMovePhase(slot, phase);
}

bool Sentry(int slot, float line, int leaveAt, int leaveAngle, void (*attack)(int slot, int t)) {
    int t = Timer(slot);
    switch (Enemies().movePhase[slot]) {
        case 1:
            MoveEnemyByAngle(slot);
            if (Enemies().y[slot] > line) SetEnemyMovePhase(slot, 2);
            return true;
        case 2:
            attack(slot, t);
            if (t != leaveAt) return true;
            TurnTo(slot, leaveAngle == kKeepAngle ? Enemies().moveAngle[slot] : leaveAngle, 3);
            return true;
        default: return !MoveAndLeave(slot);
    }
}

void EffectAt(int slot, int type, Gun gun) { SpawnEffectByType(type, GunX(slot, gun), GunY(slot, gun)); }

void FireAimed(int slot, int pattern, std::initializer_list<int> offsets, float speed, Gun gun) {
    FireEach(slot, kAimPlayer, 0, pattern, offsets, speed, gun);
}

void FireFixed(int slot, int pattern, std::initializer_list<int> angles, float speed, Gun gun) {
    FireEach(slot, kAimFixed, 0, pattern, angles, speed, gun);
}

void FireAtTarget(int slot, int pattern, std::initializer_list<int> offsets, float speed, Gun gun) {
    FireEach(slot, kAimTarget, slot, pattern, offsets, speed, gun);
}

void FireRing(int slot, int aimMode, int spread, int pattern, int count, int first, int step,
              float speed, Gun gun) {
    int spreadOrSlot = aimMode == kAimTarget ? slot : spread;
    for (int k = 0; k < count; ++k)
        FireEnemyBullets(aimMode, spreadOrSlot, pattern, first + k * step, speed, GunX(slot, gun),
                         GunY(slot, gun));
}

}  // namespace vantorix
