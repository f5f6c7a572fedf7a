#include "host/clock.h"

#include <atomic>
#include <ctime>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace host {

namespace {
std::atomic<bool> g_manual{false};
std::atomic<int64_t> g_manualMicros{0};

int64_t MonotonicMicros() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}
}  // namespace

void UseManualClock(bool on) { g_manual = on; }
bool IsManualClock() { return g_manual; }
void AdvanceManualClock(int64_t microseconds) { g_manualMicros += microseconds; }
void SetManualClock(int64_t microseconds) { g_manualMicros = microseconds; }

int64_t NowMicroseconds() { return g_manual ? g_manualMicros.load() : MonotonicMicros(); }

uint32_t timeGetTime() { return uint32_t(NowMicroseconds() / 1000); }

bool QueryPerformanceCounter(int64_t* count) {
    if (!count) return false;
    *count = NowMicroseconds();
    return true;
}

bool QueryPerformanceFrequency(int64_t* frequency) {
    if (!frequency) return false;
    *frequency = 1000000;
    return true;
}

uint64_t ReadTimeStampCounter() {
    if (g_manual) return uint64_t(g_manualMicros.load()) * 1000;
#if defined(__x86_64__) || defined(__i386__)
    return __rdtsc();
#else
    return uint64_t(MonotonicMicros()) * 1000;
#endif
}

}  // namespace host
