// The conversion record over a memory stream: reads up to the end, the at-end flag,
// the 16-byte seek threshold, the decoder mask, and ending twice.
#include <unistd.h>

#include <fstream>

#include "convert_fixture.h"
#include "engine/platform/files/file_access.h"

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

// A WAVE file past 2 GB, whose end no 32-bit tell reaches: its data plays up to the mark
// rather than counting as empty.
TEST_F(ConvertTest, AWaveFilePastTwoGigabytesPlaysUpToTheMark) {
    const std::string path = Directory() + "/large.wav";
    const Bytes head = Wave({{"fmt ", FmtData(1, 1, 8000, 8)}, Chunk{"data", MonoBytes(30), 0xC0000000u}});
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(head.data()), std::streamsize(head.size()));
    ASSERT_EQ(truncate(path.c_str(), 0xC0000000 + 44), 0);  // sparse: costs no disk
    const orvik::FileAccessHandle file = orvik::FileAccessOpen(path.c_str(), 0, 1, 0);
    ASSERT_NE(file, 0);
    stream_ = {*orvik::GetFileStreamFunctions(), orvik::StreamHandle(file)};
    ASSERT_EQ(orvik::SetupSoundConvert(&stream_, &c_), 0);
    EXPECT_EQ(orvik::GetSoundConvertDestSize(&c_), INT32_MAX - 44);
    uint8_t out[30] = {};
    EXPECT_EQ(orvik::ReadSoundConvert(&c_, out, 30), 30);
    EXPECT_EQ(Bytes(out, out + 30), MonoBytes(30));
    orvik::TerminateSoundConvert(&c_);
    orvik::FileAccessClose(file);
}

}  // namespace
}  // namespace sound_test
