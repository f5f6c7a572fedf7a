// Sound tests run the whole engine start-up on the headless backend, so the sound system
// starts as the game starts it: through COM, with the audio output opened on the
// headless capture, where time moves only by HeadlessAudioAdvance (the manual clock is on).
#pragma once
#include <gtest/gtest.h>

#include <orvik/sound.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/platform/base/memory.h"
#include "engine/sound/core/sound_state.h"
#include "engine/sound/core/sound_system.h"
#include "host/acm/acm.h"
#include "host/dsound/dsound_config.h"
#include "host/dsound/headless_output.h"
#include "host/mci/mci.h"
#include "host/system_info.h"
#include "tests/support/headless_engine.h"

namespace sound_test {

inline orvik::SoundRecord* Record(int handle) { return orvik::FindSoundRecord(handle); }

// The PCM a memory sound holds, as 16-bit samples.
inline std::vector<int16_t> Samples(int handle) {
    const orvik::SoundRecord* r = Record(handle);
    if (!r || !r->pcmData) return {};
    const auto* p = reinterpret_cast<const int16_t*>(r->pcmData);
    return std::vector<int16_t>(p, p + r->pcmSize / 2);
}

// 16-bit stereo PCM at 44.1 kHz.
inline host::WAVEFORMATEX Stereo16() {
    host::WAVEFORMATEX f;
    f.wFormatTag = 1;
    f.nChannels = 2;
    f.nSamplesPerSec = 44100;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 4;
    f.nAvgBytesPerSec = 176400;
    return f;
}

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::ResetDirectSoundHost();
        host::ResetAcmHost();
        host::SetProcessorCountForTests(1);
        orvik::ResetSoundState();
    }
    void TearDown() override {
        orvik::EndLibrary();
        orvik::ResetSoundState();
        host::SetProcessorCountForTests(0);
    }

    // Starts the engine (and with it the sound system); the test fails when it cannot.
    void Start() { ASSERT_EQ(orvik::InitLibrary(), 0); }
    // The log with its line ends as the engine writes them in texts ("\n").
    std::string Log() const {
        std::string text = engine_.Log().Read();
        for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
        return text;
    }
    std::string Directory() const { return engine_.Log().Directory(); }

    std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) const {
        const std::string path = Directory() + "/" + name;
        FILE* f = std::fopen(path.c_str(), "wb");
        if (f) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return path;
    }

    static int Load(const std::vector<uint8_t>& image, int buffers = 3) {
        return orvik::LoadSoundFromImage(image.data(), int32_t(image.size()), buffers, -1);
    }
    // Mixes frames and returns just those.
    static std::vector<int16_t> Mix(uint32_t frames) {
        host::ClearHeadlessAudioCapture();
        host::HeadlessAudioAdvance(frames);
        return host::HeadlessAudioCapture();
    }
    // Plays for `frames`, refilling the stream sounds every 30 ms, and returns what was heard.
    static std::vector<int16_t> Hear(uint32_t frames) {
        constexpr uint32_t kRefillStep = 1323;
        std::vector<int16_t> heard;
        while (frames > 0) {
            const uint32_t n = std::min(frames, kRefillStep);
            const std::vector<int16_t> part = Mix(n);
            heard.insert(heard.end(), part.begin(), part.end());
            orvik::RefillAllStreamSounds();
            frames -= n;
        }
        return heard;
    }
    // The amplitude of a tone of `hz` in the left channel of what was heard, over the
    // output's frames [from, to) (a Goertzel filter at the 44.1 kHz output rate).
    static double ToneLevel(const std::vector<int16_t>& heard, size_t from, size_t to, double hz) {
        const double k = 2 * std::cos(2 * M_PI * hz / 44100);
        double s1 = 0, s2 = 0;
        for (size_t i = from; i < to && 2 * i < heard.size(); ++i) {
            const double s0 = heard[2 * i] + k * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        return 2 * std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - k * s1 * s2)) / double(to - from);
    }

    orvik_test::HeadlessEngine engine_;
};

// Music tests start and end with no sequencer open and the usual sound fonts.
class MusicSoundTest : public SoundTest {
protected:
    void SetUp() override {
        SoundTest::SetUp();
        host::ResetMci();
    }
    void TearDown() override {
        SoundTest::TearDown();
        host::ResetMci();
    }
};

}  // namespace sound_test
