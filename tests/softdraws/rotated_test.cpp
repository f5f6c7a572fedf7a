// The rotated draw: the inverse mapping centred on the source's middle pixel, its box and
// margin, the half turn of a negative scale, the turn path's mirroring, quarter turns,
// and the inputs it refuses.
#include <cmath>
#include <limits>
#include <vector>

#include "draw_fixture.h"
#include "engine/softrender/draws/draw_rotated.h"

namespace {

using namespace drawtest;

class RotatedTest : public WalkTest {
protected:
    void Rotate(int32_t x, int32_t y, float angle, float scale, int32_t turn = 0) {
        DrawMemImgRotated(&target.img, &source.img, x, y, angle, scale, 0, turn, nullptr);
    }
};

TEST_F(RotatedTest, NoTurnAtScaleOneShowsTheSourceCentredOnThePoint) {
    MakeSource(10, 6);
    MakeTarget(40, 40);
    Rotate(20, 20, 0.0f, 1.0f);
    // Destination (20 + i, 20 + j) shows source (5 + i, 3 + j): columns 15..24, rows 17..22.
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 15 && x < 25 && y >= 17 && y < 23;
            ASSERT_EQ(target.At(x, y), inside ? Id(x - 15, y - 17) : 0u) << x << "," << y;
        }
    // The margin of 2 left and top and 4 right and bottom lies in the box but shows no
    // source pixel: a draw area of just the margin draws nothing.
    MakeTarget(40, 40);
    Area(13, 15, 15, 27);
    Rotate(20, 20, 0.0f, 1.0f);
    EXPECT_EQ(target.Count(0), 1600);
}

TEST_F(RotatedTest, ANegativeScaleAddsAHalfTurn) {
    MakeSource(9, 7);  // odd sizes: the half turn is about the middle pixel itself
    MakeTarget(40, 40);
    Rotate(20, 20, 0.0f, -1.0f);
    for (int j = -3; j <= 3; ++j)
        for (int i = -4; i <= 4; ++i) ASSERT_EQ(target.At(20 + i, 20 + j), Id(4 - i, 3 - j)) << i << "," << j;
    MakeTarget(40, 40);
    Rotate(20, 20, static_cast<float>(M_PI), 1.0f);
    EXPECT_EQ(target.At(20, 20), Id(4, 3));
    EXPECT_EQ(target.At(16, 17), Id(8, 6));
}

TEST_F(RotatedTest, AQuarterTurnIsClockwise) {
    MakeSource(8, 8);
    MakeTarget(40, 40);
    Rotate(20, 20, static_cast<float>(M_PI / 2), 1.0f);
    // Turned clockwise, the source's top row runs down the right side.
    EXPECT_EQ(target.At(20, 20), Id(4, 4));
    EXPECT_EQ(target.At(21, 20) & 0xFFF, 4u);
    EXPECT_EQ((target.At(20, 21) >> 12) & 0xFFF, 4u);
    EXPECT_EQ(target.At(23, 16), Id(0, 1));
}

TEST_F(RotatedTest, TheTurnFlagMirrorsThroughTheQuadrangle) {
    MakeSource(10, 6);
    MakeTarget(40, 40);
    Rotate(20, 20, 0.0f, 1.0f, 1);
    // Corners at 15..25 and 17..23, mirrored: column x shows source column 25 - x.
    for (int y = 17; y < 23; ++y)
        for (int x = 16; x < 25; ++x) ASSERT_EQ(target.At(x, y), Id(25 - x, y - 17)) << x << "," << y;
    EXPECT_EQ(target.At(15, 17), 0u);
    EXPECT_EQ(target.At(20, 23), 0u);
    // Negative scale on the turn path: mirrored and turned, so mirrored top to bottom.
    MakeTarget(40, 40);
    Rotate(20, 20, 0.0f, -1.0f, 1);
    // Source top-left lands at (15, 23): u = x - 15, v = 23 - y.
    EXPECT_EQ(target.At(20, 18), Id(5, 5));
    EXPECT_EQ(target.At(15, 22), Id(0, 1));
}

