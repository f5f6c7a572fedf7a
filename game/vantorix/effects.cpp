#include "effects.h"

#include <orvik/log.h>

#include <initializer_list>

#include "pools.h"
#include "random.h"

namespace vantorix {
namespace {

constexpr int kAnimated = 1, kOutline = 11, kRing = 12, kSlowRing = 13, kShrinkingSpin = 21,
              kBand = 24;
constexpr int kLayerLow = 2, kLayerHigh = 3;
constexpr int kPlain = 0, kBlended = 2;

int Scatter(int n) { return n > 0 ? NextRandom() % (2 * n + 1) - n : 0; }

// The values every effect starts from: a square of the given width at the point, leaving
// half-sizes equal to the width, nothing moving or turning.
EffectSpawn Base(int sprite, int width, float x, float y) {
    EffectSpawn s{};
    s.sprite = sprite;
    s.width = width;
    s.height = static_cast<float>(width);
    s.leaveHalfWidth = width;
    s.leaveHalfHeight = static_cast<float>(width);
    s.x = static_cast<int>(x);
    s.y = static_cast<int>(y);
    return s;
}

EffectSpawn Animated(int sprite, int width, int images, int ticks, float x, float y) {
    EffectSpawn s = Base(sprite, width, x, y);
    s.kind = kAnimated;
    s.animImages = images;
    s.animTicks = ticks;
    return s;
}

void Spark(int width, int ticks, int scatter, float x, float y) {
    int dy = Scatter(scatter);  // the y offset is drawn first
    int dx = Scatter(scatter);
    EffectSpawn s = Animated(1011, width, 7, ticks, x + dx, y + dy);
    s.blendMode = kBlended;
    s.blendParam = 192;
    s.layer = kLayerLow;
    SpawnEffect(s);
}

void Sparks(int count, int width, int scatter, float x, float y) {
    for (int i = 0; i < count; ++i) Spark(width, 3, scatter, x, y);
}

void ShockRing(int kind, float speed, int leave, float x, float y) {
    EffectSpawn s = Base(1312, 0, x, y);
    s.speed = speed;
    s.leaveHalfWidth = leave;
    s.leaveHalfHeight = static_cast<float>(leave);
    s.kind = kind;
    s.animImages = 7;
    s.animTicks = 3;
    s.blendMode = kBlended;
    s.blendParam = 255;
    s.layer = kLayerLow;
    SpawnEffect(s);
}

void FlyingSparks(float x, float y) {
    for (int i = 0; i < 32; ++i) {
        EffectSpawn s = Animated(1011, 96, 7, i < 16 ? 7 : 6, x, y);
        s.moveAngle = NextRandom() % 361;
        s.speed = 9.0f;
        s.leaveHalfWidth = 128;
        s.leaveHalfHeight = 128.0f;
        s.blendMode = kBlended;
        s.blendParam = 192;
        s.layer = kLayerLow;
        SpawnEffect(s);
    }
    constexpr int kTicks[8] = {5, 5, 4, 4, 3, 3, 3, 3};
    for (int width : {96, 48})
        for (int ticks : kTicks) Spark(width, ticks, 64, x, y);
}

void Flash(int sprite, float x, float y) {
    EffectSpawn s = Animated(sprite, 32, 5, 2, x, y);
    s.blendParam = 255;
    s.layer = kLayerHigh;
    SpawnEffect(s);
}

void BarrierBurst(int layer, float x, float y) {
    EffectSpawn s = Animated(1021, 96, 8, 2, x, y);
    s.blendParam = 255;
    s.layer = layer;
    SpawnEffect(s);
}

void SlashSpark(float x, float y) {
    EffectSpawn s = Animated(1031, 128, 5, 2, x, y);
    s.leaveHalfWidth = 64;
    s.leaveHalfHeight = 64.0f;
    s.drawAngle = NextRandom() % 361;
    s.blendMode = kBlended;
    s.blendParam = 224;
    s.layer = kLayerHigh;
    SpawnEffect(s);
}

void Outline(float x, float y) {
    EffectSpawn s = Base(0, 96, x, y);
    s.kind = kOutline;
    s.animImages = 7;
    s.animTicks = 3;
    s.blendParam = 255;
    s.layer = kLayerHigh;
    SpawnEffect(s);
}

// A large picture that turns while it shrinks away over its ticks.
void Vanishing(int size, int ticks, float x, float y) {
    EffectSpawn s = Base(1311, size, x, y);
    s.leaveHalfWidth = 256;
    s.leaveHalfHeight = 256.0f;
    s.kind = kShrinkingSpin;
    s.animImages = 1;
    s.animTicks = ticks;
    s.blendMode = kBlended;
    s.blendParam = 128;
    s.layer = kLayerHigh;
    SpawnEffect(s);
}

void Band(float x, float y) {
    EffectSpawn s = Base(1313, 640, x, y);
    s.leaveHalfWidth = 256;
    s.leaveHalfHeight = 256.0f;
    s.kind = kBand;
    s.animImages = 1;
    s.animTicks = 300;
    s.blendMode = kBlended;
    s.blendParam = 256;
    s.layer = kLayerHigh;
    SpawnEffect(s);
}

}  // namespace

void SpawnEffectByType(int type, float x, float y) {
    switch (type) {
        case 0: Spark(96, 3, 0, x, y); break;
        case 1:
            Sparks(3, 96, 32, x, y);
            Sparks(4, 48, 48, x, y);
            break;
        case 2:
            ShockRing(kRing, 0.3f, 0, x, y);
            Sparks(8, 96, 64, x, y);
            Sparks(8, 48, 64, x, y);
            break;
        case 3:
            ShockRing(kSlowRing, 0.3f, 0, x, y);
            FlyingSparks(x, y);
            break;
        case 4: Flash(1041, x, y); break;
        case 5: Flash(1046, x, y); break;
        case 6: Flash(1051, x, y); break;
        case 10: BarrierBurst(kLayerHigh, x, y); break;
        case 11: BarrierBurst(kLayerLow, x, y); break;
        case 12: SlashSpark(x, y); break;
        case 13:
            ShockRing(kRing, 0.3f, 0, x, y);
            Spark(96, 3, 0, x, y);
            break;
        case 20: Outline(x, y); break;
        case 21: ShockRing(kRing, 40.0f, 256, x, y); break;
        case 30: Vanishing(256, 60, x, y); break;
        case 31: Vanishing(480, 60, x, y); break;
        case 32: Vanishing(640, 300, x, y); break;
        case 33: Band(x, y); break;
        default:
            if (type < 0 || type >= kEffectTypes)
                orvik::AddLogFormat("SpawnEffectByType: no effect type %d", type);
            break;
    }
}

}  // namespace vantorix
