// Stage 1 played through the engine itself on the headless backend, from the game's data
// folder: every sheet loads from the archives and is cut, and the presented pictures show
// a scrolling field beside a standing panel, and the mixed sound of play stays clean.
#include <orvik/graphics.h>

#include <cmath>
#include <filesystem>

#include "game/vantorix/engine_ports.h"
#include "game_fixture.h"
#include "host/backends/headless/headless.h"
#include "host/d3d9/device/d3d9_host.h"
#include "host/dsound/headless_output.h"
#include "host/dsound/mixer.h"

namespace vantorix_test {
namespace {

class EnginePlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        vantorix::ResetGameGlobals();
        std::filesystem::current_path(GAME_DATA_DIR);
        vantorix::SetDrawPort(&vantorix::EngineDrawPort());
        vantorix::SetSoundPort(&vantorix::EngineSoundPort());
    }
    void TearDown() override {
        vantorix::SetDrawPort(nullptr);
        vantorix::SetSoundPort(nullptr);
        vantorix::ResetGameGlobals();
        std::filesystem::current_path(cwd_);
    }
    static bool SameArea(const host::headless::Frame& a, const host::headless::Frame& b, int x1, int y1,
                         int x2, int y2) {
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x)
                if (a.pixels[size_t(y * a.width + x)] != b.pixels[size_t(y * b.width + x)]) return false;
        return true;
    }

    orvik_test::HeadlessEngine engine_;
    std::filesystem::path cwd_ = std::filesystem::current_path();
};

TEST_F(EnginePlayTest, SheetsLoadFromTheArchivesAndStageOneScrollsUnderTheShip) {
    ASSERT_EQ(vantorix::StartGame(1), 0);
    for (int sheet : {5001, 5002, 5003, 5004, 5005, 5021, 5031, 5036, 5037, 5038, 5041, 5042, 5071})
        EXPECT_EQ(orvik::IsValidGraphHandle(vantorix::SpriteHandle(sheet)), 1) << sheet;
    for (int cell : {1, 2, 27, 105, 519, 1010, 1313, 2151, 4001, 4360})
        EXPECT_EQ(orvik::IsValidGraphHandle(vantorix::SpriteHandle(cell)), 1) << cell;
    int w = 0, h = 0;
    ASSERT_EQ(orvik::QueryGraphSize(vantorix::SpriteHandle(1002), &w, &h), 0);
    EXPECT_EQ(w, 96);
    EXPECT_EQ(h, 96);

    for (int effect : {1, 11, 12, 13, 14, 15, 21, 22, 23, 24, 25})
        EXPECT_GE(vantorix::Game().assets.soundEffect[effect], 0) << effect;

    vantorix::BeginStage();
    EXPECT_GE(vantorix::Game().assets.bgmHandle, 0);  // stage 1's music from Data03.dat
    host::SetKeyDown(host::DIK_Z, true);
    vantorix::StageFrame();
    host::headless::Frame first = host::headless::LastFrame();
    for (int f = 0; f < 90; ++f) vantorix::StageFrame();
    host::headless::Frame later = host::headless::LastFrame();
    ASSERT_EQ(later.width, 640);
    ASSERT_EQ(later.height, 480);
    EXPECT_GT(vantorix::Game().play.scroll, 0.0f);
    EXPECT_TRUE(SameArea(first, later, 430, 220, 630, 420));  // the panel right of the field
    EXPECT_FALSE(SameArea(first, later, 32, 16, 416, 300));   // the field above the ship
}

// Stage 1's first frames through the device, once as it draws them (fast spans, clears
// taken by the tiles drawn over them, the copied screen shown from itself) and once
// written pixel by pixel by its general path: every presented picture is the same.
TEST_F(EnginePlayTest, StageOnePicturesAreTheDevicesGeneralPathsPictures) {
    std::vector<std::vector<uint32_t>> pictures[2];
    for (int general = 0; general < 2; ++general) {
        orvik_test::ResetEngine();
        orvik::ChangeWindowMode(1);
        vantorix::ResetGameGlobals();
        ASSERT_EQ(vantorix::StartGame(1), 0);
        ASSERT_EQ(orvik::Graphics().direct3DMode, 1);
        host::D3D9Settings().forceGenericPath = general != 0;
        vantorix::BeginStage();
        for (int f = 0; f < 16; ++f) {
            vantorix::StageFrame();
            pictures[general].push_back(host::headless::LastFrame().pixels);
        }
        orvik::EndLibrary();
    }
    host::D3D9Settings().forceGenericPath = false;
    for (size_t f = 0; f < pictures[0].size(); ++f) ASSERT_EQ(pictures[0][f], pictures[1][f]) << "frame " << f;
}

// A minute with TYPE-B's rapid fire held all along over the stage's music, the shots
// striking enemies as they come: the mixed output never reaches full scale and peaks at
// or below -1 dBFS. Only the sound goes through the engine: the pictures are recorded,
// not drawn, which keeps the minute of play quick.
TEST_F(EnginePlayTest, RapidFireOverTheStageMusicNeverClips) {
    constexpr int kSeconds = 60, kTypeB = 2;
    RecordingDraw draw;
    vantorix::SetDrawPort(&draw);
    ASSERT_EQ(vantorix::StartGame(1), 0);
    vantorix::BeginStage();
    vantorix::PlayerState& pl = vantorix::Game().play.player;
    pl.subType = kTypeB;
    host::SetKeyDown(host::DIK_Z, true);
    const uint32_t frameSamples = host::MixerOutputRate() / 60;
    host::ClearHeadlessAudioCapture();
    for (int frame = 0; frame < kSeconds * 60; ++frame) {
        pl.invulnerable = 1000;  // the ship lives and fires all along
        draw.calls.clear();
        draw.texts.clear();
        ASSERT_TRUE(vantorix::StageFrame()) << "frame " << frame;
        ASSERT_EQ(host::HeadlessAudioAdvance(frameSamples), 0);
    }
    const std::vector<int16_t>& pcm = host::HeadlessAudioCapture();
    ASSERT_EQ(pcm.size(), size_t(2) * frameSamples * kSeconds * 60);
    int peak = 0, fullScale = 0;
    double sum = 0;
    for (int16_t v : pcm) {
        peak = std::max(peak, std::abs(int(v)));
        fullScale += v == 32767 || v == -32768;
        sum += double(v) * v;
    }
    const double peakDb = 20 * std::log10(peak / 32768.0);
    const double rmsDb = 20 * std::log10(std::sqrt(sum / double(pcm.size())) / 32768.0);
    RecordProperty("peak_dBFS", std::to_string(peakDb));
    RecordProperty("rms_dBFS", std::to_string(rmsDb));
    std::printf("%d s of rapid fire over the stage 1 music: peak %.2f dBFS, RMS %.2f dBFS\n", kSeconds, peakDb, rmsDb);
    EXPECT_EQ(fullScale, 0);
    EXPECT_LE(peakDb, -1.0);
    EXPECT_GT(rmsDb, -30.0) << "still clearly heard";
    EXPECT_GT(vantorix::Game().score.score, 0) << "the shots struck enemies, whose sounds are in the mix";
}

}  // namespace
}  // namespace vantorix_test
