// BC7 blocks in DX10 DDS files: hand-built blocks of several modes whose texels are
// worked out here from the block format's rules (endpoint widening with p-bits, the
// weight tables, partitions and anchors, rotation and index selection).
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "engine/graphics/dds/bc_partitions.h"
#include "tests/support/bc_block_writer.h"
#include "tests/support/image_file_builders.h"

namespace {

using imagetest::BcBlockWriter;
using imagetest::BcMix;
using imagetest::BcWeightOf;
using imagetest::Bytes;

std::unique_ptr<imagetest::ReadResult> ReadBc7(const Bytes& blocks, uint32_t width = 4, uint32_t height = 4,
                                               uint32_t dxgi = 98) {
    imagetest::DdsSpec s;
    s.fourCc = "DX10";
    s.width = width;
    s.height = height;
    s.extraHeader = imagetest::Dx10Header(dxgi);
    s.data = blocks;
    return imagetest::ReadWith(orvik::ReadDdsImage, imagetest::MakeDds(s));
}

uint32_t Argb(int r, int g, int b, int a) { return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }

TEST(DdsBc7Test, Mode6SevenBitEndpointsWithPBitsAndFourBitIndices) {
    BcBlockWriter w;
    w.Put(0x40, 7);  // mode 6: six zero bits, then a one
    // Red, green, blue and alpha of endpoint 0 and 1, 7 bits each.
    for (int v : {10, 100, 20, 50, 30, 0, 127, 64}) w.Put(v, 7);
    w.Put(1, 1);  // p-bit of endpoint 0
    w.Put(0, 1);  // p-bit of endpoint 1
    for (int t = 0; t < 16; ++t) w.Put(t, t == 0 ? 3 : 4);  // texel t takes index t
    auto r = ReadBc7(w.Bytes());
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->image.format.alphaMask, 0xFF000000u);
    // With the p-bit the endpoints have 8 bits: (21, 41, 61, 255) and (200, 100, 0, 128).
    for (int t = 0; t < 16; ++t) {
        const int weight = BcWeightOf(4, t);
        EXPECT_EQ(r->At(t % 4, t / 4),
                  Argb(BcMix(21, 200, weight), BcMix(41, 100, weight), BcMix(61, 0, weight), BcMix(255, 128, weight)))
            << t;
    }
}

TEST(DdsBc7Test, Mode1TwoSubsetsWithSharedPBitsAndAnAnchorInTheSecond) {
    BcBlockWriter w;
    w.Put(0x2, 2);   // mode 1
    w.Put(13, 6);    // partition 13: the top two rows subset 0, the bottom two subset 1
    // 6-bit red, green, blue of subset 0's endpoints, then subset 1's.
    for (int v : {0, 63, 10, 20}) w.Put(v, 6);
    for (int v : {63, 0, 30, 40}) w.Put(v, 6);
    for (int v : {5, 5, 50, 60}) w.Put(v, 6);
    w.Put(0, 1);  // subset 0's shared p-bit
    w.Put(1, 1);  // subset 1's
    // 3-bit indices; texels 0 and 15 (the subsets' anchors) have 2 bits.
    const int index[16] = {0, 7, 3, 4, 1, 2, 5, 6, 0, 7, 3, 4, 1, 2, 5, 3};
    for (int t = 0; t < 16; ++t) w.Put(index[t], t == 0 || t == 15 ? 2 : 3);
    auto r = ReadBc7(w.Bytes());
    ASSERT_EQ(r->code, 0);
    // 7 bits with the p-bit, widened by repeating the top bit: v << 1 | v >> 6.
    auto widen = [](int field, int p) {
        const int v = field << 1 | p;
        return v << 1 | v >> 6;
    };
    const int e[2][2][3] = {{{widen(0, 0), widen(63, 0), widen(5, 0)}, {widen(63, 0), widen(0, 0), widen(5, 0)}},
                            {{widen(10, 1), widen(30, 1), widen(50, 1)}, {widen(20, 1), widen(40, 1), widen(60, 1)}}};
    for (int t = 0; t < 16; ++t) {
        const int s = t < 8 ? 0 : 1, weight = BcWeightOf(3, index[t]);
        EXPECT_EQ(r->At(t % 4, t / 4), Argb(BcMix(e[s][0][0], e[s][1][0], weight), BcMix(e[s][0][1], e[s][1][1], weight),
                                           BcMix(e[s][0][2], e[s][1][2], weight), 255))
            << t;
    }
}

