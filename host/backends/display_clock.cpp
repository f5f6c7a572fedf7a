#include "host/backends/display_clock.h"

#include <sched.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "host/clock.h"

namespace host {

namespace {

std::atomic<int64_t> g_period{1000000 / 60};

// The scheduler's attributes of a thread, as sched_getattr gives them and sched_setattr
// takes them.
struct SchedulingAttributes {
    uint32_t size = sizeof(SchedulingAttributes);
    uint32_t policy = 0;
    uint64_t flags = 0;
    int32_t nice = 0;
    uint32_t priority = 0;
    uint64_t runtime = 0;  // the ordinary policy's time slice asked for, in nanoseconds; 0 is the default
    uint64_t deadline = 0;
    uint64_t period = 0;
};

// A blank waited for by a sleep that ends late (by the timer's slack, or behind busy
// threads on a loaded machine) gives the engine's refresh measurement intervals that
// disagree. For the length of the wait the thread asks for timers without slack and for
// a short time slice, with which the scheduler lets it in ahead of threads that are
// running their longer ones as soon as its timer fires. Neither changes the thread's
// share of the processor; on kernels without them the wait is an ordinary sleep. Only
// the slice changes, and goes back to the default after: the thread's other attributes
// (its nice value) stay as they were, and a thread of another policy (real-time) is left
// alone.
class PunctualWake {
public:
    PunctualWake() : slack_(prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0)) {
        prctl(PR_SET_TIMERSLACK, 1, 0, 0, 0);
        if (syscall(SYS_sched_getattr, 0, &before_, sizeof before_, 0) != 0 || before_.policy != SCHED_OTHER) return;
        SchedulingAttributes shorter = before_;
        shorter.runtime = kShortSliceNanos;
        sliced_ = syscall(SYS_sched_setattr, 0, &shorter, 0) == 0;
        before_.runtime = 0;  // what it reads is the slice in force; 0 asks for the default again
    }
    ~PunctualWake() {
        if (sliced_) syscall(SYS_sched_setattr, 0, &before_, 0);
        if (slack_ > 0) prctl(PR_SET_TIMERSLACK, slack_, 0, 0, 0);
    }
    PunctualWake(const PunctualWake&) = delete;
    PunctualWake& operator=(const PunctualWake&) = delete;

private:
    static constexpr uint64_t kShortSliceNanos = 100000;
    long slack_;
    SchedulingAttributes before_;
    bool sliced_ = false;
};

}  // namespace

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
        return next;
    }
    PunctualWake punctual;
    std::this_thread::sleep_for(std::chrono::microseconds(next - now));
    return next;
}

}  // namespace host
