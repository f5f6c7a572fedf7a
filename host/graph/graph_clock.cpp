#include "host/graph/graph_clock.h"

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
}

}  // namespace host::graph
