// The conversion record over a memory stream: reads up to the end, the at-end flag,
// the 16-byte seek threshold, the decoder mask, and ending twice.
#include "convert_fixture.h"

namespace sound_test {
namespace {

Bytes MonoBytes(int n) {
    Bytes b;
    for (int i = 0; i < n; ++i) b.push_back(uint8_t(i));
    return b;
}

TEST_F(ConvertTest, ReadsToTheEndThenNothingUntilSoughtBack) {
    Open(Wave({{"fmt ", FmtData(1, 1, 8000, 8)}, {"data", MonoBytes(38)}}));
    ASSERT_EQ(orvik::SetupSoundConvert(&stream_, &c_), 0);
    EXPECT_EQ(c_.method, orvik::kConvertWavePcm);
    EXPECT_EQ(orvik::GetSoundConvertDestSize(&c_), 38);
    uint8_t out[40];
    ASSERT_EQ(orvik::ReadSoundConvert(&c_, out, 32), 32);
    EXPECT_EQ(orvik::ReadSoundConvert(&c_, out, 0), 0);
    EXPECT_EQ(orvik::ReadSoundConvert(&c_, out, 10), 6) << "6 bytes were left";
    EXPECT_EQ(out[5], 37);
    EXPECT_EQ(c_.atEnd, 1);
    EXPECT_EQ(orvik::ReadSoundConvert(&c_, out, 10), 0);
    ASSERT_EQ(orvik::SeekSoundConvert(&c_, 0), 0);
    EXPECT_EQ(c_.atEnd, 0);
    ASSERT_EQ(orvik::ReadSoundConvert(&c_, out, 3), 3);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[2], 2);
}

TEST_F(ConvertTest, SeeksCloserThan16BytesDoNothing) {
    Open(Wave({{"fmt ", FmtData(1, 1, 8000, 8)}, {"data", MonoBytes(100)}}));
    ASSERT_EQ(orvik::SetupSoundConvert(&stream_, &c_), 0);
    uint8_t out[1];
    ASSERT_EQ(orvik::SeekSoundConvert(&c_, 15), 0);
    EXPECT_EQ(c_.outputPosition, 0);
    ASSERT_EQ(orvik::ReadSoundConvert(&c_, out, 1), 1);
    EXPECT_EQ(out[0], 0);
    ASSERT_EQ(orvik::SeekSoundConvert(&c_, 17), 0);
    ASSERT_EQ(orvik::ReadSoundConvert(&c_, out, 1), 1);
    EXPECT_EQ(out[0], 17);
}

TEST_F(ConvertTest, TheMaskSkipsDecodersAndEndingTwiceIsRefused) {
    const Bytes wave = Wave({{"fmt ", FmtData(1, 1, 8000, 8)}, {"data", MonoBytes(100)}});
    Open(wave);
    orvik::SetDisableSoundConverters(0x1F);
    EXPECT_EQ(orvik::SetupSoundConvert(&stream_, &c_), -1);
    orvik::SetDisableSoundConverters(-5);
    EXPECT_EQ(orvik::SetupSoundConvert(&stream_, &c_), -1) << "only Ogg Vorbis is tried";
    orvik::SetDisableSoundConverters(0);
    ASSERT_EQ(orvik::SetupSoundConvert(&stream_, &c_), 0);
    EXPECT_EQ(orvik::TerminateSoundConvert(&c_), 0);
    EXPECT_EQ(orvik::TerminateSoundConvert(&c_), -1);
    uint8_t out[4];
    EXPECT_EQ(orvik::ReadSoundConvert(&c_, out, 4), -1);
}

TEST_F(ConvertTest, ADataChunkLongerThanTheStreamCountsOnlyWhatIsThere) {
    Chunk data{"data", MonoBytes(30), 5000};
    Open(Wave({{"fmt ", FmtData(1, 1, 8000, 8)}, data}));
    ASSERT_EQ(orvik::SetupSoundConvert(&stream_, &c_), 0);
    EXPECT_EQ(orvik::GetSoundConvertDestSize(&c_), 30);
    uint8_t out[64];
    EXPECT_EQ(orvik::ReadSoundConvert(&c_, out, 64), 30);
}

}  // namespace
}  // namespace sound_test
