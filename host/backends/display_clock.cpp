#include "host/backends/display_clock.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "host/clock.h"

namespace host {

namespace {
std::atomic<int64_t> g_period{1000000 / 60};
}

void SetVerticalBlankRate(int hertz) {
    if (hertz > 0) g_period = 1000000 / hertz;
}

int64_t VerticalBlankPeriodMicros() { return g_period; }

int64_t NextVerticalBlankMicros(int64_t nowMicros) {
    int64_t p = g_period;
    if (nowMicros <= 0) return 0;
    return (nowMicros + p - 1) / p * p;
}

int64_t WaitForNextVerticalBlank() {
    int64_t now = NowMicroseconds();
    int64_t next = NextVerticalBlankMicros(now + 1);
    if (IsManualClock()) {
        AdvanceManualClock(next - now);
    } else {
        std::this_thread::sleep_for(std::chrono::microseconds(next - now));
    }
    return next;
}

}  // namespace host
