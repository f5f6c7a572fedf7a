// The walk over a RIFF WAVE file that both WAVE decoders share.
#pragma once
#include <cstdint>

#include "engine/sound/decoders/sound_convert.h"

namespace orvik {

// Reads "RIFF", "WAVE", an optional "bext" chunk and the "fmt " chunk, which must come
// first behind it. On success the fmt chunk's data is in a new tracked block of at least
// `minimumBytes` (the rest cleared), its position and size are in the record, and the
// stream stands behind it. -1 otherwise (kDecoderShortOfMemory when the block cannot be
// had), with nothing held.
int ReadWaveFmtChunk(SoundConvert* record, uint32_t minimumBytes, uint8_t** fmtData);
// Walks on to the "data" chunk (odd sizes padded) and notes its position and size,
// the size cut to what the stream holds. The stream is left at the first data byte.
int FindWaveDataChunk(SoundConvert* record);
// A 16-byte PCM fmt chunk carries no trustworthy sample width: it is taken from the
// block align. -1 for 0 channels.
int FixShortPcmFormat(host::WAVEFORMATEX* format, uint32_t fmtSize);

}  // namespace orvik
