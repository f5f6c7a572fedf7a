// Stream sounds on the headless output: sources, refills as the play cursor moves, the
// end, repeats, loops, stop and resume, and the play position. Time moves only in the
// mixer, and the refill runs between mixes as the pump would run it on one processor.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "engine/platform/files/file_access.h"
#include "engine/sound/core/sound_handles.h"
#include "engine/sound/streams/stream_sound.h"
#include "sound_fixture.h"
#include "tests/support/bounded_wait.h"
#include "wave_builder.h"

namespace sound_test {
namespace {

constexpr uint32_t kRefillFrames = 1323;  // 30 ms at 44.1 kHz

class StreamTest : public SoundTest {
protected:
    // A stream sound with one source per image (decoded while it plays). -1 on failure.
    static int MakeStream(const std::vector<Bytes>& images, int loop = 0, int kind = orvik::kStreamFileImage) {
        const int h = orvik::AddSoundData(-1);
        for (const Bytes& image : images)
            if (orvik::AddStreamSoundImage(image.data(), int32_t(image.size()), loop, h, kind, -1) != 0) return -1;
        orvik::PrepareStreamSound(h);
        return h;
    }
    static orvik::StreamPart& Stream(int h) { return Record(h)->stream; }
};

// Compares a stretch of what was heard with the expected samples, naming the first miss.
::testing::AssertionResult Heard(const std::vector<int16_t>& heard, size_t at, const std::vector<int16_t>& expected) {
    if (heard.size() < at + expected.size()) return ::testing::AssertionFailure() << "heard too little";
    for (size_t i = 0; i < expected.size(); ++i)
        if (heard[at + i] != expected[i])
            return ::testing::AssertionFailure() << "sample " << at + i << ": " << heard[at + i] << " != " << expected[i];
    return ::testing::AssertionSuccess();
}

bool Silent(const std::vector<int16_t>& heard, size_t from, size_t to) {
    return std::all_of(heard.begin() + long(from), heard.begin() + long(to), [](int16_t v) { return v == 0; });
}

TEST(StreamQuantities, OneSecondBufferAnEighthStepThreeQuartersFirstFillAndGuard) {
    const orvik::StreamQuantities q = orvik::StreamQuantitiesOf(Stereo16());
    EXPECT_EQ(q.buffer, 176400u);
    EXPECT_EQ(q.step, 22048u);
    EXPECT_EQ(q.first, 132300u);
    EXPECT_EQ(q.guard, 132300u);
    host::WAVEFORMATEX odd = Stereo16();
    odd.nChannels = 3;
    odd.nBlockAlign = 6;
    odd.nAvgBytesPerSec = 22050 * 6 + 1;  // not a whole number of frames
    const orvik::StreamQuantities r = orvik::StreamQuantitiesOf(odd);
    EXPECT_EQ(r.buffer % 6, 0u);
    EXPECT_EQ(r.buffer, 132306u) << "rounded up to whole frames";
    EXPECT_EQ(r.step % 6, 0u);
    EXPECT_EQ(r.guard - r.first, 6u) << "the guard rounds up where the first fill rounds down";
}

TEST_F(StreamTest, PreparingFillsThreeQuartersOfASecondFromTheTop) {
    Start();
    const std::vector<int16_t> pcm = Ramp(44100, 2);
    const int h = MakeStream({PcmWave(2, 44100, pcm)});
    ASSERT_NE(h, -1);
    EXPECT_EQ(Record(h)->kind, orvik::kStreamSound);
    EXPECT_EQ(Stream(h).writeOffset, 132300);
    EXPECT_EQ(Stream(h).writeGuard, 0);
    EXPECT_EQ(Stream(h).readPosition, 132300);
    EXPECT_EQ(orvik::GetSoundTotalSample(h), 44100);
    EXPECT_EQ(orvik::GetSoundTotalTime(h), 1000);
    EXPECT_EQ(orvik::CheckSoundPlaying(h), 0);
}

TEST_F(StreamTest, OneSourcePlaysOnceThenSilenceThenTheBufferStops) {
    Start();
    const std::vector<int16_t> pcm = Ramp(66150, 2);  // 1.5 s: longer than the buffer
    const int h = MakeStream({PcmWave(2, 44100, pcm)});
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
    const std::vector<int16_t> heard = Hear(44100 * 3);
    EXPECT_TRUE(Heard(heard, 0, pcm));
    EXPECT_TRUE(Silent(heard, pcm.size(), heard.size()));
    EXPECT_EQ(orvik::CheckSoundPlaying(h), 0) << "the refill stopped the buffer after the end";
    EXPECT_EQ(Stream(h).started, 0);
    EXPECT_EQ(Stream(h).playPosition, 0u);
}

// An end written just short of the buffer's end is passed as the cursor goes round it.
TEST_F(StreamTest, StreamsEndingAroundEveryWholeSecondStop) {
    Start();
    for (uint32_t second = 1; second <= 3; ++second)
        for (int offset : {-882, -441, -1, 0, 1, 441}) {
            const uint32_t frames = uint32_t(int(second * 44100) + offset);
            const int h = MakeStream({PcmWave(1, 44100, Ramp(frames, 1))});
            ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
            Hear(frames + 44100 * 2);
            EXPECT_EQ(orvik::CheckSoundPlaying(h), 0) << frames << " frames";
            ASSERT_EQ(orvik::DeleteSound(h), 0);
        }
}

// A sound shorter than the time between two refills is played past before a second
// refill could see its end: the first fill sees it, and the buffer does not go round.
TEST_F(StreamTest, AStreamShorterThanARefillStops) {
    Start();
    const std::vector<int16_t> pcm = Ramp(kRefillFrames / 2, 2);
    const int h = MakeStream({PcmWave(2, 44100, pcm)});
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
    const std::vector<int16_t> heard = Hear(44100 * 2);
    EXPECT_TRUE(Heard(heard, 0, pcm));
    EXPECT_TRUE(Silent(heard, pcm.size(), heard.size()));
    EXPECT_EQ(orvik::CheckSoundPlaying(h), 0);
}

TEST_F(StreamTest, SourcesPlayOneAfterTheOtherAndRepeatsCountOn) {
    Start();
    const std::vector<int16_t> a = Ramp(30000, 2, 37), b = Ramp(20000, 2, 53);
    const int h = MakeStream({PcmWave(2, 44100, a), PcmWave(2, 44100, b)}, 2);
    ASSERT_EQ(orvik::GetSoundTotalSample(h), 50000);
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
    const std::vector<int16_t> heard = Hear(44100 * 5);
    size_t at = 0;
    for (const auto* source : {&a, &b})
        for (int play = 0; play < 3; ++play, at += source->size())
            ASSERT_TRUE(Heard(heard, at, *source)) << "play " << play;
    EXPECT_TRUE(Silent(heard, at, heard.size()));
    EXPECT_EQ(orvik::CheckSoundPlaying(h), 0);
}

TEST_F(StreamTest, LoopingReturnsToTheTopAndTheTimeNeverPassesTheLength) {
    Start();
    const std::vector<int16_t> pcm = Ramp(50000, 2);
    const int h = MakeStream({PcmWave(2, 44100, pcm)});
    const int total = orvik::GetSoundTotalTime(h);
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayLoop), 0);
    std::vector<int16_t> heard;
    int lastTime = -1;
    bool wentBack = false;
    for (int round = 0; round < 150; ++round) {
        const std::vector<int16_t> part = Hear(kRefillFrames);
        heard.insert(heard.end(), part.begin(), part.end());
        const int now = orvik::GetSoundCurrentTime(h);
        ASSERT_LE(now, total);
        if (now < lastTime) wentBack = true;
        lastTime = now;
    }
    EXPECT_TRUE(wentBack) << "the play position returned to the top";
    for (size_t at = 0; at + pcm.size() <= heard.size(); at += pcm.size()) ASSERT_TRUE(Heard(heard, at, pcm));
    EXPECT_EQ(orvik::CheckSoundPlaying(h), 1);
}

