// Triangles and quadrangles: the rows and inclusive spans the fixed-point walk covers,
// the texel range test, vertex order, flat colours, the shared diagonal drawn twice and
// the coordinates the fixed-point form cannot hold.
#include <algorithm>
#include <array>
#include <vector>

#include "draw_fixture.h"
#include "engine/softrender/draws/quad.h"
#include "engine/softrender/draws/triangle.h"

namespace {

using namespace drawtest;

class TriangleTest : public WalkTest {
protected:
    // Columns of each row that hold something other than 0.
    std::vector<std::pair<int, int>> Spans() const {
        std::vector<std::pair<int, int>> out(target.img.height, {-1, -1});
        for (int y = 0; y < target.img.height; ++y)
            for (int x = 0; x < target.img.width; ++x)
                if (target.At(x, y) != 0) {
                    if (out[y].first < 0) out[y].first = x;
                    out[y].second = x;
                }
        return out;
    }
};

TEST_F(TriangleTest, TheRightAngledTriangleOfTheWorkedCase) {
    MakeSource(100, 100);
    MakeTarget(128, 128);
    const MemImgVertex v[3] = {{0, 0, 0, 0}, {100, 0, 100, 0}, {0, 100, 0, 100}};
    RasterMemImgTriangle(&target.img, &source.img, v, 0, nullptr, 0);
    const auto spans = Spans();
    EXPECT_EQ(spans[0], std::make_pair(0, 99));  // column 100 maps to u = 100: outside
    EXPECT_EQ(spans[99].first, 0);
    EXPECT_EQ(spans[100].first, -1);  // the bottom vertex's row is not drawn
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x <= spans[y].second; ++x) ASSERT_EQ(target.At(x, y), Id(x, y));

    // The same triangle flat: column 100 of row 0 is written too.
    MakeTarget(128, 128);
    RasterMemImgTriangle(&target.img, nullptr, v, 0, nullptr, 0xFF123456);
    EXPECT_EQ(Spans()[0], std::make_pair(0, 100));
    EXPECT_EQ(target.At(100, 0), 0xFF123456u);  // white bright: unchanged, fourth byte too
    int rows = 0;
    for (const auto& s : Spans()) rows += s.first >= 0;
    EXPECT_EQ(rows, 100);
}

TEST_F(TriangleTest, AnyVertexOrderCoversTheSamePixels) {
    const std::array<MemImgVertex, 3> tris[] = {
        {{{3, 2, 0, 0}, {40, 11, 0, 0}, {17, 45, 0, 0}}},
        {{{5, 5, 0, 0}, {30, 5, 0, 0}, {12, 30, 0, 0}}},     // flat top
        {{{20, 1, 0, 0}, {2, 33, 0, 0}, {41, 33, 0, 0}}},    // flat bottom
        {{{-9, -3, 0, 0}, {50, 20, 0, 0}, {7, 60, 0, 0}}}};  // clipped
    for (const auto& tri : tris) {
        std::array<int, 3> order{0, 1, 2};
        std::vector<uint32_t> first;
        do {
            MakeTarget(48, 48);
            const MemImgVertex v[3] = {tri[order[0]], tri[order[1]], tri[order[2]]};
            RasterMemImgTriangle(&target.img, nullptr, v, 0, nullptr, 1);
            if (first.empty()) first = target.Pixels();
            else EXPECT_EQ(target.Pixels(), first);
        } while (std::next_permutation(order.begin(), order.end()));
        EXPECT_GT(48 * 48 - target.Count(0), 100);
    }
}

TEST_F(TriangleTest, RowsStartAtTheTruncatedTopVertex) {
    // A top vertex at y = -3 stands at -2.5, which truncates to row -2: the walk starts
    // there and, with its 33 rows, now also draws the bottom vertex's row.
    MakeTarget(64, 64);
    const MemImgVertex v[3] = {{10, -3, 0, 0}, {40, 30, 0, 0}, {0, 30, 0, 0}};
    RasterMemImgTriangle(&target.img, nullptr, v, 0, nullptr, 1);
    const auto spans = Spans();
    EXPECT_GE(spans[0].first, 0);
    EXPECT_EQ(spans[30].first, 0);
    EXPECT_EQ(spans[31].first, -1);
    Image shifted;
    shifted.Make(kMemImgXrgb32, 64, 64);
    shifted.Fill(0);
    const MemImgVertex w[3] = {{10, 7, 0, 0}, {40, 40, 0, 0}, {0, 40, 0, 0}};
    RasterMemImgTriangle(&shifted.img, nullptr, w, 0, nullptr, 1);
    // The same triangle 10 rows lower starts on its own top row: one row earlier than
    // the shifted walk, so row y here is row y + 9 there.
    for (int y = 0; y <= 31; ++y)
        for (int x = 0; x < 64; ++x) ASSERT_EQ(target.At(x, y), shifted.At(x, y + 9)) << x << "," << y;
}

