// What a frame of play draws and where: map rows under the scroll, the score digits and
// extends, the slash count, the ship's blink, rotated sprites, effects and the gauges.
#include <cmath>

#include "game/vantorix/field_draw.h"
#include "game/vantorix/hud_draw.h"
#include "game/vantorix/pools.h"
#include "game/vantorix/score.h"
#include "game_fixture.h"

namespace vantorix_test {
namespace {

using vantorix::Game;

class DrawTest : public PlayTest {
protected:
    void Clear() { draw_.calls.clear(); }
    // The y of the tile drawn for map column 0, row `row` (the test map's tiles differ per row).
    std::vector<int> RowYs(int row) {
        std::vector<int> ys;
        for (const DrawCall& c : DrawsOf(4000 + 1 + (12 * row) % 360))
            if (c.x == 32) ys.push_back(c.y);
        return ys;
    }
    std::vector<std::pair<int, int>> DigitsAt(int y) {
        std::vector<std::pair<int, int>> out;
        for (const DrawCall& c : draw_.calls)
            for (int d = 0; d < 10; ++d)
                if (c.y == y && c.handle == vantorix::SpriteHandle(10 + d)) out.push_back({c.x, d});
        return out;
    }
};

TEST_F(DrawTest, MapRowsFollowTheScroll) {
    Play().scroll = 0.0f;
    Clear();
    vantorix::DrawStageMap();
    EXPECT_EQ(draw_.calls.size(), 15u * 12u);
    EXPECT_EQ(RowYs(0), (std::vector<int>{432}));
    EXPECT_EQ(RowYs(14), (std::vector<int>{432 - 32 * 14}));
    Play().scroll = 31.5f;
    Clear();
    vantorix::DrawStageMap();
    EXPECT_EQ(RowYs(0), (std::vector<int>{463}));
    EXPECT_EQ(RowYs(1), (std::vector<int>{431}));
    Play().scroll = 32.0f;
    Clear();
    vantorix::DrawStageMap();
    EXPECT_TRUE(RowYs(0).empty());
    EXPECT_EQ(RowYs(1), (std::vector<int>{432}));
    // Past the last map row nothing is drawn, however far the scroll has gone.
    Play().scroll = 1399.0f * 32.0f;
    Clear();
    vantorix::DrawStageMap();
    EXPECT_EQ(draw_.calls.size(), 12u);
}

TEST_F(DrawTest, NineDigitScoresAndTheHighScoreFollowingTheScore) {
    Game().ranking[0] = 5000;
    Game().score.score = 123456789;
    Clear();
    vantorix::DrawScore();
    std::vector<std::pair<int, int>> score = DigitsAt(80);
    ASSERT_EQ(score.size(), 9u);
    for (int k = 0; k < 9; ++k) EXPECT_EQ(score[k], std::make_pair(522 + 12 * k, k + 1));
    EXPECT_EQ(DigitsAt(50), score);  // the score is above place 1

    Game().score.score = 4999;
    Clear();
    vantorix::DrawScore();
    std::vector<std::pair<int, int>> high = DigitsAt(50);
    ASSERT_EQ(high.size(), 9u);
    EXPECT_EQ(high[5], std::make_pair(582, 5));
    EXPECT_EQ(high[0], std::make_pair(522, 0));
}

TEST_F(DrawTest, ScoreSaturatesAtNineNines) {
    Game().score.slashCount = 2000000000;
    vantorix::AddScore(vantorix::KillScore(30000));
    EXPECT_EQ(Game().score.score, 999999999);
    vantorix::AddScore(10);
    EXPECT_EQ(Game().score.score, 999999999);
    Clear();
    vantorix::DrawScore();
    for (auto [x, digit] : DigitsAt(80)) EXPECT_EQ(digit, 9) << x;
}

TEST_F(DrawTest, ExtendsAtOneTwoFourAndSevenMillion) {
    Player().lives = 3.0f;
    std::vector<int64_t> thresholds;
    for (int32_t score : {999999, 1000000, 2000000, 4000000, 6999999, 7000000}) {
        Game().score.score = score;
        vantorix::DrawScore();
        thresholds.push_back(Game().score.extendThreshold);
    }
    EXPECT_EQ(thresholds, (std::vector<int64_t>{1000000, 2000000, 4000000, 7000000, 7000000, 11000000}));
    EXPECT_FLOAT_EQ(Player().lives, 7.0f);
    EXPECT_EQ(PlaysOfEffect(1), 4);

    // A jump past several thresholds gives one life per frame; at ten lives none is added.
    Game().score.score = 40000000;
    Player().lives = 9.0f;
    vantorix::DrawScore();
    EXPECT_FLOAT_EQ(Player().lives, 10.0f);
    vantorix::DrawScore();
    EXPECT_FLOAT_EQ(Player().lives, 10.0f);
    EXPECT_EQ(Game().score.extendThreshold, 22000000);
    EXPECT_EQ(PlaysOfEffect(1), 5);
}

TEST_F(DrawTest, SlashCountIsRightAligned) {
    Clear();
    vantorix::DrawSlashCount();
    EXPECT_EQ(DigitsAt(170), (std::vector<std::pair<int, int>>{{568, 0}}));
    Game().score.slashCount = 1234;
    Clear();
    vantorix::DrawSlashCount();
    EXPECT_EQ(DigitsAt(170), (std::vector<std::pair<int, int>>{{532, 1}, {544, 2}, {556, 3}, {568, 4}}));
}

TEST_F(DrawTest, InvulnerableShipBlinksTwoFramesShownTwoHidden) {
    std::vector<int> shown;
    for (int t = 8; t >= 1; --t) {
        Player().invulnerable = t;
        Play().frameCounter = 10;  // would pick the second idle image when not blinking
        Clear();
        vantorix::DrawPlayer();
        shown.push_back(int(DrawsOf(501).size()));
    }
    EXPECT_EQ(shown, (std::vector<int>{1, 0, 0, 1, 1, 0, 0, 1}));
    Player().invulnerable = 0;
    Clear();
    vantorix::DrawPlayer();
    EXPECT_EQ(DrawsOf(502).size(), 1u);
}

TEST_F(DrawTest, RotatedSpriteTurnsAboutTheCentreOfItsCell) {
    Clear();
    vantorix::DrawSpriteRotated(501, 100.7f, 50.2f, 90, 1.0);
    ASSERT_EQ(draw_.calls.size(), 1u);
    EXPECT_EQ(draw_.calls[0].x, 124);
    EXPECT_EQ(draw_.calls[0].y, 74);
    EXPECT_DOUBLE_EQ(draw_.calls[0].angle, 90 * 3.1415 / 180);
    // No graphic, no size: nothing is drawn.
    Clear();
    vantorix::DrawSpriteRotated(4000, 10, 10, 0, 1.0);
    vantorix::DrawSpriteRotated(-5, 10, 10, 0, 1.0);
    vantorix::DrawSpriteRotated(99999, 10, 10, 0, 1.0);
    vantorix::DrawSpriteRotated(501, 10, 10, 0, 0.0);
    EXPECT_TRUE(draw_.calls.empty());
}

vantorix::EffectSpawn Effect(int sprite, int width, int kind) {
    return {0, -1, 0.0f, 200, 200, 48.0f, 48, 48.0f, kind, 4, 2, 0, 255, sprite, 2, width};
}

TEST_F(DrawTest, EffectScaleIsZeroWithoutASpriteAndDrawsNothing) {
    vantorix::SpawnEffect(Effect(1011, 48, 1));
    vantorix::SpawnEffect(Effect(0, 48, 1));
    EXPECT_FLOAT_EQ(Play().effects.scale[0], 0.5f);
    EXPECT_FLOAT_EQ(Play().effects.scale[1], 0.0f);
    Clear();
    vantorix::DrawEffects(2);
    ASSERT_EQ(draw_.calls.size(), 1u);
    EXPECT_EQ(draw_.calls[0].handle, vantorix::SpriteHandle(1011));
    // An animated effect of 4 images x 2 ticks ends when its counter reaches 7, drawn or not.
    for (int f = 1; f < 7; ++f) vantorix::DrawEffects(2);
    EXPECT_EQ(Play().count[vantorix::kPoolEffects], 2);
    vantorix::DrawEffects(2);
    EXPECT_EQ(Play().effects.active[0], 0);
    EXPECT_EQ(Play().effects.active[1], 0);
    EXPECT_EQ(Play().count[vantorix::kPoolEffects], 0);
}

TEST_F(DrawTest, GaugesFadeLowOnTheScreenAndTheBossBarFollowsItsHitPoints) {
    Player().y = 420.0f;
    Player().barrierEnergy = 120;
    Clear();
    vantorix::DrawGauges();
    std::vector<DrawCall> bar = DrawsOf(4);
    ASSERT_EQ(bar.size(), 1u);
    EXPECT_EQ(bar[0].blendMode, 1);
    EXPECT_EQ(bar[0].blendParam, 128);
    EXPECT_EQ(bar[0].x2, 34 + 120);

    Player().y = 419.0f;
    Play().bossFlag = 1;
    Play().bossSlot = 3;
    Play().enemies.bossFullHitPoints[3] = 1000;
    Play().enemies.hitPoints[3] = 500;
    Play().enemies.bossState[3] = 2;
    Clear();
    vantorix::DrawGauges();
    std::vector<DrawCall> boss = DrawsOf(5);
    ASSERT_EQ(boss.size(), 1u);
    EXPECT_EQ(boss[0].x, 74);
    EXPECT_EQ(boss[0].x2, 74 + 150);
    EXPECT_EQ(boss[0].blendMode, 0);
}

}  // namespace
}  // namespace vantorix_test