TEST_F(StreamTest, EndlessRepeatOfASourceJumpsThePositionBackToItsStart) {
    Start();
    const std::vector<int16_t> pcm = Ramp(60000, 2);
    const int h = MakeStream({PcmWave(2, 44100, pcm)}, -1);
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
    const std::vector<int16_t> heard = Hear(150000);
    EXPECT_TRUE(Heard(heard, 0, pcm));
    EXPECT_TRUE(Heard(heard, pcm.size(), pcm)) << "repeats without end";
    EXPECT_EQ(orvik::GetSoundCurrentTime(h), int(int64_t(150000 - 120000) * 1000 / 44100));
}

TEST_F(StreamTest, PlayingAgainWithoutFromTopIsRefusedAndFromTopRestarts) {
    Start();
    const std::vector<int16_t> pcm = Ramp(44100, 2);
    const int h = MakeStream({PcmWave(2, 44100, pcm)});
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
    Hear(10000);
    EXPECT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack, 0), -1);
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack, 1), 0);
    EXPECT_EQ(orvik::GetSoundCurrentTime(h), 0);
    EXPECT_TRUE(Heard(Hear(44100), 0, pcm)) << "heard again from the first sample";
}

TEST_F(StreamTest, StopThenPlayResumesWhereItStoppedWithoutANewFirstFill) {
    Start();
    const std::vector<int16_t> pcm = Ramp(88200, 2);
    const int h = MakeStream({PcmWave(2, 44100, pcm)});
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
    const std::vector<int16_t> first = Hear(kRefillFrames * 10);
    ASSERT_EQ(orvik::StopSound(h), 0);
    EXPECT_EQ(orvik::CheckSoundPlaying(h), 0);
    const int32_t writeOffset = Stream(h).writeOffset;
    EXPECT_TRUE(Silent(Hear(kRefillFrames * 5), 0, kRefillFrames * 10)) << "stopped streams stay quiet";
    EXPECT_EQ(Stream(h).writeOffset, writeOffset) << "a stopped stream is not refilled";
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack, 0), 0);
    const std::vector<int16_t> rest = Hear(88200 - kRefillFrames * 10);
    EXPECT_TRUE(Heard(first, 0, std::vector<int16_t>(pcm.begin(), pcm.begin() + long(first.size()))));
    EXPECT_TRUE(Heard(rest, 0, std::vector<int16_t>(pcm.begin() + long(first.size()), pcm.end())));
}

