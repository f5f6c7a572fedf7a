// MIDI files from outside bytes: the reader parses the input, and a sequence it accepts is
// played by the sequencer into a mix, sought to its middle and played again, then stopped.
// The sequencer plays through the synthesiser the MCI device uses, made once: each play
// resets it.
#include <memory>
#include <mutex>
#include <vector>

#include "host/dsound/mixer.h"
#include "host/mci/midi_file.h"
#include "host/mci/midi_synth.h"
#include "host/mci/sequencer.h"

namespace {

constexpr uint32_t kRate = 22050;
constexpr uint32_t kBlock = 1024;
constexpr int kBlocks = 16;

void PlayBlocks(host::Sequencer& s) {
    std::vector<int32_t> mix(2 * kBlock);
    for (int i = 0; i < kBlocks && s.Playing(); ++i) s.Render(mix.data(), kBlock, kRate);
    s.PositionMilliseconds();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0;
    host::MidiSequence sequence;
    if (!host::ParseMidiFile({data, size}, &sequence)) return 0;
    static const std::shared_ptr<host::MidiSynth> synth = host::MakeMidiSynth(kRate);
    std::lock_guard lock(host::DirectSoundLock());
    host::Sequencer s(std::move(sequence), synth, 1);
    s.Play(0, nullptr);
    PlayBlocks(s);
    s.Play(s.LengthMilliseconds() / 2, nullptr);
    PlayBlocks(s);
    s.Stop();
    return 0;
}
