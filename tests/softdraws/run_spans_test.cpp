// Run-coded draws of sources with alpha, whose neighbouring opaque and partly transparent
// runs are drawn as one stretch: stretches of 1 to 17 pixels mixing both kinds in every
// order, every partial alpha byte, 16- and 32-bit targets, every mode and tints, on the
// pixel path, SSE2 and AVX2, against the scalar reference; the same images drawn clipped
// on either side, and codes that run past their lines.
#include <cstring>

#include "draw_fixture.h"
#include "engine/softrender/draws/draw_at.h"
#include "engine/softrender/pipeline/run_codes.h"
#include "engine/softrender/simd/simd_rows.h"
#include "scalar_reference.h"

namespace {

using namespace drawtest;

enum class Loops { Pixels, Sse2, Avx2 };

constexpr int kSpanW = 53, kSpanH = 11;

class RunSpans : public DrawTest, public ::testing::WithParamInterface<Loops> {
protected:
    void SetUp() override {
        DrawTest::SetUp();
        soft::ForceGenericPath(GetParam() == Loops::Pixels);
        const bool avx2 = GetParam() == Loops::Avx2;
        if (soft::UseAvx2Rows(avx2) != avx2) GTEST_SKIP() << "no AVX2 on this processor";
    }

    // Each line: a gap of one or two transparent pixels, then a covered stretch whose
    // length steps through 1..17 from line to line and within it; inside a stretch the
    // kinds change every one to three pixels. Partial alphas step through 1..254.
    void FillSource(Image& src, int depth) {
        uint32_t nextAlpha = 1;
        for (int y = 0; y < kSpanH; ++y) {
            int x = 0, stretch = y;
            while (x < kSpanW) {
                for (int gap = 1 + stretch % 2; gap > 0 && x < kSpanW; --gap) src.Set(x++, y, Pixel(depth, 0));
                const int length = 1 + stretch++ % 17;
                for (int i = 0; i < length && x < kSpanW; ++i, ++x) {
                    const bool opaque = (i / (1 + (i + y) % 3) + y) % 2 == 0;
                    uint32_t a = 255;
                    if (!opaque) {
                        a = nextAlpha;
                        nextAlpha = nextAlpha % 254 + 1;
                    }
                    src.Set(x, y, Pixel(depth, a));
                }
            }
        }
        soft::BuildMemImgRunCodes(*src.img.store);
        src.img.store->runCodeValid = 1;
    }

    uint32_t Pixel(int depth, uint32_t a) {
        const uint32_t v = rng();
        return depth == 32 ? (v & 0xFFFFFF) | a << 24 : (v & 0xFFFF) | a << 16;
    }

