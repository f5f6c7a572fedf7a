// Worked values of the blend tables, the packed arithmetic and the per-pixel rules, one
// row per case, run through the engine's own dispatch.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "engine/softrender/pipeline/blend_tables.h"
#include "engine/softrender/pipeline/packed_ops.h"
#include "engine/softrender/pipeline/soft_state.h"
#include "row_loops.h"

namespace {

using namespace orvik::soft;

class BlendTablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        orvik::ResetSoftRender();
        orvik::InitMemImgBlendTables();
    }
    const orvik::BlendTables& t = orvik::SoftRender().tables;
};

TEST_F(BlendTablesTest, MulDiv255Entries) {
    EXPECT_EQ(t.mulDiv255[128][255], 128u);
    EXPECT_EQ(t.mulDiv255[255][128], 128u);
    EXPECT_EQ(t.mulDiv255[1][254], 0u);
    for (uint32_t b = 0; b < 256; ++b) {
        EXPECT_EQ(t.mulDiv255[255][b], b);
        EXPECT_EQ(t.mulDiv255[0][b], 0u);
    }
}

TEST_F(BlendTablesTest, DiffScaleTruncatesTowardZero) {
    const int32_t* row128 = &t.diffScale[128][255];
    EXPECT_EQ(row128[-1], 0);
    EXPECT_EQ(row128[1], 0);
    EXPECT_EQ(row128[-128], -64);
    EXPECT_EQ(row128[255], 128);
    for (int d = -255; d <= 255; ++d) {
        EXPECT_EQ(t.diffScale[255][d + 255], d);
        EXPECT_EQ(t.diffScale[0][d + 255], 0);
    }
    EXPECT_EQ(t.diffScale[200][511], 0);  // the slot past d = 255 is never written
}

TEST_F(BlendTablesTest, Mix6Blocks) {
    for (int a = 0; a < 64; a += 7)
        for (int b = 0; b < 64; b += 5) {
            EXPECT_EQ(t.mix6[63][a][b], a);
            EXPECT_EQ(t.mix6[0][a][b], b);
        }
    EXPECT_EQ(t.mix6[32][63][0], 32);
}

TEST_F(BlendTablesTest, BlendImageWeightRamps) {
    orvik::BuildBlendImageWeightTable(0, 37);
    for (int v = 0; v < 256; ++v) EXPECT_EQ(t.weight[v], 255);
    orvik::BuildBlendImageWeightTable(128, 255);
    for (int v = 0; v < 256; ++v) EXPECT_EQ(t.weight[v], v);
    orvik::BuildBlendImageWeightTable(255, 0);
    for (int v = 0; v < 255; ++v) EXPECT_EQ(t.weight[v], 0);
    EXPECT_EQ(t.weight[255], 1);
}

struct PackedCase {
    const char* what;
    uint32_t (*op)(uint32_t, uint32_t);
    uint32_t d, s, want;
};

TEST(PackedOps, WorkedExamples) {
    const PackedCase cases[] = {
        {"add32 red saturates, byte 3 set", PackedAdd32<true>, 0x00F08040, 0x00204181, 0x01FFC1C1},
        {"add32 shortcut drops low bits", PackedAdd32<false>, 0x00F08040, 0x00204181, 0x01FFC0C1},
        {"add32 low bits OR, byte 3 cleared", PackedAdd32<true>, 0x12030303, 0x050505, 0x00070708},
        {"add32 blue overflow carries into green", PackedAdd32<true>, 0xC8, 0x64, 0x000001FF},
        {"add32 all overflow", PackedAdd32<true>, 0x808080, 0x808080, 0x01FFFFFF},
        {"add32 zero addend clears byte 3", PackedAdd32<true>, 0x12345678, 0, 0x00345678},
        {"add565 full", PackedAdd565<true>, 0x8410, 0x8410, 0xFFFF},
        {"add565 green saturates at 62 plus carry", PackedAdd565<true>, 32 << 5, 32 << 5, 0x0FC0},
        {"add565 green 62 + 2", PackedAdd565<true>, 62 << 5, 2 << 5, 0x0FC0},
        {"add565 green 32 + 31", PackedAdd565<true>, 32 << 5, 31 << 5, 63 << 5},
        {"add565 3 + 5 per field", PackedAdd565<true>, 0x1863, 0x28A5, (7 << 11) | (7 << 5) | 8},
        {"sub32 guard bits", PackedSub32, 0x00808080, 0x00100101, 0x0071817F},
        {"sub32 zero subtrahend", PackedSub32, 0x00102030, 0, 0x00112130},
        {"sub32 zero on a fourth byte", PackedSub32, 0x12345678, 0, 0x00355778},
        {"sub32 equal colours", PackedSub32, 0x00804020, 0x00804020, 0x00010100},
        {"sub32 small", PackedSub32, 0x00101010, 0x00010101, 0x0011110F},
        {"sub565 zero", PackedSub565, 0x1234, 0, 0x1A14},
        {"sub565 white loses green bit 0", PackedSub565, 0xFFFF, 0, 0xFFDF},
        {"sub565 black gains red 1", PackedSub565, 0, 0, 0x0800},
        {"sub565 equal colours", PackedSub565, 0x8410, 0x8410, 0x0800},
        {"half sum clears byte 3", HalfSum32, 0xFF102030, 0x00FFFFFF, 0x00878F97},
    };
    for (const auto& c : cases) EXPECT_EQ(c.op(c.d, c.s), c.want) << c.what;
}

