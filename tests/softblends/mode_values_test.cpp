// Worked values of the add, subtract, multiply, multiply-then-blend and inverted-colour
// modes, each drawn through every software draw it is expected to hold for: a uniform
// source (or flat colour) over a uniform target, read back at a pixel every draw covers.
#include <cstdint>

#include "draw_fixture.h"
#include "engine/softrender/draws/draw_at.h"
#include "engine/softrender/draws/draw_rotated.h"
#include "engine/softrender/draws/draw_stretched.h"
#include "engine/softrender/draws/filled_rect.h"
#include "engine/softrender/draws/line.h"
#include "engine/softrender/draws/quad.h"
#include "engine/softrender/draws/triangle.h"

namespace {

using namespace drawtest;

enum DrawKind : unsigned {
    kPoint = 1 << 0,
    kStretch = 1 << 1,
    kRotated = 1 << 2,
    kTurned = 1 << 3,  // the rotated draw's mirrored path through the quadrangle
    kTriangle = 1 << 4,
    kQuad = 1 << 5,
    kRect = 1 << 6,
    kLine = 1 << 7,
    kFlatTriangle = 1 << 8,
    kDrawCount = 9,
};
constexpr unsigned kTextured = kRotated | kTurned | kTriangle | kQuad;
constexpr unsigned kSourced = kPoint | kStretch | kTextured;
constexpr unsigned kFlat = kRect | kLine | kFlatTriangle;
constexpr unsigned kAll = kSourced | kFlat;
constexpr uint32_t W = 0xFFFFFF;  // white bright: no tint
constexpr int kNoBlend = -1;

struct Case {
    const char* what;
    unsigned draws;
    int depth;
    int mode, param;
    uint32_t bright;
    bool alpha, keyed;
    int blendByte;  // weight = byte, or kNoBlend
    uint32_t src;   // source pixel (alpha in byte 3, or byte 2 of a 16-bit pixel), or flat colour
    uint32_t dst, want;
};

// Off both diagonals, so the quadrangle's shared edge (drawn twice) never lands on it.
constexpr int kSrc = 8, kTarget = 16, kProbeX = 5, kProbeY = 8;

class ModeValues : public DrawTest {
protected:
    // The target's pixel at the probe after drawing c with the given draw.
    uint32_t DrawOne(const Case& c, DrawKind draw) {
        const int type = c.depth == 32 ? kMemImgXrgb32 : kMemImgRgb565;
        const uint32_t mask = c.depth == 32 || c.alpha ? 0xFFFFFFFFu : 0xFFFFu;
        Image target, source, blend;
        target.Make(type, kTarget, kTarget);
        target.Fill(c.dst);
        // A transparent colour the source never equals, so keying decides by alpha only.
        source.Make(type, kSrc, kSrc, false, c.alpha, (c.src + 1) & mask);
        source.Fill(c.src & mask);
        if (c.blendByte != kNoBlend) {
            blend.Make(kMemImgSingle8, kSrc, kSrc);
            blend.Fill(static_cast<uint32_t>(c.blendByte));
        }
        const MEMIMG* b = c.blendByte != kNoBlend ? &blend.img : nullptr;
        const int32_t key = c.keyed ? 1 : 0;
        Area(0, 0, kTarget, kTarget);
        Settings(c.mode, c.param, c.bright);
        MEMIMG* dst = &target.img;
        const MEMIMG* src = &source.img;
        switch (draw) {
            case kPoint: DrawMemImgAt(dst, src, 2, 4, key, b); break;
            case kStretch: DrawMemImgStretched(dst, src, 0, 0, kTarget, kTarget, key, b); break;
            case kRotated: DrawMemImgRotated(dst, src, 8, 8, 0.0f, 2.0f, key, 0, b); break;
            case kTurned: DrawMemImgRotated(dst, src, 8, 8, 0.0f, 2.0f, key, 1, b); break;
            case kTriangle: {
                const MemImgVertex v[3] = {{0, 0, 0, 0}, {kTarget, 0, kSrc, 0}, {0, kTarget, 0, kSrc}};
                RasterMemImgTriangle(dst, src, v, key, b, 0);
                break;
            }
            case kQuad: {
                const int32_t corners[8] = {0, 0, kTarget, 0, 0, kTarget, kTarget, kTarget};
                RasterMemImgQuad(dst, src, corners, key, b);
                break;
            }
            case kRect: {
                const int32_t r[4] = {0, 0, kTarget, kTarget};
                DrawMemImgFilledRect(dst, r, c.src);
                break;
            }
            case kLine: DrawMemImgLine(dst, 0, kProbeY, kTarget, kProbeY, c.src); break;
            case kFlatTriangle: {
                const MemImgVertex v[3] = {{0, 0, 0, 0}, {kTarget, 0, 0, 0}, {0, kTarget, 0, 0}};
                RasterMemImgTriangle(dst, nullptr, v, 0, nullptr, c.src);
                break;
            }
            default: ADD_FAILURE() << "no such draw"; break;
        }
        return target.At(kProbeX, kProbeY);
    }

