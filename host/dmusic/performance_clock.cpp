#include "host/dmusic/performance_clock.h"

#include <cmath>

namespace host {

namespace {

constexpr double kStandardTicksPerSecond = 2.0 * DMUS_PPQ;  // 120 quarters a minute
constexpr double kStandardBeat = DMUS_PPQ, kStandardGridsPerBeat = 4, kStandardBeatsPerMeasure = 4;
constexpr double kOnBoundary = 1e-6;

double StandardResolution(uint32_t flags) {
    if (flags & DMUS_SEGF_GRID) return kStandardBeat / kStandardGridsPerBeat;
    if (flags & DMUS_SEGF_BEAT) return kStandardBeat;
    if (flags & DMUS_SEGF_MEASURE) return kStandardBeat * kStandardBeatsPerMeasure;
    return 0;
}

}  // namespace

double PerformanceClock::MusicAt(double seconds) const {
    if (!source_) return anchorMusic_ + (seconds - anchorSeconds_) * kStandardTicksPerSecond;
    // After the source's end the standard tempo goes on from where it left off.
    const double end = source_->EndSeconds();
    if (seconds <= end) return anchorMusic_ + source_->MusicSince(seconds);
    return anchorMusic_ + source_->MusicSince(end) + (seconds - end) * kStandardTicksPerSecond;
}

double PerformanceClock::SecondsAt(double music) const {
    if (!source_) return anchorSeconds_ + (music - anchorMusic_) / kStandardTicksPerSecond;
    const double end = source_->EndSeconds(), played = music - anchorMusic_;
    const double atEnd = std::isfinite(end) ? source_->MusicSince(end) : played;
    if (played <= atEnd) return source_->SecondsSince(played);
    return end + (played - atEnd) / kStandardTicksPerSecond;
}

double PerformanceClock::NextBoundary(double seconds, uint32_t flags) const {
    if (source_ && seconds < source_->EndSeconds()) return source_->NextBoundary(seconds, source_->Resolution(flags));
    const double unit = StandardResolution(flags);
    if (!(unit > 0)) return seconds;
    return std::max(seconds, SecondsAt(std::ceil(MusicAt(seconds) / unit - kOnBoundary) * unit));
}

void PerformanceClock::Follow(double seconds, SegmentPlay* source) {
    anchorMusic_ = MusicAt(seconds);
    anchorSeconds_ = seconds;
    if (source) source->AddRef();
    if (source_) source_->Release();
    source_ = source;
}

}  // namespace host
