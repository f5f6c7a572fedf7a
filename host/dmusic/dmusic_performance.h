// The performance: plays segments through General MIDI synthesisers (FluidSynth, as the
// MCI sequencer's), one for each segment state so that no two plays share a channel, all
// of them one more source of the host mixer at its rate. One primary segment plays at a
// time (a new one replaces it, or is queued after it); secondary segments play on top.
// Its clock counts the sound mixed since InitAudio: reference time in 100 ns units, and
// music time (DMUS_PPQ ticks a quarter) at the tempo of the primary segment playing, or
// 120 beats a minute while none plays.
#pragma once
#include <cstdint>

#include "host/dmusic/direct_music.h"
#include "host/dmusic/dmusic_segment.h"
#include "host/dmusic/dmusic_segment_state.h"
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
    // Plays a segment, as the primary one or (DMUS_SEGF_SECONDARY) on top, from its start,
    // playing its repeats. It starts at `startTime` (0: at once; music time, or reference
    // time with DMUS_SEGF_REFTIME), moved on to the boundary the flags ask for; a primary
    // with DMUS_SEGF_QUEUE starts once the last primary planned has ended. The new play's
    // segment state goes to *state when state is not null. DMUS_E_TIME_PAST for a start
    // time gone by.
    virtual HRESULT PlaySegmentEx(IUnknown* source, uint32_t flags, int64_t startTime,
                                  IDirectMusicSegmentState8** state) = 0;
    // Stops `object`: a segment state (that play), a segment (each of its plays) or null
    // (everything), at `stopTime` (0: at once; a time gone by: at once too) moved on to the
    // boundary of the flags in each play's own time. Its notes go into their release.
    virtual HRESULT StopEx(IUnknown* object, int64_t stopTime, uint32_t flags) = 0;
    // StopEx of the state when there is one, else of the segment, at a music time.
    virtual HRESULT Stop(IDirectMusicSegment8* segment, IDirectMusicSegmentState8* state, MUSIC_TIME stopTime,
                         uint32_t flags) = 0;
    // S_OK from the moment a play begins to sound until it ends or is stopped, else
    // S_FALSE: of the state when one is given, else of any play of the segment.
    virtual HRESULT IsPlaying(IDirectMusicSegment8* segment, IDirectMusicSegmentState8* state) = 0;
    // The clock now: reference time and music time (either pointer may be null).
    virtual HRESULT GetTime(REFERENCE_TIME* referenceTime, MUSIC_TIME* musicTime) = 0;
    // Stops everything and lets go of the device and the synthesiser.
    virtual HRESULT CloseDown() = 0;
    // The host's own, for Download: loads the synthesiser and its instruments now.
    virtual HRESULT LoadInstruments() = 0;
};

// The COM class's factory: a performance for IID_IDirectMusicPerformance8.
HRESULT CreateDirectMusicPerformanceCom(REFIID iid, void** object);

}  // namespace host
