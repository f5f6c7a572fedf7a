#include "host/dmusic/dmusic_segment.h"

#include <algorithm>
#include <new>
#include <vector>

#include "host/dmusic/dmusic_performance.h"

namespace host {

namespace {

class Segment final : public ComObject<IDirectMusicSegment8> {
public:
    explicit Segment(MidiSequence sequence) : sequence_(std::move(sequence)), timing_(sequence_) {}

    HRESULT SetRepeats(uint32_t repeats) override {
        repeats_ = repeats;
        return S_OK;
    }

    HRESULT GetRepeats(uint32_t* repeats) override {
        if (!repeats) return E_POINTER;
        *repeats = repeats_;
        return S_OK;
    }

    HRESULT GetLength(MUSIC_TIME* length) override {
        if (!length) return E_POINTER;
        *length = timing_.Length();
        return S_OK;
    }

    HRESULT SetDefaultResolution(uint32_t resolution) override {
        if (resolution & ~DMUS_SEGF_BOUNDARIES) return E_INVALIDARG;
        resolution_ = resolution;
        return S_OK;
    }

    HRESULT GetDefaultResolution(uint32_t* resolution) override {
        if (!resolution) return E_POINTER;
        *resolution = resolution_;
        return S_OK;
    }

    HRESULT Download(IUnknown* target) override {
        auto* performance = dynamic_cast<IDirectMusicPerformance8*>(target);
        if (!performance) return E_INVALIDARG;
        const HRESULT hr = performance->LoadInstruments();
        if (hr < 0) return hr;
        downloads_.push_back(performance);
        return S_OK;
    }

    HRESULT Unload(IUnknown* target) override {
        auto at = std::find(downloads_.begin(), downloads_.end(), target);
        if (!target || at == downloads_.end()) return DMUS_E_NOT_DOWNLOADED_TO_PORT;
        downloads_.erase(at);
        return S_OK;
    }

    const MidiSequence& Sequence() const override { return sequence_; }
    const MusicTiming& Timing() const override { return timing_; }

private:
    MidiSequence sequence_;
    MusicTiming timing_;
    uint32_t repeats_ = 0;
    uint32_t resolution_ = 0;
    std::vector<const IUnknown*> downloads_;  // one entry per Download not yet unloaded
};

}  // namespace

HRESULT CreateSegmentFromMidi(std::span<const uint8_t> file, IDirectMusicSegment8** segment) {
    if (!segment) return E_POINTER;
    *segment = nullptr;
    MidiSequence sequence;
    if (!ParseMidiFile(file, &sequence)) return DMUS_E_UNSUPPORTED_STREAM;
    *segment = new (std::nothrow) Segment(std::move(sequence));
    return *segment ? S_OK : E_OUTOFMEMORY;
}

}  // namespace host
