// Lines: the excluded end point, direction, clipping against the draw area, the closed
// outline that touches each corner once, and refusals.
#include <set>
#include <utility>

#include "draw_fixture.h"
#include "engine/softrender/draws/line.h"

namespace {

using namespace drawtest;
using Points = std::set<std::pair<int, int>>;

class LineTest : public DrawTest {
protected:
    void Make(int type = kMemImgXrgb32, int w = 32, int h = 32) {
        target.Make(type, w, h);
        target.Fill(0);
        Area(0, 0, w, h);
        Settings(0, 255);
    }
    Points Drawn(uint32_t background = 0) const {
        Points p;
        for (int y = 0; y < target.img.height; ++y)
            for (int x = 0; x < target.img.width; ++x)
                if (target.At(x, y) != background) p.insert({x, y});
        return p;
    }
    static Points Diagonal(int from, int to, int step) {
        Points p;
        for (int i = from; i != to; i += step) p.insert({i, i});
        return p;
    }
    Image target;
};

TEST_F(LineTest, TheSecondEndPointIsNeverDrawn) {
    Make();
    DrawMemImgLine(&target.img, 0, 0, 10, 1, 0xFF);
    Points row0;
    for (int x = 0; x < 10; ++x) row0.insert({x, 0});
    EXPECT_EQ(Drawn(), row0);  // the minor step falls on the excluded end

    Make();
    DrawMemImgLine(&target.img, 0, 0, 10, 10, 0xFF);
    EXPECT_EQ(Drawn(), Diagonal(0, 10, 1));
    Make();
    DrawMemImgLine(&target.img, 10, 10, 0, 0, 0xFF);
    EXPECT_EQ(Drawn(), Diagonal(10, 0, -1));

    Make();
    DrawMemImgLine(&target.img, 4, 4, 4, 4, 0xFF);
    EXPECT_TRUE(Drawn().empty());
    DrawMemImgLine(&target.img, 4, 4, 5, 4, 0xFF);
    EXPECT_EQ(Drawn(), (Points{{4, 4}}));
}

TEST_F(LineTest, ClippingKeepsTheRuleOfTheExcludedEnd) {
    Points expected;
    for (int x = 0; x <= 4; ++x) expected.insert({x, 3});
    Make();
    DrawMemImgLine(&target.img, -5, 3, 5, 3, 0xFF);
    EXPECT_EQ(Drawn(), expected);
    Make();
    DrawMemImgLine(&target.img, 5, 3, -5, 3, 0xFF);
    expected.insert({5, 3});  // from 5 down to 0: the clipped end at -1 is excluded
    EXPECT_EQ(Drawn(), expected);

    // A draw area inside the image: nothing lands outside it, even for lines passing
    // a corner outside the area whose box still meets it.
    Make();
    Area(8, 8, 24, 24);
    const int32_t lines[][4] = {{0, 0, 31, 31}, {0, 20, 20, 0}, {-100, 9, 100, 30},
                                {30, 5, 5, 30}, {2, 26, 30, 6}, {23, -50, 23, 80}};
    for (const auto& l : lines) DrawMemImgLine(&target.img, l[0], l[1], l[2], l[3], 0xFF);
    for (const auto& [x, y] : Drawn()) {
        EXPECT_TRUE(x >= 8 && x < 24 && y >= 8 && y < 24) << x << "," << y;
    }
    EXPECT_FALSE(Drawn().empty());
}

TEST_F(LineTest, ABoxOutlineBlendsEachCornerOnce) {
    Make(kMemImgXrgb32, 16, 16);
    target.Fill(0x000000);
    Settings(1, 128);
    // The outline of (2, 3)-(10, 9) as four chained lines, sixth word set to anything.
    const int32_t x1 = 2, y1 = 3, x2 = 10, y2 = 9;
    const int32_t records[] = {x1,     y1,     x2 - 1, y1,     0xFFFFFF, 77,
                               x2 - 1, y1,     x2 - 1, y2 - 1, 0xFFFFFF, -1,
                               x2 - 1, y2 - 1, x1,     y2 - 1, 0xFFFFFF, 0,
                               x1,     y2 - 1, x1,     y1,     0xFFFFFF, 128};
    DrawMemImgLines(&target.img, records, 4);
    const uint32_t once = target.At(5, 3);
    EXPECT_EQ(once, 0x7F7F7Fu);  // 255 weighted by 128/256 over 0, rounded down
    for (auto [x, y] : {std::pair{2, 3}, {9, 3}, {9, 8}, {2, 8}}) EXPECT_EQ(target.At(x, y), once);
    EXPECT_EQ(static_cast<int>(Drawn().size()), 2 * (8 + 6) - 4);
    DrawMemImgLines(&target.img, records, 0);
    DrawMemImgLines(&target.img, nullptr, 3);  // refused with a log line, no crash
}

TEST_F(LineTest, SixteenBitLinesAndRefusedTargets) {
    Make(kMemImgRgb565, 16, 4);
    DrawMemImgLine(&target.img, 0, 1, 16, 1, 0x1234F800);  // bits above 16 are dropped
    EXPECT_EQ(target.At(0, 1), 0xF800u);
    EXPECT_EQ(target.At(15, 1), 0xF800u);
    EXPECT_EQ(target.At(0, 0), 0u);

    // One-byte palette pixels cannot take a line's stores; nor can an alpha image.
    Image pal, alpha;
    pal.Make(kMemImgXrgb32, 8, 8, true);
    pal.Fill(0);
    Area(0, 0, 8, 8);
    DrawMemImgLine(&pal.img, 0, 0, 8, 8, 0xFFFFFFFF);
    EXPECT_EQ(pal.Count(0), 64);
    alpha.Make(kMemImgRgb565, 8, 8, false, true);
    alpha.Fill(0);
    DrawMemImgLine(&alpha.img, 0, 0, 8, 8, 0xFFFF);
    EXPECT_EQ(alpha.Count(0), 64);
}

}  // namespace
