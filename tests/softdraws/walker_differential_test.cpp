// Every walker against the scalar reference of the pixel rules. A first draw in plain
// copy from a source whose pixels name their own position records which source pixel
// each destination pixel shows; every variant of the same draw must then leave each
// destination pixel as the reference computes it from that source pixel and its blend
// byte, and leave unmapped pixels alone.
#include <functional>
#include <vector>

#include "draw_fixture.h"
#include "engine/softrender/draws/draw_at.h"
#include "engine/softrender/draws/draw_rotated.h"
#include "engine/softrender/draws/draw_stretched.h"
#include "engine/softrender/draws/quad.h"
#include "engine/softrender/pipeline/run_codes.h"
#include "engine/softrender/simd/simd_rows.h"
#include "engine/softrender/draws/triangle.h"
#include "scalar_reference.h"

namespace {

using namespace drawtest;

constexpr int kSrcW = 13, kSrcH = 9, kDst = 40;
constexpr uint32_t kUnmapped = 0;

struct Flags {
    int depth;
    bool pal, blend, tint, alpha, keyed;
};

// A draw of src into dst with the given transparency and blend image.
using DrawFn = std::function<void(MEMIMG*, const MEMIMG*, int32_t, const MEMIMG*)>;
// Draws made one after the other (the two triangles of a quadrangle blend their shared
// diagonal twice), each with its own map.
using Passes = std::vector<DrawFn>;

class WalkerDifferential : public DrawTest {
protected:
    // Which source pixel each destination pixel shows, by a copy of position-naming pixels.
    std::vector<uint32_t> Map(const DrawFn& draw) {
        Image ids, dst;
        ids.Make(kMemImgXrgb32, kSrcW, kSrcH);
        ids.FillWith(Id);
        dst.Make(kMemImgXrgb32, kDst, kDst);
        dst.Fill(kUnmapped);
        Area(0, 0, kDst, kDst);
        Settings(0, 255);
        draw(&dst.img, &ids.img, 0, nullptr);
        return dst.Pixels();
    }

    void FillSource(Image& src, const Flags& f, uint32_t trans) {
        for (int y = 0; y < kSrcH; ++y)
            for (int x = 0; x < kSrcW; ++x) {
                uint32_t v = rng();
                if (f.pal) v &= 0xFF;
                else if (f.depth == 16) v &= 0xFFFF;
                if (rng() % 5 == 0) v = trans;
                if (f.alpha) {
                    const uint32_t pick = rng() % 4;
                    const uint32_t a = pick == 0 ? 0 : pick == 1 ? 255 : rng() & 0xFF;
                    v = f.depth == 32 ? (v & 0xFFFFFF) | a << 24 : (v & 0xFFFF) | a << 16;
                }
                src.Set(x, y, v);
            }
    }

    void RunCase(const Passes& passes, const std::vector<std::vector<uint32_t>>& maps,
                 reference::Flavour flavour,
                 const Flags& f, int mode, int param, bool runCodes) {
        const int type = f.depth == 32 ? kMemImgXrgb32 : kMemImgRgb565;
        const uint32_t trans = f.pal ? rng() & 0xFF : f.depth == 16 ? rng() & 0xFFFF : rng();
        Image src, blend, dst;
        src.Make(type, kSrcW, kSrcH, f.pal, f.alpha, trans, runCodes);
        for (int i = 0; i < (f.pal ? 256 : 0); ++i) {
            if (f.depth == 32) src.SetPalette32(i, rng());
            else src.SetPalette16(i, rng() & 0xFFFF);
        }
        FillSource(src, f, trans);
        if (runCodes) {
            soft::BuildMemImgRunCodes(*src.img.store);
            src.img.store->runCodeValid = 1;
        }
        blend.Make(kMemImgSingle8, kSrcW, kSrcH);
        blend.FillWith([&](int, int) { return rng() & 0xFF; });
        dst.Make(type, kDst, kDst);
        dst.FillWith([&](int, int) { return f.depth == 32 ? rng() : rng() & 0xFFFF; });
        const std::vector<uint32_t> before = dst.Pixels();

        const uint32_t bright = f.tint ? (rng() % 3 == 0 ? 0xFFFFFE : rng() & 0xFFFFFF) : 0xFFFFFF;
        Area(0, 0, kDst, kDst);
        Settings(mode, param, bright);
        for (const DrawFn& draw : passes)
            draw(&dst.img, &src.img, f.keyed || runCodes ? 1 : 0, f.blend ? &blend.img : nullptr);

        reference::Draw rd;
        rd.flavour = flavour;
        rd.depth = f.depth;
        rd.palette = f.pal;
        rd.alpha = f.alpha;
        rd.keyed = f.keyed || runCodes;
        rd.blendImage = f.blend;
        rd.mode = mode;
        rd.param = param;
        rd.bright = bright;
        rd.trans = trans;
        rd.palette32 = reinterpret_cast<const uint32_t*>(src.img.store->palette);
        rd.palette16 = reinterpret_cast<const uint16_t*>(src.img.store->palette);
        rd.weights = SoftRender().tables.weight;
        const std::vector<uint32_t> after = dst.Pixels();
        for (size_t i = 0; i < after.size(); ++i) {
            uint32_t want = before[i];
            for (const auto& map : maps) {
                if (map[i] == kUnmapped) continue;
                const int sx = map[i] & 0xFFF, sy = (map[i] >> 12) & 0xFFF;
                want = reference::Pixel(rd, want, src.Addr(sx, sy), blend.At(sx, sy));
            }
            ASSERT_EQ(after[i], want)
                << "depth " << f.depth << " pal " << f.pal << " blend " << f.blend << " tint "
                << f.tint << " alpha " << f.alpha << " keyed " << f.keyed << " mode " << mode
                << " p " << param << " avx2 " << soft::Avx2RowsInUse() << " pixel " << i % kDst << "," << i / kDst;
        }
    }

