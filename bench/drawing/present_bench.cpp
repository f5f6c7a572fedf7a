// The software path's present against the memory limit: a 640 x 480 frame of 16-bit
// pixels shown in the window (the engine's own present of its 5-6-5 screen, a 5-5-5
// bitmap, and a 320 x 240 one stretched to 640 x 480), each against a memcpy of the
// 32-bit frame the window shows. The counter is the median of the iterations' ratios,
// timed pair by pair so that both sides see the same machine.
#include <benchmark/benchmark.h>
#include <orvik/graphics.h>
#include <orvik/log.h>
#include <orvik/platform.h>

#include <time.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "bench/common/engine_start.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/platform/window/window.h"
#include "engine/softrender/pipeline/memimg.h"
#include "host/backends/backend.h"
#include "host/gdi/dib_output.h"
#include "host/win/system/instance_lock.h"
#include "host/win/window/window.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;

double Seconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The engine on its software path with a 16-bit screen of random pixels.
struct SoftwareEngine {
    SoftwareEngine() {
        orvik::ResetGraphicsState();
        orvik::SetVBlankWaitFlag(0);
        bench_support::StartEngine(false);
        if (orvik::GetScreenColorBitDepth() != 16) std::abort();
        const orvik::MEMIMG* screen = orvik::Graphics().softScreen;
        std::mt19937 random(5);
        for (int y = 0; y < kHeight; ++y) {
            auto* row = reinterpret_cast<uint16_t*>(screen->pixels + ptrdiff_t{y} * screen->store->pitch);
            for (int x = 0; x < kWidth; ++x) row[x] = uint16_t(random());
        }
    }
    ~SoftwareEngine() { orvik::EndLibrary(); }
};

// A top-down 16-bit bitmap of random pixels with the given masks.
struct Bitmap16 {
    Bitmap16(int width, int height, uint32_t red, uint32_t green, uint32_t blue) : bits(size_t(width) * height) {
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biBitCount = 16;
        info.bmiHeader.biCompression = host::BI_BITFIELDS;
        info.bmiColors[0] = red, info.bmiColors[1] = green, info.bmiColors[2] = blue;
        std::mt19937 random(3);
        for (uint16_t& b : bits) b = uint16_t(random());
    }
    host::BITMAPINFO info;
    std::vector<uint16_t> bits;
};

// Times `present` and a memcpy of a 32-bit frame alternately, each once unclocked first.
void AgainstMemcpy(benchmark::State& state, const std::function<void()>& present) {
    std::vector<uint32_t> from(size_t(kWidth) * kHeight, 0x123456), to(from.size());
    const auto clocked = [](const std::function<void()>& work) {
        work();
        const double start = Seconds();
        work();
        return Seconds() - start;
    };
    const std::function<void()> copy = [&] {
        std::memcpy(to.data(), from.data(), from.size() * 4);
        benchmark::DoNotOptimize(to.data());
    };
    std::vector<double> ratios;
    for (auto _ : state) {
        const double shown = clocked(present);
        state.SetIterationTime(shown);
        ratios.push_back(shown / clocked(copy));
    }
    std::sort(ratios.begin(), ratios.end());
    state.counters["per_memcpy"] = ratios.empty() ? 0.0 : ratios[ratios.size() / 2];
}

void BM_SoftwarePresent565(benchmark::State& state) {
    SoftwareEngine engine;
    AgainstMemcpy(state, [] { orvik::PresentScreen(); });
}
BENCHMARK(BM_SoftwarePresent565)->Unit(benchmark::kMicrosecond)->UseManualTime();

void BM_DibPresent555(benchmark::State& state) {
    SoftwareEngine engine;
    const Bitmap16 bitmap(kWidth, kHeight, 0x7C00, 0x3E0, 0x1F);
    host::HDC dc = host::GetDC(orvik::GetAppWindowHandle());
    AgainstMemcpy(state, [&] {
        host::SetDIBitsToDevice(dc, 0, 0, kWidth, kHeight, 0, 0, 0, kHeight, bitmap.bits.data(), &bitmap.info,
                                host::DIB_RGB_COLORS);
    });
    host::ReleaseDC(orvik::GetAppWindowHandle(), dc);
}
BENCHMARK(BM_DibPresent555)->Unit(benchmark::kMicrosecond)->UseManualTime();

// A 320 x 240 screen shown at 640 x 480, as the scaled screen modes present.
void BM_DibPresentScaled565(benchmark::State& state) {
    SoftwareEngine engine;
    const Bitmap16 bitmap(kWidth / 2, kHeight / 2, 0xF800, 0x7E0, 0x1F);
    host::HDC dc = host::GetDC(orvik::GetAppWindowHandle());
    AgainstMemcpy(state, [&] {
        host::StretchDIBits(dc, 0, 0, kWidth, kHeight, 0, 0, kWidth / 2, kHeight / 2, bitmap.bits.data(),
                            &bitmap.info, host::DIB_RGB_COLORS, host::SRCCOPY);
    });
    host::ReleaseDC(orvik::GetAppWindowHandle(), dc);
}
BENCHMARK(BM_DibPresentScaled565)->Unit(benchmark::kMicrosecond)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