    void Run(const Case* cases, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            const Case& c = cases[i];
            ASSERT_TRUE((c.draws & kFlat) == 0 || (!c.alpha && !c.keyed && c.blendByte == kNoBlend))
                << c.what << ": flat draws have no source alpha, key or blend image";
            for (unsigned bit = 0; bit < kDrawCount; ++bit) {
                const DrawKind draw = static_cast<DrawKind>(1u << bit);
                if ((c.draws & draw) == 0) continue;
                EXPECT_EQ(DrawOne(c, draw), c.want) << c.what << " (draw " << bit << ")" << std::hex
                                                    << " want 0x" << c.want;
            }
        }
    }
};

TEST_F(ModeValues, AddWritesTheWholeWordWithPackedCarries) {
    const Case cases[] = {
        {"3 + 5: blue 8, green and red OR their low bits to 7, byte 3 cleared",
         kAll & ~kPoint, 32, 2, 255, W, false, false, kNoBlend, 0x050505, 0x12030303, 0x00070708},
        {"point draw at p 255 drops the low bits", kPoint, 32, 2, 255, W, false, false, kNoBlend,
         0x050505, 0x12030303, 0x00060608},
        {"200 + 100 saturates blue and carries 1 into green", kAll, 32, 2, 255, W, false, false,
         kNoBlend, 0x000064, 0x0000C8, 0x000001FF},
        {"white plus white stays white with byte 3 1", kAll, 32, 2, 255, W, false, false, kNoBlend,
         0xFFFFFF, 0x00FFFFFF, 0x01FFFFFF},
        {"16-bit green 32 + 32 saturates to 62 and carries into red", kAll, 16, 2, 255, W, false,
         false, kNoBlend, 32 << 5, 32 << 5, 0x0FC0},
        {"16-bit green 32 + 31 gives 63", kAll & ~kPoint, 16, 2, 255, W, false, false, kNoBlend,
         31 << 5, 32 << 5, 63 << 5},
        {"point draw at p 255: green 32 + 31 gives 62", kPoint, 16, 2, 255, W, false, false,
         kNoBlend, 31 << 5, 32 << 5, 62 << 5},
        {"parameter 0 draws nothing", kAll, 32, 2, 0, W, false, false, kNoBlend, 0xFFFFFF,
         0x12345678, 0x12345678},
        {"p 128 scales the addend by 128/255", kAll, 32, 2, 128, W, false, false, kNoBlend, 0xFF,
         0x10, 0x90},
        {"weight 255 at p 255: the addend is 253", kSourced, 32, 2, 255, W, false, false, 255, 0xFF,
         0, 0xFD},
        {"keyed alpha 255 adds in full", kSourced, 32, 2, 255, W, true, true, kNoBlend, 0xFF0000FF,
         0, 0xFF},
        {"unkeyed alpha 255 counts as 255/256", kSourced, 32, 2, 255, W, true, false, kNoBlend,
         0xFF0000FF, 0, 0xFD},
        {"keyed alpha 0 is skipped", kSourced, 32, 2, 255, W, true, true, kNoBlend, 0x000000FF,
         0x12345678, 0x12345678},
        {"unkeyed alpha 0 adds nothing but rewrites byte 3", kSourced, 32, 2, 255, W, true, false,
         kNoBlend, 0x000000FF, 0x12345678, 0x00345678},
        {"16-bit alpha scales the raw field before the tint", kSourced, 16, 2, 255, 0xFF41FF, true,
         true, kNoBlend, (128u << 16) | (63 << 5), 0, 7 << 5},
        {"16-bit weight 255: red 31 adds 30", kSourced, 16, 2, 255, W, false, false, 255, 31 << 11,
         0, 30 << 11},
    };
    Run(cases, std::size(cases));
}

