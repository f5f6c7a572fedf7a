// The bosses of stages 4 to 6: the wide battleship, the twin-armed dancer and the fortress
// core.
#include "boss_phases.h"
#include "effects.h"
#include "enemy_actions.h"
#include "enemy_bullets.h"
#include "enemy_kinds.h"
#include "pools.h"
#include "random.h"

namespace vantorix {
namespace {

constexpr int kEffectFlash = 4;

void WarnAt(int i, int t, std::initializer_list<Gun> guns) {
    if (t != 1) return;
    for (Gun gun : guns) EffectAt(i, kEffectWarning, gun);
}

// Boss 104: guns at both ends of its wings.
constexpr Gun kL104{-80.0f, -30.0f}, kR104{80.0f, -30.0f};

void Battleship2(int i, int t) {
    WarnAt(i, t, {kCentre});
    if (t <= 60) return;
    for (Gun gun : {kL104, kR104}) {
        if (t % 40 == 0) FireAimed(i, 1, {10, 30, 50, 70, -10, -30, -50, -70}, 7.0f, gun);
        if (t % 40 == 20) FireAimed(i, 1, {0, 20, 40, 60, 80, -20, -40, -60, -80}, 7.0f, gun);
    }
}

void Battleship3(int i, int t) {
    WarnAt(i, t, {kCentre});
    if (t <= 60) return;
    if (t % 2 == 0) {
        int a = t / 2, b = t / 3;
        FireFixed(i, 6, {a, a + 90, a + 180, a + 270}, 9.0f, kL104);
        FireFixed(i, 6, {-b, 90 - b, 180 - b, 270 - b}, 9.0f, kR104);
    }
    if (t % 30 == 1) FireAimed(i, 2, {0, 30, -30}, 6.0f);
}

void Battleship4(int i, int t) {
    WarnAt(i, t, {kCentre});
    if (t <= 60 || t % 2 != 0) return;
    for (Gun gun : {Gun{-96.0f, 60.0f}, Gun{-64.0f, 60.0f}, Gun{96.0f, 60.0f}, Gun{64.0f, 60.0f}})
        FireRing(i, kAimFixed, 12, 3, 2, 90, 0, 9.0f, gun);
}

void Battleship11(int i, int t) {
    if (t == 10 || t == 20 || t == 30) SpawnEnemyByType(202, Ship().x, Ship().y);
    if (t % 60 != 0) return;
    for (Gun gun : {kL104, kR104})
        FireAimed(i, 3, {0, 20, 40, 60, 80, -20, -40, -60, -80}, 6.0f, gun);
}

// Boss 105: an arm on each side.
constexpr Gun kL105{-64.0f, 0.0f}, kR105{64.0f, 0.0f};

void FlashBoth(int i) {
    EffectAt(i, kEffectFlash, kR105);
    EffectAt(i, kEffectFlash, kL105);
}

void Dancer2(int i, int t) {
    WarnAt(i, t, {kCentre});
    if (t != 60) return;
    for (int a = 0; a < 360; ++a) {
        FireFixed(i, 3, {a}, 12.0f, {40.0f, 0.0f});
        FireFixed(i, 2, {a}, 11.0f, {-40.0f, 0.0f});
        FireFixed(i, 1, {a}, 10.0f, {-40.0f, 0.0f});
    }
}

void Dancer3(int i, int t) {
    WarnAt(i, t, {kL105, kR105});
    if (t <= 60 || t % 15 != 0) return;
    FlashBoth(i);
    FireAimed(i, 7, {0, 40, -40, 80, -80}, 7.0f, kR105);
    FireAimed(i, 7, {20, -20, 60, -60}, 7.0f, kL105);
}

// Eight bursts of hand-placed angles; the right arm mirrors the left.
struct Burst {
    int first, last, count;
    int angles[18];
};
constexpr Burst kBursts[] = {
    {61, 89, 10, {5, 10, 30, 40, 50, 60, 70, 100, 150, 310}},
    {121, 149, 8, {5, 15, 25, 40, 120, 180, 210, 290}},
    {181, 209, 13, {-5, -10, -25, -40, 45, 60, 70, 80, 85, 170, 190, 220, 240}},
    {241, 269, 12, {-5, -10, -20, -30, 30, 40, 70, 90, 120, 130, 220, 270}},
    {301, 329, 9, {5, 10, 20, 50, 140, 220, 230, 240, 250}},
    {361, 389, 11, {-5, -10, -25, -30, -40, 90, 110, 150, 185, 225, 235}},
    {421, 449, 17, {0, -5, -10, -15, -20, -25, -30, 40, 45, 60, 90, 115, 145, 170, 225, 240, 265}},
    {481, 509, 18, {5, 15, 25, 35, 45, 55, 65, 105, 115, 125, 135, 145, 205, 215, 225, 235, 245, 255}},
};

void Dancer4(int i, int t) {
    WarnAt(i, t, {kL105, kR105});
    if (t % 3 != 0) return;
    for (const Burst& burst : kBursts) {
        if (t < burst.first || t > burst.last) continue;
        FlashBoth(i);
        std::span<const int> angles(burst.angles, burst.count);
        for (int a : angles) FireFixed(i, 4, {a}, 12.0f, kL105);
        for (int a : angles) FireFixed(i, 4, {180 - a}, 12.0f, kR105);
    }
}

void Dancer5(int i, int t) {
    WarnAt(i, t, {kL105, kR105});
    if (t <= 60) return;
    if (t % 30 == 0) FireAimed(i, 10, {0}, 4.0f);
    if (t % 2 != 0) return;
    if (t % 60 > 30) {
        EffectAt(i, kEffectFlash, kL105);
        FireFixed(i, 5, {2 * t, 2 * t + 90, 2 * t + 180, 2 * t + 270}, 6.0f, kL105);
    }
    if (t % 90 > 30) {
        EffectAt(i, kEffectFlash, kR105);
        FireFixed(i, 5, {t, t + 90, t + 180, t + 270}, 6.0f, kR105);
    }
}

void Dancer6(int i, int t) {
    WarnAt(i, t, {kCentre});
    if (t <= 60) return;
    for (float speed : {0.5f, 0.7f, 1.0f, 1.5f}) FireAimed(i, 10, {RandomUpTo(360)}, speed);
}

void Dancer11(int i, int t) {
    WarnAt(i, t, {kL105, kCentre, kR105});
    if (t <= 60) return;
    if (t % 180 == 0) FireRing(i, kAimFixed, 0, 10, 180, 0, 2, 2.0f);
    int a = t / 2;
    FireFixed(i, 9, {a, a + 90, a + 180, a + 270}, 8.0f, kL105);
    FireFixed(i, 9, {t, t + 90, t + 180, t + 270}, 8.0f, kR105);
}

// Boss 106: four corner guns and a core.
constexpr Gun kG1{-105.0f, -113.0f}, kG2{105.0f, -113.0f}, kG3{105.0f, 43.0f}, kG4{-105.0f, 43.0f};
constexpr Gun kCore{0.0f, -48.0f};

// Each corner gun in turn takes aim and fires a stream at where the ship was.
void CornerGuns(int i, int t) {
    struct Turn {
        int first;
        Gun gun;
    };
    static constexpr Turn kTurns[] = {{1, kG1}, {61, kG2}, {121, kG3}, {181, kG4}};
    int c = t % 240;
    for (const Turn& turn : kTurns) {
        if (c < turn.first || c > turn.first + 28) continue;
        if (c == turn.first) RememberPlayer(i);
        if (t % 4 == 1) FireAtTarget(i, 9, {0}, 5.0f, turn.gun);
    }
}

void Core2(int i, int t) {
    WarnAt(i, t, {kG1, kG2, kG4, kG3});
    if (t <= 60) return;
    CornerGuns(i, t);
    if (t % 60 == 0) FireRing(i, kAimFixed, 10, 10, 60, 0, 6, 3.0f, kCore);
}

void Core3(int i, int t) {
    WarnAt(i, t, {kG1, kG2, kG4, kG3});
    if (t <= 60) return;
    CornerGuns(i, t);
    if (t % 4 == 1) FireRing(i, kAimPlayer, 10, 10, 1, 0, 0, 4.0f, kCore);
}

void Core11(int i, int t) {
    WarnAt(i, t, {kCore});
    if (t <= 60 || t % 30 != 0) return;
    FireRing(i, kAimFixed, 10, 10, 180, 0, 2, 2.0f, kCore);
    if (t % 180 == 0) FireRing(i, kAimFixed, 10, 9, 180, 0, 2, 7.0f, kCore);
    FireRing(i, kAimPlayer, 45, 8, 1, 0, 0, 3.0f, kCore);
}

constexpr BossPhase kLate[] = {
    {104, 2, Battleship2, 360, 3}, {104, 3, Battleship3, 360, 4}, {104, 4, Battleship4, 240, 2},
    {104, 11, Battleship11, 240, 0},
    {105, 2, Dancer2, 120, 3},     {105, 3, Dancer3, 300, 4},     {105, 4, Dancer4, 540, 5},
    {105, 5, Dancer5, 450, 6},     {105, 6, Dancer6, 300, 2},     {105, 11, Dancer11, 240, 60},
    {106, 2, Core2, 720, 3},       {106, 3, Core3, 720, 2},       {106, 11, Core11, 720, 180},
};

}  // namespace

std::span<const BossPhase> LateBossPhases() { return kLate; }

}  // namespace vantorix
