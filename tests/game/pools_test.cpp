// The object pools: full pools, the leaving border, the highest used slot, direction rules,
// bosses taking the boss slot, and whole-pool wipes.
#include "game/vantorix/pools.h"
#include "game_fixture.h"

namespace vantorix_test {
namespace {

using vantorix::Game;
using vantorix::kPoolBullets;
using vantorix::kPoolEnemies;

class PoolsTest : public GameFilesTest {
protected:
    static vantorix::PlayState& Play() { return Game().play; }
    static vantorix::BulletSpawn Bullet(float x, float y) {
        return {1, 1101, 90, 0, 2.0f, x, y, 4.0f, 4.0f, 16.0f, 16.0f, 1, 1, 1, 32, 32};
    }
    static vantorix::EnemySpawn Enemy(int type, float x, int rule = 0) {
        return {type, 10, 100, 2001, 0, 21, 90, 1.5f, rule, 1, x, 100.0f, 32, 32,
                12.0f, 12.0f, 16.0f, 16.0f, 0, 1, 1};
    }
};

TEST_F(PoolsTest, FullBulletPoolRefusesASpawnAndChangesNothing) {
    for (int i = 0; i < vantorix::kBulletCapacity; ++i) vantorix::SpawnEnemyBullet(Bullet(100, 100 + i % 7));
    EXPECT_EQ(Play().count[kPoolBullets], 2000);
    EXPECT_EQ(Play().top[kPoolBullets], 1999);
    EXPECT_EQ(vantorix::FindFreeSlot(kPoolBullets), -1);
    vantorix::SpawnEnemyBullet(Bullet(300, 300));
    EXPECT_EQ(Play().count[kPoolBullets], 2000);
    for (int i = 0; i < vantorix::kBulletCapacity; ++i) ASSERT_FLOAT_EQ(Play().bullets.x[i], 100.0f);
    // A freed slot is the next one taken, the lowest first.
    vantorix::RemoveObject(kPoolBullets, 1500);
    vantorix::RemoveObject(kPoolBullets, 700);
    EXPECT_EQ(vantorix::FindFreeSlot(kPoolBullets), 700);
    EXPECT_EQ(vantorix::FindFreeSlot(7), -1);
}

TEST_F(PoolsTest, LeavingBorderTruncatesTowardZero) {
    vantorix::SpawnEnemyBullet(Bullet(16.0f, 200.0f));  // 32 - 16: on the border
    EXPECT_EQ(vantorix::CullObject(kPoolBullets, 0), 0);
    // Truncation toward zero: with a leave half-width of 48 the border is -16, and -16.9
    // counts as -16, still inside.
    Play().bullets.x[0] = -16.9f;
    Play().bullets.leaveHalfWidth[0] = 48.0f;
    EXPECT_EQ(vantorix::CullObject(kPoolBullets, 0), 0);
    Play().bullets.x[0] = -17.0f;
    EXPECT_EQ(vantorix::CullObject(kPoolBullets, 0), 1);
    EXPECT_EQ(Play().count[kPoolBullets], 0);

    vantorix::SpawnEnemyBullet(Bullet(200.0f, 480.0f));  // 464 + 16
    EXPECT_EQ(vantorix::CullObject(kPoolBullets, 0), 0);
    Play().bullets.y[0] = 481.0f;
    EXPECT_EQ(vantorix::CullObject(kPoolBullets, 0), 1);
    EXPECT_EQ(vantorix::CullObject(vantorix::kPoolEffects, 0), 0);  // effects never leave
}

TEST_F(PoolsTest, TopIsZeroForAnEmptyPoolAndForSlotZeroAlone) {
    EXPECT_EQ(vantorix::GetPoolTop(kPoolEnemies), 0);
    vantorix::SpawnEnemy(Enemy(1, 100));
    EXPECT_EQ(vantorix::GetPoolTop(kPoolEnemies), 0);
    vantorix::SpawnEnemy(Enemy(1, 100));
    vantorix::SpawnEnemy(Enemy(1, 100));
    EXPECT_EQ(Play().top[kPoolEnemies], 2);
    vantorix::RemoveObject(kPoolEnemies, 2);
    EXPECT_EQ(Play().top[kPoolEnemies], 1);
}

TEST_F(PoolsTest, DirectionRuleMirrorsFromTheMiddleAndBossesTakeTheBossSlot) {
    vantorix::SpawnEnemy(Enemy(1, 225.0f, 1));
    vantorix::SpawnEnemy(Enemy(1, 224.9f, 1));
    vantorix::SpawnEnemy(Enemy(1, 100.0f, 2));
    EXPECT_EQ(Play().enemies.direction[0], -1);
    EXPECT_EQ(Play().enemies.direction[1], 1);
    EXPECT_EQ(Play().enemies.direction[2], -1);
    Play().enemies.moveAngle[0] = 0;
    vantorix::MoveEnemyByAngle(0);
    EXPECT_FLOAT_EQ(Play().enemies.x[0], 223.5f);
    EXPECT_EQ(Play().enemies.halfWidth[0], 16);

    vantorix::SpawnEnemy(Enemy(101, 192.0f));
    EXPECT_EQ(Play().bossFlag, 1);
    EXPECT_EQ(Play().bossSlot, 3);
    EXPECT_EQ(Play().enemies.bossState[3], 1);
    EXPECT_EQ(Play().enemies.bossFullHitPoints[3], 10);
    Play().bossTimer = 12;
    vantorix::SpawnEnemy(Enemy(102, 192.0f));
    EXPECT_EQ(Play().bossSlot, 4);
    EXPECT_EQ(Play().bossTimer, 5939);
}

TEST_F(PoolsTest, WipesClearEveryEnemyAndBulletWithoutScore) {
    vantorix::SpawnEnemy(Enemy(1, 100));
    vantorix::SpawnEnemy(Enemy(1, 200));
    vantorix::SpawnEnemyBullet(Bullet(100, 100));
    Game().score.score = 55;
    vantorix::WipePool(2);
    vantorix::WipePool(3);
    vantorix::WipePool(0);  // names no pool: nothing
    EXPECT_EQ(Play().count[kPoolEnemies], 0);
    EXPECT_EQ(Play().count[kPoolBullets], 0);
    EXPECT_EQ(Play().enemies.active[1], 0);
    EXPECT_EQ(Play().bullets.active[0], 0);
    EXPECT_EQ(Game().score.score, 55);
}

}  // namespace
}  // namespace vantorix_test
