// The stream calls' rules: format suggestion, opening, handles, headers, PCM to PCM and
// the module switch.
#include "acm_helpers.h"

namespace audio_test {
namespace {

using host::MMSYSERR_NOERROR;

host::WAVEFORMATEX Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    const uint16_t align = uint16_t(channels * bits / 8);
    return {host::WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

host::WAVEFORMATEX Mulaw(uint16_t channels) {
    return {host::WAVE_FORMAT_MULAW, channels, 8000, 8000u * channels, channels, 8, 0};
}

class AcmStreamTest : public ::testing::Test {
protected:
    void TearDown() override { host::ResetAcmHost(); }
};

TEST_F(AcmStreamTest, SuggestionGivesSixteenBitPcmAndFailsForAnUnknownTag) {
    host::WAVEFORMATEX dst{};
    dst.wFormatTag = host::WAVE_FORMAT_PCM;
    const host::WAVEFORMATEX mu = Mulaw(2);
    ASSERT_EQ(host::acmFormatSuggest(nullptr, &mu, &dst, 18, host::ACM_FORMATSUGGESTF_WFORMATTAG),
              MMSYSERR_NOERROR);
    const host::WAVEFORMATEX want = Pcm(2, 8000, 16);
    EXPECT_EQ(std::memcmp(&dst, &want, 18), 0);

    host::WAVEFORMATEX unknown = mu;
    unknown.wFormatTag = 0x1234;
    EXPECT_EQ(host::acmFormatSuggest(nullptr, &unknown, &dst, 18, 0), host::ACMERR_NOTPOSSIBLE);
    // Demands no codec meets: a compressed output, another rate, another channel count.
    dst.wFormatTag = host::WAVE_FORMAT_MULAW;
    EXPECT_EQ(host::acmFormatSuggest(nullptr, &mu, &dst, 18, host::ACM_FORMATSUGGESTF_WFORMATTAG),
              host::ACMERR_NOTPOSSIBLE);
    dst = Pcm(2, 11025, 16);
    EXPECT_EQ(host::acmFormatSuggest(nullptr, &mu, &dst, 18, host::ACM_FORMATSUGGESTF_NSAMPLESPERSEC),
              host::ACMERR_NOTPOSSIBLE);
    dst = Pcm(1, 8000, 16);
    EXPECT_EQ(host::acmFormatSuggest(nullptr, &mu, &dst, 18, host::ACM_FORMATSUGGESTF_NCHANNELS),
              host::ACMERR_NOTPOSSIBLE);
    // PCM can change width and channels on demand.
    const host::WAVEFORMATEX stereo16 = Pcm(2, 22050, 16);
    dst = Pcm(1, 0, 8);
    ASSERT_EQ(host::acmFormatSuggest(nullptr, &stereo16, &dst, 18,
                                     host::ACM_FORMATSUGGESTF_NCHANNELS |
                                         host::ACM_FORMATSUGGESTF_WBITSPERSAMPLE),
              MMSYSERR_NOERROR);
    const host::WAVEFORMATEX mono8 = Pcm(1, 22050, 8);
    EXPECT_EQ(std::memcmp(&dst, &mono8, 18), 0);

    EXPECT_EQ(host::acmFormatSuggest(nullptr, &mu, &dst, 15, 0), host::MMSYSERR_INVALPARAM);
}

TEST_F(AcmStreamTest, OpeningChecksBothFormatsAndHandlesAreNeverReused) {
    const host::WAVEFORMATEX mu = Mulaw(1);
    const host::WAVEFORMATEX out = Pcm(1, 8000, 16);
    host::HACMSTREAM s = nullptr;
    EXPECT_EQ(host::acmStreamOpen(nullptr, nullptr, &mu, &out, nullptr, 0, 0, host::ACM_STREAMOPENF_QUERY),
              MMSYSERR_NOERROR);
    const host::WAVEFORMATEX out8 = Pcm(1, 8000, 8);
    EXPECT_EQ(host::acmStreamOpen(&s, nullptr, &mu, &out8, nullptr, 0, 0, 0), host::ACMERR_NOTPOSSIBLE);
    host::WAVEFORMATEX broken = out;
    broken.nAvgBytesPerSec = 1;
    EXPECT_EQ(host::acmStreamOpen(&s, nullptr, &mu, &broken, nullptr, 0, 0, 0), host::ACMERR_NOTPOSSIBLE);
    EXPECT_EQ(host::acmStreamOpen(&s, nullptr, &mu, &out, nullptr, 0, 0, host::ACM_STREAMOPENF_ASYNC),
              host::MMSYSERR_NOTSUPPORTED);

    ASSERT_EQ(host::acmStreamOpen(&s, nullptr, &mu, &out, nullptr, 0, 0, 0), MMSYSERR_NOERROR);
    host::HACMSTREAM other = nullptr;
    ASSERT_EQ(host::acmStreamOpen(&other, nullptr, &mu, &out, nullptr, 0, 0, 0), MMSYSERR_NOERROR);
    EXPECT_NE(s, other);
    EXPECT_EQ(host::acmStreamClose(s, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(host::acmStreamClose(s, 0), host::MMSYSERR_INVALHANDLE);  // stale
    uint32_t size = 0;
    EXPECT_EQ(host::acmStreamSize(s, 100, &size, 0), host::MMSYSERR_INVALHANDLE);
    EXPECT_EQ(host::acmStreamClose(reinterpret_cast<host::HACMSTREAM>(0xDEAD), 0), host::MMSYSERR_INVALHANDLE);
    EXPECT_EQ(host::acmStreamSize(other, 100, &size, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(size, 200u);
    EXPECT_EQ(host::acmStreamClose(other, 0), MMSYSERR_NOERROR);
}

TEST_F(AcmStreamTest, AHeaderMustBePreparedOnTheStreamThatConvertsIt) {
    const host::WAVEFORMATEX mu = Mulaw(1);
    const host::WAVEFORMATEX out = Pcm(1, 8000, 16);
    host::HACMSTREAM a = nullptr, b = nullptr;
    ASSERT_EQ(host::acmStreamOpen(&a, nullptr, &mu, &out, nullptr, 0, 0, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(host::acmStreamOpen(&b, nullptr, &mu, &out, nullptr, 0, 0, 0), MMSYSERR_NOERROR);
    uint8_t src[4] = {0xFF, 0x80, 0x00, 0x7F};
    uint8_t dst[8] = {};
    host::ACMSTREAMHEADER h;
    h.pbSrc = src;
    h.cbSrcLength = 4;
    h.pbDst = dst;
    h.cbDstLength = 8;
    EXPECT_EQ(host::acmStreamConvert(a, &h, 0), host::ACMERR_UNPREPARED);
    ASSERT_EQ(host::acmStreamPrepareHeader(a, &h, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(host::acmStreamConvert(b, &h, 0), host::ACMERR_UNPREPARED);
    EXPECT_EQ(host::acmStreamConvert(a, &h, 0x100), host::MMSYSERR_INVALFLAG);
    ASSERT_EQ(host::acmStreamConvert(a, &h, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(h.cbDstLengthUsed, 8u);
    EXPECT_EQ(host::acmStreamUnprepareHeader(b, &h, 0), host::ACMERR_UNPREPARED);
    ASSERT_EQ(host::acmStreamUnprepareHeader(a, &h, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(host::acmStreamConvert(a, &h, 0), host::ACMERR_UNPREPARED);

    host::ACMSTREAMHEADER small = h;
    small.cbStruct = 83;
    EXPECT_EQ(host::acmStreamPrepareHeader(a, &small, 0), host::MMSYSERR_INVALPARAM);
    small.cbStruct = 84;  // the 32-bit layout's size
    EXPECT_EQ(host::acmStreamPrepareHeader(a, &small, 0), MMSYSERR_NOERROR);
    h.pbSrc = nullptr;
    EXPECT_EQ(host::acmStreamPrepareHeader(a, &h, 0), host::MMSYSERR_INVALPARAM);
    h.pbSrc = src;
    ASSERT_EQ(host::acmStreamClose(a, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(host::acmStreamPrepareHeader(a, &h, 0), host::MMSYSERR_INVALHANDLE);
    ASSERT_EQ(host::acmStreamClose(b, 0), MMSYSERR_NOERROR);
}

TEST_F(AcmStreamTest, PcmToPcmChangesWidthAndChannels) {
    const std::vector<uint8_t> mono8 = {0, 128, 255, 64};
    const host::WAVEFORMATEX m8 = Pcm(1, 11025, 8);
    host::WAVEFORMATEX s16 = Pcm(2, 11025, 16);
    host::HACMSTREAM s = nullptr;
    ASSERT_EQ(host::acmStreamOpen(&s, nullptr, &m8, &s16, nullptr, 0, 0, 0), MMSYSERR_NOERROR);
    std::vector<int16_t> out(8);
    host::ACMSTREAMHEADER h;
    h.pbSrc = const_cast<uint8_t*>(mono8.data());
    h.cbSrcLength = 4;
    h.pbDst = reinterpret_cast<uint8_t*>(out.data());
    h.cbDstLength = 14;  // room for three frames and a half
    ASSERT_EQ(host::acmStreamPrepareHeader(s, &h, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(host::acmStreamConvert(s, &h, host::ACM_STREAMCONVERTF_BLOCKALIGN), MMSYSERR_NOERROR);
    EXPECT_EQ(h.cbSrcLengthUsed, 3u);
    EXPECT_EQ(h.cbDstLengthUsed, 12u);
    EXPECT_EQ(out, (std::vector<int16_t>{-32768, -32768, 0, 0, 32512, 32512, 0, 0}));
    ASSERT_EQ(host::acmStreamUnprepareHeader(s, &h, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(host::acmStreamClose(s, 0), MMSYSERR_NOERROR);

    // Stereo 16-bit to mono 8-bit averages the two sides.
    const std::vector<int16_t> stereo = {1000, 3000, -32768, -32768, 32767, 32767};
    const std::vector<uint8_t> bytes(reinterpret_cast<const uint8_t*>(stereo.data()),
                                     reinterpret_cast<const uint8_t*>(stereo.data()) + 12);
    s16 = Pcm(2, 11025, 16);
    // The output suggested for PCM is the source's own format: a copy.
    EXPECT_EQ(ConvertAll(&s16, bytes, 2048, 12), bytes);
    host::WAVEFORMATEX to8 = Pcm(1, 11025, 8);
    ASSERT_EQ(host::acmStreamOpen(&s, nullptr, &s16, &to8, nullptr, 0, 0, 0), MMSYSERR_NOERROR);
    std::vector<uint8_t> eight(3);
    host::ACMSTREAMHEADER h8;
    h8.pbSrc = const_cast<uint8_t*>(bytes.data());
    h8.cbSrcLength = 12;
    h8.pbDst = eight.data();
    h8.cbDstLength = 3;
    ASSERT_EQ(host::acmStreamPrepareHeader(s, &h8, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(host::acmStreamConvert(s, &h8, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(eight, (std::vector<uint8_t>{128 + 7, 0, 255}));
    ASSERT_EQ(host::acmStreamClose(s, 0), MMSYSERR_NOERROR);
}

TEST_F(AcmStreamTest, MetricsAndTheModuleSwitch) {
    uint32_t size = 0;
    ASSERT_EQ(host::acmMetrics(nullptr, host::ACM_METRIC_MAX_SIZE_FORMAT, &size), MMSYSERR_NOERROR);
    EXPECT_GE(size, 50u);  // an MS ADPCM format with its seven pairs fits
    EXPECT_EQ(host::acmMetrics(nullptr, 1, &size), host::MMSYSERR_NOTSUPPORTED);
    EXPECT_TRUE(host::IsAcmModulePresent());
    host::SetAcmModulePresent(false);
    EXPECT_FALSE(host::IsAcmModulePresent());
    host::ResetAcmHost();
    EXPECT_TRUE(host::IsAcmModulePresent());
}

}  // namespace
}  // namespace audio_test
