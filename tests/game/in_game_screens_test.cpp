// The screens opened from stage play under scripted keys: the pause menu and its YES/NO
// questions, the game over with its ranking entry, and the stage clear moving on.
#include <algorithm>
#include <tuple>

#include "game/vantorix/game_files.h"
#include "game/vantorix/menu_stack.h"
#include "game/vantorix/pause_screen.h"
#include "screen_fixture.h"

namespace vantorix_test {
namespace {

using host::DIK_DOWN;
using host::DIK_ESCAPE;
using host::DIK_SPACE;
using host::DIK_UP;
using host::DIK_Z;
using vantorix::Game;

class InGameScreenTest : public ScriptedPlay {
protected:
    // The menu after each frame's input (these screens read the keys before presenting).
    std::vector<MenuAt> seen;
    void RecordMenus() {
        onFrame = [this](int) {
            seen.push_back({vantorix::MenuId(Play().menu), vantorix::MenuRow(Play().menu)});
        };
    }
    void WriteRanking(int32_t top) {
        Bytes bytes(54, 0);
        PutInt(bytes, 4, 1);
        for (int i = 0; i < 10; ++i) PutInt(bytes, 14 + 4 * i, top - 100 * i);
        std::ofstream(engine_.Log().Directory() + "/save_data99.dat", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        ASSERT_EQ(vantorix::LoadRanking(), 0);
    }
    Bytes RankingFile() const {
        std::string text = orvik_test::TempLog::ReadFile(engine_.Log().Directory() + "/save_data99.dat");
        return Bytes(text.begin(), text.end());
    }
    const RecordingSound::Play& LastPlay() const { return sound_.plays.back(); }
};

TEST_F(InGameScreenTest, PauseQuestionsAnsweredNoReturnToTheirRowAndContinueResumesTheMusic) {
    Step({DIK_SPACE});
    int music = Game().assets.bgmHandle;
    RecordMenus();
    Script({{{DIK_DOWN}}, {{DIK_Z}}, {}, {{DIK_DOWN}}, {{DIK_Z}}, {}, {{DIK_UP}}, {{DIK_Z}}});
    EXPECT_TRUE(Step());
    std::vector<MenuAt> expected = {{1, 1}, {1, 2}, {12, 1}, {12, 1}, {12, 2}, {1, 2}, {1, 2}, {1, 1}, {1, 1}};
    seen.resize(expected.size());  // the last entry is the frame of play after the screen
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(Play().pause, 0);
    EXPECT_EQ(Play().freeze, 0);
    EXPECT_EQ(std::tie(LastPlay().handle, LastPlay().type, LastPlay().fromTop), std::make_tuple(music, 3, 0));

    EXPECT_TRUE(ShowsText(1, "PAUSE", 80, 210, 36, 4));
    EXPECT_TRUE(ShowsText(1, "RETURN TO TITLE", 80, 360, 24, 4));
    EXPECT_TRUE(Drew(1, 27, 40, 298));
    EXPECT_TRUE(Drew(1, 2, 0, 0));  // the panel beside the black field
    EXPECT_TRUE(ShowsText(4, "RESTART?", 80, 210, 36, 4));
    EXPECT_NE(FindText(4, "NO"), nullptr);
}

TEST_F(InGameScreenTest, RestartYesStartsStageOneWithItsMusicFromTheBeginning) {
    Play().stage = 3;
    vantorix::PlayBgm(3);
    Game().score.score = 5000;
    Step({DIK_SPACE});
    Script({{{DIK_DOWN}}, {{DIK_Z}}, {}, {{DIK_Z}}});
    EXPECT_TRUE(Step());
    EXPECT_EQ(Play().stage, 1);
    EXPECT_EQ(Play().pause, 0);
    EXPECT_EQ(Game().score.score, 0);
    EXPECT_EQ(sound_.loads.back(), "Data03/BGM01.mp3");
    EXPECT_EQ(Game().assets.bgmTrack, 1);
    EXPECT_EQ(std::tie(LastPlay().handle, LastPlay().type, LastPlay().fromTop),
              std::make_tuple(Game().assets.bgmHandle, 3, 1));
}

TEST_F(InGameScreenTest, ReturnToTitleYesEndsPlayAndEscapeEndsTheGame) {
    Step({DIK_SPACE});
    Script({{{DIK_UP}}, {{DIK_Z}}, {}, {{DIK_Z}}});  // up wraps to RETURN TO TITLE
    EXPECT_FALSE(Step());
    EXPECT_EQ(Game().gameState, vantorix::kStateTitle);
    EXPECT_EQ(Game().assets.bgmTrack, 0);

    // ESC in the pause ends play even when it is let go before play reads the keys again.
    vantorix::BeginStage();
    Step();  // the pause key let go, as a player does between games
    Step({DIK_SPACE});
    Script({{{DIK_ESCAPE}}});
    EXPECT_FALSE(Step());
    EXPECT_EQ(Game().gameState, vantorix::kStateQuit);
    EXPECT_EQ(Frames(), 3);  // two frames of the pause, one of play
}

TEST_F(InGameScreenTest, GameOverRanksTheScoreAndContinueRestartsTheStage) {
    WriteRanking(900);  // 900, 800, ... 0
    Play().stage = 2;
    Play().phase = 4;
    Game().score.score = 850;
    Player().lives = 0.0f;
    Play().gameOverCounter = 60;
    Script({{{DIK_Z}}});
    EXPECT_TRUE(Step());
    const TextCall* rank = FindText(1, "RANK IN NO.2!!");
    ASSERT_NE(rank, nullptr);
    EXPECT_EQ(std::tie(rank->x, rank->y, rank->size, rank->color), std::make_tuple(140, 400, 24, 0xFF8080u));
    EXPECT_TRUE(ShowsText(1, "GAMEOVER", 140, 100, 36, 4));
    EXPECT_EQ(GetInt(RankingFile(), 18), 850);  // saved as it was entered
    EXPECT_EQ(Game().ranking[9], 100);          // the old tenth dropped out
    // CONTINUE: the same stage from its first phase, a fresh score and three lives.
    EXPECT_EQ(Play().stage, 2);
    EXPECT_EQ(Play().phase, 1);
    EXPECT_EQ(Play().gameOverCounter, 0);
    EXPECT_EQ(Game().score.score, 0);
    EXPECT_FLOAT_EQ(Player().lives, 3.0f);
    EXPECT_EQ(sound_.loads.back(), "Data03/BGM02.mp3");
}

TEST_F(InGameScreenTest, AMissingRankingFileIsMadeAtGameOverWithTheScoreInIt) {
    const std::string path = engine_.Log().Directory() + "/save_data99.dat";
    ASSERT_FALSE(std::ifstream(path).good());
    Game().score.score = 4321;
    Play().gameOverCounter = 60;
    Script({{{DIK_Z}}});
    EXPECT_TRUE(Step());
    const Bytes made = RankingFile();
    ASSERT_EQ(made.size(), 54u);
    EXPECT_EQ(GetInt(made, 4), 1);
    EXPECT_EQ(GetInt(made, 14), 4321);
    EXPECT_EQ(GetInt(made, 18), 0);
}

TEST_F(InGameScreenTest, ADirectionHeldThroughThePauseMovesTheShipOnceLetGo) {
    Step({DIK_SPACE});
    RecordMenus();
    // Up to RETURN TO TITLE and, still holding Up, down to CONTINUE and Z.
    Script({{{DIK_UP}}, {{DIK_UP}}, {{DIK_UP, DIK_DOWN}}, {{DIK_UP, DIK_Z}}});
    EXPECT_TRUE(Step());
    EXPECT_EQ(seen.at(3), (MenuAt{1, 1})) << "CONTINUE was chosen";
    EXPECT_EQ(Play().pause, 0);
    Step();  // Up let go
    const float y = Player().y;
    Step({DIK_UP});
    EXPECT_LT(Player().y, y) << "Up moves the ship again";
}

// Keys held from play are no presses on the screens play opens: Z (TYPE-B fire) and Down
// held as the ship dies, Z held through SPACE or a stage clear must be let go and pressed
// again before the screen acts.
TEST_F(InGameScreenTest, KeysHeldIntoTheScreensActOnlyOncePressedAgain) {
    auto opensWith = [this](std::initializer_list<uint8_t> keys) {
        Script({{Keys(keys)}, {}, {{DIK_Z}}});
        EXPECT_TRUE(Step(keys));
        EXPECT_EQ(Frames(), 5);  // the new press is read in the screen's fourth frame; then play's
    };
    Play().gameOverCounter = 59;
    Step({DIK_Z, DIK_DOWN});
    opensWith({DIK_Z, DIK_DOWN});
    EXPECT_EQ(Play().gameOverCounter, 0) << "CONTINUE was chosen";
    Step({DIK_Z, DIK_SPACE});
    opensWith({DIK_Z});
    EXPECT_EQ(Play().pause, 0);
    Play().stageClearCounter = 59;
    Step({DIK_Z});
    opensWith({DIK_Z});
    EXPECT_EQ(Play().stage, 2);
}

TEST_F(InGameScreenTest, GameOverEqualToTheTenthIsNotRankedAndReturnShowsTheRanking) {
    WriteRanking(900);
    Game().score.score = 0;  // equal to place 10
    Play().gameOverCounter = 60;
    // Down to RETURN TO TITLE, Z; on the ranking screen that Z must be let go first.
    Script({{{DIK_DOWN}}, {{DIK_Z}}, {}, {{DIK_Z}}});
    EXPECT_FALSE(Step());
    for (const TextCall& t : Shown(1).texts) EXPECT_EQ(t.text.find("RANK IN"), std::string::npos);
    EXPECT_NE(FindText(4, "SCORE RANKING"), nullptr);
    EXPECT_EQ(Game().gameState, vantorix::kStateTitle);
    EXPECT_EQ(Game().ranking[9], 0);
}

// The last life lost on the frame the boss fell: both screens are due on one frame, and the
// game over comes first. Once it has ended play, no stage clear follows it to load the next
// stage (or, after the last one, to rank the score again and start the ending).
TEST_F(InGameScreenTest, GameOverOnTheFrameTheBossFellLeavesNoStageClearBehindIt) {
    auto bothDue = [this] {
        Player().lives = 0.0f;
        Player().visible = 0;
        Play().phase = 6;
        Play().stageClearCounter = Play().gameOverCounter = 60;
    };
    bothDue();
    // RETURN TO TITLE, Z again to leave the ranking, and once more for anything after it.
    Script({{{DIK_DOWN}}, {{DIK_Z}}, {}, {{DIK_Z}}, {}, {{DIK_Z}}});
    const size_t loads = sound_.loads.size();
    EXPECT_FALSE(Step());
    EXPECT_EQ(Game().gameState, vantorix::kStateTitle);
    EXPECT_EQ(Play().stage, 1);
    EXPECT_EQ(sound_.loads.size(), loads) << "the next stage's music was loaded";
    for (int n = 1; n <= Frames(); ++n) EXPECT_EQ(FindText(n, "STAGE CLEAR"), nullptr) << n;

    // ESC on the last stage's game over quits; it does not go on to the ending.
    vantorix::BeginStage();
    Play().stage = 6;
    Game().score.score = 4321;
    bothDue();
    Script({{{DIK_ESCAPE}}, {{DIK_Z}}});
    EXPECT_FALSE(Step());
    EXPECT_EQ(Game().gameState, vantorix::kStateQuit);
    EXPECT_EQ(std::count(std::begin(Game().ranking), std::end(Game().ranking), 4321), 1);

    // Nor does a game over follow a pause that went back to the title.
    vantorix::BeginStage();
    Player().lives = 0.0f;
    Player().visible = 0;
    Play().gameOverCounter = 60;
    Play().pause = Play().freeze = 1;
    Script({{{DIK_UP}}, {{DIK_Z}}, {}, {{DIK_Z}}});
    EXPECT_FALSE(Step());
    EXPECT_EQ(Game().gameState, vantorix::kStateTitle);
    for (int n = 1; n <= Frames(); ++n) EXPECT_EQ(FindText(n, "GAMEOVER"), nullptr) << n;
}

TEST_F(InGameScreenTest, StageClearMovesOnKeepingLivesAndScore) {
    Game().score.score = 1234;
    Player().lives = 2.0f;
    Play().phase = 6;
    Play().stageClearCounter = 60;
    Script({{{DIK_Z}}});
    EXPECT_TRUE(Step());
    EXPECT_TRUE(ShowsText(1, "STAGE CLEAR", 120, 100, 36, 4));
    EXPECT_EQ(std::tie(Play().stage, Play().phase, Play().stageClearCounter), std::make_tuple(2, 1, 0));
    EXPECT_EQ(Game().score.score, 1234);
    EXPECT_FLOAT_EQ(Player().lives, 2.0f);
    EXPECT_EQ(sound_.loads.back(), "Data03/BGM02.mp3");

    // Stage 5 goes on to stage 6 in silence: its own script starts the music later.
    Play().stage = 5;
    Play().stageClearCounter = 60;
    size_t loads = sound_.loads.size();
    Script({{{DIK_Z}}});
    EXPECT_TRUE(Step());
    EXPECT_EQ(Play().stage, 6);
    EXPECT_EQ(sound_.loads.size(), loads);
    EXPECT_EQ(Game().assets.bgmTrack, 0);

    // A pause in that silence and CONTINUE leave it silent: the music the stage-clear
    // screen stopped (stage 5's boss music) does not come back.
    const int stopped = Game().assets.bgmHandle;
    ASSERT_TRUE(sound_.IsLive(stopped));
    auto playsOfStopped = [&] {
        return std::count_if(sound_.plays.begin(), sound_.plays.end(),
                             [&](const RecordingSound::Play& p) { return p.handle == stopped; });
    };
    const auto before = playsOfStopped();
    Step({DIK_SPACE});
    Script({{{DIK_Z}}});
    EXPECT_TRUE(Step());
    EXPECT_EQ(std::tie(Play().pause, Play().freeze), std::make_tuple(0, 0));
    EXPECT_EQ(playsOfStopped(), before) << "stopped music played again";

    // The last stage enters the score into the ranking and leads to the ending.
    Play().stageClearCounter = 60;
    Script({{{DIK_Z}}});
    EXPECT_FALSE(Step());
    EXPECT_EQ(Game().gameState, vantorix::kStateEnding);
    EXPECT_EQ(Game().ranking[0], 1234);
}

}  // namespace
}  // namespace vantorix_test
