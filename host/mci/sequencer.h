// The MIDI sequencer behind the MCI device: it walks a parsed sequence in step with the
// mixer, handing each event to the synthesiser at its sample frame, and posts the
// notify message to the window given with the play once the sequence has ended.
#pragma once
#include <cstdint>
#include <memory>

#include "host/dsound/mixer_source.h"
#include "host/mci/midi_file.h"
#include "host/mci/midi_synth.h"
#include "host/win/types.h"

namespace host {

class Sequencer final : public MixerSource {
public:
    // Every call must be made under DirectSoundLock(), as the mixer calls Render.
    Sequencer(MidiSequence sequence, std::unique_ptr<MidiSynth> synth, uint32_t deviceId);
    void Play(uint32_t fromMilliseconds, HWND notifyWindow);
    // Stops where it is; the notes die away.
    void Stop();
    bool Playing() const { return playing_; }
    uint32_t PositionMilliseconds() const;
    uint32_t LengthMilliseconds() const;
    void Render(int32_t* acc, uint32_t frames, uint32_t rate) override;

private:
    void Seek(double seconds);
    void Finish();

    MidiSequence sequence_;
    std::unique_ptr<MidiSynth> synth_;
    uint32_t deviceId_;
    size_t next_ = 0;        // next event to play
    double seconds_ = 0;     // play position
    bool playing_ = false;
    HWND notify_ = nullptr;  // window told of the end, or null
};

}  // namespace host