TEST(PackedOps, BlendMixRoundsTowardMinusInfinity) {
    EXPECT_EQ(BlendMix(255, 0, 128, 8), 127u);
    EXPECT_EQ(BlendMix(0, 255, 128, 8), 127u);
    EXPECT_EQ(BlendMix(10, 250, 100, 8), 103u);
    EXPECT_EQ(BlendMix(255, 0, 255u * 255 * 255, 24), 2u);  // intermediate above 2^31
}

// One pixel through the dispatch of the given rule flavour.
struct Pix {
    const char* what;
    Flavour flavour;
    int depth;
    bool alpha, keyed;
    int mode, param;
    uint32_t bright;
    std::optional<uint8_t> blendByte;  // weight = byte (identity ramp)
    uint32_t src, dst, want;
};

uint32_t DrawOne(const Pix& c) {
    orvik::MemImgDrawState ds;
    ds.blendMode = c.mode;
    ds.blendParam = c.param;
    ds.bright = c.bright;
    const bool tinted = (c.bright & 0xFFFFFF) != 0xFFFFFF;
    const bool blend = c.blendByte.has_value();
    const KernelChoice k = SelectKernel(c.mode, c.param, c.flavour, !blend && !tinted && !c.alpha, c.depth);
    if (!k.draw) return c.dst;
    const VariantKey key{c.depth, false, k.kernel, blend, tinted, c.alpha, c.keyed};
    RowFn fn = row_loops::Find(c.flavour, key);
    uint32_t src = c.src, dst = c.dst;
    uint8_t b = c.blendByte.value_or(0);
    RowJob j;
    j.cx = MakePixelContext(ds, nullptr);
    j.dst = reinterpret_cast<uint8_t*>(&dst);
    j.src = reinterpret_cast<const uint8_t*>(&src);
    j.blend = &b;
    j.width = j.height = 1;
    fn(j);
    return c.depth == 16 ? dst & 0xFFFF : dst;
}

class PixelRules : public ::testing::Test {
protected:
    void SetUp() override {
        orvik::ResetSoftRender();
        orvik::InitMemImgBlendTables();
        orvik::BuildBlendImageWeightTable(128, 255);
    }
};

constexpr auto P = Flavour::Point;
constexpr auto S = Flavour::Stretch;
constexpr auto T = Flavour::Textured;
constexpr uint32_t W = 0xFFFFFF;

