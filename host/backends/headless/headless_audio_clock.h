// The headless backend's audio output pulled as a sound card pulls it: a block of mixed
// sound at a time, on the real clock, so that a program without a display or a sound
// device still hears its sounds to their end. While the manual clock is on, a test has
// taken control: the clock stands still and only HeadlessAudioAdvance moves the sound,
// by exactly the frames it is asked for.
#pragma once
#include <cstdint>

namespace host {

// Starts pulling `framesPerPull` frames at a time from the mixer at its output rate;
// what is pulled is not kept. A second start while running does nothing. False when the
// system refuses the puller's thread.
bool StartHeadlessAudioClock(uint32_t framesPerPull);
// Stops and joins the puller; nothing when none runs.
void StopHeadlessAudioClock();

}  // namespace host
