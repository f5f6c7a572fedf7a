// Ogg Vorbis through the conversion record: the output format, the total length, block
// steps, seeking back after the end, chained streams, damaged files, and loading.
#include <cmath>
#include <cstring>

#include "convert_fixture.h"
#include "engine/sound/core/sound_handles.h"
#include "engine/sound/streams/stream_sound.h"
#include "ogg_encoder.h"
#include "engine/platform/base/memory.h"

namespace sound_test {
namespace {

std::vector<int16_t> ReadAll(orvik::SoundConvert* c, int32_t bytes) {
    std::vector<int16_t> pcm(size_t(bytes) / 2);
    const int got = orvik::ReadSoundConvert(c, reinterpret_cast<uint8_t*>(pcm.data()), bytes);
    pcm.resize(got > 0 ? size_t(got) / 2 : 0);
    return pcm;
}

double Rms(const std::vector<int16_t>& pcm, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += double(pcm[i]) * pcm[i];
    return std::sqrt(sum / double(to - from)) / 32768.0;
}

TEST_F(ConvertTest, OggVorbisFormatsFollowTheStream) {
    Start();
    ASSERT_EQ(Setup(OggSine(4410, 1, 44100)), 0);
    EXPECT_EQ(c_.method, orvik::kConvertOggVorbis);
    EXPECT_EQ(c_.outputFormat.wFormatTag, 1);
    EXPECT_EQ(c_.outputFormat.nBlockAlign, 2);
    EXPECT_EQ(c_.outputFormat.nAvgBytesPerSec, 88200u);
    EXPECT_EQ(c_.outputFormat.wBitsPerSample, 16);
    EXPECT_EQ(c_.blockSize, 4096);
    orvik::TerminateSoundConvert(&c_);
    ASSERT_EQ(Setup(OggSine(4800, 2, 48000)), 0);
    EXPECT_EQ(c_.outputFormat.nChannels, 2);
    EXPECT_EQ(c_.outputFormat.nBlockAlign, 4);
    EXPECT_EQ(c_.outputFormat.nAvgBytesPerSec, 192000u);
}

TEST_F(ConvertTest, OggVorbisLengthCountsEveryFrameAndTheToneComesThrough) {
    Start();
    ASSERT_EQ(Setup(OggSine(441000, 2, 44100)), 0);
    ASSERT_EQ(orvik::GetSoundConvertDestSize(&c_), 1764000);
    const std::vector<int16_t> pcm = ReadAll(&c_, 1764000 + 4096);
    ASSERT_EQ(pcm.size(), 882000u) << "every frame is handed out, and no more";
    EXPECT_NEAR(Rms(pcm, 20000, 800000), 0.5 / std::sqrt(2.0), 0.02) << "a sine of amplitude 0.5";
    EXPECT_EQ(c_.atEnd, 1);
}

TEST_F(ConvertTest, OggVorbisBlocksHoldAtMost4096BytesAndSeekingBackRepeatsTheStart) {
    Start();
    ASSERT_EQ(Setup(OggSine(20000, 2, 44100)), 0);
    const std::vector<int16_t> first = ReadAll(&c_, 80000);
    ASSERT_EQ(first.size(), 40000u);
    ASSERT_EQ(orvik::SeekSoundConvert(&c_, 0), 0);
    EXPECT_EQ(c_.outputPosition, 0);
    ASSERT_EQ(orvik::DecodeOggVorbisBlock(&c_), 0);
    EXPECT_GT(c_.blockBytesLeft, 0);
    EXPECT_LE(c_.blockBytesLeft, 4096);
    orvik::SeekSoundConvert(&c_, 0);
    EXPECT_EQ(ReadAll(&c_, 80000), first) << "the same PCM from the first sample";
    ASSERT_EQ(orvik::SeekSoundConvert(&c_, 10000), 0);
    EXPECT_EQ(c_.outputPosition, 40000);
    const std::vector<int16_t> tail = ReadAll(&c_, 40000);
    ASSERT_EQ(tail.size(), 20000u);
    EXPECT_NEAR(Rms(tail, 0, tail.size()), Rms(first, 20000, 40000), 0.01);
}

// 0x80000000 Hz in stereo makes 2^33 bytes a second, 0 in the 32-bit field that loading
// divides by: such a format is refused, from an Ogg header as from a WAVE one.
TEST_F(ConvertTest, RatesWhoseBytesPerSecondWrapAreRefused) {
    Start();
    const Bytes ogg = OggSine(4410, 2, 44100, 440.0, 1, 0x80000000u);
    EXPECT_EQ(Setup(ogg), -1);
    EXPECT_EQ(Load(ogg, 1), -1);
    orvik::CloseMemImageStream(orvik::ToStreamHandle(memory_));
    memory_ = nullptr;
    const Bytes wave = Wave({{"fmt ", FmtData(1, 2, 0x80000000u, 16, 4)}, {"data", Bytes(64, 0)}});
    EXPECT_EQ(Setup(wave), -1);
    EXPECT_EQ(Load(wave, 1), -1);
}

// Sample 2^30 is 2^32 bytes: the seek stands at the end instead of wrapping the byte
// position, and a seek back reads from the start again.
TEST_F(ConvertTest, SeeksFarBeyondTheEndStandAtTheEndInEveryPath) {
    Start();
    const std::vector<int16_t> ramp = Ramp(3000, 2);
    for (const Bytes& file : {OggSine(3000, 2, 44100), PcmWave(2, 44100, ramp)}) {
        ASSERT_EQ(Setup(file), 0);
        ASSERT_EQ(orvik::SeekSoundConvert(&c_, 1 << 30), 0);
        EXPECT_EQ(c_.outputPosition, orvik::GetSoundConvertDestSize(&c_));
        EXPECT_EQ(ReadAll(&c_, 4096).size(), 0u);
        ASSERT_EQ(orvik::SeekSoundConvert(&c_, 0), 0);
        EXPECT_EQ(ReadAll(&c_, 12000).size(), 6000u);
        orvik::TerminateSoundConvert(&c_);
        orvik::CloseMemImageStream(orvik::ToStreamHandle(memory_));
        memory_ = nullptr;
    }
}

TEST_F(ConvertTest, ChainedOggStreamsCountTogetherInTheFirstOnesFormat) {
    Start();
    Bytes chained = OggSine(10000, 2, 44100, 440.0, 1);
    const Bytes second = OggSine(5000, 2, 44100, 880.0, 2);
    chained.insert(chained.end(), second.begin(), second.end());
    ASSERT_EQ(Setup(chained), 0);
    EXPECT_EQ(orvik::GetSoundConvertDestSize(&c_), 60000);
    EXPECT_EQ(c_.outputFormat.nChannels, 2);
    const size_t got = ReadAll(&c_, 70000).size();
    EXPECT_GT(got, 0u);
    EXPECT_LE(got, 30000u) << "never more than the streams hold";
}

// Links of a second each: vorbisfile's open leaves its decoder past a first link whose
// sound fits one page. Every link plays, from the first, in every load mode.
TEST_F(ConvertTest, EveryLinkOfAChainedFilePlaysInEveryLoadMode) {
    Start();
    constexpr double kTones[] = {440, 660, 880};
    Bytes chained;
    for (int link = 0; link < 3; ++link) {
        const Bytes part = OggSine(44100, 2, 44100, kTones[link], link + 1);
        chained.insert(chained.end(), part.begin(), part.end());
    }
    const std::string path = WriteFile("chained.ogg", chained);
    for (int mode : {0, 2, 3}) {
        SCOPED_TRACE(mode);
        orvik::SetSoundLoadMode(mode);
        const int h = orvik::LoadSound(path.c_str(), 1);
        ASSERT_NE(h, -1);
        EXPECT_EQ(orvik::GetSoundTotalSample(h), 3 * 44100);
        ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
        const std::vector<int16_t> heard = Hear(44100 * 4);
        for (int link = 0; link < 3; ++link) {
            const size_t from = size_t(link) * 44100 + 11025, to = from + 22050;
            EXPECT_GT(ToneLevel(heard, from, to, kTones[link]), 5000) << "link " << link;
            EXPECT_LT(ToneLevel(heard, from, to, kTones[(link + 1) % 3]), 500) << "link " << link;
        }
        EXPECT_EQ(orvik::CheckSoundPlaying(h), 0) << "played out";
        orvik::DeleteSound(h);
    }
    orvik::SetSoundLoadMode(0);
}

TEST_F(ConvertTest, DamagedOggDataIsRefusedOrEndsEarlyWithoutHarm) {
    Start();
    const Bytes whole = OggSine(20000, 1, 22050);
    EXPECT_EQ(Setup(Bytes(whole.begin(), whole.begin() + 40)), -1) << "headers cut short";
    orvik::TerminateSoundConvert(&c_);
    orvik::CloseMemImageStream(orvik::ToStreamHandle(memory_));
    memory_ = nullptr;
    Bytes cut(whole.begin(), whole.begin() + long(whole.size() / 2));
    Bytes holed = whole;
    for (size_t i = whole.size() / 3; i < whole.size() / 3 + 300; ++i) holed[i] ^= 0x5A;
    for (const Bytes* file : {&cut, &holed}) {
        if (Setup(*file) == 0) {
            const std::vector<int16_t> pcm = ReadAll(&c_, 80000);
            EXPECT_LE(pcm.size(), 20000u);
        }
        orvik::TerminateSoundConvert(&c_);
        orvik::CloseMemImageStream(orvik::ToStreamHandle(memory_));
        memory_ = nullptr;
    }
    orvik::SetDisableSoundConverters(orvik::kConverterOggVorbis);
    EXPECT_EQ(Setup(whole), -1) << "switched off, nothing else takes it";
    orvik::SetDisableSoundConverters(0);
}

// A stream whose seeks fail, as a file on a device that has gone away fails them.
int RefusingSeek(orvik::StreamHandle, int32_t, int) { return -1; }

// A seek the decoder cannot make is reported, and the record then hands out nothing rather
// than PCM from wherever the decoder was left; a later seek that works reads again.
TEST_F(ConvertTest, AnOggSeekThatFailsIsReportedAndHandsOutNoPcmFromTheWrongPlace) {
    Start();
    ASSERT_EQ(Setup(OggSine(20000, 2, 44100)), 0);
    const std::vector<int16_t> first = ReadAll(&c_, 80000);
    ASSERT_EQ(first.size(), 40000u);
    const auto seek = c_.stream.functions.seek;
    c_.stream.functions.seek = RefusingSeek;
    EXPECT_EQ(orvik::SeekSoundConvert(&c_, 0), -1);
    EXPECT_NE(Log().find("Ogg Vorbis: the seek to sample 0 failed"), std::string::npos) << Log();
    EXPECT_EQ(c_.atEnd, 1);
    EXPECT_EQ(c_.outputPosition, 80000) << "the position stays where the PCM really ended";
    EXPECT_EQ(ReadAll(&c_, 4096).size(), 0u);
    c_.stream.functions.seek = seek;
    ASSERT_EQ(orvik::SeekSoundConvert(&c_, 0), 0) << Log();
    EXPECT_EQ(ReadAll(&c_, 80000), first);
}

// A looping stream whose decoder cannot seek back to the top ends there and stops, where it
// went on playing whatever its buffer last held, round and round.
TEST_F(ConvertTest, ALoopingOggStreamThatCannotSeekBackEndsAndStops) {
    Start();
    // Longer than the first fill, which would otherwise see the end before the play.
    const Bytes file = OggSine(44100, 2, 44100);
    const int h = orvik::AddSoundData(-1);
    ASSERT_EQ(orvik::AddStreamSoundImage(file.data(), int32_t(file.size()), 0, h, orvik::kStreamFileImage, -1), 0);
    ASSERT_EQ(orvik::PrepareStreamSound(h), 0);
    Record(h)->stream.sources[0].convert.stream.functions.seek = RefusingSeek;
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayLoop), 0);
    std::vector<int16_t> heard;
    for (int round = 0; round < 100; ++round) {
        const std::vector<int16_t> part = Mix(1323);
        heard.insert(heard.end(), part.begin(), part.end());
        orvik::RefillAllStreamSounds();
    }
    EXPECT_GT(Rms(heard, 0, 40000), 0.2) << "the first pass plays";
    EXPECT_EQ(orvik::CheckSoundPlaying(h), 0);
    EXPECT_LT(Rms(heard, 44100 * 2, heard.size()), 0.001) << "silence after the end, not the old buffer again";
    orvik::DeleteSound(h);
}

