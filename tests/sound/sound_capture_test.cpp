// Two overlapping effects captured from the headless output into a WAV file, read back
// and checked sample by sample against the sum of the two. With ORVIK_CAPTURE_WAV set,
// the capture is also kept at that path, for listening or measuring.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "sound_fixture.h"
#include "wave_builder.h"

namespace sound_test {
namespace {

std::vector<int16_t> Tone(double hz, size_t frames, double amplitude) {
    std::vector<int16_t> s;
    for (size_t i = 0; i < frames; ++i) {
        const int16_t v = int16_t(std::lround(amplitude * std::sin(2 * M_PI * hz * double(i) / 44100)));
        s.push_back(v);
        s.push_back(v);
    }
    return s;
}

std::vector<int16_t> ReadWavSamples(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 44) return {};
    std::vector<int16_t> s((bytes.size() - 44) / 2);
    std::memcpy(s.data(), bytes.data() + 44, s.size() * 2);
    return s;
}

TEST_F(SoundTest, TwoOverlappingEffectsCaptureAsTheirSum) {
    Start();
    constexpr size_t kFrames = 8820, kOffset = 2205, kTotal = 13230;  // 0.2 s, 50 ms, 0.3 s
    const std::vector<int16_t> a = Tone(440, kFrames, 12000), b = Tone(1000, kFrames, 9000);
    const int shot = Load(PcmWave(2, 44100, a), 3);
    const int hit = Load(PcmWave(2, 44100, b), 3);
    ASSERT_NE(shot, -1);
    ASSERT_NE(hit, -1);
    host::ClearHeadlessAudioCapture();
    ASSERT_EQ(orvik::PlaySoundHandle(shot, orvik::kPlayBack), 0);
    host::HeadlessAudioAdvance(kOffset);
    ASSERT_EQ(orvik::PlaySoundHandle(hit, orvik::kPlayBack), 0);
    host::HeadlessAudioAdvance(kTotal - kOffset);
    const std::string path = Directory() + "/overlap.wav";
    ASSERT_EQ(host::WriteHeadlessAudioWav(path), 0);
    if (const char* keep = std::getenv("ORVIK_CAPTURE_WAV")) host::WriteHeadlessAudioWav(keep);

    const std::vector<int16_t> got = ReadWavSamples(path);
    ASSERT_EQ(got.size(), kTotal * 2);
    for (size_t i = 0; i < got.size(); ++i) {
        const size_t frame = i / 2;
        int expected = frame < kFrames ? a[i] : 0;
        if (frame >= kOffset && frame - kOffset < kFrames) expected += b[i - kOffset * 2];
        ASSERT_EQ(got[i], std::clamp(expected, -32768, 32767)) << "sample " << i;
    }
}

}  // namespace
}  // namespace sound_test
