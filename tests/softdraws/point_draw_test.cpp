// The point draw: refusals, clipping with the blend image read in source coordinates,
// mode gates, the work palette, and the run-code path (choice, code walk, bounds).
#include <cstring>

#include "draw_fixture.h"
#include "engine/softrender/draws/draw_at.h"
#include "engine/softrender/pipeline/run_codes.h"

namespace {

using namespace drawtest;

class PointDrawTest : public DrawTest {
protected:
    void MakeTarget(int type, int w, int h, uint32_t background = 0) {
        target.Make(type, w, h);
        target.Fill(background);
        Area(0, 0, w, h);
        Settings(0, 255);
    }
    // Run codes made from the pixels, as the writer makes them after a whole write.
    static void BuildCodes(Image& im) {
        soft::BuildMemImgRunCodes(*im.img.store);
        im.img.store->runCodeValid = 1;
    }
    Image target, source;
};

TEST_F(PointDrawTest, MismatchedImagesAreRefused) {
    MakeTarget(kMemImgRgb565, 8, 8, 0x1234);
    source.Make(kMemImgXrgb32, 4, 4);
    source.Fill(0xFFFFFFFF);
    DrawMemImgAt(&target.img, &source.img, 0, 0, 0, nullptr);
    EXPECT_EQ(target.Count(0x1234), 64);

    for (bool pal : {true, false}) {
        Image dst;
        dst.Make(kMemImgXrgb32, 8, 8, pal, !pal);
        dst.Fill(7);
        DrawMemImgAt(&dst.img, &source.img, 0, 0, 0, nullptr);
        EXPECT_EQ(dst.Count(7), 64) << "palette destination " << pal;
    }
    Image single, singleDst;
    single.Make(kMemImgSingle8, 4, 4);
    singleDst.Make(kMemImgSingle8, 8, 8);
    singleDst.Fill(3);
    single.Fill(9);
    DrawMemImgAt(&singleDst.img, &single.img, 0, 0, 0, nullptr);
    EXPECT_EQ(singleDst.Count(3), 64);
    DrawMemImgAt(nullptr, &source.img, 0, 0, 0, nullptr);  // logged, no crash
}

TEST_F(PointDrawTest, ASixteenBitKeyAboveTheWordMatchesNothing) {
    // 0x10000 would match a pair of 0 pixels if two 16-bit pixels were compared as one word.
    source.Make(kMemImgRgb565, 6, 2, false, false, 0x10000);
    source.Fill(0);
    MakeTarget(kMemImgRgb565, 8, 4, 0x5555);
    DrawMemImgAt(&target.img, &source.img, 1, 1, 1, nullptr);
    EXPECT_EQ(target.Count(0), 12);
}

TEST_F(PointDrawTest, ClippingStartsInsideTheSourceAndTheBlendImageFollowsIt) {
    MakeTarget(kMemImgXrgb32, 64, 4);
    source.Make(kMemImgXrgb32, 40, 2);
    source.FillWith([](int x, int y) { return 0x100u * y + x; });
    Image blend;
    blend.Make(kMemImgSingle8, 40, 2);
    blend.FillWith([](int x, int) { return x < 10 ? 0u : 255u; });
    DrawMemImgAt(&target.img, &source.img, -10, 1, 0, nullptr);
    EXPECT_EQ(target.At(0, 1), 10u);
    EXPECT_EQ(target.At(29, 2), 0x127u);
    EXPECT_EQ(target.At(30, 1), 0u);
    EXPECT_EQ(target.Count(0), 64 * 4 - 60);

    // Weight 0 for the blend image's first ten columns: the drawn part reads from column
    // 10 on, where every weight is 255 (255/256: white over black gives 254).
    MakeTarget(kMemImgXrgb32, 64, 4, 0);
    source.Fill(0xFFFFFF);
    DrawMemImgAt(&target.img, &source.img, -10, 0, 0, &blend.img);
    EXPECT_EQ(target.Count(0xFEFEFE), 60);
    EXPECT_EQ(target.At(0, 0), 0xFEFEFEu);
    EXPECT_EQ(target.At(30, 0), 0u);

    // Wholly outside the draw area: nothing drawn.
    for (auto [x, y] : {std::pair{-40, 0}, {64, 0}, {0, -2}, {0, 4}}) {
        MakeTarget(kMemImgXrgb32, 64, 4, 5);
        DrawMemImgAt(&target.img, &source.img, x, y, 0, nullptr);
        EXPECT_EQ(target.Count(5), 256);
    }
}

TEST_F(PointDrawTest, ThePaletteIsLeftInTheWorkPalette) {
    source.Make(kMemImgXrgb32, 4, 4, true);
    for (int i = 0; i < 256; ++i) source.SetPalette32(i, 0x01000000u * (i & 0x7F) + 0x010101u * i);
    source.img.store->paletteCount = 200;
    source.FillWith([](int x, int y) { return uint32_t(4 * y + x + 1); });
    std::memset(SoftRender().workPalette.data(), 0xEE, 1024);

    MakeTarget(kMemImgXrgb32, 8, 8, 3);
    Settings(7, 255);
    DrawMemImgAt(&target.img, &source.img, 0, 0, 0, nullptr);
    EXPECT_EQ(target.Count(3), 64);
    // Even a draw that draws nothing leaves the palette it got past clipping with.
    EXPECT_EQ(SoftRender().workPalette[5], 0x05050505u);
    EXPECT_EQ(SoftRender().workPalette[199], 0x47C7C7C7u);
    EXPECT_EQ(SoftRender().workPalette[200], 0xEEEEEEEEu);

    // Clipped away: the work palette is left as it was.
    source.img.store->paletteCount = 256;
    DrawMemImgAt(&target.img, &source.img, 100, 0, 0, nullptr);
    EXPECT_EQ(SoftRender().workPalette[200], 0xEEEEEEEEu);
}

TEST_F(PointDrawTest, RunCodesAreTakenOnlyForAWholeUnclippedKeyedDraw) {
    // A 32-bit alpha image: alpha 0 pixels, opaque ones and partly transparent ones.
    source.Make(kMemImgXrgb32, 11, 2, false, true, 0, true);
    source.FillWith([](int x, int) {
        return x < 4 ? 0x00FFFFFFu : x < 10 ? 0xFF0000FFu : 0x80FF0000u;
    });
    BuildCodes(source);
    const uint8_t line[] = {0x03, 0x45, 0x80, 0xC0};
    EXPECT_EQ(std::memcmp(source.img.store->runCodes, line, 4), 0);

    // Mode 4 leaves alpha-0 pixels untouched on the run-code path; the normal path's
    // keyed multiply weighs them by 0, turning them black.
    auto draw = [&](int32_t transparency, const MEMIMG* src, int32_t areaRight) {
        MakeTarget(kMemImgXrgb32, 11, 2, 0x00808080);
        Area(0, 0, areaRight, 2);
        Settings(4, 255);
        DrawMemImgAt(&target.img, src, 0, 0, transparency, nullptr);
        return target.At(0, 0);
    };
    EXPECT_EQ(draw(1, &source.img, 11), 0x00808080u);
    EXPECT_EQ(target.At(4, 0), 0x0000007Fu);    // 0x80 * 0xFF >> 8
    EXPECT_EQ(target.At(10, 1), 0x003F0000u);   // 0x80 * 0xFF * 0x80 >> 16
    EXPECT_EQ(draw(2, &source.img, 11), 0u);    // transparency 2: the normal path
    EXPECT_EQ(target.At(4, 0), 0x0000007Fu);
    EXPECT_EQ(draw(1, &source.img, 10), 0u);    // one column clipped
    // A view of the whole width but one row.
    MEMIMG view{};
    MakeMemImgView(&view, &source.img, 0, 0, 11, 1);
    EXPECT_EQ(draw(1, &view, 11), 0u);
    ReleaseMemImg(&view);
}

TEST_F(PointDrawTest, RunCodedCopyStoresWholePixelsAndKeysWithoutComparing) {
    source.Make(kMemImgXrgb32, 11, 1, false, true, 0, true);
    source.FillWith([](int x, int) {
        return x < 4 ? 0x00FFFFFFu : x < 10 ? 0xFF0000FFu : 0x80FF0000u;
    });
    BuildCodes(source);
    MakeTarget(kMemImgXrgb32, 11, 1, 0x11000000);
    DrawMemImgAt(&target.img, &source.img, 0, 0, 1, nullptr);
    EXPECT_EQ(target.At(3, 0), 0x11000000u);
    EXPECT_EQ(target.At(4, 0), 0xFF0000FFu);  // opaque: the whole pixel, alpha byte included
    EXPECT_EQ(target.At(10, 0), 0x117F0000u);  // partly: weighted, fourth byte kept

    // A source without alpha: a pixel the codes call opaque is drawn even when it holds
    // the transparent value, because the codes stand in for the key.
    Image keyed;
    keyed.Make(kMemImgRgb565, 4, 1, false, false, 0x1111, true);
    keyed.FillWith([](int x, int) { return x == 1 ? 0x1111u : 0xF800u; });
    BuildCodes(keyed);
    keyed.Set(2, 0, 0x1111);  // codes now stale: pixel 2 stays in an opaque run
    MakeTarget(kMemImgRgb565, 4, 1, 0x0007);
    DrawMemImgAt(&target.img, &keyed.img, 0, 0, 1, nullptr);
    EXPECT_EQ(target.Pixels(), (std::vector<uint32_t>{0xF800, 0x0007, 0x1111, 0xF800}));
}

TEST_F(PointDrawTest, UntrustedRunCodesNeverLeaveTheirLines) {
    source.Make(kMemImgXrgb32, 5, 3, false, false, 0, true);
    source.Fill(0x00ABCDEF);
    BuildCodes(source);
    // Codes claiming 64 opaque pixels a line with no end bytes at all.
    const MemImgStore& st = *source.img.store;
    std::memset(st.runCodes, 0x7F, (size_t(st.width) + 5) * st.height);
    Image big;
    big.Make(kMemImgXrgb32, 16, 4);
    big.Fill(1);
    Area(0, 0, 5, 3);
    Settings(0, 255);
    DrawMemImgAt(&big.img, &source.img, 0, 0, 1, nullptr);
    int drawn = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x) {
            if (x >= 5 || y >= 3) { EXPECT_EQ(big.At(x, y), 1u) << x << "," << y; }
            drawn += big.At(x, y) == 0x00ABCDEFu;
        }
    EXPECT_EQ(drawn, 5);  // the first line, cut at the width; the codes then run out
}

}  // namespace
