// The PCM formats soft sounds take, and reading and writing one frame of them.
#pragma once
#include <cstdint>

#include "host/dsound/dsound_types.h"

namespace orvik {

// Plain PCM of 1 or 2 channels, 8 or 16 bits, 100 ... 200000 Hz; false (with a log line
// naming `caller`) for anything else.
bool MakeSoftSoundFormat(int channels, int bits, int rate, const char* caller, host::WAVEFORMATEX* format);
// Whether the values fit a sample of the format: 0 ... 255 for 8 bits, -32768 ... 32767
// for 16; `right` is ignored for one channel.
bool SoftSampleFits(const host::WAVEFORMATEX& format, int left, int right);
void PutSoftFrame(const host::WAVEFORMATEX& format, uint8_t* frame, int left, int right);
void GetSoftFrame(const host::WAVEFORMATEX& format, const uint8_t* frame, int* left, int* right);

}  // namespace orvik
