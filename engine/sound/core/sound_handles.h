// Making and deleting sound records, and the length and position queries.
#pragma once
#include <cstdint>

#include <orvik/sound.h>

namespace orvik {

// A new cleared record and its handle (-1 for a new handle; another value re-creates
// that handle in its own slot when the slot is free). -1 when the table is full.
int AddSoundData(int handle);
// samples x 1000 / rate, truncated; 0 for a rate of 0.
int SampleToMilliseconds(int64_t samples, int64_t rate);

}  // namespace orvik
