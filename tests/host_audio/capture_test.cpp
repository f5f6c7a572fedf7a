// Two overlapping effects mixed by the headless output and written to a WAV file,
// whose header and samples are checked after reading it back.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "dsound_fixture.h"

namespace audio_test {
namespace {

using host::DS_OK;
using CaptureTest = DsoundTest;

std::vector<int16_t> Sine(int frames, double hz, double amplitude, int channels) {
    std::vector<int16_t> out;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            out.push_back(int16_t(std::lround(amplitude * std::sin(2 * M_PI * hz * i / 44100.0))));
    return out;
}

uint32_t Le32(const std::vector<uint8_t>& f, size_t at) {
    return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | uint32_t(f[at + 3]) << 24;
}

// A fresh directory of this test, removed afterwards unless ORVIK_AUDIO_CAPTURE_DIR
// names one to keep the file in (for listening to it or measuring it by hand).
struct CaptureDir {
    CaptureDir() {
        if (const char* keep = std::getenv("ORVIK_AUDIO_CAPTURE_DIR")) {
            path = keep;
            return;
        }
        char name[] = "/tmp/orvik_capture_XXXXXX";
        EXPECT_NE(mkdtemp(name), nullptr);
        path = name;
        remove = true;
    }
    ~CaptureDir() {
        if (remove) std::filesystem::remove_all(path);
    }
    std::filesystem::path path;
    bool remove = false;
};

TEST_F(CaptureTest, TwoOverlappingEffectsAreCapturedToAWavFileSampleForSample) {
    // Effect A: half a second of 440 Hz, mono, full volume. Effect B: half a second of
    // 660 Hz, stereo, at -6 dB, panned 3 dB to the left, starting a quarter second in.
    const std::vector<int16_t> a = Sine(22050, 440, 12000, 1);
    const std::vector<int16_t> b = Sine(22050, 660, 16000, 2);
    host::IDirectSoundBuffer* effectA = Make(Pcm(1, 44100, 16), 22050 * 2);
    host::IDirectSoundBuffer* effectB = Make(Pcm(2, 44100, 16), 22050 * 4);
    ASSERT_NE(effectA, nullptr);
    ASSERT_NE(effectB, nullptr);
    Fill(effectA, a.data(), 22050 * 2);
    Fill(effectB, b.data(), 22050 * 4);
    ASSERT_EQ(effectB->SetVolume(-600), DS_OK);
    ASSERT_EQ(effectB->SetPan(-300), DS_OK);

    host::ClearHeadlessAudioCapture();
    ASSERT_EQ(effectA->Play(0, 0, 0), DS_OK);
    ASSERT_EQ(host::HeadlessAudioAdvance(11025), 0);
    ASSERT_EQ(effectB->Play(0, 0, 0), DS_OK);
    ASSERT_EQ(host::HeadlessAudioAdvance(33075), 0);  // to the end of B
    EXPECT_EQ(Status(effectA), 0u);
    EXPECT_EQ(Status(effectB), 0u);

    CaptureDir dir;
    const std::filesystem::path file = dir.path / "two_effects.wav";
    ASSERT_EQ(host::WriteHeadlessAudioWav(file.string()), 0);
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> f((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(f.size(), 44u + 44100 * 4);
    EXPECT_EQ(std::string(f.begin(), f.begin() + 4), "RIFF");
    EXPECT_EQ(Le32(f, 4), f.size() - 8);
    EXPECT_EQ(std::string(f.begin() + 8, f.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(Le32(f, 20), 0x00020001u);  // PCM, 2 channels
    EXPECT_EQ(Le32(f, 24), 44100u);
    EXPECT_EQ(Le32(f, 28), 176400u);
    EXPECT_EQ(Le32(f, 32), 0x00100004u);  // block align 4, 16 bits
    EXPECT_EQ(Le32(f, 40), 44100u * 4);
    auto sample = [&](size_t frame, int side) {
        const size_t at = 44 + frame * 4 + size_t(side) * 2;
        return int16_t(f[at] | f[at + 1] << 8);
    };

    const double left = std::pow(10.0, -600 / 2000.0);
    const double right = std::pow(10.0, -900 / 2000.0);
    for (size_t i = 0; i < 44100; ++i) {
        const int ia = i < 22050 ? a[i] : 0;
        const bool bPlays = i >= 11025 && i < 33075;
        const double bl = bPlays ? b[2 * (i - 11025)] * left : 0.0;
        const double br = bPlays ? b[2 * (i - 11025) + 1] * right : 0.0;
        if (!bPlays) {
            // A alone is bit-exact; after both end there is silence.
            ASSERT_EQ(sample(i, 0), ia) << i;
            ASSERT_EQ(sample(i, 1), ia) << i;
            continue;
        }
        ASSERT_NEAR(sample(i, 0), ia + bl, 1.5) << i;  // gain steps of 1/32768, floor
        ASSERT_NEAR(sample(i, 1), ia + br, 1.5) << i;
    }
}

TEST(HeadlessAudio, RefusesWorkWhileClosedAndAFileItCannotWrite) {
    host::CloseHeadlessAudio();
    EXPECT_EQ(host::HeadlessAudioAdvance(10), -1);
    EXPECT_EQ(host::OpenHeadlessAudio(0), -1);
    ASSERT_EQ(host::OpenHeadlessAudio(22050), 0);
    EXPECT_EQ(host::MixerOutputRate(), 22050u);
    ASSERT_EQ(host::HeadlessAudioAdvance(10), 0);
    EXPECT_EQ(host::HeadlessAudioCapture(), std::vector<int16_t>(20, 0));
    EXPECT_EQ(host::WriteHeadlessAudioWav("/nonexistent-dir/x.wav"), -1);
    host::CloseHeadlessAudio();
    host::ResetDirectSoundHost();
}

}  // namespace
}  // namespace audio_test