TEST_F(StreamTest, APlayedOutStreamStartsAgainFromTheTop) {
    Start();
    const std::vector<int16_t> pcm = Ramp(20000, 2);
    const int h = MakeStream({PcmWave(2, 44100, pcm)});
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
    Hear(44100 * 2);
    ASSERT_EQ(orvik::CheckSoundPlaying(h), 0);
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack, 0), 0);
    EXPECT_TRUE(Heard(Hear(30000), 0, pcm));
}

TEST_F(StreamTest, EveryDataKindStreamsTheSameSound) {
    Start();
    const std::vector<int16_t> pcm = Ramp(40000, 2);
    const Bytes wave = PcmWave(2, 44100, pcm);
    const std::string path = WriteFile("kind.wav", wave);
    for (int kind : {orvik::kStreamDecodedPcm, orvik::kStreamFileImage, orvik::kStreamCallerStream}) {
        const int h = orvik::AddSoundData(-1);
        ASSERT_EQ(orvik::AddStreamSoundFile(path.c_str(), 0, h, kind, -1), 0) << kind;
        EXPECT_EQ(Stream(h).sources[0].dataKind, kind);
        EXPECT_EQ(Stream(h).sourceOwnsStream[0], 1);
        ASSERT_EQ(orvik::PrepareStreamSound(h), 0);
        ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
        EXPECT_TRUE(Heard(Hear(44100), 0, pcm)) << kind;
        ASSERT_EQ(orvik::DeleteSound(h), 0);
    }
}

