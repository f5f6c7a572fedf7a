// Waits for a condition that another thread brings about, giving up after a bound.
// (The engine's tests compile as CP932, where <chrono> cannot be included.)
#pragma once
#include <sched.h>
#include <time.h>

namespace orvik_test {

template <typename Condition>
bool WaitUntil(Condition done, double seconds = 10.0) {
    auto now = [] {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
    };
    const double deadline = now() + seconds;
    while (!done()) {
        if (now() > deadline) return false;
        sched_yield();
    }
    return true;
}

}  // namespace orvik_test
