// BC6H blocks in DX10 DDS files: half-float colour brought to 8 bits (clamped to [0, 1]
// and rounded). Hand-built blocks of every mode, written from the modes' published bit
// layouts (kept here in their own notation, apart from the decoder's tables), and of
// signed and reserved modes, whose texels are worked out here from the format's rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/support/bc_block_writer.h"
#include "tests/support/image_file_builders.h"

namespace {

using imagetest::BcBlockWriter;
using imagetest::BcMix;
using imagetest::BcWeightOf;

std::unique_ptr<imagetest::ReadResult> ReadBc6h(const std::vector<uint8_t>& block, uint32_t dxgi) {
    imagetest::DdsSpec s;
    s.fourCc = "DX10";
    s.extraHeader = imagetest::Dx10Header(dxgi);
    s.data = block;
    return imagetest::ReadWith(orvik::ReadDdsImage, imagetest::MakeDds(s));
}

// An unsigned endpoint of `bits` bits spread over 0 to 0xFFFF.
int Spread(int v, int bits) {
    if (v == 0) return 0;
    if (v == (1 << bits) - 1) return 0xFFFF;
    return ((v << 16) + 0x8000) >> bits;
}

// The half float an interpolated unsigned value stands for (its bits are v * 31 / 64),
// as an 8-bit channel.
int ToByte(int interpolated) {
    const int half = (interpolated * 31) >> 6;
    const int exponent = half >> 10, mantissa = half & 0x3FF;
    const double value = exponent ? std::ldexp(1024 + mantissa, exponent - 25) : std::ldexp(mantissa, -24);
    return value >= 1.0 ? 255 : int(value * 255 + 0.5);
}

uint32_t Grey(int r, int g, int b) { return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }

TEST(DdsBc6hTest, Mode11OneSubsetTenBitEndpoints) {
    const int e0[3] = {400, 440, 1023}, e1[3] = {495, 470, 300};
    BcBlockWriter w;
    w.Put(0x03, 5);
    for (int c = 0; c < 3; ++c) w.Put(e0[c], 10);
    for (int c = 0; c < 3; ++c) w.Put(e1[c], 10);
    for (int t = 0; t < 16; ++t) w.Put(15 - t, t == 0 ? 3 : 4);  // texel 0 holds 7 of 15
    ASSERT_EQ(w.Position(), 128);
    auto r = ReadBc6h(w.Bytes(), 95);
    ASSERT_EQ(r->code, 0);
    for (int t = 0; t < 16; ++t) {
        const int weight = BcWeightOf(4, t == 0 ? 7 : 15 - t);
        int c[3];
        for (int k = 0; k < 3; ++k) c[k] = ToByte(BcMix(Spread(e0[k], 10), Spread(e1[k], 10), weight));
        EXPECT_EQ(r->At(t % 4, t / 4), Grey(c[0], c[1], c[2])) << t;
    }
    // Texel 15 (index 0): endpoint 0, its blue far above 1.0 clamped, red and green in
    // range: 400 and 440 of 1023 are the halves 0x307F (0.1405) and 0x3557 (0.3337).
    EXPECT_EQ(r->At(3, 3), Grey(ToByte(Spread(400, 10)), ToByte(Spread(440, 10)), 255));
    EXPECT_EQ(r->At(3, 3), 0xFF2455FFu);

    // Signed: endpoint 0's red -300 (its sign bit set) reads as 0 and the rest as above
    // their magnitude's share of 0x7FFF.
    BcBlockWriter s;
    s.Put(0x03, 5);
    s.Put(1024 - 300, 10);
    s.Put(200, 10);
    s.Put(0, 10);
    for (int c = 0; c < 3; ++c) s.Put(1024 - 300, 10);
    auto signedRead = ReadBc6h(s.Bytes(), 96);
    ASSERT_EQ(signedRead->code, 0);
    // Texel 0, index 0: endpoint 0. Green 200 of 511: (200 << 15 + 0x4000) >> 9, then
    // times 31 / 32 as a positive half.
    const int green = ((200 << 15) + 0x4000) >> 9, half = (green * 31) >> 5;
    const double value = std::ldexp(1024 + (half & 0x3FF), (half >> 10) - 25);
    EXPECT_EQ(signedRead->At(0, 0), Grey(0, int(value * 255 + 0.5), 0));
}

TEST(DdsBc6hTest, Mode1DifferencesAcrossScatteredBitsAndAPartition) {
    // Mode 1 (10 bits, 5-bit differences, two subsets). Endpoint 0 is (480, 450, 420);
    // the differences below make endpoints 1 to 3 (483, 448, 420), (475, 454, 419) and
    // (481, 434, 405).
    BcBlockWriter w;
    w.Put(0, 2);
    w.Put(0, 1);      // g2 bit 4
    w.Put(1, 1);      // b2 bit 4: b2 = -1
    w.Put(1, 1);      // b3 bit 4: with bit 0 below, b3 = 0x11 = -15
    w.Put(480, 10);
    w.Put(450, 10);
    w.Put(420, 10);
    w.Put(3, 5);      // r1 = +3
    w.Put(1, 1);      // g3 bit 4: g3 = -16
    w.Put(4, 4);      // g2 bits 0-3: +4
    w.Put(0x1E, 5);   // g1 = -2
    w.Put(1, 1);      // b3 bit 0
    w.Put(0, 4);      // g3 bits 0-3
    w.Put(0, 5);      // b1 = 0
    w.Put(0, 1);      // b3 bit 1
    w.Put(0xF, 4);    // b2 bits 0-3
    w.Put(0x1B, 5);   // r2 = -5
    w.Put(0, 1);      // b3 bit 2
    w.Put(1, 5);      // r3 = +1
    w.Put(0, 1);      // b3 bit 3
    w.Put(13, 5);     // partition 13: rows 0-1 subset 0, rows 2-3 subset 1 (anchor 15)
    ASSERT_EQ(w.Position(), 82);
    const int index[16] = {1, 7, 2, 6, 3, 5, 4, 0, 0, 7, 1, 6, 2, 5, 3, 3};
    for (int t = 0; t < 16; ++t) w.Put(index[t], t == 0 || t == 15 ? 2 : 3);
    auto r = ReadBc6h(w.Bytes(), 95);
    ASSERT_EQ(r->code, 0);
    const int e[4][3] = {{480, 450, 420}, {483, 448, 420}, {475, 454, 419}, {481, 434, 405}};
    for (int t = 0; t < 16; ++t) {
        const int s = t < 8 ? 0 : 1, weight = BcWeightOf(3, index[t]);
        int c[3];
        for (int k = 0; k < 3; ++k)
            c[k] = ToByte(BcMix(Spread(e[2 * s][k], 10), Spread(e[2 * s + 1][k], 10), weight));
        EXPECT_EQ(r->At(t % 4, t / 4), Grey(c[0], c[1], c[2])) << t;
    }
}

// A signed endpoint of `bits` bits (its sign restored) as 8 bits: negative ones are 0.
int SignedToByte(int v, int bits) {
    if (v <= 0) return 0;
    const int spread = v >= (1 << (bits - 1)) - 1 ? 0x7FFF : ((v << 15) + 0x4000) >> (bits - 1);
    const int half = (spread * 31) >> 5;
    const double value = std::ldexp(1024 + (half & 0x3FF), (half >> 10) - 25);
    return value >= 1.0 ? 255 : int(value * 255 + 0.5);
}

TEST(DdsBc6hTest, SignedDifferencesKeepTheSignOfTheirSum) {
    // Mode 12: 11-bit endpoint 0 and 9-bit differences, one subset. Red 200 - 256 is -56,
    // which stays negative (black) rather than wrapping to a large 11-bit number; green
    // 200 + 200 and blue 450 + 40 are in range.
    const int e0[3] = {200, 200, 450}, delta[3] = {-256, 200, 40};
    BcBlockWriter w;
    w.Put(0x07, 5);
    for (int c = 0; c < 3; ++c) w.Put(uint32_t(e0[c]) & 0x3FF, 10);
    for (int c = 0; c < 3; ++c) {
        w.Put(uint32_t(delta[c]) & 0x1FF, 9);
        w.Put(uint32_t(e0[c]) >> 10 & 1, 1);
    }
    for (int t = 0; t < 16; ++t) w.Put(t == 0 ? 0 : 15, t == 0 ? 3 : 4);
    ASSERT_EQ(w.Position(), 128);
    auto r = ReadBc6h(w.Bytes(), 96);
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->At(0, 0), Grey(SignedToByte(200, 11), SignedToByte(200, 11), SignedToByte(450, 11)));
    EXPECT_EQ(r->At(1, 0), Grey(0, SignedToByte(400, 11), SignedToByte(490, 11)));
    EXPECT_NE(r->At(1, 0) & 0xFFFF, 0u);
}