TEST_F(ModeValues, SubtractUsesGuardBitsAndClearsByteThree) {
    const Case cases[] = {
        {"0x808080 - 0x100101", kAll, 32, 3, 255, W, false, false, kNoBlend, 0x00100101,
         0x00808080, 0x0071817F},
        {"0x10 - 0x01 in each channel", kAll, 32, 3, 255, W, false, false, kNoBlend, 0x010101,
         0x00101010, 0x0011110F},
        {"black subtrahend sets the low bits and clears byte 3", kAll, 32, 3, 255, W, false, false,
         kNoBlend, 0, 0x12345678, 0x00355778},
        {"16-bit 0x1234 - 0", kAll, 16, 3, 255, W, false, false, kNoBlend, 0, 0x1234, 0x1A14},
        {"16-bit equal colours leave red 1", kAll, 16, 3, 255, W, false, false, kNoBlend, 0x8410,
         0x8410, 0x0800},
        {"parameter 0 draws nothing", kAll, 32, 3, 0, W, false, false, kNoBlend, 0xFFFFFF,
         0x12345678, 0x12345678},
        {"weight and alpha 255, unkeyed: the subtrahend is 252", kSourced, 32, 3, 255, W, true,
         false, 255, 0xFF0000FF, 0xFF, 0x010103},
        {"16-bit tinted alpha: alpha first, then the red tint gives 11", kSourced, 16, 3, 255,
         0xC8FFFF, true, true, kNoBlend, (128u << 16) | (31 << 11), 31 << 11, 21 << 11},
    };
    Run(cases, std::size(cases));
}

TEST_F(ModeValues, MultiplyDarkensByTheChannelProduct) {
    const Case cases[] = {
        {"16-bit white under white", kAll, 16, 4, 0, W, false, false, kNoBlend, 0xFFFF, 0xFFFF, 0xF7DE},
        {"16-bit 0xFFFF under 0x8410", kAll, 16, 4, 0, W, false, false, kNoBlend, 0x8410, 0xFFFF, 0x7BEF},
        {"32-bit white lowers 255 by one and keeps byte 3", kAll, 32, 4, 0, W, false, false,
         kNoBlend, 0xFFFFFF, 0x7FFFFFFF, 0x7FFEFEFE},
        {"the parameter is not read", kAll, 32, 4, 255, W, false, false, kNoBlend, 0x808080,
         0x00FFFFFF, 0x007F7F7F},
        {"weight 0 turns the colour black", kSourced, 32, 4, 0, W, false, false, 0, 0xFFFFFF,
         0x12FFFFFF, 0x12000000},
        {"16-bit weight 255", kSourced, 16, 4, 0, W, false, false, 255, 0xFFFF, 0xFFFF, 0xEFBD},
        {"keyed alpha 0 turns black", kSourced & ~kStretch, 32, 4, 0, W, true, true, kNoBlend,
         0x00FFFFFF, 0x34808080, 0x34000000},
        {"the stretched draw skips keyed alpha 0", kStretch, 32, 4, 0, W, true, true, kNoBlend,
         0x00FFFFFF, 0x34808080, 0x34808080},
        {"w = a = d = s = 255 gives 252", kSourced, 32, 4, 0, W, true, false, 255, 0xFFFFFFFF,
         0xFF, 0xFC},
    };
    Run(cases, std::size(cases));
}

