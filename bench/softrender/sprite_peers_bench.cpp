// 32 x 32 sprites on a 640 x 480 32-bit image, the renderer against pixman's compositing
// and SDL2's software blitters doing the same work: keyed copy, source-alpha copy, alpha
// blend, additive and rotated keyed draws, in ns per sprite pixel (the "px" counter); the
// renderer also draws them by their run codes; then a game-like frame: a full-screen
// copy, a 12 x 15 layer of 32 x 32 tiles, 1,000 keyed sprites, 200 additive and 100
// rotated ones.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/softrender/pipeline/blend_tables.h"
#include "engine/softrender/draws/draw_at.h"
#include "engine/softrender/draws/draw_rotated.h"
#include "engine/softrender/pipeline/memimg.h"
#include "engine/softrender/pipeline/pixel_context.h"
#include "engine/softrender/pipeline/run_codes.h"
#include "engine/softrender/pipeline/soft_state.h"

namespace {

using namespace orvik;

constexpr int kW = 640, kH = 480, kSide = 32, kBatch = 256;
constexpr double kSpritePixels = kSide * kSide;

enum class Op { KeyedCopy, AlphaCopy, AlphaBlend, Additive, Rotated };

// A round sprite: transparent (0, alpha 0) outside a circle, a two-pixel rim of partial
// alpha, opaque inside; colours random and never the transparent 0.
struct SpriteData {
    std::vector<uint32_t> argb;  // 0xAARRGGBB, straight alpha
    SpriteData() : argb(kSide * kSide) {
        std::mt19937 rng(3);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                const double r = std::hypot(x + 0.5 - kSide / 2.0, y + 0.5 - kSide / 2.0);
                const uint32_t a = r > 15 ? 0 : r > 13 ? 128 : 255;
                argb[y * kSide + x] = a == 0 ? 0 : (a << 24) | ((rng() & 0xFFFFFF) | 1);
            }
    }
    uint32_t Keyed(int i) const { return argb[i] >> 24 ? argb[i] | 0xFF000000u : 0; }
};

// Sprite positions fully inside the screen, the same for every peer.
struct Positions {
    std::vector<int> x, y;
    std::vector<float> angle;
    Positions() {
        std::mt19937 rng(9);
        for (int i = 0; i < kBatch; ++i) {
            x.push_back(static_cast<int>(rng() % (kW - 2 * kSide)) + kSide / 2);
            y.push_back(static_cast<int>(rng() % (kH - 2 * kSide)) + kSide / 2);
            angle.push_back(static_cast<float>(rng() % 6283) / 1000.0f);
        }
    }
};

// Every screen starts grey (0x404040); a peer whose draws left it so measured nothing.
bool DrewSomething(const void* pixels, int pitch) {
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            uint32_t v;
            std::memcpy(&v, static_cast<const uint8_t*>(pixels) + y * pitch + 4 * x, 4);
            if ((v & 0xFFFFFF) != 0x404040) return true;
        }
    return false;
}

void CountPixels(benchmark::State& state, double perIteration) {
    state.counters["px"] =
        benchmark::Counter(perIteration, benchmark::Counter::kIsIterationInvariantRate |
                                             benchmark::Counter::kInvert);
}

// --- the renderer -------------------------------------------------------------------

