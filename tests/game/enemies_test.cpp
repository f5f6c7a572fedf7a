// Enemy types: what the catalogue makes, and the paths, volleys and timers of their
// behaviour over frames.
#include "field_fixture.h"
#include "game/vantorix/enemy_defeat.h"

namespace vantorix_test {
namespace {

using vantorix::kPoolEnemies;

class EnemyTest : public FieldTest {};

TEST_F(EnemyTest, CatalogueRowsArePlacedFromFieldToScreenAndUnknownTypesAreRefused) {
    ASSERT_EQ(vantorix::SpawnEnemyByType(26, 80.0f, -32.0f), 0);
    EXPECT_FLOAT_EQ(Enemies().x[0], 112.0f);
    EXPECT_FLOAT_EQ(Enemies().y[0], -16.0f);
    EXPECT_EQ(Enemies().hitPoints[0], 1);
    EXPECT_EQ(Enemies().scoreValue[0], 50);
    EXPECT_EQ(Enemies().drawStyle[0], 11);
    EXPECT_FLOAT_EQ(Enemies().leaveHalfHeight[0], 32.0f);

    ASSERT_EQ(vantorix::SpawnEnemyByType(41, 0.0f, 0.0f), 0);
    EXPECT_EQ(Enemies().explosion[1], 2);  // effect type 1, stored plus one
    EXPECT_FLOAT_EQ(Enemies().hitHalfHeight[1], 16.0f);
    ASSERT_EQ(vantorix::SpawnEnemyByType(103, 192.0f, -64.0f), 0);
    EXPECT_EQ(Enemies().animImages[2] * 10 + Enemies().animTicks[2], 38);
    EXPECT_EQ(Play().bossSlot, 2);

    for (int type : {5, 0, -1, 107, 203, 100000}) EXPECT_EQ(vantorix::SpawnEnemyByType(type, 0, 0), -1);
    EXPECT_EQ(Count(kPoolEnemies), 3);
}

// The small wave enemies burst into one spark (effect type 0); only the launchers leave none.
TEST_F(EnemyTest, SmallEnemiesBurstIntoOneSparkAndLaunchersIntoNothing) {
    for (int type : {1, 11, 12, 16, 21, 22, 26, 27, 28, 31, 42, 51, 52, 201}) {
        const int sparks = Count(vantorix::kPoolEffects);
        vantorix::DestroyEnemy(EnemyAt(type, 200.0f, 100.0f));
        EXPECT_EQ(Count(vantorix::kPoolEffects) - sparks, type == 201 ? 0 : 1) << "type " << type;
        if (type != 201) { EXPECT_EQ(Effects().sprite[sparks], 1011) << "type " << type; }
    }
}

TEST_F(EnemyTest, SideflyersMirrorFromTheFieldsMiddle) {
    int right = EnemyAt(11, 225.0f, 20.0f);
    int left = EnemyAt(11, 224.9f, 20.0f);
    EXPECT_EQ(Enemies().direction[right], -1);
    EXPECT_EQ(Enemies().direction[left], 1);
}

TEST_F(EnemyTest, SwooperDivesTurnsAwayAndFiresOnceAsItClimbs) {
    PlaceShip(112.0f, 440.0f);
    int i = EnemyAt(26, 112.0f, -16.0f);
    Updates(83);  // 4 pixels a frame down to y 316
    EXPECT_FLOAT_EQ(Enemies().y[i], 316.0f);
    EXPECT_EQ(Enemies().movePhase[i], 2);
    EXPECT_EQ(Enemies().moveAngle[i], 315);
    Updates(30);
    EXPECT_EQ(Enemies().movePhase[i], 3);
    EXPECT_NEAR(Enemies().x[i], 112.0 + 30 * 4 * std::cos(315 * 3.1415 / 180), 0.05);
    EXPECT_LT(Enemies().y[i], 316.0f - 80.0f);
    EXPECT_EQ(BulletCount(), 0);
    Updates(1);
    EXPECT_EQ(BulletCount(), 1);  // on the first frame of its climb
    Updates(200);
    EXPECT_EQ(BulletCount(), 1);
    EXPECT_EQ(Enemies().active[i], 0);  // gone over the top edge
    EXPECT_EQ(Count(kPoolEnemies), 0);
}

TEST_F(EnemyTest, MirroredSwooperTurnsTheOtherWay) {
    int i = EnemyAt(26, 336.0f, 300.0f);
    Updates(5);
    float x = Enemies().x[i];
    Updates(10);
    EXPECT_LT(Enemies().x[i], x);
}

TEST_F(EnemyTest, DiverAimsAtTheShipOnItsSecondFrame) {
    PlaceShip(232.0f, 222.0f);
    int i = EnemyAt(22, 32.0f, 16.0f);
    Updates(2);  // the first frame falls 6 pixels, the second aims from (32, 22)
    EXPECT_EQ(Enemies().movePhase[i], 1);
    EXPECT_EQ(Enemies().moveAngle[i], 45);
}

TEST_F(EnemyTest, PatrollerFromBelowTurnsUpAndNeverLeaves) {
    int i = EnemyAt(12, 48.0f, 528.0f);
    Updates(3);
    EXPECT_LT(Enemies().y[i], 528.0f);
    Updates(3000);
    EXPECT_EQ(Enemies().active[i], 1);
    EXPECT_GE(Enemies().y[i], 40.0f);
    EXPECT_LE(Enemies().y[i], 480.0f);
}

TEST_F(EnemyTest, LauncherWarnsThenFiresOneRingFiftyNineFramesLaterAndStays) {
    int i = EnemyAt(201, 200.0f, 100.0f);
    Updates(1);
    EXPECT_EQ(Count(vantorix::kPoolEffects), 0);
    Updates(1);
    EXPECT_EQ(Count(vantorix::kPoolEffects), 1);  // the warning on its first counted frame
    Updates(58);
    EXPECT_EQ(BulletCount(), 0);
    Updates(1);
    EXPECT_EQ(BulletCount(), 180);
    Updates(300);
    EXPECT_EQ(BulletCount(), 180);
    EXPECT_EQ(Enemies().active[i], 1);
}

TEST_F(EnemyTest, DrifterFiresEverySixtyFramesAndLeavesBelowTheField) {
    int i = EnemyAt(1, 200.0f, 100.0f);
    Updates(30);
    EXPECT_EQ(BulletCount(), 0);
    Updates(1);
    EXPECT_EQ(BulletCount(), 1);
    Updates(60);
    EXPECT_EQ(BulletCount(), 2);
    Updates(200);
    EXPECT_EQ(Enemies().active[i], 0);  // 2 pixels a frame takes it past 496, and it is gone
}

TEST_F(EnemyTest, NothingMovesFiresOrCountsWhileFrozen) {
    int a = EnemyAt(201, 200.0f, 100.0f);
    int b = EnemyAt(21, 100.0f, 50.0f);
    Updates(10);
    Play().freeze = 1;
    float y = Enemies().y[b];
    Updates(100);
    EXPECT_EQ(Enemies().phaseTimer[a], 10);
    EXPECT_FLOAT_EQ(Enemies().y[b], y);
    EXPECT_EQ(BulletCount(), 0);
    Play().freeze = 0;
    Updates(51);
    EXPECT_EQ(BulletCount(), 180);
}

TEST_F(EnemyTest, HeavyGunshipBrakesWarnsAndFiresItsCrossfireEveryThirdFrame) {
    int i = EnemyAt(71, 224.0f, -32.0f);
    Updates(60);
    EXPECT_EQ(Enemies().movePhase[i], 1);
    Updates(1);
    EXPECT_EQ(Enemies().movePhase[i], 2);
    EXPECT_FLOAT_EQ(Enemies().speed[i], 0.4f);
    Updates(60);
    EXPECT_EQ(Enemies().movePhase[i], 3);
    EXPECT_EQ(Count(vantorix::kPoolEffects), 1);
    Updates(3);  // t 1, 2, 3: the volley of four comes at 3
    EXPECT_EQ(BulletCount(), 4);
    EXPECT_EQ(Bullets().moveAngle[0], -3);
    EXPECT_EQ(Bullets().moveAngle[1], 177);
    EXPECT_EQ(Bullets().moveAngle[2], 1);
    EXPECT_EQ(Bullets().moveAngle[3], 181);
}

}  // namespace
}  // namespace vantorix_test
