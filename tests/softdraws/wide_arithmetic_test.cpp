// Rotated draws and triangles beyond the 32-bit fixed point: sources 9000 pixels long,
// pictures scaled thousands of pixels out from their centre, corners 100000 pixels away.
// The wide form must agree with the narrow one wherever both can draw, and beyond that
// land where the geometry says, never reading outside the source (the sanitizer build
// catches a stray read: sources here are allocated to their last pixel).
#include <cmath>
#include <vector>

#include "draw_fixture.h"
#include "engine/softrender/draws/draw_rotated.h"
#include "engine/softrender/draws/quad.h"
#include "engine/softrender/draws/triangle.h"
#include "engine/softrender/simd/wide_span.h"

namespace {

using namespace drawtest;

// Column and row in 16 bits each, for sources longer than the fixture's Id holds.
uint32_t WideTag(int x, int y) { return 0x80000000u | uint32_t(y) << 16 | uint32_t(x); }

class WideArithmeticTest : public WalkTest {
protected:
    // The same draw made twice, once in the form the draw picks and once with the wide
    // form forced, from the same starting target.
    template <class DrawFn>
    void ExpectBothForms(Image& dst, DrawFn&& draw, const char* what, int n) {
        const std::vector<uint32_t> before = dst.Pixels();
        draw();
        const std::vector<uint32_t> picked = dst.Pixels();
        int i = 0;
        dst.FillWith([&](int, int) { return before[i++]; });
        soft::ForceWideArithmetic(true);
        draw();
        soft::ForceWideArithmetic(false);
        ASSERT_EQ(picked, dst.Pixels()) << what << " " << n;
    }
    int Random(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); }
    float RandomFloat(float low, float high) { return std::uniform_real_distribution<float>(low, high)(rng); }
};

TEST_F(WideArithmeticTest, QuarterTurnsOfSources9000PixelsLongLandOnTheirMapping) {
    for (const auto& [w, h] : {std::pair{9000, 4}, std::pair{2, 9000}}) {
        source.Make(kMemImgXrgb32, w, h);
        source.FillWith(WideTag);
        // A quarter turn: destination (x + i, y + j) shows source (w / 2 + j, h / 2 - i).
        const int tw = h + 6, th = w + 10, x = tw / 2, y = th / 2;
        MakeTarget(tw, th);
        DrawMemImgRotated(&target.img, &source.img, x, y, static_cast<float>(M_PI / 2), 1.0f, 0, 0, nullptr);
        for (int ty = 0; ty < th; ++ty)
            for (int tx = 0; tx < tw; ++tx) {
                const int sx = w / 2 + (ty - y), sy = h / 2 - (tx - x);
                const bool inside = sx >= 0 && sx < w && sy >= 0 && sy < h;
                ASSERT_EQ(target.At(tx, ty), inside ? WideTag(sx, sy) : 0u) << w << "x" << h << " " << tx << "," << ty;
            }
    }
    // The turn flag draws the long source through the quadrangle, mirrored: its texel
    // coordinates reach 9000, beyond the narrow triangle's range.
    source.Make(kMemImgXrgb32, 9000, 4);
    source.FillWith(WideTag);
    MakeTarget(9010, 8);
    DrawMemImgRotated(&target.img, &source.img, 4504, 4, 0.0f, 1.0f, 0, 1, nullptr);
    for (int ty = 2; ty < 6; ++ty)
        for (int tx = 5; tx < 9004; ++tx) ASSERT_EQ(target.At(tx, ty), WideTag(9004 - tx, ty - 2)) << tx << "," << ty;
    EXPECT_EQ(target.At(4, 3), 0u);
    EXPECT_EQ(target.At(100, 6), 0u);
}

