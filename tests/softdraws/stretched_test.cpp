// The stretched draw: the same-size hand-over, scaling by the 16.16 step, mirroring,
// clipping that never changes which source pixel a destination pixel shows, and the
// sizes it refuses.
#include "draw_fixture.h"
#include "engine/softrender/draws/draw_at.h"
#include "engine/softrender/draws/draw_stretched.h"

namespace {

using namespace drawtest;

class StretchedTest : public WalkTest {
protected:
    void Stretch(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t trans = 0) {
        DrawMemImgStretched(&target.img, &source.img, x1, y1, x2, y2, trans, nullptr);
    }
};

TEST_F(StretchedTest, TheSourceSizeIsThePointDraw) {
    MakeSource(5, 3);
    source.Set(1, 1, 0x00FF00FF);
    source.img.store->transColor = 0x00FF00FF;
    MakeTarget(20, 20);
    Settings(1, 100);
    Stretch(10, 12, 15, 15, 1);
    const auto stretched = target.Pixels();
    MakeTarget(20, 20);
    Settings(1, 100);
    DrawMemImgAt(&target.img, &source.img, 10, 12, 1, nullptr);
    EXPECT_EQ(target.Pixels(), stretched);

    // A palette destination is refused on both roads.
    Image pal;
    pal.Make(kMemImgXrgb32, 20, 20, true);
    pal.Fill(0);
    DrawMemImgStretched(&pal.img, &source.img, 10, 12, 15, 15, 0, nullptr);
    DrawMemImgStretched(&pal.img, &source.img, 0, 0, 15, 15, 0, nullptr);
    EXPECT_EQ(pal.Count(0), 400);
}

TEST_F(StretchedTest, ScalingRepeatsOrSkipsWholeSourcePixels) {
    MakeSource(4, 4);
    MakeTarget(8, 8);
    Stretch(0, 0, 8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(target.At(x, y), Id(x / 2, y / 2));
    MakeTarget(8, 8);
    Stretch(0, 0, 2, 2);
    EXPECT_EQ(target.At(0, 0), Id(0, 0));
    EXPECT_EQ(target.At(1, 0), Id(2, 0));
    EXPECT_EQ(target.At(0, 1), Id(0, 2));
    EXPECT_EQ(target.At(1, 1), Id(2, 2));
    EXPECT_EQ(target.At(2, 0), 0u);

    MakeSource(3, 1);
    MakeTarget(4, 1);
    Stretch(0, 0, 2, 1);  // xScale 43690
    EXPECT_EQ(target.At(0, 0), Id(0, 0));
    EXPECT_EQ(target.At(1, 0), Id(1, 0));

    // A keyed pixel enlarged to a block leaves the whole block untouched.
    MakeSource(2, 2);
    source.img.store->transColor = Id(1, 0);
    MakeTarget(6, 6);
    Stretch(0, 0, 6, 6, 1);
    for (int y = 0; y < 3; ++y)
        for (int x = 3; x < 6; ++x) EXPECT_EQ(target.At(x, y), 0u);
    EXPECT_EQ(target.Count(0), 9);
}

TEST_F(StretchedTest, ReversedCornersMirror) {
    MakeSource(6, 4);
    MakeTarget(16, 16);
    Stretch(16, 0, 10, 4);  // same size, mirrored left to right
    EXPECT_EQ(target.At(10, 0), Id(5, 0));
    EXPECT_EQ(target.At(15, 3), Id(0, 3));
    MakeTarget(16, 16);
    Stretch(12, 8, 0, 0);  // both ways, doubled: a half turn
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x) EXPECT_EQ(target.At(x, y), Id(5 - x / 2, 3 - y / 2));

    // Mirrored and clipped: 100 columns into 200, 5 cut off the left edge.
    MakeSource(100, 1);
    MakeTarget(300, 1);
    Area(5, 0, 300, 1);
    Stretch(200, 0, 0, 1);
    EXPECT_EQ(target.At(5, 0), Id(97, 0));
    EXPECT_EQ(target.At(6, 0), Id(96, 0));
    EXPECT_EQ(target.At(199, 0), Id(0, 0));
    EXPECT_EQ(target.At(4, 0), 0u);
}

TEST_F(StretchedTest, ClippingNeverChangesWhichSourcePixelIsShown) {
    MakeSource(100, 7);
    MakeTarget(64, 48);
    Stretch(50, 3, 0, 40);  // mirrored, reduced across and enlarged down
    const auto whole = target.Pixels();
    for (int i = 0; i < 40; ++i) {
        const int l = rng() % 60, t = rng() % 44;
        MakeTarget(64, 48);
        Area(l, t, l + 1 + int(rng() % (64 - l)), t + 1 + int(rng() % (48 - t)));
        Stretch(50, 3, 0, 40);
        const auto clipped = target.Pixels();
        for (size_t p = 0; p < whole.size(); ++p)
            if (clipped[p] != 0) { ASSERT_EQ(clipped[p], whole[p]) << "pixel " << p; }
    }
    // An exact half keeps columns 0, 2, 4...; 3 clipped on the left starts at column 6.
    MakeSource(100, 1);
    MakeTarget(64, 1);
    Area(3, 0, 64, 1);
    Stretch(0, 0, 50, 1);
    EXPECT_EQ(IdX(target.At(3, 0)), 6);
    EXPECT_EQ(IdY(target.At(3, 0)), 0);
}

TEST_F(StretchedTest, SizesTheFixedPointCannotHoldAreRefused) {
    MakeSource(4, 4);
    MakeTarget(8, 8);
    Stretch(3, 0, 3, 8);
    Stretch(0, 5, 8, 5);
    EXPECT_EQ(target.Count(0), 64);

    // A source so wide that one destination pixel spans more than 65536 of its pixels
    // would give a scale of 0 and never advance.
    source.Make(kMemImgRgb565, 70000, 1);
    source.Fill(0xFFFF);
    MakeTarget(8, 8, kMemImgRgb565);
    Stretch(0, 0, 1, 1);
    EXPECT_EQ(target.Count(0), 64);

    // Far-off corners: the scale and the clipped distance need 64 bits.
    MakeSource(4, 4);
    MakeTarget(8, 8);
    Stretch(-2000000000, -2000000000, 2000000000, 2000000000);
    EXPECT_EQ(target.At(0, 0), Id(2, 2));
    EXPECT_EQ(target.At(7, 7), Id(2, 2));

    // A 32-bit source on a 16-bit target.
    MakeSource(4, 4);
    MakeTarget(8, 8, kMemImgRgb565);
    Stretch(0, 0, 8, 8);
    EXPECT_EQ(target.Count(0), 64);
}

}  // namespace
