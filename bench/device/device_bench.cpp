// Frames per second of the engine's device path against SDL2's software renderer doing
// the same work: a cleared 640 x 480 frame with one sprite drawn on it, presented, and a
// frame of 2,000 textured 32 x 32 sprites with alpha blending, then presented. The engine runs on the headless
// backend with the vertical-blank wait off, so its figures are the device's own cost
// (clear, rasterise, hand the frame to the backend); SDL renders into a memory surface.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <orvik/platform.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/common/engine_start.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/device/present.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/base/log.h"
#include "host/backends/backend.h"
#include "host/d3d9/device/device.h"
#include "host/win/system/instance_lock.h"

namespace {

constexpr int kWidth = 640, kHeight = 480, kSprites = 2000, kSide = 32;

// Sprite positions spread over the screen, the same for both renderers.
struct Placement {
    int x, y;
};
std::vector<Placement> Placements() {
    std::vector<Placement> p;
    uint32_t seed = 12345;
    for (int i = 0; i < kSprites; ++i) {
        seed = seed * 1103515245u + 12345u;
        int x = int(seed >> 8) % (kWidth - kSide);
        seed = seed * 1103515245u + 12345u;
        int y = int(seed >> 8) % (kHeight - kSide);
        p.push_back({x, y});
    }
    return p;
}

// A sprite with a soft-edged alpha.
std::vector<uint32_t> SpritePixels() {
    std::vector<uint32_t> px(kSide * kSide);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            uint32_t a = (x == 0 || y == 0 || x == kSide - 1 || y == kSide - 1) ? 0 : 255;
            px[size_t(y * kSide + x)] = a << 24 | uint32_t(x * 8) << 16 | uint32_t(y * 8) << 8 | 0x80;
        }
    return px;
}

struct Engine {
    Engine() {
        bench_support::StartEngine(true);
        orvik::SetVBlankWaitFlag(0);
        host::Device* d = orvik::Graphics().dev.device;
        d->CreateTexture(kSide, kSide, 1, 0, host::D3DFMT_A8R8G8B8, host::D3DPOOL_MANAGED, &texture);
        host::D3DLOCKED_RECT lr;
        texture->LockRect(0, &lr, nullptr, 0);
        auto px = SpritePixels();
        for (int y = 0; y < kSide; ++y)
            std::memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch, px.data() + y * kSide, kSide * 4);
        texture->UnlockRect(0);
    }
    ~Engine() {
        texture->Release();
        orvik::EndLibrary();
    }
    void Clear() {
        orvik::Graphics().dev.device->Clear(0, nullptr, host::D3DCLEAR_TARGET, 0xFF203040, 1.0f, 0);
    }
    host::Texture* texture = nullptr;
};

struct Vertex {
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};

void AppendQuad(const Placement& p) {
    auto* v = reinterpret_cast<Vertex*>(orvik::ReserveBatchVertices(0, 1, host::D3DPT_TRIANGLELIST, 6));
    float x0 = float(p.x), y0 = float(p.y), x1 = x0 + kSide, y1 = y0 + kSide;
    const Vertex corners[6] = {{x0, y0, 0, 1, 0xFFFFFFFF, 0, 0}, {x1, y0, 0, 1, 0xFFFFFFFF, 1, 0},
                               {x0, y1, 0, 1, 0xFFFFFFFF, 0, 1}, {x1, y0, 0, 1, 0xFFFFFFFF, 1, 0},
                               {x1, y1, 0, 1, 0xFFFFFFFF, 1, 1}, {x0, y1, 0, 1, 0xFFFFFFFF, 0, 1}};
    std::memcpy(v, corners, sizeof corners);
}

// The 2D sprite state: no depth test, point sampling, clamped texture, alpha blending.
void SetSpriteState(const Engine& engine) {
    orvik::SetZEnableCached(0);
    orvik::ApplyDrawFilterMode(0);
    orvik::SetDrawTextureCached(engine.texture);
    orvik::SetDrawBlendModeCached(1, 255);
    orvik::SetupDrawDeviceState();
}

// Cleared, `sprites` drawn and presented. A drawn sprite makes the device write the clear
// out, which a frame presented without one never does (it is shown from a single row).
void EngineFrames(benchmark::State& state, size_t sprites) {
    Engine engine;
    const std::vector<Placement> placements = Placements();
    SetSpriteState(engine);
    for (auto _ : state) {
        engine.Clear();
        orvik::BeginSceneIfNeeded();
        for (size_t i = 0; i < sprites; ++i) AppendQuad(placements[i]);
        orvik::PresentScreen();
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_EnginePresentDrawnFrame(benchmark::State& state) { EngineFrames(state, 1); }
void BM_Engine2000Sprites(benchmark::State& state) { EngineFrames(state, kSprites); }

struct SdlSoft {
    SdlSoft() {
        surface = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 32, SDL_PIXELFORMAT_ARGB8888);
        renderer = SDL_CreateSoftwareRenderer(surface);
        auto px = SpritePixels();
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, kSide, kSide);
        SDL_UpdateTexture(texture, nullptr, px.data(), kSide * 4);
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
        SDL_SetRenderDrawColor(renderer, 0x20, 0x30, 0x40, 255);
    }
    ~SdlSoft() {
        SDL_DestroyTexture(texture);
        SDL_DestroyRenderer(renderer);
        SDL_FreeSurface(surface);
    }
    SDL_Surface* surface;
    SDL_Renderer* renderer;
    SDL_Texture* texture;
};

void SdlFrames(benchmark::State& state, size_t sprites) {
    SdlSoft sdl;
    const std::vector<Placement> placements = Placements();
    for (auto _ : state) {
        SDL_RenderClear(sdl.renderer);
        for (size_t i = 0; i < sprites; ++i) {
            SDL_Rect dst{placements[i].x, placements[i].y, kSide, kSide};
            SDL_RenderCopy(sdl.renderer, sdl.texture, nullptr, &dst);
        }
        SDL_RenderPresent(sdl.renderer);
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_SdlPresentDrawnFrame(benchmark::State& state) { SdlFrames(state, 1); }
void BM_Sdl2000Sprites(benchmark::State& state) { SdlFrames(state, kSprites); }

BENCHMARK(BM_EnginePresentDrawnFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SdlPresentDrawnFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Engine2000Sprites)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sdl2000Sprites)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
