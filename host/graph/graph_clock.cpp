#include "host/graph/graph_clock.h"

#include <algorithm>
#include <chrono>

#include "host/clock.h"

namespace host::graph {

REFERENCE_TIME GraphClock::Now() const {
    std::lock_guard lock(mutex_);
    return NowLocked();
}

bool GraphClock::Running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

REFERENCE_TIME GraphClock::NowLocked() const {
    if (!running_) return base_;
    if (audio_) return audioRate_ ? base_ + REFERENCE_TIME(audioFrames_ * 10000000 / audioRate_) : base_;
    return base_ + (NowMicroseconds() - anchorMicros_) * 10;
}

// Folds the time run so far into the base, so that a change of source or rate starts
// counting afresh.
void GraphClock::Anchor() {
    base_ = NowLocked();
    anchorMicros_ = NowMicroseconds();
    audioFrames_ = 0;
}

// A wait on the manual clock sleeps on the manual clock's moves, so it is woken by one;
// the change is made before, so that the waiter looks at it again.
void GraphClock::Changed() {
    changed_.notify_all();
    if (IsManualClock()) WakeManualClockWaiters();
}

void GraphClock::Start() {
    {
        std::lock_guard lock(mutex_);
        Anchor();
        running_ = true;
    }
    Changed();
}

void GraphClock::Pause() {
    {
        std::lock_guard lock(mutex_);
        Anchor();
        running_ = false;
    }
    Changed();
}

void GraphClock::Seek(REFERENCE_TIME time) {
    {
        std::lock_guard lock(mutex_);
        Anchor();
        base_ = time;
    }
    Changed();
}

// Taking the mutex first: a waiter between its look at `stop` and its wait is waiting
// by the time it is told.
void GraphClock::WakeWaiters() {
    { std::lock_guard lock(mutex_); }
    Changed();
}

void GraphClock::UseAudio(bool on) {
    {
        std::lock_guard lock(mutex_);
        Anchor();
        audio_ = on;
    }
    Changed();
}

void GraphClock::AudioFramesPlayed(uint32_t frames, uint32_t rate) {
    std::lock_guard lock(mutex_);
    if (!running_ || !audio_) return;
    if (rate != audioRate_) {
        Anchor();
        audioRate_ = rate;
    }
    audioFrames_ += frames;
    changed_.notify_all();
}

// On the host's clock the time left is slept, and the manual clock of tests is waited on
// until another's hand moves it; a start, pause, seek or WakeWaiters ends either wait at
// once, so that no wait wakes in time slices: on a busy core each wake-up takes the
// decoder's time. Either still looks again after kMostMicroseconds, for a switch between
// the manual and the host's clock, which wakes no one. On the mixer's count the wait is
// woken as it moves, and looks again every millisecond in case the output stops.
bool GraphClock::WaitUntil(REFERENCE_TIME time, const std::atomic<bool>& stop) const {
    constexpr REFERENCE_TIME kMostMicroseconds = 100000, kAudioMicroseconds = 1000;
    std::unique_lock lock(mutex_);
    for (;;) {
        // The count before `stop`: WakeWaiters moves it after `stop` is set.
        const uint64_t moves = ManualClockMoves();
        if (stop) return false;
        const bool manual = running_ && !audio_ && IsManualClock();
        const REFERENCE_TIME now = NowLocked();
        if (now >= time) return true;
        if (manual) {
            lock.unlock();
            WaitForManualClockMove(moves, kMostMicroseconds);
            lock.lock();
            continue;
        }
        REFERENCE_TIME wait = kMostMicroseconds;
        if (audio_) wait = kAudioMicroseconds;
        else if (running_) wait = std::clamp<REFERENCE_TIME>((time - now + 9) / 10, 1, kMostMicroseconds);
        changed_.wait_for(lock, std::chrono::microseconds(wait));
    }
}

}  // namespace host::graph
