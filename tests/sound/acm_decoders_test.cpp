// Compressed WAVE and MP3 through the compression manager, loaded as the game loads
// them: ADPCM and G.711 decode to the reference PCM, MP3 made here with libmp3lame walks
// its frames past ID3 tags and loads with the expected length, and seeks work twice
// backwards.
#include <cmath>
#include <cstring>

#include "convert_fixture.h"
#include "engine/sound/decoders/mp3_frame_header.h"
#include "tests/host_audio/adpcm_encoders.h"
#include "tests/support/mp3_tone.h"
#include "wave_builder.h"

namespace sound_test {
namespace {

// G.711 expansion as the recommendation defines it, to 16-bit sample values.
int16_t AlawToLinear(uint8_t a) {
    a ^= 0x55;
    int t = (a & 0x0F) << 4;
    const int segment = (a & 0x70) >> 4;
    t += segment == 0 ? 8 : 0x108;
    if (segment > 1) t <<= segment - 1;
    return int16_t((a & 0x80) ? t : -t);
}

int16_t MulawToLinear(uint8_t u) {
    u = uint8_t(~u);
    int t = ((u & 0x0F) << 3) + 0x84;
    t <<= (u & 0x70) >> 4;
    return int16_t((u & 0x80) ? 0x84 - t : t - 0x84);
}

Bytes CompressedWave(const audio_test::Encoded& e) { return Wave({{"fmt ", e.format}, {"data", e.data}}); }

TEST_F(SoundTest, AdpcmDecodesToTheReferencePcm) {
    Start();
    const audio_test::Encoded cases[] = {
        audio_test::EncodeMsAdpcm(2, 12, 1024),
        audio_test::EncodeImaAdpcm(1, 9, 512),
        audio_test::EncodeImaAdpcm(2, 5, 2048),
    };
    for (const audio_test::Encoded& e : cases) {
        const int h = Load(CompressedWave(e), 1);
        ASSERT_NE(h, -1);
        EXPECT_EQ(Samples(h), e.decoded);
    }
}

TEST_F(SoundTest, BlocksLargerThanOneStepStillConvertWhole) {
    Start();
    // One IMA ADPCM block of 4096 bytes is more than a 2048-byte step: the step grows
    // to the block, so the sound does not come out empty.
    const audio_test::Encoded e = audio_test::EncodeImaAdpcm(1, 6, 4096);
    const int h = Load(CompressedWave(e), 1);
    ASSERT_NE(h, -1);
    EXPECT_EQ(Samples(h), e.decoded);
}

TEST_F(SoundTest, G711DecodesEveryCode) {
    Start();
    Bytes codes;
    for (int i = 0; i < 256; ++i) codes.push_back(uint8_t(i));
    for (uint16_t tag : {uint16_t(6), uint16_t(7)}) {
        const int h = Load(Wave({{"fmt ", FmtData(tag, 1, 8000, 8)}, {"data", codes}}), 1);
        ASSERT_NE(h, -1) << tag;
        const std::vector<int16_t> got = Samples(h);
        ASSERT_EQ(got.size(), 256u);
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(got[size_t(i)], tag == 6 ? AlawToLinear(uint8_t(i)) : MulawToLinear(uint8_t(i))) << tag << " " << i;
    }
}

TEST_F(SoundTest, PcmReachesTheManagerOnlyWhenItsOwnDecoderIsMasked) {
    Start();
    const std::vector<int16_t> pcm = Ramp(500, 2);
    orvik::SetDisableSoundConverters(0x01);
    const int h = Load(PcmWave(2, 22050, pcm), 1);
    ASSERT_NE(h, -1);
    EXPECT_EQ(Samples(h), pcm);
}

// A 440 Hz tone.
mp3test::Mp3 EncodeMp3(uint32_t rate, uint16_t channels, int samples, int kbps) {
    return mp3test::EncodeTone({rate, channels, samples, 440, 10000, kbps});
}

// An ID3v2.4 tag with a footer: 20 bytes of body and 10 of footer, both holding bytes a
// frame walk would take for a frame header with a reserved value.
Bytes Id3v24WithFooter() {
    Bytes tag = {'I', 'D', '3', 4, 0, 0x10, 0, 0, 0, 20};
    for (int i = 0; i < 5; ++i) tag.insert(tag.end(), {0xFF, 0xFB, 0x9C, 0x00});
    tag.insert(tag.end(), {'3', 'D', 'I', 4, 0, 0x10, 0xFF, 0xFB, 0x9C, 0x00});
    return tag;
}

Bytes Id3v1() {
    Bytes tag = {'T', 'A', 'G'};
    while (tag.size() < 128) tag.insert(tag.end(), {0xFF, 0xFB, 0x9C});
    tag.resize(128);
    return tag;
}

using Mp3ConvertTest = ConvertTest;

TEST_F(Mp3ConvertTest, TagsAreSteppedOverAndTheWalkCountsEveryFrame) {
    Start();
    const mp3test::Mp3 mp3 = EncodeMp3(44100, 2, 44100, 128);
    Bytes file = Id3v24WithFooter();
    file.insert(file.end(), mp3.bytes.begin(), mp3.bytes.end());
    const Bytes trailer = Id3v1();
    file.insert(file.end(), trailer.begin(), trailer.end());
    ASSERT_EQ(Setup(file), 0);
    EXPECT_EQ(c_.method, orvik::kConvertAcm);
    EXPECT_EQ(c_.dataPosition, 40u) << "20 bytes past the stated size";
    EXPECT_EQ(c_.dataSize, mp3.bytes.size()) << "no tag byte in the source data";
    EXPECT_EQ(c_.acm.totalSamples, mp3.frames * 1152);
    EXPECT_EQ(orvik::GetSoundConvertDestSize(&c_), mp3.frames * 1152 * 4);
    const auto* format = reinterpret_cast<const host::MPEGLAYER3WAVEFORMAT*>(c_.acm.sourceFormat);
    EXPECT_EQ(format->wfx.wFormatTag, 0x55);
    EXPECT_EQ(format->wfx.nAvgBytesPerSec, 16000u);
    EXPECT_EQ(format->nBlockSize, 417);
    EXPECT_GE(c_.blockSize, 176400 * 4 / 3) << "4/3 s of PCM, or what one step can give";
}

// The bytes are stepped over to the next frame. They also make the decoder take the frame
// before them for no frame: it plays a first frame only with a frame of its kind right
// behind it. The length is what the record reads.
TEST_F(Mp3ConvertTest, BytesBetweenFramesAreSkippedToTheNextSync) {
    Start();
    const mp3test::Mp3 mp3 = EncodeMp3(22050, 1, 22050, 32);
    orvik::Mp3FrameInfo first{};
    ASSERT_EQ(orvik::ParseMp3FrameHeader(mp3.bytes.data(), &first), 0);
    EXPECT_EQ(first.samplesPerFrame, 576u);
    Bytes file = mp3.bytes;
    const Bytes junk = {0x00, 0xFF, 0x00, 0x12, 0xFF, 0x7F};
    file.insert(file.begin() + first.frameLength, junk.begin(), junk.end());
    ASSERT_EQ(Setup(file), 0);
    EXPECT_EQ(c_.acm.totalSamples, (mp3.frames - 1) * 576);
    Bytes pcm(size_t(mp3.frames) * 576 * 2);
    EXPECT_EQ(orvik::ReadSoundConvert(&c_, pcm.data(), int32_t(pcm.size())), c_.acm.totalSamples * 2);
}

// A header of another channel count right behind the information frame: the decoder does
// not take the information frame for the first, nor the false header, but the frame after
// them, and plays every frame whole, the encoder's delay and padding too.
TEST_F(Mp3ConvertTest, AFalseHeaderBehindTheInformationFrameIsSearchedPast) {
    Start();
    const mp3test::Mp3 mp3 = mp3test::EncodeTone({44100, 1, 44100, 440, 10000, 96, true});
    orvik::Mp3FrameInfo info{};
    ASSERT_EQ(orvik::ParseMp3FrameHeader(mp3.bytes.data(), &info), 0);
    Bytes file = mp3.bytes;
    const Bytes stereoHeader = {0xFF, 0xFB, 0x90, 0x64};
    file.insert(file.begin() + info.frameLength, stereoHeader.begin(), stereoHeader.end());
    ASSERT_EQ(Setup(file), 0);
    EXPECT_EQ(c_.dataPosition, info.frameLength + 4);
    EXPECT_EQ(c_.acm.totalSamples, mp3.frames * 1152);
    Bytes pcm(size_t(mp3.frames + 1) * 1152 * 2);
    EXPECT_EQ(orvik::ReadSoundConvert(&c_, pcm.data(), int32_t(pcm.size())), c_.acm.totalSamples * 2);
}

size_t g_mp3StreamReads = 0;

size_t CountedMp3StreamRead(void* buffer, size_t size, size_t count, orvik::StreamHandle handle) {
    ++g_mp3StreamReads;
    return orvik::MemImageStreamRead(buffer, size, count, handle);
}

// A megabyte before the first frame, a false header of the frame's kind every four bytes,
// is scanned a block at a time: the set-up reads the stream some hundreds of times, not
// once a header, and takes the first frame after it.
TEST_F(Mp3ConvertTest, BytesBeforeTheFirstFrameAreScannedInBlocks) {
    Start();
    const mp3test::Mp3 mp3 = EncodeMp3(44100, 2, 11025, 128);
    Bytes file;
    while (file.size() < 1u << 20) file.insert(file.end(), {0xFF, 0xFB, 0x90, 0x64});
    file.insert(file.end(), mp3.bytes.begin(), mp3.bytes.end());
    Open(file);
    stream_.functions.read = CountedMp3StreamRead;
    g_mp3StreamReads = 0;
    ASSERT_EQ(orvik::SetupSoundConvert(&stream_, &c_), 0);
    EXPECT_EQ(c_.dataPosition, 1u << 20);
    EXPECT_EQ(c_.acm.totalSamples, mp3.frames * 1152);
    EXPECT_LT(g_mp3StreamReads, file.size() / 1024);
}

TEST_F(Mp3ConvertTest, AReservedRateAnywhereHandsTheFileOn) {
    Start();
    const mp3test::Mp3 mp3 = EncodeMp3(44100, 2, 11025, 128);
    Bytes file = mp3.bytes;
    file[417 * 3 + 2] = 0x9C;  // the fourth frame's header
    // The media graph, last in the order, would decode round the damaged frame.
    orvik::SetDisableSoundConverters(orvik::kConverterMp3Graph);
    EXPECT_EQ(Setup(file), -1);
}

TEST_F(Mp3ConvertTest, BackwardSeeksStartOverTwice) {
    Start();
    const mp3test::Mp3 mp3 = EncodeMp3(44100, 2, 88200, 128);
    ASSERT_EQ(Setup(mp3.bytes), 0);
    std::vector<uint8_t> first(40000), again(40000);
    ASSERT_EQ(orvik::ReadSoundConvert(&c_, first.data(), 40000), 40000);
    Bytes skip(300000);
    orvik::ReadSoundConvert(&c_, skip.data(), int32_t(skip.size()));
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(orvik::SeekSoundConvert(&c_, 0), 0);
        ASSERT_EQ(orvik::ReadSoundConvert(&c_, again.data(), 40000), 40000);
        EXPECT_EQ(again, first) << "pass " << i;
    }
    ASSERT_EQ(orvik::SeekSoundConvert(&c_, 5000), 0);
    ASSERT_EQ(orvik::ReadSoundConvert(&c_, again.data(), 4), 4);
    EXPECT_EQ(std::memcmp(again.data(), first.data() + 20000, 4), 0) << "a forward seek lands on its sample";
}

host::MMRESULT RefusedStreamOpen(host::HACMSTREAM*, host::HACMDRIVER, const host::WAVEFORMATEX*,
                                 const host::WAVEFORMATEX*, host::WAVEFILTER*, uintptr_t, uintptr_t, uint32_t) {
    return host::MMSYSERR_NOMEM;
}

// Once the spare stream is used up and no new one can be opened, a backward seek has
// nothing to start over on: it says so, and the record hands out nothing more.
TEST_F(Mp3ConvertTest, ABackwardSeekWithNoStreamToStartOverOnFails) {
    Start();
    const mp3test::Mp3 mp3 = EncodeMp3(44100, 2, 44100, 128);
    ASSERT_EQ(Setup(mp3.bytes), 0);
    Bytes pcm(40000);
    ASSERT_EQ(orvik::ReadSoundConvert(&c_, pcm.data(), 40000), 40000);
    const auto open = orvik::Sound().acm.streamOpen;
    orvik::Sound().acm.streamOpen = RefusedStreamOpen;
    ASSERT_EQ(orvik::SeekSoundConvert(&c_, 0), 0) << "the spare stream takes over";
    ASSERT_EQ(orvik::ReadSoundConvert(&c_, pcm.data(), 40000), 40000);
    EXPECT_EQ(orvik::SeekSoundConvert(&c_, 0), -1);
    EXPECT_NE(Log().find("ACM: no conversion stream to seek back to sample 0 on"), std::string::npos);
    EXPECT_EQ(c_.atEnd, 1);
    EXPECT_EQ(orvik::ReadSoundConvert(&c_, pcm.data(), 4), 0);
    orvik::Sound().acm.streamOpen = open;
    EXPECT_EQ(orvik::SeekSoundConvert(&c_, 0), 0) << "a stream that opens again starts over";
    EXPECT_EQ(orvik::ReadSoundConvert(&c_, pcm.data(), 40000), 40000);
}

int g_emptySteps = 0;

// A conversion that uses every byte it is given and gives no sound.
host::MMRESULT ConvertToNothing(host::HACMSTREAM, host::ACMSTREAMHEADER* h, uint32_t) {
    ++g_emptySteps;
    h->cbSrcLengthUsed = h->cbSrcLength;
    h->cbDstLengthUsed = 0;
    return host::MMSYSERR_NOERROR;
}

// A refill asks for a block holding the sound lock: steps that give no sound, over 64 KB
// of source here, are not all taken in one read, which ends the sound after a few.
TEST_F(Mp3ConvertTest, StepsThatGiveNoSoundAreBoundedInOneRead) {
    Start();
    ASSERT_EQ(Setup(EncodeMp3(44100, 2, 44100 * 4, 128).bytes), 0);
    orvik::Sound().acm.streamConvert = ConvertToNothing;
    g_emptySteps = 0;
    Bytes pcm(4);
    EXPECT_EQ(orvik::ReadSoundConvert(&c_, pcm.data(), 4), 0);
    EXPECT_EQ(g_emptySteps, 8);
}

TEST_F(SoundTest, AnMp3LoadsWithItsLengthAndPlays) {
    Start();
    const mp3test::Mp3 mp3 = EncodeMp3(44100, 2, 44100, 128);
    const std::string path = WriteFile("Music.mp3", mp3.bytes);
    const int h = orvik::LoadSound(path.c_str(), 3);
    ASSERT_NE(h, -1);
    // Every sample put in comes out, behind the encoder's delay; held-back bytes at the
    // end may be missing, never more than one frame's worth beyond the frames walked.
    const int samples = orvik::GetSoundTotalSample(h);
    EXPECT_GE(samples, 44100);
    EXPECT_LE(samples, mp3.frames * 1152);
    EXPECT_EQ(Record(h)->format.nSamplesPerSec, 44100u);
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
    const std::vector<int16_t> out = Mix(22050);
    double energy = 0;
    for (size_t i = 4410; i < out.size(); ++i) energy += double(out[i]) * out[i];
    EXPECT_GT(std::sqrt(energy / double(out.size() - 4410)), 3000.0) << "the tone is heard";
}

}  // namespace
}  // namespace sound_test
