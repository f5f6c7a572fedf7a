// Frames per second of a game-like frame through the public drawing functions: a
// scrolling 15 x 12 layer of 32 x 32 tiles, 1,000 keyed 32 x 32 sprites, 200 additive,
// 100 rotated, all into a 640 x 480 drawable graphic, which is then stretched onto the
// back buffer and presented, on the device path and in the software renderer. The
// engine runs on the headless backend with the vertical-blank wait off, so the figure is
// the drawing and presentation cost alone.
// Then one 32 x 32 keyed sprite drawn through the mask screen against the same sprite
// drawn plainly, on both paths: the mask screen's cost per draw as a ratio, separately
// and pair by pair.
#include <benchmark/benchmark.h>
#include <orvik/graphics.h>
#include <orvik/mask.h>
#include <orvik/platform.h>

#include <time.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "bench/common/engine_start.h"
#include "engine/graphics/images/base_image.h"
#include "engine/graphics/handles/graph_load.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/device/present.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/base/log.h"
#include "host/backends/backend.h"
#include "host/win/system/instance_lock.h"

namespace {

constexpr int kSide = 32, kKeyed = 1000, kAdditive = 200, kRotated = 100;

struct Placement {
    int x, y;
};

std::vector<Placement> Placements(int count, uint32_t seed) {
    std::vector<Placement> p;
    for (int i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        int x = int(seed >> 8) % (640 - kSide);
        seed = seed * 1103515245u + 12345u;
        p.push_back({x, int(seed >> 8) % (480 - kSide)});
    }
    return p;
}

// A sheet of four 32 x 32 cells with a black key border around a coloured body.
int32_t MakeSheet() {
    orvik::BaseImage image{};
    orvik::NewXrgb32BaseImage(kSide * 4, kSide, &image);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide * 4; ++x) {
            int cx = x % kSide;
            bool body = cx > 3 && cx < kSide - 4 && y > 3 && y < kSide - 4;
            orvik::WriteBaseImagePixel(&image, x, y, body ? 40 + x : 0, body ? 200 - y : 0, body ? 60 * (x / kSide) : 0, 255);
        }
    int32_t h = orvik::SetGraphFromBaseImage(&image, nullptr, 0, 0, 0);
    orvik::FreeBaseImage(&image);
    return h;
}

struct Scene {
    int32_t picture = -1, sheet = -1;
    int32_t cells[4] = {};
    std::vector<Placement> keyed = Placements(kKeyed, 1), additive = Placements(kAdditive, 2),
                           rotated = Placements(kRotated, 3);
    int scroll = 0;

    explicit Scene(bool device) {
        // Each path starts as a fresh program's would: a device start leaves the screen
        // depth of the desktop it found (32 bits) behind, and a software start after it
        // would keep it instead of drawing the 16-bit screen it makes on its own.
        orvik::ResetGraphicsState();
        // Set before the start: the device takes its presentation interval from it.
        orvik::SetVBlankWaitFlag(0);
        bench_support::StartEngine(device);
        if (!device && orvik::GetScreenColorBitDepth() != 16) std::abort();
        orvik::SetTransparentColor(0, 0, 0);
        picture = orvik::CreateDrawableGraph(640, 480);
        sheet = MakeSheet();
        for (int i = 0; i < 4; ++i) cells[i] = orvik::DeriveGraph(i * kSide, 0, kSide, kSide, sheet);
        if (picture < 0 || sheet < 0) std::abort();
    }
    ~Scene() { orvik::EndLibrary(); }

    void Frame() {
        orvik::SetDrawTarget(picture);
        orvik::ClearDrawTarget();
        scroll = (scroll + 1) % kSide;
        for (int row = -1; row < 12; ++row)
            for (int column = 0; column < 15; ++column)
                orvik::DrawGraphAt(32 + column * kSide, 16 + row * kSide + scroll, cells[(row + column) & 3], 0);
        for (size_t i = 0; i < keyed.size(); ++i) orvik::DrawGraphAt(keyed[i].x, keyed[i].y, cells[i & 3], 1);
        orvik::SetBlendMode(2, 255);
        for (size_t i = 0; i < additive.size(); ++i) orvik::DrawGraphAt(additive[i].x, additive[i].y, cells[i & 3], 1);
        orvik::SetBlendMode(0, 0);
        for (size_t i = 0; i < rotated.size(); ++i)
            orvik::DrawGraphRotated(rotated[i].x, rotated[i].y, 1.0, double(i) * 0.1, cells[i & 3], 1, 0);
        orvik::SetDrawTarget(orvik::kDrawTargetBackBuffer);
        orvik::DrawGraphStretched(0, 0, 640, 480, picture, 0);
        orvik::PresentScreen();
    }
};

