// What the two compression-manager decoders share: finding the PCM format to decode to,
// taking the source data into memory and opening the main and spare streams.
#pragma once
#include "engine/sound/decoders/sound_convert.h"

namespace orvik {

// Every entry the decoders call was found in "msacm32.dll".
bool AcmAvailable();
// Asks the manager for the PCM format of the source format block; 0 or -1.
int SuggestAcmOutputFormat(SoundConvert* record);
// Reads the data (data position, data size) into memory, puts the stream back at the
// data position, and opens the main and the spare stream. 0, -1, or kDecoderShortOfMemory
// when the data's copy or a stream cannot have the memory it needs.
int LoadAcmSourceAndOpen(SoundConvert* record);
// Closes the streams and frees the source format and data; safe on a half-made state.
void ReleaseAcmState(SoundConvert* record);
// Sets the block size to `bytes`, raised to what one conversion step can give and
// limited as every block is. Needs the main stream.
void SetAcmBlockSize(SoundConvert* record, uint64_t bytes);

}  // namespace orvik
