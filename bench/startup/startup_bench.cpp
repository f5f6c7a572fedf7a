// Start-up to the first picture: InitLibrary on the headless backend with the real clock,
// then one cleared frame presented, on the software path and on the device path; idle,
// and with twice as many busy threads as the machine has cores. Most of it is the
// refresh measurement, which needs ten agreeing blank intervals in a row: "blank_waits"
// counts the vertical blanks waited for (13 when the first ten intervals agree), and
// "period_found" is 1 when the measurement agreed within its 60 rounds. Beside it, how
// close to its boundary the host's blank wait returns: "within_200us" is the share of
// waits that return less than 0.2 ms after the blank, "late_ms" the mean lateness. And
// the device start's one large piece of work, the luminance volume made again.
#include <benchmark/benchmark.h>
#include <orvik/graphics.h>
#include <orvik/log.h>
#include <orvik/platform.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/common/engine_start.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/shaders/shader_system.h"
#include "host/backends/backend.h"
#include "host/backends/display_clock.h"
#include "host/clock.h"
#include "host/ddraw/ddraw.h"
#include "host/win/system/instance_lock.h"

namespace {

// Busy threads at ordinary priority for as long as the object lives.
class BusyLoad {
public:
    explicit BusyLoad(unsigned threads) {
        for (unsigned i = 0; i < threads; ++i)
            threads_.emplace_back([this] {
                volatile uint64_t n = 0;
                while (!stop_.load(std::memory_order_relaxed)) n = n + 1;
            });
    }
    ~BusyLoad() {
        stop_ = true;
        for (std::thread& t : threads_) t.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

void BM_StartToFirstPresent(benchmark::State& state) {
    const bool device = state.range(0) != 0;
    const bool loaded = state.range(1) != 0;
    BusyLoad load(loaded ? 2 * std::thread::hardware_concurrency() : 0);
    double waits = 0, found = 0;
    for (auto _ : state) {
        host::ResetDirectDraw();
        const auto start = std::chrono::steady_clock::now();
        bench_support::StartEngine(device);
        waits += double(host::VerticalBlankWaitCount());
        found += orvik::Graphics().screen.refreshPeriod >= 0;
        orvik::SetDrawTarget(orvik::kDrawTargetBackBuffer);
        orvik::ClearDrawTarget();
        orvik::PresentScreen();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        orvik::EndLibrary();
    }
    state.counters["blank_waits"] = benchmark::Counter(waits, benchmark::Counter::kAvgIterations);
    state.counters["period_found"] = benchmark::Counter(found, benchmark::Counter::kAvgIterations);
}

void BM_VerticalBlankLateness(benchmark::State& state) {
    BusyLoad load(state.range(0) != 0 ? 2 * std::thread::hardware_concurrency() : 0);
    double within = 0, late = 0;
    for (auto _ : state) {
        const int64_t blank = host::WaitForNextVerticalBlank();
        const int64_t after = host::NowMicroseconds() - blank;
        within += after < 200;
        late += double(after) / 1000;
    }
    state.counters["within_200us"] = benchmark::Counter(within, benchmark::Counter::kAvgIterations);
    state.counters["late_ms"] = benchmark::Counter(late, benchmark::Counter::kAvgIterations);
}

void BM_LuminanceVolume(benchmark::State& state) {
    bench_support::StartEngine(true);
    if (!orvik::LuminanceVolumeTexture()) std::abort();
    for (auto _ : state)
        if (orvik::CreateLuminanceVolumeTexture() != 0) std::abort();
    orvik::EndLibrary();
}

BENCHMARK(BM_LuminanceVolume)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_VerticalBlankLateness)->ArgName("loaded")->Arg(0)->Arg(1)->Iterations(120)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_StartToFirstPresent)
    ->ArgNames({"device", "loaded"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Iterations(8)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
