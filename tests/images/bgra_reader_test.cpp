#include <gtest/gtest.h>

#include "engine/platform/base/memory.h"
#include "tests/support/image_file_builders.h"
#include "tests/support/temp_log.h"

namespace {

using imagetest::Bytes;
using imagetest::Put32;
using imagetest::ReadWith;

Bytes MakeBgra(uint32_t channels, uint32_t width, uint32_t height, const Bytes& pixels) {
    Bytes b;
    imagetest::PutText(b, "BGRA");
    Put32(b, channels);
    Put32(b, width);
    Put32(b, height);
    imagetest::Append(b, pixels);
    return b;
}

TEST(BgraReaderTest, EightAndSixteenBitChannels) {
    auto r8 = ReadWith(orvik::ReadBgraImage, MakeBgra(0x08080808, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_EQ(r8->code, 0);
    EXPECT_EQ(r8->image.pitch, 8);
    EXPECT_EQ(r8->At(0, 0), 0x04030201u);
    EXPECT_EQ(r8->At(1, 0), 0x08070605u);
    // Each 16-bit little-endian channel keeps its high byte.
    auto r16 = ReadWith(orvik::ReadBgraImage,
                        MakeBgra(0x10101010, 1, 2,
                                 {0xFF, 0x12, 0x00, 0x34, 0x80, 0x56, 0x01, 0xFF,
                                  0, 1, 0, 2, 0, 3, 0, 4}));
    ASSERT_EQ(r16->code, 0);
    EXPECT_EQ(r16->At(0, 0), 0xFF563412u);
    EXPECT_EQ(r16->At(0, 1), 0x04030201u);
}

TEST(BgraReaderTest, RefusesOtherChannelsImpossibleSizesAndShortData) {
    EXPECT_EQ(ReadWith(orvik::ReadBgraImage, MakeBgra(0x05060500, 1, 1, {0, 0, 0, 0}))->code, -1);
    // Sizes whose byte count would wrap a 32-bit product.
    EXPECT_EQ(ReadWith(orvik::ReadBgraImage, MakeBgra(0x08080808, 0x40000000, 4, {}))->code, -1);
    EXPECT_EQ(ReadWith(orvik::ReadBgraImage, MakeBgra(0x08080808, 0xFFFFFFFF, 1, {}))->code, -1);
    EXPECT_EQ(ReadWith(orvik::ReadBgraImage, MakeBgra(0x08080808, 2, 1, {1, 2, 3, 4}))->code, -1);
    EXPECT_EQ(ReadWith(orvik::ReadBgraImage, MakeBgra(0x10101010, 1, 1, {1, 2, 3}))->code, -1);
    EXPECT_EQ(ReadWith(orvik::ReadBgraImage, Bytes{'B', 'G', 'R', 'A', 8, 8})->code, -1);
    // A header claiming 256 MB over 4 bytes is refused before allocating: the memory
    // manager logs a block of that size if one is made.
    orvik_test::TempLog log;
    for (uint32_t channels : {0x08080808u, 0x10101010u}) {
        orvik::TrackedMemory().sizeFilter = int64_t{8192} * 8192 * 4;
        EXPECT_EQ(ReadWith(orvik::ReadBgraImage, MakeBgra(channels, 8192, 8192, {1, 2, 3, 4}))->code, -1);
        orvik::TrackedMemory().sizeFilter = 0;
    }
    EXPECT_EQ(log.Read().find("mem alloc"), std::string::npos) << log.Read();
    EXPECT_NE(log.Read().find("ピクセルデータが足りません"), std::string::npos);
}

}  // namespace
