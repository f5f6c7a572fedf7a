#include "host/dmusic/dmusic_performance.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "host/debug_output.h"
#include "host/dmusic/performance_clock.h"
#include "host/dmusic/segment_play.h"
#include "host/dsound/mixer.h"
#include "host/dsound/mixer_source.h"
#include "host/mci/midi_synth.h"
#include "host/win/window/desktop.h"

namespace host {

namespace {

using Guard = std::lock_guard<std::recursive_timed_mutex>;

// Plays planned or sounding at once, each with a synthesiser of its own: a bound on the
// memory a runaway caller can take.
constexpr size_t kMaxPlays = 32;
constexpr double kReferenceUnitsPerSecond = 1e7;
constexpr double kOnTick = 1e-6;

bool StereoPath(uint32_t type) {
    return type == 0 || type == DMUS_APATH_SHARED_STEREOPLUSREVERB || type == DMUS_APATH_DYNAMIC_STEREO;
}

HRESULT Refuse(const char* call, const char* why, HRESULT hr) {
    OutputDebugStringA((std::string("DirectMusic: ") + call + " refused: " + why + "\n").c_str());
    return hr;
}

// The device the performance plays on: the caller's, or a new one at priority level.
HRESULT TakeDevice(IDirectSound** given, HWND window, IDirectSound** device) {
    if (given && *given) {
        (*device = *given)->AddRef();
        return S_OK;
    }
    HRESULT hr = DirectSoundCreate(nullptr, device, nullptr);
    if (hr < 0) return hr;
    hr = (*device)->SetCooperativeLevel(window ? window : GetDesktopWindow(), DSSCL_PRIORITY);
    if (hr != DS_OK) {
        (*device)->Release();
        *device = nullptr;
        return hr < 0 ? hr : E_FAIL;
    }
    return S_OK;
}

// Every member is guarded by DirectSoundLock(), under which the mixer renders.
class Performance final : public ComObject<IDirectMusicPerformance8>, private MixerSource {
public:
    ~Performance() override { CloseDown(); }

    HRESULT InitAudio(IDirectMusic** directMusic, IDirectSound** directSound, HWND window, uint32_t pathType,
                      uint32_t channels, uint32_t, DMUS_AUDIOPARAMS* params) override {
        if (params && params->dwSize != sizeof(DMUS_AUDIOPARAMS)) return E_INVALIDARG;
        if (!StereoPath(pathType) || (pathType != 0 && channels == 0)) return E_INVALIDARG;
        {
            Guard guard(DirectSoundLock());
            if (device_) return DMUS_E_ALREADY_INITED;
        }
        IDirectSound* device = nullptr;
        HRESULT hr = TakeDevice(directSound, window, &device);
        if (hr < 0) return hr;
        if (directMusic && !*directMusic &&
            (hr = CreateDirectMusicCom(IID_IDirectMusic, reinterpret_cast<void**>(directMusic))) < 0) {
            device->Release();
            return hr;
        }
        {
            Guard guard(DirectSoundLock());
            device_ = device;
            now_ = 0;
            clock_ = std::make_unique<PerformanceClock>();
            AddMixerSource(this);
        }
        if (directSound && !*directSound) (*directSound = device)->AddRef();
        if (params) FillParams(params);
        return params && params->fInitNow ? LoadInstruments() : S_OK;
    }

    HRESULT PlaySegmentEx(IUnknown* source, uint32_t flags, int64_t startTime,
                          IDirectMusicSegmentState8** state) override {
        if (state) *state = nullptr;
        if (!source) return E_POINTER;
        auto* segment = dynamic_cast<IDirectMusicSegment8*>(source);
        if (!segment) return Refuse("PlaySegmentEx", "the source is not a segment", E_INVALIDARG);
        {
            Guard guard(DirectSoundLock());
            if (!device_) return DMUS_E_NOT_INIT;
        }
        // Outside the lock: it may load a sound font.
        std::shared_ptr<MidiSynth> synth = TakeMidiSynth(MixerOutputRate());
        // Made outside the lock too: it copies the segment's events, which the mixer need
        // not wait for.
        auto* play = new (std::nothrow) SegmentPlay(segment, std::move(synth), !(flags & DMUS_SEGF_SECONDARY));
        if (!play) return E_OUTOFMEMORY;
        Guard guard(DirectSoundLock());
        if (!device_) return Discard(play, DMUS_E_NOT_INIT);  // closed down meanwhile
        if (plays_.size() >= kMaxPlays)
            return Discard(play, Refuse("PlaySegmentEx", "too many segments playing", E_OUTOFMEMORY));
        double earliest = now_;
        if (!EarliestTime(startTime, flags, &earliest))
            return Discard(play, Refuse("PlaySegmentEx", "the start time has passed", DMUS_E_TIME_PAST));
        Schedule(play, earliest, flags);
        plays_.push_back(play);
        if (state) (*state = play)->AddRef();
        return S_OK;
    }

