// The sound handle table: handle layout, check numbers, slot reuse, stale and foreign
// handles, lengths, and the load settings.
#include "engine/sound/core/sound_handles.h"
#include "sound_fixture.h"
#include "wave_builder.h"

namespace sound_test {
namespace {

TEST_F(SoundTest, HandlesCarryTypeCheckNumberAndSlot) {
    Start();
    EXPECT_EQ(orvik::AddSoundData(-1), 0x10000000);
    EXPECT_EQ(orvik::AddSoundData(-1), 0x10010001);
    EXPECT_EQ(orvik::AddSoundData(-1), 0x10020002);
    // Slot 1 freed: the next handle still takes the slot past the highest in use.
    ASSERT_EQ(orvik::DeleteSound(0x10010001), 0);
    EXPECT_EQ(orvik::AddSoundData(-1), 0x10030003);
    ASSERT_EQ(orvik::DeleteSound(0x10030003), 0);
    ASSERT_EQ(orvik::DeleteSound(0x10020002), 0);
    EXPECT_EQ(orvik::Sound().handles.nextSlot, 1);
    EXPECT_EQ(orvik::AddSoundData(-1), 0x10040001);
    EXPECT_EQ(orvik::Sound().handles.count, 2);
}

TEST_F(SoundTest, StaleForeignAndNegativeHandlesAreRefused) {
    Start();
    const int first = orvik::AddSoundData(-1);
    ASSERT_EQ(orvik::DeleteSound(first), 0);
    const int again = orvik::AddSoundData(-1);
    EXPECT_EQ(again & 0xFFFF, first & 0xFFFF) << "same slot";
    EXPECT_NE(again, first) << "a new check number";
    for (int bad : {first, 0x08000000 | (again & 0x07FFFFFF), -1, int(0x90000000), 0x10008000}) {
        EXPECT_EQ(orvik::DeleteSound(bad), -1) << std::hex << bad;
        EXPECT_EQ(orvik::PlaySoundHandle(bad, orvik::kPlayBack), -1);
    }
    EXPECT_EQ(orvik::DeleteSound(again), 0);
}

TEST_F(SoundTest, CheckNumbersWrapAfter2048) {
    Start();
    for (int i = 0; i < 2048; ++i) {
        const int h = orvik::AddSoundData(-1);
        ASSERT_EQ(orvik::DeleteSound(h), 0);
    }
    EXPECT_EQ(orvik::AddSoundData(-1), 0x10000000);
}

TEST_F(SoundTest, LengthsComeFromThePcmAndTheRate) {
    Start();
    const int h = Load(PcmWave(2, 44100, Ramp(88200, 2)), 1);
    ASSERT_NE(h, -1);
    EXPECT_EQ(orvik::GetSoundTotalSample(h), 88200);
    EXPECT_EQ(orvik::GetSoundTotalTime(h), 2000);
    EXPECT_EQ(orvik::GetSoundCurrentTime(h), 0);
    ASSERT_EQ(orvik::PlaySoundHandle(h, orvik::kPlayBack), 0);
    host::HeadlessAudioAdvance(22050);
    EXPECT_EQ(orvik::GetSoundCurrentTime(h), 500);
    EXPECT_EQ(orvik::SampleToMilliseconds(INT32_MAX, 48000), 44739242) << "no 32-bit overflow";
}

TEST_F(SoundTest, LoadModeAndDisabledConverterSettings) {
    EXPECT_EQ(orvik::SetSoundLoadMode(1), 0);
    EXPECT_EQ(orvik::GetSoundLoadMode(), 0);
    EXPECT_EQ(orvik::SetSoundLoadMode(3), 0);
    EXPECT_EQ(orvik::GetSoundLoadMode(), 3);
    EXPECT_EQ(orvik::SetSoundLoadMode(4), -1);
    EXPECT_EQ(orvik::SetSoundLoadMode(-1), -1);
    EXPECT_EQ(orvik::GetSoundLoadMode(), 3);
    EXPECT_EQ(orvik::SetDisableSoundConverters(0x1F), 0);
    EXPECT_EQ(orvik::GetDisableSoundConverters(), 0x1F);
}

TEST_F(SoundTest, DeletingEverythingLeavesNoTrackedMemory) {
    Start();
    const int32_t blocks = orvik::TrackedMemory().blockCount;
    for (int i = 0; i < 4; ++i) ASSERT_NE(Load(PcmWave(1, 22050, Ramp(1000, 1))), -1);
    EXPECT_GT(orvik::TrackedMemory().blockCount, blocks);
    ASSERT_EQ(orvik::DeleteAllSounds(), 0);
    EXPECT_EQ(orvik::TrackedMemory().blockCount, blocks);
    EXPECT_EQ(orvik::Sound().handles.count, 0);
    EXPECT_EQ(orvik::Sound().handles.nextSlot, 0);
}

}  // namespace
}  // namespace sound_test
