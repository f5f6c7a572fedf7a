// Loading: the WAVE chunk walk, refused formats, the 180-second rule, buffer counts,
// failures that leave nothing behind, and the WAVE image wrapper.
#include <algorithm>
#include <atomic>
#include <thread>

#include "engine/platform/files/stream.h"
#include "engine/sound/core/sound_handles.h"
#include "engine/sound/core/sound_load.h"
#include "engine/sound/core/sound_state.h"
#include "host/dsound/mixer.h"
#include "sound_fixture.h"
#include "tests/host_audio/adpcm_encoders.h"
#include "tests/support/bounded_wait.h"
#include "tests/support/memory_shortage.h"
#include "tests/support/mp3_tone.h"
#include "wave_builder.h"

namespace sound_test {
namespace {

std::vector<int16_t> Frames(size_t n) { return Ramp(n, 2); }

TEST_F(SoundTest, ChunkWalkSkipsBextWithoutPadAndOtherChunksWithPad) {
    Start();
    const std::vector<int16_t> pcm = Frames(50);
    Chunk bext{"bext", Bytes(7, 'b')};
    bext.pad = false;  // a bext chunk is stepped over by its size alone
    const Bytes wave = Wave({bext, {"fmt ", FmtData(1, 2, 44100, 16)}, {"LIST", Bytes(5, 'l')},
                             {"data", PcmBytes(pcm)}});
    const int h = Load(wave);
    ASSERT_NE(h, -1);
    EXPECT_EQ(Samples(h), pcm);
}

TEST_F(SoundTest, FmtMustComeFirst) {
    Start();
    const int32_t blocks = orvik::TrackedMemory().blockCount;
    const Bytes wave = Wave({{"LIST", Bytes(4, 'l')}, {"fmt ", FmtData(1, 2, 44100, 16)}, {"data", PcmBytes(Frames(10))}});
    EXPECT_EQ(Load(wave), -1);
    EXPECT_NE(Log().find("音声ファイルのＰＣＭへの変換に失敗しました\n"), std::string::npos);
    EXPECT_EQ(orvik::Sound().handles.count, 0);
    EXPECT_EQ(orvik::TrackedMemory().blockCount, blocks);
}

TEST_F(SoundTest, SixteenByteFmtTakesTheSampleWidthFromTheBlockAlign) {
    Start();
    // Claims 8 bits, but 2 channels in 4-byte frames are 16-bit samples.
    const Bytes wave = Wave({{"fmt ", FmtData(1, 2, 44100, 8, 176400, 4)}, {"data", PcmBytes(Frames(10))}});
    const int h = Load(wave);
    ASSERT_NE(h, -1);
    EXPECT_EQ(Record(h)->format.wBitsPerSample, 16);
    EXPECT_EQ(orvik::GetSoundTotalSample(h), 10);
}

TEST_F(SoundTest, FormatsWithNothingToDivideByAreRefused) {
    Start();
    Bytes zeroAvg = FmtData(1, 2, 44100, 16);
    zeroAvg[8] = zeroAvg[9] = zeroAvg[10] = zeroAvg[11] = 0;
    Bytes zeroAlign = FmtData(1, 2, 44100, 16);
    zeroAlign[12] = zeroAlign[13] = 0;
    Bytes zeroChannels = FmtData(1, 2, 44100, 16);
    zeroChannels[2] = zeroChannels[3] = 0;
    for (const Bytes& fmt : {zeroAvg, zeroAlign, zeroChannels}) {
        EXPECT_EQ(Load(Wave({{"fmt ", fmt}, {"data", PcmBytes(Frames(10))}})), -1);
        EXPECT_EQ(orvik::Sound().handles.count, 0);
    }
}

TEST_F(SoundTest, DataChunkLongerThanTheFileIsCutToWhatTheFileHolds) {
    Start();
    const std::vector<int16_t> pcm = Frames(40);
    Chunk data{"data", PcmBytes(pcm), 1000000};
    const int h = Load(Wave({{"fmt ", FmtData(1, 2, 44100, 16)}, data}));
    ASSERT_NE(h, -1);
    EXPECT_EQ(Samples(h), pcm) << "no byte beyond the file is handed out";
}

TEST_F(SoundTest, LoadSoundReadsAFileAndClampsTheBufferCount) {
    Start();
    const std::string path = WriteFile("Shot01.wav", PcmWave(2, 44100, Frames(100)));
    const int h = orvik::LoadSound(path.c_str(), 12);
    ASSERT_NE(h, -1);
    EXPECT_EQ(Record(h)->bufferCount, 10);
    EXPECT_EQ(orvik::LoadSound(path.c_str(), 3), 0x10010001);
    EXPECT_EQ(Record(0x10010001)->bufferCount, 3);
    Bytes image = PcmWave(2, 44100, Frames(100));
    EXPECT_EQ(orvik::LoadSoundFromImage(image.data(), int32_t(image.size()), 11, -1), -1);
}

TEST_F(SoundTest, AMissingFileLogsBothLinesAndLeavesTheTableAlone) {
    Start();
    const std::string path = Directory() + "/nothing.wav";
    EXPECT_EQ(orvik::LoadSound(path.c_str(), 3), -1);
    const std::string log = Log();
    const size_t open = log.find("右記のファイルのオープンに失敗しました：" + path + "\n");
    const size_t load = log.find("右記の音声ファイルのロードに失敗しました_1：" + path + "\n");
    ASSERT_NE(open, std::string::npos);
    ASSERT_NE(load, std::string::npos);
    EXPECT_LT(open, load);
    EXPECT_EQ(orvik::Sound().handles.count, 0);
}

TEST_F(SoundTest, UnknownDataLogsTheConversionFailureAndFreesItsSlot) {
    Start();
    const std::string path = WriteFile("noise.bin", Bytes(400, 0x11));
    EXPECT_EQ(orvik::LoadSound(path.c_str(), 3), -1);
    EXPECT_NE(Log().find("右記の音声ファイルのロードに失敗しました_2：" + path + "\n"), std::string::npos);
    EXPECT_EQ(orvik::AddSoundData(-1) & 0xFFFF, 0);
}

// An MS ADPCM format whose table holds all 256 coefficient pairs a format may have.
Bytes MsAdpcmFormatWithAFullTable(Bytes format) {
    constexpr uint32_t kPairs = 256;
    format[16] = uint8_t((4 + 4 * kPairs) & 0xFF);
    format[17] = uint8_t((4 + 4 * kPairs) >> 8);
    format[20] = uint8_t(kPairs & 0xFF);
    format[21] = uint8_t(kPairs >> 8);
    format.resize(18 + 4 + 4 * kPairs, 0);
    return format;
}

// An MS ADPCM WAVE whose decoder runs short of memory fails its load with a log line:
// when its copy of the data cannot be made, the data is not handed on to the next decoder
// (here it holds an MP3 after 600 KB of zeros, which the MP3 decoder would take), and
// when the codec's table cannot be made, the allocation that throws does not leave the load.
TEST_F(SoundTest, AWaveWhoseDecoderRunsShortOfMemoryFailsItsLoad) {
    Start();
    const audio_test::Encoded adpcm = audio_test::EncodeMsAdpcm(1, 4, 256);
    Bytes data(600000, 0);
    const Bytes mp3 = mp3test::EncodeTone({44100, 2, 11025, 440, 10000, 128}).bytes;
    data.insert(data.end(), mp3.begin(), mp3.end());
    const Bytes mp3Inside = Wave({{"fmt ", adpcm.format}, {"data", data}});
    const Bytes fullTable = Wave({{"fmt ", MsAdpcmFormatWithAFullTable(adpcm.format)}, {"data", adpcm.data}});
    const std::pair<const Bytes*, size_t> cases[] = {{&mp3Inside, 500000}, {&fullTable, 1500}};
    for (const auto& [file, limit] : cases) {
        int h = 0;
        {
            const orvik_test::MemoryShortage shortage(limit);
            h = Load(*file, 1);
        }
        EXPECT_EQ(h, -1) << limit;
        EXPECT_NE(Log().find("メモリが足りず処理できませんでした in SetupSoundConvert"), std::string::npos) << limit;
        ASSERT_NE(h = Load(*file, 1), -1) << "with memory enough it loads";
        EXPECT_EQ(Record(h)->format.nSamplesPerSec, 22050u);
        orvik::DeleteSound(h);
    }
}

// 8-bit mono at 1000 Hz keeps three minutes of sound small.
Bytes LongWave(uint32_t milliseconds) {
    return Wave({{"fmt ", FmtData(1, 1, 1000, 8)}, {"data", Bytes(milliseconds, 0x80)}});
}

// The sound lock is the mixer's: while a sound decodes, another thread takes it at once.
// The decoder's reads go through the memory stream set, where the test looks.
TEST_F(SoundTest, ASoundDecodesWithoutHoldingTheMixersLock) {
    Start();
    static int reads, heldDuringRead;
    reads = heldDuringRead = 0;
    auto* set = const_cast<orvik::StreamFunctions*>(orvik::GetMemImageStreamFunctions());
    set->read = [](void* buffer, size_t size, size_t count, orvik::StreamHandle handle) {
        ++reads;
        std::thread([] {
            if (!orvik::SoundLock().try_lock()) ++heldDuringRead;
            else orvik::SoundLock().unlock();
        }).join();
        return orvik::MemImageStreamRead(buffer, size, count, handle);
    };
    const int h = Load(PcmWave(2, 44100, Ramp(4410, 2)), 1);
    orvik::InitStreamFunctions();
    ASSERT_NE(h, -1);
    EXPECT_GT(reads, 0);
    EXPECT_EQ(heldDuringRead, 0);
    EXPECT_EQ(orvik::GetSoundTotalSample(h), 4410);
}

// Nor while a thread loads a long stream: a sound playing meanwhile gets its block at
// once. The stream's first read of its file waits for that block.
TEST_F(SoundTest, AStreamLoadsWithoutHoldingTheMixersLock) {
    Start();
    ASSERT_EQ(orvik::PlaySoundHandle(Load(PcmWave(2, 44100, Ramp(4410, 2)), 1), orvik::kPlayLoop), 0);
    static std::atomic<int> stage;  // 0 loading, 1 the first read waits, 2 the block was asked for
    stage = 0;
    auto* set = const_cast<orvik::StreamFunctions*>(orvik::GetMemImageStreamFunctions());
    set->read = [](void* buffer, size_t size, size_t count, orvik::StreamHandle handle) {
        int loading = 0;
        if (stage.compare_exchange_strong(loading, 1)) orvik_test::WaitUntil([] { return stage == 2; });
        return orvik::MemImageStreamRead(buffer, size, count, handle);
    };
    ASSERT_EQ(orvik::SetSoundLoadMode(2), 0);
    const Bytes wave = LongWave(200000);
    int loaded = -1;
    std::thread loader([&] { loaded = Load(wave); });
    EXPECT_TRUE(orvik_test::WaitUntil([] { return stage == 1; }));
    std::vector<int16_t> block(2048);
    const bool mixed = host::TryMixAudio(block, 1000);
    stage = 2;
    loader.join();
    orvik::InitStreamFunctions();
    EXPECT_TRUE(mixed) << "the load held the mixer's lock while it read";
    EXPECT_TRUE(std::any_of(block.begin(), block.end(), [](int16_t v) { return v != 0; }));
    ASSERT_NE(loaded, -1);
    EXPECT_EQ(Record(loaded)->kind, orvik::kStreamSound);
}

TEST_F(SoundTest, OnlyMoreThan180WholeSecondsLeaveMemory) {
    Start();
    const int h = Load(LongWave(180900));
    ASSERT_NE(h, -1) << "180.9 s are 180 whole seconds";
    EXPECT_EQ(Record(h)->kind, orvik::kMemorySound);
    EXPECT_EQ(orvik::GetSoundTotalTime(h), 180900);
}

TEST_F(SoundTest, EightBitSilenceIsTheMidValue) {
    Start();
    const int h = Load(LongWave(100), 1);
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
    for (int16_t v : Mix(40)) ASSERT_EQ(v, 0) << "0x80 is 8-bit silence";
    uint8_t region[6];
    orvik::StreamLockRegion r{0, region, region + 4, 4, 2, 0, 0, 4, 2};
    host::WAVEFORMATEX eight = Record(h)->format;
    orvik::FillStreamSilence(eight, &r, 100);
    for (uint8_t b : region) EXPECT_EQ(b, 128);
    EXPECT_EQ(r.written1 + r.written2, 6u) << "never past the two parts";
}

TEST_F(SoundTest, StreamBufferThatCannotBeMadeFailsTheLoadNotTheProgram) {
    Start();
    const int h = orvik::AddSoundData(-1);
    host::DirectSoundFaults faults;
    faults.secondaryBuffer = 1;
    host::SetDirectSoundFaults(faults);
    const host::WAVEFORMATEX f = Stereo16();
    EXPECT_EQ(orvik::CreateSoundHandleBuffers(&f, 0, orvik::kStreamSound, 1, h), -1);
    EXPECT_NE(Log().find("ストリーム風サウンドバッファの作成に失敗しました\n"), std::string::npos);
    ASSERT_EQ(orvik::CreateSoundHandleBuffers(&f, 0, orvik::kStreamSound, 1, h), 0);
    uint32_t written = 0;
    host::WAVEFORMATEX got;
    Record(h)->buffers[0].buffer->GetFormat(&got, sizeof got, &written);
    EXPECT_EQ(got.nSamplesPerSec, 44100u);
    EXPECT_EQ(orvik::Sound().streamHead.next, &Record(h)->streamNode);
}

TEST_F(SoundTest, MemoryBufferFallsBackToFewerControlsAndDuplicatesMayRunOut) {
    Start();
    host::DirectSoundFaults faults;
    faults.secondaryBuffer = 1;
    faults.duplicate = 1;
    host::SetDirectSoundFaults(faults);
    const int h = Load(PcmWave(2, 44100, Frames(100)), 3);
    ASSERT_NE(h, -1);
    EXPECT_EQ(Record(h)->bufferCount, 1) << "making stops at the first failed duplicate";
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
}

TEST_F(SoundTest, WaveImageAroundPcm) {
    const uint8_t format[16] = {1, 0, 2, 0};
    const uint8_t pcm[4] = {1, 2, 3, 4};
    uint8_t* image = nullptr;
    int32_t size = 0;
    ASSERT_EQ(orvik::MakeWaveFileImage(&image, &size, format, 16, pcm, 4), 0);
    ASSERT_EQ(size, 48);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(image), 4), "RIFF");
    EXPECT_EQ(image[4] | image[5] << 8 | image[6] << 16 | image[7] << 24, 40);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(image + 36), 4), "data");
    EXPECT_EQ(image[44], 1);
    EXPECT_EQ(image[47], 4);
    orvik::TrackedFree(image);
}

}  // namespace
}  // namespace sound_test
