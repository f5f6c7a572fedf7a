// Playing memory sounds on the headless output: rotation over the buffers, the
// from-top flag, looping, stopping, the volume law, and the mix itself bit for bit.
#include <atomic>
#include <thread>

#include "engine/sound/core/sound_play.h"
#include "host/clock.h"
#include "sound_fixture.h"
#include "tests/support/bounded_wait.h"
#include "wave_builder.h"

namespace sound_test {
namespace {

bool BufferPlays(int handle, int i) {
    uint32_t status = 0;
    orvik::SoundBufGetStatus(&Record(handle)->buffers[i], &status);
    return status & host::DSBSTATUS_PLAYING;
}

uint32_t Cursor(int handle, int i) { return orvik::SoundBufGetPosition(&Record(handle)->buffers[i]); }

// Off the manual clock the headless output plays on its own, as a sound card would, so a
// program without a display still hears its sounds to their end.
TEST_F(SoundTest, OnTheRealClockAHeadlessSoundPlaysToItsEnd) {
    host::UseManualClock(false);
    Start();
    const int h = Load(PcmWave(2, 44100, Ramp(4410, 2)), 1);
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
    EXPECT_TRUE(orvik_test::WaitUntil([&] { return orvik::CheckSoundPlaying(h) == 0; }, 5.0));
}

TEST_F(SoundTest, ACentredFullVolumeSoundAtTheOutputRateMixesBitExact) {
    Start();
    const std::vector<int16_t> pcm = Ramp(3000, 2);
    const int h = Load(PcmWave(2, 44100, pcm), 1);
    ASSERT_NE(h, -1);
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
    const std::vector<int16_t> out = Mix(3200);
    ASSERT_EQ(out.size(), 6400u);
    for (size_t i = 0; i < pcm.size(); ++i) ASSERT_EQ(out[i], pcm[i]) << i;
    for (size_t i = pcm.size(); i < out.size(); ++i) ASSERT_EQ(out[i], 0) << "stopped at its end";
    EXPECT_EQ(orvik::CheckSoundPlaying(h), 0);
}

TEST_F(SoundTest, BuffersRotateAndAFourthPlayRestartsTheOldest) {
    Start();
    const int h = Load(PcmWave(1, 44100, Ramp(4410, 1)), 3);
    ASSERT_NE(h, -1);
    ASSERT_EQ(Record(h)->bufferCount, 3);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack, 1), 0);
        host::HeadlessAudioAdvance(100);
    }
    // Played in order 1, 2, 0: each has run 100 frames less than the one before.
    EXPECT_EQ(Cursor(h, 1), 300u * 2);
    EXPECT_EQ(Cursor(h, 2), 200u * 2);
    EXPECT_EQ(Cursor(h, 0), 100u * 2);
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack, 1), 0);
    EXPECT_EQ(Cursor(h, 1), 0u) << "the oldest play starts over";
    EXPECT_TRUE(BufferPlays(h, 1));
    EXPECT_TRUE(BufferPlays(h, 2));
    EXPECT_TRUE(BufferPlays(h, 0));
}

TEST_F(SoundTest, FromTopZeroLeavesAPlayingBufferAndResumesAStoppedOne) {
    Start();
    const int h = Load(PcmWave(1, 44100, Ramp(4410, 1)), 1);
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack, 1), 0);
    host::HeadlessAudioAdvance(500);
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack, 0), 0);
    EXPECT_EQ(Cursor(h, 0), 1000u) << "undisturbed";
    ASSERT_EQ(orvik::StopSound(h), 0);
    EXPECT_EQ(orvik::CheckSoundPlaying(h), 0);
    host::HeadlessAudioAdvance(300);
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack, 0), 0);
    EXPECT_EQ(Cursor(h, 0), 1000u) << "continues where it stopped";
    host::HeadlessAudioAdvance(100);
    EXPECT_EQ(Cursor(h, 0), 1200u);
}

