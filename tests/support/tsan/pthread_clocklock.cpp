// Linked into the test programs of the ThreadSanitizer build only. libstdc++'s timed
// mutexes wait with pthread_mutex_clocklock, which this ThreadSanitizer does not
// intercept: it never sees those locks taken and reports races on everything they guard.
// This definition takes the place of the C library's and waits through
// pthread_mutex_timedlock, which it does intercept, turning the deadline into one of the
// real-time clock.
#include <pthread.h>
#include <time.h>

#include <cstdint>

namespace {

constexpr int64_t kNanoseconds = 1000000000;

int64_t Nanoseconds(const timespec& t) { return int64_t(t.tv_sec) * kNanoseconds + t.tv_nsec; }

}  // namespace

extern "C" int pthread_mutex_clocklock(pthread_mutex_t* mutex, clockid_t clock, const timespec* deadline) {
    if (clock == CLOCK_REALTIME) return pthread_mutex_timedlock(mutex, deadline);
    timespec now{}, realNow{};
    clock_gettime(clock, &now);
    clock_gettime(CLOCK_REALTIME, &realNow);
    const int64_t real = Nanoseconds(realNow) + (Nanoseconds(*deadline) - Nanoseconds(now));
    const timespec realDeadline{time_t(real / kNanoseconds), long(real % kNanoseconds)};
    return pthread_mutex_timedlock(mutex, &realDeadline);
}
