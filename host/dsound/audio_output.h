// The machine's audio output behind the mixer: the audio-output slot of the backend in
// use (SDL audio, or the headless capture). The sound system opens it when its device
// starts and closes it when the device goes.
#pragma once
#include <cstdint>

namespace host {

// Opens the backend's output at the rate asked (stereo, signed 16-bit, pulling from the
// mixer). 0, or -1 when there is no backend or it has no output; the mixer then simply
// is not heard. A second open while one is open does nothing and returns 0.
int OpenAudioOutput(uint32_t samplesPerSecond);
// Closes the output opened above; nothing when none is open.
void CloseAudioOutput();
// Whether an output is open, so that the mixer is being pulled.
bool IsAudioOutputOpen();

}  // namespace host