TEST_F(ModeValues, MultiplyThenBlendMixesTowardTheProduct) {
    const Case cases[] = {
        {"white over white darkens by one even at p 255", kAll, 32, 11, 255, W, false, false,
         kNoBlend, 0xFFFFFF, 0x55FFFFFF, 0x55FEFEFE},
        {"16-bit white over white: 30, 62, 30", kAll, 16, 11, 255, W, false, false, kNoBlend,
         0xFFFF, 0xFFFF, 0xF7DE},
        {"128 over 200 at p 255 gives the product 100", kAll, 32, 11, 255, W, false, false,
         kNoBlend, 0x80, 0xC8, 0x64},
        {"0 over 255 at p 128 gives 127", kAll, 32, 11, 128, W, false, false, kNoBlend, 0, 0xFF, 0x7F},
        {"16-bit red 0 over 31 at p 128 gives 16", kAll, 16, 11, 128, W, false, false, kNoBlend, 0,
         31 << 11, 16 << 11},
        {"parameter 0 leaves the target", kAll, 32, 11, 0, W, false, false, kNoBlend, 0,
         0x12345678, 0x12345678},
        {"weight 0 leaves the target", kSourced, 32, 11, 255, W, false, false, 0, 0, 0x12345678,
         0x12345678},
        {"keyed alpha 255 at p 255 reaches the product", kSourced, 32, 11, 255, W, true, true,
         kNoBlend, 0xFF000000, 0xFF, 0},
        {"unkeyed alpha 255 stops one short", kSourced, 32, 11, 255, W, true, false, kNoBlend,
         0xFF000000, 0xFF, 1},
        {"keyed alpha 0 keeps the target", kSourced, 32, 11, 200, W, true, true, kNoBlend,
         0x00000000, 0x34808080, 0x34808080},
        {"textured 16-bit alpha keeps green five bits finer", kTextured, 16, 11, 255, W, true,
         false, kNoBlend, (200u << 16) | (1 << 5), 9 << 5, 2 << 5},
        {"point and stretched draws take the plain product", kPoint | kStretch, 16, 11, 255, W,
         true, false, kNoBlend, (200u << 16) | (1 << 5), 9 << 5, 1 << 5},
        {"a tinted textured draw takes the plain product", kTextured, 16, 11, 255, 0xFEFFFF, true,
         false, kNoBlend, (200u << 16) | (1 << 5), 9 << 5, 1 << 5},
    };
    Run(cases, std::size(cases));
}

TEST_F(ModeValues, InvertedColourTintsAfterInvertingUnlessTheColourIsFlat) {
    const Case cases[] = {
        {"textured: 200 inverted to 55, tinted by 100 to 21", kSourced, 32, 10, 255, 0x646464,
         false, false, kNoBlend, 0xC8C8C8, 0xFFFFFFFF, 0xFF151515},
        {"flat: 200 tinted by 100 to 78, inverted to 177", kFlat, 32, 10, 255, 0x646464, false,
         false, kNoBlend, 0xC8C8C8, 0xFFFFFFFF, 0xFFB1B1B1},
        {"textured: bright 128 turns source 0 into 128", kSourced, 32, 10, 255, 0x808080, false,
         false, kNoBlend, 0, 0xFFFFFF, 0x808080},
        {"rectangle and line: bright 128 turns colour 255 into 128", kRect | kLine, 32, 10, 255,
         0x808080, false, false, kNoBlend, 0xFFFFFF, 0xFFFFFF, 0x808080},
        {"flat triangle: bright 128 turns colour 255 into 127", kFlatTriangle, 32, 10, 255,
         0x808080, false, false, kNoBlend, 0xFFFFFF, 0xFFFFFF, 0x7F7F7F},
        {"p 255: inverted 255 over 0 stops at 254", kAll, 32, 10, 255, W, false, false, kNoBlend,
         0, 0, 0xFEFEFE},
        {"black at p 128 over black gives 127", kAll, 32, 10, 128, W, false, false, kNoBlend, 0, 0,
         0x7F7F7F},
        {"black at p 128 leaves white white", kAll, 32, 10, 128, W, false, false, kNoBlend, 0,
         0xFFFFFF, 0xFFFFFF},
        {"16-bit p 128: 31 over 0 gives 15, 63 over 0 gives 31", kAll, 16, 10, 128, W, false,
         false, kNoBlend, 0, 0, 0x7BEF},
        {"16-bit p 128: 0 over 31 gives 16, 0 over 63 gives 32", kAll, 16, 10, 128, W, false,
         false, kNoBlend, 0xFFFF, 0xFFFF, 0x8410},
        {"parameter 0 leaves the target", kAll, 32, 10, 0, W, false, false, kNoBlend, 0x123456,
         0x789ABCDE, 0x789ABCDE},
        {"the source's fourth byte never reaches the target", kSourced, 32, 10, 128, W, false,
         false, kNoBlend, 0xAB000000, 0x12000000, 0x127F7F7F},
        {"keyed alpha 255 at p 255 stops at 254", kSourced, 32, 10, 255, W, true, true, kNoBlend,
         0xFF000000, 0, 0xFEFEFE},
        {"unkeyed alpha 255 stops at 253", kSourced, 32, 10, 255, W, true, false, kNoBlend,
         0xFF000000, 0, 0xFDFDFD},
        {"keyed alpha 0 keeps the target", kSourced, 32, 10, 255, W, true, true, kNoBlend,
         0x00000000, 0, 0},
        {"weight 0 keeps the target", kSourced, 32, 10, 255, W, false, false, 0, 0, 0x10, 0x10},
    };
    Run(cases, std::size(cases));
}

}  // namespace
