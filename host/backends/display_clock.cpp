#include "host/backends/display_clock.h"

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

// The scheduler's attributes of a thread, as the sched_setattr call takes them.
struct SchedulingAttributes {
    uint32_t size = sizeof(SchedulingAttributes);
    uint32_t policy = 0;  // the ordinary time-sharing policy
    uint64_t flags = 0;
    int32_t nice = 0;
    uint32_t priority = 0;
    uint64_t runtime = 0;  // the time slice asked for, in nanoseconds; 0 is the default
    uint64_t deadline = 0;
    uint64_t period = 0;
};

// A blank waited for by a sleep that ends late (by the timer's slack, or behind busy
// threads on a loaded machine) gives the engine's refresh measurement intervals that
// disagree. For the length of the wait the thread asks for timers without slack and for
// a short time slice, with which the scheduler lets it in ahead of threads that are
// running their longer ones as soon as its timer fires. Neither changes the thread's
// share of the processor; on kernels without them the wait is an ordinary sleep.
class PunctualWake {
public:
    PunctualWake() : slack_(prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0)) {
        prctl(PR_SET_TIMERSLACK, 1, 0, 0, 0);
        AskSlice(kShortSliceNanos);
    }
    ~PunctualWake() {
        AskSlice(0);
        if (slack_ > 0) prctl(PR_SET_TIMERSLACK, slack_, 0, 0, 0);
    }
    PunctualWake(const PunctualWake&) = delete;
    PunctualWake& operator=(const PunctualWake&) = delete;

private:
    static constexpr uint64_t kShortSliceNanos = 100000;
    static void AskSlice(uint64_t nanos) {
        SchedulingAttributes a;
        a.runtime = nanos;
        syscall(SYS_sched_setattr, 0, &a, 0);
    }
    long slack_;
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
