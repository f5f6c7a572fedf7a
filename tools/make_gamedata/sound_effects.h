// The eleven sound effects in "Data02", synthesised: 16-bit mono PCM WAVE, each under
// a second.
#pragma once
#include <span>

#include "tools/make_gamedata/bytes.h"
#include "tools/make_gamedata/synth.h"

namespace gamedata {

constexpr int kEffectRate = 22050;

struct SoundEffectDef {
  const char* path;
  Samples (*make)();
};

std::span<const SoundEffectDef> SoundEffects();
Bytes MakeSoundEffect(const SoundEffectDef& effect);

}  // namespace gamedata
