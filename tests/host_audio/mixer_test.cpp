// The mixer through the headless output: exact pass-through, the volume and pan laws,
// resampling, and the play cursor against the frames mixed.
#include <cmath>
#include <random>

#include "dsound_fixture.h"

namespace audio_test {
namespace {

using host::DS_OK;

std::vector<int16_t> Noise(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    std::vector<int16_t> out(count);
    for (int16_t& s : out) s = int16_t(sample(random));
    return out;
}

using MixerTest = DsoundTest;

TEST_F(MixerTest, ZeroDecibelCentredBufferAtOutputRateMixesOutBitExact) {
    const std::vector<int16_t> pcm = Noise(2 * 4096, 1);  // full-scale, both extremes
    host::IDirectSoundBuffer* b = Make(Pcm(2, 44100, 16), 4096 * 4);
    ASSERT_NE(b, nullptr);
    Fill(b, pcm.data(), 4096 * 4);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(Advance(4096), pcm);

    // Mono is copied to both sides; 8-bit is centred on 128 and scaled by 256.
    host::IDirectSoundBuffer* mono = Make(Pcm(1, 44100, 8), 4);
    ASSERT_NE(mono, nullptr);
    const uint8_t bytes[4] = {0, 128, 255, 1};
    Fill(mono, bytes, 4);
    ASSERT_EQ(mono->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(Advance(4), (std::vector<int16_t>{-32768, -32768, 0, 0, 32512, 32512, -32512, -32512}));
}

TEST_F(MixerTest, VolumeIsTenToTheLevelOverTwoThousandAndPanAttenuatesTheOtherSide) {
    host::IDirectSoundBuffer* b = Make(Pcm(2, 44100, 16), 4, kAllControls);
    ASSERT_NE(b, nullptr);
    const int16_t frame[2] = {20000, -20000};
    Fill(b, frame, 4);
    struct Case {
        int32_t volume, pan;
        double left, right;  // expected amplitude factors
    };
    const Case cases[] = {
        {0, 0, 1.0, 1.0},
        {-600, 0, std::pow(10.0, -0.3), std::pow(10.0, -0.3)},
        {-2000, 0, 0.1, 0.1},
        {-9999, 0, std::pow(10.0, -9999 / 2000.0), std::pow(10.0, -9999 / 2000.0)},
        {-10000, 0, 0.0, 0.0},
        {0, 10000, 0.0, 1.0},
        {0, -10000, 1.0, 0.0},
        {0, 2000, 0.1, 1.0},
        {-600, -1000, std::pow(10.0, -0.3), std::pow(10.0, -0.8)},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(b->SetVolume(c.volume), DS_OK);
        ASSERT_EQ(b->SetPan(c.pan), DS_OK);
        ASSERT_EQ(b->Play(0, 0, host::DSBPLAY_LOOPING), DS_OK);
        const std::vector<int16_t> out = Advance(1);
        SCOPED_TRACE(testing::Message() << "volume " << c.volume << " pan " << c.pan);
        EXPECT_NEAR(out[0], 20000 * c.left, 1.0);
        EXPECT_NEAR(out[1], -20000 * c.right, 1.0);
        if (c.left == 0.0) {
            EXPECT_EQ(out[0], 0);
        }
        if (c.right == 0.0) {
            EXPECT_EQ(out[1], 0);
        }
    }
    int32_t v = 1, p = 1;
    EXPECT_EQ(b->GetVolume(&v), DS_OK);
    EXPECT_EQ(b->GetPan(&p), DS_OK);
    EXPECT_EQ(v, -600);
    EXPECT_EQ(p, -1000);
}

TEST_F(MixerTest, ControlsNeedTheirFlagAndAStatedRange) {
    host::IDirectSoundBuffer* plain = Make(Pcm(1, 22050, 16), 100, host::DSBCAPS_STATIC);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->SetVolume(-100), host::DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(plain->SetPan(100), host::DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(plain->SetFrequency(44100), host::DSERR_CONTROLUNAVAIL);

    host::IDirectSoundBuffer* b = Make(Pcm(1, 22050, 16), 100);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->SetVolume(1), host::DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetVolume(-10001), host::DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetPan(10001), host::DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetFrequency(99), host::DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetFrequency(200001), host::DSERR_INVALIDPARAM);
    uint32_t f = 0;
    EXPECT_EQ(b->SetFrequency(30000), DS_OK);
    EXPECT_EQ(b->GetFrequency(&f), DS_OK);
    EXPECT_EQ(f, 30000u);
    EXPECT_EQ(b->SetFrequency(host::DSBFREQUENCY_ORIGINAL), DS_OK);
    EXPECT_EQ(b->GetFrequency(&f), DS_OK);
    EXPECT_EQ(f, 22050u);
}

TEST_F(MixerTest, OtherRatesAreResampledAndMoveTheCursorAtTheirOwnSpeed) {
    host::IDirectSoundBuffer* b = Make(Pcm(1, 22050, 16), 8);
    ASSERT_NE(b, nullptr);
    const int16_t pcm[4] = {0, 1000, -1000, 3001};
    Fill(b, pcm, 8);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    // Half the output rate: every source frame, then the point halfway to the next; the
    // last frame of a buffer that does not loop is held.
    const std::vector<int16_t> out = Advance(8);
    const int16_t expect[8] = {0, 500, 1000, 0, -1000, 1000, 3001, 3001};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(out[2 * i], expect[i]) << i;
        EXPECT_EQ(out[2 * i + 1], expect[i]) << i;
    }
    EXPECT_EQ(Status(b), 0u);

    // Twice the output rate: 100 output frames take 200 source frames.
    host::IDirectSoundBuffer* fast = Make(Pcm(2, 44100, 16), 4000 * 4);
    ASSERT_NE(fast, nullptr);
    ASSERT_EQ(fast->SetFrequency(88200), DS_OK);
    ASSERT_EQ(fast->Play(0, 0, 0), DS_OK);
    Advance(100);
    EXPECT_EQ(PlayCursor(fast), 200u * 4);
    // A rate that is no whole multiple keeps its fraction from pull to pull.
    ASSERT_EQ(fast->SetCurrentPosition(0), DS_OK);
    ASSERT_EQ(fast->SetFrequency(11025 * 3), DS_OK);
    for (int i = 0; i < 7; ++i) Advance(3);
    EXPECT_EQ(PlayCursor(fast), (21u * 3 / 4) * 4);
}

TEST_F(MixerTest, OverlappingBuffersSumAndSaturate) {
    host::IDirectSoundBuffer* a = Make(Pcm(1, 44100, 16), 4);
    host::IDirectSoundBuffer* b = Make(Pcm(1, 44100, 16), 4);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    const int16_t loud[2] = {30000, -30000};
    const int16_t quiet[2] = {100, -100};
    Fill(a, loud, 4);
    Fill(b, loud, 4);
    ASSERT_EQ(a->Play(0, 0, 0), DS_OK);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(Advance(2), (std::vector<int16_t>{32767, 32767, -32768, -32768}));
    Fill(b, quiet, 4);
    ASSERT_EQ(a->Play(0, 0, 0), DS_OK);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(Advance(2), (std::vector<int16_t>{30100, 30100, -30100, -30100}));
}

}  // namespace
}  // namespace audio_test
