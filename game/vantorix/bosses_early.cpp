// The bosses of stages 1 to 3: the twin-gun fortress, the pod gunship and the launcher
// witch.
#include <cmath>

#include "angles.h"
#include "assets.h"
#include "boss_phases.h"
#include "effects.h"
#include "enemy_actions.h"
#include "enemy_bullets.h"
#include "enemy_kinds.h"
#include "pools.h"
#include "random.h"

namespace vantorix {
namespace {

constexpr int kLaunchSound = 24;
constexpr int kEffectFlash = 4;  // 4, 5 and 6 are flashes of three colours
constexpr int kEffectEdgeWarning = 31, kEffectStormWarning = 32, kEffectBeam = 33;

// Boss 101: guns left and right of its nose.
constexpr Gun kL101{-38.0f, 9.0f}, kR101{38.0f, 9.0f};

void Fortress2(int i, int t) {
    if (t % 60 == 1) RememberPlayer(i);
    if (t % 60 > 30 || t % 4 != 2) return;
    for (Gun gun : {kL101, kR101}) FireAtTarget(i, 4, {-50, -30, -10, 10, 30, 50}, 7.0f, gun);
}

void Fortress3(int i, int t) {
    if (t % 30 == 15) FireAimed(i, 1, {-60, -40, -20, 0, 20, 40, 60}, 3.0f);
    if (t % 300 != 30) return;
    for (int offset = 0; offset < 360; ++offset) {
        FireAimed(i, 1, {offset}, 3.0f, {40.0f, 0.0f});
        FireAimed(i, 1, {offset}, 3.0f, {-40.0f, 0.0f});
    }
}

void Rise(int i, int angle) {
    Enemies().moveAngle[i] = angle;
    Enemies().speed[i] = 2.0f;
    Move(i);
}

// Rises, rakes the field with fans from both guns, and sinks back.
void Fortress4(int i, int t) {
    if (t <= 30) {
        Rise(i, 270);
    } else if (t <= 150) {
        if (t % 4 == 2)
            for (Gun gun : {kL101, kR101}) FireFixed(i, 3, {30, 60, 90, 120, 150}, 9.0f, gun);
    } else {
        Rise(i, 90);
    }
}

void Fortress11(int i, int t) {
    if (t == 1) {
        EffectAt(i, kEffectWarning, kL101);
        EffectAt(i, kEffectWarning, kR101);
    }
    if (t <= 60 || t % 2 != 0) return;
    for (Gun gun : {kL101, kL101, kR101, kR101}) FireFixed(i, 3, {RandomUpTo(180)}, 7.0f, gun);
}

// Boss 102: one gun under its hull, two pods in its second form.
constexpr Gun kG102{0.0f, 26.0f};

void WarnAtStart(int i, int t) {
    if (t == 1) EffectAt(i, kEffectWarning);
}

void Pod2(int i, int t) {
    WarnAtStart(i, t);
    if (t <= 80) return;
    if (t % 40 == 1) RememberPlayer(i);
    if (t % 40 <= 30 && t % 4 == 2) FireAtTarget(i, 3, {-20, -10, 0, 10, 20}, 7.0f, kG102);
}

void Pod3(int i, int t) {
    WarnAtStart(i, t);
    if (t > 60 && t % 10 == 1) FireAimed(i, 3, {0}, 9.0f, kG102);
}

void Pod4(int i, int t) {
    WarnAtStart(i, t);
    if (t <= 60) return;
    if (t % 40 == 0) FireAimed(i, 1, {0, 20, 40, -20, -40}, 7.0f, kG102);
    if (t % 40 == 20) FireAimed(i, 1, {10, 30, 50, -10, -30, -50}, 7.0f, kG102);
}

void Pod11(int i, int t) {
    WarnAtStart(i, t);
    if (t == 60) Enemies().drawStyle[i] = 21;  // the side pods appear
    if (t <= 60 || t % 2 != 0) return;
    int a = t / 2;
    FireFixed(i, 5, {a, a + 90, a + 180, a + 270}, 7.0f, {-64.0f, 9.0f});
    FireFixed(i, 5, {-a, -a + 90, -a + 180, -a + 270}, 7.0f, {64.0f, 9.0f});
}

// Boss 103: sets ring launchers about itself and strikes from the field's edges.
void Witch2(int i, int t) {
    if (t > 180 || t % 30 != 1) return;
    int dy = RandomUpTo(60) - 30;  // the y offset is drawn first
    int dx = RandomUpTo(200) - 100;
    SpawnEnemyByType(201, Enemies().x[i] + dx - 32, Enemies().y[i] + dy - 16);
}

void Witch3(int i, int t) {
    if (t == 1) EffectAt(i, kEffectEdgeWarning);
    if (t <= 60 || t % 15 != 1) return;
    // One from each edge of the field, top, left, bottom, right.
    float topX = 32.0f + RandomUpTo(384);
    FireEnemyBullets(kAimPlayer, 0, 2, 0, 2.0f, topX, 16.0f);
    float leftY = 32.0f + RandomUpTo(448);
    FireEnemyBullets(kAimPlayer, 0, 2, 0, 2.0f, 32.0f, leftY);
    float bottomX = 32.0f + RandomUpTo(384);
    FireEnemyBullets(kAimPlayer, 0, 2, 0, 2.0f, bottomX, 464.0f);
    float rightY = 32.0f + RandomUpTo(448);
    FireEnemyBullets(kAimPlayer, 0, 2, 0, 2.0f, 416.0f, rightY);
}

// Three turning points moving outward, each flashing and firing its own bullet.
void Witch4(int i, int t) {
    if (t == 1) EffectAt(i, kEffectEdgeWarning);
    if (t <= 60 || t % 8 != 1) return;
    double distance = 60 + t / 4;
    const int directions[3] = {t + 210, t + 90, t + 330};
    Gun points[3];
    for (int k = 0; k < 3; ++k) {
        double a = DegreesToRadians(directions[k]);
        points[k] = {static_cast<float>(std::cos(a) * distance), static_cast<float>(std::sin(a) * distance)};
        EffectAt(i, kEffectFlash + k, points[k]);
    }
    for (int k = 0; k < 3; ++k) FireAimed(i, 1 + k, {0}, 2.0f, points[k]);
}

void Witch11(int i, int t) {
    if (t == 1) EffectAt(i, kEffectStormWarning);
    if (t < 300 && t % 20 == 0)
        for (int pattern = 1; pattern <= 3; ++pattern) FireFixed(i, pattern, {RandomUpTo(360)}, 1.0f);
    if (t != 300) return;
    PlaySe(kLaunchSound);
    SpawnEffectByType(kEffectBeam, Ship().x, 240.0f);
    FireEnemyBullets(kAimFixed, 0, 11, 0, 0.0f, 320.0f, 240.0f);
}

constexpr BossPhase kEarly[] = {
    {101, 2, Fortress2, 240, 3}, {101, 3, Fortress3, 600, 4}, {101, 4, Fortress4, 180, 2},
    {101, 11, Fortress11, 120, 60},
    {102, 2, Pod2, 300, 3},      {102, 3, Pod3, 480, 4},      {102, 4, Pod4, 240, 2},
    {102, 11, Pod11, 780, 60},
    {103, 2, Witch2, 240, 3},    {103, 3, Witch3, 480, 4},    {103, 4, Witch4, 480, 2},
    {103, 11, Witch11, 480, 0},
};

}  // namespace

std::span<const BossPhase> EarlyBossPhases() { return kEarly; }

}  // namespace vantorix
