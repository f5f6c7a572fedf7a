#include "tools/make_gamedata/synth.h"

#include <algorithm>
#include <cmath>

namespace gamedata {
namespace {
constexpr double kTwoPi = 6.28318530717958647692;

double Blep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}
}  // namespace

double MidiToHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

double Saw(double phase, double step) { return 2.0 * phase - 1.0 - Blep(phase, step); }

double Square(double phase, double step, double duty) {
  double v = phase < duty ? 1.0 : -1.0;
  v += Blep(phase, step);
  v -= Blep(std::fmod(phase + 1.0 - duty, 1.0), step);
  return v;
}

double LowPass::Run(double x, double cutoffHz, double rate) {
  const double a = 1.0 - std::exp(-kTwoPi * std::min(cutoffHz, rate * 0.45) / rate);
  y_ += a * (x - y_);
  return y_;
}

double Oscillator::Next(double hz, double rate) {
  const double step = hz / rate;
  double v = 0;
  switch (wave_) {
    case Wave::Sine: v = std::sin(kTwoPi * phase_); break;
    case Wave::Saw: v = Saw(phase_, step); break;
    case Wave::Square: v = Square(phase_, step); break;
    case Wave::Triangle: v = 1.0 - 4.0 * std::fabs(phase_ - 0.5); break;
  }
  phase_ += step;
  phase_ -= std::floor(phase_);
  return v;
}

double Noise(Rng& rng) { return rng.Unit() * 2.0 - 1.0; }

double Adsr(double t, double hold, double attack, double decay, double sustain, double release) {
  if (t < 0) return 0;
  double level;
  if (t < attack) level = t / attack;
  else if (t < attack + decay) level = 1.0 - (1.0 - sustain) * (t - attack) / decay;
  else level = sustain;
  if (t > hold) {
    // Release from the level reached when the note let go.
    const double atHold = Adsr(hold, hold + 1.0, attack, decay, sustain, release);
    level = atHold * std::max(0.0, 1.0 - (t - hold) / release);
  }
  return level;
}

void Normalise(Samples& s, double peak) {
  float top = 0;
  for (float v : s) top = std::max(top, std::fabs(v));
  if (top <= 0) return;
  const float k = static_cast<float>(peak / top);
  for (float& v : s) v *= k;
}

Bytes EncodeWav16(const Samples& s, int rate) {
  Bytes out;
  const auto dataBytes = static_cast<std::uint32_t>(s.size() * 2);
  AppendText(out, "RIFF");
  AppendLe32(out, 36 + dataBytes);
  AppendText(out, "WAVEfmt ");
  AppendLe32(out, 16);
  AppendLe16(out, 1);  // PCM
  AppendLe16(out, 1);  // mono
  AppendLe32(out, static_cast<std::uint32_t>(rate));
  AppendLe32(out, static_cast<std::uint32_t>(rate * 2));
  AppendLe16(out, 2);
  AppendLe16(out, 16);
  AppendText(out, "data");
  AppendLe32(out, dataBytes);
  for (float v : s) {
    const long q = std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f);
    AppendLe16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(q)));
  }
  return out;
}

}  // namespace gamedata
