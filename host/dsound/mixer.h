// The software mixer: every playing secondary buffer is mixed into interleaved signed
// 16-bit stereo at the output rate, summed with saturation. Outputs (the SDL audio
// callback, the headless output) pull frames from it; pulling moves every buffer's play
// cursor by exactly the source frames consumed.
#pragma once
#include <cstdint>
#include <mutex>
#include <span>

namespace host {

// The one lock of the sound hardware. Every buffer call takes it; the engine's sound
// system uses it as its own lock, so that a refill that locks, writes and unlocks a
// buffer is never interleaved with a mix.
std::recursive_timed_mutex& DirectSoundLock();

void SetMixerOutputRate(uint32_t samplesPerSecond);
uint32_t MixerOutputRate();
// Frames mixed since the last reset, over all outputs.
uint64_t MixerFramesMixed();

// Mixes out.size() / 2 stereo frames into out (an odd trailing sample is set to 0).
void MixAudio(std::span<int16_t> out);
// As MixAudio, but gives up after waiting `waitMilliseconds` for the lock: out is then
// silence, no cursor moves, and the result is false. For a real-time output thread that
// must not stall behind a long load.
bool TryMixAudio(std::span<int16_t> out, uint32_t waitMilliseconds);

// Amplitude factor of a level in hundredths of a decibel, 10^(level/2000), in units of
// 1/32768; -10000 and below give 0, 0 and above 32768.
int32_t AmplitudeQ15(int32_t hundredthsOfDecibel);

}  // namespace host
