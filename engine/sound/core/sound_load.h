// Loading sounds: whole files into memory, decoding to PCM and the buffers of a handle.
#pragma once
#include <cstdint>

#include "engine/sound/decoders/sound_convert.h"
#include "engine/sound/core/sound_record.h"

namespace orvik {

int LoadSoundCore(const char* fileName, int bufferCount, int shareHandle);
// Reads a whole file through the file operations into a new tracked block. A file that
// reads short is refused rather than handed out half unwritten. 0 or -1.
int LoadFileToMemory(const char* fileName, uint8_t** image, int32_t* size);
int ReadStreamToMemory(const StreamDescriptor* stream, uint8_t** data, int32_t* size);
// A RIFF WAVE file image around PCM (no pad byte after odd chunks). 0 or -1.
int MakeWaveFileImage(uint8_t** image, int32_t* size, const void* format, int32_t formatSize, const void* pcm,
                      int32_t pcmSize);
int ConvertSoundWhole(SoundConvert* record, host::WAVEFORMATEX* format, uint8_t** pcm, int32_t* pcmSize);
// The buffers of a handle: kind 0 a buffer of the PCM and duplicates of it, kind 1 one
// second of looping play buffer. 0 or -1.
int CreateSoundHandleBuffers(const host::WAVEFORMATEX* format, int32_t pcmSize, int kind, int bufferCount,
                             int handle);

}  // namespace orvik
