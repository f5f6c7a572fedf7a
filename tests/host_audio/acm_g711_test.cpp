// A-law and mu-law expansion through the compression manager, against the published
// values and the ITU reference encoders.
#include <algorithm>
#include <cstdlib>

#include "acm_helpers.h"

namespace audio_test {
namespace {

int Segment(int value, const int* ends) {
    int s = 0;
    while (s < 8 && value > ends[s]) ++s;
    return s;
}

// The ITU G.711 reference compressors.
uint8_t LinearToAlaw(int16_t pcm) {
    static const int kEnds[8] = {0x1F, 0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF};
    int v = pcm >> 3;
    int mask = 0xD5;
    if (v < 0) {
        mask = 0x55;
        v = -v - 1;
    }
    const int seg = Segment(v, kEnds);
    if (seg >= 8) return uint8_t(0x7F ^ mask);
    int a = seg << 4;
    a |= seg < 2 ? (v >> 1) & 0x0F : (v >> seg) & 0x0F;
    return uint8_t(a ^ mask);
}

uint8_t LinearToMulaw(int16_t pcm) {
    static const int kEnds[8] = {0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF, 0x1FFF};
    int v = pcm >> 2;
    int mask = 0xFF;
    if (v < 0) {
        v = -v;
        mask = 0x7F;
    }
    v = std::min(v, 8159) + 0x21;
    const int seg = Segment(v, kEnds);
    if (seg >= 8) return uint8_t(0x7F ^ mask);
    return uint8_t(((seg << 4) | ((v >> (seg + 1)) & 0x0F)) ^ mask);
}

std::vector<int16_t> Expand(uint16_t tag, uint16_t channels, const std::vector<uint8_t>& codes) {
    const host::WAVEFORMATEX f{tag, channels, 8000, 8000u * channels, channels, 8, 0};
    return AsSamples(ConvertAll(&f, codes, 2048, 4096));
}

TEST(AcmG711, EveryCodeExpandsIntoItsOwnInterval) {
    std::vector<uint8_t> codes(256);
    for (int i = 0; i < 256; ++i) codes[size_t(i)] = uint8_t(i);
    const std::vector<int16_t> alaw = Expand(host::WAVE_FORMAT_ALAW, 1, codes);
    const std::vector<int16_t> mulaw = Expand(host::WAVE_FORMAT_MULAW, 2, codes);
    ASSERT_EQ(alaw.size(), 256u);
    ASSERT_EQ(mulaw.size(), 256u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(LinearToAlaw(alaw[size_t(i)]), i) << i;
        if (i != 0x7F) {  // 0x7F is -0
            EXPECT_EQ(LinearToMulaw(mulaw[size_t(i)]), i) << i;
        }
    }
    // Published end points.
    EXPECT_EQ(alaw[0xD5], 8);
    EXPECT_EQ(alaw[0x55], -8);
    EXPECT_EQ(alaw[0xAA], 32256);
    EXPECT_EQ(alaw[0x2A], -32256);
    EXPECT_EQ(mulaw[0xFF], 0);
    EXPECT_EQ(mulaw[0x7F], 0);
    EXPECT_EQ(mulaw[0x80], 32124);
    EXPECT_EQ(mulaw[0x00], -32124);
}

TEST(AcmG711, CompressedSignalsComeBackWithinTheQuantisingError) {
    std::vector<int16_t> pcm;
    for (int v = -32768; v <= 32767; v += 13) pcm.push_back(int16_t(v));
    std::vector<uint8_t> alaw, mulaw;
    for (int16_t s : pcm) {
        alaw.push_back(LinearToAlaw(s));
        mulaw.push_back(LinearToMulaw(s));
    }
    const std::vector<int16_t> a = Expand(host::WAVE_FORMAT_ALAW, 1, alaw);
    const std::vector<int16_t> u = Expand(host::WAVE_FORMAT_MULAW, 1, mulaw);
    ASSERT_EQ(a.size(), pcm.size());
    ASSERT_EQ(u.size(), pcm.size());
    for (size_t i = 0; i < pcm.size(); ++i) {
        const int bound = 16 + std::abs(pcm[i]) / 16;
        ASSERT_LE(std::abs(a[i] - pcm[i]), bound) << pcm[i];
        ASSERT_LE(std::abs(u[i] - pcm[i]), bound + 700 * (std::abs(pcm[i]) > 32000)) << pcm[i];
    }
}

}  // namespace
}  // namespace audio_test