struct OurScene {
    MEMIMG screen{}, keyed{}, alpha{};
    // runCodes: the sprites carry run codes, as images loaded whole do.
    explicit OurScene(bool runCodes = false) {
        ResetSoftRender();
        InitMemImgBlendTables();
        SetupMemImg(&screen, kW, kH, -1, 0, kMemImgXrgb32, 0, 0, 0, nullptr);
        SetupMemImg(&keyed, kSide, kSide, -1, 0, kMemImgXrgb32, 0, 0, runCodes, nullptr);
        SetupMemImg(&alpha, kSide, kSide, -1, 0, kMemImgXrgb32, 0, 1, runCodes, nullptr);
        const SpriteData data;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                const uint32_t k = data.Keyed(y * kSide + x), a = data.argb[y * kSide + x];
                std::memcpy(keyed.pixels + y * keyed.store->pitch + 4 * x, &k, 4);
                std::memcpy(alpha.pixels + y * alpha.store->pitch + 4 * x, &a, 4);
            }
        for (MEMIMG* img : {&keyed, &alpha})
            if (runCodes) {
                soft::BuildMemImgRunCodes(*img->store);
                img->store->runCodeValid = 1;
            }
        std::memset(screen.pixels, 0x40, static_cast<size_t>(screen.store->pitch) * kH);
        Draw() = DrawSettings{};
        Draw().area.x2 = kW;
        Draw().area.y2 = kH;
    }
    ~OurScene() {
        ReleaseMemImg(&screen);
        ReleaseMemImg(&keyed);
        ReleaseMemImg(&alpha);
    }
    static void Mode(int mode, int param) {
        Draw().blendMode = mode;
        Draw().blendParam = param;
    }
};

void Ours(benchmark::State& state, Op op, bool runCodes = false) {
    OurScene s(runCodes);
    const Positions pos;
    OurScene::Mode(op == Op::AlphaBlend ? 1 : op == Op::Additive ? 2 : 0,
                   op == Op::AlphaBlend ? 160 : 255);
    const MEMIMG* sprite = op == Op::AlphaCopy ? &s.alpha : &s.keyed;
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) {
            if (op == Op::Rotated)
                DrawMemImgRotated(&s.screen, sprite, pos.x[i] + kSide / 2, pos.y[i] + kSide / 2,
                                  pos.angle[i], 1.0f, 1, 0, nullptr);
            else
                DrawMemImgAt(&s.screen, sprite, pos.x[i], pos.y[i], 1, nullptr);
        }
        benchmark::ClobberMemory();
    }
    if (!DrewSomething(s.screen.pixels, s.screen.store->pitch)) state.SkipWithError("nothing drawn");
    CountPixels(state, kBatch * kSpritePixels);
}

// --- pixman ---------------------------------------------------------------------------

struct PixmanScene {
    std::vector<uint32_t> screen, sprite;
    pixman_image_t* dst = nullptr;
    pixman_image_t* src = nullptr;
    pixman_image_t* mask = nullptr;
    explicit PixmanScene(Op op) : screen(kW * kH, 0x40404040u), sprite(kSide * kSide) {
        const SpriteData data;
        for (int i = 0; i < kSide * kSide; ++i) {
            // pixman works on premultiplied colour.
            const uint32_t v = op == Op::AlphaCopy ? data.argb[i] : data.Keyed(i);
            const uint32_t a = v >> 24;
            auto pm = [&](int sh) { return (((v >> sh) & 0xFF) * a / 255) << sh; };
            sprite[i] = (a << 24) | pm(16) | pm(8) | pm(0);
        }
        dst = pixman_image_create_bits(PIXMAN_x8r8g8b8, kW, kH, screen.data(), kW * 4);
        src = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSide, kSide, sprite.data(), kSide * 4);
        if (op == Op::AlphaBlend) {
            const pixman_color_t c{0, 0, 0, 160 * 257};
            mask = pixman_image_create_solid_fill(&c);
        }
        if (op == Op::Rotated) pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
    }
    ~PixmanScene() {
        pixman_image_unref(dst);
        pixman_image_unref(src);
        if (mask) pixman_image_unref(mask);
    }
};

