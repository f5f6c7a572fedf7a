// DDS layouts of luminance, alpha, 16-bit and float channels, named by a Direct3D format
// number or described by luminance and alpha flags, decoded into 32-bit ARGB: 16-bit
// channels are rounded to the nearest 8-bit value, float channels clamped to [0, 1] and
// rounded, and channels the layout lacks read as black with full alpha.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "tests/support/image_file_builders.h"

namespace {

using imagetest::Bytes;
using imagetest::DdsSpec;
using imagetest::MakeDds;
using imagetest::ReadWith;

void PutHalves(Bytes& b, std::initializer_list<uint16_t> values) {
    for (uint16_t v : values) imagetest::Put16(b, v);
}

void PutFloats(Bytes& b, std::initializer_list<float> values) {
    for (float f : values) {
        uint32_t word;
        std::memcpy(&word, &f, 4);
        imagetest::Put32(b, word);
    }
}

struct WideCase {
    const char* name;
    uint8_t number;  // Direct3D format number, in the FourCC word
    Bytes pixels;
    std::vector<uint32_t> expected;  // 0xAARRGGBB, one per pixel
};

Bytes Halves(std::initializer_list<uint16_t> v) {
    Bytes b;
    PutHalves(b, v);
    return b;
}

Bytes Floats(std::initializer_list<float> v) {
    Bytes b;
    PutFloats(b, v);
    return b;
}

// 0x12C0 is 18.68 in 8-bit steps: 19 rounded, where its top byte would be 18.
// Halves: 0x3800 0.5, 0xBC00 -1, 0x4000 2, 0x3555 0.33325, 0x7E00 NaN, 0x3C00 1, 0x3400 0.25.
const WideCase kWideCases[] = {
    {"L8", 50, {0x00, 0x80, 0xFF}, {0xFF000000, 0xFF808080, 0xFFFFFFFF}},
    {"A8L8", 51, {0x40, 0x80}, {0x80404040}},
    {"A4L4", 52, {0x3C}, {0x33CCCCCC}},
    {"L16", 81, Halves({0x12C0, 0xFFFF}), {0xFF131313, 0xFFFFFFFF}},
    {"A8", 28, {0x80}, {0x80000000}},
    {"G16R16", 34, Halves({0xFFFF, 0x12C0}), {0xFFFF1300}},
    {"A16B16G16R16", 36, Halves({0x12C0, 0, 0xFFFF, 0x8000}), {0x801300FF}},
    {"R16F", 111, Halves({0x3800, 0xBC00, 0x4000}), {0xFF800000, 0xFF000000, 0xFFFF0000}},
    {"G16R16F", 112, Halves({0x3555, 0x7E00}), {0xFF550000}},
    {"A16B16G16R16F", 113, Halves({0x3C00, 0x3400, 0, 0x3800}), {0x80FF4000}},
    {"R32F", 114, Floats({0.75f, INFINITY}), {0xFFBF0000, 0xFFFF0000}},
    {"G32R32F", 115, Floats({1e-3f, 0.2f}), {0xFF003300}},
    {"A32B32G32R32F", 116, Floats({-0.5f, 0.5f, 1.5f, 0.25f}), {0x400080FF}},
    // Signed: (v + 1) / 2, the most negative value as -1; 0 is 128 (127.5 rounded up), 64 is 192.
    {"V8U8", 60, {0x81, 0x7F, 0x80, 0x00}, {0xFF00FF00, 0xFF008000}},
    {"Q8W8V8U8", 63, {0x7F, 0x00, 0x81, 0x40}, {0xC0FF8000}},
    {"V16U16", 64, Halves({0x7FFF, 0x8000}), {0xFFFF0000}},
    {"Q16W16V16U16", 110, Halves({0x8001, 0x7FFF, 0, 0x7FFF}), {0xFF00FF80}},
};

std::vector<uint32_t> Pixels(const imagetest::ReadResult& r) {
    std::vector<uint32_t> out;
    for (int y = 0; y < r.image.height; ++y)
        for (int x = 0; x < r.image.width; ++x) out.push_back(r.At(x, y));
    return out;
}

TEST(DdsWideChannelTest, EveryNumberedLayoutDecodesToArgb) {
    for (const WideCase& c : kWideCases) {
        const char word[4] = {char(c.number), 0, 0, 0};
        DdsSpec s;
        s.fourCc = word;
        s.width = uint32_t(c.expected.size());
        s.height = 1;
        s.data = c.pixels;
        auto r = ReadWith(orvik::ReadDdsImage, MakeDds(s));
        ASSERT_EQ(r->code, 0) << c.name;
        EXPECT_EQ(r->image.format.alphaMask, 0xFF000000u) << c.name;
        EXPECT_EQ(r->image.format.compression, 0u) << c.name;
        EXPECT_EQ(r->image.pitch, int(4 * c.expected.size())) << c.name;
        EXPECT_EQ(Pixels(*r), c.expected) << c.name;
    }
}

TEST(DdsWideChannelTest, LuminanceAndAlphaFlagsTakeTheirMasks) {
    DdsSpec s;
    s.fourCc = nullptr;
    s.width = 2;
    s.height = 1;
    s.pixelFlags = 0x20000;  // luminance
    s.bitCount = 8;
    s.masks[0] = 0xFF;
    s.data = {0x10, 0xF0};
    auto grey = ReadWith(orvik::ReadDdsImage, MakeDds(s));
    ASSERT_EQ(grey->code, 0);
    EXPECT_EQ(Pixels(*grey), (std::vector<uint32_t>{0xFF101010, 0xFFF0F0F0}));

    // Luminance with alpha pixels: 4-bit fields widened by 17.
    s.pixelFlags = 0x20001;
    s.masks[0] = 0x0F;
    s.masks[3] = 0xF0;
    s.data = {0xA5, 0x0F};
    auto both = ReadWith(orvik::ReadDdsImage, MakeDds(s));
    ASSERT_EQ(both->code, 0);
    EXPECT_EQ(Pixels(*both), (std::vector<uint32_t>{0xAA555555, 0x00FFFFFF}));

    // The same masks without the alpha-pixels flag ignore the alpha mask.
    s.pixelFlags = 0x20000;
    auto opaque = ReadWith(orvik::ReadDdsImage, MakeDds(s));
    ASSERT_EQ(opaque->code, 0);
    EXPECT_EQ(opaque->At(0, 0), 0xFF555555u);

    // Alpha alone, 16 bits wide, rounded.
    s.pixelFlags = 0x2;
    s.bitCount = 16;
    s.masks[0] = 0;
    s.masks[3] = 0xFFFF;
    s.data = {0xC0, 0x12, 0xFF, 0xFF};
    auto alpha = ReadWith(orvik::ReadDdsImage, MakeDds(s));
    ASSERT_EQ(alpha->code, 0);
    EXPECT_EQ(Pixels(*alpha), (std::vector<uint32_t>{0x13000000, 0xFF000000}));

    s.bitCount = 12;  // not a whole number of bytes
    EXPECT_EQ(ReadWith(orvik::ReadDdsImage, MakeDds(s))->code, -1);
}

TEST(DdsWideChannelTest, PaddedRowsMipLevelsAndShortData) {
    // 3 x 2 L8 with rows padded to 4 bytes by the header's pitch.
    const char l8[4] = {50, 0, 0, 0};
    DdsSpec s;
    s.fourCc = l8;
    s.width = 3;
    s.height = 2;
    s.pitch = 4;
    s.data = {1, 2, 3, 99, 4, 5, 6, 99};
    auto padded = ReadWith(orvik::ReadDdsImage, MakeDds(s));
    ASSERT_EQ(padded->code, 0);
    EXPECT_EQ(padded->image.pitch, 12);
    EXPECT_EQ(padded->At(2, 0), 0xFF030303u);
    EXPECT_EQ(padded->At(0, 1), 0xFF040404u);

    // 2 x 2 R16F with two levels: the second level follows the first, decoded too.
    const char r16f[4] = {111, 0, 0, 0};
    DdsSpec chain;
    chain.fourCc = r16f;
    chain.width = 2;
    chain.height = 2;
    chain.mipCount = 2;
    PutHalves(chain.data, {0x3C00, 0x3C00, 0x3C00, 0x3C00, 0x3800});
    auto r = ReadWith(orvik::ReadDdsImage, MakeDds(chain));
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->image.mipCount, 2u);
    EXPECT_EQ(r->At(1, 1), 0xFFFF0000u);
    uint32_t level1;
    std::memcpy(&level1, r->image.pixels + 2 * 2 * 4, 4);
    EXPECT_EQ(level1, 0xFF800000u);
    chain.data.pop_back();
    EXPECT_EQ(ReadWith(orvik::ReadDdsImage, MakeDds(chain))->code, -1);

