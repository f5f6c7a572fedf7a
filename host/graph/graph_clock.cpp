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

void GraphClock::Start() {
    std::lock_guard lock(mutex_);
    Anchor();
    running_ = true;
    changed_.notify_all();
}

void GraphClock::Pause() {
    std::lock_guard lock(mutex_);
    Anchor();
    running_ = false;
}

void GraphClock::Seek(REFERENCE_TIME time) {
    std::lock_guard lock(mutex_);
    Anchor();
    base_ = time;
    changed_.notify_all();
}

void GraphClock::UseAudio(bool on) {
    std::lock_guard lock(mutex_);
    Anchor();
    audio_ = on;
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

// On the host's clock the time left is known and slept; the mixer's count wakes the wait
// as it moves, and so does the manual clock of tests, moved by another's hand (a start,
// pause or seek of this clock is then seen within the millisecond). A wait never lasts
// longer than a millisecond without looking at `stop`.
bool GraphClock::WaitUntil(REFERENCE_TIME time, const std::atomic<bool>& stop) const {
    constexpr REFERENCE_TIME kMostMicroseconds = 1000;
    std::unique_lock lock(mutex_);
    while (!stop) {
        const bool manual = running_ && !audio_ && IsManualClock();
        const uint64_t moves = ManualClockMoves();
        const REFERENCE_TIME now = NowLocked();
        if (now >= time) return true;
        if (manual) {
            lock.unlock();
            WaitForManualClockMove(moves, kMostMicroseconds);
            lock.lock();
            continue;
        }
        REFERENCE_TIME wait = kMostMicroseconds;
        if (running_ && !audio_) wait = std::min<REFERENCE_TIME>((time - now) / 10, kMostMicroseconds);
        changed_.wait_for(lock, std::chrono::microseconds(wait));
    }
    return false;
}

}  // namespace host::graph
