// The MIDI sequencer behind the MCI device and the DirectMusic performance: it walks a
// parsed sequence in step with the mixer, handing each event to the synthesiser at its
// sample frame, plays it again as many times as asked, and posts the notify message to
// the window given with the play once the sequence has ended.
#pragma once
#include <cstdint>
#include <memory>

#include "host/dsound/mixer_source.h"
#include "host/mci/midi_file.h"
#include "host/mci/midi_synth.h"
#include "host/win/system/types.h"

namespace host {

class Sequencer final : public MixerSource {
public:
    static constexpr uint32_t kRepeatForever = 0xFFFFFFFFu;

    // Every call must be made under DirectSoundLock(), as the mixer calls Render.
    // The synthesiser may be shared with later sequencers (a performance keeps one for
    // every segment it plays); one sequencer plays through it at a time.
    Sequencer(MidiSequence sequence, std::shared_ptr<MidiSynth> synth, uint32_t deviceId);
    // Plays from the position, then `repeats` more times from the start
    // (kRepeatForever: until stopped).
    void Play(uint32_t fromMilliseconds, HWND notifyWindow, uint32_t repeats = 0);
    // Stops where it is; the notes die away.
    void Stop();
    bool Playing() const { return playing_; }
    const std::shared_ptr<MidiSynth>& Synth() const { return synth_; }
    uint32_t PositionMilliseconds() const;
    uint32_t LengthMilliseconds() const;
    void Render(int32_t* acc, uint32_t frames, uint32_t rate) override;

private:
    void Seek(double seconds);
    void Finish();
    // At the end of a time through: true when the sequence starts again from the top.
    bool Repeat(uint32_t rate);

    MidiSequence sequence_;
    std::shared_ptr<MidiSynth> synth_;
    uint32_t deviceId_;
    size_t next_ = 0;        // next event to play
    double seconds_ = 0;     // play position
    bool playing_ = false;
    uint32_t repeats_ = 0;   // times still to play again
    HWND notify_ = nullptr;  // window told of the end, or null
};

}  // namespace host
