#include "host/d3d9/shader/draw_watchdog.h"

#include <ctime>

#include "host/d3d9/device/d3d9_host.h"

namespace host {
namespace {

// The drawing thread's own processor time: a draw waiting for a busy machine's processor
// does no work, as a GPU waiting for another program's would not.
int64_t ThreadWorkMicros() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

}  // namespace

void DrawWatchdog::Start(int64_t timeoutMicros) {
    *this = DrawWatchdog{};
    timeout_ = timeoutMicros;
}

void DrawWatchdog::Look() {
    const D3D9HostSettings& s = D3D9Settings();
    const int64_t now = s.drawClock ? s.drawClock() : ThreadWorkMicros();
    if (!looked_) firstLook_ = now, looked_ = true;
    expired_ = now - firstLook_ >= timeout_ + invocations_ * kMicrosPerInvocation;
    untilLook_ = kInstructionsPerLook;
}

}  // namespace host