TEST(DdsBc7Test, Modes4And5RotateAlphaAndSelectIndexSets) {
    // Mode 4, rotation 1 (alpha and red exchanged), selector 1: colour from the 3-bit
    // indices, alpha from the 2-bit ones.
    BcBlockWriter w;
    w.Put(0x10, 5);
    w.Put(1, 2);
    w.Put(1, 1);
    for (int v : {31, 0, 16, 8, 0, 31}) w.Put(v, 5);  // red, green, blue pairs
    w.Put(0, 6);
    w.Put(63, 6);  // alpha pair
    for (int t = 0; t < 16; ++t) w.Put(t % 4, t == 0 ? 1 : 2);
    for (int t = 0; t < 16; ++t) w.Put(t % 8, t == 0 ? 2 : 3);
    auto r = ReadBc7(w.Bytes());
    ASSERT_EQ(r->code, 0);
    auto five = [](int v) { return v << 3 | v >> 2; };
    for (int t = 0; t < 16; ++t) {
        const int c = BcWeightOf(3, t % 8), a = BcWeightOf(2, t % 4);
        const int red = BcMix(five(31), five(0), c), alpha = BcMix(0, 255, a);
        // After the rotation the red channel holds alpha and alpha holds red.
        EXPECT_EQ(r->At(t % 4, t / 4), Argb(alpha, BcMix(five(16), five(8), c), BcMix(five(0), five(31), c), red)) << t;
    }

    // Mode 5, rotation 3 (alpha and blue exchanged): 7-bit colour, 8-bit alpha, two
    // 2-bit index sets.
    BcBlockWriter m5;
    m5.Put(0x20, 6);
    m5.Put(3, 2);
    for (int v : {127, 0, 64, 64, 0, 127}) m5.Put(v, 7);
    m5.Put(200, 8);
    m5.Put(10, 8);
    for (int t = 0; t < 16; ++t) m5.Put(t % 4, t == 0 ? 1 : 2);
    for (int t = 0; t < 16; ++t) m5.Put(3 - t % 4, t == 0 ? 1 : 2);
    auto r5 = ReadBc7(m5.Bytes());
    ASSERT_EQ(r5->code, 0);
    auto seven = [](int v) { return v << 1 | v >> 6; };
    // Texel 0's second index has 1 bit, so it is 3 - 0 = 3 only where texel 0 is not an
    // anchor: texel 0 takes 1 (its bit of 3), the rest 3 - t % 4.
    for (int t = 0; t < 16; ++t) {
        const int c = BcWeightOf(2, t % 4), a = BcWeightOf(2, t == 0 ? 1 : 3 - t % 4);
        EXPECT_EQ(r5->At(t % 4, t / 4), Argb(BcMix(seven(127), seven(0), c), BcMix(seven(64), seven(64), c),
                                             BcMix(200, 10, a), BcMix(seven(0), seven(127), c)))
            << t;
    }
}

// A partitioned mode's fields, as the format lays them out.
struct Bc7PartitionedCase {
    int mode, subsets, partitionBits, partition, colourBits, alphaBits;
    bool endpointPBits, sharedPBits;
    int indexBits;
    int shape[16];      // the published shape of `partition`
    int anchors[3];     // its anchor texels, subset by subset
};

// Field values that differ from endpoint to endpoint and channel to channel.
int Bc7Field(int endpoint, int channel, int bits) { return (endpoint * 11 + channel * 5 + 3) & ((1 << bits) - 1); }