TEST_F(StreamTest, LoadModesAndLongSoundsMakeStreamsThatDeleteCleanly) {
    Start();
    const std::string path = WriteFile("Music.wav", PcmWave(2, 44100, Ramp(1000, 2)));
    const int32_t blocks = orvik::TrackedMemory().blockCount;
    ASSERT_EQ(orvik::SetSoundLoadMode(3), 0);
    const int fromFile = orvik::LoadSound(path.c_str(), 3);
    ASSERT_NE(fromFile, -1);
    EXPECT_EQ(Record(fromFile)->kind, orvik::kStreamSound);
    EXPECT_EQ(Stream(fromFile).sources[0].dataKind, orvik::kStreamCallerStream) << "reads the open file";
    ASSERT_EQ(orvik::SetSoundLoadMode(0), 0);
    // 181 whole seconds are too long to hold: the load streams from a copy of the file.
    const int longSound = Load(Wave({{"fmt ", FmtData(1, 1, 1000, 8)}, {"data", Bytes(181000, 0x80)}}));
    ASSERT_NE(longSound, -1);
    EXPECT_EQ(Record(longSound)->kind, orvik::kStreamSound);
    EXPECT_EQ(Stream(longSound).sources[0].dataKind, orvik::kStreamFileImage);
    EXPECT_EQ(orvik::GetSoundTotalTime(longSound), 181000);
    EXPECT_EQ(orvik::GetSoundLoadMode(), 0) << "the load mode is put back";
    ASSERT_EQ(orvik::DeleteSound(fromFile), 0);
    ASSERT_EQ(orvik::DeleteSound(longSound), 0);
    EXPECT_EQ(orvik::Sound().handles.count, 0);
    EXPECT_EQ(orvik::TrackedMemory().blockCount, blocks) << "files closed, copies and decoders freed";
    EXPECT_EQ(orvik::Sound().streamHead.next, &orvik::Sound().streamTail);
}

// A damaged MP3 the sound decoder fuzz target made from one of our seeds: a 44.1 kHz
// header in its damaged tags, with no frame of its kind behind it, comes before 48 kHz
// frames, and libmpg123, once asked for 44.1 kHz, looped for ever on them. Every load mode
// returns (a stream's first fill decodes within the load) at the rate of the frames the
// decoder takes, and the sound plays, and a stream refills, to its end. The loads run on
// a thread of their own, waited for with a bound: one that never returned cannot be
// joined, so it ends the program with the failure.
TEST_F(StreamTest, ADamagedMp3ThatOnceHungTheDecoderReturnsInEveryLoadModeAndRefill) {
    Start();
    const std::string path = std::string(ORVIK_TEST_DATA_DIR) + "/mp3_decode_hang.mp3";
    constexpr int kModes[] = {0, 2, 3};
    int handles[3] = {};
    std::atomic<bool> done{false};
    std::thread loads([&] {
        for (int i = 0; i < 3; ++i) {
            orvik::SetSoundLoadMode(kModes[i]);
            handles[i] = orvik::LoadSound(path.c_str(), 1);
            if (handles[i] != -1 && orvik::PlaySoundHandle(handles[i], orvik::kPlayBack) == 0) Hear(44100);
        }
        done = true;
    });
    if (!orvik_test::WaitUntil([&] { return done.load(); }, 60)) {
        ADD_FAILURE() << "a load or a refill never returned";
        std::fflush(stdout);
        std::_Exit(1);
    }
    loads.join();
    orvik::SetSoundLoadMode(0);
    for (int i : {0, 1, 2}) {
        SCOPED_TRACE(kModes[i]);
        ASSERT_NE(handles[i], -1);
        EXPECT_EQ(Record(handles[i])->kind, i == 0 ? orvik::kMemorySound : orvik::kStreamSound);
        EXPECT_EQ(Record(handles[i])->format.nSamplesPerSec, 48000u);
        EXPECT_EQ(orvik::CheckSoundPlaying(handles[i]), 0) << "played out";
    }
}

