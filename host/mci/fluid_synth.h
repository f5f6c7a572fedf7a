// The General MIDI synthesiser over FluidSynth.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "host/mci/midi_synth.h"

namespace host {

// Null when the sound font cannot be loaded.
std::unique_ptr<MidiSynth> MakeFluidMidiSynth(const std::string& soundFont, uint32_t rate);

}  // namespace host
