// The game on a shader model 2 device: the engine uses programmable shaders there, yet
// every frame of play is the frame the fixed-function device presents.
#include <gtest/gtest.h>
#include <orvik/graphics.h>

#include <filesystem>
#include <vector>

#include "../support/headless_engine.h"
#include "engine/graphics/shaders/shader_system.h"
#include "game/vantorix/engine_ports.h"
#include "game/vantorix/game_main.h"
#include "game/vantorix/game_state.h"
#include "game/vantorix/stage_play.h"
#include "host/backends/headless/headless.h"
#include "host/d3d9/device/d3d9_host.h"
#include "host/dinput/input_devices.h"
#include "host/dinput/key_codes.h"

namespace vantorix_test {
namespace {

struct Played {
    int programmable = -1;
    std::vector<host::headless::Frame> frames;
};

// Stage 1 with the shot held, every 20th frame kept.
Played PlayStageOne(bool shaderModel2) {
    Played played;
    orvik_test::HeadlessEngine engine;
    host::D3D9Settings().shaderModel = shaderModel2 ? 3 : 0;
    vantorix::ResetGameGlobals();
    vantorix::SetDrawPort(&vantorix::EngineDrawPort());
    vantorix::SetSoundPort(&vantorix::EngineSoundPort());
    if (vantorix::StartGame(1) != 0) return played;
    played.programmable = orvik::Shaders().programmable;
    vantorix::BeginStage();
    host::SetKeyDown(host::DIK_Z, true);
    for (int f = 0; f < 61; ++f) {
        vantorix::StageFrame();
        if (f % 20 == 0) played.frames.push_back(host::headless::LastFrame());
    }
    vantorix::SetDrawPort(nullptr);
    vantorix::SetSoundPort(nullptr);
    vantorix::ResetGameGlobals();
    return played;
}

TEST(ShaderHostPlayTest, StageOneShowsTheSameFramesOnAShaderModel2Device) {
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(GAME_DATA_DIR);
    const Played fixed = PlayStageOne(false), programmable = PlayStageOne(true);
    std::filesystem::current_path(cwd);
    ASSERT_EQ(fixed.programmable, 0);
    ASSERT_EQ(programmable.programmable, 1);
    ASSERT_EQ(fixed.frames.size(), 4u);
    ASSERT_EQ(programmable.frames.size(), fixed.frames.size());
    for (size_t i = 0; i < fixed.frames.size(); ++i) {
        ASSERT_EQ(programmable.frames[i].width, 640);
        EXPECT_TRUE(programmable.frames[i].pixels == fixed.frames[i].pixels) << "frame " << i * 20;
    }
    // The frames are of play, not of one still picture.
    EXPECT_FALSE(fixed.frames[0].pixels == fixed.frames[3].pixels);
}

}  // namespace
}  // namespace vantorix_test
