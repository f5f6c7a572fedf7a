// Frames per second of a menu screen drawn with the default font: a heading at size 36
// and rows at size 24, so that the default font changes size twice a frame, presented
// on the device path and in the software renderer side by side. The engine runs on the
// headless backend with the vertical-blank wait off, so the figure is the frame's cost.
#include <benchmark/benchmark.h>
#include <orvik/fonts.h>
#include <orvik/graphics.h>
#include <orvik/platform.h>

#include "bench/common/engine_start.h"

namespace {

constexpr const char* kRows[] = {"BARRIER TYPE   SWITCH", "BLADE AUTO     HALF", "KEY SETTING", "EXIT"};

void MenuFrame() {
    orvik::ClearDrawTarget();
    orvik::SetDefaultFontThickness(4);
    orvik::SetDefaultFontSize(36);
    orvik::DrawTextDefault(250, 30, "CONFIG", 0xFFFFFF);
    orvik::SetDefaultFontSize(24);
    int y = 120;
    for (const char* row : kRows) {
        orvik::DrawTextDefault(80, y, row, 0xFFFFFF);
        y += 30;
    }
    orvik::PresentScreen();
}

void MenuTextFrame(benchmark::State& state, bool device) {
    orvik::ResetGraphicsState();
    orvik::SetVBlankWaitFlag(0);
    bench_support::StartEngine(device);
    orvik::SetDrawTarget(orvik::kDrawTargetBackBuffer);
    for (auto _ : state) MenuFrame();
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    orvik::EndLibrary();
}

void BM_MenuTextFrameDevice(benchmark::State& state) { MenuTextFrame(state, true); }
BENCHMARK(BM_MenuTextFrameDevice)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_MenuTextFrameSoftware(benchmark::State& state) { MenuTextFrame(state, false); }
BENCHMARK(BM_MenuTextFrameSoftware)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