// The file with its last page's granule position (the end sample it claims) replaced and
// the page checksum made again, so the decoder takes the claim for true.
Bytes WithLastGranule(Bytes file, uint64_t granule) {
    size_t last = 0;
    for (size_t i = 0; i + 27 <= file.size(); ++i)
        if (std::memcmp(&file[i], "OggS", 4) == 0) last = i;
    for (int b = 0; b < 8; ++b) file[last + 6 + size_t(b)] = uint8_t(granule >> (8 * b));
    ogg_page page;
    page.header = &file[last];
    page.header_len = 27 + file[last + 26];
    page.body = &file[last] + page.header_len;
    page.body_len = long(file.size() - last) - page.header_len;
    ogg_page_checksum_set(&page);
    return file;
}

// 2^31 + 1000 stereo frames are 2^33 + 4000 bytes, 4000 in 32 bits: the claim is logged and
// the size held at the most whole frames that fit, the sound keeps every frame it really
// has, and a whole load never asks for the gigabytes the claim names.
TEST_F(ConvertTest, AnOggLengthClaimBeyond2GbNeitherWrapsNorCutsTheSound) {
    Start();
    // Two seconds make a first audio page before the last one, whose granule the decoder
    // takes as the start: the claim then stands for the length alone.
    const Bytes file = WithLastGranule(OggSine(88200, 2, 44100), (uint64_t(1) << 31) + 1000);
    ASSERT_EQ(Setup(file), 0);
    EXPECT_EQ(orvik::GetOggVorbisByteLength(&c_), -1);
    EXPECT_NE(Log().find("Ogg Vorbis: the stream claims 2147484648 sample frames"), std::string::npos) << Log();
    const int size = orvik::GetSoundConvertDestSize(&c_);
    EXPECT_EQ(size, INT32_MAX / 4 * 4);
    // With the end claim gone the last block is not trimmed: a few hundred frames more.
    const size_t frames = ReadAll(&c_, 400000).size() / 2;
    EXPECT_GE(frames, 88200u) << "every real frame, not the 1000 of a wrapped size";
    EXPECT_LT(frames, 90000u);
    orvik::TrackedMemory().sizeFilter = size;
    const int memory = Load(file, 1);
    orvik::TrackedMemory().sizeFilter = 0;
    EXPECT_EQ(Log().find("mem alloc"), std::string::npos) << "no block of the claimed size";
    ASSERT_NE(memory, -1) << Log();
    EXPECT_EQ(Record(memory)->kind, orvik::kMemorySound);
    EXPECT_NEAR(orvik::GetSoundTotalTime(memory), 2000, 30);
    const int stream = orvik::AddSoundData(-1);
    ASSERT_EQ(orvik::AddStreamSoundImage(file.data(), int32_t(file.size()), 0, stream, orvik::kStreamFileImage, -1), 0);
    EXPECT_EQ(orvik::GetSoundTotalSample(stream), INT32_MAX / 4);
    ASSERT_EQ(orvik::PrepareStreamSound(stream), 0);
    ASSERT_EQ(orvik::PlaySoundHandle(stream, orvik::kPlayBack), 0);
    EXPECT_GT(Rms(Mix(22050), 0, 44100), 0.2);
    orvik::DeleteSound(memory);
    orvik::DeleteSound(stream);
}

