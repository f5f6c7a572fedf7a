// The ship under scripted keys on the headless engine: charge and release, rapid shots,
// blade repeats, the barrier's cost and drain, movement speeds and clamps, pause, quit,
// and the frame counter.
#include "game/vantorix/pools.h"
#include "game_fixture.h"

namespace vantorix_test {
namespace {

using host::DIK_C;
using host::DIK_DOWN;
using host::DIK_ESCAPE;
using host::DIK_LEFT;
using host::DIK_RIGHT;
using host::DIK_SPACE;
using host::DIK_UP;
using host::DIK_X;
using host::DIK_Z;

TEST_F(PlayTest, ChargeReleasedAtFiftyNineFramesIsLostAtSixtyItFires) {
    Player().subType = 1;
    Steps(59, {DIK_Z});
    EXPECT_EQ(Player().subGauge, 59);
    Step();
    EXPECT_EQ(Player().subGauge, 0);
    EXPECT_EQ(Player().subCooldown, 0);
    EXPECT_EQ(PlaysOfEffect(15), 0);

    Steps(60, {DIK_Z});
    EXPECT_EQ(Player().subGauge, 60);
    Step({DIK_Z});
    EXPECT_EQ(Player().subGauge, 60);  // full: it charges no further
    Step();
    EXPECT_EQ(PlaysOfEffect(15), 1);
    EXPECT_EQ(Player().subCooldown, 24);
    EXPECT_EQ(Player().subGauge, 0);
    Step();
    EXPECT_EQ(DrawsOf(511 + (26 - 24) / 2).size(), 1u);  // the attack pose, drawn before the count
    Steps(22);
    EXPECT_EQ(Player().subCooldown, 1);
    Step();
    EXPECT_EQ(Player().subCooldown, 0);
}

TEST_F(PlayTest, GaugeDoesNotChargeWithTheBarrierUp) {
    Player().subType = 1;
    Step({DIK_C});
    ASSERT_EQ(Player().barrier, 1);
    Steps(10, {DIK_Z});
    EXPECT_EQ(Player().subGauge, 0);
}

TEST_F(PlayTest, RapidShotsLeaveOnTheFirstHeldFrameThenEveryFifth) {
    Player().subType = 2;
    Steps(10);  // the shot cooldown of a new game runs out
    ASSERT_EQ(Player().shotCooldown, 0);
    std::vector<int> shotFrames;
    for (int f = 0; f < 16; ++f) {
        int before = PlaysOfEffect(11);
        Step({DIK_Z});
        if (PlaysOfEffect(11) > before) shotFrames.push_back(f);
    }
    EXPECT_EQ(shotFrames, (std::vector<int>{0, 5, 10, 15}));
    EXPECT_EQ(Play().count[vantorix::kPoolShots], 4);
    // Shots fly up 10 pixels a frame from the ship and leave past the top.
    EXPECT_FLOAT_EQ(Play().shots.y[3], 400.0f);
    Steps(60);
    EXPECT_EQ(Play().count[vantorix::kPoolShots], 0);
}

TEST_F(PlayTest, HeldBladeRepeatsEveryEightFramesOnHalfAndThirteenOnFull) {
    auto run = [this](int bladeAuto) {
        vantorix::Game().options.bladeAuto = bladeAuto;
        Steps(20);  // let any slash end and the key go
        std::vector<int> frames;
        for (int f = 0; f < 30; ++f) {
            Step({DIK_X});
            if (Player().bladeTimer == 13.0f) frames.push_back(f);
        }
        return frames;
    };
    EXPECT_EQ(run(vantorix::kBladeAutoOff), (std::vector<int>{0}));
    EXPECT_EQ(run(vantorix::kBladeAutoHalf), (std::vector<int>{0, 8, 16, 24}));
    EXPECT_EQ(run(vantorix::kBladeAutoFull), (std::vector<int>{0, 13, 26}));
}

TEST_F(PlayTest, BarrierNeedsFiftyEnergyAndCostsTwenty) {
    Play().frameCounter = 1;  // no recovery step on this frame
    Player().barrierEnergy = 49;
    Step({DIK_C});
    EXPECT_EQ(Player().barrier, 0);
    EXPECT_EQ(Player().barrierEnergy, 49);
    Step();
    Play().frameCounter = 1;
    Player().barrierEnergy = 50;
    Step({DIK_C});
    EXPECT_EQ(Player().barrier, 1);
    EXPECT_EQ(Player().barrierEnergy, 30);
    EXPECT_EQ(PlaysOfEffect(25), 1);
    // Switch: a second press drops it.
    Step();
    Step({DIK_C});
    EXPECT_EQ(Player().barrier, 0);
}

TEST_F(PlayTest, RaisedBarrierDrainsByStyleAndDropsAtZero) {
    for (int style : {1, 2}) {
        Player().style = style;
        Player().barrier = 1;
        Player().barrierEnergy = 100;
        Step();
        EXPECT_EQ(Player().barrierEnergy, 100 - (3 - style)) << style;
    }
    Player().style = 1;
    Player().barrierEnergy = 2;
    Step();
    EXPECT_EQ(Player().barrier, 0);
    EXPECT_EQ(Player().barrierEnergy, 0);
    // Recovery: one point every third frame.
    Play().frameCounter = 0;
    Steps(9);
    EXPECT_EQ(Player().barrierEnergy, 3);
}

TEST_F(PlayTest, TriggerBarrierDropsOnReleaseEvenWhenFrozen) {
    vantorix::Game().options.barrierType = vantorix::kBarrierTrigger;
    Step({DIK_C});
    ASSERT_EQ(Player().barrier, 1);
    Play().freeze = 1;
    Step();
    EXPECT_EQ(Player().barrier, 0);
}

TEST_F(PlayTest, MovementSpeedsDiagonalsAndClamps) {
    Step({DIK_RIGHT});
    EXPECT_FLOAT_EQ(Player().x, 227.0f);
    Step({DIK_DOWN, DIK_LEFT});
    EXPECT_FLOAT_EQ(Player().x, 224.0f);
    EXPECT_FLOAT_EQ(Player().y, 403.0f);
    Player().barrier = 1;
    Player().barrierEnergy = 200;
    Player().style = 1;
    Step({DIK_UP});
    EXPECT_FLOAT_EQ(Player().y, 394.0f);
    Player().style = 2;
    Step({DIK_UP});
    EXPECT_FLOAT_EQ(Player().y, 388.0f);
    Player().barrier = 0;
    Steps(150, {DIK_LEFT, DIK_UP});
    EXPECT_FLOAT_EQ(Player().x, 48.0f);
    EXPECT_FLOAT_EQ(Player().y, 32.0f);
    Steps(200, {DIK_RIGHT, DIK_DOWN});
    EXPECT_FLOAT_EQ(Player().x, 400.0f);
    EXPECT_FLOAT_EQ(Player().y, 448.0f);
    // A direction whose latch a menu left set does not move the ship.
    vantorix::Game().input.latch[vantorix::kActLeft] = 1;
    Step({DIK_LEFT});
    EXPECT_FLOAT_EQ(Player().x, 400.0f);
}

TEST_F(PlayTest, FrameCounterWrapsAndStandsStillWhenFrozen) {
    Play().frameCounter = 3599;
    Step();
    EXPECT_EQ(Play().frameCounter, 0);
    EXPECT_FLOAT_EQ(Play().scroll, 1.0f);  // speed code 3: a pixel a frame
    Play().freeze = 1;
    Steps(3);
    EXPECT_EQ(Play().frameCounter, 0);
    EXPECT_FLOAT_EQ(Play().scroll, 1.0f);
}

TEST_F(PlayTest, GameOverScreenOpensFiftyNineFramesAfterItsCounterStarts) {
    Play().gameOverCounter = 1;
    Steps(59);
    EXPECT_EQ(Play().gameOverCounter, 60);
    EXPECT_EQ(Play().exit, 0);
    // The screen runs at the start of the next frame: two frames of it (Z pressed in the
    // second continues the game), then the frame of play.
    int before = draw_.presents;
    draw_.onPresent = [](int) { host::SetKeyDown(host::DIK_Z, true); };
    EXPECT_TRUE(Step());
    EXPECT_EQ(draw_.presents - before, 3);
    EXPECT_EQ(Play().gameOverCounter, 0);
}

TEST_F(PlayTest, PauseStopsTheMusicAndEscapeLeavesTheGame) {
    Step({DIK_SPACE});
    EXPECT_EQ(Play().pause, 1);
    EXPECT_EQ(Play().freeze, 1);
    EXPECT_GE(sound_.stops, 1);
    // The pause screen opens at the start of the next frame; ESC there leaves the game.
    draw_.onPresent = [](int) { host::SetKeyDown(host::DIK_ESCAPE, true); };
    EXPECT_FALSE(Step({DIK_SPACE}));
    EXPECT_EQ(vantorix::Game().gameState, vantorix::kStateQuit);
}

}  // namespace
}  // namespace vantorix_test
