// Building blocks for the synthesised sounds: oscillators, envelopes, filters, and the
// PCM WAVE container.
#pragma once
#include <cstdint>
#include <vector>

#include "tools/make_gamedata/bytes.h"
#include "tools/make_gamedata/rng.h"

namespace gamedata {

using Samples = std::vector<float>;

double MidiToHz(double note);

// Anti-aliased saw and square (polyBLEP): phase in [0, 1), step = frequency / rate.
double Saw(double phase, double step);
double Square(double phase, double step, double duty = 0.5);

// One-pole low-pass filter; cutoff may change every sample.
class LowPass {
 public:
  double Run(double x, double cutoffHz, double rate);

 private:
  double y_ = 0;
};

// A tone generator whose frequency may glide; returns one sample per call.
class Oscillator {
 public:
  enum class Wave { Sine, Saw, Square, Triangle };
  explicit Oscillator(Wave wave) : wave_(wave) {}
  double Next(double hz, double rate);

 private:
  Wave wave_;
  double phase_ = 0;
};

// White noise in -1..1 from the seeded generator.
double Noise(Rng& rng);

// Attack-decay-sustain-release level at time t (seconds) for a note held `hold` seconds.
double Adsr(double t, double hold, double attack, double decay, double sustain, double release);

// Scales to the given peak (no-op on silence).
void Normalise(Samples& s, double peak);

// 16-bit PCM mono WAVE file.
Bytes EncodeWav16(const Samples& s, int rate);

}  // namespace gamedata
