// The game's own stage frame with 450 large blended sparks on the field, played through
// the engine on the headless backend with the vertical-blank wait off: the sparks come
// from the game's effect pool (the catalogue's 96-pixel spark, drawn additively at 192),
// topped up before every frame. The figure that matters is the share of one core the
// game needs to hold 60 frames a second: process CPU time per frame over 1/60 s.
// Then the first stage's plain frame on the device path and on the software renderer,
// with the process's peak resident memory: run each of the two in a process of its own
// (--benchmark_filter=StageOneFrameDevice, then ...Software) for that figure.
#include <benchmark/benchmark.h>
#include <orvik/graphics.h>
#include <orvik/platform.h>

#include <sys/resource.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "bench/common/engine_start.h"
#include "engine/graphics/device/graphics_system.h"
#include "game/vantorix/effects.h"
#include "game/vantorix/engine_ports.h"
#include "game/vantorix/game_main.h"
#include "game/vantorix/game_state.h"
#include "game/vantorix/stage_play.h"
#include "host/backends/backend.h"
#include "host/d3d9/device/d3d9_host.h"
#include "host/win/system/instance_lock.h"

namespace {

constexpr int kSparks = 450;
constexpr double kFrameSeconds = 1.0 / 60.0;

int ActiveEffects() {
    const vantorix::EffectPool& f = vantorix::Game().play.effects;
    int n = 0;
    for (int i = 0; i < vantorix::kEffectCapacity; ++i) n += f.active[i] == 1;
    return n;
}

// New sparks where old ones ended, spread over the play field.
void TopUpSparks(uint32_t* seed) {
    for (int n = ActiveEffects(); n < kSparks; ++n) {
        *seed = *seed * 1103515245u + 12345u;
        const float x = float(48 + (*seed >> 8) % 352);
        *seed = *seed * 1103515245u + 12345u;
        const float y = float(32 + (*seed >> 8) % 416);
        vantorix::SpawnEffectByType(0, x, y);
    }
}

// CPU time of every thread of the process (the sound refill thread too).
double ProcessSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The game started headless from its data folder, on the device path or the software
// renderer, at the first frame of stage 1.
class GameRun {
public:
    explicit GameRun(bool device) : cwd_(std::filesystem::current_path()) {
        std::filesystem::current_path(GAME_DATA_DIR);
        bench_support::UseHeadlessHost();
        vantorix::ResetGameGlobals();
        vantorix::SetDrawPort(&vantorix::EngineDrawPort());
        vantorix::SetSoundPort(&vantorix::EngineSoundPort());
        // Each path starts as a fresh program's would (a device start leaves the desktop's
        // screen depth behind), with the wait off from the start, when the device takes it.
        orvik::ResetGraphicsState();
        orvik::SetUseHardwareRendering(device ? 1 : 0);
        orvik::SetVBlankWaitFlag(0);
        if (vantorix::StartGame(1) != 0 || orvik::Graphics().direct3DMode != (device ? 1 : 0)) std::abort();
        vantorix::BeginStage();
    }
    ~GameRun() {
        orvik::EndLibrary();
        vantorix::SetDrawPort(nullptr);
        vantorix::SetSoundPort(nullptr);
        std::filesystem::current_path(cwd_);
    }
    GameRun(const GameRun&) = delete;
    GameRun& operator=(const GameRun&) = delete;

private:
    std::filesystem::path cwd_;
};

// Argument 1 runs the device path, 0 the software renderer.
void BM_StageFrameWith450Sparks(benchmark::State& state) {
    const GameRun run(state.range(0) != 0);
    uint32_t seed = 99;
    int64_t sparks = 0;
    const double cpuStart = ProcessSeconds();
    for (auto _ : state) {
        TopUpSparks(&seed);
        sparks += ActiveEffects();
        vantorix::StageFrame();
    }
    const double frames = double(state.iterations());
    state.counters["sparks"] = benchmark::Counter(double(sparks) / frames);
    state.counters["core_at_60fps"] = benchmark::Counter((ProcessSeconds() - cpuStart) / frames / kFrameSeconds);
}
BENCHMARK(BM_StageFrameWith450Sparks)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The first 600 frames of stage 1 without input (the game's clear, map, sprites, HUD and
// the copy into the window; the ship lives through them), the device's draw calls a
// frame, and the peak resident memory of the whole run in megabytes.
void StageOneFrame(benchmark::State& state, bool device) {
    const GameRun run(device);
    const uint64_t drawsBefore = host::D3D9Counters().drawCalls;
    for (auto _ : state) vantorix::StageFrame();
    state.counters["device_draws"] =
        benchmark::Counter(double(host::D3D9Counters().drawCalls - drawsBefore) / double(state.iterations()));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_mb"] = benchmark::Counter(double(usage.ru_maxrss) / 1024.0);
}
void BM_StageOneFrameDevice(benchmark::State& state) { StageOneFrame(state, true); }
BENCHMARK(BM_StageOneFrameDevice)->Unit(benchmark::kMillisecond)->Iterations(600);
void BM_StageOneFrameSoftware(benchmark::State& state) { StageOneFrame(state, false); }
BENCHMARK(BM_StageOneFrameSoftware)->Unit(benchmark::kMillisecond)->Iterations(600);

}  // namespace

BENCHMARK_MAIN();
