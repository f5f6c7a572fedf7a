// The line and the flat triangle in every blend mode against the scalar reference, on
// random targets, colours, parameters and brights: a copy of a marker colour first finds
// the pixels a draw covers; the real draw must turn each of them into the reference's
// pixel and leave every other pixel alone.
#include <functional>
#include <vector>

#include "draw_fixture.h"
#include "engine/softrender/draws/line.h"
#include "engine/softrender/draws/triangle.h"
#include "scalar_reference.h"

namespace {

using namespace drawtest;

constexpr int kSize = 24;
constexpr int kModes[] = {0, 1, 2, 3, 4, 5, 10, 11, 12};
constexpr int kParams[] = {0, 1, 100, 128, 254, 255};

using FlatDraw = std::function<void(MEMIMG*, uint32_t colour)>;

// How a flat draw tints its colour before the mode sees it.
uint32_t TableTint(int depth, uint32_t colour, uint32_t bright) {
    auto t = [&](int k, uint32_t v) { return ((bright >> (8 * k)) & 0xFF) * v / 255; };
    if (depth == 32)
        return (colour & 0xFF000000u) | t(2, (colour >> 16) & 0xFF) << 16 |
               t(1, (colour >> 8) & 0xFF) << 8 | t(0, colour & 0xFF);
    colour &= 0xFFFF;
    return t(2, colour >> 11) << 11 | t(1, (colour >> 5) & 63) << 5 | t(0, colour & 31);
}

class FlatDifferential : public DrawTest {
protected:
    // tableTint: the flat triangle's tint, always applied through the 255 table; else the
    // line's, which the reference applies itself.
    void Check(const FlatDraw& draw, bool tableTint) {
        for (int depth : {16, 32}) {
            const int type = depth == 32 ? kMemImgXrgb32 : kMemImgRgb565;
            Image marker;
            marker.Make(type, kSize, kSize);
            marker.Fill(0);
            Area(0, 0, kSize, kSize);
            Settings(0, 255);
            draw(&marker.img, 1);
            const std::vector<uint32_t> covered = marker.Pixels();
            ASSERT_GT(marker.Count(1), 0) << "the draw covers nothing";

            for (int mode : kModes)
                for (int param : kParams)
                    for (int b = 0; b < 3; ++b) {
                        const uint32_t bright = b == 0 ? 0xFFFFFF : b == 1 ? 0xFFFFFE : rng() & 0xFFFFFF;
                        const uint32_t colour = rng();
                        Image target;
                        target.Make(type, kSize, kSize);
                        target.FillWith([&](int, int) { return static_cast<uint32_t>(rng()); });
                        const std::vector<uint32_t> before = target.Pixels();
                        Settings(mode, param, bright);
                        draw(&target.img, colour);
                        const std::vector<uint32_t> after = target.Pixels();
                        const uint32_t refColour = tableTint ? TableTint(depth, colour, bright) : colour;
                        const uint32_t refBright = tableTint ? 0xFFFFFF : bright;
                        for (size_t i = 0; i < after.size(); ++i) {
                            const uint32_t want =
                                covered[i] == 1
                                    ? reference::FlatPixel(depth, mode, param, refBright, refColour, before[i])
                                    : before[i];
                            ASSERT_EQ(after[i], want)
                                << "depth " << depth << " mode " << mode << " p " << param << std::hex
                                << " bright 0x" << bright << " colour 0x" << colour << " pixel "
                                << std::dec << i << (covered[i] == 1 ? " (covered)" : " (outside)");
                        }
                    }
        }
    }
};

TEST_F(FlatDifferential, LinesInEveryModeMatchTheReference) {
    Check([](MEMIMG* dst, uint32_t c) { DrawMemImgLine(dst, 1, 2, 22, 17, c); }, false);
    Check([](MEMIMG* dst, uint32_t c) { DrawMemImgLine(dst, 20, 0, 3, 23, c); }, false);
}

TEST_F(FlatDifferential, FlatTrianglesInEveryModeMatchTheReference) {
    Check(
        [](MEMIMG* dst, uint32_t c) {
            const MemImgVertex v[3] = {{2, 1, 0, 0}, {22, 9, 0, 0}, {6, 23, 0, 0}};
            RasterMemImgTriangle(dst, nullptr, v, 0, nullptr, c);
        },
        true);
}

}  // namespace
