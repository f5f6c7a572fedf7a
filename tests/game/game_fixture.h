// Game tests start from a freshly started program: the game's record reset, its files in
// the test's own temporary directory, and, for play, the engine started headless with the
// recording ports and stage play begun.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include <orvik/graphics.h>

#include "../support/headless_engine.h"
#include "../support/temp_log.h"
#include "fake_ports.h"
#include "game/vantorix/assets.h"
#include "game/vantorix/engine_port.h"
#include "game/vantorix/game_main.h"
#include "game/vantorix/game_state.h"
#include "game/vantorix/stage_play.h"
#include "host/dinput/input_devices.h"
#include "host/dinput/key_codes.h"

namespace vantorix_test {

using Bytes = std::vector<uint8_t>;

inline void PutInt(Bytes& bytes, size_t offset, int32_t value) {
    if (bytes.size() < offset + 4) bytes.resize(offset + 4, 0);
    for (int i = 0; i < 4; ++i) bytes[offset + i] = uint8_t(uint32_t(value) >> (8 * i));
}

inline int32_t GetInt(const Bytes& bytes, size_t offset) {
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= uint32_t(bytes.at(offset + i)) << (8 * i);
    return int32_t(u);
}

// A stage file: every speed code `code`, tile (c, r) = tileOf(c, r).
template <typename TileOf>
Bytes StageFile(int32_t code, TileOf tileOf) {
    Bytes bytes(77201, 0);
    for (int i = 0; i < 200; ++i) PutInt(bytes, 1001 + 4 * i, code);
    for (int r = 0; r < 1400; ++r)
        for (int c = 0; c < 12; ++c) PutInt(bytes, 10001 + 4 * (12 * r + c), tileOf(c, r));
    return bytes;
}

inline Bytes PlainStage() {
    return StageFile(3, [](int c, int r) { return 1 + (c + 12 * r) % 360; });
}

// The game draws through the recording port, so the engine would go on refreshing its front
// buffer from a timer, as it does until a program picks another draw target; the real game
// picks its off-screen picture at once.
inline void LeaveTheFrontBuffer() { orvik::SetDrawTarget(vantorix::kBackBuffer); }

// The game's files in a directory of the test's own.
class GameFilesTest : public ::testing::Test {
protected:
    GameFilesTest() {
        vantorix::ResetGameGlobals();
        vantorix::Game().fileDirectory = log_.Directory();
    }
    ~GameFilesTest() override { vantorix::ResetGameGlobals(); }

    std::string PathOf(const std::string& name) const { return log_.Directory() + "/" + name; }
    void Write(const std::string& name, const Bytes& bytes) const {
        std::ofstream(PathOf(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    Bytes Read(const std::string& name) const {
        std::string text = orvik_test::TempLog::ReadFile(PathOf(name));
        return Bytes(text.begin(), text.end());
    }
    std::string Log() const { return log_.Read(); }

private:
    orvik_test::TempLog log_;
};

// Stage play on the headless engine, stepped one frame at a time.
class PlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        vantorix::ResetGameGlobals();
        vantorix::Game().fileDirectory = engine_.Log().Directory();
        std::string stage = engine_.Log().Directory() + "/save_data01.dat";
        Bytes bytes = PlainStage();
        std::ofstream(stage, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        vantorix::SetDrawPort(&draw_);
        vantorix::SetSoundPort(&sound_);
        BeforeStart();
        ASSERT_EQ(vantorix::StartGame(12345), 0);
        LeaveTheFrontBuffer();
        vantorix::BeginStage();
    }
    void TearDown() override {
        vantorix::SetDrawPort(nullptr);
        vantorix::SetSoundPort(nullptr);
        vantorix::ResetGameGlobals();
    }

    virtual void BeforeStart() {}
    // Holds exactly the keys given (DirectInput codes) for one frame.
    bool Step(std::initializer_list<uint8_t> keys = {}) {
        host::ReleaseAllKeys();
        for (uint8_t key : keys) host::SetKeyDown(key, true);
        draw_.calls.clear();
        return vantorix::StageFrame();
    }
    void Steps(int frames, std::initializer_list<uint8_t> keys = {}) {
        for (int i = 0; i < frames; ++i) Step(keys);
    }
    static vantorix::PlayState& Play() { return vantorix::Game().play; }
    static vantorix::PlayerState& Player() { return vantorix::Game().play.player; }
    // Draws of the sprite in the last frame.
    std::vector<DrawCall> DrawsOf(int spriteId) const {
        std::vector<DrawCall> out;
        for (const DrawCall& call : draw_.calls)
            if (call.handle == vantorix::SpriteHandle(spriteId)) out.push_back(call);
        return out;
    }
    int PlaysOfEffect(int effect) const {
        int n = 0;
        for (const auto& play : sound_.plays) n += play.handle == vantorix::Game().assets.soundEffect[effect];
        return n;
    }

    orvik_test::HeadlessEngine engine_;
    RecordingDraw draw_;
    RecordingSound sound_;
};

}  // namespace vantorix_test
