// What the sequencer plays through: a General MIDI synthesiser that takes channel
// messages and adds its sound into the mixer's buffer. The one made for a sequence
// renders through FluidSynth with a General MIDI sound font, or, when no sound font can
// be loaded, through the small built-in synthesiser.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace host {

class MidiSynth {
public:
    virtual ~MidiSynth() = default;
    // A channel message (status 0x80 ... 0xEF).
    virtual void Message(uint8_t status, uint8_t data1, uint8_t data2) = 0;
    // Every sounding note goes into its release.
    virtual void AllNotesOff() = 0;
    // Silences everything at once and puts programs and controllers back to their defaults.
    virtual void Reset() = 0;
    // As new, for another play: reset, and the effects' echoes of earlier music silenced.
    virtual void Renew() { Reset(); }
    // Adds `frames` stereo frames at `rate` into acc.
    virtual void Render(int32_t* acc, uint32_t frames, uint32_t rate) = 0;
    // The voices sounding now (a note may take more than one).
    virtual uint32_t SoundingVoices() const = 0;
    bool Sounding() const { return SoundingVoices() > 0; }
    // Whether it renders at `rate` as it is, without converting its output.
    virtual bool RendersAt(uint32_t) const { return true; }
    // How many frames before its time an event should be handed over. A synthesiser that
    // starts notes only at the boundaries of its render blocks asks for half a block, so
    // that every note starts at the boundary nearest its time.
    virtual uint32_t LeadFrames() const { return 0; }
};

// The sound fonts tried in order: the one named by ORVIK_SOUNDFONT, the player's own
// (~/.local/share/sounds/sf2/default-GM.sf2), then Debian's General MIDI fonts.
std::vector<std::string> SoundFontSearchPaths();
// For tests: the paths to try instead (an empty list finds none); ResetSoundFontSearch
// goes back to the usual ones.
void SetSoundFontSearchPaths(std::vector<std::string> paths);
void ResetSoundFontSearch();

// The most voices a General MIDI synthesiser sounds at once: room for the held notes of
// busy music on all sixteen channels, while the releases of the oldest notes give way to
// new ones. Such music (bench/audio) then takes about 4 per cent of a core; 256 voices,
// FluidSynth's own default, twice that.
constexpr int kMidiSynthVoices = 128;

// The synthesiser over the first sound font that loads, made for `rate`; the built-in
// one, with a line on standard error saying so, when none does.
std::unique_ptr<MidiSynth> MakeMidiSynth(uint32_t rate);

// Synthesisers for plays. Making one loads the sound font into it (tens of milliseconds)
// and FluidSynth keeps a little of every synthesiser it has made, so a play gives its
// synthesiser back when it is done and a later play takes it again: silent, with every
// program and controller at its default. One is made (MakeMidiSynth) when none given
// back renders at `rate`. A few are kept; the search paths above changing drops them.
std::shared_ptr<MidiSynth> TakeMidiSynth(uint32_t rate);
void GiveBackMidiSynth(std::shared_ptr<MidiSynth> synth);
// For tests: how many synthesisers MakeMidiSynth has made.
uint32_t MidiSynthsMade();

}  // namespace host
