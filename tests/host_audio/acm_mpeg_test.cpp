// MPEG layer-3 through the compression manager: files encoded here with libmp3lame
// decode to the expected length within the codec delay, to the tone put in, and the
// same whatever room the caller gives each step; frames converted to another rate come
// out as many as the engine counts.
#include <cmath>

#include "acm_helpers.h"
#include "host/acm/pcm_format_convert.h"
#include "tests/support/mp3_tone.h"

namespace audio_test {
namespace {

struct Mp3 {
    std::vector<uint8_t> bytes;
    uint32_t rate;
    uint16_t channels;
    int samples;  // per channel, put in
};

// A tone of `hz` (the right channel an octave up).
Mp3 EncodeTone(uint32_t rate, uint16_t channels, int samples, double hz, int kbps) {
    return {mp3test::EncodeTone({rate, channels, samples, hz, 12000, kbps}).bytes, rate, channels, samples};
}

host::MPEGLAYER3WAVEFORMAT FormatOf(const Mp3& mp3, uint32_t kbps) {
    host::MPEGLAYER3WAVEFORMAT f;
    f.wfx = {host::WAVE_FORMAT_MPEGLAYER3, mp3.channels, mp3.rate, kbps * 1000 / 8, 1, 0,
             host::MPEGLAYER3_WFX_EXTRA_BYTES};
    f.wID = host::MPEGLAYER3_ID_MPEG;
    f.nBlockSize = uint16_t(144000 * kbps / mp3.rate);
    f.nFramesPerBlock = 1;
    f.nCodecDelay = 700;
    return f;
}

// Rising zero crossings per second of one channel, over the middle half of the sound.
double ToneOf(const std::vector<int16_t>& pcm, int channels, int channel, uint32_t rate) {
    const size_t frames = pcm.size() / size_t(channels);
    int crossings = 0;
    for (size_t i = frames / 4; i < frames * 3 / 4; ++i)
        crossings += pcm[(i - 1) * channels + channel] < 0 && pcm[i * channels + channel] >= 0;
    return crossings * double(rate) / double(frames / 2);
}

TEST(AcmMpeg, AnEncodedToneDecodesToItsLengthWithinTheCodecDelay) {
    struct Case {
        uint32_t rate;
        uint16_t channels;
        int kbps;
    };
    // MPEG-1 stereo and MPEG-2 (half rate) mono.
    for (const Case c : {Case{44100, 2, 128}, Case{22050, 1, 32}}) {
        SCOPED_TRACE(c.rate);
        const Mp3 mp3 = EncodeTone(c.rate, c.channels, int(c.rate), 441, c.kbps);
        const host::MPEGLAYER3WAVEFORMAT f = FormatOf(mp3, uint32_t(c.kbps));
        // The engine's step: 2048 source bytes into 4/3 second of PCM.
        const uint32_t room = c.rate * c.channels * 2 * 4 / 3;
        const std::vector<int16_t> pcm = AsSamples(ConvertAll(&f.wfx, mp3.bytes, 2048, room));
        const int frames = int(pcm.size()) / c.channels;
        // Encoder delay and padding (576 + up to one frame) and the decoder's 529.
        EXPECT_NEAR(frames, mp3.samples, 576 + 1152 + 529);
        EXPECT_GE(frames, mp3.samples - 1152);
        EXPECT_NEAR(ToneOf(pcm, c.channels, 0, c.rate), 441, 5);
        if (c.channels == 2) {
            EXPECT_NEAR(ToneOf(pcm, 2, 1, c.rate), 882, 5);
        }

        // The size estimate is an upper bound of what the whole source gives.
        host::WAVEFORMATEX dst{};
        dst.wFormatTag = host::WAVE_FORMAT_PCM;
        ASSERT_EQ(host::acmFormatSuggest(nullptr, &f.wfx, &dst, sizeof dst,
                                         host::ACM_FORMATSUGGESTF_WFORMATTAG),
                  host::MMSYSERR_NOERROR);
        EXPECT_EQ(dst.nChannels, c.channels);
        EXPECT_EQ(dst.nSamplesPerSec, c.rate);
        EXPECT_EQ(dst.wBitsPerSample, 16);
        host::HACMSTREAM s = nullptr;
        ASSERT_EQ(host::acmStreamOpen(&s, nullptr, &f.wfx, &dst, nullptr, 0, 0, 0), host::MMSYSERR_NOERROR);
        uint32_t bound = 0;
        ASSERT_EQ(host::acmStreamSize(s, uint32_t(mp3.bytes.size()), &bound, 0), host::MMSYSERR_NOERROR);
        EXPECT_GE(bound, pcm.size() * 2);
        ASSERT_EQ(host::acmStreamClose(s, 0), host::MMSYSERR_NOERROR);
    }
}

// The engine counts what a run of frames plays at another rate by ConvertedFrameCount: the
// converter, fed a frame's samples at a time, puts out that many.
TEST(AcmMpeg, TheConverterPutsOutTheFramesItsCountRuleSays) {
    for (const uint32_t to : {44100u, 22050u, 48000u})
        for (const uint32_t from : {16000u, 22050u, 32000u, 44100u, 48000u})
            for (const int channels : {1, 2}) {
                host::PcmFormatConverter converter(host::PcmFormatConverter::Sample::kInt16, {long(to), 2});
                const std::vector<uint8_t> frame(1152 * 2 * size_t(channels));
                std::vector<uint8_t> out;
                for (int i = 0; i < 7; ++i) converter.Convert(frame, {long(from), channels}, out);
                EXPECT_EQ(out.size() / 4, host::ConvertedFrameCount(7 * 1152, from, to)) << from << " " << to;
            }
}

TEST(AcmMpeg, NoDecodedSoundIsDroppedWhenTheDestinationIsSmall) {
    const Mp3 mp3 = EncodeTone(44100, 2, 30000, 300, 96);
    const host::MPEGLAYER3WAVEFORMAT f = FormatOf(mp3, 96);
    const std::vector<uint8_t> roomy = ConvertAll(&f.wfx, mp3.bytes, 2048, 1 << 20);
    // Less than one frame's output (4608 bytes) each step, and an odd size.
    const std::vector<uint8_t> tight = ConvertAll(&f.wfx, mp3.bytes, 2048, 1001);
    const std::vector<uint8_t> oneByteSource = ConvertAll(&f.wfx, mp3.bytes, 1, 4608);
    ASSERT_GT(roomy.size(), 20000u * 4);
    EXPECT_EQ(tight, roomy);
    EXPECT_EQ(oneByteSource, roomy);
}

TEST(AcmMpeg, FormatsThatAreNotMpegAudioAreRefusedAndGarbageDecodesToNothing) {
    Mp3 mp3 = EncodeTone(44100, 2, 4000, 300, 96);
    host::MPEGLAYER3WAVEFORMAT f = FormatOf(mp3, 96);
    host::WAVEFORMATEX dst{};
    f.wfx.nSamplesPerSec = 44000;
    EXPECT_EQ(host::acmFormatSuggest(nullptr, &f.wfx, &dst, sizeof dst, 0), host::ACMERR_NOTPOSSIBLE);
    f = FormatOf(mp3, 96);
    f.wfx.cbSize = 2;
    EXPECT_EQ(host::acmFormatSuggest(nullptr, &f.wfx, &dst, sizeof dst, 0), host::ACMERR_NOTPOSSIBLE);
    f = FormatOf(mp3, 96);
    f.wfx.nChannels = 3;
    EXPECT_EQ(host::acmFormatSuggest(nullptr, &f.wfx, &dst, sizeof dst, 0), host::ACMERR_NOTPOSSIBLE);

    f = FormatOf(mp3, 96);
    std::vector<uint8_t> noise(20000);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * 7919 % 251);
    EXPECT_TRUE(ConvertAll(&f.wfx, noise, 2048, 65536).empty());
}

}  // namespace
}  // namespace audio_test
