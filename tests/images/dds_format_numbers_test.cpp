// DDS files naming their uncompressed layout by a Direct3D format number in the FourCC
// field: each number gives its channels, 10-bit channels come out as their top eight
// bits, padded rows and mip chains are read as for mask layouts, and numbers that are
// not layouts are refused with a log line.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "engine/platform/base/memory.h"
#include "tests/support/image_file_builders.h"
#include "tests/support/temp_log.h"

namespace {

using imagetest::Bytes;
using imagetest::DdsSpec;
using imagetest::MakeDds;
using imagetest::ReadWith;

// The FourCC word holding a format number, as writers store it.
struct NumberWord {
    explicit NumberWord(uint32_t n)
        : bytes{char(n), char(n >> 8), char(n >> 16), char(n >> 24)} {}
    std::array<char, 4> bytes;
};

struct NumberedCase {
    const char* name;
    uint32_t number;
    int bytesPerPixel;
    std::vector<uint32_t> pixels;    // stored little-endian, bytesPerPixel each
    std::vector<uint32_t> expected;  // 0xAARRGGBB after conversion to 32-bit ARGB
};

// Narrow channels are all-zero or full so that no widening rule is assumed; 8- and
// 10-bit ones carry distinct middle values, so swapped or shifted masks show. 0x0FF in a
// 10-bit channel is 0x3F by its top bits (0x40 if it were rounded).
const NumberedCase kNumberedCases[] = {
    {"R8G8B8", 20, 3, {0x102030}, {0xFF102030}},
    {"A8R8G8B8", 21, 4, {0x04030201}, {0x04030201}},
    {"X8R8G8B8", 22, 4, {0x04030201}, {0xFF030201}},
    {"R5G6B5", 23, 2, {0xFFE0, 0x001F}, {0xFFFFFF00, 0xFF0000FF}},
    {"X1R5G5B5", 24, 2, {0xFC00, 0x03E0}, {0xFFFF0000, 0xFF00FF00}},
    {"A1R5G5B5", 25, 2, {0x03E0, 0x801F}, {0x0000FF00, 0xFF0000FF}},
    {"A4R4G4B4", 26, 2, {0xF0F0, 0x0F00}, {0xFF00FF00, 0x00FF0000}},
    {"R3G3B2", 27, 1, {0xE3, 0x1C}, {0xFFFF00FF, 0xFF00FF00}},
    {"A8R3G3B2", 29, 2, {0x80E0, 0x2403}, {0x80FF0000, 0x240000FF}},
    {"X4R4G4B4", 30, 2, {0xF00F, 0x00F0}, {0xFF0000FF, 0xFF00FF00}},
    {"A2B10G10R10", 31, 4, {0x80000000 | 0x0FFu << 20 | 0x200u << 10 | 0x3FF}, {0xAAFF803F}},
    {"A8B8G8R8", 32, 4, {0x04030201}, {0x04010203}},
    {"X8B8G8R8", 33, 4, {0x04030201}, {0xFF010203}},
    {"A2R10G10B10", 35, 4, {0x40000000 | 0x0FFu << 20 | 0x200u << 10 | 0x3FF}, {0x553F80FF}},
};

void PutPixel(Bytes& b, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(uint8_t(value >> (8 * i)));
}

DdsSpec NumberedSpec(const NumberWord& word, uint32_t width, uint32_t height) {
    DdsSpec s;
    s.fourCc = word.bytes.data();
    s.width = width;
    s.height = height;
    return s;
}

// Reads the file and converts it to 32-bit ARGB, the way a loaded image goes on.
std::vector<uint32_t> ReadAsArgb(const Bytes& file, int* code) {
    auto r = ReadWith(orvik::ReadDdsImage, file);
    *code = r->code;
    std::vector<uint32_t> out;
    if (r->code != 0) return out;
    orvik::BaseImage argb{};
    EXPECT_EQ(orvik::NewArgb32BaseImage(r->image.width, r->image.height, &argb), 0);
    EXPECT_EQ(orvik::ConvertBaseImageFormat(0, 0, r->image.width, r->image.height, 0, 0,
                                            &r->image, &argb), 0);
    for (int y = 0; y < argb.height; ++y)
        for (int x = 0; x < argb.width; ++x) out.push_back(orvik::ReadBaseImagePixel(&argb, x, y));
    orvik::FreeBaseImage(&argb);
    return out;
}

TEST(DdsFormatNumberTest, EveryListedNumberGivesItsChannels) {
    for (const NumberedCase& c : kNumberedCases) {
        const NumberWord word(c.number);
        DdsSpec s = NumberedSpec(word, uint32_t(c.pixels.size()), 1);
        for (uint32_t p : c.pixels) PutPixel(s.data, p, c.bytesPerPixel);
        int code = -1;
        const std::vector<uint32_t> argb = ReadAsArgb(MakeDds(s), &code);
        ASSERT_EQ(code, 0) << c.name;
        EXPECT_EQ(argb, c.expected) << c.name;
    }
}

TEST(DdsFormatNumberTest, TenBitChannelsKeepTheirTopBitsEverywhere) {
    // Full, zero and 0x3FF - 3 (whose top eight bits are still 0xFF) in each channel.
    const NumberWord word(35);  // A2R10G10B10
    DdsSpec s = NumberedSpec(word, 2, 1);
    PutPixel(s.data, 0xC0000000 | 0x3FCu << 20 | 0x3FF, 4);
    PutPixel(s.data, 0x000FFC00, 4);
    auto r = ReadWith(orvik::ReadDdsImage, MakeDds(s));
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->image.format.redWidth, 10);
    EXPECT_EQ(r->image.format.alphaWidth, 2);
    // The plain pixel read and the scaled channel read agree with the conversion.
    EXPECT_EQ(r->At(0, 0), 0xC0FF00FFu);
    EXPECT_EQ(r->At(1, 0), 0x0000FF00u);
    int red = 0, green = 0, blue = 0, alpha = 0;
    ASSERT_EQ(orvik::ReadBaseImagePixelRGBA(&r->image, 0, 0, &red, &green, &blue, &alpha), 0);
    EXPECT_EQ(red, 0x3FC * 255 / 1023);
    EXPECT_EQ(green, 0);
    EXPECT_EQ(blue, 255);
    EXPECT_EQ(alpha, 255);
}