    HRESULT StopEx(IUnknown* object, int64_t stopTime, uint32_t flags) override {
        Guard guard(DirectSoundLock());
        if (!device_) return DMUS_E_NOT_INIT;
        auto* play = dynamic_cast<SegmentPlay*>(object);
        auto* segment = dynamic_cast<IDirectMusicSegment8*>(object);
        if (object && !play && !segment) return Refuse("StopEx", "not a segment or segment state", E_INVALIDARG);
        double earliest = now_;
        EarliestTime(stopTime, flags, &earliest);  // a time gone by stops at once
        auto stop = [&](SegmentPlay* p) {
            const double unit = p->Resolution(flags);
            p->StopAt(unit > 0 ? p->NextBoundary(earliest, unit) : earliest);
        };
        if (play) stop(play);
        for (SegmentPlay* p : plays_)
            if (!play && (!segment || p->Segment() == segment)) stop(p);
        return S_OK;
    }

    HRESULT Stop(IDirectMusicSegment8* segment, IDirectMusicSegmentState8* state, MUSIC_TIME stopTime,
                 uint32_t flags) override {
        return StopEx(state ? static_cast<IUnknown*>(state) : segment, stopTime, flags & ~DMUS_SEGF_REFTIME);
    }

    HRESULT IsPlaying(IDirectMusicSegment8* segment, IDirectMusicSegmentState8* state) override {
        if (!segment && !state) return E_POINTER;
        Guard guard(DirectSoundLock());
        if (!device_) return DMUS_E_NOT_INIT;
        if (state) {
            auto* play = dynamic_cast<SegmentPlay*>(state);
            return play && play->Playing() ? S_OK : S_FALSE;
        }
        const bool playing =
            std::any_of(plays_.begin(), plays_.end(), [&](SegmentPlay* p) { return p->Segment() == segment && p->Playing(); });
        return playing ? S_OK : S_FALSE;
    }

    HRESULT GetTime(REFERENCE_TIME* referenceTime, MUSIC_TIME* musicTime) override {
        if (!referenceTime && !musicTime) return E_POINTER;
        Guard guard(DirectSoundLock());
        if (!device_) return DMUS_E_NOT_INIT;
        if (referenceTime) *referenceTime = ReferenceNow();
        if (musicTime) *musicTime = MusicNow();
        return S_OK;
    }

    HRESULT CloseDown() override {
        IDirectSound* device = nullptr;
        std::vector<SegmentPlay*> plays;
        std::unique_ptr<PerformanceClock> clock;
        {
            Guard guard(DirectSoundLock());
            RemoveMixerSource(this);
            plays.swap(plays_);
            clock = std::move(clock_);
            device = std::exchange(device_, nullptr);
        }
        clock.reset();
        for (SegmentPlay* p : plays) p->Release();
        if (device) device->Release();
        return S_OK;
    }

    // A synthesiser ready for the first play: made now, or kept from earlier plays.
    HRESULT LoadInstruments() override {
        {
            Guard guard(DirectSoundLock());
            if (!device_) return DMUS_E_NOT_INIT;
        }
        GiveBackMidiSynth(TakeMidiSynth(MixerOutputRate()));
        return S_OK;
    }

private:
    // The segment plays at the mixer's rate, whatever rate was asked for.
    static void FillParams(DMUS_AUDIOPARAMS* params) {
        params->dwValidData |= DMUS_AUDIOPARAMS_FEATURES | DMUS_AUDIOPARAMS_VOICES | DMUS_AUDIOPARAMS_SAMPLERATE;
        params->dwFeatures &= DMUS_AUDIOF_ALL;
        params->dwVoices = kMidiSynthVoices;
        params->dwSampleRate = MixerOutputRate();
    }