// A 4 x 4 picture scaled by 4096 is 16384 pixels a side; the target sees a corner of it
// from over 8000 pixels away. Each pixel must show the texel the exact inverse turn
// gives; pixels within a hair of a texel edge may show either neighbour.
TEST_F(WideArithmeticTest, AHugeScaleFarFromTheCentreShowsTheRightTexels) {
    MakeSource(4, 4);
    struct Case {
        float angle;
        int x, y;
    };
    for (const Case c : {Case{0.0f, -8160, 32}, Case{static_cast<float>(M_PI / 2), 30, -8170},
                         Case{0.785398f, -5000, -6550}, Case{-2.5f, 8937, 1800}}) {
        for (bool wide : {false, true}) {
            MakeTarget(64, 64);
            soft::ForceWideArithmetic(wide);
            DrawMemImgRotated(&target.img, &source.img, c.x, c.y, c.angle, 4096.0f, 0, 0, nullptr);
            soft::ForceWideArithmetic(false);
            int exact = 0, inside = 0;
            for (int ty = 0; ty < 64; ++ty)
                for (int tx = 0; tx < 64; ++tx) {
                    const double ox = tx - c.x, oy = ty - c.y, a = -static_cast<double>(c.angle);
                    const double u = (ox * std::cos(a) - oy * std::sin(a)) / 4096.0 + 2.0;
                    const double v = (oy * std::cos(a) + ox * std::sin(a)) / 4096.0 + 2.0;
                    const double hair = 1.0 / 4096;
                    if (std::fabs(u - std::round(u)) < hair || std::fabs(v - std::round(v)) < hair) continue;
                    ++exact;
                    const bool in = u >= 0 && u < 4 && v >= 0 && v < 4;
                    inside += in;
                    ASSERT_EQ(target.At(tx, ty), in ? Id(int(std::floor(u)), int(std::floor(v))) : 0u)
                        << c.angle << " wide " << wide << " at " << tx << "," << ty;
                }
            EXPECT_GT(exact, 3700) << c.angle;
            EXPECT_GT(inside, 500) << c.angle;
        }
    }
}

TEST_F(WideArithmeticTest, NarrowAndWideFormsAgreeOnRotatedDraws) {
    // Keyed 32-bit, 16-bit palette (one byte a pixel) and a blend image in alpha blend:
    // every way the wide form shifts its window into the source.
    for (int n = 0; n < 90; ++n) {
        const bool pal = n % 3 == 1, blended = n % 3 == 2;
        const int type = pal ? kMemImgRgb565 : kMemImgXrgb32, w = Random(1, 40), h = Random(1, 40);
        source.Make(type, w, h, pal, false, 3);
        source.FillWith([&](int, int) { return pal ? Random(0, 255) : Random(0, 7); });
        Image blend;
        blend.Make(kMemImgSingle8, w, h);
        blend.FillWith([&](int, int) { return Random(0, 255); });
        MakeTarget(64, 64, type);
        target.FillWith([&](int x, int y) { return uint32_t(x * 64 + y); });
        Area(Random(0, 20), Random(0, 20), Random(40, 64), Random(40, 64));
        Settings(blended ? 1 : 0, blended ? 128 : 255);
        const float angle = RandomFloat(-7.0f, 7.0f), scale = RandomFloat(0.3f, 3.0f) * (n % 5 == 0 ? -1 : 1);
        const int x = Random(-20, 84), y = Random(-20, 84), turn = n % 4 == 3;
        ExpectBothForms(target, [&] {
            DrawMemImgRotated(&target.img, &source.img, x, y, angle, scale, n % 2, turn, blended ? &blend.img : nullptr);
        }, "rotated draw", n);
    }
}

TEST_F(WideArithmeticTest, NarrowAndWideFormsAgreeOnTriangles) {
    MakeSource(32, 24);
    Image blend;
    blend.Make(kMemImgSingle8, 32, 24);
    blend.FillWith([&](int, int) { return Random(0, 255); });
    for (int n = 0; n < 140; ++n) {
        MakeTarget(64, 64);
        Area(Random(0, 10), Random(0, 10), Random(54, 64), Random(54, 64));
        MemImgVertex v[3];
        for (MemImgVertex& p : v) p = {Random(-40, 100), Random(-40, 100), Random(-10, 40), Random(-10, 30)};
        const MEMIMG* src = n % 4 == 0 ? nullptr : &source.img;
        Settings(n % 3 == 0 ? 1 : 0, 100);
        ExpectBothForms(target, [&] {
            RasterMemImgTriangle(&target.img, src, v, n % 2, n % 5 == 0 ? &blend.img : nullptr, 0x123456);
        }, "triangle", n);
    }
}

