#include "field_draw.h"

#include <cmath>

#include "angles.h"
#include "assets.h"
#include "engine_port.h"
#include "game_files.h"
#include "game_state.h"
#include "pools.h"

namespace vantorix {
namespace {

constexpr int kMapRowsShown = 15;
constexpr int kTileSize = 32;

bool Frozen() { return Game().play.freeze != 0; }

int TileAt(int column, int row) {
    if (row < 0 || row >= kMapRows) return 0;
    int tile = Game().stageMap.tile[column][row];
    return tile >= 0 && tile <= kHighestTile ? tile : 0;
}

void DrawEnemy(int i) {
    EnemyPool& e = Game().play.enemies;
    float left = e.x[i] - e.halfWidth[i], top = e.y[i] - e.halfHeight[i];
    switch (e.drawStyle[i]) {
        case 0: DrawSpriteRotated(e.sprite[i], left, top, 0, 1.0); break;
        case 1: {
            int ticks = e.animTicks[i] > 0 ? e.animTicks[i] : 1;
            DrawSpriteRotated(e.sprite[i] + e.animCounter[i] / ticks, left, top, 0, 1.0);
            if (Frozen()) break;
            if (e.animCounter[i] == e.animImages[i] * e.animTicks[i] - 1) e.animCounter[i] = 0;
            e.animCounter[i] += 1;
            break;
        }
        case 11:
            DrawSpriteRotated(2011, left, top, e.animCounter[i] * 6, 1.0);
            DrawSpriteRotated(e.sprite[i], left, top, 0, 1.0);
            if (!Frozen() && ++e.animCounter[i] >= 60) e.animCounter[i] = 0;
            break;
        case 21:
            DrawSpriteRotated(e.sprite[i], left, top, 0, 1.0);
            DrawSpriteRotated(2116, e.x[i] - 96, e.y[i] - 32, 0, 1.0);
            DrawSpriteRotated(2116, e.x[i] + 32, e.y[i] - 32, 0, 1.0);
            break;
        default: break;
    }
}

void EndEffect(int i) { RemoveObject(kPoolEffects, i); }

uint32_t OutlineColor(int c) {
    auto rgb = [](int r, int g, int b) { return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); };
    if (c < 20) return rgb(0, 13 * c, 255 - 13 * c);
    if (c < 40) return rgb(13 * (c - 20), 255, 0);
    return rgb(255, 247 - 13 * (c - 40), 0);
}

void DrawSpinningOutline(int i) {
    EffectPool& f = Game().play.effects;
    int c = f.animCounter[i];
    if (c >= 60) {
        EndEffect(i);
        return;
    }
    int corner[4][2];
    for (int k = 0; k < 4; ++k) {
        double a = DegreesToRadians(c * 10 + 90 * k);
        double radius = 5.0 * (60 - c);
        corner[k][0] = static_cast<int>(f.x[i] + static_cast<int>(std::cos(a) * radius));
        corner[k][1] = static_cast<int>(f.y[i] + static_cast<int>(std::sin(a) * radius));
    }
    for (int k = 0; k < 4; ++k) {
        const int* a = corner[k];
        const int* b = corner[(k + 1) % 4];
        Draw().DrawColorLine(a[0], a[1], b[0], b[1], OutlineColor(c), 1);
    }
}

void DrawRing(int i, int fade, double slowdown) {
    EffectPool& f = Game().play.effects;
    f.scale[i] += f.speed[i];
    f.blendParam[i] -= fade;
    f.speed[i] = static_cast<float>(f.speed[i] / slowdown);
    if (f.blendParam[i] < 0) {
        EndEffect(i);
        return;
    }
    DrawSpriteRotated(1312, f.x[i] - 128, f.y[i] - 128, 0, f.scale[i]);
}

void DrawAnimatedEffect(int i) {
    EffectPool& f = Game().play.effects;
    int ticks = f.animTicks[i] > 0 ? f.animTicks[i] : 1;
    int angle = f.drawAngle[i] == -1 ? f.moveAngle[i] + 90 : f.drawAngle[i];
    if (f.scale[i] != 0.0f)  // the offsets divide by it
        DrawSpriteRotated(f.sprite[i] + f.animCounter[i] / ticks, f.x[i] - f.halfWidth[i] / f.scale[i],
                          f.y[i] - f.halfHeight[i] / f.scale[i], angle, f.scale[i]);
    if (Frozen()) return;
    double a = DegreesToRadians(f.moveAngle[i]);
    f.x[i] += static_cast<float>(std::cos(a) * f.speed[i]);
    f.y[i] += static_cast<float>(std::sin(a) * f.speed[i]);
    if (f.animCounter[i] == f.animImages[i] * f.animTicks[i] - 1) EndEffect(i);
}

void DrawShrinkingSpin(int i) {
    EffectPool& f = Game().play.effects;
    int ticks = f.animTicks[i];
    // The offsets are the sprite's own half-sizes, so the picture stays centred at any width.
    if (ticks > 0 && f.scale[i] != 0.0f) {
        double scale = f.scale[i] * (ticks - f.animCounter[i]) / ticks;
        DrawSpriteRotated(f.sprite[i], f.x[i] - f.halfWidth[i] / f.scale[i],
                          f.y[i] - f.halfHeight[i] / f.scale[i], f.animCounter[i] * 10, scale);
    }
    if (f.animCounter[i] >= ticks - 1) EndEffect(i);
}

void DrawSweepingBand(int i) {
    EffectPool& f = Game().play.effects;
    f.x[i] += 8;
    f.width[i] -= 16;
    f.blendParam[i] -= 2;
    if (f.width[i] < 0) {
        EndEffect(i);
        return;
    }
    DrawSpriteStretched(f.sprite[i], f.x[i] - f.halfWidth[i], 0, f.width[i], 480);
}

void DrawEffect(int i) {
    EffectPool& f = Game().play.effects;
    Draw().SetBlendMode(f.blendMode[i], f.blendParam[i]);
    switch (f.kind[i]) {
        case 1: DrawAnimatedEffect(i); break;
        case 11: DrawSpinningOutline(i); break;
        case 12: DrawRing(i, 13, 1.3); break;
        case 13: DrawRing(i, 5, 1.1); break;
        case 21: DrawShrinkingSpin(i); break;
        case 24: DrawSweepingBand(i); break;
        default: break;
    }
    Draw().SetBlendMode(0, 255);
    if (!Frozen()) f.animCounter[i] += 1;
}

}  // namespace

