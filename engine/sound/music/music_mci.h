// The one MCI sequencer device that plays music handles, and the temporary MIDI file it
// reads. Main thread only.
#pragma once
#include <cstdint>

namespace orvik {

// Writes the MIDI image to a new temporary file and plays it from the start on a newly
// opened sequencer, looping when asked; the device and file of an earlier play go first.
// 0, or -1 with a log line.
int PlayMidiOnMci(const uint8_t* image, uint32_t size, bool loop);
// Closes the device if it is open and clears the loop and playing flags.
void CloseMidiMci();
// Deletes the temporary MIDI file when there is one.
void RemoveMusicTempFile();

}  // namespace orvik