void Pixman(benchmark::State& state, Op op) {
    PixmanScene s(op);
    const Positions pos;
    const pixman_op_t pop = op == Op::Additive ? PIXMAN_OP_ADD : PIXMAN_OP_OVER;
    // The rotated sprite's bounding box and, per sprite, the inverse turn about its centre.
    const int box = static_cast<int>(std::ceil(kSide * std::sqrt(2.0))) + 1;
    std::vector<pixman_transform_t> turns(kBatch);
    for (int i = 0; i < kBatch; ++i) {
        const double c = std::cos(pos.angle[i]), sn = std::sin(pos.angle[i]);
        pixman_transform_init_identity(&turns[i]);
        pixman_transform_translate(&turns[i], nullptr, pixman_double_to_fixed(-box / 2.0),
                                   pixman_double_to_fixed(-box / 2.0));
        pixman_transform_rotate(&turns[i], nullptr, pixman_double_to_fixed(c), pixman_double_to_fixed(-sn));
        pixman_transform_translate(&turns[i], nullptr, pixman_double_to_fixed(kSide / 2.0),
                                   pixman_double_to_fixed(kSide / 2.0));
    }
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) {
            if (op == Op::Rotated) {
                pixman_image_set_transform(s.src, &turns[i]);
                pixman_image_composite32(pop, s.src, nullptr, s.dst, 0, 0, 0, 0,
                                         pos.x[i] + kSide / 2 - box / 2, pos.y[i] + kSide / 2 - box / 2,
                                         box, box);
            } else {
                pixman_image_composite32(pop, s.src, s.mask, s.dst, 0, 0, 0, 0, pos.x[i], pos.y[i],
                                         kSide, kSide);
            }
        }
        benchmark::ClobberMemory();
    }
    if (!DrewSomething(s.screen.data(), kW * 4)) state.SkipWithError("nothing drawn");
    CountPixels(state, kBatch * kSpritePixels);
}

// --- SDL2's software blitters ---------------------------------------------------------

struct SdlScene {
    SDL_Surface* screen = nullptr;
    SDL_Surface* sprite = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    explicit SdlScene(Op op) {
        screen = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 32, SDL_PIXELFORMAT_RGB888);
        SDL_FillRect(screen, nullptr, 0x404040);
        const bool keyed = op == Op::KeyedCopy || op == Op::AlphaBlend || op == Op::Rotated;
        sprite = SDL_CreateRGBSurfaceWithFormat(0, kSide, kSide, 32,
                                                keyed ? SDL_PIXELFORMAT_RGB888 : SDL_PIXELFORMAT_ARGB8888);
        const SpriteData data;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                const uint32_t v = keyed ? data.Keyed(y * kSide + x) & 0xFFFFFF : data.argb[y * kSide + x];
                std::memcpy(static_cast<uint8_t*>(sprite->pixels) + y * sprite->pitch + 4 * x, &v, 4);
            }
        if (keyed) SDL_SetColorKey(sprite, SDL_TRUE, 0);
        switch (op) {
            case Op::AlphaCopy: SDL_SetSurfaceBlendMode(sprite, SDL_BLENDMODE_BLEND); break;
            case Op::AlphaBlend:
                SDL_SetSurfaceBlendMode(sprite, SDL_BLENDMODE_BLEND);
                SDL_SetSurfaceAlphaMod(sprite, 160);
                break;
            case Op::Additive: SDL_SetSurfaceBlendMode(sprite, SDL_BLENDMODE_ADD); break;
            default: break;
        }
        if (op == Op::Rotated) {
            SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
            renderer = SDL_CreateSoftwareRenderer(screen);
            texture = renderer ? SDL_CreateTextureFromSurface(renderer, sprite) : nullptr;
        }
    }
    ~SdlScene() {
        if (texture) SDL_DestroyTexture(texture);
        if (renderer) SDL_DestroyRenderer(renderer);
        SDL_FreeSurface(sprite);
        SDL_FreeSurface(screen);
    }
};

void Sdl(benchmark::State& state, Op op) {
    SdlScene s(op);
    const Positions pos;
    if (op == Op::Rotated && s.texture == nullptr) {
        state.SkipWithError("no SDL software renderer");
        return;
    }
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) {
            SDL_Rect at{pos.x[i], pos.y[i], kSide, kSide};
            if (op == Op::Rotated)
                SDL_RenderCopyEx(s.renderer, s.texture, nullptr, &at, pos.angle[i] * 180.0 / M_PI,
                                 nullptr, SDL_FLIP_NONE);
            else
                SDL_BlitSurface(s.sprite, nullptr, s.screen, &at);
        }
        benchmark::ClobberMemory();
    }
    if (!DrewSomething(s.screen->pixels, s.screen->pitch)) state.SkipWithError("nothing drawn");
    CountPixels(state, kBatch * kSpritePixels);
}

