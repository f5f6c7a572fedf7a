// Random draws of every kind around a draw area with a guard border: nothing outside the
// area is ever written (and, under the sanitizers, nothing outside an image is read).
#include "draw_fixture.h"
#include "engine/softrender/draws/draw_at.h"
#include "engine/softrender/draws/draw_rotated.h"
#include "engine/softrender/draws/draw_stretched.h"
#include "engine/softrender/draws/line.h"
#include "engine/softrender/draws/quad.h"
#include "engine/softrender/draws/triangle.h"

namespace {

using namespace drawtest;

constexpr int kSize = 64, kBorder = 8;
constexpr uint32_t kGuard = 0x5A5A5A5A;

class CanaryTest : public DrawTest {
protected:
    int32_t Coord(int spread) { return int32_t(rng() % (2 * spread + 1)) - spread + kSize / 2; }
    int32_t AnyInt() {
        switch (rng() % 4) {
            case 0: return INT32_MIN + int32_t(rng() % 4);
            case 1: return INT32_MAX - int32_t(rng() % 4);
            default: return Coord(rng() % 2 ? 40 : 10000);
        }
    }
    void RandomSettings() {
        static constexpr int kModes[] = {0, 1, 2, 3, 4, 10, 11};
        Settings(kModes[rng() % 7], int(rng() % 256), rng() % 3 ? 0xFFFFFF : rng() & 0xFFFFFF);
    }
    void MakeSource(int depth) {
        const bool pal = rng() % 3 == 0, alpha = !pal && rng() % 2;
        source.Make(depth == 32 ? kMemImgXrgb32 : kMemImgRgb565, 1 + int(rng() % 40),
                    1 + int(rng() % 40), pal, alpha, rng() % 4);
        for (int y = 0; y < source.img.height; ++y)
            for (int x = 0; x < source.img.width; ++x) source.Set(x, y, rng() % 5);
        blend.Make(kMemImgSingle8, source.img.width, source.img.height);
        blend.FillWith([&](int, int) { return rng(); });
    }
    void DrawOne(int kind) {
        const MEMIMG* b = rng() % 3 == 0 ? &blend.img : nullptr;
        const int32_t trans = int32_t(rng() % 3);
        switch (kind) {
            case 0:
                DrawMemImgAt(&target.img, &source.img, Coord(40), Coord(40), trans, b);
                break;
            case 1: {
                const int32_t r[4] = {Coord(60), Coord(60), Coord(60), Coord(60)};
                DrawMemImgStretched(&target.img, &source.img, r, trans, b);
                break;
            }
            case 2:
                DrawMemImgLine(&target.img, AnyInt(), AnyInt(), AnyInt(), AnyInt(), rng());
                break;
            case 3: {
                MemImgVertex v[3];
                for (auto& p : v) p = {Coord(50), Coord(50), Coord(50), Coord(50)};
                RasterMemImgTriangle(&target.img, rng() % 2 ? &source.img : nullptr, v, trans, b, rng());
                break;
            }
            case 4: {
                int32_t c[8];
                for (auto& p : c) p = rng() % 8 ? Coord(50) : AnyInt();
                RasterMemImgQuad(&target.img, &source.img, c, trans, b);
                break;
            }
            default: {
                const float angle = float(rng() % 10000) / 500.0f - 10.0f;
                const float scale = float(int(rng() % 8000) - 4000) / 1000.0f;
                DrawMemImgRotated(&target.img, &source.img, Coord(rng() % 2 ? 50 : 5000),
                                  Coord(50), angle, scale, trans, int32_t(rng() % 2), b);
                break;
            }
        }
    }
    Image target, source, blend;
};

TEST_F(CanaryTest, NoDrawWritesOutsideTheDrawArea) {
    for (int depth : {16, 32}) {
        target.Make(depth == 32 ? kMemImgXrgb32 : kMemImgRgb565, kSize, kSize);
        target.Fill(kGuard);
        Area(kBorder, kBorder, kSize - kBorder, kSize - kBorder);
        const uint32_t guard = depth == 32 ? kGuard : kGuard & 0xFFFF;
        for (int i = 0; i < 1500; ++i) {
            if (i % 25 == 0) MakeSource(depth);
            RandomSettings();
            const int kind = i % 6;
            DrawOne(kind);
            for (int y = 0; y < kSize; ++y)
                for (int x = 0; x < kSize; ++x) {
                    const bool inside = x >= kBorder && x < kSize - kBorder && y >= kBorder &&
                                        y < kSize - kBorder;
                    if (!inside) { ASSERT_EQ(target.At(x, y), guard) << "kind " << kind << " at " << x << "," << y; }
                }
        }
        // The draws did reach the area: the guard can only have been kept by refusals.
        EXPECT_GT(kSize * kSize - target.Count(guard), (kSize - 2 * kBorder) * (kSize - 2 * kBorder) / 2);
    }
}

TEST_F(CanaryTest, ADrawAreaLargerThanTheTargetStaysInsideTheImage) {
    target.Make(kMemImgXrgb32, kSize, kSize);
    target.Fill(0);
    Area(-100, -100, 1000, 1000);  // the sanitizers see any write past the pixels
    for (int i = 0; i < 600; ++i) {
        if (i % 25 == 0) MakeSource(32);
        RandomSettings();
        DrawOne(i % 6);
    }
    EXPECT_GT(kSize * kSize - target.Count(0), kSize * kSize / 2);
}

}  // namespace
