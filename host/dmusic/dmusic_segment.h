// A segment: one piece of music the loader made from a MIDI file, which a performance
// plays. Its instruments are downloaded to the performances that will play it.
#pragma once
#include <cstdint>
#include <span>

#include "host/dmusic/dmusic_types.h"
#include "host/dmusic/music_timing.h"
#include "host/mci/midi_file.h"

namespace host {

class IDirectMusicSegment8 : public IUnknown {
public:
    // How many times the segment plays again after its first time through;
    // DMUS_SEG_REPEAT_INFINITE plays it until it is stopped.
    virtual HRESULT SetRepeats(uint32_t repeats) = 0;
    virtual HRESULT GetRepeats(uint32_t* repeats) = 0;
    // One time through, in music time (DMUS_PPQ ticks per quarter note).
    virtual HRESULT GetLength(MUSIC_TIME* length) = 0;
    // Loads the segment's instruments into a performance's synthesiser (so that its play
    // starts without a pause for loading), and takes them out again. An Unload without
    // a Download to the same performance fails with DMUS_E_NOT_DOWNLOADED_TO_PORT.
    virtual HRESULT Download(IUnknown* performance) = 0;
    virtual HRESULT Unload(IUnknown* performance) = 0;
    // The boundary a play or stop with DMUS_SEGF_DEFAULT waits for (DMUS_SEGF_GRID,
    // _BEAT, _MEASURE, or 0 for none: at once); 0 until set.
    virtual HRESULT SetDefaultResolution(uint32_t resolution) = 0;
    virtual HRESULT GetDefaultResolution(uint32_t* resolution) = 0;
    // The host's own: the events the performance plays, and their timing.
    virtual const MidiSequence& Sequence() const = 0;
    virtual const MusicTiming& Timing() const = 0;
};

// A segment over a Standard MIDI File image (the image is not kept);
// DMUS_E_UNSUPPORTED_STREAM when it is not a well-formed one.
HRESULT CreateSegmentFromMidi(std::span<const uint8_t> file, IDirectMusicSegment8** segment);

}  // namespace host
