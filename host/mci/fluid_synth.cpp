// FluidSynth renders whole blocks of 64 frames and starts a note at the first block after
// it is asked for; the lead it asks of the sequencer puts each note on the nearest block
// boundary, well within a millisecond of its time. The synth stays at the rate it was made
// for: when the mixer's rate changes, its output is converted to the new rate, so notes
// held and notes dying away go on as they were.
#include "host/mci/fluid_synth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <mutex>
#include <vector>

#include "host/dsound/rate_converter.h"

namespace host {

namespace {

constexpr uint32_t kBlockFrames = 64;  // FluidSynth's fixed render block
// The rates FluidSynth renders at; for a mixer beyond them it renders at the nearest one
// and its output is converted.
constexpr uint32_t kLowestRate = 8000, kHighestRate = 96000;
constexpr int kSustainPedal = 64, kSostenutoPedal = 66;

// FluidSynth's own messages go nowhere: failures are reported by our callers.
void QuietFluidLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) fluid_set_log_function(level, nullptr, nullptr);
    });
}

// A RIFF file of form "sfbk". Anything else is refused before FluidSynth's loaders, which
// would try other formats through libraries that complain on standard error, see it.
bool LooksLikeSoundFont(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[12] = {};
    return in.read(head, sizeof head) && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "sfbk", 4) == 0;
}

struct SettingsDeleter {
    void operator()(fluid_settings_t* s) const { delete_fluid_settings(s); }
};
struct SynthDeleter {
    void operator()(fluid_synth_t* s) const { delete_fluid_synth(s); }
};

class FluidMidiSynth final : public MidiSynth {
public:
    explicit FluidMidiSynth(std::string soundFont) : soundFont_(std::move(soundFont)) {}

    // Makes the synth for `rate` and loads the sound font into it; false when it fails.
    bool Open(uint32_t rate) {
        if (!MakeSynth(rate)) return false;
        if (fluid_synth_sfload(synth_.get(), soundFont_.c_str(), 1) == FLUID_FAILED) {
            synth_.reset();
            return false;
        }
        return true;
    }

    void Message(uint8_t status, uint8_t data1, uint8_t data2) override { Send(status, data1, data2); }

    // The pedals are let go first: a note they hold would otherwise sound on after the
    // music has stopped, as nothing comes to lift them.
    void AllNotesOff() override {
        fluid_synth_t* s = synth_.get();
        if (!s) return;
        for (int channel = 0, n = fluid_synth_count_midi_channels(s); channel < n; ++channel)
            for (int pedal : {kSustainPedal, kSostenutoPedal}) fluid_synth_cc(s, channel, pedal, 0);
        fluid_synth_all_notes_off(s, -1);
    }

    // A reset also ends the render block under way: what is left of it is sound from
    // before the reset, and the notes after it start on the block boundaries a new
    // synthesiser would have.
    void Reset() override {
        if (!synth_) return;
        fluid_synth_system_reset(synth_.get());
        if (const uint32_t rest = uint32_t(kBlockFrames - written_ % kBlockFrames); rest < kBlockFrames) {
            float left[kBlockFrames], right[kBlockFrames];
            Write(left, right, rest);
        }
    }

    // The reverb and chorus lines are cleared only when the rate is set; the call is
    // deprecated as a way to change the rate, which it does not do here.
    void Renew() override {
        Reset();
        if (!synth_) return;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        fluid_synth_set_sample_rate(synth_.get(), float(rate_));
#pragma GCC diagnostic pop
    }

    void Render(int32_t* acc, uint32_t frames, uint32_t rate) override {
        if (frames == 0 || rate == 0 || !synth_) return;
        left_.resize(std::max<size_t>(left_.size(), frames));
        right_.resize(left_.size());
        if (rate == rate_ && converter_.Idle()) {
            Write(left_.data(), right_.data(), frames);
            converter_.Follow(left_[frames - 1], right_[frames - 1]);
        } else {
            converter_.Convert(left_.data(), right_.data(), frames, double(rate_) / double(rate),
                               [this](float* left, float* right, uint32_t n) { Write(left, right, n); });
        }
        for (uint32_t i = 0; i < frames; ++i) {
            acc[2 * i] += int32_t(std::lrint(left_[i] * 32767.0f));
            acc[2 * i + 1] += int32_t(std::lrint(right_[i] * 32767.0f));
        }
    }

    uint32_t SoundingVoices() const override {
        return synth_ ? uint32_t(std::max(0, fluid_synth_get_active_voice_count(synth_.get()))) : 0;
    }

    bool RendersAt(uint32_t rate) const override { return std::clamp(rate, kLowestRate, kHighestRate) == rate_; }

    uint32_t LeadFrames() const override { return kBlockFrames / 2; }

private:
    // The synth for `rate`, with no sound font yet; false when FluidSynth fails.
    bool MakeSynth(uint32_t rate) {
        rate = std::clamp(rate, kLowestRate, kHighestRate);
        settings_.reset(new_fluid_settings());
        if (!settings_ || fluid_settings_setnum(settings_.get(), "synth.sample-rate", double(rate)) != FLUID_OK)
            return false;
        // Every call comes under the mixer's lock already.
        fluid_settings_setint(settings_.get(), "synth.threadsafe-api", 0);
        fluid_settings_setint(settings_.get(), "synth.lock-memory", 0);
        fluid_settings_setint(settings_.get(), "synth.polyphony", kMidiSynthVoices);
        synth_.reset(new_fluid_synth(settings_.get()));
        rate_ = rate;
        return synth_ != nullptr;
    }

    void Send(uint8_t status, uint8_t data1, uint8_t data2) {
        fluid_synth_t* s = synth_.get();
        if (!s) return;
        const int channel = status & 0x0F;
        switch (status & 0xF0) {
        case 0x80: fluid_synth_noteoff(s, channel, data1); break;
        case 0x90:
            if (data2) fluid_synth_noteon(s, channel, data1, data2);
            else fluid_synth_noteoff(s, channel, data1);
            break;
        case 0xA0: fluid_synth_key_pressure(s, channel, data1, data2); break;
        case 0xB0: fluid_synth_cc(s, channel, data1, data2); break;  // bank select, all notes off... too
        case 0xC0: fluid_synth_program_change(s, channel, data1); break;
        case 0xD0: fluid_synth_channel_pressure(s, channel, data1); break;
        case 0xE0: fluid_synth_pitch_bend(s, channel, data1 | data2 << 7); break;
        default: break;
        }
    }

    void Write(float* left, float* right, uint32_t frames) {
        fluid_synth_write_float(synth_.get(), int(frames), left, 0, 1, right, 0, 1);
        written_ += frames;
    }

    std::string soundFont_;
    std::unique_ptr<fluid_settings_t, SettingsDeleter> settings_;
    std::unique_ptr<fluid_synth_t, SynthDeleter> synth_;
    uint32_t rate_ = 0;
    uint64_t written_ = 0;  // frames rendered, which tells where in its block the synth is
    std::vector<float> left_, right_;
    RateConverter converter_;
};

}  // namespace

std::unique_ptr<MidiSynth> MakeFluidMidiSynth(const std::string& soundFont, uint32_t rate) {
    if (!LooksLikeSoundFont(soundFont)) return nullptr;
    QuietFluidLog();
    auto synth = std::make_unique<FluidMidiSynth>(soundFont);
    if (!synth->Open(rate)) return nullptr;
    return synth;
}

}  // namespace host
