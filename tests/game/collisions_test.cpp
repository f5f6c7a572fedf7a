// Collisions and scoring: bullets against the ship and its barrier at the box edges, the
// last life, shots, blade and charged attack against enemies, kills, slashes and bosses.
#include "field_fixture.h"
#include "game/vantorix/collisions.h"
#include "game/vantorix/enemy_bullets.h"
#include "game/vantorix/enemy_defeat.h"

namespace vantorix_test {
namespace {

using vantorix::CheckCollisions;
using vantorix::kPoolEffects;
using vantorix::kPoolEnemies;
using vantorix::kPoolShots;

class CollisionTest : public FieldTest {
protected:
    void SetUp() override {
        FieldTest::SetUp();
        PlaceShip(200.0f, 300.0f);
    }
    static void BulletAt(float x, float y) {
        vantorix::FireEnemyBullets(vantorix::kAimFixed, 0, 1, 90, 0.0f, x, y);
    }
    static int32_t Score() { return vantorix::Game().score.score; }
    // The three blade points in a row to the left of the tip, 40 apart.
    static void PlaceBladeTipAt(float x, float y) {
        for (int k = 0; k < 3; ++k) {
            Player().bladeX[k] = x - 40.0f * (2 - k);
            Player().bladeY[k] = y;
        }
    }
    int SoundPlays() const { return static_cast<int>(sound_.plays.size()); }
};

TEST_F(CollisionTest, BulletFiveAwayMissesAndJustInsideHits) {
    BulletAt(205.0f, 300.0f);  // half-sizes 3 + 2: touching is not overlapping
    BulletAt(200.0f, 295.0f);
    CheckCollisions();
    EXPECT_FLOAT_EQ(Player().lives, 3.0f);
    EXPECT_EQ(BulletCount(), 2);

    Player().barrierEnergy = 120;
    BulletAt(195.01f, 304.99f);
    CheckCollisions();
    EXPECT_FLOAT_EQ(Player().lives, 2.0f);
    EXPECT_EQ(Player().barrierEnergy, 200);
    EXPECT_EQ(Player().invulnerable, 180);
    EXPECT_EQ(BulletCount(), 2);
    EXPECT_EQ(Count(kPoolEffects), 2);  // the ring and the spark of the hit
    EXPECT_EQ(PlaysOfEffect(21), 1);
}

TEST_F(CollisionTest, OneHitEndsThePassUntilTheLastLifeWhichLetsMoreHitsThrough) {
    BulletAt(200.0f, 300.0f);
    BulletAt(201.0f, 301.0f);
    CheckCollisions();
    EXPECT_FLOAT_EQ(Player().lives, 2.0f);
    EXPECT_EQ(BulletCount(), 1);
    CheckCollisions();  // blinking: nothing hits
    EXPECT_FLOAT_EQ(Player().lives, 2.0f);

    Player().invulnerable = 0;
    Player().lives = 1.0f;
    BulletAt(199.0f, 299.0f);
    CheckCollisions();
    EXPECT_FLOAT_EQ(Player().lives, -1.0f);
    EXPECT_EQ(Player().visible, 0);
    EXPECT_EQ(Play().gameOverCounter, 1);
    EXPECT_EQ(Player().invulnerable, 180);
    EXPECT_EQ(BulletCount(), 0);
}

TEST_F(CollisionTest, BarrierErasesNearBulletsForTenPointsEvenWhileBlinking) {
    Player().barrier = 1;
    Player().invulnerable = 100;
    BulletAt(226.9f, 300.0f);  // within 3 + 24
    BulletAt(200.0f, 273.1f);
    BulletAt(173.1f, 326.9f);
    BulletAt(227.0f, 300.0f);  // on the edge: stays
    int plays = SoundPlays();
    CheckCollisions();
    EXPECT_EQ(BulletCount(), 1);
    EXPECT_EQ(Score(), 30);
    EXPECT_EQ(SoundPlays(), plays);
    EXPECT_FLOAT_EQ(Player().lives, 3.0f);
    EXPECT_EQ(Count(kPoolEffects), 0);
}

TEST_F(CollisionTest, ShotStopsAtTheFirstEnemyItDestroysAndLaunchersCannotBeHit) {
    EnemyAt(201, 100.0f, 100.0f);
    int a = EnemyAt(26, 100.0f, 100.0f);
    int b = EnemyAt(26, 100.0f, 100.0f);
    vantorix::SpawnPlayerShot(100.0f, 110.0f, 10.0f);
    CheckCollisions();
    EXPECT_EQ(Count(kPoolShots), 0);
    EXPECT_EQ(Enemies().active[a], 0);
    EXPECT_EQ(Enemies().active[b], 1);
    EXPECT_EQ(Score(), 50);
    EXPECT_EQ(PlaysOfEffect(13), 1);

    vantorix::SpawnPlayerShot(100.0f, 110.0f, 10.0f);
    vantorix::SpawnPlayerShot(140.0f, 100.0f, 10.0f);  // 4 + 16 wide: 40 away misses
    Enemies().hitPoints[b] = 2;
    CheckCollisions();
    EXPECT_EQ(Enemies().hitPoints[b], 1);
    EXPECT_EQ(Count(kPoolShots), 1);
    EXPECT_EQ(Enemies().hitPoints[0], 9999);  // the launcher in slot 0
}

TEST_F(CollisionTest, BladeKillsScoreByTheSlashCountAndStrikeEachEnemyOncePerSwing) {
    vantorix::Game().score.slashCount = 4;
    int i = EnemyAt(26, 240.0f, 280.0f);
    int tough = EnemyAt(41, 160.0f, 250.0f);
    Player().bladeTimer = 5.0f;
    PlaceBladeTipAt(236.0f, 276.0f);
    CheckCollisions();
    EXPECT_EQ(Enemies().active[i], 0);
    EXPECT_EQ(Score(), 5 * 50);
    EXPECT_EQ(vantorix::Game().score.slashCount, 5);
    EXPECT_EQ(Enemies().hitPoints[tough], 20);
    EXPECT_EQ(Enemies().hitFlag[tough], 1);
    // The spark lies halfway between the tip and the enemy.
    EXPECT_FLOAT_EQ(Effects().x[0], 238.0f);
    EXPECT_FLOAT_EQ(Effects().y[0], 278.0f);
    CheckCollisions();
    EXPECT_EQ(Enemies().hitPoints[tough], 20);
    EXPECT_EQ(PlaysOfEffect(14), 2);
}

// The last hit can cut a swing short: the ship is gone, and its swing, counted down only
// while the ship is drawn, would stand where it was for the whole game-over count.
TEST_F(CollisionTest, AShipThatLostItsLastLifeStrikesNothingWithBladeOrAttack) {
    int struck = EnemyAt(26, 240.0f, 280.0f);
    int above = EnemyAt(26, 200.0f, 192.0f);
    Player().bladeTimer = 5.0f;
    PlaceBladeTipAt(236.0f, 276.0f);
    Player().subCooldown = 4;
    Player().visible = 0;
    CheckCollisions();
    EXPECT_EQ(Enemies().active[struck], 1);
    EXPECT_EQ(Enemies().hitFlag[struck], 0);
    EXPECT_EQ(Enemies().active[above], 1);
    EXPECT_EQ(vantorix::Game().score.slashCount, 0);
    // The same blade and attack of a ship in play strike both.
    Player().visible = 1;
    CheckCollisions();
    EXPECT_EQ(Enemies().active[struck], 0);
    EXPECT_EQ(Enemies().active[above], 0);
}

TEST_F(CollisionTest, ChargedAttackStrikesItsBoxAboveTheShipOnItsFourthLastFrame) {
    int in = EnemyAt(26, 247.9f, 300.0f - 108.0f - 99.9f);  // 32 + 16 and 84 + 16 reach
    int out = EnemyAt(26, 248.0f, 192.0f);
    Player().subCooldown = 5;
    CheckCollisions();
    EXPECT_EQ(Enemies().active[in], 1);
    Player().subCooldown = 4;
    CheckCollisions();
    EXPECT_EQ(Enemies().active[in], 0);
    EXPECT_EQ(Enemies().active[out], 1);
    EXPECT_EQ(vantorix::Game().score.slashCount, 1);
}

TEST_F(CollisionTest, BossBreaksToHalfItsHitPointsThenEndsTheStageWithEveryoneElse) {
    int boss = EnemyAt(105, 224.0f, 150.0f);
    int other = EnemyAt(41, 100.0f, 100.0f);
    BulletAt(300.0f, 100.0f);
    vantorix::DestroyEnemy(boss);
    EXPECT_EQ(Enemies().bossState[boss], 2);
    EXPECT_EQ(Enemies().bossFullHitPoints[boss], 750);
    EXPECT_EQ(Enemies().hitPoints[boss], 750);
    EXPECT_EQ(Enemies().movePhase[boss], 10);
    EXPECT_EQ(Enemies().phaseTimer[boss], 1);
    EXPECT_EQ(BulletCount(), 0);
    EXPECT_EQ(Score(), 0);
    EXPECT_EQ(Play().bossFlag, 1);

    vantorix::DestroyEnemy(boss);
    EXPECT_EQ(Enemies().active[boss], 0);
    EXPECT_EQ(Enemies().active[other], 0);
    EXPECT_EQ(Count(kPoolEnemies), 0);
    EXPECT_EQ(Score(), 20000);  // the other enemy scores nothing
    EXPECT_EQ(Play().bossFlag, 0);
    EXPECT_EQ(Play().stageClearCounter, 1);
    vantorix::DestroyEnemy(boss);  // already gone: refused, nothing changes
    EXPECT_EQ(Score(), 20000);
}

TEST_F(CollisionTest, BossOutOfTimeScoresAsDestroyedEvenInItsFirstForm) {
    vantorix::Game().score.slashCount = 1;
    EnemyAt(101, 224.0f, 150.0f);
    EXPECT_EQ(Play().bossTimer, 5939);
    Play().bossTimer = 3;
    Steps(2);
    EXPECT_EQ(Play().bossFlag, 1);
    Step();
    EXPECT_EQ(Play().bossFlag, 0);
    EXPECT_EQ(Play().stageClearCounter, 2);  // started and counted in the same frame
    EXPECT_EQ(Score(), 2 * 3000);
}

}  // namespace
}  // namespace vantorix_test
