// The stream time of a running graph. It runs on the host's clock, or, while a sound
// renderer is connected to a live output, on the frames the mixer has taken from it, so
// pictures follow what is heard. Paused, it stands still; a seek sets it.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "host/graph/graph_types.h"

namespace host::graph {

class GraphClock {
public:
    // Stream time now, in 100 ns.
    REFERENCE_TIME Now() const;
    bool Running() const;
    // Runs on from where it stands.
    void Start();
    // Stands still at the time reached.
    void Pause();
    // Stands at `time` (still running when it ran).
    void Seek(REFERENCE_TIME time);
    // While on, only AudioFramesPlayed moves the running clock.
    void UseAudio(bool on);
    // The mixer has played `frames` frames at `rate` of the graph's sound.
    void AudioFramesPlayed(uint32_t frames, uint32_t rate);
    // Waits until the clock reaches `time`; false when `stop` was set first.
    bool WaitUntil(REFERENCE_TIME time, const std::atomic<bool>& stop) const;
    // Has every WaitUntil look again at once: call after setting its `stop`.
    void WakeWaiters();

private:
    REFERENCE_TIME NowLocked() const;
    void Anchor();
    // Wakes the waits on this clock, on the host's clock or on the manual one.
    void Changed();

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;  // started, paused, moved, or sound played
    bool running_ = false;
    bool audio_ = false;
    REFERENCE_TIME base_ = 0;     // stream time at the anchor
    int64_t anchorMicros_ = 0;    // host clock at the anchor
    uint64_t audioFrames_ = 0;    // frames played since the anchor
    uint32_t audioRate_ = 0;
};

}  // namespace host::graph