    // The texel walks' block loops on SSE2, then on AVX2 where the processor has it.
    void RunOnBothSets(const Passes& passes) {
        for (bool avx2 : {false, true})
            if (soft::UseAvx2Rows(avx2) == avx2 && !HasFatalFailure()) Run(passes, reference::kTextured);
    }

    void Run(const Passes& passes, reference::Flavour flavour, bool runCodes = false) {
        std::vector<std::vector<uint32_t>> maps;
        for (const DrawFn& draw : passes) {
            maps.push_back(Map(draw));
            int mapped = 0;
            for (uint32_t m : maps.back()) mapped += m != kUnmapped;
            ASSERT_GT(mapped, kSrcW * kSrcH / 2) << "the draw shows too little of its source";
        }
        for (int depth : {16, 32})
            for (int bits = 0; bits < 32; ++bits) {
                const Flags f{depth, (bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0,
                              (bits & 8) != 0, (bits & 16) != 0};
                if (f.pal && f.alpha) continue;
                if (runCodes && f.keyed) continue;  // the run-code path is always keyed
                for (int mode : {0, 1, 2, 3, 4, 5, 10, 11, 12})
                    for (int param : {0, 128, 255, int(rng() % 256)}) {
                        RunCase(passes, maps, flavour, f, mode, param, runCodes);
                        if (HasFatalFailure()) return;
                    }
            }
    }
};

TEST_F(WalkerDifferential, StretchedDraw) {
    Run({[](MEMIMG* d, const MEMIMG* s, int32_t t, const MEMIMG* b) {
        const int32_t rect[4] = {35, -2, 3, 30};  // mirrored, clipped, scaled both ways
        DrawMemImgStretched(d, s, rect, t, b);
    }}, reference::kStretch);
}

TEST_F(WalkerDifferential, RunCodedPointDraw) {
    Run({[](MEMIMG* d, const MEMIMG* s, int32_t t, const MEMIMG* b) {
        DrawMemImgAt(d, s, 5, 7, t, b);
    }}, reference::kStretch, true);
}

TEST_F(WalkerDifferential, RotatedSpanDraw) {
    // Texels stepped in fractions, in whole texels (a quarter turn) and one to the right.
    auto turned = [](float angle, float scale) {
        return [=](MEMIMG* d, const MEMIMG* s, int32_t t, const MEMIMG* b) {
            DrawMemImgRotated(d, s, 20, 19, angle, scale, t, 0, b);
        };
    };
    RunOnBothSets({turned(0.7f, 1.6f), turned(1.5707964f, 1.0f), turned(0.0f, 1.0f)});
}

TEST_F(WalkerDifferential, TrianglesSharingAnEdge) {
    // The halves of a turned quadrangle, as the quadrangle draws them.
    auto half = [](MemImgVertex p, MemImgVertex q, MemImgVertex r) {
        return [=](MEMIMG* d, const MEMIMG* s, int32_t t, const MEMIMG* b) {
            const MemImgVertex v[3] = {p, q, r};
            RasterMemImgTriangle(d, s, v, t, b, 0);
        };
    };
    const MemImgVertex tl{3, 8, 0, 0}, tr{30, 1, kSrcW, 0}, bl{9, 36, 0, kSrcH}, br{38, 30, kSrcW, kSrcH};
    RunOnBothSets({half(tl, tr, bl), half(tr, bl, br)});
}

}  // namespace
