// Internals of playing a memory sound.
#pragma once
#include <cstdint>

#include "engine/sound/core/sound_record.h"

namespace orvik {

// Moves the rotation on and readies its buffer: 0 ready, 1 the buffer plays and is left
// alone (from-top 0), -1 the buffer is missing or unreadable.
int PrepareSoundBufferPlay(SoundRecord* record, int fromTop);
// Sends the record's volume, pan and frequency (or its one-play values, used once) to a
// buffer.
void ApplyPlaySettings(SoundRecord* record, SoundBuffer* buffer);
// Waits while `check` (CheckSoundPlaying unless given) says the handle plays, pumping
// messages; ends early when the program is ending.
void WaitWhilePlaying(int handle, int (*check)(int) = nullptr);
// A volume of 0 ... 255 as a level in hundredths of a decibel (log10 law, -10000 floor).
int32_t VolumeToLevel(int volume);

}  // namespace orvik
