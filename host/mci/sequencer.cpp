#include "host/mci/sequencer.h"

#include <cmath>

#include "host/mci/mci.h"
#include "host/win/window/message_queue.h"

namespace host {

Sequencer::Sequencer(MidiSequence sequence, std::shared_ptr<MidiSynth> synth, uint32_t deviceId)
    : sequence_(std::move(sequence)), synth_(std::move(synth)), deviceId_(deviceId) {}

void Sequencer::Seek(double seconds) {
    synth_->Reset();
    seconds_ = seconds;
    next_ = 0;
    // Controller and program changes before the position still apply after it; notes do not.
    for (; next_ < sequence_.events.size() && sequence_.events[next_].seconds < seconds; ++next_) {
        const MidiEvent& e = sequence_.events[next_];
        const uint8_t kind = e.status & 0xF0;
        if (kind == 0xB0 || kind == 0xC0 || kind == 0xE0) synth_->Message(e.status, e.data1, e.data2);
    }
}

void Sequencer::Play(uint32_t fromMilliseconds, HWND notifyWindow, uint32_t repeats) {
    Seek(fromMilliseconds / 1000.0);
    notify_ = notifyWindow;
    playing_ = true;
    repeats_ = repeats;
}

void Sequencer::Stop() {
    playing_ = false;
    notify_ = nullptr;
    synth_->AllNotesOff();
}

uint32_t Sequencer::PositionMilliseconds() const { return uint32_t(std::lround(seconds_ * 1000)); }
uint32_t Sequencer::LengthMilliseconds() const { return uint32_t(std::lround(sequence_.lengthSeconds * 1000)); }

// A sequence shorter than one frame never plays again: it would start over without end
// inside one block.
bool Sequencer::Repeat(uint32_t rate) {
    if (repeats_ == 0 || std::llround(sequence_.lengthSeconds * rate) < 1) return false;
    if (repeats_ != kRepeatForever) --repeats_;
    Seek(0);
    return true;
}

void Sequencer::Finish() {
    playing_ = false;
    seconds_ = sequence_.lengthSeconds;
    synth_->AllNotesOff();
    if (notify_) PostMessageA(notify_, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, LPARAM(deviceId_));
    notify_ = nullptr;
}

void Sequencer::Render(int32_t* acc, uint32_t frames, uint32_t rate) {
    uint32_t done = 0;
    const double lead = synth_->LeadFrames() / double(rate);
    // Events that fall on the last frame of the block are taken too, so the end of the
    // sequence is seen as soon as its time is reached.
    while (playing_) {
        // Frames from the position to the next event (or the end), counted on the
        // sequence's own frame grid so that rounding never drifts. Events go to the synth
        // as early as it asks; the end stays where it is.
        const double at = next_ < sequence_.events.size() ? sequence_.events[next_].seconds - lead : sequence_.lengthSeconds;
        const int64_t here = std::llround(seconds_ * rate), there = std::llround(at * rate);
        const uint32_t span = uint32_t(std::min<int64_t>(std::max<int64_t>(there - here, 0), frames - done));
        synth_->Render(acc + 2 * done, span, rate);
        done += span;
        seconds_ = double(here + span) / rate;
        if (here + span < there) break;
        if (next_ == sequence_.events.size()) {
            if (Repeat(rate)) continue;
            Finish();
            break;
        }
        const MidiEvent& e = sequence_.events[next_++];
        synth_->Message(e.status, e.data1, e.data2);
        seconds_ = std::max(seconds_, e.seconds - lead);
    }
    if (done < frames) synth_->Render(acc + 2 * done, frames - done, rate);  // notes dying away
}

}  // namespace host