TEST_F(TriangleTest, FlatColoursAndRefusals) {
    MakeTarget(16, 16, kMemImgRgb565);
    Settings(0, 255, 0x00FF00);  // bright red 0, green 255, blue 0: only green survives
    const MemImgVertex v[3] = {{0, 0, 0, 0}, {8, 0, 0, 0}, {0, 8, 0, 0}};
    RasterMemImgTriangle(&target.img, nullptr, v, 1, nullptr, 0xFFFF);
    EXPECT_EQ(target.At(0, 0), 0x07E0u);
    // No area: nothing.
    MakeTarget(16, 16);
    const MemImgVertex line[3] = {{0, 0, 0, 0}, {4, 4, 0, 0}, {8, 8, 0, 0}};
    RasterMemImgTriangle(&target.img, nullptr, line, 0, nullptr, 1);
    EXPECT_EQ(target.Count(0), 256);
    RasterMemImgTriangle(&target.img, nullptr, nullptr, 0, nullptr, 1);
}

// Corners beyond the wide fixed point's reach are cut to it first: two triangles making a
// band that runs up to two thousand million pixels off the left cover the band's part on
// the target as the same band ending 100,000 pixels off does, inside filled, rows beyond
// it untouched.
TEST_F(TriangleTest, CornersBeyondTheWideReachDrawTheirPartOnTheTarget) {
    std::vector<uint32_t> nearer;
    for (int32_t reach : {100000, 1 << 28, 1000000000, INT32_MAX}) {
        MakeTarget(64, 32);
        Settings(0, 255, 0xFFFFFF);
        const MemImgVertex upper[3] = {{-reach, 10, 0, 0}, {50, 10, 0, 0}, {50, 20, 0, 0}};
        const MemImgVertex lower[3] = {{-reach, 10, 0, 0}, {50, 20, 0, 0}, {-reach, 20, 0, 0}};
        RasterMemImgTriangle(&target.img, nullptr, upper, 0, nullptr, 1);
        RasterMemImgTriangle(&target.img, nullptr, lower, 0, nullptr, 1);
        std::vector<uint32_t> screen;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 64; ++x) {
                screen.push_back(target.At(x, y));
                if (x < 50 && y >= 10 && y < 20) { ASSERT_EQ(target.At(x, y), 1u) << reach << ": " << x << "," << y; }
                if (y < 10 || y > 20) { ASSERT_EQ(target.At(x, y), 0u) << reach << ": " << x << "," << y; }
            }
        if (nearer.empty()) nearer = screen;
        EXPECT_EQ(screen, nearer) << reach;
    }
}

TEST_F(TriangleTest, AnAxisParallelQuadMapsOneToOneAndBlendsItsDiagonalTwice) {
    MakeSource(20, 12);
    MakeTarget(40, 30);
    const int32_t corners[8] = {5, 7, 25, 7, 5, 19, 25, 19};
    RasterMemImgQuad(&target.img, &source.img, corners, 0, nullptr);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 5 && x < 25 && y >= 7 && y < 19;
            ASSERT_EQ(target.At(x, y), inside ? Id(x - 5, y - 7) : 0u) << x << "," << y;
        }
    // Mirrored corner order draws the source mirrored.
    MakeTarget(40, 30);
    const int32_t mirrored[8] = {25, 7, 5, 7, 25, 19, 5, 19};
    RasterMemImgQuad(&target.img, &source.img, mirrored, 0, nullptr);
    // Texel u = 25 - x: column 5 maps to the source's right edge and stays untouched.
    EXPECT_EQ(target.At(5, 8), 0u);
    EXPECT_EQ(target.At(6, 8), Id(19, 1));
    EXPECT_EQ(target.At(24, 8), Id(1, 1));

    // Half-blend a white quad on black: the diagonal pixels are blended twice.
    source.Fill(0xFFFFFF);
    MakeTarget(40, 30);
    Settings(1, 128);
    RasterMemImgQuad(&target.img, &source.img, corners, 0, nullptr);
    const int once = target.Count(0x7F7F7F), twice = target.Count(0xBFBFBF);
    EXPECT_GT(twice, 10);
    EXPECT_EQ(once + twice, 20 * 12);

    // A box that misses the draw area even with its margin draws nothing.
    MakeTarget(40, 30);
    Area(30, 0, 40, 30);
    const int32_t left[8] = {0, 0, 20, 0, 0, 20, 20, 20};
    RasterMemImgQuad(&target.img, &source.img, left, 0, nullptr);
    EXPECT_EQ(target.Count(0), 1200);
}

TEST_F(TriangleTest, TheBlendImageIsReadAtTheTexel) {
    MakeSource(8, 8);
    source.Fill(0xFFFFFF);
    Image blend;
    blend.Make(kMemImgSingle8, 8, 8);
    blend.FillWith([](int x, int) { return x < 4 ? 0u : 255u; });
    MakeTarget(32, 32);
    // Texels 0..8 spread over 16 pixels: weight 0 on the left half of the picture.
    const int32_t corners[8] = {10, 10, 26, 10, 10, 26, 26, 26};
    RasterMemImgQuad(&target.img, &source.img, corners, 0, &blend.img);
    EXPECT_EQ(target.At(17, 12), 0u);
    EXPECT_EQ(target.At(18, 12), 0xFEFEFEu);
}

}  // namespace
