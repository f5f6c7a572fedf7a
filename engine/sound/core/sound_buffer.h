// One secondary sound buffer of the sound system: a DirectSound buffer, or (with the
// software switch on) a block of samples with its play state kept as plain numbers.
#pragma once
#include <cstdint>

#include "host/dsound/dsound_buffer.h"

namespace orvik {

struct SoundBuffer {
    int32_t valid;  // 0 empty, 1 holds a buffer
    host::IDirectSoundBuffer* buffer;
    // Software mode only.
    uint8_t* softData;
    int32_t softPlaying;
    uint32_t softPosition;  // in frames
    int32_t softLoop;
    int32_t softPan;        // -256 ... 256
    int32_t softVolume;     // 0 ... 256
    int32_t softFrequency;  // Hz, -1 for the format's own rate
    uint32_t softLength;    // in frames
    host::WAVEFORMATEX softFormat;
};

// A locked two-part region that a writer fills piece by piece.
struct StreamLockRegion {
    uint32_t offset;
    uint8_t* part1;
    uint8_t* part2;
    uint32_t size1;
    uint32_t size2;
    uint32_t written1;
    uint32_t written2;
    uint32_t free1;
    uint32_t free2;
};

// Every call but the creators refuses an empty wrapper with -1; the creators refuse one
// that already holds a buffer.
int SoundBufCreate(SoundBuffer* b, const host::DSBUFFERDESC* desc);
int SoundBufDuplicate(SoundBuffer* b, SoundBuffer* source);
int SoundBufRelease(SoundBuffer* b);
// The device's own failure code when the play fails.
int SoundBufPlay(SoundBuffer* b, int loop);
int SoundBufStop(SoundBuffer* b);
int SoundBufGetStatus(SoundBuffer* b, uint32_t* status);
int SoundBufLock(SoundBuffer* b, uint32_t offset, uint32_t size, void** part1, uint32_t* size1,
                 void** part2, uint32_t* size2);
int SoundBufUnlock(SoundBuffer* b, void* part1, uint32_t size1, void* part2, uint32_t size2);
int SoundBufSetFrequency(SoundBuffer* b, uint32_t frequency);
int SoundBufSetPan(SoundBuffer* b, int32_t pan);
int SoundBufSetVolume(SoundBuffer* b, int32_t volume);
int SoundBufSetPosition(SoundBuffer* b, uint32_t offset);
// The play cursor in bytes (0 for an empty wrapper).
uint32_t SoundBufGetPosition(SoundBuffer* b);

// Software-mode factors of a level in hundredths of a decibel.
int32_t SoftVolumeFactor(int32_t volume);
int32_t SoftPanFactor(int32_t pan);

// Locks `size` bytes at `offset` and describes them as an empty region. 0 or -1.
int LockStreamRegion(SoundBuffer* buffer, uint32_t offset, uint32_t size, StreamLockRegion* region);
void UnlockStreamRegion(SoundBuffer* buffer, const StreamLockRegion& region);

// Whether a writer at `write` whose guard is `guard` may write with the play cursor at
// `cursor`: only when the cursor lies behind the writer, outside the guard zone, where a
// write would overwrite what is still to be played.
inline bool CursorInWriteZone(int64_t write, int64_t guard, int64_t cursor) {
    if (write == guard) return true;
    if (write > guard) return guard <= cursor && cursor <= write;
    return !(write < cursor && cursor < guard);
}

// Writes `size` bytes of silence for `format` into the free room of a region, part 1
// first; never past the two parts.
void FillStreamSilence(const host::WAVEFORMATEX& format, StreamLockRegion* region, uint32_t size);

}  // namespace orvik
