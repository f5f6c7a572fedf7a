// The watch over one draw's shaders, as a display driver watches its GPU: each invocation
// is bounded, but a draw of many (loops nested to their limit over a full screen) could
// hold the program for days. The draw may work for the device's timeout, and a little
// longer for each invocation it runs, so that honest code over the largest target runs
// whole; once it has worked past that it is over: nothing more is shaded, and the device is
// lost as after a GPU reset. The clock is read after every kInstructionsPerLook executed.
#pragma once
#include <cstdint>

namespace host {

class DrawWatchdog {
public:
    // Instructions between looks at the clock: a quarter of a millisecond of loops run on
    // rows of pixels, a tenth of a second of the slowest code (anisotropic lookups in 2x2
    // quads). A draw that executes fewer never reads it.
    static constexpr int64_t kInstructionsPerLook = int64_t(1) << 18;
    // The time each invocation (a pixel or a vertex) adds to the draw's: three times what
    // short code takes on the slowest path (2x2 quads, 0.3 us in a release build), and a
    // sliver of what code looping to its limit does (65 us).
    static constexpr int64_t kMicrosPerInvocation = 1;

    // A new draw, whose shaders may work `timeoutMicros` from the first look on.
    void Start(int64_t timeoutMicros);
    // Counts what `invocations` runs executed together.
    void Count(int64_t instructions, int64_t invocations) {
        invocations_ += invocations;
        if ((untilLook_ -= instructions) <= 0) Look();
    }
    // The draw has worked past its time.
    bool Expired() const { return expired_; }
    int64_t TimeoutMicros() const { return timeout_; }

private:
    void Look();

    int64_t timeout_ = 0;
    int64_t untilLook_ = kInstructionsPerLook;
    int64_t invocations_ = 0;
    int64_t firstLook_ = 0;
    bool looked_ = false;
    bool expired_ = false;
};

}  // namespace host
