#include "enemy_bullets.h"

#include <orvik/log.h>

#include <cmath>

#include "angles.h"
#include "game_state.h"
#include "pools.h"
#include "random.h"

namespace vantorix {
namespace {

constexpr int kKindMoving = 1;
constexpr int kKindStrike = 11;
constexpr int kUpright = 1, kTurned = 2, kAnimated = 3;

struct Pattern {
    int kind, sprite;
    bool turned;  // drawn turned to its flight (draw angle = angle + 90)
    int drawStyle, images, ticks, size;
    float hitHalf, leaveHalfWidth, leaveHalfHeight;
};

// Patterns 1 to 10 fly along their angle; 11 stands still for one collision pass and covers
// the whole screen.
constexpr Pattern kPatterns[12] = {
    {},
    {kKindMoving, 1101, false, kUpright, 1, 0, 32, 3.0f, 32.0f, 32.0f},
    {kKindMoving, 1102, false, kUpright, 1, 0, 32, 3.0f, 32.0f, 32.0f},
    {kKindMoving, 1103, false, kUpright, 1, 0, 32, 3.0f, 32.0f, 32.0f},
    {kKindMoving, 1104, true, kTurned, 1, 0, 32, 3.0f, 32.0f, 32.0f},
    {kKindMoving, 1105, true, kTurned, 1, 0, 32, 3.0f, 32.0f, 32.0f},
    {kKindMoving, 1106, true, kTurned, 1, 0, 32, 3.0f, 32.0f, 32.0f},
    {kKindMoving, 1107, false, kUpright, 1, 0, 32, 3.0f, 32.0f, 32.0f},
    {kKindMoving, 1108, false, kUpright, 1, 0, 32, 3.0f, 32.0f, 32.0f},
    {kKindMoving, 1109, false, kUpright, 1, 0, 32, 3.0f, 32.0f, 32.0f},
    {kKindMoving, 1111, false, kAnimated, 4, 2, 32, 3.0f, 32.0f, 32.0f},
    {kKindStrike, 0, false, 0, 0, 0, 0, 0.0f, 0.0f, 0.0f},
};

int RandomSpread(int spread) {
    int64_t span = 2 * static_cast<int64_t>(spread) + 1;
    if (span <= 0) return 0;  // a negative spread has no range to draw from
    return static_cast<int>(NextRandom() % span - spread);
}

// Keeps a far-off aim inside the range of int before truncating.
int TruncateAngle(double degrees) {
    if (!std::isfinite(degrees) || std::fabs(degrees) > 1e9) return 0;
    return static_cast<int>(degrees);
}

int AimedAngle(int aimMode, int spreadOrSlot, int offset, float x, float y) {
    const PlayState& p = Game().play;
    if (aimMode == kAimPlayer) {
        int r = RandomSpread(spreadOrSlot);
        return TruncateAngle(DegreesToward(x, y, p.player.x, p.player.y) + r + offset);
    }
    if (aimMode == kAimTarget) {
        if (spreadOrSlot < 0 || spreadOrSlot >= kEnemyCapacity) {
            orvik::AddLogFormat("FireEnemyBullets: no enemy slot %d to aim from", spreadOrSlot);
            return offset;
        }
        const EnemyPool& e = p.enemies;
        return TruncateAngle(
            DegreesToward(x, y, e.targetX[spreadOrSlot], e.targetY[spreadOrSlot]) + offset);
    }
    return RandomSpread(spreadOrSlot) + offset;
}

BulletSpawn FromPattern(const Pattern& pattern, int angle, float speed, float x, float y) {
    bool strike = pattern.kind == kKindStrike;
    BulletSpawn b{};
    b.kind = pattern.kind;
    b.sprite = pattern.sprite;
    b.angle = strike ? 0 : angle;
    b.drawAngle = pattern.turned ? angle + 90 : 0;
    b.speed = strike ? 0.0f : speed;
    b.x = x;
    b.y = y;
    b.hitHalfWidth = strike ? 640.0f : pattern.hitHalf;
    b.hitHalfHeight = strike ? 480.0f : pattern.hitHalf;
    b.leaveHalfWidth = pattern.leaveHalfWidth;
    b.leaveHalfHeight = pattern.leaveHalfHeight;
    b.drawStyle = pattern.drawStyle;
    b.animImages = pattern.images;
    b.animTicks = pattern.ticks;
    b.width = strike ? 640 : pattern.size;
    b.height = strike ? 480 : pattern.size;
    return b;
}

}  // namespace

float Atan2f(float y, float x) { return std::atan2(y, x); }

double DegreesToward(float fromX, float fromY, float toX, float toY) {
    return Atan2f(toY - fromY, toX - fromX) * 180.0 / kGamePi;
}

void FireEnemyBullets(int aimMode, int spreadOrSlot, int pattern, int angleOffset, float speed,
                      float x, float y) {
    int angle = AimedAngle(aimMode, spreadOrSlot, angleOffset, x, y);
    if (pattern < 1 || pattern > 11) {
        orvik::AddLogFormat("FireEnemyBullets: no bullet pattern %d", pattern);
        return;
    }
    SpawnEnemyBullet(FromPattern(kPatterns[pattern], angle, speed, x, y));
}

}  // namespace vantorix