TEST_F(SoundTest, LoopingPlaysUntilStoppedAndPlainPlaysEnd) {
    Start();
    const int loop = Load(PcmWave(1, 44100, Ramp(1000, 1)), 1);
    const int once = Load(PcmWave(1, 44100, Ramp(1000, 1)), 1);
    ASSERT_EQ(orvik::PlaySoundHandle(loop, orvik::kPlayLoop), 0);
    ASSERT_EQ(orvik::PlaySoundHandle(once, orvik::kPlayBack), 0);
    host::HeadlessAudioAdvance(3500);
    EXPECT_EQ(orvik::CheckSoundPlaying(loop), 1);
    EXPECT_EQ(orvik::CheckSoundPlaying(once), 0);
    EXPECT_EQ(Cursor(loop, 0), 500u * 2);
    ASSERT_EQ(orvik::StopSound(loop), 0);
    EXPECT_EQ(orvik::CheckSoundPlaying(loop), 0);
}

TEST_F(SoundTest, WaitingPlayReturnsWhenTheSoundHasEnded) {
    Start();
    const int h = Load(PcmWave(1, 44100, Ramp(100, 1)), 1);
    // The output has no clock of its own here: a second thread moves it while the
    // call waits, in steps, until the sound is over.
    std::atomic<bool> done{false};
    std::thread mixer([&] {
        while (!done) host::HeadlessAudioAdvance(10);
    });
    EXPECT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayWait), 0);
    done = true;
    mixer.join();
    EXPECT_EQ(orvik::CheckSoundPlaying(h), 0);
}

TEST_F(SoundTest, VolumeFollowsTheLogLawWithItsFloor) {
    const std::pair<int, int32_t> table[] = {{300, 0},   {255, 0},    {240, -26},  {200, -105}, {160, -202},
                                             {128, -299}, {64, -600}, {1, -2406}, {0, -10000}, {-5, -10000}};
    for (auto [volume, level] : table) EXPECT_EQ(orvik::VolumeToLevel(volume), level) << volume;
    Start();
    const int h = Load(PcmWave(1, 44100, Ramp(100, 1)), 3);
    ASSERT_EQ(orvik::SetSoundVolume(160, h), 0);
    for (int i = 0; i < 3; ++i) {
        int32_t v = 0;
        Record(h)->buffers[i].buffer->GetVolume(&v);
        EXPECT_EQ(v, -202) << i;
    }
    EXPECT_EQ(Record(h)->volume, -202);
}

TEST_F(SoundTest, ASoundWithoutBuffersCannotPlayButStopsAndAnswers) {
    Start();
    const int h = Load(PcmWave(1, 44100, Ramp(100, 1)), 0);
    ASSERT_NE(h, -1);
    EXPECT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), -1);
    EXPECT_EQ(orvik::StopSound(h), 0);
    EXPECT_EQ(orvik::CheckSoundPlaying(h), 0);
}

// One buffer that cannot be read (here released under the sound) makes the stop report
// -1, but the buffers after it stop all the same.
TEST_F(SoundTest, StopSoundStopsEveryReadableBufferPastOneThatFails) {
    Start();
    const int h = Load(PcmWave(1, 44100, Ramp(4410, 1)), 3);
    ASSERT_NE(h, -1);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayLoop, 1), 0);
    ASSERT_TRUE(BufferPlays(h, 0) && BufferPlays(h, 1) && BufferPlays(h, 2));
    orvik::SoundBufRelease(&Record(h)->buffers[1]);
    EXPECT_EQ(orvik::StopSound(h), -1);
    EXPECT_FALSE(BufferPlays(h, 0));
    EXPECT_FALSE(BufferPlays(h, 2));
    EXPECT_EQ(orvik::CheckSoundPlaying(h), 0);
}

TEST_F(SoundTest, DuplicatesShareTheFirstBuffersSamples) {
    Start();
    const int h = Load(PcmWave(1, 44100, Ramp(100, 1)), 2);
    orvik::SoundBuffer* b = Record(h)->buffers;
    void *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    ASSERT_EQ(orvik::SoundBufLock(&b[0], 0, 2, &p1, &n1, &p2, &n2), 0);
    static_cast<int16_t*>(p1)[0] = 12345;
    ASSERT_EQ(orvik::SoundBufUnlock(&b[0], p1, n1, p2, n2), 0);
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
    EXPECT_EQ(Cursor(h, 1), 0u);
    const std::vector<int16_t> out = Mix(1);
    EXPECT_EQ(out[0], 12345) << "buffer 1 plays what was written through buffer 0";
}

}  // namespace
}  // namespace sound_test
