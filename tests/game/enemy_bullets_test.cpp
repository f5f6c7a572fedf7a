// Enemy bullet patterns: aiming at the ship, at a remembered point and in fixed directions,
// random spreads, each pattern's looks, and patterns that do not exist.
#include <set>

#include "field_fixture.h"
#include "game/vantorix/enemy_bullets.h"

namespace vantorix_test {
namespace {

using vantorix::FireEnemyBullets;
using vantorix::kAimFixed;
using vantorix::kAimPlayer;
using vantorix::kAimTarget;

class BulletPatternTest : public FieldTest {};

TEST_F(BulletPatternTest, AimedBulletsFlyAtTheShipWithinTheirSpread) {
    PlaceShip(200.0f, 400.0f);
    FireEnemyBullets(kAimPlayer, 0, 1, 0, 5.0f, 200.0f, 100.0f);
    ASSERT_EQ(BulletCount(), 1);
    EXPECT_EQ(Bullets().moveAngle[0], 90);  // straight below
    EXPECT_FLOAT_EQ(Bullets().speed[0], 5.0f);
    EXPECT_EQ(Bullets().sprite[0], 1101);
    EXPECT_FLOAT_EQ(Bullets().hitHalfWidth[0], 3.0f);

    // The sum is truncated toward zero: 45.0013 + 20 gives 65, and up-left gives -135.
    PlaceShip(300.0f, 200.0f);
    FireEnemyBullets(kAimPlayer, 0, 2, 20, 1.0f, 200.0f, 100.0f);
    FireEnemyBullets(kAimPlayer, 0, 2, 0, 1.0f, 400.0f, 300.0f);
    EXPECT_EQ(Bullets().moveAngle[1], 65);
    EXPECT_EQ(Bullets().moveAngle[2], -135);

    std::set<int> seen;
    for (int i = 0; i < 3000; ++i) {
        vantorix::ClearAllPools();
        FireEnemyBullets(kAimPlayer, 10, 3, 0, 1.0f, 300.0f, 100.0f);
        seen.insert(Bullets().moveAngle[0]);
    }
    EXPECT_EQ(seen.size(), 21u);
    EXPECT_EQ(*seen.begin(), 80);
    EXPECT_EQ(*seen.rbegin(), 100);
}

TEST_F(BulletPatternTest, FixedAndRememberedAimsAndThePatternsLooks) {
    FireEnemyBullets(kAimFixed, 0, 4, 30, 2.0f, 100.0f, 100.0f);
    EXPECT_EQ(Bullets().moveAngle[0], 30);
    EXPECT_EQ(Bullets().drawAngle[0], 120);  // turned patterns face their flight
    EXPECT_EQ(Bullets().drawStyle[0], 2);

    FireEnemyBullets(kAimFixed, 0, 10, -50, 2.0f, 100.0f, 100.0f);
    EXPECT_EQ(Bullets().moveAngle[1], -50);  // angles are used as they are
    EXPECT_EQ(Bullets().drawStyle[1], 3);
    EXPECT_EQ(Bullets().sprite[1], 1111);
    EXPECT_EQ(Bullets().animImages[1] * 10 + Bullets().animTicks[1], 42);

    vantorix::SetEnemyTarget(7, 100.0f, 0.0f);
    FireEnemyBullets(kAimTarget, 7, 5, 10, 3.0f, 100.0f, 100.0f);
    EXPECT_EQ(Bullets().moveAngle[2], -80);  // up, turned by 10: -90.003 + 10 truncated

    FireEnemyBullets(kAimFixed, 0, 11, 77, 9.0f, 320.0f, 240.0f);
    EXPECT_EQ(Bullets().kind[3], 11);
    EXPECT_EQ(Bullets().moveAngle[3], 0);
    EXPECT_FLOAT_EQ(Bullets().speed[3], 0.0f);
    EXPECT_FLOAT_EQ(Bullets().hitHalfWidth[3], 640.0f);
    EXPECT_FLOAT_EQ(Bullets().hitHalfHeight[3], 480.0f);
}

TEST_F(BulletPatternTest, UnknownPatternsMakeNothingButStillDrawTheirRandomNumber) {
    for (int mode : {kAimFixed, kAimPlayer}) {
        for (int pattern : {0, 12}) {
            vantorix::SeedRandom(99);
            FireEnemyBullets(mode, 0, pattern, 0, 1.0f, 100.0f, 100.0f);
            int32_t after = vantorix::NextRandom();
            vantorix::SeedRandom(99);
            vantorix::NextRandom();
            EXPECT_EQ(after, vantorix::NextRandom());
        }
    }
    vantorix::SeedRandom(99);
    FireEnemyBullets(kAimTarget, 3, 12, 0, 1.0f, 100.0f, 100.0f);  // no draw for this mode
    int32_t after = vantorix::NextRandom();
    vantorix::SeedRandom(99);
    EXPECT_EQ(after, vantorix::NextRandom());
    // An enemy slot that does not exist aims along the offset alone.
    FireEnemyBullets(kAimTarget, 500, 1, 45, 1.0f, 100.0f, 100.0f);
    EXPECT_EQ(BulletCount(), 1);
    EXPECT_EQ(Bullets().moveAngle[0], 45);
}

TEST_F(BulletPatternTest, ScreenWideStrikeHitsTheShipAtOnceAndIsGoneTwoFramesLater) {
    PlaceShip(60.0f, 440.0f);
    FireEnemyBullets(kAimFixed, 0, 11, 0, 0.0f, 320.0f, 240.0f);
    Step();
    EXPECT_FLOAT_EQ(Player().lives, 2.0f);
    EXPECT_EQ(BulletCount(), 0);

    FireEnemyBullets(kAimFixed, 0, 11, 0, 0.0f, 320.0f, 240.0f);  // the ship blinks now
    Step();
    EXPECT_EQ(BulletCount(), 1);
    Step();
    EXPECT_EQ(BulletCount(), 0);
    EXPECT_FLOAT_EQ(Player().lives, 2.0f);
}

}  // namespace
}  // namespace vantorix_test