TEST(DdsBc7Test, PartitionedModesWithTheirShapesAnchorsAndPBits) {
    const Bc7PartitionedCase cases[] = {
        {0, 3, 4, 2, 4, 0, true, false, 3, {0, 0, 0, 0, 2, 0, 0, 1, 2, 2, 1, 1, 2, 2, 1, 1}, {0, 15, 8}},
        {2, 3, 6, 2, 5, 0, false, false, 2, {0, 0, 0, 0, 2, 0, 0, 1, 2, 2, 1, 1, 2, 2, 1, 1}, {0, 15, 8}},
        {2, 3, 6, 43, 5, 0, false, false, 2, {0, 0, 2, 2, 1, 1, 2, 2, 0, 0, 2, 2, 1, 1, 2, 2}, {0, 5, 15}},
        {3, 2, 6, 17, 7, 0, true, false, 2, {0, 1, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 2, 0}},
        {7, 2, 6, 17, 5, 5, true, false, 2, {0, 1, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 2, 0}},
        {7, 2, 6, 34, 5, 5, true, false, 2, {0, 1, 0, 1, 1, 0, 1, 0, 0, 1, 0, 1, 1, 0, 1, 0}, {0, 6, 0}},
    };
    for (const Bc7PartitionedCase& c : cases) {
        BcBlockWriter w;
        w.Put(1u << c.mode, c.mode + 1);
        w.Put(uint32_t(c.partition), c.partitionBits);
        const int endpoints = 2 * c.subsets;
        for (int ch = 0; ch < 4; ++ch) {
            const int bits = ch < 3 ? c.colourBits : c.alphaBits;
            for (int e = 0; e < endpoints && bits; ++e) w.Put(uint32_t(Bc7Field(e, ch, bits)), bits);
        }
        int p[6] = {};
        for (int e = 0; e < endpoints; ++e) p[e] = e % 3 == 1;  // 0, 1, 0, 0, 1, 0
        if (c.endpointPBits)
            for (int e = 0; e < endpoints; ++e) w.Put(uint32_t(p[e]), 1);
        int index[16];
        for (int t = 0; t < 16; ++t) {
            bool anchor = false;
            for (int s = 0; s < c.subsets; ++s) anchor |= c.anchors[s] == t;
            const int bits = anchor ? c.indexBits - 1 : c.indexBits;
            index[t] = (t * 5 + 3) & ((1 << bits) - 1);
            w.Put(uint32_t(index[t]), bits);
        }
        ASSERT_EQ(w.Position(), 128) << c.mode;
        auto r = ReadBc7(w.Bytes());
        ASSERT_EQ(r->code, 0) << c.mode;
        // Endpoints to 8 bits: the p-bit below the field, then the top bits repeated below.
        auto channel = [&](int e, int ch) {
            const int bits = ch < 3 ? c.colourBits : c.alphaBits;
            if (!bits) return 255;
            int v = Bc7Field(e, ch, bits), n = bits;
            if (c.endpointPBits) v = v << 1 | p[e], ++n;
            return (v << (8 - n) | v >> (2 * n - 8)) & 0xFF;
        };
        for (int t = 0; t < 16; ++t) {
            const int s = c.shape[t], weight = BcWeightOf(c.indexBits, index[t]);
            int v[4];
            for (int ch = 0; ch < 4; ++ch) v[ch] = BcMix(channel(2 * s, ch), channel(2 * s + 1, ch), weight);
            EXPECT_EQ(r->At(t % 4, t / 4), Argb(v[0], v[1], v[2], v[3])) << "mode " << c.mode << " texel " << t;
        }
    }
}

TEST(DdsBc7Test, EveryShapeUsesAllItsSubsetsAndEachAnchorLiesInItsSubset) {
    for (int subsets : {2, 3}) {
        std::set<std::vector<int>> shapes;
        for (int p = 0; p < orvik::kBcPartitionCount; ++p) {
            std::vector<int> shape;
            for (int t = 0; t < 16; ++t) shape.push_back(orvik::BcSubsetOf(subsets, p, t));
            shapes.insert(shape);
            EXPECT_EQ(shape[0], 0) << subsets << " " << p;
            for (int s = 0; s < subsets; ++s) {
                EXPECT_NE(std::count(shape.begin(), shape.end(), s), 0) << subsets << " " << p << " " << s;
                EXPECT_EQ(shape[size_t(orvik::BcAnchorOf(subsets, p, s))], s) << subsets << " " << p << " " << s;
            }
        }
        EXPECT_EQ(shapes.size(), size_t(orvik::kBcPartitionCount)) << subsets;
    }
}

TEST(DdsBc7Test, ReservedModeIsTransparentBlackAndEdgeBlocksAreCut) {
    // A 5 x 3 image: two blocks side by side, the second a reserved block (first byte 0),
    // of which one column is inside the image.
    BcBlockWriter opaque;
    opaque.Put(0x40, 7);
    for (int v : {127, 127, 127, 127, 127, 127, 127, 127}) opaque.Put(v, 7);
    opaque.Put(3, 2);
    Bytes blocks = opaque.Bytes();
    Bytes reserved(16, 0xFF);
    reserved[0] = 0;
    blocks.insert(blocks.end(), reserved.begin(), reserved.end());
    auto r = ReadBc7(blocks, 5, 3, 99);  // the sRGB form is read as it is stored
    ASSERT_EQ(r->code, 0);
    EXPECT_EQ(r->image.pitch, 20);
    EXPECT_EQ(r->At(3, 2), 0xFFFFFFFFu);
    EXPECT_EQ(r->At(4, 0), 0u);
    EXPECT_EQ(r->At(4, 2), 0u);
    blocks.pop_back();
    EXPECT_EQ(ReadBc7(blocks, 5, 3)->code, -1);
}

}  // namespace
