// The performance's side of a segment state: the segment's sequencer on a synthesiser of
// its own, so that no two plays share a channel, and the times on the performance's clock
// (seconds of mixed sound since its audio was set up) at which the play starts and stops.
// Every call but the construction is made under DirectSoundLock().
#pragma once
#include <cstdint>
#include <limits>
#include <memory>

#include "host/dmusic/dmusic_segment_state.h"
#include "host/mci/midi_synth.h"
#include "host/mci/sequencer.h"

namespace host {

class SegmentPlay final : public ComObject<IDirectMusicSegmentState8> {
public:
    static constexpr double kNever = std::numeric_limits<double>::infinity();

    SegmentPlay(IDirectMusicSegment8* segment, std::shared_ptr<MidiSynth> synth, bool primary);
    ~SegmentPlay() override;

    HRESULT GetRepeats(uint32_t* repeats) override;
    HRESULT GetSegment(IDirectMusicSegment8** segment) override;
    HRESULT GetStartTime(MUSIC_TIME* start) override;
    HRESULT GetSeek(MUSIC_TIME* seek) override;

    // Plans the start: at a time, or after another play has ended (queued), whenever
    // that comes; `startMusic` is the performance's music time it is expected at.
    void StartAt(double seconds, double startMusic);
    void StartAfter(SegmentPlay* before);
    void SetStartMusic(double music) { startMusic_ = music; }
    // Ends the play at `seconds` (or at once when that has passed) unless it ends sooner;
    // a play stopped at or before its start never sounds.
    void StopAt(double seconds);

    IDirectMusicSegment8* Segment() const { return segment_; }
    bool Primary() const { return primary_; }
    bool Waiting() const { return stage_ == Stage::kWaiting; }
    bool Cancelled() const { return stage_ == Stage::kWaiting && stopSeconds_ <= StartSeconds(); }
    // Started and not yet ended or stopped.
    bool Playing() const;
    // Still to start, or playing: not yet stopped, ended or cancelled.
    bool Live() const { return stage_ == Stage::kPlaying || (stage_ == Stage::kWaiting && !Cancelled()); }
    // Whether the performance's music time has begun to follow this primary's tempo.
    bool Followed() const { return followed_; }
    void MarkFollowed() { followed_ = true; }
    // Ended or stopped, and its last notes have died away: its synthesiser may go.
    bool Finished() const { return stage_ == Stage::kDone; }
    std::shared_ptr<MidiSynth> TakeSynth();

    double StartSeconds() const;
    // Where the play ends: its stop, or the end of its last repeat; kNever for a play that
    // repeats until stopped, or that is queued after one.
    double EndSeconds() const;
    // Music time played from the start to `seconds` (repeats counted on), and back.
    double MusicSince(double seconds) const;
    double SecondsSince(double music) const;
    // The first boundary `unit` music time apart in the play's own time (each time
    // through starts on one) at or after `seconds`.
    double NextBoundary(double seconds, double unit) const;
    // The boundary of the flags in this segment's time signature (DMUS_SEGF_DEFAULT: the
    // segment's default); 0 for none.
    double Resolution(uint32_t flags) const;

    // Adds the block of `frames` that starts at `blockStart` on the performance's clock.
    void Render(int32_t* acc, uint32_t frames, uint32_t rate, double blockStart);

private:
    enum class Stage { kWaiting, kPlaying, kStopped, kDone };

    void Begin();

    IDirectMusicSegment8* segment_;  // one reference
    std::shared_ptr<MidiSynth> synth_;
    std::unique_ptr<Sequencer> player_;
    const bool primary_;
    uint32_t repeats_ = 0;
    Stage stage_ = Stage::kWaiting;
    double startSeconds_ = kNever, stopSeconds_ = kNever;
    double startMusic_ = 0;
    SegmentPlay* after_ = nullptr;  // queued after this play (one reference), or null
    double renderedTo_ = 0;          // the end of the last block rendered
    bool followed_ = false;
};

}  // namespace host
