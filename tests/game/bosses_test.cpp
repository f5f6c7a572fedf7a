// Bosses: the entry to their home, the glide back after the first defeat, the phase cycle,
// and the volleys and launchers that reach the pools' limits.
#include "field_fixture.h"
#include "game/vantorix/enemy_defeat.h"

namespace vantorix_test {
namespace {

class BossTest : public FieldTest {
protected:
    // A boss that has finished its entry, standing at (x, y) in the phase given with its
    // timer at t, so that the next update sees t.
    static int BossIn(int type, int phase, int t, float x = 224.0f, float y = 140.0f) {
        int slot = EnemyAt(type, x, y);
        vantorix::SetEnemyMovePhase(slot, phase);
        Enemies().phaseTimer[slot] = t;
        Enemies().homeX[slot] = x;
        Enemies().homeY[slot] = y;
        return slot;
    }
};

TEST_F(BossTest, EntryEndsBelowTheLineAndRemembersHome) {
    ASSERT_EQ(vantorix::SpawnEnemyByType(101, 192.0f, -128.0f), 0);  // stage 1's boss row
    Updates(82);
    EXPECT_EQ(Enemies().movePhase[0], 1);
    Updates(1);  // -112 + 3 x 83 = 137
    EXPECT_EQ(Enemies().movePhase[0], 2);
    EXPECT_FLOAT_EQ(Enemies().homeY[0], 137.0f);
    EXPECT_NEAR(Enemies().homeX[0], 224.0f, 0.05f);
    EXPECT_EQ(BulletCount(), 0);
}

TEST_F(BossTest, FirstDefeatWhileRisingGlidesBackHomeFiringNothing) {
    int i = BossIn(101, 4, 1);
    Updates(20);  // rising in its fourth phase
    EXPECT_LT(Enemies().y[i], 140.0f - 35.0f);
    Enemies().x[i] = 100.0f;
    vantorix::DestroyEnemy(i);
    int bullets = BulletCount();
    Updates(29);
    EXPECT_EQ(Enemies().movePhase[i], 10);
    Updates(1);
    EXPECT_EQ(Enemies().movePhase[i], 11);
    EXPECT_NEAR(Enemies().x[i], 224.0f, 0.01);
    EXPECT_NEAR(Enemies().y[i], 140.0f, 1e-3);
    EXPECT_EQ(BulletCount(), bullets);
    // Hits during the glide already count toward the final defeat.
    Enemies().hitPoints[i] = 0;
    vantorix::DestroyEnemy(i);
    EXPECT_EQ(Play().stageClearCounter, 1);
}

TEST_F(BossTest, FirstFormCyclesItsPhasesAndTheSecondFormStartsOver) {
    int i = BossIn(101, 2, 1);
    Updates(239);
    EXPECT_EQ(Enemies().movePhase[i], 2);
    Updates(1);
    EXPECT_EQ(Enemies().movePhase[i], 3);
    Updates(600);
    EXPECT_EQ(Enemies().movePhase[i], 4);
    Updates(180);
    EXPECT_EQ(Enemies().movePhase[i], 2);
    EXPECT_NEAR(Enemies().y[i], 140.0f, 1e-3);  // risen 60 and sunk back

    int j = BossIn(102, 11, 780);
    Updates(1);
    EXPECT_EQ(Enemies().phaseTimer[j], 61);
    EXPECT_EQ(Enemies().movePhase[j], 11);
}

TEST_F(BossTest, GreatVolleyTakesOnlyTheFreeBulletSlots) {
    BossIn(105, 2, 60);
    Updates(1);
    EXPECT_EQ(BulletCount(), 1080);
    vantorix::ClearAllPools();
    for (int k = 0; k < 1500; ++k) vantorix::FireEnemyBullets(0, 0, 1, 90, 1.0f, 50.0f, 50.0f);
    BossIn(105, 2, 60);
    Updates(1);
    EXPECT_EQ(BulletCount(), 2000);
}

TEST_F(BossTest, LaunchersAppearRightOfAndBelowTheShip) {
    PlaceShip(150.0f, 300.0f);
    BossIn(104, 11, 10);
    Updates(1);
    ASSERT_EQ(Count(vantorix::kPoolEnemies), 2);
    EXPECT_EQ(Enemies().type[1], 202);
    EXPECT_FLOAT_EQ(Enemies().x[1], 182.0f);
    EXPECT_FLOAT_EQ(Enemies().y[1], 316.0f);
}

TEST_F(BossTest, StormEndsInTheScreenWideStrikeWithItsBand) {
    BossIn(103, 11, 300);
    Updates(1);
    EXPECT_EQ(PlaysOfEffect(24), 1);
    ASSERT_EQ(BulletCount(), 1);
    EXPECT_EQ(Bullets().kind[0], 11);
    EXPECT_EQ(Effects().kind[0], 24);
    EXPECT_FLOAT_EQ(Effects().x[0], Player().x);
}

}  // namespace
}  // namespace vantorix_test

namespace vantorix_test {
namespace {

TEST_F(BossTest, BossBrokenDuringItsEntryReturnsToTheEntryLineNotToAStaleHome) {
    int i = EnemyAt(106, 224.0f, -100.0f);
    Enemies().homeX[i] = 0.0f;  // left over from an earlier enemy in the slot
    Enemies().homeY[i] = 0.0f;
    Updates(10);
    vantorix::DestroyEnemy(i);
    Updates(30);
    EXPECT_EQ(Enemies().movePhase[i], 11);
    EXPECT_NEAR(Enemies().x[i], 224.0f, 0.05f);
    EXPECT_NEAR(Enemies().y[i], 136.0f, 0.01f);
}

}  // namespace
}  // namespace vantorix_test

namespace vantorix_test {
namespace {

TEST_F(BossTest, VolleysHaveTheirCountsFromTheirGuns) {
    BossIn(101, 3, 15);
    Updates(1);
    EXPECT_EQ(BulletCount(), 7);  // a fan every half second
    vantorix::ClearAllPools();
    int core = BossIn(106, 2, 240, 224.0f, 200.0f);
    Updates(1);
    EXPECT_EQ(BulletCount(), 60);  // the core's ring, no corner gun at the turn of its cycle
    for (int k = 0; k < 60; ++k) EXPECT_FLOAT_EQ(Bullets().y[k], 152.0f);
    Updates(1);
    ASSERT_EQ(BulletCount(), 61);  // the first corner gun takes aim
    EXPECT_FLOAT_EQ(Bullets().x[60], 119.0f);
    EXPECT_FLOAT_EQ(Bullets().y[60], 87.0f);
    EXPECT_FLOAT_EQ(Enemies().targetX[core], Player().x);
}

TEST_F(BossTest, FortressRingsFromBothSidesAtOnce) {
    BossIn(101, 3, 30);
    Updates(1);
    ASSERT_EQ(BulletCount(), 720);
    EXPECT_FLOAT_EQ(Bullets().x[0], 264.0f);
    EXPECT_FLOAT_EQ(Bullets().x[1], 184.0f);
}

}  // namespace
}  // namespace vantorix_test
