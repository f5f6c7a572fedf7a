// The effect catalogue: how many effects each type makes, their looks, and how long each
// kind lives once the field draws it.
#include <algorithm>
#include <map>

#include "field_fixture.h"
#include "game/vantorix/effects.h"

namespace vantorix_test {
namespace {

using vantorix::kPoolEffects;
using vantorix::SpawnEffectByType;

class EffectCatalogueTest : public FieldTest {};

TEST_F(EffectCatalogueTest, EachTypeMakesItsNumberOfEffects) {
    const std::map<int, int> made = {{0, 1},  {1, 7},  {2, 17}, {3, 49}, {4, 1},  {5, 1},
                                     {6, 1},  {10, 1}, {11, 1}, {12, 1}, {13, 2}, {20, 1},
                                     {21, 1}, {30, 1}, {31, 1}, {32, 1}, {33, 1}};
    for (int type = -2; type <= 35; ++type) {
        vantorix::ClearAllPools();
        SpawnEffectByType(type, 200.0f, 200.0f);
        int expected = made.count(type) ? made.at(type) : 0;
        EXPECT_EQ(Count(kPoolEffects), expected) << "type " << type;
    }
}

TEST_F(EffectCatalogueTest, SparksScatterAndShrinkWithTheirWidth) {
    SpawnEffectByType(1, 200.7f, 100.2f);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(Effects().sprite[i], 1011);
        EXPECT_EQ(Effects().blendMode[i], 2);
        EXPECT_EQ(Effects().blendParam[i], 192);
        int scatter = i < 3 ? 32 : 48;
        EXPECT_LE(std::fabs(Effects().x[i] - 200.0f), scatter) << i;
        EXPECT_LE(std::fabs(Effects().y[i] - 100.0f), scatter) << i;
        EXPECT_FLOAT_EQ(Effects().scale[i], i < 3 ? 1.0f : 0.5f);  // 96 and 48 of a 96 cell
    }
    vantorix::ClearAllPools();
    SpawnEffectByType(0, 200.7f, 100.2f);  // no scatter: the point, truncated
    EXPECT_FLOAT_EQ(Effects().x[0], 200.0f);
    EXPECT_FLOAT_EQ(Effects().y[0], 100.0f);
}

TEST_F(EffectCatalogueTest, BigExplosionFillsOnlyTheSlotsLeft) {
    for (int i = 0; i < 480; ++i) SpawnEffectByType(4, 100.0f, 100.0f);
    SpawnEffectByType(3, 200.0f, 200.0f);
    EXPECT_EQ(Count(kPoolEffects), 500);
    EXPECT_EQ(Effects().kind[480], 13);  // the ring comes first
    EXPECT_FLOAT_EQ(Effects().speed[481], 9.0f);
    EXPECT_EQ(Effects().animTicks[481], 7);
}

TEST_F(EffectCatalogueTest, SlashSparkTurnsAnyWholeAngleFromZeroTo360) {
    int lowest = 1000, highest = -1;
    for (int i = 0; i < 5000; ++i) {
        vantorix::ClearAllPools();
        SpawnEffectByType(12, 100.0f, 100.0f);
        lowest = std::min(lowest, Effects().drawAngle[0]);
        highest = std::max(highest, Effects().drawAngle[0]);
    }
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(highest, 360);
}

TEST_F(EffectCatalogueTest, ShockRingStartsUnseenGrowsSlowerAndFadesOverTwentyFrames) {
    SpawnEffectByType(2, 200.0f, 200.0f);
    EXPECT_FLOAT_EQ(Effects().scale[0], 0.0f);
    EffectFrames(1);
    EXPECT_FLOAT_EQ(Effects().scale[0], 0.3f);
    EffectFrames(1);
    EXPECT_NEAR(Effects().scale[0], 0.3 + 0.3 / 1.3, 1e-6);
    EffectFrames(17);
    EXPECT_EQ(Effects().active[0], 1);
    EXPECT_EQ(Effects().blendParam[0], 255 - 13 * 19);
    EffectFrames(1);
    EXPECT_EQ(Effects().active[0], 0);
}

TEST_F(EffectCatalogueTest, EachKindLivesItsNumberOfFrames) {
    // Type, frames drawn while alive: sparks 7 x 3, flashes 5 x 2, barrier bursts 8 x 2, the
    // outline 61, the shrinking picture its 60 ticks, the band until its 640 width is gone,
    // the fast ring until its 255 has faded by 13 a frame.
    const std::pair<int, int> lives[] = {{0, 21}, {4, 10}, {10, 16}, {12, 10}, {20, 61},
                                         {30, 60}, {33, 41}, {21, 20}};
    for (auto [type, frames] : lives) {
        vantorix::ClearAllPools();
        SpawnEffectByType(type, 200.0f, 200.0f);
        EffectFrames(frames - 1);
        EXPECT_EQ(Effects().active[0], 1) << "type " << type;
        EffectFrames(1);
        EXPECT_EQ(Effects().active[0], 0) << "type " << type;
        EXPECT_EQ(Count(kPoolEffects), 0);
    }
}

}  // namespace
}  // namespace vantorix_test

namespace vantorix_test {
namespace {

TEST_F(EffectCatalogueTest, ShrinkingPicturesStayCentredOnTheirPointAtEveryWidth) {
    for (auto [type, scale] : {std::pair{30, 1.0}, {31, 480.0 / 256}, {32, 640.0 / 256}}) {
        vantorix::ClearAllPools();
        SpawnEffectByType(type, 200.0f, 150.0f);
        draw_.calls.clear();
        EffectFrames(1);
        ASSERT_EQ(draw_.calls.size(), 1u) << type;
        EXPECT_EQ(draw_.calls[0].handle, vantorix::SpriteHandle(1311));
        EXPECT_EQ(draw_.calls[0].x, 200) << type;
        EXPECT_EQ(draw_.calls[0].y, 150) << type;
        EXPECT_NEAR(draw_.calls[0].scale, scale, 1e-6) << type;
    }
}

}  // namespace
}  // namespace vantorix_test