// The left and right ends of row r for a triangle whose rows in the target all lie on the
// first edges from its top corners (lt to lb on the left, rt to rb on the right), by
// the walk's own rule: the top corner at its pixel's middle, its row truncated toward 0,
// each end the edge's exact position that many rows down, truncated to a pixel.
struct WideSpanEnds {
    int64_t left, right;
};

WideSpanEnds ExactEnds(const MemImgVertex& lt, const MemImgVertex& lb, const MemImgVertex& rt,
                       const MemImgVertex& rb, int r) {
    constexpr int64_t one = 1 << 18;
    auto at = [&](const MemImgVertex& p, const MemImgVertex& q) {
        const int64_t px = p.x * one + one / 2, py = p.y * one + one / 2;
        const int64_t rows = q.y - p.y, down = r - py / one;
        return (px + static_cast<int64_t>(soft::WideFixed{down} * ((q.x - p.x) * one) / rows)) / one;
    };
    return {at(lt, lb), at(rt, rb)};
}

TEST_F(WideArithmeticTest, FarTrianglesCoverTheirExactEdgesAndTexels) {
    // Corners a, b, c and which of them start and end the left and the right edge.
    struct Far {
        MemImgVertex v[3];
        int lt, lb, rt, rb;
    };
    const Far cases[] = {
        // Edges of 0.37 and -0.29 pixels a row: stepped 100000 rows by their truncated
        // slopes they would drift a third of a pixel.
        {{{-36971, -100000, 0, 0}, {37033, 100000, 0, 0}, {-200000, 200000, 0, 0}}, 0, 2, 0, 1},
        {{{-26071, 90000, 0, 0}, {34833, -120000, 0, 0}, {200000, 100000, 0, 0}}, 1, 0, 1, 2},
        {{{100000, -100000, 0, 0}, {30, 80, 0, 0}, {-100000, -100000, 0, 0}}, 2, 1, 0, 1},  // flat top
    };
    for (const Far& f : cases) {
        MakeTarget(64, 64);
        Area(5, 3, 60, 61);
        RasterMemImgTriangle(&target.img, nullptr, f.v, 0, nullptr, 0xABCDEF);
        int covered = 0, crossed = 0;
        for (int r = 0; r < 64; ++r) {
            const WideSpanEnds e = ExactEnds(f.v[f.lt], f.v[f.lb], f.v[f.rt], f.v[f.rb], r);
            crossed += (e.left > 5 && e.left < 60) || (e.right >= 5 && e.right < 59);
            for (int x = 0; x < 64; ++x) {
                const bool in = r >= 3 && r < 61 && x >= 5 && x < 60 && x >= e.left && x <= e.right;
                covered += in;
                ASSERT_EQ(target.At(x, r), in ? 0xABCDEFu : 0u) << f.v[0].x << " at " << x << "," << r;
            }
        }
        EXPECT_GT(covered, 200) << f.v[0].x;
        EXPECT_GT(crossed, 10) << f.v[0].x;  // an edge runs through the area
    }

    // A 3 x 3 picture stretched over a quadrangle 200000 pixels wide: the texel of each
    // target pixel is the exact affine one, counted from the top-left corner's pixel (which
    // truncation toward 0 puts at -99999).
    MakeSource(3, 3);
    MakeTarget(64, 64);
    const int32_t corners[8] = {-100000, -100000, 100000, -100000, -100000, 100000, 100000, 100000};
    // Shifted so the target crosses the texel edges at column and row 1.
    const int32_t shift = 33364;
    int32_t moved[8];
    for (int i = 0; i < 8; ++i) moved[i] = corners[i] + (i % 2 == 0 ? shift : shift + 10);
    RasterMemImgQuad(&target.img, &source.img, moved, 0, nullptr);
    int crossings = 0;
    for (int r = 0; r < 64; ++r)
        for (int x = 0; x < 64; ++x) {
            const double u = (x - (moved[0] + 1)) * 3.0 / 200000.0, v = (r - (moved[1] + 1)) * 3.0 / 200000.0;
            if (std::fabs(u - std::round(u)) < 1e-4 || std::fabs(v - std::round(v)) < 1e-4) continue;
            crossings += int(u) != 1 || int(v) != 1;
            ASSERT_EQ(target.At(x, r), Id(int(u), int(v))) << x << "," << r;
        }
    EXPECT_GT(crossings, 1000);
}