    // A pitch shorter than a row of 16-byte pixels.
    const char rgba32f[4] = {116, 0, 0, 0};
    DdsSpec narrow;
    narrow.fourCc = rgba32f;
    narrow.width = 2;
    narrow.height = 1;
    narrow.pitch = 16;
    narrow.data.assign(32, 0);
    EXPECT_EQ(ReadWith(orvik::ReadDdsImage, MakeDds(narrow))->code, -1);
}

// CxV8U8 stores U (low byte) and V of a unit normal; the third component is computed as
// sqrt(1 - u^2 - v^2), 0 once u^2 + v^2 passes 1, and shown in blue as (c + 1) / 2 like
// the stored ones (c = 0 is 128, c = 1 is 255).
TEST(DdsWideChannelTest, CxV8U8ComputesTheThirdComponentIntoBlue) {
    struct Normal {
        uint8_t u, v;
        uint32_t expected;
    };
    const Normal normals[] = {
        {0, 0, 0xFF8080FF},        // straight out: c = 1
        {127, 0, 0xFFFF8080},      // u = 1: c = 0
        {0, 127, 0xFF80FF80},      // v = 1, in green
        {64, 0, 0xFFC080EE},       // u = 64/127: c = 0.8637, 237.6 rounded
        {89, 89, 0xFFD9D991},      // u^2 + v^2 = 0.982: c = 0.1334
        {90, 90, 0xFFDADA80},      // u^2 + v^2 = 1.0044 passes 1: c = 0
        {0x81, 0x80, 0xFF000080},  // -1 and -128 (as -1): the sum 2
    };
    const char word[4] = {117, 0, 0, 0};
    DdsSpec s;
    s.fourCc = word;
    s.width = uint32_t(std::size(normals));
    s.height = 1;
    std::vector<uint32_t> expected;
    for (const Normal& n : normals) {
        s.data.push_back(n.u);
        s.data.push_back(n.v);
        expected.push_back(n.expected);
    }
    auto r = ReadWith(orvik::ReadDdsImage, MakeDds(s));
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->image.format.alphaMask, 0xFF000000u);
    EXPECT_EQ(Pixels(*r), expected);
}

}  // namespace
