// Screen-sized software draws: the fill, the keyed sprite copy and the blends a frame of
// the game uses, on the fast and the generic path, and pixman's nearest equivalents.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstring>
#include <random>
#include <vector>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/softrender/pipeline/blend_tables.h"
#include "engine/softrender/draws/filled_rect.h"
#include "engine/softrender/pipeline/memimg.h"
#include "engine/softrender/pipeline/memimg_write.h"
#include "engine/softrender/walkers/row_walker.h"
#include "engine/softrender/pipeline/soft_state.h"

namespace {

using namespace orvik;
using namespace orvik::soft;

constexpr int kW = 640, kH = 480;

struct Images {
    MEMIMG dst{}, src{};
    explicit Images(int depth, bool alpha = false) {
        ResetSoftRender();
        InitMemImgBlendTables();
        const int type = depth == 32 ? kMemImgXrgb32 : kMemImgRgb565;
        SetupMemImg(&dst, kW, kH, -1, 0, type, 0, 0, 0, nullptr);
        SetupMemImg(&src, kW, kH, -1, 0, type, 0, alpha ? 1 : 0, 0, nullptr);
        std::mt19937 rng(1);
        for (int i = 0; i < dst.store->pitch * kH; ++i) dst.pixels[i] = static_cast<uint8_t>(rng());
        // A sprite sheet: a quarter of it transparent; with alpha, opaque sprites with a
        // rim of partial alpha (16-bit pixels with alpha take four bytes, the alpha third).
        const int bytes = depth == 32 || alpha ? 4 : 2;
        const uint32_t opaque = depth == 32 ? 0xFF000000u : 0x00FF0000u;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                uint8_t* p = src.pixels + y * src.store->pitch + x * bytes;
                uint32_t v = (x / 16 + y / 16) % 4 == 0 ? 0 : rng() | 1;
                if (depth == 16 && alpha) v &= 0x00FFFFFFu;
                if (alpha && v != 0 && x % 16 != 0 && y % 16 != 0) v |= opaque;
                std::memcpy(p, &v, bytes);
            }
        Draw().area.x2 = kW;
        Draw().area.y2 = kH;
    }
    ~Images() {
        ReleaseMemImg(&dst);
        ReleaseMemImg(&src);
    }
};

void RowDraw(benchmark::State& state, int depth, int mode, int param, bool keyed, bool generic,
             bool alpha = false, bool tint = false) {
    Images im(depth, alpha);
    MemImgDrawState ds;
    ds.blendMode = mode;
    ds.blendParam = param;
    ds.bright = tint ? 0x80C0F0 : 0xFFFFFF;
    const KernelChoice k = SelectKernel(mode, param, Flavour::Point, !alpha && !tint, depth);
    const RowFn fn = FindPointRowLoop({depth, false, k.kernel, false, tint, alpha, keyed});
    RowJob j;
    j.cx = MakePixelContext(ds, im.src.store);
    j.dst = im.dst.pixels;
    j.dstPitch = im.dst.store->pitch;
    j.src = im.src.pixels;
    j.srcPitch = im.src.store->pitch;
    j.width = kW;
    j.height = kH;
    ForceGenericPath(generic);
    for (auto _ : state) {
        fn(j);
        benchmark::ClobberMemory();
    }
    ForceGenericPath(false);
    state.SetItemsProcessed(state.iterations() * kW * kH);
}

void Fill(benchmark::State& state, int depth, int mode, int param) {
    Images im(depth);
    Draw().blendMode = mode;
    Draw().blendParam = param;
    for (auto _ : state) {
        DrawMemImgFilledRect(&im.dst, nullptr, 0x00406080);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kW * kH);
}

// The clear of a memory image (raw pixels, no draw settings), and the yardstick of the
// fills: the same bytes set by memset.
void Paint(benchmark::State& state, int depth, bool byMemset) {
    Images im(depth);
    for (auto _ : state) {
        if (byMemset) std::memset(im.dst.pixels, 0x40, size_t(im.dst.store->pitch) * kH);
        else PaintMemImgRect(&im.dst, nullptr, 0x00406080);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kW * kH);
}

void PixmanOver(benchmark::State& state) {
    std::vector<uint32_t> d(kW * kH, 0x80808080), s(kW * kH, 0x80FF4020);
    pixman_image_t* di = pixman_image_create_bits(PIXMAN_x8r8g8b8, kW, kH, d.data(), kW * 4);
    pixman_image_t* si = pixman_image_create_bits(PIXMAN_a8r8g8b8, kW, kH, s.data(), kW * 4);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, si, nullptr, di, 0, 0, 0, 0, 0, 0, kW, kH);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(di);
    pixman_image_unref(si);
    state.SetItemsProcessed(state.iterations() * kW * kH);
}

// Every blend mode's row at both depths, keyed, its filled rectangle, its rows from a
// source with alpha and its tinted rows; pixman's over operator is the yardstick for all of them.
#define ROWS(name, mode, param)                                                                 \
    BENCHMARK_CAPTURE(RowDraw, name##32_keyed, 32, mode, param, true, false);                   \
    BENCHMARK_CAPTURE(RowDraw, name##16_keyed, 16, mode, param, true, false);                   \
    BENCHMARK_CAPTURE(Fill, name##32, 32, mode, param);                                         \
    BENCHMARK_CAPTURE(Fill, name##16, 16, mode, param);                                         \
    BENCHMARK_CAPTURE(RowDraw, name##32_alpha_keyed, 32, mode, param, true, false, true);       \
    BENCHMARK_CAPTURE(RowDraw, name##16_alpha_keyed, 16, mode, param, true, false, true);       \
    BENCHMARK_CAPTURE(RowDraw, name##32_tint_keyed, 32, mode, param, true, false, false, true); \
    BENCHMARK_CAPTURE(RowDraw, name##16_tint_keyed, 16, mode, param, true, false, false, true);
ROWS(copy, 0, 255)
ROWS(alpha_p100, 1, 100)
ROWS(alpha_p128, 1, 128)
ROWS(add_p200, 2, 200)
ROWS(add_p255, 2, 255)
ROWS(subtract_p200, 3, 200)
ROWS(multiply, 4, 0)
ROWS(invert_alpha_p100, 10, 100)
ROWS(multiply_alpha_p100, 11, 100)
BENCHMARK_CAPTURE(RowDraw, copy32_plain, 32, 0, 255, false, false);
BENCHMARK_CAPTURE(RowDraw, copy32_plain_generic, 32, 0, 255, false, true);
BENCHMARK_CAPTURE(RowDraw, add32_p200_keyed_generic, 32, 2, 200, true, true);
BENCHMARK(PixmanOver);
BENCHMARK_CAPTURE(Paint, 32, 32, false);
BENCHMARK_CAPTURE(Paint, 16, 16, false);
BENCHMARK_CAPTURE(Paint, memset32, 32, true);
BENCHMARK_CAPTURE(Paint, memset16, 16, true);

}  // namespace