void GameFrame(benchmark::State& state, bool device) {
    Scene scene(device);
    for (auto _ : state) scene.Frame();
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_GameFrameDevice(benchmark::State& state) { GameFrame(state, true); }
BENCHMARK(BM_GameFrameDevice)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_GameFrameSoftware(benchmark::State& state) { GameFrame(state, false); }
BENCHMARK(BM_GameFrameSoftware)->Unit(benchmark::kMillisecond)->UseRealTime();

// A mask screen of vertical stripes 8 pixels wide: half of every sprite lands.
void StripeTheMaskScreen() {
    std::vector<uint8_t> stripes(640);
    for (size_t x = 0; x < stripes.size(); ++x) stripes[x] = (x / 8) % 2 ? 0xFF : 0;
    const int32_t mask = orvik::MakeMask(640, 1);
    orvik::SetDataToMask(640, 1, stripes.data(), mask);
    for (int y = 0; y < 480; ++y) orvik::DrawMask(0, y, mask, 0);
    orvik::DeleteMaskHandle(mask);
}

// Per iteration 200 keyed sprites into the drawable graphic, drawn out before the clock
// stops (the device batches its vertices), upright or turned as the frame's rotated ones
// are; items are sprites.
void SpriteDraws(benchmark::State& state, bool device, bool masked, bool turned = false) {
    Scene scene(device);
    orvik::SetDrawTarget(scene.picture);
    if (masked) {
        orvik::CreateMaskScreen();
        StripeTheMaskScreen();
    }
    const std::vector<Placement> at = Placements(200, 4);
    for (auto _ : state) {
        for (size_t i = 0; i < at.size(); ++i) {
            if (turned) orvik::DrawGraphRotated(at[i].x, at[i].y, 1.0, double(i) * 0.1, scene.cells[i & 3], 1, 0);
            else orvik::DrawGraphAt(at[i].x, at[i].y, scene.cells[i & 3], 1);
        }
        orvik::FlushVertexBatch();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(at.size()));
}

// The same ratio measured pair by pair: each iteration draws the 200 sprites plainly and
// then through the mask screen, each batch once unclocked and once clocked so that both
// start from their own warm caches, and the counter is the median of the iterations'
// ratios, which holds up on a busy machine where the separate figures drift.
double Seconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void SpriteMaskRatio(benchmark::State& state, bool device) {
    Scene scene(device);
    orvik::SetDrawTarget(scene.picture);
    orvik::CreateMaskScreen();
    StripeTheMaskScreen();
    const std::vector<Placement> at = Placements(200, 4);
    const auto clockedBatch = [&](int masked) {
        orvik::SetMaskScreenFlag(masked);
        double seconds = 0;
        for (int turn = 0; turn < 2; ++turn) {
            const double start = Seconds();
            for (size_t i = 0; i < at.size(); ++i) orvik::DrawGraphAt(at[i].x, at[i].y, scene.cells[i & 3], 1);
            orvik::FlushVertexBatch();
            seconds = Seconds() - start;
        }
        return seconds;
    };
    std::vector<double> ratios;
    for (auto _ : state) {
        const double plain = clockedBatch(0);
        ratios.push_back(clockedBatch(1) / plain);
    }
    std::sort(ratios.begin(), ratios.end());
    state.counters["masked_per_plain"] = ratios.empty() ? 0.0 : ratios[ratios.size() / 2];
}

void BM_SpriteMaskRatioDevice(benchmark::State& state) { SpriteMaskRatio(state, true); }
BENCHMARK(BM_SpriteMaskRatioDevice)->Unit(benchmark::kMicrosecond);
void BM_SpriteMaskRatioSoftware(benchmark::State& state) { SpriteMaskRatio(state, false); }
BENCHMARK(BM_SpriteMaskRatioSoftware)->Unit(benchmark::kMicrosecond);

void BM_SpritePlainDevice(benchmark::State& state) { SpriteDraws(state, true, false); }
BENCHMARK(BM_SpritePlainDevice)->Unit(benchmark::kMicrosecond);
void BM_SpriteMaskedDevice(benchmark::State& state) { SpriteDraws(state, true, true); }
BENCHMARK(BM_SpriteMaskedDevice)->Unit(benchmark::kMicrosecond);
void BM_SpritePlainSoftware(benchmark::State& state) { SpriteDraws(state, false, false); }
BENCHMARK(BM_SpritePlainSoftware)->Unit(benchmark::kMicrosecond);
void BM_SpriteMaskedSoftware(benchmark::State& state) { SpriteDraws(state, false, true); }
BENCHMARK(BM_SpriteMaskedSoftware)->Unit(benchmark::kMicrosecond);
void BM_SpriteTurnedDevice(benchmark::State& state) { SpriteDraws(state, true, false, true); }
BENCHMARK(BM_SpriteTurnedDevice)->Unit(benchmark::kMicrosecond);
void BM_SpriteTurnedSoftware(benchmark::State& state) { SpriteDraws(state, false, false, true); }
BENCHMARK(BM_SpriteTurnedSoftware)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