// The published bit layouts of the modes, first stored field first: m is the mode
// code; r0 to b3 are the channels of endpoints 0 to 3 (differences from endpoint 0 in
// the transformed modes). [9:0] stores bit 0 first, [10:15] bit 15 first.
struct Bc6hLayout {
    uint32_t code;
    bool transformed;
    const char* fields;
};
const Bc6hLayout kBc6hLayouts[] = {
    {0x00, true, "m[1:0] g2[4] b2[4] b3[4] r0[9:0] g0[9:0] b0[9:0] r1[4:0] g3[4] g2[3:0] g1[4:0] b3[0] g3[3:0] "
                 "b1[4:0] b3[1] b2[3:0] r2[4:0] b3[2] r3[4:0] b3[3]"},
    {0x01, true, "m[1:0] g2[5] g3[4] g3[5] r0[6:0] b3[0] b3[1] b2[4] g0[6:0] b2[5] b3[2] g2[4] b0[6:0] b3[3] "
                 "b3[5] b3[4] r1[5:0] g2[3:0] g1[5:0] g3[3:0] b1[5:0] b2[3:0] r2[5:0] r3[5:0]"},
    {0x02, true, "m[4:0] r0[9:0] g0[9:0] b0[9:0] r1[4:0] r0[10] g2[3:0] g1[3:0] g0[10] b3[0] g3[3:0] b1[3:0] "
                 "b0[10] b3[1] b2[3:0] r2[4:0] b3[2] r3[4:0] b3[3]"},
    {0x06, true, "m[4:0] r0[9:0] g0[9:0] b0[9:0] r1[3:0] r0[10] g3[4] g2[3:0] g1[4:0] g0[10] g3[3:0] b1[3:0] "
                 "b0[10] b3[1] b2[3:0] r2[3:0] b3[0] b3[2] r3[3:0] g2[4] b3[3]"},
    {0x0A, true, "m[4:0] r0[9:0] g0[9:0] b0[9:0] r1[3:0] r0[10] b2[4] g2[3:0] g1[3:0] g0[10] b3[0] g3[3:0] "
                 "b1[4:0] b0[10] b2[3:0] r2[3:0] b3[1] b3[2] r3[3:0] b3[4] b3[3]"},
    {0x0E, true, "m[4:0] r0[8:0] b2[4] g0[8:0] g2[4] b0[8:0] b3[4] r1[4:0] g3[4] g2[3:0] g1[4:0] b3[0] g3[3:0] "
                 "b1[4:0] b3[1] b2[3:0] r2[4:0] b3[2] r3[4:0] b3[3]"},
    {0x12, true, "m[4:0] r0[7:0] g3[4] b2[4] g0[7:0] b3[2] g2[4] b0[7:0] b3[3] b3[4] r1[5:0] g2[3:0] g1[4:0] "
                 "b3[0] g3[3:0] b1[4:0] b3[1] b2[3:0] r2[5:0] r3[5:0]"},
    {0x16, true, "m[4:0] r0[7:0] b3[0] b2[4] g0[7:0] g2[5] g2[4] b0[7:0] g3[5] b3[4] r1[4:0] g3[4] g2[3:0] "
                 "g1[5:0] g3[3:0] b1[4:0] b3[1] b2[3:0] r2[4:0] b3[2] r3[4:0] b3[3]"},
    {0x1A, true, "m[4:0] r0[7:0] b3[1] b2[4] g0[7:0] b2[5] g2[4] b0[7:0] b3[5] b3[4] r1[4:0] g3[4] g2[3:0] "
                 "g1[4:0] b3[0] g3[3:0] b1[5:0] b2[3:0] r2[4:0] b3[2] r3[4:0] b3[3]"},
    {0x1E, false, "m[4:0] r0[5:0] g3[4] b3[0] b3[1] b2[4] g0[5:0] g2[5] b2[5] b3[2] g2[4] b0[5:0] g3[5] b3[3] "
                  "b3[5] b3[4] r1[5:0] g2[3:0] g1[5:0] g3[3:0] b1[5:0] b2[3:0] r2[5:0] r3[5:0]"},
    {0x03, false, "m[4:0] r0[9:0] g0[9:0] b0[9:0] r1[9:0] g1[9:0] b1[9:0]"},
    {0x07, true, "m[4:0] r0[9:0] g0[9:0] b0[9:0] r1[8:0] r0[10] g1[8:0] g0[10] b1[8:0] b0[10]"},
    {0x0B, true, "m[4:0] r0[9:0] g0[9:0] b0[9:0] r1[7:0] r0[10:11] g1[7:0] g0[10:11] b1[7:0] b0[10:11]"},
    {0x0F, true, "m[4:0] r0[9:0] g0[9:0] b0[9:0] r1[3:0] r0[10:15] g1[3:0] g0[10:15] b1[3:0] b0[10:15]"},
};

