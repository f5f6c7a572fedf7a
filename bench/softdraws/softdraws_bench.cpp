// A software frame of the game on one core: a 640 x 480 tile layer of 32 x 32 tiles and
// 1,300 keyed sprites of 16 to 32 pixels, some of them blended; then rotated, stretched
// and triangle draws of sprite size, and lines.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/softrender/pipeline/blend_tables.h"
#include "engine/softrender/draws/draw_at.h"
#include "engine/softrender/draws/draw_rotated.h"
#include "engine/softrender/draws/draw_stretched.h"
#include "engine/softrender/draws/line.h"
#include "engine/softrender/pipeline/memimg.h"
#include "engine/softrender/pipeline/soft_state.h"
#include "engine/softrender/draws/triangle.h"

namespace {

using namespace orvik;

constexpr int kW = 640, kH = 480, kSprites = 1300;

struct Scene {
    MEMIMG screen{}, tile{};
    std::vector<MEMIMG> sprites;
    std::mt19937 rng{5};

    explicit Scene(int depth) {
        ResetSoftRender();
        InitMemImgBlendTables();
        const int type = depth == 32 ? kMemImgXrgb32 : kMemImgRgb565;
        SetupMemImg(&screen, kW, kH, -1, 0, type, 0, 0, 0, nullptr);
        SetupMemImg(&tile, 32, 32, -1, 0, type, 0, 0, 0, nullptr);
        Fill(tile, depth, false);
        for (int side = 16; side <= 32; side += 8) {
            MEMIMG s{};
            SetupMemImg(&s, side, side, -1, 0, type, 0, 0, 0, nullptr);
            Fill(s, depth, true);
            sprites.push_back(s);
        }
        Draw().area.x1 = 0;
        Draw().area.y1 = 0;
        Draw().area.x2 = kW;
        Draw().area.y2 = kH;
    }
    ~Scene() {
        ReleaseMemImg(&screen);
        ReleaseMemImg(&tile);
        for (MEMIMG& s : sprites) ReleaseMemImg(&s);
    }
    // Sprites: a ring of transparent pixels (0) around an opaque middle.
    void Fill(MEMIMG& img, int depth, bool keyed) {
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) {
                const int r = img.width / 2, dx = x - r, dy = y - r;
                const uint32_t v = keyed && dx * dx + dy * dy > r * r ? 0 : rng() | 1;
                std::memcpy(img.pixels + y * img.store->pitch + x * (depth / 8), &v, depth / 8);
            }
    }
    void SetMode(int mode, int param) {
        Draw().blendMode = mode;
        Draw().blendParam = param;
    }
};

void GameFrame(benchmark::State& state, int depth) {
    Scene scene(depth);
    std::vector<int> xs(kSprites), ys(kSprites);
    for (int i = 0; i < kSprites; ++i) {
        xs[i] = int(scene.rng() % (kW + 32)) - 16;
        ys[i] = int(scene.rng() % (kH + 32)) - 16;
    }
    for (auto _ : state) {
        scene.SetMode(0, 255);
        for (int y = 0; y < kH; y += 32)
            for (int x = 0; x < kW; x += 32) DrawMemImgAt(&scene.screen, &scene.tile, x, y, 0, nullptr);
        for (int i = 0; i < kSprites; ++i) {
            // One sprite in eight is blended (shots, explosions), the rest copied.
            if (i % 8 == 0) scene.SetMode(i % 16 ? 1 : 2, 160);
            else if (i % 8 == 1) scene.SetMode(0, 255);
            DrawMemImgAt(&scene.screen, &scene.sprites[i % 3], xs[i], ys[i], 1, nullptr);
        }
        benchmark::ClobberMemory();
    }
}

void Rotated(benchmark::State& state, int depth) {
    Scene scene(depth);
    scene.SetMode(0, 255);
    float angle = 0.1f;
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i, angle += 0.37f)
            DrawMemImgRotated(&scene.screen, &scene.sprites[2], 50 + 5 * i, 240, angle, 1.5f, 1, 0, nullptr);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 100);
}

void Stretched(benchmark::State& state, int depth) {
    Scene scene(depth);
    scene.SetMode(0, 255);
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i)
            DrawMemImgStretched(&scene.screen, &scene.sprites[1], 5 * i, 100, 5 * i + 48, 148, 1, nullptr);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 100);
}

void Triangles(benchmark::State& state, int depth) {
    Scene scene(depth);
    scene.SetMode(1, 128);
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) {
            const MemImgVertex v[3] = {{5 * i, 100, 0, 0}, {5 * i + 40, 110, 32, 0}, {5 * i + 8, 150, 0, 32}};
            RasterMemImgTriangle(&scene.screen, &scene.sprites[2], v, 1, nullptr, 0);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 100);
}

void Lines(benchmark::State& state, int depth) {
    Scene scene(depth);
    scene.SetMode(1, 100);
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) DrawMemImgLine(&scene.screen, 0, i * 4, kW, kH - i * 4, 0xFFFF);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 100);
}

BENCHMARK_CAPTURE(GameFrame, 32bit, 32)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(GameFrame, 16bit, 16)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Rotated, 32bit, 32)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Stretched, 32bit, 32)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Triangles, 32bit, 32)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Lines, 16bit, 16)->Unit(benchmark::kMicrosecond);

}  // namespace
