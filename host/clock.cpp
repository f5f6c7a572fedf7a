#include "host/clock.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace host {

namespace {
std::atomic<bool> g_manual{false};
std::atomic<int64_t> g_manualMicros{0};
std::atomic<uint64_t> g_manualMoves{0};
std::mutex g_moveMutex;
std::condition_variable g_moved;

int64_t MonotonicMicros() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}
}  // namespace

void UseManualClock(bool on) { g_manual = on; }
bool IsManualClock() { return g_manual; }
// The count goes up under the mutex, so that a waiter that found it unchanged is
// already waiting when it is told.
void WakeManualClockWaiters() {
    {
        std::lock_guard lock(g_moveMutex);
        ++g_manualMoves;
    }
    g_moved.notify_all();
}

void AdvanceManualClock(int64_t microseconds) {
    g_manualMicros += microseconds;
    WakeManualClockWaiters();
}

void SetManualClock(int64_t microseconds) {
    g_manualMicros = microseconds;
    WakeManualClockWaiters();
}

uint64_t ManualClockMoves() { return g_manualMoves; }

void WaitForManualClockMove(uint64_t seen, int64_t mostMicroseconds) {
    std::unique_lock lock(g_moveMutex);
    g_moved.wait_for(lock, std::chrono::microseconds(mostMicroseconds), [seen] { return g_manualMoves != seen; });
}

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
