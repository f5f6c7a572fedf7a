// FluidSynth renders whole blocks of 64 frames and starts a note at the first block after
// it is asked for; the lead it asks of the sequencer puts each note on the nearest block
// boundary, well within a millisecond of its time. The synth is made for one sample rate:
// when the mixer's rate changes a synth for the new rate takes over the sound font already
// loaded (reading it again would stall the mixer), and the channel state and the notes
// held are replayed into it, so the music goes on.
#include "host/mci/fluid_synth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <vector>

namespace host {

namespace {

constexpr uint32_t kBlockFrames = 64;  // FluidSynth's fixed render block
constexpr int kPolyphony = 64;

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

    void Message(uint8_t status, uint8_t data1, uint8_t data2) override {
        Send(status, data1, data2);
        Remember(status, data1, data2);
        Hold(status, data1, data2);
    }

    void AllNotesOff() override {
        if (synth_) fluid_synth_all_notes_off(synth_.get(), -1);
        ForgetNotes();
    }

    void Reset() override {
        if (synth_) fluid_synth_system_reset(synth_.get());
        state_.clear();
        ForgetNotes();
        pedal_.reset();
    }

    void Render(int32_t* acc, uint32_t frames, uint32_t rate) override {
        if (frames == 0) return;
        if (rate != rate_) Remake(rate);
        if (!synth_) return;
        left_.resize(std::max<size_t>(left_.size(), frames));
        right_.resize(left_.size());
        fluid_synth_write_float(synth_.get(), int(frames), left_.data(), 0, 1, right_.data(), 0, 1);
        for (uint32_t i = 0; i < frames; ++i) {
            acc[2 * i] += int32_t(std::lrint(left_[i] * 32767.0f));
            acc[2 * i + 1] += int32_t(std::lrint(right_[i] * 32767.0f));
        }
    }

    bool Sounding() const override { return synth_ && fluid_synth_get_active_voice_count(synth_.get()) > 0; }

    uint32_t LeadFrames() const override { return kBlockFrames / 2; }

private:
    // A fresh synth for `rate`, with no sound font yet; false when FluidSynth fails.
    bool MakeSynth(uint32_t rate) {
        synth_.reset();
        settings_.reset(new_fluid_settings());
        if (!settings_) return false;
        fluid_settings_setnum(settings_.get(), "synth.sample-rate", double(rate));
        // Every call comes under the mixer's lock already.
        fluid_settings_setint(settings_.get(), "synth.threadsafe-api", 0);
        fluid_settings_setint(settings_.get(), "synth.lock-memory", 0);
        // The voices of a General MIDI module of the time: busy music stays under a few
        // per cent of a core, as the releases of its oldest notes give way to new ones.
        fluid_settings_setint(settings_.get(), "synth.polyphony", kPolyphony);
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

    // The last message of each kind that sets a channel's state (a controller, program,
    // pressure or bend), in the order they came, for replaying into a remade synth.
    void Remember(uint8_t status, uint8_t data1, uint8_t data2) {
        const uint8_t kind = status & 0xF0;
        if (kind == 0x80 || kind == 0x90 || kind == 0xA0) return;  // notes do not outlive a remake
        if (kind == 0xB0 && (data1 == 120 || data1 == 123)) return;  // nor does silencing them
        std::erase_if(state_, [&](const std::array<uint8_t, 3>& m) {
            return m[0] == status && (kind != 0xB0 || m[1] == data1);
        });
        state_.push_back({status, data1, data2});
    }

    // The velocity of each key sounding on each channel (0: up), held down or, once let
    // go, by the sustain pedal, for replaying.
    void Hold(uint8_t status, uint8_t data1, uint8_t data2) {
        const int channel = status & 0x0F;
        auto& keys = held_[size_t(channel)];
        auto& pedalled = pedalled_[size_t(channel)];
        const int key = data1 & 0x7F;
        switch (status & 0xF0) {
        case 0x80: Release(channel, key); break;
        case 0x90:
            if (data2 == 0) return Release(channel, key);
            keys[size_t(key)] = data2;
            pedalled.reset(size_t(key));
            break;
        case 0xB0:
            if (data1 == 64 && data2 >= 64) pedal_.set(size_t(channel));
            if ((data1 == 64 && data2 < 64) || data1 == 121) {
                pedal_.reset(size_t(channel));
                for (size_t k = 0; k < 128; ++k)
                    if (pedalled.test(k)) keys[k] = 0;
                pedalled.reset();
            }
            if (data1 == 120 || data1 == 123) {
                keys = {};
                pedalled.reset();
            }
            break;
        default: break;
        }
    }

    void ForgetNotes() {
        held_ = {};
        for (auto& keys : pedalled_) keys.reset();
    }

    void Release(int channel, int key) {
        if (pedal_.test(size_t(channel)) && held_[size_t(channel)][size_t(key)])
            pedalled_[size_t(channel)].set(size_t(key));
        else
            held_[size_t(channel)][size_t(key)] = 0;
    }

    // The old synth gives up its sound font to the new one before it goes, so its voices
    // end and the font is freed once, with the synth that holds it last. A synth that
    // cannot be made leaves the music silent (said once) rather than tried again on
    // every block.
    void Remake(uint32_t rate) {
        // Declared in this order so that the old synth goes before its settings.
        std::unique_ptr<fluid_settings_t, SettingsDeleter> oldSettings = std::move(settings_);
        std::unique_ptr<fluid_synth_t, SynthDeleter> old = std::move(synth_);
        fluid_sfont_t* font = old ? fluid_synth_get_sfont(old.get(), 0) : nullptr;
        if (!font || !MakeSynth(rate) || fluid_synth_add_sfont(synth_.get(), font) == FLUID_FAILED) {
            synth_.reset();
            rate_ = rate;
            if (font)
                std::fprintf(stderr, "orvik: no synthesiser could be made for %u Hz; MIDI music is silent\n", rate);
            return;
        }
        fluid_synth_remove_sfont(old.get(), font);
        old.reset();
        for (const auto& m : state_) Send(m[0], m[1], m[2]);
        // After the pedal went down again with the channel state, a key it holds is struck
        // and let go at once, to sound on as it did.
        for (int channel = 0; channel < 16; ++channel)
            for (int key = 0; key < 128; ++key)
                if (const uint8_t velocity = held_[size_t(channel)][size_t(key)]) {
                    Send(uint8_t(0x90 | channel), uint8_t(key), velocity);
                    if (pedalled_[size_t(channel)].test(size_t(key))) Send(uint8_t(0x80 | channel), uint8_t(key), 0);
                }
    }

    std::string soundFont_;
    std::unique_ptr<fluid_settings_t, SettingsDeleter> settings_;
    std::unique_ptr<fluid_synth_t, SynthDeleter> synth_;
    uint32_t rate_ = 0;
    std::vector<float> left_, right_;
    std::vector<std::array<uint8_t, 3>> state_;
    std::array<std::array<uint8_t, 128>, 16> held_{};
    std::array<std::bitset<128>, 16> pedalled_{};
    std::bitset<16> pedal_;
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
