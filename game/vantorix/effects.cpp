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

EffectSpawn Kind(EffectSpawn s, int kind, int images, int ticks) {
    s.kind = kind;
    s.animImages = images;
    s.animTicks = ticks;
    return s;
}

EffectSpawn Leaving(EffectSpawn s, int half) {
    s.leaveHalfWidth = half;
    s.leaveHalfHeight = static_cast<float>(half);
    return s;
}

void Spawn(EffectSpawn s, int blendMode, int blendParam, int layer) {
    s.blendMode = blendMode;
    s.blendParam = blendParam;
    s.layer = layer;
    SpawnEffect(s);
}

void Spark(int width, int ticks, int scatter, float x, float y) {
    int dy = Scatter(scatter);  // the y offset is drawn first
    int dx = Scatter(scatter);
    Spawn(Kind(Base(1011, width, x + dx, y + dy), kAnimated, 7, ticks), kBlended, 192, kLayerLow);
}

void Sparks(int count, int width, int scatter, float x, float y) {
    for (int i = 0; i < count; ++i) Spark(width, 3, scatter, x, y);
}

void ShockRing(int kind, float speed, int leave, float x, float y) {
    EffectSpawn s = Leaving(Kind(Base(1312, 0, x, y), kind, 7, 3), leave);
    s.speed = speed;
    Spawn(s, kBlended, 255, kLayerLow);
}

void FlyingSparks(float x, float y) {
    for (int i = 0; i < 32; ++i) {
        EffectSpawn s = Leaving(Kind(Base(1011, 96, x, y), kAnimated, 7, i < 16 ? 7 : 6), 128);
        s.moveAngle = NextRandom() % 361;
        s.speed = 9.0f;
        Spawn(s, kBlended, 192, kLayerLow);
    }
    constexpr int kTicks[8] = {5, 5, 4, 4, 3, 3, 3, 3};
    for (int width : {96, 48})
        for (int ticks : kTicks) Spark(width, ticks, 64, x, y);
}

void Flash(int sprite, float x, float y) {
    Spawn(Kind(Base(sprite, 32, x, y), kAnimated, 5, 2), kPlain, 255, kLayerHigh);
}

void BarrierBurst(int layer, float x, float y) {
    Spawn(Kind(Base(1021, 96, x, y), kAnimated, 8, 2), kPlain, 255, layer);
}

void SlashSpark(float x, float y) {
    EffectSpawn s = Leaving(Kind(Base(1031, 128, x, y), kAnimated, 5, 2), 64);
    s.drawAngle = NextRandom() % 361;
    Spawn(s, kBlended, 224, kLayerHigh);
}

void Outline(float x, float y) { Spawn(Kind(Base(0, 96, x, y), kOutline, 7, 3), kPlain, 255, kLayerHigh); }

// A large picture that turns while it shrinks away over its ticks.
void Vanishing(int size, int ticks, float x, float y) {
    Spawn(Leaving(Kind(Base(1311, size, x, y), kShrinkingSpin, 1, ticks), 256), kBlended, 128, kLayerHigh);
}

void Band(float x, float y) {
    Spawn(Leaving(Kind(Base(1313, 640, x, y), kBand, 1, 300), 256), kBlended, 256, kLayerHigh);
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