// Beyond what even the wide form steps: a picture scaled so far that one texel covers the
// target (3e38 overflows the float corner sums), one shrunk far below a pixel, and
// triangles whose texels run beyond 2^28.
TEST_F(WideArithmeticTest, ExtremeScalesAndFarTexelsDrawWhatTheMappingGives) {
    MakeSource(4, 4);
    for (float scale : {1e13f, 3e38f}) {
        MakeTarget(16, 16);
        Area(2, 3, 14, 12);
        DrawMemImgRotated(&target.img, &source.img, 8, 8, 0.3f, scale, 0, 0, nullptr);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const bool inside = x >= 2 && x < 14 && y >= 3 && y < 12;
                ASSERT_EQ(target.At(x, y), inside ? Id(2, 2) : 0u) << scale << " " << x << "," << y;
            }
    }
    // Turned through the quadrangle, one texel fills the target too.
    MakeTarget(16, 16);
    DrawMemImgRotated(&target.img, &source.img, 8, 8, 0.3f, 1e13f, 0, 1, nullptr);
    EXPECT_NE(target.At(0, 0), 0u);
    EXPECT_EQ(target.Count(target.At(0, 0)), 256);
    // Shrunk: only the centre's own pixel maps inside, to the middle texel.
    MakeTarget(16, 16);
    DrawMemImgRotated(&target.img, &source.img, 8, 8, 0.3f, 1e-13f, 0, 0, nullptr);
    EXPECT_EQ(target.At(8, 8), Id(2, 2));
    EXPECT_EQ(target.Count(0), 255);

    // A corner's texel at -2^31: u = -2^31 + 2^28 (x + y), so column 0 lies on x + y = 8.
    MakeTarget(16, 16);
    const MemImgVertex farTexel[3] = {{0, 0, INT32_MIN, 0}, {8, 0, 0, 0}, {0, 8, 0, 0}};
    RasterMemImgTriangle(&target.img, &source.img, farTexel, 0, nullptr, 0);
    for (int y = 0; y < 8; ++y) EXPECT_EQ(target.At(8 - y, y), Id(0, 0)) << y;
    EXPECT_EQ(target.Count(0), 248);

    // A one-row palette image nearly as wide as an image may be (one byte a pixel; only the
    // texels read are written). A quadrangle from 2^28 pixels off the target stretches it
    // two texels a pixel; the texels count from the left corner's pixel, whose middle
    // truncates toward 0 to left + 1, so pixel x shows texel w - 34 + 2x, up to x = 16.
    constexpr int32_t w = (1 << 29) - 2, k = 1 << 15;
    Image wide;
    wide.Make(kMemImgXrgb32, w, 1, true);
    for (int i = 0; i < 256; ++i) wide.SetPalette32(i, 0x10000u + i);
    for (int32_t x = w - 40; x < w; ++x) wide.Set(x, 0, x % 256);
    for (int y = 0; y < 16; ++y) wide.Set(k * y, 0, y + 1);
    MakeTarget(20, 2);
    const int32_t left = 16 - w / 2, corners[8] = {left, 0, 16, 0, left, 1, 16, 1};
    RasterMemImgQuad(&target.img, &wide.img, corners, 0, nullptr);
    for (int x = 0; x < 20; ++x) EXPECT_EQ(target.At(x, 0), x <= 16 ? 0x10000u + (w - 34 + 2 * x) % 256 : 0u) << x;
    EXPECT_EQ(target.Count(0), 23);
    // A sliver along the diagonal, 2^28 pixels long and 2^-28 wide, its texels k apart at
    // its two far corners: u = k (2^28 (x - y) + y) changes by 2^43 a pixel across it,
    // beyond the wide gradients. Its pixel in each row, (y, y), shows column k y.
    MakeTarget(16, 16);
    const int32_t n = (1 << 28) - 1;
    const MemImgVertex sliver[3] = {{0, 0, 0, 0}, {n - 1, n, 0, 0}, {n, n + 1, k, 0}};
    RasterMemImgTriangle(&target.img, &wide.img, sliver, 0, nullptr, 0);
    for (int y = 0; y < 16; ++y) EXPECT_EQ(target.At(y, y), 0x10000u + y + 1) << y;
    EXPECT_EQ(target.Count(0), 240);
}

