// DDS files with the extended DX10 header: the DXGI formats read (channel masks, BC1 to
// BC3 as DXT blocks, decoded pixels, BC4 and BC5 blocks in both of their interpolation
// forms, unsigned and signed), and the textures and formats refused with a log line.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/graphics/dds/dxt_decode.h"
#include "tests/support/image_file_builders.h"
#include "tests/support/temp_log.h"

namespace {

using imagetest::Bytes;
using imagetest::DdsSpec;
using imagetest::Dx10Header;
using imagetest::MakeDds;
using imagetest::ReadWith;

DdsSpec Dx10Spec(uint32_t dxgi, uint32_t width, uint32_t height, Bytes data) {
    DdsSpec s;
    s.fourCc = "DX10";
    s.width = width;
    s.height = height;
    s.extraHeader = Dx10Header(dxgi);
    s.data = std::move(data);
    return s;
}

std::vector<uint32_t> RowOf(const imagetest::ReadResult& r) {
    std::vector<uint32_t> out;
    for (int x = 0; x < r.image.width; ++x) out.push_back(r.At(x, 0));
    return out;
}

struct DxgiCase {
    const char* name;
    uint32_t dxgi;
    Bytes pixels;
    std::vector<uint32_t> expected;  // 0xAARRGGBB
};

// Halves 0x3800 = 0.5, 0x3C00 = 1; floats 0.25 = 0x3E800000, 2.0 = 0x40000000.
const DxgiCase kDxgiCases[] = {
    {"R8G8B8A8_UNORM", 28, {1, 2, 3, 4}, {0x04010203}},
    {"R8G8B8A8_UNORM_SRGB", 29, {1, 2, 3, 4}, {0x04010203}},
    {"B8G8R8A8_UNORM", 87, {1, 2, 3, 4}, {0x04030201}},
    {"B8G8R8X8_UNORM", 88, {1, 2, 3, 4}, {0xFF030201}},
    {"R10G10B10A2_UNORM", 24, {0xFF, 0x03, 0x00, 0xC0}, {0xFFFF0000}},
    {"B5G6R5_UNORM", 85, {0x1F, 0x00}, {0xFF0000FF}},
    {"B5G5R5A1_UNORM", 86, {0x00, 0xFC}, {0xFFFF0000}},
    {"R16G16B16A16_UNORM", 11, {0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF}, {0xFFFF0000}},
    {"R16G16B16A16_FLOAT", 10, {0, 0x38, 0, 0x3C, 0, 0, 0, 0x3C}, {0xFF80FF00}},
    {"R32G32B32A32_FLOAT",
     2,
     {0, 0, 0x80, 0x3E, 0, 0, 0, 0x40, 0, 0, 0, 0, 0, 0, 0x80, 0x3E},
     {0x4040FF00}},
    {"R16_FLOAT", 54, {0, 0x38}, {0xFF800000}},
    {"R32_FLOAT", 41, {0, 0, 0x80, 0x3E}, {0xFF400000}},
    {"R8_UNORM", 61, {0x7F}, {0xFF7F0000}},
    {"R8G8_UNORM", 49, {0x7F, 0x10}, {0xFF7F1000}},
    {"A8_UNORM", 65, {0x7F}, {0x7F000000}},
    {"R8G8B8A8_SNORM", 31, {0x7F, 0x00, 0x81, 0x40}, {0xC0FF8000}},
    {"R8G8_SNORM", 51, {0x81, 0x7F}, {0xFF00FF00}},
    {"R8_SNORM", 63, {0x00}, {0xFF800000}},
    {"R16_SNORM", 58, {0xFF, 0x7F}, {0xFFFF0000}},
};

TEST(DdsDx10Test, PlainDxgiFormatsGiveTheirChannels) {
    for (const DxgiCase& c : kDxgiCases) {
        auto r = ReadWith(orvik::ReadDdsImage, MakeDds(Dx10Spec(c.dxgi, uint32_t(c.expected.size()), 1, c.pixels)));
        ASSERT_EQ(r->code, 0) << c.name;
        // Channel-mask layouts keep their own pixels, so compare after conversion.
        orvik::BaseImage argb{};
        ASSERT_EQ(orvik::NewArgb32BaseImage(r->image.width, 1, &argb), 0);
        ASSERT_EQ(orvik::ConvertBaseImageFormat(0, 0, r->image.width, 1, 0, 0, &r->image, &argb), 0);
        EXPECT_EQ(orvik::ReadBaseImagePixel(&argb, 0, 0), c.expected[0]) << c.name;
        orvik::FreeBaseImage(&argb);
    }
}

// A format that leaves the channels' type open reads as its unsigned normalised form
// (float for 32-bit channels): the same pixels from the same bytes.
TEST(DdsDx10Test, TypelessFormatsReadAsTheirUnormForms) {
    struct Pair {
        uint32_t typeless, typed, width;
        int bytesPerBlockOrPixel;
    };
    const Pair pairs[] = {{27, 28, 1, 4},  {90, 87, 1, 4}, {92, 88, 1, 4}, {9, 11, 1, 8},   {1, 2, 1, 16},
                          {23, 24, 1, 4},  {53, 56, 1, 2}, {60, 61, 1, 1}, {48, 49, 1, 2},  {33, 35, 1, 4},
                          {39, 41, 1, 4},  {70, 71, 4, 8}, {76, 77, 4, 16}, {79, 80, 4, 8}, {97, 98, 4, 16}};
    for (const Pair& p : pairs) {
        Bytes data(size_t(p.bytesPerBlockOrPixel));
        for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(0x35 + 29 * i);
        if (p.typeless == 1) data = {0, 0, 0x80, 0x3E, 0, 0, 0, 0x3F, 0, 0, 0, 0, 0, 0, 0x80, 0x3F};
        if (p.typeless == 39) data = {0, 0, 0x80, 0x3E};
        if (p.typeless == 97) data[0] = 0x40;  // BC7 mode 6
        auto open = ReadWith(orvik::ReadDdsImage, MakeDds(Dx10Spec(p.typeless, p.width, p.width, data)));
        auto typed = ReadWith(orvik::ReadDdsImage, MakeDds(Dx10Spec(p.typed, p.width, p.width, data)));
        ASSERT_EQ(open->code, 0) << p.typeless;
        ASSERT_EQ(typed->code, 0) << p.typed;
        ASSERT_EQ(open->image.width, typed->image.width) << p.typeless;
        EXPECT_EQ(open->image.format.bitDepth, typed->image.format.bitDepth) << p.typeless;
        EXPECT_EQ(open->image.format.compression, typed->image.format.compression) << p.typeless;
        for (int y = 0; y < int(p.width); ++y)
            for (int x = 0; x < int(p.width); ++x) EXPECT_EQ(open->At(x, y), typed->At(x, y)) << p.typeless;
    }
}

TEST(DdsDx10Test, Bc1ToBc3StayDxtBlocks) {
    const uint32_t kinds[][2] = {{71, orvik::kCompressionDxt1}, {72, orvik::kCompressionDxt1},
                                 {74, orvik::kCompressionDxt3}, {77, orvik::kCompressionDxt5},
                                 {78, orvik::kCompressionDxt5}};
    for (const auto& k : kinds) {
        const size_t bytes = k[1] == orvik::kCompressionDxt1 ? 8 : 16;
        Bytes block(bytes, 0);
        block[bytes - 8] = 0xFF;  // first colour 0x00FF: blue 31, some green
        auto r = ReadWith(orvik::ReadDdsImage, MakeDds(Dx10Spec(k[0], 4, 4, block)));
        ASSERT_EQ(r->code, 0) << k[0];
        EXPECT_EQ(r->image.format.compression, k[1]) << k[0];
        EXPECT_EQ(r->image.pitch, 0);
        ASSERT_EQ(orvik::DecodeDxtBaseImage(&r->image), 0);
        EXPECT_EQ(r->At(0, 0) & 0xFFFFFF, 0x001CFFu) << k[0];
    }
}

// One BC4 block: endpoints and sixteen 3-bit indices, texel t taking index t % 8.
Bytes Bc4Block(uint8_t e0, uint8_t e1) {
    Bytes b = {e0, e1};
    uint64_t indices = 0;
    for (int t = 0; t < 16; ++t) indices |= uint64_t(t % 8) << (3 * t);
    for (int i = 0; i < 6; ++i) b.push_back(uint8_t(indices >> (8 * i)));
    return b;
}

// The eight values of a block, as fractions of the endpoints, rounded to 8 bits.
std::vector<int> Bc4Values(double e0, double e1, double low, double high, double (*toUnit)(double)) {
    std::vector<int> v = {0, 0, 0, 0, 0, 0, 0, 0};
    auto byte = [toUnit](double x) { return int(std::lround(toUnit(x) * 255)); };
    v[0] = byte(e0);
    v[1] = byte(e1);
    if (e0 > e1) {
        for (int i = 1; i < 7; ++i) v[i + 1] = byte(((7 - i) * e0 + i * e1) / 7);
    } else {
        for (int i = 1; i < 5; ++i) v[i + 1] = byte(((5 - i) * e0 + i * e1) / 5);
        v[6] = byte(low);
        v[7] = byte(high);
    }
    return v;
}

double UnsignedUnit(double v) { return v / 255; }
double SignedUnit(double v) { return (v / 127 + 1) / 2; }

TEST(DdsDx10Test, Bc4AndBc5BothInterpolationFormsUnsignedAndSigned) {
    struct Bc4Case {
        uint32_t dxgi;
        const char* fourCc;
        uint8_t e0, e1;
        double low, high;
        double (*toUnit)(double);
    };
    const Bc4Case cases[] = {
        {80, "ATI1", 200, 10, 0, 255, UnsignedUnit},   // eight values
        {80, "BC4U", 10, 200, 0, 255, UnsignedUnit},   // six values, then 0 and 255
        {81, "BC4S", 127, 0x81, -127, 127, SignedUnit},  // 1 to -1
        {81, "BC4S", 0x80, 100, -127, 127, SignedUnit},  // -128 counts as -127
    };
    for (const Bc4Case& c : cases) {
        const double e0 = c.toUnit == SignedUnit ? std::max(-127, int(int8_t(c.e0))) : c.e0;
        const double e1 = c.toUnit == SignedUnit ? std::max(-127, int(int8_t(c.e1))) : c.e1;
        const std::vector<int> values = Bc4Values(e0, e1, c.low, c.high, c.toUnit);
        for (int form = 0; form < 2; ++form) {
            DdsSpec s = Dx10Spec(c.dxgi, 4, 4, Bc4Block(c.e0, c.e1));
            if (form == 1) {
                s.fourCc = c.fourCc;
                s.extraHeader.clear();
            }
            auto r = ReadWith(orvik::ReadDdsImage, MakeDds(s));
            ASSERT_EQ(r->code, 0) << c.fourCc;
            for (int t = 0; t < 16; ++t)
                EXPECT_EQ(r->At(t % 4, t / 4), 0xFF000000u | uint32_t(values[t % 8]) << 16) << c.fourCc << t;
        }
    }

    // BC5: red from the first block, green from the second; blue 0.
    for (uint32_t dxgi : {83u, 84u}) {
        Bytes blocks = Bc4Block(255, 0);
        const Bytes green = Bc4Block(0, 64);
        blocks.insert(blocks.end(), green.begin(), green.end());
        DdsSpec s = Dx10Spec(dxgi, 4, 4, blocks);
        auto r = ReadWith(orvik::ReadDdsImage, MakeDds(s));
        ASSERT_EQ(r->code, 0);
        auto unit = dxgi == 83 ? UnsignedUnit : SignedUnit;
        const double red1 = dxgi == 83 ? 255 : -1, green1 = 64;  // 0xFF as a signed byte is -1
        const std::vector<int> red = Bc4Values(red1, 0, dxgi == 83 ? 0 : -127, dxgi == 83 ? 255 : 127, unit);
        const std::vector<int> grn = Bc4Values(0, green1, dxgi == 83 ? 0 : -127, dxgi == 83 ? 255 : 127, unit);
        for (int t = 0; t < 16; ++t)
            EXPECT_EQ(r->At(t % 4, t / 4), 0xFF000000u | uint32_t(red[t % 8]) << 16 | uint32_t(grn[t % 8]) << 8)
                << dxgi << " " << t;
    }
    DdsSpec ati2 = Dx10Spec(83, 4, 4, Bytes(16, 0));
    ati2.fourCc = "ATI2";
    ati2.extraHeader.clear();
    EXPECT_EQ(ReadWith(orvik::ReadDdsImage, MakeDds(ati2))->code, 0);
}

// Alpha mode 2: colours stored multiplied by alpha are divided back, clamped at 255, alpha
// 0 black, as the premultiplied DXT kinds are; mode 1 (straight) keeps the pixels.
TEST(DdsDx10Test, PremultipliedAlphaModeDividesColoursByAlpha) {
    const Bytes bgra = {0x40, 0x20, 0x10, 0x80, 5, 5, 5, 0, 0xFF, 0, 0, 0x80};
    DdsSpec s = Dx10Spec(87, 3, 1, bgra);
    s.extraHeader = Dx10Header(87, 3, 0, 1, 2);
    auto r = ReadWith(orvik::ReadDdsImage, MakeDds(s));
    ASSERT_EQ(r->code, 0);
    // 0x10 * 255 / 128 = 31, 0x20 -> 63, 0x40 -> 127; 255 * 255 / 128 passes 255.
    EXPECT_EQ(RowOf(*r), (std::vector<uint32_t>{0x801F3F7F, 0x00000000, 0x800000FF}));
    s.extraHeader = Dx10Header(87, 3, 0, 1, 1);
    auto straight = ReadWith(orvik::ReadDdsImage, MakeDds(s));
    ASSERT_EQ(straight->code, 0);
    EXPECT_EQ(RowOf(*straight), (std::vector<uint32_t>{0x80102040, 0x00050505, 0x800000FF}));

    // Decoded channels: half red under half alpha is full red.
    DdsSpec wide = Dx10Spec(11, 1, 1, {0, 0x80, 0, 0, 0, 0, 0, 0x80});
    wide.extraHeader = Dx10Header(11, 3, 0, 1, 2);
    auto w = ReadWith(orvik::ReadDdsImage, MakeDds(wide));
    ASSERT_EQ(w->code, 0);
    EXPECT_EQ(w->At(0, 0), 0x80FF0000u);

    // BC2 and BC3 take the premultiplied DXT kinds; BC1 stays as it is.
    const uint32_t kinds[][3] = {{74, orvik::kCompressionDxt2, 16}, {77, orvik::kCompressionDxt4, 16},
                                 {71, orvik::kCompressionDxt1, 8}};
    for (const auto& k : kinds) {
        DdsSpec block = Dx10Spec(k[0], 4, 4, Bytes(k[2], 0));
        block.extraHeader = Dx10Header(k[0], 3, 0, 1, 2);
        auto b = ReadWith(orvik::ReadDdsImage, MakeDds(block));
        ASSERT_EQ(b->code, 0) << k[0];
        EXPECT_EQ(b->image.format.compression, k[1]) << k[0];
    }
}

TEST(DdsDx10Test, ImpossibleShapesAndUnknownFormatsAreRefusedWithALogLine) {
    orvik_test::TempLog log;
    const Bytes pixel = {1, 2, 3, 4};
    struct Refused {
        Bytes header;
        const char* logged;
    };
    const Refused refused[] = {
        {Dx10Header(28, 0), "DX10 dimension 0"},      // unknown
        {Dx10Header(28, 1), "DX10 dimension 1"},      // a buffer
        {Dx10Header(28, 5), "DX10 dimension 5"},
        {Dx10Header(28, 2, 0x4), "misc 0x4"},         // a one-dimensional cube
        {Dx10Header(28, 4, 0x4), "misc 0x4"},         // a volume cube
        {Dx10Header(28, 4, 0, 2), "array size 2"},    // an array of volumes
        {Dx10Header(28, 3, 0, 0), "array size 0"},
        {Dx10Header(28, 3, 0x4, 0), "array size 0"},
        {Dx10Header(0), "DXGI format 0"},
        {Dx10Header(200), "DXGI format 200"},
        {Dx10Header(0xFFFFFFFF), "DXGI format 4294967295"},
        {Bytes(12, 0), "壊れています(DX10 header)"},  // the extended header cut short
    };
    for (const Refused& c : refused) {
        DdsSpec s = Dx10Spec(28, 1, 1, {});
        s.extraHeader = c.header;
        if (c.header.size() == 20) s.data = pixel;
        EXPECT_EQ(ReadWith(orvik::ReadDdsImage, MakeDds(s))->code, -1) << c.logged;
        EXPECT_NE(log.Read().find(c.logged), std::string::npos) << c.logged;
    }
    // Block data shorter than the blocks of the image and its levels.
    DdsSpec chain = Dx10Spec(98, 8, 8, Bytes(4 * 16 + 16, 0));
    chain.mipCount = 3;
    EXPECT_EQ(ReadWith(orvik::ReadDdsImage, MakeDds(chain))->code, -1);
    chain.data.resize(4 * 16 + 16 + 16);
    auto r = ReadWith(orvik::ReadDdsImage, MakeDds(chain));
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->image.mipCount, 3u);
}

}  // namespace