TEST(DdsFormatNumberTest, HeaderPitchAndMipChainsAsForMaskLayouts) {
    // 3 x 2 R5G6B5 rows padded to 8 bytes by the header's pitch.
    const NumberWord word(23);
    DdsSpec padded = NumberedSpec(word, 3, 2);
    padded.pitch = 8;
    for (uint32_t p : {0xF800u, 0x07E0u, 0x001Fu, 0xFFFFu, 0u, 0xFFFFu, 0u, 0x1234u}) PutPixel(padded.data, p, 2);
    int code = -1;
    EXPECT_EQ(ReadAsArgb(MakeDds(padded), &code),
              (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF000000, 0xFFFFFFFF, 0xFF000000}));
    ASSERT_EQ(code, 0);

    // 4 x 2 A8R8G8B8 with three levels: 4 x 2, 2 x 1 and 1 x 1 pixels.
    const NumberWord argbWord(21);
    DdsSpec chain = NumberedSpec(argbWord, 4, 2);
    chain.mipCount = 3;
    chain.data.assign((8 + 2 + 1) * 4, 0x5A);
    auto r = ReadWith(orvik::ReadDdsImage, MakeDds(chain));
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->image.mipCount, 3u);
    EXPECT_EQ(r->image.pitch, 16);
    EXPECT_EQ(r->At(3, 1), 0x5A5A5A5Au);
    chain.data.pop_back();
    EXPECT_EQ(ReadWith(orvik::ReadDdsImage, MakeDds(chain))->code, -1);
}

TEST(DdsFormatNumberTest, OtherNumbersAndShortOrHugeDataAreRefusedWithALogLine) {
    orvik_test::TempLog log;
    // A1 (118), one bit a pixel, is not read; nor is 0.
    for (uint32_t number : {118u, 0u}) {
        const NumberWord word(number);
        DdsSpec s = NumberedSpec(word, 1, 1);
        s.data.assign(16, 0);
        EXPECT_EQ(ReadWith(orvik::ReadDdsImage, MakeDds(s))->code, -1) << number;
    }
    EXPECT_NE(log.Read().find("対応していないＤＤＳファイルの形式です"), std::string::npos);

    const NumberWord word(22);
    DdsSpec cut = NumberedSpec(word, 2, 2);
    cut.data.assign(15, 0);  // one byte short of four pixels
    EXPECT_EQ(ReadWith(orvik::ReadDdsImage, MakeDds(cut))->code, -1);
    // A header claiming a 20000 x 20000 image over 16 bytes is refused before allocating:
    // the memory manager logs a block of that size if one is made.
    DdsSpec huge = NumberedSpec(word, 20000, 20000);
    huge.data.assign(16, 0);
    orvik::TrackedMemory().sizeFilter = int64_t{20000} * 20000 * 4;
    EXPECT_EQ(ReadWith(orvik::ReadDdsImage, MakeDds(huge))->code, -1);
    orvik::TrackedMemory().sizeFilter = 0;
    EXPECT_NE(log.Read().find("壊れています(pixel data)"), std::string::npos);
    EXPECT_EQ(log.Read().find("dds_reader"), std::string::npos);
    // The pitch given must hold a row.
    DdsSpec narrow = NumberedSpec(word, 2, 1);
    narrow.pitch = 4;
    narrow.data.assign(8, 0);
    EXPECT_EQ(ReadWith(orvik::ReadDdsImage, MakeDds(narrow))->code, -1);
    EXPECT_NE(log.Read().find("壊れています(pitch)"), std::string::npos);
}

}  // namespace
