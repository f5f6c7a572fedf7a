// The performance: plays segments through one General MIDI synthesiser (FluidSynth, as
// the MCI sequencer's) that it adds to the host mixer as one more source, at the
// mixer's rate. It plays one segment at a time, as a primary segment: a new play
// replaces the segment playing.
#pragma once
#include <cstdint>

#include "host/dmusic/direct_music.h"
#include "host/dmusic/dmusic_segment.h"
#include "host/dsound/dsound_device.h"

namespace host {

class IDirectMusicPerformance8 : public IUnknown {
public:
    // Sets up the performance's audio: a DirectSound device (the one *directSound holds,
    // or, when that is null, a new one at priority level, handed back there with a
    // reference for the caller), its synthesiser port and the default audio path (none,
    // or a stereo one such as DMUS_APATH_SHARED_STEREOPLUSREVERB, with `channels` > 0).
    // With params: a dwSize other than 40 is refused; fInitNow loads the synthesiser's
    // instruments at once; the rate and voices used are written back. A new DirectMusic
    // object is handed back in *directMusic when it asks for one (is null).
    // DMUS_E_ALREADY_INITED for a second call before CloseDown.
    virtual HRESULT InitAudio(IDirectMusic** directMusic, IDirectSound** directSound, HWND window,
                              uint32_t defaultPathType, uint32_t channels, uint32_t flags,
                              DMUS_AUDIOPARAMS* params) = 0;
    // Starts a segment at once, from its start, playing its repeats; a secondary segment
    // (DMUS_SEGF_SECONDARY) is refused with E_INVALIDARG.
    virtual HRESULT PlaySegmentEx(IUnknown* source, uint32_t flags) = 0;
    // Stops `object` (a segment; null stops everything) at once: only stop time 0 is
    // taken. Its notes die away.
    virtual HRESULT StopEx(IUnknown* object, int64_t stopTime, uint32_t flags) = 0;
    virtual HRESULT Stop(IDirectMusicSegment8* segment, MUSIC_TIME stopTime, uint32_t flags) = 0;
    // S_OK once the segment has begun to sound and until it ends or is stopped, else
    // S_FALSE: a play takes effect at the mixer's next block.
    virtual HRESULT IsPlaying(IDirectMusicSegment8* segment) = 0;
    // Stops everything and lets go of the device and the synthesiser.
    virtual HRESULT CloseDown() = 0;
    // The host's own, for Download: loads the synthesiser and its instruments now.
    virtual HRESULT LoadInstruments() = 0;
};

// The COM class's factory: a performance for IID_IDirectMusicPerformance8.
HRESULT CreateDirectMusicPerformanceCom(REFIID iid, void** object);

}  // namespace host
