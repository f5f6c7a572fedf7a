#include "enemy_kinds.h"

#include <orvik/log.h>

#include "pools.h"

namespace vantorix {
namespace {

constexpr float kFieldLeft = 32.0f;
constexpr float kFieldTop = 16.0f;

struct EnemyKind {
    int firstType, lastType;  // types sharing one row
    int hitPoints, score, sprite, explosion, sound, angle;
    float speed;
    int directionRule, layer, width, height;
    float hitHalfWidth, hitHalfHeight;
    int drawStyle, images, ticks;
};

// Explosion is the effect type made on destruction, -1 for none. Leaving half-sizes equal
// the sizes; still pictures have one image and no ticks.
constexpr EnemyKind kKinds[] = {
    {1, 1, 10, 100, 2001, 0, 21, 90, 2.0f, 0, 2, 32, 32, 16, 16, 0, 1, 0},
    {2, 3, 100, 200, 2041, 1, 22, 90, 0.5f, 0, 2, 64, 64, 32, 32, 0, 1, 0},
    {11, 11, 1, 100, 2015, 0, 21, 90, 4.0f, 1, 2, 32, 32, 16, 16, 1, 2, 2},
    {12, 12, 1, 100, 2015, 0, 21, 90, 4.0f, 0, 2, 32, 32, 16, 16, 1, 2, 2},
    {16, 16, 3, 100, 2012, 0, 21, 90, 6.0f, 1, 2, 32, 32, 16, 16, 11, 1, 0},
    {21, 21, 1, 50, 2017, 0, 21, 90, 4.0f, 1, 2, 32, 32, 16, 16, 1, 2, 2},
    {22, 22, 1, 50, 2017, 0, 21, 90, 6.0f, 0, 2, 32, 32, 16, 16, 1, 2, 2},
    {26, 26, 1, 50, 2013, 0, 21, 90, 4.0f, 1, 2, 32, 32, 16, 16, 11, 1, 0},
    {27, 28, 1, 50, 2013, 0, 21, 0, 4.0f, 1, 2, 32, 32, 16, 16, 11, 1, 0},
    {31, 31, 2, 100, 2019, 0, 21, 90, 5.0f, 1, 2, 32, 32, 16, 16, 1, 2, 2},
    {41, 41, 30, 300, 2021, 1, 22, 90, 3.0f, 1, 2, 64, 64, 32, 16, 0, 1, 0},
    {42, 42, 30, 300, 2021, 0, 22, 90, 6.0f, 1, 2, 64, 64, 32, 16, 0, 1, 0},
    {51, 51, 15, 200, 2022, 0, 22, 90, 4.0f, 1, 2, 64, 64, 32, 16, 0, 1, 0},
    {52, 52, 15, 200, 2022, 0, 22, 90, 7.0f, 1, 2, 64, 64, 32, 16, 0, 1, 0},
    {61, 61, 50, 500, 2023, 1, 22, 90, 3.0f, 1, 2, 64, 64, 32, 16, 0, 1, 0},
    {62, 62, 100, 800, 2023, 1, 22, 90, 6.0f, 1, 2, 64, 64, 32, 16, 0, 1, 0},
    {71, 71, 300, 2000, 2031, 2, 23, 90, 6.0f, 1, 2, 96, 96, 48, 48, 0, 1, 0},
    {81, 81, 80, 1000, 2032, 2, 23, 90, 7.2f, 1, 2, 96, 96, 48, 48, 0, 1, 0},
    {91, 91, 300, 2000, 2033, 2, 23, 90, 7.0f, 1, 2, 96, 96, 48, 48, 0, 1, 0},
    {101, 101, 500, 3000, 2101, 3, 24, 90, 3.0f, 1, 1, 192, 256, 96, 128, 0, 1, 0},
    {102, 102, 700, 5000, 2111, 3, 24, 90, 3.0f, 1, 1, 64, 64, 24, 24, 0, 1, 0},
    {103, 103, 1000, 10000, 2121, 3, 24, 90, 3.0f, 1, 1, 48, 48, 20, 20, 1, 3, 8},
    {104, 104, 1200, 15000, 2131, 3, 24, 90, 3.0f, 1, 1, 256, 128, 128, 64, 0, 1, 0},
    {105, 105, 1500, 20000, 2141, 3, 24, 90, 3.0f, 1, 1, 48, 48, 20, 20, 1, 3, 8},
    {106, 106, 2000, 50000, 2151, 3, 24, 90, 3.0f, 1, 1, 320, 320, 160, 160, 0, 1, 0},
    {201, 202, 9999, 0, 0, -1, 0, 0, 0.0f, 1, 1, 0, 0, 0, 0, 0, 1, 0},
};

const EnemyKind* KindOf(int type) {
    for (const EnemyKind& kind : kKinds)
        if (type >= kind.firstType && type <= kind.lastType) return &kind;
    return nullptr;
}

}  // namespace

int SpawnEnemyByType(int type, float x, float y) {
    const EnemyKind* k = KindOf(type);
    if (!k) return orvik::AddLogFormat("SpawnEnemyByType: no enemy type %d", type);
    EnemySpawn s{};
    s.type = type;
    s.hitPoints = k->hitPoints;
    s.scoreValue = k->score;
    s.sprite = k->sprite;
    s.explosion = k->explosion + 1;  // the field keeps 0 for none
    s.deathSound = k->sound;
    s.angle = k->angle;
    s.speed = k->speed;
    s.directionRule = k->directionRule;
    s.layer = k->layer;
    s.x = x + kFieldLeft;
    s.y = y + kFieldTop;
    s.width = k->width;
    s.height = k->height;
    s.hitHalfWidth = k->hitHalfWidth;
    s.hitHalfHeight = k->hitHalfHeight;
    s.leaveHalfWidth = static_cast<float>(k->width);
    s.leaveHalfHeight = static_cast<float>(k->height);
    s.drawStyle = k->drawStyle;
    s.animImages = k->images;
    s.animTicks = k->ticks;
    SpawnEnemy(s);
    return 0;
}

}  // namespace vantorix
