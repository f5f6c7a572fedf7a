// The stage script: waves on their frames and places, gates, talk scenes, the boss's
// entry, frozen frames and the background's loop, and the script's own data.
#include <cstring>
#include <map>
#include <set>
#include <tuple>

#include "field_fixture.h"
#include "game/vantorix/stage_script.h"
#include "game/vantorix/talk_scenes.h"
#include "game/vantorix/wave_table.h"

namespace vantorix_test {
namespace {

using vantorix::kPoolEnemies;
using vantorix::RunStageScript;

class StageScriptTest : public FieldTest {
protected:
    // The player reads every talk message and closes it: Z pressed and let go on alternate
    // frames, so each message sees a fresh press within a few frames.
    void SetUp() override {
        FieldTest::SetUp();
        draw_.onPresent = [](int frame) { host::SetKeyDown(host::DIK_Z, frame % 2 == 1); };
    }
    static void At(int stage, int phase, int frame) {
        Play().stage = stage;
        Play().phase = phase;
        Play().phaseFrame = frame;
    }
    static void Calls(int n) {
        for (int i = 0; i < n; ++i) RunStageScript();
    }
};

TEST_F(StageScriptTest, WaveTableHoldsEachStagesRowsWithinItsPhases) {
    std::map<int, int> rowsOfStage;
    std::map<std::pair<int, int>, std::set<int>> gatedFrames, openFrames;
    for (const vantorix::Wave& wave : vantorix::Waves()) {
        rowsOfStage[wave.stage] += wave.count;
        int length = Play().phaseLength[wave.stage * 10 + wave.phase];
        EXPECT_GT(length, wave.frame) << wave.stage << "-" << wave.phase << " at " << wave.frame;
        EXPECT_GE(wave.frame, 30);
        (wave.gated ? gatedFrames : openFrames)[{wave.stage, wave.phase}].insert(wave.frame);
        EXPECT_EQ(vantorix::SpawnEnemyByType(wave.type, 0, 0) == 0, true) << wave.type;
        vantorix::ClearAllPools();
    }
    EXPECT_EQ(rowsOfStage, (std::map<int, int>{{1, 98}, {2, 196}, {3, 291}, {4, 253}, {5, 682}}));
    for (const auto& [key, frames] : gatedFrames) {
        for (int f : frames) EXPECT_EQ(openFrames[key].count(f), 0u) << key.first << "-" << key.second;
        bool hasGate = false;
        for (const vantorix::WaveGate& gate : vantorix::WaveGates())
            hasGate |= gate.stage == key.first && gate.phase == key.second;
        EXPECT_TRUE(hasGate);
    }
}

TEST_F(StageScriptTest, MessagesFitTheTalkWindow) {
    int messages = 0;
    for (const vantorix::TalkScene& scene : vantorix::TalkScenes()) {
        for (const vantorix::TalkLine& line : scene.lines) {
            ++messages;
            int lines = 1, width = 0;
            for (const char* c = line.text; *c; ++c) {
                if (*c == ';') {
                    ++lines;
                    width = 0;
                } else {
                    EXPECT_LE(++width, 44) << line.text;
                }
            }
            EXPECT_LE(lines, 4) << line.text;
        }
    }
    EXPECT_EQ(messages, 84);
    const vantorix::TalkScene* last = vantorix::FindTalkScene(5, true);
    ASSERT_NE(last, nullptr);
    EXPECT_STREQ(last->lines[8].text, last->lines[4].text);
    EXPECT_EQ(vantorix::FindTalkScene(6, true), nullptr);
}

TEST_F(StageScriptTest, ColumnEntersOnItsFrameOnceAtItsPlaces) {
    At(1, 1, 239);
    Calls(1);
    EXPECT_EQ(Count(kPoolEnemies), 0);
    Calls(1);  // phase frame 240
    ASSERT_EQ(Count(kPoolEnemies), 4);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(Enemies().type[k], 26);
        EXPECT_FLOAT_EQ(Enemies().x[k], 112.0f);
        EXPECT_FLOAT_EQ(Enemies().y[k], -16.0f - 32.0f * k);
    }
    Calls(179);
    EXPECT_EQ(Count(kPoolEnemies), 4);
    Calls(1);
    EXPECT_EQ(Count(kPoolEnemies), 8);  // the next column at 420
    EXPECT_FLOAT_EQ(Enemies().x[4], 336.0f);
}

TEST_F(StageScriptTest, TwoLinesComeFromBothSidesAndThePhaseEndsOnItsLength) {
    At(1, 3, 60);
    Calls(1);
    ASSERT_EQ(Count(kPoolEnemies), 8);
    EXPECT_FLOAT_EQ(Enemies().x[0], 0.0f);
    EXPECT_FLOAT_EQ(Enemies().x[3], -96.0f);
    EXPECT_FLOAT_EQ(Enemies().x[4], 448.0f);
    EXPECT_FLOAT_EQ(Enemies().y[7], 288.0f);
    EXPECT_EQ(Enemies().direction[4], -1);
    At(1, 3, 800);
    Calls(1);
    EXPECT_EQ(Play().phase, 4);
    EXPECT_EQ(Play().phaseFrame, 1);
}

TEST_F(StageScriptTest, GateStaysShutWhileTheFieldIsNeverEmpty) {
    EnemyAt(12, 100.0f, 100.0f);
    At(2, 3, 590);
    Calls(611);
    EXPECT_EQ(Count(kPoolEnemies), 1);
    EXPECT_EQ(Play().scriptFlag, 0);
    EXPECT_EQ(Play().phase, 4);
}

TEST_F(StageScriptTest, GateOpenedLateLetsOnlyLaterRowsThroughAndClosesOnTime) {
    EnemyAt(12, 100.0f, 100.0f);
    At(2, 3, 600);
    Calls(100);
    vantorix::ClearAllPools();  // the field empties on frame 700
    Calls(1);
    EXPECT_EQ(Play().scriptFlag, 1);
    Calls(499);  // through frame 1199: rows at 720, 780, 840 and 900, none of 660
    EXPECT_EQ(Count(kPoolEnemies), 16);
    EXPECT_EQ(Play().scriptFlag, 1);
    Calls(1);
    EXPECT_EQ(Play().scriptFlag, 0);
    EXPECT_EQ(Play().phase, 4);
}

TEST_F(StageScriptTest, TalkClearsTheFieldOnItsTenthFrameAndTheBossFollows) {
    int enemy = EnemyAt(41, 100.0f, 100.0f);
    vantorix::FireEnemyBullets(0, 0, 1, 90, 1.0f, 300.0f, 300.0f);
    At(1, 5, 9);
    Calls(1);
    EXPECT_EQ(Enemies().active[enemy], 1);
    Calls(1);
    EXPECT_EQ(Enemies().active[enemy], 0);
    EXPECT_EQ(BulletCount(), 0);
    EXPECT_EQ(vantorix::Game().score.score, 0);
    EXPECT_EQ(Play().phase, 6);
    EXPECT_EQ(Play().freeze, 0);
    EXPECT_EQ(vantorix::Game().assets.bgmTrack, 7);
    Calls(59);
    EXPECT_EQ(Play().bossFlag, 0);
    Calls(1);  // phase frame 60
    EXPECT_EQ(Play().bossFlag, 1);
    EXPECT_EQ(Enemies().type[Play().bossSlot], 101);
    EXPECT_FLOAT_EQ(Enemies().y[Play().bossSlot], -112.0f);
    Calls(1000);
    EXPECT_EQ(Count(kPoolEnemies), 1);
}

TEST_F(StageScriptTest, LastStageTalksWithoutClearingAndItsBossComesAtThirty) {
    int enemy = EnemyAt(41, 100.0f, 100.0f);
    At(6, 2, 10);
    Calls(1);
    EXPECT_EQ(Enemies().active[enemy], 1);
    EXPECT_EQ(vantorix::Game().assets.bgmTrack, 8);
    EXPECT_EQ(Play().phase, 3);
    Calls(29);
    EXPECT_EQ(Play().bossFlag, 0);
    Calls(1);
    EXPECT_EQ(Play().bossFlag, 1);
    EXPECT_EQ(Enemies().type[Play().bossSlot], 106);
}

TEST_F(StageScriptTest, SceneAfterTheBossPlaysAsTheStageClearCountReaches59) {
    At(5, 7, 500);
    Play().stageClearCounter = 58;
    Calls(1);
    EXPECT_EQ(PlaysOfEffect(24), 0);
    Play().stageClearCounter = 59;
    Calls(1);
    EXPECT_EQ(PlaysOfEffect(24), 1);  // between its ninth and tenth messages
    EXPECT_EQ(Play().phase, 7);
}

// The count stands still over frozen frames: after a pause begun as the scene ended it
// is still 59, and the scene must not play again.
TEST_F(StageScriptTest, SceneAfterTheBossPlaysOnceWhileTheCountStandsAt59) {
    At(5, 7, 500);
    Play().stageClearCounter = 59;
    Calls(3);
    EXPECT_EQ(PlaysOfEffect(24), 1);
}

TEST_F(StageScriptTest, FrozenCallsSpawnWhatIsDueButNeitherCountNorScroll) {
    At(1, 1, 240);
    Play().freeze = 1;
    float scroll = Play().scroll;
    Calls(1);
    EXPECT_EQ(Count(kPoolEnemies), 4);
    EXPECT_EQ(Play().phaseFrame, 240);
    EXPECT_FLOAT_EQ(Play().scroll, scroll);
}

TEST_F(StageScriptTest, BackgroundLoopsItsStretchOfTheMap) {
    At(1, 1, 0);
    Play().scroll = 9407.5f;  // speed code 3: one pixel a frame
    Calls(1);
    EXPECT_FLOAT_EQ(Play().scroll, 8512.5f);
    At(6, 1, 0);
    Play().scroll = 2239.0f;
    Calls(1);
    EXPECT_FLOAT_EQ(Play().scroll, 2240.0f - 4 * 448.0f);
    // A stage whose rows ask for no speed stands still, the loop test still run.
    vantorix::Game().stageMap.speedCode[0] = 0;
    Play().scroll = 0.0f;
    Calls(5);
    EXPECT_FLOAT_EQ(Play().scroll, 0.0f);
}

}  // namespace
}  // namespace vantorix_test
