// MS ADPCM and IMA ADPCM decoding: equal to what our own reference encoders reconstruct,
// and equal to sox's decoding of files sox encoded.
#include "acm_helpers.h"
#include "adpcm_encoders.h"

namespace audio_test {
namespace {

const host::WAVEFORMATEX* Wfx(const Encoded& e) {
    return reinterpret_cast<const host::WAVEFORMATEX*>(e.format.data());
}

TEST(AcmAdpcm, MsAdpcmDecodesToTheEncodersReconstructionInEveryCoefficientPair) {
    for (int channels : {1, 2}) {
        const Encoded e = EncodeMsAdpcm(channels, 9, uint16_t(256 * channels));
        // The engine's step: 2048 source bytes into about one second of PCM.
        const std::vector<uint8_t> out = ConvertAll(Wfx(e), e.data, 2048, 88200);
        EXPECT_EQ(AsSamples(out), e.decoded) << channels << " channels";
    }
}

TEST(AcmAdpcm, ImaAdpcmDecodesToTheEncodersReconstruction) {
    for (int channels : {1, 2}) {
        const Encoded e = EncodeImaAdpcm(channels, 7, uint16_t(256 * channels));
        const std::vector<uint8_t> out = ConvertAll(Wfx(e), e.data, 2048, 88200);
        EXPECT_EQ(AsSamples(out), e.decoded) << channels << " channels";
    }
}

TEST(AcmAdpcm, FilesEncodedBySoxDecodeAsSoxDecodesThem) {
    for (const char* name : {"ms_adpcm_sox", "ima_adpcm_sox"}) {
        const std::string base = std::string(ORVIK_TEST_DATA_DIR) + "/" + name;
        const WaveParts wave = SplitWave(ReadFile(base + ".wav"));
        const std::vector<uint8_t> expected = ReadFile(base + "_decoded.raw");
        ASSERT_FALSE(expected.empty()) << name;
        const std::vector<uint8_t> out = ConvertAll(wave.wfx(), wave.data, 2048, 44100);
        EXPECT_EQ(out, expected) << name;
    }
}

TEST(AcmAdpcm, ANearlyFullDestinationTakesFewerSourceBlocks) {
    const Encoded e = EncodeMsAdpcm(1, 4, 256);  // 500 samples, 1000 bytes a block
    host::WAVEFORMATEX dst{};
    ASSERT_EQ(host::acmFormatSuggest(nullptr, Wfx(e), &dst, sizeof dst, 0), host::MMSYSERR_NOERROR);
    host::HACMSTREAM s = nullptr;
    ASSERT_EQ(host::acmStreamOpen(&s, nullptr, Wfx(e), &dst, nullptr, 0, 0, 0), host::MMSYSERR_NOERROR);
    std::vector<uint8_t> out(2500);
    host::ACMSTREAMHEADER h;
    h.pbSrc = const_cast<uint8_t*>(e.data.data());
    h.cbSrcLength = uint32_t(e.data.size());
    h.pbDst = out.data();
    h.cbDstLength = 2500;
    ASSERT_EQ(host::acmStreamPrepareHeader(s, &h, 0), host::MMSYSERR_NOERROR);
    ASSERT_EQ(host::acmStreamConvert(s, &h, host::ACM_STREAMCONVERTF_BLOCKALIGN), host::MMSYSERR_NOERROR);
    EXPECT_EQ(h.cbSrcLengthUsed, 512u);
    EXPECT_EQ(h.cbDstLengthUsed, 2000u);
    EXPECT_TRUE(h.fdwStatus & host::ACMSTREAMHEADER_STATUSF_DONE);
    // Less than a whole block converts nothing.
    h.cbSrcLength = 255;
    ASSERT_EQ(host::acmStreamConvert(s, &h, host::ACM_STREAMCONVERTF_BLOCKALIGN), host::MMSYSERR_NOERROR);
    EXPECT_EQ(h.cbSrcLengthUsed, 0u);
    EXPECT_EQ(h.cbDstLengthUsed, 0u);
    // The size estimate covers every block begun.
    uint32_t size = 0;
    ASSERT_EQ(host::acmStreamSize(s, 257, &size, host::ACM_STREAMSIZEF_SOURCE), host::MMSYSERR_NOERROR);
    EXPECT_EQ(size, 2000u);
    ASSERT_EQ(host::acmStreamSize(s, 1999, &size, host::ACM_STREAMSIZEF_DESTINATION), host::MMSYSERR_NOERROR);
    EXPECT_EQ(size, 256u);
    EXPECT_EQ(host::acmStreamSize(s, 999, &size, host::ACM_STREAMSIZEF_DESTINATION), host::ACMERR_NOTPOSSIBLE);
    ASSERT_EQ(host::acmStreamUnprepareHeader(s, &h, 0), host::MMSYSERR_NOERROR);
    ASSERT_EQ(host::acmStreamClose(s, 0), host::MMSYSERR_NOERROR);
}

TEST(AcmAdpcm, DamagedFormatsAreRefusedAndDamagedBlocksDecodeWithoutHarm) {
    Encoded e = EncodeMsAdpcm(1, 2, 256);
    host::WAVEFORMATEX dst{};
    auto suggest = [&](const std::vector<uint8_t>& format) {
        return host::acmFormatSuggest(
            nullptr, reinterpret_cast<const host::WAVEFORMATEX*>(format.data()), &dst, sizeof dst, 0);
    };
    std::vector<uint8_t> f = e.format;
    f[16] = 20;  // cbSize too small for seven coefficient pairs
    EXPECT_EQ(suggest(f), host::ACMERR_NOTPOSSIBLE);
    f = e.format;
    f[18] = 0xFF;  // more samples per block than the block holds
    f[19] = 0x01;
    EXPECT_EQ(suggest(f), host::ACMERR_NOTPOSSIBLE);
    f = e.format;
    f[12] = 6;  // block align smaller than the header
    f[13] = 0;
    EXPECT_EQ(suggest(f), host::ACMERR_NOTPOSSIBLE);
    Encoded ima = EncodeImaAdpcm(2, 1, 512);
    f = ima.format;
    f[12] = 0xFE;  // block align not a whole number of 4-byte groups per channel
    f[13] = 0x01;
    EXPECT_EQ(suggest(f), host::ACMERR_NOTPOSSIBLE);

    // A block naming a coefficient pair past the table, and extreme steps.
    e.data[0] = 9;
    e.data[256 + 1] = 0xFF;
    e.data[256 + 2] = 0x7F;
    const std::vector<uint8_t> out = ConvertAll(Wfx(e), e.data, 2048, 44100);
    ASSERT_EQ(out.size(), 2000u);
    for (size_t i = 0; i < 1000; ++i) EXPECT_EQ(out[i], 0) << i;
    ima.data[2] = 200;  // step index past the table
    EXPECT_EQ(ConvertAll(Wfx(ima), ima.data, 2048, 44100).size(), ima.decoded.size() * 2);
}

}  // namespace
}  // namespace audio_test
