#include "hud_draw.h"

#include <algorithm>

#include "assets.h"
#include "engine_port.h"
#include "game_files.h"
#include "game_state.h"

namespace vantorix {
namespace {

constexpr int kDigitSprite = 10;
constexpr int kDigitStep = 12;
constexpr int kScoreDigits = 9;
constexpr float kMostLives = 10.0f;
constexpr int kSeExtend = 1;

void DrawNineDigits(int32_t value, int y) {
    int32_t shown = std::clamp(value, 0, kScoreCap);
    int32_t divisor = 100000000;
    for (int k = 0; k < kScoreDigits; ++k, divisor /= 10)
        DrawSpriteAt(kDigitSprite + (shown / divisor) % 10, 522.0f + kDigitStep * k, y);
}

void Extend() {
    ScoreState& s = Game().score;
    if (s.score < s.extendThreshold) return;
    PlayerState& pl = Game().play.player;
    if (pl.lives < kMostLives) {
        PlaySe(kSeExtend);
        pl.lives += 1.0f;
    }
    s.extendCount += 1;
    s.extendThreshold += static_cast<int64_t>(s.extendCount) * 1000000;
}

}  // namespace

void DrawGauges() {
    const PlayState& p = Game().play;
    const PlayerState& pl = p.player;
    bool low = pl.y >= 420.0f;
    Draw().SetBlendMode(low ? 1 : 0, low ? 128 : 255);
    DrawSpriteAt(3, 20, 426);
    DrawSpriteStretched(pl.barrierEnergy >= 50 ? 4 : 5, 34, 426, pl.barrierEnergy, 32);
    if (pl.subType == 1) {
        DrawSpriteAt(7, 20, 440);
        DrawSpriteStretched(8, 34, 440, 3 * pl.subGauge + pl.subGauge / 3, 32);
    }
    Draw().SetBlendMode(0, 255);
    if (p.bossFlag != 1) return;
    DrawSpriteAt(6, 64, 21);
    int slot = p.bossSlot;
    const EnemyPool& e = p.enemies;
    int full = e.bossFullHitPoints[slot];
    int width = full > 0 ? static_cast<int>(300.0 / full * e.hitPoints[slot]) : 0;
    DrawSpriteStretched(e.bossState[slot] == 1 ? 4 : 5, 74, 21, width, 32);
}

void DrawHud() {
    DrawSpriteAt(2, 0, 0);
    DrawSpriteAt(21, 420, 50);
    DrawSpriteAt(22, 420, 80);
    DrawSpriteAt(24, 420, 140);
    DrawSpriteAt(23, 420, 170);
    DrawScore();
    DrawSlashCount();
    for (int i = 0; i < Game().play.player.lives; ++i) DrawSpriteAt(25, 500.0f + 12 * i, 140);
}

void DrawScore() {
    int32_t score = Game().score.score;
    DrawNineDigits(std::max(Game().ranking[0], score), 50);
    DrawNineDigits(score, 80);
    Extend();
}

void DrawSlashCount() {
    int32_t count = std::max(Game().score.slashCount, 0);
    int digits = 1;
    for (int32_t rest = count / 10; rest > 0; rest /= 10) ++digits;
    int32_t divisor = 1;
    for (int d = 1; d < digits; ++d) divisor *= 10;
    for (int k = 0; k < digits; ++k, divisor /= 10)
        DrawSpriteAt(kDigitSprite + (count / divisor) % 10, 580.0f - kDigitStep * digits + kDigitStep * k, 170);
}

}  // namespace vantorix