struct Bc6hBits {
    int field;  // -1 for the mode, else endpoint * 3 + channel
    int first, last;
};

std::vector<Bc6hBits> ParseBc6hLayout(const std::string& text) {
    std::vector<Bc6hBits> out;
    size_t at = 0;
    while (at < text.size()) {
        const size_t open = text.find('[', at), close = text.find(']', at);
        const std::string name = text.substr(at, open - at), range = text.substr(open + 1, close - open - 1);
        const size_t colon = range.find(':');
        const int high = std::stoi(range), low = colon == std::string::npos ? high : std::stoi(range.substr(colon + 1));
        const int field = name == "m" ? -1 : int(std::string("rgb").find(name[0])) + 3 * (name[1] - '0');
        out.push_back({field, low, high});
        at = close + 2;
    }
    return out;
}

// Widths of the fields: endpoint 0's and the differences' (or other endpoints').
int Bc6hWidth(const std::vector<Bc6hBits>& layout, int field) {
    int width = 0;
    for (const Bc6hBits& b : layout)
        if (b.field == field) width = std::max({width, b.first + 1, b.last + 1});
    return width;
}

TEST(DdsBc6hTest, EveryModeByItsPublishedBitLayout) {
    // Two published shapes: 13 (rows 0-1, rows 2-3; anchor 15) and 17 (anchor 2).
    const int shapes[2][16] = {{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1},
                               {0, 1, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}};
    const int partitions[2] = {13, 17}, anchors[2] = {15, 2};
    int caseIndex = 0;
    for (const Bc6hLayout& mode : kBc6hLayouts) {
        const std::vector<Bc6hBits> layout = ParseBc6hLayout(mode.fields);
        const bool two = Bc6hWidth(layout, 6) > 0;
        const int endpoints = two ? 4 : 2, precision = Bc6hWidth(layout, 0);
        // Endpoint 0 a little under half range, where the halves land inside [0, 1];
        // differences over their whole signed range.
        int stored[12] = {}, value[12] = {};
        for (int c = 0; c < 3; ++c) value[c] = stored[c] = (7 << (precision - 4)) + 3 * c;
        for (int f = 3; f < 3 * endpoints; ++f) {
            const int width = Bc6hWidth(layout, f);
            if (mode.transformed) {
                const int delta = (f * 13 + 5) % (1 << width) - (1 << (width - 1));
                stored[f] = delta & ((1 << width) - 1);
                value[f] = (value[f % 3] + delta) & ((1 << precision) - 1);
            } else {
                value[f] = stored[f] = (value[f % 3] + 5 * f) & ((1 << precision) - 1);
            }
        }
        BcBlockWriter w;
        for (const Bc6hBits& b : layout) {
            const uint32_t v = b.field < 0 ? mode.code : uint32_t(stored[b.field]);
            const int step = b.last >= b.first ? 1 : -1;
            for (int bit = b.first;; bit += step) {
                w.Put(v >> bit, 1);
                if (bit == b.last) break;
            }
        }
        const int which = caseIndex++ % 2;
        if (two) w.Put(uint32_t(partitions[which]), 5);
        ASSERT_EQ(w.Position(), two ? 82 : 65) << mode.code;
        const int indexBits = two ? 3 : 4;
        int index[16];
        for (int t = 0; t < 16; ++t) {
            const bool anchor = t == 0 || (two && t == anchors[which]);
            index[t] = (t * 5 + mode.code) & ((1 << (anchor ? indexBits - 1 : indexBits)) - 1);
            w.Put(uint32_t(index[t]), anchor ? indexBits - 1 : indexBits);
        }
        auto r = ReadBc6h(w.Bytes(), 95);
        ASSERT_EQ(r->code, 0) << mode.code;
        for (int t = 0; t < 16; ++t) {
            const int s = two ? shapes[which][t] : 0, weight = BcWeightOf(indexBits, index[t]);
            int c[3];
            for (int k = 0; k < 3; ++k)
                c[k] = ToByte(BcMix(Spread(value[6 * s + k], precision), Spread(value[6 * s + 3 + k], precision), weight));
            EXPECT_EQ(r->At(t % 4, t / 4), Grey(c[0], c[1], c[2])) << "mode " << mode.code << " texel " << t;
        }
    }
}

TEST(DdsBc6hTest, ReservedModesAreBlack) {
    for (uint32_t code : {0x13u, 0x17u, 0x1Bu, 0x1Fu}) {
        std::vector<uint8_t> block(16, 0xFF);
        block[0] = uint8_t(0xE0 | code);
        auto r = ReadBc6h(block, 95);
        ASSERT_EQ(r->code, 0) << code;
        EXPECT_EQ(r->At(2, 3), 0xFF000000u) << code;
    }
}

}  // namespace
