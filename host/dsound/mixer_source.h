// Sounds that the mixer adds to its output besides the secondary buffers (the MIDI
// sequencer's synthesiser), and a tap that sees every block it puts out (the engine's
// capture file). Both are called under DirectSoundLock().
#pragma once
#include <cstddef>
#include <cstdint>

namespace host {

class MixerSource {
public:
    // Adds `frames` stereo frames at `rate` into acc (interleaved 32-bit sums).
    virtual void Render(int32_t* acc, uint32_t frames, uint32_t rate) = 0;

protected:
    ~MixerSource() = default;
};

// A source is mixed from its adding until its removal; the caller keeps it alive.
void AddMixerSource(MixerSource* source);
void RemoveMixerSource(MixerSource* source);

using MixTap = void (*)(const int16_t* samples, size_t frames, void* user);
// One tap at a time; null removes it.
void SetMixerTap(MixTap tap, void* user);

}  // namespace host
