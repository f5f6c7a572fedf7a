#include "host/dmusic/dmusic_performance.h"

#include <memory>
#include <mutex>
#include <utility>

#include "host/dsound/mixer.h"
#include "host/dsound/mixer_source.h"
#include "host/mci/midi_synth.h"
#include "host/mci/sequencer.h"
#include "host/win/desktop.h"

namespace host {

namespace {

using Guard = std::lock_guard<std::recursive_timed_mutex>;

constexpr uint32_t kVoices = 64;

bool StereoPath(uint32_t type) {
    return type == 0 || type == DMUS_APATH_SHARED_STEREOPLUSREVERB || type == DMUS_APATH_DYNAMIC_STEREO;
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
            AddMixerSource(this);
        }
        if (directSound && !*directSound) (*directSound = device)->AddRef();
        if (params) FillParams(params);
        return params && params->fInitNow ? LoadInstruments() : S_OK;
    }

    HRESULT PlaySegmentEx(IUnknown* source, uint32_t flags) override {
        auto* segment = dynamic_cast<IDirectMusicSegment8*>(source);
        if (!segment) return E_POINTER;
        if (flags & DMUS_SEGF_SECONDARY) return E_INVALIDARG;
        const HRESULT hr = LoadInstruments();  // outside the lock: it may load a sound font
        if (hr < 0) return hr;
        uint32_t repeats = 0;
        segment->GetRepeats(&repeats);
        MidiSequence sequence = segment->Sequence();
        Guard guard(DirectSoundLock());
        if (!device_ || !synth_) return DMUS_E_NOT_INIT;  // closed down meanwhile
        auto player = std::make_unique<Sequencer>(std::move(sequence), synth_, 0);
        player->Play(0, nullptr, repeats == DMUS_SEG_REPEAT_INFINITE ? Sequencer::kRepeatForever : repeats);
        segment->AddRef();
        LetGoOfSegment();
        current_ = segment;
        player_ = std::move(player);
        started_ = false;
        return S_OK;
    }

    HRESULT StopEx(IUnknown* object, int64_t stopTime, uint32_t) override {
        if (stopTime != 0) return E_INVALIDARG;
        Guard guard(DirectSoundLock());
        if (!device_) return DMUS_E_NOT_INIT;
        if (object && object != static_cast<IUnknown*>(current_)) return S_OK;
        if (player_) player_->Stop();
        LetGoOfSegment();
        return S_OK;
    }

    HRESULT Stop(IDirectMusicSegment8* segment, MUSIC_TIME stopTime, uint32_t flags) override {
        return StopEx(segment, stopTime, flags);
    }

    HRESULT IsPlaying(IDirectMusicSegment8* segment) override {
        if (!segment) return E_POINTER;
        Guard guard(DirectSoundLock());
        if (!device_) return DMUS_E_NOT_INIT;
        return segment == current_ && started_ && player_->Playing() ? S_OK : S_FALSE;
    }

    HRESULT CloseDown() override {
        IDirectSound* device = nullptr;
        {
            Guard guard(DirectSoundLock());
            RemoveMixerSource(this);
            LetGoOfSegment();
            player_.reset();
            synth_.reset();
            device = std::exchange(device_, nullptr);
        }
        if (device) device->Release();
        return S_OK;
    }

    HRESULT LoadInstruments() override {
        {
            Guard guard(DirectSoundLock());
            if (!device_) return DMUS_E_NOT_INIT;
            if (synth_) return S_OK;
        }
        std::shared_ptr<MidiSynth> synth = MakeMidiSynth(MixerOutputRate());
        Guard guard(DirectSoundLock());
        if (!synth_) synth_ = std::move(synth);
        return S_OK;
    }

private:
    // The segment plays at the mixer's rate, whatever rate was asked for.
    static void FillParams(DMUS_AUDIOPARAMS* params) {
        params->dwValidData |= DMUS_AUDIOPARAMS_FEATURES | DMUS_AUDIOPARAMS_VOICES | DMUS_AUDIOPARAMS_SAMPLERATE;
        params->dwFeatures &= DMUS_AUDIOF_ALL;
        params->dwVoices = kVoices;
        params->dwSampleRate = MixerOutputRate();
    }

    void LetGoOfSegment() {
        if (current_) current_->Release();
        current_ = nullptr;
    }

    // Once the last notes have died away the synthesiser is left idle, not run on
    // silence at every block.
    void Render(int32_t* acc, uint32_t frames, uint32_t rate) override {
        if (!player_ || (!player_->Playing() && !synth_->Sounding())) return;
        if (player_->Playing()) started_ = true;
        player_->Render(acc, frames, rate);
    }

    IDirectSound* device_ = nullptr;  // non-null from InitAudio to CloseDown
    std::shared_ptr<MidiSynth> synth_;
    std::unique_ptr<Sequencer> player_;        // the last segment played, still sounding or dying away
    IDirectMusicSegment8* current_ = nullptr;  // the segment playing (one reference), or null
    bool started_ = false;                     // the mixer has rendered the current segment
};

}  // namespace

HRESULT CreateDirectMusicPerformanceCom(REFIID iid, void** object) {
    return CreateComObject<IDirectMusicPerformance8, Performance>(iid, IID_IDirectMusicPerformance8, object);
}

}  // namespace host
