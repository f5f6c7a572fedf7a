// The audio output of the headless backend: no device. Time passes through
// HeadlessAudioAdvance, which mixes exactly that many frames, so every cursor moves by an
// exact amount; the PCM it mixes is kept for tests to read back or to write to a WAV
// file. Opened through the backend, the output is also pulled on the real clock while
// the manual clock is off (host/backends/headless/headless_audio_clock.h).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace host {

// Sets the output rate (stereo, signed 16-bit) and starts with an empty capture.
// Returns 0, or -1 for a rate of 0.
int OpenHeadlessAudio(uint32_t samplesPerSecond);
void CloseHeadlessAudio();
bool IsHeadlessAudioOpen();

// Mixes `frames` frames and appends them to the capture; -1 when the output is closed.
int HeadlessAudioAdvance(uint32_t frames);

// The PCM mixed since opening (or the last clear), interleaved left/right.
const std::vector<int16_t>& HeadlessAudioCapture();
void ClearHeadlessAudioCapture();

// Writes the capture as a 16-bit stereo PCM WAV file at the output rate; 0 or -1.
int WriteHeadlessAudioWav(const std::string& path);

}  // namespace host
