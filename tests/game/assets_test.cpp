// Sheets and cells, stage tiles swapped per stage, sound effects and the music slot.
#include "game/vantorix/assets.h"
#include "game/vantorix/random.h"
#include "game_fixture.h"

namespace vantorix_test {
namespace {

using vantorix::Game;
using vantorix::SpriteHandle;

TEST_F(PlayTest, CellsAreCutFromTheirSheetsAndTilesFollowTheStage) {
    const auto& cells = draw_.derivedFrom;
    auto cell = [&](int id) { return cells.at(SpriteHandle(id)); };
    EXPECT_EQ(cell(513).x, 96);
    EXPECT_EQ(cell(513).y, 96);
    EXPECT_EQ(cell(513).source, SpriteHandle(5021));
    EXPECT_EQ(cell(2020).x, 160);
    EXPECT_EQ(cell(2020).y, 0);
    EXPECT_EQ(cell(24).y, 192);
    EXPECT_EQ(cell(1010).x, 128 + 5 * 48);
    EXPECT_EQ(cell(4360).x, 384 + 11 * 32);
    EXPECT_EQ(cell(4360).y, 14 * 32);

    vantorix::LoadStageTiles(3);
    EXPECT_EQ(draw_.loaded.back(), "Data01/VRX_BackGround03.bmp");
    EXPECT_EQ(cell(4013).x, 0);
    EXPECT_EQ(cell(4013).y, 32);
    EXPECT_EQ(cell(4013).source, SpriteHandle(5071));

    int oldSheet = SpriteHandle(5071);
    vantorix::LoadStageTiles(7);
    EXPECT_FALSE(draw_.IsLive(oldSheet));
    for (int id = 4001; id <= 4360; ++id) ASSERT_FALSE(draw_.IsLive(SpriteHandle(id))) << id;
}

TEST_F(PlayTest, SheetThatDoesNotLoadLeavesItsCellsEmpty) {
    draw_.missingFiles.insert("Data01/VRX_Enemy02.bmp");
    vantorix::LoadAssets();
    EXPECT_EQ(SpriteHandle(5042), -1);
    EXPECT_EQ(SpriteHandle(2151), -1);
    EXPECT_NE(SpriteHandle(2041), -1);
    draw_.calls.clear();
    vantorix::DrawSpriteAt(2151, 10, 10);
    EXPECT_TRUE(draw_.calls.empty());
}

TEST_F(PlayTest, SoundEffectsLoadWithTheirVolumesAndRestartFromTheTop) {
    int shot = Game().assets.soundEffect[11];
    EXPECT_EQ(sound_.Volume(shot), 160);
    EXPECT_EQ(sound_.Volume(Game().assets.soundEffect[21]), 130);
    vantorix::PlaySe(11);
    int stops = sound_.stops;
    vantorix::PlaySe(11);
    EXPECT_EQ(sound_.stops, stops + 1);
    EXPECT_EQ(sound_.plays.back().type, vantorix::kPlayBackground);
    EXPECT_EQ(sound_.plays.back().fromTop, 1);
    vantorix::PlaySe(-1);
    vantorix::PlaySe(100);
    EXPECT_EQ(sound_.stops, stops + 1);
}

TEST_F(PlayTest, MusicChangesTracksAndTrackSixLeavesSilence) {
    const vantorix::AssetTables& a = Game().assets;
    EXPECT_EQ(a.bgmTrack, 1);
    EXPECT_EQ(sound_.loads.back(), "Data03/BGM01.mp3");
    int first = a.bgmHandle;
    EXPECT_EQ(sound_.Volume(first), 150);
    size_t loads = sound_.loads.size(), plays = sound_.plays.size();
    vantorix::PlayBgm(1);
    EXPECT_EQ(sound_.loads.size(), loads);
    EXPECT_EQ(sound_.plays.size(), plays);

    vantorix::PlayBgm(6);
    EXPECT_FALSE(sound_.IsLive(first));
    EXPECT_EQ(a.bgmHandle, -1);
    EXPECT_EQ(sound_.plays.size(), plays);  // nothing is played, not even the deleted handle

    vantorix::PlayBgm(8);
    EXPECT_EQ(sound_.loads.back(), "Data03/BGM08.mp3");
    EXPECT_EQ(sound_.Volume(a.bgmHandle), 240);
    EXPECT_EQ(sound_.plays.back().handle, a.bgmHandle);
    EXPECT_EQ(sound_.plays.back().type, vantorix::kPlayLoop);
}

class PadTest : public PlayTest {
protected:
    void BeforeStart() override { pad_ = host::AttachPad("pad", false); }
    int pad_ = -1;
};

TEST_F(PadTest, PadButtonsReadThroughTheirNumbersAlongsideKeys) {
    ASSERT_GE(pad_, 0);
    const vantorix::InputState& in = Game().input;
    host::SetPadButton(pad_, 0, true);  // pad word bit 4: button number 5
    Step();
    EXPECT_EQ(in.held[vantorix::kActSub], 1);
    EXPECT_EQ(in.held[vantorix::kActBlade], 0);
    Game().input.padButton[1] = 20;  // button 15
    host::SetPadButton(pad_, 15, true);
    Step();
    EXPECT_EQ(in.held[vantorix::kActBlade], 1);
    host::SetPadButton(pad_, 15, false);
    Step();
    EXPECT_EQ(in.held[vantorix::kActBlade], 0);
    // A number outside 5..20 reads as never held, not as always held.
    Game().input.padButton[2] = 0;
    Step();
    EXPECT_EQ(in.held[vantorix::kActBarrier], 0);
    host::SetPadAxis(pad_, host::kAxisX, 32767);
    Step();
    EXPECT_EQ(in.held[vantorix::kActRight], 1);
    EXPECT_EQ(in.held[vantorix::kActLeft], 0);
}

TEST(RandomTest, UpToIsWithinRangeReproducibleAndRefusesNegatives) {
    vantorix::ResetGameGlobals();
    vantorix::SeedRandom(7);
    std::vector<int> first;
    for (int i = 0; i < 50; ++i) first.push_back(vantorix::RandomUpTo(5));
    vantorix::SeedRandom(7);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(vantorix::RandomUpTo(5), first[i]);
    EXPECT_EQ(*std::max_element(first.begin(), first.end()), 5);
    EXPECT_EQ(*std::min_element(first.begin(), first.end()), 0);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(vantorix::RandomUpTo(0), 0);
    int32_t most = 0;
    for (int i = 0; i < 2000; ++i) most = std::max(most, vantorix::RandomUpTo(1000000));
    EXPECT_LE(most, 32767);
    EXPECT_GT(most, 30000);
    EXPECT_EQ(vantorix::RandomUpTo(-1), -1);
    EXPECT_EQ(vantorix::RandomUpTo(INT32_MIN), -1);
    EXPECT_GE(vantorix::RandomUpTo(INT32_MAX), 0);
}

}  // namespace
}  // namespace vantorix_test
