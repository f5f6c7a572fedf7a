// A whole game run unthrottled from scripted keys with a fixed seed, through the state
// loop: the game's state is summed at fixed frames, so any change that alters play shows.
#include <cstring>
#include <map>

#include "game/vantorix/game_main.h"
#include "game_fixture.h"
#include "host/backends/headless/headless.h"

namespace vantorix_test {
namespace {

uint64_t Fnv(uint64_t hash, const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

uint64_t StateChecksum() {
    const vantorix::GameGlobals& g = vantorix::Game();
    uint64_t h = 14695981039346656037ull;
    h = Fnv(h, &g.play, sizeof g.play);
    h = Fnv(h, &g.score, sizeof g.score);
    return Fnv(h, &g.input, sizeof g.input);
}

// The keys of frame n: a little of everything a player does in stage 1.
std::vector<uint8_t> KeysOf(int n) {
    std::vector<uint8_t> keys;
    int phase = (n / 60) % 6;
    if (phase == 0 || phase == 3) keys.push_back(host::DIK_RIGHT);
    if (phase == 1) keys.push_back(host::DIK_UP);
    if (phase == 2 || phase == 5) keys.push_back(host::DIK_LEFT);
    if (phase == 4) keys.push_back(host::DIK_DOWN);
    if (n % 40 < 25) keys.push_back(host::DIK_Z);
    if (n % 90 < 3) keys.push_back(host::DIK_X);
    if (n % 300 == 150 || n % 300 == 230) keys.push_back(host::DIK_C);
    return keys;
}

// The way in, one entry per presented frame: Z on PUSH Z BUTTON, START; on the weapon
// select, let go of Z, then TYPE-B and DEFENSIVE, each a fresh press.
const std::vector<std::vector<uint8_t>> kMenuKeys = {
    {host::DIK_Z}, {}, {host::DIK_Z}, {}, {host::DIK_DOWN}, {host::DIK_Z}, {}, {host::DIK_DOWN}, {host::DIK_Z}, {},
};
const int kMenuFrames = int(kMenuKeys.size());

class WholeGameTest : public PlayTest {
protected:
    // Started by each test itself, through the state loop.
    void SetUp() override {
        vantorix::ResetGameGlobals();
        vantorix::Game().fileDirectory = Directory();
        WriteFile("save_data01.dat", PlainStage());
        vantorix::SetDrawPort(&draw_);
        vantorix::SetSoundPort(&sound_);
    }
    std::string Directory() const { return engine_.Log().Directory(); }
    void WriteFile(const std::string& name, const Bytes& bytes) const {
        std::ofstream(Directory() + "/" + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    std::string ReadFile(const std::string& name) const {
        return orvik_test::TempLog::ReadFile(Directory() + "/" + name);
    }
};

TEST_F(WholeGameTest, ClosingTheWindowEndsTheGameWithItsFilesAsTheyWere) {
    Bytes ranking(54, 0), config(102, 0);
    PutInt(ranking, 4, 1);
    PutInt(ranking, 14, 777);
    PutInt(config, 90, 1);
    PutInt(config, 98, 2);
    WriteFile("save_data99.dat", ranking);
    WriteFile("save_data.dat", config);
    std::string rankingBefore = ReadFile("save_data99.dat"), configBefore = ReadFile("save_data.dat");
    draw_.onPresent = [](int frame) {
        if (frame == 100) host::RequestWindowClose();
    };
    ASSERT_EQ(vantorix::StartGame(1), 0);
    vantorix::RunStateLoop();
    EXPECT_EQ(draw_.presents, 100);
    EXPECT_EQ(vantorix::Game().options.bladeAuto, 2);  // the options were read on the way in
    EXPECT_EQ(vantorix::Game().ranking[0], 777);
    EXPECT_EQ(ReadFile("save_data99.dat"), rankingBefore);
    EXPECT_EQ(ReadFile("save_data.dat"), configBefore);
}

TEST_F(WholeGameTest, StageOneUnderScriptedKeysSumsToTheKnownStates) {

    const std::map<int, uint64_t> expected = {
        {300, 0xa6a49781ad1b767bull}, {600, 0xabf5d3c80edae155ull},
        {1200, 0xad3d851a40418d6dull}, {1800, 0x8a1434fcac50375dull},
    };
    std::map<int, uint64_t> seen;
    draw_.onPresent = [&](int present) {
        host::ReleaseAllKeys();
        if (present <= kMenuFrames) {
            for (uint8_t key : kMenuKeys[size_t(present - 1)]) host::SetKeyDown(key, true);
            return;
        }
        int frame = present - kMenuFrames;
        if (expected.count(frame)) seen[frame] = StateChecksum();
        for (uint8_t key : KeysOf(frame)) host::SetKeyDown(key, true);
        if (frame >= 1800) host::SetKeyDown(host::DIK_ESCAPE, true);
    };
    ASSERT_EQ(vantorix::StartGame(20240607), 0);
    vantorix::RunStateLoop();

    EXPECT_EQ(vantorix::Game().gameState, vantorix::kStateQuit);
    EXPECT_EQ(draw_.presents, kMenuFrames + 1800);  // ESC is read in the frame it is pressed
    const vantorix::PlayState& p = vantorix::Game().play;
    EXPECT_EQ(p.stage, 1);
    EXPECT_EQ(p.phase, 2);  // phase 1 lasts 1100 frames
    EXPECT_GT(p.scroll, 1700.0f);
    EXPECT_EQ(p.player.subType, 2);
    EXPECT_EQ(p.player.style, 2);
    EXPECT_GT(PlaysOfEffect(11), 100);  // rapid shots
    EXPECT_GT(PlaysOfEffect(13), 0);    // shots struck the first waves
    EXPECT_GT(vantorix::Game().score.score, 0);
    EXPECT_EQ(seen, expected);
}

// The display takes the window away with no close request: on the title, on the weapon
// select and in stage 1 the screen's loop and the state loop around it end with the
// frame in which it went.
class VanishedWindowTest : public WholeGameTest, public ::testing::WithParamInterface<int> {};

TEST_P(VanishedWindowTest, EveryLoopEndsWithinTheFrame) {
    const int vanishAt = GetParam();
    draw_.onPresent = [vanishAt](int present) {
        host::ReleaseAllKeys();
        if (present <= kMenuFrames)
            for (uint8_t key : kMenuKeys[size_t(present - 1)]) host::SetKeyDown(key, true);
        if (present == vanishAt) host::headless::VanishWindow();
        if (present == vanishAt + 100) host::RequestWindowClose();  // a loop that went on: fail, don't hang
    };
    ASSERT_EQ(vantorix::StartGame(1), 0);
    vantorix::RunStateLoop();
    EXPECT_EQ(draw_.presents, vanishAt);
    EXPECT_EQ(orvik::GetQuitFlag(), 1);
}

INSTANTIATE_TEST_SUITE_P(Screens, VanishedWindowTest, ::testing::Values(2, 6, kMenuFrames + 50));

}  // namespace
}  // namespace vantorix_test