TEST_F(StreamTest, SourcesAreRefusedWhenFullOfAnotherFormatOrPlaying) {
    Start();
    const Bytes wave = PcmWave(2, 44100, Ramp(5000, 2));
    const int h = MakeStream({wave, wave, wave});
    ASSERT_NE(h, -1);
    EXPECT_EQ(orvik::AddStreamSoundImage(wave.data(), int32_t(wave.size()), 0, h, 2, -1), -1);
    EXPECT_NE(Log().find("ストリーム風サウンドの制御データ領域がいっぱいです\n"), std::string::npos);
    const int g = MakeStream({wave});
    const Bytes mono = PcmWave(1, 44100, Ramp(5000, 1));
    EXPECT_EQ(orvik::AddStreamSoundImage(mono.data(), int32_t(mono.size()), 0, g, 2, -1), -1);
    EXPECT_NE(Log().find("フォーマットの違う音声データは同時に使うことは出来ません"), std::string::npos);
    EXPECT_EQ(Stream(g).sourceCount, 1);
    ASSERT_EQ(orvik::PlaySoundHandle(g, orvik::kPlayLoop), 0);
    EXPECT_EQ(orvik::AddStreamSoundImage(wave.data(), int32_t(wave.size()), 0, g, 2, -1), -1);
    EXPECT_NE(Log().find("既に再生中のストリームサウンドデータにデータを追加しようとしました\n"), std::string::npos);
    const Bytes junk(300, 0x42);
    const int j = orvik::AddSoundData(-1);
    EXPECT_EQ(orvik::AddStreamSoundImage(junk.data(), int32_t(junk.size()), 0, j, 2, -1), -1);
    EXPECT_NE(Log().find("ＷＡＶファイルのストリームイメージのセットアップに失敗しました \n"), std::string::npos);
    EXPECT_EQ(orvik::AddStreamSoundFile("no such file.wav", 0, j, 2, -1), -1);
    const Bytes noRoom = Wave({{"fmt ", FmtData(1, 2, 44100, 16, 0x1000000)}, {"data", Bytes(400, 1)}});
    EXPECT_EQ(orvik::AddStreamSoundImage(noRoom.data(), int32_t(noRoom.size()), 0, j, 2, -1), -1)
        << "a rate that makes a buffer of no bytes";
    EXPECT_EQ(Stream(j).sourceCount, 0);
    EXPECT_EQ(Record(j)->kind, orvik::kMemorySound) << "a failed first source makes no buffer";
}

TEST_F(StreamTest, StreamsSharingABufferTakeItInTurnAndTheOwnerWaitsForItsSharers) {
    Start();
    const std::vector<int16_t> a = Ramp(30000, 2, 37), b = Ramp(30000, 2, 53);
    const int owner = MakeStream({PcmWave(2, 44100, a)});
    const Bytes waveB = PcmWave(2, 44100, b);
    const int sharer = orvik::AddSoundData(-1);
    ASSERT_EQ(orvik::AddStreamSoundImage(waveB.data(), int32_t(waveB.size()), 0, sharer, 2, owner), 0);
    EXPECT_EQ(Stream(sharer).sharedBufferHandle, owner);
    EXPECT_EQ(Stream(owner).sharerCount, 1);
    ASSERT_EQ(orvik::PlaySoundHandle(owner, orvik::kPlayLoop), 0);
    Hear(5000);
    ASSERT_EQ(orvik::PlaySoundHandle(sharer, orvik::kPlayBack, 1), 0) << "takes the buffer over";
    EXPECT_EQ(Stream(owner).bufferUser, sharer);
    EXPECT_EQ(orvik::CheckSoundPlaying(owner), 0);
    EXPECT_TRUE(Heard(Hear(30000), 0, b));
    ASSERT_EQ(orvik::DeleteSound(owner), 0);
    EXPECT_EQ(Stream(owner).deleteDeferred, 1) << "kept while another stream plays through its buffer";
    ASSERT_EQ(orvik::DeleteSound(sharer), 0);
    EXPECT_EQ(orvik::Sound().handles.count, 0) << "the last sharer takes the owner with it";
}

// The playing test is asked meanwhile, as a program asks it while the thread refills.
TEST_F(StreamTest, TheRefillThreadKeepsAStreamGoingOnTwoProcessors) {
    host::SetProcessorCountForTests(2);
    Start();
    ASSERT_TRUE(orvik::IsSoundRefillThreadRunning());
    const std::vector<int16_t> pcm = Ramp(88200, 2);
    const int h = MakeStream({PcmWave(2, 44100, pcm)});
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
    std::vector<int16_t> heard;
    // Each eighth of a second played lets the thread write the next one.
    for (int step = 0; step < 12; ++step) {
        const int32_t before = [&] {
            std::lock_guard lock(orvik::SoundLock());
            return Stream(h).writeOffset;
        }();
        const std::vector<int16_t> part = Mix(5512);
        heard.insert(heard.end(), part.begin(), part.end());
        ASSERT_TRUE(orvik_test::WaitUntil([&] {
            EXPECT_EQ(orvik::CheckSoundPlaying(h), 1);
            std::lock_guard lock(orvik::SoundLock());
            return Stream(h).writeOffset != before;
        })) << "step " << step;
    }
    EXPECT_TRUE(Heard(heard, 0, std::vector<int16_t>(pcm.begin(), pcm.begin() + long(heard.size()))));
}

}  // namespace
}  // namespace sound_test
