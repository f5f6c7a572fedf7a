// Stream sounds: sounds decoded a piece at a time while they play. Loading turns a
// sound into one when its PCM is too long to hold, or when the load mode asks for it.
#pragma once
#include <cstdint>

#include "engine/sound/sound_record.h"

namespace orvik {

// Adds a file, or a file image, as a source of the stream sound `handle`. 0 or -1.
int AddStreamSoundFile(const char* fileName, int loop, int handle, int loadMode, int shareHandle);
int AddStreamSoundImage(const void* image, int32_t size, int loop, int handle, int loadMode, int shareHandle);
int PrepareStreamSound(int handle);
int PlayStreamSound(int handle, int playType, int fromTop);
int StopStreamSoundBuffer(int handle);
int CheckStreamSoundPlaying(int handle);
int GetStreamSoundCurrentTime(int handle);
int GetStreamSoundTotalSample(int handle);
// Ends the sources of a stream sound that is being deleted.
void ReleaseStreamSources(SoundRecord* record);

}  // namespace orvik