void DrawStageMap() {
    float scroll = Game().play.scroll;
    int whole = static_cast<int>(scroll);
    int row0 = static_cast<int>(scroll * 0.03125f);
    int offset = whole % kTileSize;
    for (int r = 0; r < kMapRowsShown; ++r) {
        int y = 432 + offset - kTileSize * r;
        for (int c = 0; c < kMapColumns; ++c)
            DrawSpriteAt(kFirstTileSprite + TileAt(c, row0 + r), 32 + kTileSize * c, y);
    }
}

void DrawPlayerShots() {
    PlayState& p = Game().play;
    PlayerShotPool& s = p.shots;
    for (int i = 0; i <= p.top[kPoolShots]; ++i) {
        if (s.active[i] != 1) continue;
        int angle = s.drawAngle[i] == -1 ? s.moveAngle[i] + 90 : s.drawAngle[i];
        DrawSpriteRotated(1001, s.x[i] - s.halfWidth[i], s.y[i] - s.halfHeight[i], angle, 1.0);
    }
}

void DrawEnemies(int layer) {
    PlayState& p = Game().play;
    for (int i = 0; i <= p.top[kPoolEnemies]; ++i)
        if (p.enemies.active[i] == 1 && p.enemies.layer[i] == layer) DrawEnemy(i);
}

void DrawEnemyBullets() {
    PlayState& p = Game().play;
    EnemyBulletPool& b = p.bullets;
    for (int i = 0; i <= p.top[kPoolBullets]; ++i) {
        if (b.active[i] != 1) continue;
        float left = b.x[i] - b.halfWidth[i], top = b.y[i] - b.halfHeight[i];
        switch (b.drawStyle[i]) {
            case 1: DrawSpriteRotated(b.sprite[i], left, top, 0, 1.0); break;
            case 2: DrawSpriteRotated(b.sprite[i], left, top, b.drawAngle[i], 1.0); break;
            case 3: {
                int ticks = b.animTicks[i] > 0 ? b.animTicks[i] : 1;
                DrawSpriteRotated(b.sprite[i] + b.animCounter[i] / ticks, left, top, 0, 1.0);
                if (p.freeze != 0) break;
                if (++b.animCounter[i] >= b.animImages[i] * b.animTicks[i] - 1) b.animCounter[i] = 0;
                break;
            }
            default: break;
        }
    }
}

void DrawEffects(int layer) {
    PlayState& p = Game().play;
    for (int i = 0; i <= p.top[kPoolEffects]; ++i)
        if (p.effects.active[i] == 1 && p.effects.layer[i] == layer) DrawEffect(i);
}

}  // namespace vantorix
