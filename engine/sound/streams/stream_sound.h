// Stream sounds: sounds decoded a piece at a time into a looping one-second buffer while
// they play. Loading turns a sound into one when its PCM is too long to hold, or when the
// load mode asks for it. Unless noted, each call returns 0 or -1 (no sound system, or a
// handle that is not a sound's).
#pragma once
#include <cstdint>

#include "engine/sound/core/sound_record.h"

namespace orvik {

// Adds a source read from `stream` (data kind 0, 2 or 3) to the stream sound `handle`;
// `callerMayClose` tells whether the source still reads the caller's stream (0).
int AddSreamSound(const StreamDescriptor* stream, uint8_t loop, int handle, int dataKind, int* callerMayClose,
                  int shareHandle);
// Adds a file, or a file image, as a source of the stream sound `handle`.
int AddStreamSoundFile(const char* fileName, int loop, int handle, int dataKind, int shareHandle);
int AddStreamSoundImage(const void* image, int32_t size, int loop, int handle, int dataKind, int shareHandle);
// Puts a stream that is neither playing nor started at its start and fills the first
// three quarters of a second.
int PrepareStreamSound(int handle);
// 0, or 1 when the stream plays and from-top is 0 (left alone). The caller holds the lock.
int SetupStreamSoundPlay(int handle, SoundBuffer** buffer, SoundRecord* record, int playType, int fromTop);
int PlayStreamSound(int handle, int playType, int fromTop);
// Stops the play buffer; the stream stays started, so a later play resumes.
int StopStreamSoundBuffer(int handle);
// 1 playing, 0 not (or another stream holds the shared buffer), -1 bad handle.
int CheckStreamSoundPlaying(int handle);
// Stops the stream and puts it at the sample of that time in its first source (rounded
// up, never past its end), so that the next play starts there; the decoder seeks to the
// exact sample when the play fills the buffer. -1 (logged) for a negative time.
int SetStreamSoundCurrentTime(int handle, int milliseconds);
// The play position in milliseconds, never past the sound's length.
int GetStreamSoundCurrentTime(int handle);
int GetStreamSoundTotalSample(int handle);
// The buffer a stream plays through (its own or the one it shares), claimed for it when
// free; another user keeps it unless `takeOver`, which stops that user. A memory sound
// gets its first buffer. 0 or -1.
int GetStreamPlayBuffer(int handle, SoundRecord* record, SoundBuffer** buffer, int takeOver);
// Moves the play position by how far the cursor went (read from the buffer for -1),
// taking a pending jump when the cursor passed its offset.
int RefreshStreamPlayPosition(int handle, int64_t cursor);
// Decodes up to `size` bytes into the free room of a locked region. Bytes written.
uint32_t FillStreamFromConvert(StreamLockRegion* region, SoundConvert* convert, uint32_t size);
// Called when the current source gave nothing: repeat it, jump, go to the next source, or
// write the end (then -1).
int AdvanceStreamSource(SoundRecord* record, StreamLockRegion* region, uint32_t cursor);
// 0, or -1 when nothing could be written (the cursor is inside the guard zone).
int RefillStreamSound(int handle);
// Ends the sources of a stream sound that is being deleted.
void ReleaseStreamSources(SoundRecord* record);

}  // namespace orvik