// A texel far left of a source 9000 wide, taken as an unsigned 32-bit value, would fall
// below the source's width and show a column near its right end.
TEST_F(WideArithmeticTest, TexelsBeyondTheSourceAreNeitherWrappedNorRead) {
    source.Make(kMemImgXrgb32, 9000, 1);
    source.FillWith(WideTag);
    MakeTarget(16, 4);
    // Scale 1/4096: column 8 + i shows texel 4500 + 4096 i; column 5 maps to -7788.
    Area(5, 0, 6, 4);
    DrawMemImgRotated(&target.img, &source.img, 8, 2, 0.0f, 1.0f / 4096, 0, 0, nullptr);
    EXPECT_EQ(target.Count(0), 64);
    Area(0, 0, 16, 4);
    DrawMemImgRotated(&target.img, &source.img, 8, 2, 0.0f, 1.0f / 4096, 0, 0, nullptr);
    EXPECT_EQ(target.Count(0), 61);
    EXPECT_EQ(target.At(7, 2), WideTag(404, 0));
    EXPECT_EQ(target.At(8, 2), WideTag(4500, 0));
    EXPECT_EQ(target.At(9, 2), WideTag(8596, 0));

    // The same wrap below a small source: at scale 1/5461, three rows down lies texel row
    // 16387, which as a 32-bit value is row 3.
    MakeSource(8, 8);
    MakeTarget(16, 16);
    Area(8, 8, 9, 12);
    DrawMemImgRotated(&target.img, &source.img, 8, 8, 0.0f, 1.0f / 5461, 0, 0, nullptr);
    EXPECT_EQ(target.At(8, 8), Id(4, 4));
    EXPECT_EQ(target.Count(0), 255);

    // Far corners whose texels run far past every edge, at many slopes: the sanitizer
    // build reports a read before or after the source's pixels.
    source.Make(kMemImgXrgb32, 9000, 2);
    source.FillWith(WideTag);
    MakeTarget(48, 48);
    for (int n = 0; n < 60; ++n) {
        const MemImgVertex v[3] = {{Random(-200000, 200000), Random(-200000, 200000), Random(-50000, 50000), Random(-9, 9)},
                                   {Random(-200000, 200000), Random(-200000, 200000), Random(-50000, 50000), Random(-9, 9)},
                                   {Random(-200000, 200000), Random(-200000, 200000), Random(-50000, 50000), Random(-9, 9)}};
        RasterMemImgTriangle(&target.img, &source.img, v, 0, nullptr, 0);
        DrawMemImgRotated(&target.img, &source.img, Random(-9000, 9000), Random(-100, 100), RandomFloat(-4, 4),
                          RandomFloat(0.05f, 6.0f), 0, n % 2, nullptr);
    }
    // Whatever landed came from the source: a tag of a column and row inside it.
    for (uint32_t p : target.Pixels())
        if (p != 0) { ASSERT_TRUE((p & 0x80000000u) && (p & 0xFFFF) < 9000 && ((p >> 16) & 0x7FFF) < 2) << std::hex << p; }
    EXPECT_LT(target.Count(0), 48 * 48);
}

}  // namespace