TEST_F(ConvertTest, OggVorbisLoadsIntoMemoryAndAsAStream) {
    Start();
    const Bytes file = OggSine(22050, 2, 44100);
    const int32_t blocks = orvik::TrackedMemory().blockCount;
    const int memory = Load(file, 1);
    ASSERT_NE(memory, -1);
    EXPECT_EQ(Record(memory)->kind, orvik::kMemorySound);
    EXPECT_EQ(orvik::GetSoundTotalTime(memory), 500);
    const int stream = orvik::AddSoundData(-1);
    ASSERT_EQ(orvik::AddStreamSoundImage(file.data(), int32_t(file.size()), 0, stream, orvik::kStreamFileImage, -1), 0);
    EXPECT_EQ(orvik::GetSoundTotalSample(stream), 22050);
    ASSERT_EQ(orvik::PrepareStreamSound(stream), 0);
    ASSERT_EQ(orvik::PlaySoundHandle(stream, orvik::kPlayBack), 0);
    EXPECT_GT(Rms(Mix(11025), 0, 22050), 0.2);
    orvik::DeleteSound(memory);
    orvik::DeleteSound(stream);
    EXPECT_EQ(orvik::TrackedMemory().blockCount, blocks) << "the decoders' state is freed";
}

}  // namespace
}  // namespace sound_test
