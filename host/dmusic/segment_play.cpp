#include "host/dmusic/segment_play.h"

#include <algorithm>
#include <cmath>

#include "host/dsound/mixer.h"

namespace host {

namespace {

using Guard = std::lock_guard<std::recursive_timed_mutex>;

// A music time reached by a sum of seconds lands a hair short of a boundary it sits on;
// this much short still counts as on it.
constexpr double kOnBoundary = 1e-6;

uint32_t FrameOffset(double seconds, uint32_t frames, uint32_t rate) {
    if (!(seconds > 0)) return 0;
    return uint32_t(std::min<double>(std::llround(seconds * rate), frames));
}

}  // namespace

SegmentPlay::SegmentPlay(IDirectMusicSegment8* segment, std::shared_ptr<MidiSynth> synth, bool primary)
    : segment_(segment), synth_(std::move(synth)), primary_(primary) {
    segment_->AddRef();
    segment_->GetRepeats(&repeats_);
    player_ = std::make_unique<Sequencer>(segment_->Sequence(), synth_, 0);
}

SegmentPlay::~SegmentPlay() {
    if (after_) after_->Release();
    segment_->Release();
}

HRESULT SegmentPlay::GetRepeats(uint32_t* repeats) {
    if (!repeats) return E_POINTER;
    *repeats = repeats_;
    return S_OK;
}

HRESULT SegmentPlay::GetSegment(IDirectMusicSegment8** segment) {
    if (!segment) return E_POINTER;
    (*segment = segment_)->AddRef();
    return S_OK;
}

HRESULT SegmentPlay::GetStartTime(MUSIC_TIME* start) {
    if (!start) return E_POINTER;
    Guard guard(DirectSoundLock());
    *start = MUSIC_TIME(std::floor(startMusic_ + kOnBoundary));
    return S_OK;
}

HRESULT SegmentPlay::GetSeek(MUSIC_TIME* seek) {
    if (!seek) return E_POINTER;
    Guard guard(DirectSoundLock());
    const double at = std::min(renderedTo_, EndSeconds());
    const double music = Waiting() ? 0 : MusicSince(at);
    const double length = segment_->Timing().LengthSeconds() > 0 ? double(segment_->Timing().Length()) : 0;
    *seek = MUSIC_TIME(std::floor(length > 0 ? std::fmod(music + kOnBoundary, length) : 0));
    return S_OK;
}

void SegmentPlay::StartAt(double seconds, double startMusic) {
    startSeconds_ = seconds;
    startMusic_ = startMusic;
}

void SegmentPlay::StartAfter(SegmentPlay* before) {
    (after_ = before)->AddRef();
}

void SegmentPlay::StopAt(double seconds) {
    if (stage_ == Stage::kWaiting || stage_ == Stage::kPlaying) stopSeconds_ = std::min(stopSeconds_, seconds);
}

// A stop whose time has come counts at once, though the notes end at the next block.
bool SegmentPlay::Playing() const {
    return stage_ == Stage::kPlaying && player_->Playing() && stopSeconds_ > renderedTo_;
}

std::shared_ptr<MidiSynth> SegmentPlay::TakeSynth() {
    player_.reset();
    return std::move(synth_);
}

double SegmentPlay::StartSeconds() const { return after_ ? after_->EndSeconds() : startSeconds_; }

double SegmentPlay::EndSeconds() const {
    const double start = StartSeconds();
    const double natural = repeats_ == DMUS_SEG_REPEAT_INFINITE
                               ? kNever
                               : start + (double(repeats_) + 1) * segment_->Timing().LengthSeconds();
    return std::max(start, std::min(natural, stopSeconds_));
}

double SegmentPlay::MusicSince(double seconds) const {
    const MusicTiming& timing = segment_->Timing();
    const double elapsed = std::max(0.0, seconds - StartSeconds()), each = timing.LengthSeconds();
    if (!(each > 0) || !std::isfinite(elapsed)) return 0;
    const double loops = std::floor(elapsed / each);
    return loops * timing.Length() + timing.MusicAt(elapsed - loops * each);
}

double SegmentPlay::SecondsSince(double music) const {
    const MusicTiming& timing = segment_->Timing();
    const double length = timing.Length();
    if (!(length > 0) || !(timing.LengthSeconds() > 0)) return StartSeconds();
    const double loops = std::floor(std::max(0.0, music) / length);
    return StartSeconds() + loops * timing.LengthSeconds() + timing.SecondsAt(music - loops * length);
}

double SegmentPlay::NextBoundary(double seconds, double unit) const {
    const MusicTiming& timing = segment_->Timing();
    const double start = StartSeconds(), each = timing.LengthSeconds();
    if (seconds <= start || !(unit > 0) || !(each > 0)) return std::max(seconds, start);
    const double loops = std::floor((seconds - start) / each), loopStart = start + loops * each;
    const double next = std::ceil(timing.MusicAt(seconds - loopStart) / unit - kOnBoundary) * unit;
    // A time through ends on a boundary of its own, whatever its length.
    if (next >= timing.Length()) return loopStart + each;
    return std::max(seconds, loopStart + timing.SecondsAt(next));
}

double SegmentPlay::Resolution(uint32_t flags) const {
    if (flags & DMUS_SEGF_DEFAULT) segment_->GetDefaultResolution(&flags);
    return segment_->Timing().Resolution(flags);
}

void SegmentPlay::Begin() {
    player_->Play(0, nullptr, repeats_ == DMUS_SEG_REPEAT_INFINITE ? Sequencer::kRepeatForever : repeats_);
    stage_ = Stage::kPlaying;
}

void SegmentPlay::Render(int32_t* acc, uint32_t frames, uint32_t rate, double blockStart) {
    renderedTo_ = blockStart + double(frames) / rate;
    if (stage_ == Stage::kDone) return;
    uint32_t from = 0;
    if (stage_ == Stage::kWaiting) {
        if (Cancelled()) {
            stage_ = Stage::kDone;
            return;
        }
        if (StartSeconds() >= renderedTo_) return;
        from = FrameOffset(StartSeconds() - blockStart, frames, rate);
        Begin();
    }
    uint32_t to = frames;
    if (stage_ == Stage::kPlaying && stopSeconds_ < renderedTo_)
        to = std::max(from, FrameOffset(stopSeconds_ - blockStart, frames, rate));
    if (stage_ != Stage::kStopped || synth_->Sounding()) player_->Render(acc + 2 * from, to - from, rate);
    if (to < frames) {
        player_->Stop();  // every note goes into its release here
        player_->Render(acc + 2 * to, frames - to, rate);
    }
    if (stage_ == Stage::kPlaying && !player_->Playing()) stage_ = Stage::kStopped;
    if (stage_ == Stage::kStopped && !synth_->Sounding()) stage_ = Stage::kDone;
}

}  // namespace host