    // Draws src at (x, y) on a random target of dw x dh and checks every pixel.
    void DrawAndCheck(Image& src, int depth, int dw, int dh, int x, int y, int mode, int param,
                      uint32_t bright) {
        Image dst;
        dst.Make(depth == 32 ? kMemImgXrgb32 : kMemImgRgb565, dw, dh);
        dst.FillWith([&](int, int) { return depth == 32 ? rng() : rng() & 0xFFFF; });
        const std::vector<uint32_t> before = dst.Pixels();
        Area(0, 0, dw, dh);
        Settings(mode, param, bright);
        DrawMemImgAt(&dst.img, &src.img, x, y, 1, nullptr);

        // A clipped draw takes the normal path, whose keyed multiply weighs alpha 0 by 0.
        const bool whole = x >= 0 && y >= 0 && x + kSpanW <= dw && y + kSpanH <= dh;
        reference::Draw rd;
        rd.flavour = whole ? reference::kStretch : reference::kPoint;
        rd.depth = depth;
        rd.alpha = true;
        rd.keyed = true;
        rd.mode = mode;
        rd.param = param;
        rd.bright = bright;
        for (int ty = 0; ty < dh; ++ty)
            for (int tx = 0; tx < dw; ++tx) {
                const int sx = tx - x, sy = ty - y;
                const uint32_t old = before[ty * dw + tx];
                const bool inside = sx >= 0 && sx < kSpanW && sy >= 0 && sy < kSpanH;
                const uint32_t want = inside ? reference::Pixel(rd, old, src.Addr(sx, sy), 0) : old;
                ASSERT_EQ(dst.At(tx, ty), want) << "depth " << depth << " mode " << mode << " p " << param
                                                << " bright " << std::hex << bright << std::dec
                                                << " drawn at " << x << "," << y << " pixel " << tx << ","
                                                << ty;
            }
    }
};

TEST_P(RunSpans, MixedStretchesMatchTheReference) {
    for (int depth : {16, 32}) {
        Image src;
        src.Make(depth == 32 ? kMemImgXrgb32 : kMemImgRgb565, kSpanW, kSpanH, false, true, 0, true);
        FillSource(src, depth);
        for (int mode : {0, 1, 2, 3, 4, 10, 11})
            for (int param : {0, 1, 100, 128, 254, 255})
                for (uint32_t bright : {0xFFFFFFu, 0x80FF40u}) {
                    // Unclipped, then cut by the area on the left and on the right.
                    DrawAndCheck(src, depth, kSpanW + 6, kSpanH + 2, 3, 1, mode, param, bright);
                    DrawAndCheck(src, depth, kSpanW + 6, kSpanH + 2, -9, 1, mode, param, bright);
                    DrawAndCheck(src, depth, kSpanW + 6, kSpanH + 2, 14, 1, mode, param, bright);
                    if (HasFatalFailure()) return;
                }
    }
}

TEST_P(RunSpans, LinesThatFollowInMemoryMatchTheReference) {
    // A target as wide as the source, drawn at its left edge: where both images keep their
    // lines without padding, a stretch ending a line meets the one starting the next.
    for (int depth : {16, 32}) {
        Image src;
        src.Make(depth == 32 ? kMemImgXrgb32 : kMemImgRgb565, kSpanW, kSpanH, false, true, 0, true);
        FillSource(src, depth);
        for (int mode : {0, 1, 2})
            DrawAndCheck(src, depth, kSpanW, kSpanH, 0, 0, mode, 200, 0xFFFFFF);
    }
}

TEST_P(RunSpans, CodesRunningPastTheirLinesStopAtTheWidth) {
    // Multiply, whose keyed loops weigh alpha-0 pixels, so its stretches follow the codes.
    for (int depth : {16, 32}) {
        Image src;
        src.Make(depth == 32 ? kMemImgXrgb32 : kMemImgRgb565, 5, 3, false, true, 0, true);
        src.FillWith([&](int, int) { return Pixel(depth, 0x80); });
        soft::BuildMemImgRunCodes(*src.img.store);
        src.img.store->runCodeValid = 1;
        // Codes claiming 64 partly transparent pixels a line, and no line ends at all.
        const MemImgStore& st = *src.img.store;
        std::memset(st.runCodes, 0xBF, (size_t(st.width) + 5) * st.height);
        Image dst;
        dst.Make(depth == 32 ? kMemImgXrgb32 : kMemImgRgb565, 16, 4);
        dst.Fill(1);
        Area(0, 0, 5, 3);
        Settings(4, 255);
        DrawMemImgAt(&dst.img, &src.img, 0, 0, 1, nullptr);
        int drawn = 0;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 16; ++x) {
                if (x >= 5 || y >= 1) { EXPECT_EQ(dst.At(x, y), 1u) << "depth " << depth << " " << x << "," << y; }
                drawn += dst.At(x, y) != 1u;
            }
        EXPECT_EQ(drawn, 5) << "depth " << depth;  // the first line, cut at the width
    }
}

INSTANTIATE_TEST_SUITE_P(PixelsSse2AndAvx2, RunSpans,
                         ::testing::Values(Loops::Pixels, Loops::Sse2, Loops::Avx2));

}  // namespace