    REFERENCE_TIME ReferenceNow() const { return REFERENCE_TIME(std::floor(now_ * kReferenceUnitsPerSecond + kOnTick)); }
    MUSIC_TIME MusicNow() const { return MUSIC_TIME(std::floor(clock_->MusicAt(now_) + kOnTick)); }

    // A play refused before it was planned: its synthesiser goes back for later plays.
    HRESULT Discard(SegmentPlay* play, HRESULT hr) {
        GiveBackMidiSynth(play->TakeSynth());
        play->Release();
        return hr;
    }

    // The clock's time a play or stop time means (0: now); false, with now, for a time
    // that has gone by.
    bool EarliestTime(int64_t time, uint32_t flags, double* seconds) const {
        *seconds = now_;
        if (time == 0) return true;
        if (flags & DMUS_SEGF_REFTIME) {
            if (time < ReferenceNow()) return false;
            *seconds = std::max(now_, double(time) / kReferenceUnitsPerSecond);
        } else {
            if (time < MusicNow()) return false;
            *seconds = std::max(now_, clock_->SecondsAt(double(time)));
        }
        return true;
    }

    // The last primary planned that has not ended, or null.
    SegmentPlay* LastPrimary() const {
        for (auto p = plays_.rbegin(); p != plays_.rend(); ++p)
            if ((*p)->Primary() && (*p)->Live()) return *p;
        return nullptr;
    }

    void Schedule(SegmentPlay* play, double earliest, uint32_t flags) {
        if (play->Primary() && (flags & DMUS_SEGF_QUEUE)) {
            if (SegmentPlay* last = LastPrimary()) return play->StartAfter(last);
        }
        if (flags & DMUS_SEGF_DEFAULT) play->Segment()->GetDefaultResolution(&flags);
        const uint32_t boundary = flags & DMUS_SEGF_BOUNDARIES;
        const double at = boundary ? clock_->NextBoundary(earliest, boundary) : earliest;
        play->StartAt(at, clock_->MusicAt(at));
        // A primary replaces the one playing, and those planned after it, from its start.
        if (play->Primary())
            for (SegmentPlay* p : plays_)
                if (p->Primary()) p->StopAt(at);
    }

    // The music time follows each primary from its start to its end within the block.
    void FollowPrimaries(double blockEnd) {
        for (;;) {
            SegmentPlay* source = clock_->Source();
            if (source && source->EndSeconds() < blockEnd) {
                clock_->Follow(source->EndSeconds(), nullptr);
                continue;
            }
            SegmentPlay* next = nullptr;
            for (SegmentPlay* p : plays_)
                if (p->Primary() && !p->Followed() && p->Live() && p->StartSeconds() < blockEnd &&
                    (!next || p->StartSeconds() < next->StartSeconds()))
                    next = p;
            if (!next) return;
            next->MarkFollowed();
            clock_->Follow(next->StartSeconds(), next);
        }
    }

    void Render(int32_t* acc, uint32_t frames, uint32_t rate) override {
        const double blockStart = now_, blockEnd = now_ + double(frames) / rate;
        FollowPrimaries(blockEnd);
        for (SegmentPlay* p : plays_) {
            if (p->Waiting() && p->StartSeconds() < blockEnd) p->SetStartMusic(clock_->MusicAt(p->StartSeconds()));
            p->Render(acc, frames, rate, blockStart);
        }
        now_ = blockEnd;
        LetGoOfFinished();
    }

    // Plays that have ended and died away give their synthesisers back.
    void LetGoOfFinished() {
        auto finished = std::stable_partition(plays_.begin(), plays_.end(), [](SegmentPlay* p) { return !p->Finished(); });
        for (auto p = finished; p != plays_.end(); ++p) {
            GiveBackMidiSynth((*p)->TakeSynth());
            (*p)->Release();
        }
        plays_.erase(finished, plays_.end());
    }

    IDirectSound* device_ = nullptr;  // non-null from InitAudio to CloseDown
    std::unique_ptr<PerformanceClock> clock_;
    double now_ = 0;                               // seconds mixed since InitAudio
    std::vector<SegmentPlay*> plays_;  // one reference each, in the order played
};

}  // namespace

HRESULT CreateDirectMusicPerformanceCom(REFIID iid, void** object) {
    return CreateComObject<IDirectMusicPerformance8, Performance>(iid, IID_IDirectMusicPerformance8, object);
}

}  // namespace host
