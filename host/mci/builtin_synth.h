// The small synthesiser that plays MIDI when no General MIDI sound font is installed:
// sine voices for most instruments, square for organs and synth leads, short noise
// bursts on the percussion channel; each voice has an attack, decay, sustain and release
// envelope. Exact instrument timbres are not the aim: the music is to be heard at the
// right pitches, times and levels.
#pragma once
#include <array>
#include <cstdint>

#include "host/mci/midi_synth.h"

namespace host {

class BuiltinMidiSynth final : public MidiSynth {
public:
    BuiltinMidiSynth();
    void Message(uint8_t status, uint8_t data1, uint8_t data2) override;
    void AllNotesOff() override;
    void Reset() override;
    void Render(int32_t* acc, uint32_t frames, uint32_t rate) override;
    uint32_t SoundingVoices() const override;

private:
    enum class Wave : uint8_t { kSine, kSquare, kNoise };
    enum class Stage : uint8_t { kOff, kAttack, kDecay, kSustain, kRelease };
    struct Voice {
        Stage stage = Stage::kOff;
        Wave wave = Wave::kSine;
        uint8_t channel = 0, key = 0;
        double phase = 0;
        double level = 0;  // envelope, 0 ... 1
        double velocity = 0;
        uint32_t noise = 1;   // percussion's noise generator
        uint64_t started = 0;  // for stealing the oldest voice
    };
    struct Channel {
        uint8_t program = 0, volume = 100, expression = 127, pan = 64;
        int32_t bend = 0;  // -8192 ... 8191, two semitones either way
    };

    void NoteOn(uint8_t channel, uint8_t key, uint8_t velocity);
    void NoteOff(uint8_t channel, uint8_t key);
    void Controller(uint8_t channel, uint8_t number, uint8_t value);
    Voice& FreeVoice();
    double Sample(Voice& v, double frequency, uint32_t rate);
    static void StepEnvelope(Voice& v, uint32_t rate);

    std::array<Voice, 32> voices_;
    std::array<Channel, 16> channels_;
    uint64_t noteCounter_ = 0;
};

}  // namespace host
