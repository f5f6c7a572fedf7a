// A sound buffer of the mixer, with the calls of a DirectSound buffer. Secondary buffers
// hold PCM in a ring that the mixer plays; duplicates share that memory. The primary
// buffer only carries the device's output format.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "host/dsound/dsound_types.h"
#include "host/dsound/voice.h"
#include "host/win/system/com.h"

namespace host {

class IDirectSound;

class IDirectSoundBuffer : public IUnknown {
public:
    IDirectSoundBuffer(const IDirectSoundBuffer&) = delete;
    IDirectSoundBuffer& operator=(const IDirectSoundBuffer&) = delete;

    uint32_t AddRef() override;
    // Drops one reference; the last one stops the buffer and frees it (and its sample
    // memory once no duplicate uses it).
    uint32_t Release() override;

    // Copies the format; with a null format only the size needed is written.
    HRESULT GetFormat(WAVEFORMATEX* format, uint32_t size, uint32_t* written);
    // Primary buffer only, at cooperative level DSSCL_PRIORITY or above.
    HRESULT SetFormat(const WAVEFORMATEX* format);

    // reserved and priority must be 0; flags DSBPLAY_LOOPING or 0. Playing a buffer
    // that plays changes only its looping flag.
    HRESULT Play(uint32_t reserved, uint32_t priority, uint32_t flags);
    // Stops; the play cursor stays where it is.
    HRESULT Stop();
    // DSBSTATUS_PLAYING, and DSBSTATUS_LOOPING with it.
    HRESULT GetStatus(uint32_t* status);
    // Byte offsets of the next frame to be played and of the first byte that is safe
    // to write (10 ms of the buffer's play rate ahead while playing); either out may
    // be null.
    HRESULT GetCurrentPosition(uint32_t* play, uint32_t* write);
    // Moves the play cursor to the frame holding the offset; the offset must lie
    // inside the buffer.
    HRESULT SetCurrentPosition(uint32_t offset);

    // Locks `bytes` from `offset`: part 1 runs to the end of the buffer at most and
    // part 2, from the start, holds the rest (null, size 0, when it does not wrap, or
    // when no part-2 outs are given). DSBLOCK_FROMWRITECURSOR starts at the write
    // cursor; DSBLOCK_ENTIREBUFFER locks the whole buffer.
    HRESULT Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* size1, void** part2,
                 uint32_t* size2, uint32_t flags);
    // Gives back a region from Lock: the pointers must be those handed out and the
    // sizes no larger.
    HRESULT Unlock(void* part1, uint32_t size1, void* part2, uint32_t size2);

    // Hundredths of a decibel, -10000 (silence) ... 0; needs DSBCAPS_CTRLVOLUME.
    HRESULT SetVolume(int32_t volume);
    HRESULT GetVolume(int32_t* volume);
    // -10000 (left only) ... 10000 (right only): the other side is attenuated by that
    // many hundredths of a decibel; needs DSBCAPS_CTRLPAN.
    HRESULT SetPan(int32_t pan);
    HRESULT GetPan(int32_t* pan);
    // 100 ... 200000 Hz, or 0 for the format's own rate; needs DSBCAPS_CTRLFREQUENCY.
    HRESULT SetFrequency(uint32_t frequency);
    HRESULT GetFrequency(uint32_t* frequency);

private:
    friend class IDirectSound;
    struct LockedRegion {
        void* part1;
        uint32_t size1;
        void* part2;
        uint32_t size2;
    };

    IDirectSoundBuffer() = default;
    ~IDirectSoundBuffer() override;
    static IDirectSoundBuffer* MakePrimary(IDirectSound* owner);
    static IDirectSoundBuffer* MakeSecondary(const DSBUFFERDESC& desc);
    IDirectSoundBuffer* Duplicate() const;
    void Register();
    void ApplyGains();
    uint32_t WriteCursorFrame() const;

    uint32_t refs_ = 1;
    bool primary_ = false;
    IDirectSound* owner_ = nullptr;  // primary only: the device that holds it
    bool primaryPlaying_ = false;
    uint32_t flags_ = 0;
    uint32_t bytes_ = 0;
    WAVEFORMATEX format_;
    int32_t volume_ = 0;
    int32_t pan_ = 0;
    Voice voice_;
    std::vector<LockedRegion> locks_;
};

}  // namespace host