// Far from the centre the mapping's product needs more than a float's 24 bits; only the
// quotient is rounded, and with the product rounded first this pixel showed column 171.
TEST_F(RotatedTest, StartValuesRoundOnlyTheQuotient) {
    MakeSource(468, 126);
    MakeTarget(640, 480);
    Area(339, 320, 379, 360);
    Rotate(320, 240, 4.78789711f, 1.65952003f);
    EXPECT_EQ(target.At(344, 345), Id(172, 82));
}

// A keyed draw walks only the part of its source where texels show; the pixel loop
// (the generic path) walks the whole. Both must leave the same pixels, with the shown
// part off every edge (found 16 bytes of texels at a time, then one by one), the blend
// image read at the same texels, and nothing shown; turned by quarter turns and not.
TEST_F(RotatedTest, KeyedSourcesWalkOnlyWhereTexelsShow) {
    constexpr int kW = 37, kH = 9;
    Image blend;
    blend.Make(kMemImgSingle8, kW, kH);
    blend.FillWith([&](int, int) { return rng() & 0xFF; });
    for (const int bytes : {1, 2, 4})
        for (const bool shows : {true, false}) {
            const int type = bytes == 2 ? kMemImgRgb565 : kMemImgXrgb32;
            const uint32_t mask = bytes == 1 ? 0xFEu : bytes == 2 ? 0xFFFEu : 0xFFFFFFFEu;
            const uint32_t trans = 0x00123457 & (mask | 1);
            source.Make(type, kW, kH, bytes == 1, false, trans);
            for (int i = 0; i < (bytes == 1 ? 256 : 0); ++i) source.SetPalette32(i, rng());
            source.FillWith([&](int x, int y) {
                const bool body = shows && x >= 9 && x < 30 && y >= 2 && y < 8 && (x + y) % 4 != 0;
                return body ? uint32_t(rng()) & mask : trans;
            });
            for (const MEMIMG* b : {static_cast<const MEMIMG*>(nullptr), static_cast<const MEMIMG*>(&blend.img)})
                for (const float angle : {0.0f, 0.4f, 1.5707964f, 2.9f})
                    for (const float scale : {1.0f, 2.3f, -0.5f}) {
                        std::vector<uint32_t> drawn[2];
                        for (const bool generic : {false, true}) {
                            MakeTarget(60, 60, type);
                            target.FillWith([](int x, int y) { return uint32_t(x * 60 + y); });
                            Settings(2, 200);
                            soft::ForceGenericPath(generic);
                            DrawMemImgRotated(&target.img, &source.img, 30, 29, angle, scale, 1, 0, b);
                            drawn[generic] = target.Pixels();
                        }
                        ASSERT_EQ(drawn[0], drawn[1]) << "bytes " << bytes << " angle " << angle << " scale "
                                                      << scale << " blend " << (b != nullptr) << " shows " << shows;
                    }
        }
}

TEST_F(RotatedTest, TallSourcesAndRefusedInputs) {
    // Taller than any fixed row table: every row is addressed by its pitch.
    MakeSource(2, 5000);
    MakeTarget(8, 5200);
    Rotate(4, 2600, 0.0f, 1.0f);
    EXPECT_EQ(target.At(3, 100), Id(0, 0));
    EXPECT_EQ(target.At(4, 5099), Id(1, 4999));

    MakeSource(4, 4);
    MakeTarget(16, 16);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float scale : {0.0f, -0.0f, nan, inf, 1e-9f}) Rotate(8, 8, 0.5f, scale);
    for (float angle : {nan, inf}) Rotate(8, 8, angle, 1.0f);
    EXPECT_EQ(target.Count(0), 256);

    // Far from the area: the mapping of the box is made in 64 bits, nothing drawn.
    Rotate(2000000000, -2000000000, 0.3f, 2.0f);
    Rotate(-100000, 8, 0.3f, 2.0f, 1);
    EXPECT_EQ(target.Count(0), 256);

    // A source 8192 wide is no longer refused: its middle row crosses the target.
    Image wide;
    wide.Make(kMemImgXrgb32, 8192, 1);
    wide.Fill(0xFFFFFF);
    DrawMemImgRotated(&target.img, &wide.img, 8, 8, 0.0f, 1.0f, 0, 0, nullptr);
    EXPECT_EQ(target.Count(0), 240);
    for (int x = 0; x < 16; ++x) EXPECT_EQ(target.At(x, 8), 0xFFFFFFu) << x;
}

}  // namespace
