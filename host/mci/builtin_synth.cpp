#include "host/mci/builtin_synth.h"

#include <algorithm>
#include <cmath>

namespace host {

namespace {

constexpr uint8_t kPercussionChannel = 9;
constexpr double kAttackSeconds = 0.005, kDecaySeconds = 0.1, kSustainLevel = 0.6, kReleaseSeconds = 0.08;
constexpr double kPercussionDecaySeconds = 0.08;
constexpr double kVoiceAmplitude = 6000;  // a full-velocity note; many voices still fit

double KeyFrequency(uint8_t key, int32_t bend) {
    return 440.0 * std::pow(2.0, (double(key) - 69.0 + double(bend) / 4096.0) / 12.0);
}

// Organs (16-23) and synth leads (80-87) get the square wave; the rest are sines.
bool SquareProgram(uint8_t program) { return (program >= 16 && program <= 23) || (program >= 80 && program <= 87); }

}  // namespace

BuiltinMidiSynth::BuiltinMidiSynth() { Reset(); }

void BuiltinMidiSynth::Reset() {
    voices_.fill(Voice{});
    channels_.fill(Channel{});
}

void BuiltinMidiSynth::AllNotesOff() {
    for (Voice& v : voices_)
        if (v.stage != Stage::kOff) v.stage = Stage::kRelease;
}

uint32_t BuiltinMidiSynth::SoundingVoices() const {
    return uint32_t(std::count_if(voices_.begin(), voices_.end(), [](const Voice& v) { return v.stage != Stage::kOff; }));
}

void BuiltinMidiSynth::Message(uint8_t status, uint8_t data1, uint8_t data2) {
    const uint8_t channel = status & 0x0F;
    switch (status & 0xF0) {
    case 0x90:
        if (data2) NoteOn(channel, data1, data2);
        else NoteOff(channel, data1);
        break;
    case 0x80: NoteOff(channel, data1); break;
    case 0xB0: Controller(channel, data1, data2); break;
    case 0xC0: channels_[channel].program = data1; break;
    case 0xE0: channels_[channel].bend = int32_t(data1 | data2 << 7) - 8192; break;
    default: break;  // aftertouch changes nothing here
    }
}

void BuiltinMidiSynth::Controller(uint8_t channel, uint8_t number, uint8_t value) {
    Channel& c = channels_[channel];
    switch (number) {
    case 7: c.volume = value; break;
    case 10: c.pan = value; break;
    case 11: c.expression = value; break;
    case 120:  // all sound off
    case 123:  // all notes off
        for (Voice& v : voices_)
            if (v.channel == channel && v.stage != Stage::kOff) v.stage = number == 120 ? Stage::kOff : Stage::kRelease;
        break;
    case 121: c = Channel{.program = c.program}; break;  // reset the controllers
    default: break;
    }
}

BuiltinMidiSynth::Voice& BuiltinMidiSynth::FreeVoice() {
    Voice* oldest = &voices_[0];
    for (Voice& v : voices_) {
        if (v.stage == Stage::kOff) return v;
        if (v.started < oldest->started) oldest = &v;
    }
    return *oldest;
}

void BuiltinMidiSynth::NoteOn(uint8_t channel, uint8_t key, uint8_t velocity) {
    NoteOff(channel, key);  // a key struck again restarts its note
    Voice& v = FreeVoice();
    v = Voice{};
    v.stage = Stage::kAttack;
    v.channel = channel;
    v.key = key;
    v.velocity = double(velocity) / 127.0;
    v.started = ++noteCounter_;
    v.noise = 0x12345u + key;
    v.wave = channel == kPercussionChannel ? Wave::kNoise
             : SquareProgram(channels_[channel].program) ? Wave::kSquare
                                                          : Wave::kSine;
}

void BuiltinMidiSynth::NoteOff(uint8_t channel, uint8_t key) {
    for (Voice& v : voices_)
        if (v.channel == channel && v.key == key && v.stage != Stage::kOff && v.stage != Stage::kRelease)
            v.stage = v.wave == Wave::kNoise ? v.stage : Stage::kRelease;
}

void BuiltinMidiSynth::StepEnvelope(Voice& v, uint32_t rate) {
    const double dt = 1.0 / double(rate);
    switch (v.stage) {
    case Stage::kAttack:
        v.level += dt / kAttackSeconds;
        if (v.level >= 1) {
            v.level = 1;
            v.stage = Stage::kDecay;
        }
        break;
    case Stage::kDecay:
        if (v.wave == Wave::kNoise) {  // percussion only dies away
            v.level -= dt / kPercussionDecaySeconds;
            if (v.level <= 0) v.stage = Stage::kOff;
            break;
        }
        v.level -= dt * (1 - kSustainLevel) / kDecaySeconds;
        if (v.level <= kSustainLevel) {
            v.level = kSustainLevel;
            v.stage = Stage::kSustain;
        }
        break;
    case Stage::kRelease:
        v.level -= dt / kReleaseSeconds;
        if (v.level <= 0) v.stage = Stage::kOff;
        break;
    default: break;
    }
    if (v.stage == Stage::kOff) v.level = 0;
}

double BuiltinMidiSynth::Sample(Voice& v, double frequency, uint32_t rate) {
    double s;
    if (v.wave == Wave::kNoise) {
        v.noise ^= v.noise << 13;
        v.noise ^= v.noise >> 17;
        v.noise ^= v.noise << 5;
        s = double(int32_t(v.noise)) / 2147483648.0;
    } else {
        s = v.wave == Wave::kSine ? std::sin(2 * M_PI * v.phase) : (v.phase < 0.5 ? 0.7 : -0.7);
        v.phase += frequency / double(rate);
        v.phase -= std::floor(v.phase);
    }
    return s;
}

void BuiltinMidiSynth::Render(int32_t* acc, uint32_t frames, uint32_t rate) {
    for (Voice& v : voices_) {
        if (v.stage == Stage::kOff) continue;
        const Channel& c = channels_[v.channel];
        const double gain = kVoiceAmplitude * v.velocity * (c.volume / 127.0) * (c.expression / 127.0);
        // Centre pan plays at full level on both sides; a hard pan silences the other.
        const double side = std::clamp((c.pan - 64) / 63.0, -1.0, 1.0);
        const double left = std::min(1.0, 1 - side), right = std::min(1.0, 1 + side);
        const double frequency = KeyFrequency(v.key, c.bend);
        for (uint32_t i = 0; i < frames && v.stage != Stage::kOff; ++i) {
            const double s = Sample(v, frequency, rate) * v.level * gain;
            acc[2 * i] += int32_t(std::lround(s * left));
            acc[2 * i + 1] += int32_t(std::lround(s * right));
            StepEnvelope(v, rate);
        }
    }
}

}  // namespace host
