// The buffer wrapper's software mode: samples in tracked memory, play state as numbers.
#include "sound_fixture.h"

namespace sound_test {
namespace {

host::DSBUFFERDESC Description(const host::WAVEFORMATEX* f, uint32_t bytes) {
    host::DSBUFFERDESC d;
    d.dwSize = host::DSBUFFERDESC_SIZE32;
    d.dwFlags = host::DSBCAPS_STATIC | host::DSBCAPS_CTRLVOLUME | host::DSBCAPS_CTRLPAN;
    d.dwBufferBytes = bytes;
    d.lpwfxFormat = f;
    return d;
}

TEST(SoftVolumeTest, FactorsFollowTheLevelWithExactEnds) {
    EXPECT_EQ(orvik::SoftVolumeFactor(-10000), 0);
    EXPECT_EQ(orvik::SoftVolumeFactor(0), 256);
    EXPECT_EQ(orvik::SoftVolumeFactor(-1000), 25);  // 256 x 10^-1 = 25.6
    EXPECT_EQ(orvik::SoftPanFactor(0), 0);
    EXPECT_EQ(orvik::SoftPanFactor(-1), -255);
    EXPECT_EQ(orvik::SoftPanFactor(1), 255);
    EXPECT_EQ(orvik::SoftPanFactor(10000), 256);
    EXPECT_EQ(orvik::SoftPanFactor(-10000), -256);
}

TEST_F(SoundTest, SoftwareBuffersKeepTheirStateAsNumbers) {
    Start();
    orvik::Sound().softwareSoundMode = 1;
    const host::WAVEFORMATEX f = Stereo16();
    const host::DSBUFFERDESC d = Description(&f, 400);
    orvik::SoundBuffer b{}, dup{};
    ASSERT_EQ(orvik::SoundBufCreate(&b, &d), 0);
    EXPECT_EQ(orvik::SoundBufCreate(&b, &d), -1) << "already holds a buffer";
    EXPECT_EQ(b.softVolume, 255);
    EXPECT_EQ(b.softFrequency, -1);
    EXPECT_EQ(b.softLength, 100u);

    // A stretch running past the end wraps to the start, cut to whole frames.
    void *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    ASSERT_EQ(orvik::SoundBufLock(&b, 360, 83, &p1, &n1, &p2, &n2), 0);
    EXPECT_EQ(p1, b.softData + 360);
    EXPECT_EQ(n1, 40u);
    EXPECT_EQ(p2, b.softData);
    EXPECT_EQ(n2, 40u);
    static_cast<uint8_t*>(p2)[0] = 77;

    ASSERT_EQ(orvik::SoundBufDuplicate(&dup, &b), 0);
    EXPECT_EQ(dup.softData[0], 77) << "a duplicate plays the same samples";
    EXPECT_NE(dup.softData, b.softData);

    uint32_t status = 9;
    ASSERT_EQ(orvik::SoundBufPlay(&b, 1), 0);
    ASSERT_EQ(orvik::SoundBufGetStatus(&b, &status), 0);
    EXPECT_EQ(status, 1u);
    EXPECT_EQ(b.softLoop, 1);
    orvik::SoundBufSetVolume(&b, -10000);
    orvik::SoundBufSetPan(&b, 10000);
    orvik::SoundBufSetFrequency(&b, 0);
    orvik::SoundBufSetPosition(&b, 43);
    EXPECT_EQ(b.softVolume, 0);
    EXPECT_EQ(b.softPan, 256);
    EXPECT_EQ(b.softFrequency, -1);
    EXPECT_EQ(b.softPosition, 10u);
    orvik::SoundBufStop(&b);
    orvik::SoundBufGetStatus(&b, &status);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(orvik::SoundBufRelease(&dup), 0);
    EXPECT_EQ(orvik::SoundBufRelease(&b), 0);
    EXPECT_EQ(b.softData, nullptr);
}

}  // namespace
}  // namespace sound_test
