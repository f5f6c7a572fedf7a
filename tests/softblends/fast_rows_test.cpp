// The point draw's four-pixel sprite loops against its per-pixel path: sources built of
// wholly opaque, wholly clear, keyed and partly transparent stretches that fall across
// four-pixel blocks in every alignment, drawn at every width from 1 to 13 and at every
// column offset, so each block shape and each row tail is met.
#include <vector>

#include "draw_fixture.h"
#include "engine/softrender/draws/draw_at.h"

namespace {

using namespace drawtest;

constexpr int kSrcW = 37, kSrcH = 4, kDstW = 48, kDstH = 6;
constexpr uint32_t kKey = 0x00FF00FF;

struct FastCase {
    const char* what;
    bool alpha;
    int mode, param;
    int32_t transparency;
};

class FastRows : public DrawTest {
protected:
    // Stretches of 1 to 9 pixels of one kind: opaque, clear (alpha 0, or the key), partly
    // transparent, or the key's colour with another fourth byte.
    void FillSource(Image& src, bool alpha) {
        for (int y = 0; y < kSrcH; ++y) {
            int x = 0;
            while (x < kSrcW) {
                const int kind = static_cast<int>(rng() % 4);
                const int run = 1 + static_cast<int>(rng() % 9);
                for (int i = 0; i < run && x < kSrcW; ++i, ++x) {
                    const uint32_t colour = rng() & 0xFFFFFF;
                    uint32_t v;
                    if (alpha) {
                        const uint32_t a = kind == 0 ? 255 : kind == 1 ? 0 : 1 + rng() % 254;
                        v = a << 24 | colour;
                    } else {
                        v = kind == 1 ? kKey : kind == 3 ? kKey | 0x01000000u : colour | (rng() & 0xFF000000u);
                    }
                    src.Set(x, y, v);
                }
            }
        }
    }

    std::vector<uint32_t> Draw(const Image& src, const std::vector<uint32_t>& background, int width,
                               int at, const FastCase& c, bool generic) {
        Image dst, view;
        dst.Make(kMemImgXrgb32, kDstW, kDstH);
        for (int i = 0; i < kDstW * kDstH; ++i) dst.Set(i % kDstW, i / kDstW, background[i]);
        MakeMemImgView(&view.img, &src.img, 0, 0, width, kSrcH);
        Area(0, 0, kDstW, kDstH);
        Settings(c.mode, c.param);
        soft::ForceGenericPath(generic);
        DrawMemImgAt(&dst.img, &view.img, at, 1, c.transparency, nullptr);
        soft::ForceGenericPath(false);
        return dst.Pixels();
    }
};

TEST_F(FastRows, EveryBlockShapeAndTailMatchesThePerPixelPath) {
    const FastCase cases[] = {
        {"keyed copy", false, 0, 255, 1},
        {"keyed copy of a source with alpha", true, 0, 255, 1},
        {"alpha blend, keyed", false, 1, 77, 1},
        {"alpha blend, unkeyed", false, 1, 200, 0},
        {"add at full parameter, keyed", false, 2, 255, 1},
        {"add at full parameter, unkeyed", false, 2, 255, 0},
    };
    for (const FastCase& c : cases) {
        Image src;
        src.Make(kMemImgXrgb32, kSrcW, kSrcH, false, c.alpha, kKey);
        FillSource(src, c.alpha);
        std::vector<uint32_t> background(kDstW * kDstH);
        for (uint32_t& p : background) p = rng();
        for (int width = 1; width <= 13; ++width)
            for (int at = 0; at < 4; ++at) {
                const std::vector<uint32_t> fast = Draw(src, background, width, at, c, false);
                const std::vector<uint32_t> slow = Draw(src, background, width, at, c, true);
                ASSERT_EQ(fast, slow) << c.what << ", width " << width << " at column " << at;
                ASSERT_NE(fast, background) << c.what << ": the draw changed nothing";
            }
    }
}

}  // namespace
