// The audio output of the sdl backend: an SDL2 audio device whose callback pulls
// interleaved signed 16-bit stereo from the mixer. The backend table plugs these two
// functions into its audio-output slot; nothing here includes SDL for its users.
#pragma once
#include <cstdint>

namespace host {

// Opens the default output device for `samplesPerSecond` stereo 16-bit with about
// `framesPerCallback` frames per pull (a power of two is best), sets the mixer's rate to
// what the device gives and starts it. Where no device opens, SDL's dummy driver pulls
// instead (silence, at the same pace) and one line on stderr says so. Returns 0, or -1
// (SDL_GetError's text on stderr) when not even that starts; the mixer then simply has
// no output.
int OpenSdlAudioOutput(uint32_t samplesPerSecond, uint32_t framesPerCallback);
// Stops the callback and closes the device; nothing when none is open.
void CloseSdlAudioOutput();
bool IsSdlAudioOutputOpen();

}  // namespace host
