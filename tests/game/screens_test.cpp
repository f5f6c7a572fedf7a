// Continuing a game, the ranking screen under scripted keys, and the animated draws of
// enemies and bullets with their counters standing still while frozen.
#include "game/vantorix/field_draw.h"
#include "game/vantorix/pools.h"
#include "game/vantorix/ranking.h"
#include "game_fixture.h"

namespace vantorix_test {
namespace {

using vantorix::Game;

TEST_F(PlayTest, ContinueKeepsTheStageAndItsMapButResetsTheRun) {
    Steps(30, {host::DIK_RIGHT});
    Play().stage = 2;
    Play().phase = 3;
    Game().score.score = 5000;
    Player().lives = 0.0f;
    Game().stageMap.tile[0][0] = 77;
    vantorix::SpawnPlayerShot(100, 100, 10);
    vantorix::ResetGame(vantorix::kContinue);
    EXPECT_EQ(Play().stage, 2);
    EXPECT_EQ(Play().phase, 1);
    EXPECT_EQ(Play().phaseFrame, 0);
    EXPECT_EQ(Game().stageMap.tile[0][0], 77);
    EXPECT_EQ(Game().score.score, 0);
    EXPECT_EQ(Game().score.extendThreshold, 1000000);
    EXPECT_FLOAT_EQ(Player().lives, 3.0f);
    EXPECT_FLOAT_EQ(Player().x, 224.0f);
    EXPECT_EQ(Play().count[vantorix::kPoolShots], 0);
    EXPECT_EQ(Play().shots.active[0], 0);
    vantorix::ResetGame(2);  // no such mode: nothing happens
    EXPECT_EQ(Play().stage, 2);
    vantorix::ResetGame(vantorix::kNewGame);
    EXPECT_EQ(Play().stage, 1);
    EXPECT_NE(Game().stageMap.tile[0][0], 77);  // stage 1's map read again
}

TEST_F(PlayTest, RankingScreenSavesOnAFreshZAndEscapeLeavesWithoutSaving) {
    std::string path = engine_.Log().Directory() + "/save_data99.dat";
    std::ofstream(path, std::ios::binary).write(std::string(54, '\0').data(), 54);
    // Z still held from before: it must be let go before a press counts.
    Game().input.latch[vantorix::kActSub] = 1;
    host::SetKeyDown(host::DIK_Z, true);
    host::AdvanceManualClock(16667);
    draw_.onPresent = [](int frame) {
        host::ReleaseAllKeys();
        if (frame == 1 || frame >= 4) host::SetKeyDown(host::DIK_Z, true);
    };
    int before = draw_.presents;
    vantorix::ShowRanking(4321);
    EXPECT_EQ(draw_.presents - before, 4);
    EXPECT_EQ(Game().ranking[0], 4321);
    std::string saved = orvik_test::TempLog::ReadFile(path);
    ASSERT_EQ(saved.size(), 54u);
    EXPECT_EQ(GetInt(Bytes(saved.begin(), saved.end()), 14), 4321);

    std::ofstream(path, std::ios::binary).write(std::string(54, '\0').data(), 54);
    draw_.onPresent = [](int) {
        host::ReleaseAllKeys();
        host::SetKeyDown(host::DIK_ESCAPE, true);
    };
    vantorix::ShowRanking(0);
    EXPECT_EQ(Game().gameState, vantorix::kStateQuit);
    EXPECT_EQ(orvik_test::TempLog::ReadFile(path), std::string(54, '\0'));
}

TEST_F(PlayTest, AnimatedEnemiesAndBulletsStepOnlyWhenNotFrozen) {
    vantorix::SpawnEnemy({1, 10, 100, 2012, 0, 21, 90, 0.0f, 0, 1, 100, 100, 32, 32,
                          8, 8, 16, 16, 1, 3, 4});
    vantorix::SpawnEnemyBullet({1, 1101, 90, 0, 0.0f, 200, 200, 4, 4, 16, 16, 3, 3, 2, 32, 32});
    std::vector<int> enemyImages, bulletImages;
    for (int f = 0; f < 14; ++f) {
        draw_.calls.clear();
        vantorix::DrawEnemies(1);
        vantorix::DrawEnemyBullets();
        for (int id = 0; id < 3; ++id) {
            if (!DrawsOf(2012 + id).empty()) enemyImages.push_back(id);
            if (!DrawsOf(1101 + id).empty()) bulletImages.push_back(id);
        }
    }
    // The enemy's counter runs 0..11, then 1..11; the bullet's runs 0..4.
    EXPECT_EQ(enemyImages, (std::vector<int>{0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 0, 0}));
    EXPECT_EQ(bulletImages, (std::vector<int>{0, 0, 1, 1, 2, 0, 0, 1, 1, 2, 0, 0, 1, 1}));
    Play().freeze = 1;
    int enemyCounter = Play().enemies.animCounter[0], bulletCounter = Play().bullets.animCounter[0];
    vantorix::DrawEnemies(1);
    vantorix::DrawEnemyBullets();
    EXPECT_EQ(Play().enemies.animCounter[0], enemyCounter);
    EXPECT_EQ(Play().bullets.animCounter[0], bulletCounter);
    draw_.calls.clear();
    vantorix::DrawEnemies(2);  // drawn in the other pass only
    EXPECT_TRUE(draw_.calls.empty());
}

}  // namespace
}  // namespace vantorix_test