// --- the game-like frame ----------------------------------------------------------------

void Frame(benchmark::State& state, bool generic) {
    OurScene s;
    soft::ForceGenericPath(generic);
    MEMIMG background{};
    SetupMemImg(&background, kW, kH, -1, 0, kMemImgXrgb32, 0, 0, 0, nullptr);
    std::memset(background.pixels, 0x22, static_cast<size_t>(background.store->pitch) * kH);
    MEMIMG tile{};
    SetupMemImg(&tile, kSide, kSide, -1, 0, kMemImgXrgb32, 0, 0, 0, nullptr);
    std::mt19937 rng(4);
    for (int i = 0; i < tile.store->pitch * kSide; ++i) tile.pixels[i] = static_cast<uint8_t>(rng() | 1);

    struct Sprite {
        int x, y;
        float angle;
    };
    std::vector<Sprite> sprites(1300);
    for (Sprite& sp : sprites)
        sp = {static_cast<int>(rng() % (kW + kSide)) - kSide, static_cast<int>(rng() % (kH + kSide)) - kSide,
              static_cast<float>(rng() % 6283) / 1000.0f};

    for (auto _ : state) {
        OurScene::Mode(0, 255);
        DrawMemImgAt(&s.screen, &background, 0, 0, 0, nullptr);
        for (int r = 0; r < 15; ++r)
            for (int c = 0; c < 12; ++c) DrawMemImgAt(&s.screen, &tile, 32 + 32 * c, 32 * r, 1, nullptr);
        for (int i = 0; i < 1000; ++i) DrawMemImgAt(&s.screen, &s.keyed, sprites[i].x, sprites[i].y, 1, nullptr);
        OurScene::Mode(2, 255);
        for (int i = 1000; i < 1200; ++i) DrawMemImgAt(&s.screen, &s.keyed, sprites[i].x, sprites[i].y, 1, nullptr);
        OurScene::Mode(0, 255);
        for (int i = 1200; i < 1300; ++i)
            DrawMemImgRotated(&s.screen, &s.keyed, sprites[i].x + kSide / 2, sprites[i].y + kSide / 2,
                              sprites[i].angle, 1.0f, 1, 0, nullptr);
        benchmark::ClobberMemory();
    }
    soft::ForceGenericPath(false);
    ReleaseMemImg(&tile);
    ReleaseMemImg(&background);
}

// The rotated sprites with the turn flag: mirrored and drawn as two triangles each.
void OursTurned(benchmark::State& state) {
    OurScene s(false);
    const Positions pos;
    OurScene::Mode(0, 255);
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i)
            DrawMemImgRotated(&s.screen, &s.keyed, pos.x[i] + kSide / 2, pos.y[i] + kSide / 2, pos.angle[i], 1.0f, 1,
                              1, nullptr);
        benchmark::ClobberMemory();
    }
}

#define PEERS(op)                                                          \
    BENCHMARK_CAPTURE(Ours, op, Op::op)->Unit(benchmark::kMicrosecond);    \
    BENCHMARK_CAPTURE(Pixman, op, Op::op)->Unit(benchmark::kMicrosecond);  \
    BENCHMARK_CAPTURE(Sdl, op, Op::op)->Unit(benchmark::kMicrosecond);

PEERS(KeyedCopy)
PEERS(AlphaCopy)
PEERS(AlphaBlend)
PEERS(Additive)
PEERS(Rotated)
// The same sprites drawn by their run codes.
BENCHMARK_CAPTURE(Ours, KeyedCopy_runs, Op::KeyedCopy, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Ours, AlphaCopy_runs, Op::AlphaCopy, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Ours, AlphaBlend_runs, Op::AlphaBlend, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Ours, Additive_runs, Op::Additive, true)->Unit(benchmark::kMicrosecond);
BENCHMARK(OursTurned)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Frame, fast, false)->Unit(benchmark::kMillisecond);
// The same frame with every loop on its per-pixel path.
BENCHMARK_CAPTURE(Frame, generic, true)->Unit(benchmark::kMillisecond);

}  // namespace