TEST_F(PixelRules, WorkedValues) {
    const Pix cases[] = {
        {"mode 1 p128 mixes 255 toward 0 as 127", T, 32, false, false, 1, 128, W, {}, 0x000000, 0x0000FF, 0x7F},
        {"mode 1 p128 0 toward 255 gives 127", T, 32, false, false, 1, 128, W, {}, 0x0000FF, 0x000000, 0x7F},
        {"16-bit red 31 to 0 at p128 gives 16", T, 16, false, false, 1, 128, W, {}, 0x0000, 0xF800, 16 << 11},
        {"16-bit weight 255 p128: 31 over 0 gives 15", T, 16, false, false, 1, 128, W, 255, 0xF800, 0, 15 << 11},
        {"blend weight 255 is not a copy", T, 32, false, false, 0, 0, W, 255, 0xFF, 0x12000000, 0x120000FE},
        {"point: p100 d10 c250 gives 103", P, 32, false, false, 1, 100, W, {}, 250, 10, 103},
        {"point: half sum at p128 clears byte 3", P, 32, false, false, 1, 128, W, {}, 0x00FFFFFF, 0xFF102030, 0x00878F97},
        {"point: 16-bit p4 six-bit mix, 0 over 31", P, 16, false, false, 1, 4, W, {}, 0, 31, 30},
        {"point: 16-bit p4 tinted takes the difference row", P, 16, false, false, 1, 4, 0xFFFFFE, {}, 0, 31, 31},
        {"stretch: 16-bit p4 takes the difference row", S, 16, false, false, 1, 4, W, {}, 0, 31, 31},
        {"key compares all four bytes", P, 32, false, true, 0, 0, W, {}, 0xFF000000, 0x12345678, 0xFF000000},
        {"key match is skipped", P, 32, false, true, 0, 0, W, {}, 0x00000000, 0x12345678, 0x12345678},
        {"16-bit key match is skipped", T, 16, false, true, 2, 255, W, {}, 0x0000, 0x1234, 0x1234},
        {"keyed alpha 255 copies whole, fourth byte 255", T, 32, true, true, 0, 0, W, {}, 0xFF0000FF, 0x12000000, 0xFF0000FF},
        {"unkeyed alpha 255 mixes, fourth byte kept", T, 32, true, false, 0, 0, W, {}, 0xFF0000FF, 0x12000000, 0x120000FE},
        {"point: unkeyed alpha copies whole", P, 32, true, false, 0, 0, W, {}, 0x400000FF, 0x12000000, 0x400000FF},
        {"stretch: unkeyed alpha mixes", S, 32, true, false, 0, 0, W, {}, 0x800000FF, 0x12000000, 0x1200007F},
        {"mode 10 p255: 0 over 0 stops at 254", T, 32, false, false, 10, 255, W, {}, 0x000000, 0x000000, 0xFEFEFE},
        {"mode 4 keyed alpha 0 turns black", P, 32, true, true, 4, 0, W, {}, 0x00FFFFFF, 0x34808080, 0x34000000},
        {"mode 11 keyed alpha 0 keeps", P, 32, true, true, 11, 200, W, {}, 0x00000000, 0x34808080, 0x34808080},
        {"mode 10 32-bit keyed alpha 0 keeps", P, 32, true, true, 10, 200, W, {}, 0x00FFFFFF, 0x34808080, 0x34808080},
        {"stretch: mode 4 keyed alpha 0 skipped", S, 32, true, true, 4, 0, W, {}, 0x00FFFFFF, 0x34808080, 0x34808080},
        {"16-bit multiply 0xFFFF by 0x8410", T, 16, false, false, 4, 0, W, {}, 0x8410, 0xFFFF, 0x7BEF},
        {"16-bit multiply 0x8410 by 0x8410", T, 16, false, false, 4, 0, W, {}, 0x8410, 0x8410, 0x4208},
        {"16-bit multiply with weight 255", T, 16, false, false, 4, 0, W, 255, 0xFFFF, 0xFFFF, 0xEFBD},
        {"multiply w=a=d=s=255 gives 252", T, 32, true, false, 4, 0, W, 255, 0xFFFFFFFF, 0xFF, 0xFC},
        {"textured mode 11 finer green", T, 16, true, false, 11, 255, W, {}, (200u << 16) | (1 << 5), 9 << 5, 2 << 5},
        {"point mode 11 plain green", P, 16, true, false, 11, 255, W, {}, (200u << 16) | (1 << 5), 9 << 5, 1 << 5},
        {"16-bit add: alpha before tint", T, 16, true, true, 2, 255, 0xFF41FF, {}, (128u << 16) | (63 << 5), 0, 7 << 5},
        {"16-bit sub: alpha before tint", T, 16, true, true, 3, 255, 0xC8FFFF, {}, (128u << 16) | (31 << 11), 31 << 11, 21 << 11},
        {"32-bit add weight 255 p255 addend 253", T, 32, false, false, 2, 255, W, 255, 0xFF, 0, 0xFD},
        {"tint: textured inverts then tints", T, 32, false, false, 10, 255, 0x808080, {}, 0x000000, 0x000000, 0x7F7F7F},
    };
    for (const Pix& c : cases) EXPECT_EQ(DrawOne(c), c.want) << c.what;
}

}  // namespace
