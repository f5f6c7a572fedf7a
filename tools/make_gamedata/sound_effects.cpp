#include "tools/make_gamedata/sound_effects.h"

#include <algorithm>
#include <cmath>

#include "tools/make_gamedata/levels.h"

namespace gamedata {
namespace {

constexpr double kRate = kEffectRate;

Samples Blank(double seconds) { return Samples(static_cast<std::size_t>(seconds * kRate), 0.0f); }
double TimeOf(std::size_t i) { return static_cast<double>(i) / kRate; }

// Menu and extend chime: a quick rising arpeggio.
Samples Chime() {
  Samples s = Blank(0.55);
  const double notes[4] = {84, 88, 91, 96};
  for (int n = 0; n < 4; ++n) {
    Oscillator osc(Oscillator::Wave::Square);
    const std::size_t start = static_cast<std::size_t>(n * 0.07 * kRate);
    LowPass lp;
    for (std::size_t i = start; i < s.size(); ++i) {
      const double t = TimeOf(i - start);
      s[i] += static_cast<float>(0.3 * lp.Run(osc.Next(MidiToHz(notes[n]), kRate), 5000, kRate) * std::exp(-t * 9));
    }
  }
  return s;
}

// Rapid shot: a short laser chirp falling in pitch.
Samples Laser() {
  Samples s = Blank(0.16);
  Oscillator osc(Oscillator::Wave::Square);
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = TimeOf(i);
    s[i] = static_cast<float>(osc.Next(1800 * std::exp(-t * 12), kRate) * std::exp(-t * 18));
  }
  return s;
}

// Blade swing: a whoosh of filtered noise swelling and sweeping upwards, with a ring.
Samples Whoosh() {
  Samples s = Blank(0.3);
  Rng rng(0xB1ADE);
  LowPass lp, hp;
  Oscillator ring(Oscillator::Wave::Sine);
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = TimeOf(i);
    const double n = Noise(rng);
    const double cutoff = 600 + 6000 * t / 0.3;
    const double band = lp.Run(n, cutoff, kRate) - hp.Run(n, cutoff * 0.3, kRate);
    const double swell = std::sin(3.14159 * std::min(1.0, t / 0.3));
    s[i] = static_cast<float>(band * swell * 1.6 + 0.15 * ring.Next(2400, kRate) * std::exp(-t * 20));
  }
  return s;
}

// Shot striking: a short tick.
Samples Tick() {
  Samples s = Blank(0.08);
  Rng rng(0x71C);
  Oscillator osc(Oscillator::Wave::Square);
  LowPass lp;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = TimeOf(i);
    const double n = Noise(rng);
    s[i] = static_cast<float>((n - lp.Run(n, 2000, kRate)) * std::exp(-t * 90) +
                              0.5 * osc.Next(900, kRate) * std::exp(-t * 60));
  }
  return s;
}

// Blade striking: a metallic clang of inharmonic partials.
Samples Clang() {
  Samples s = Blank(0.4);
  Rng rng(0xC1A6);
  const double partials[4] = {520, 1330, 2110, 3170};
  Oscillator osc[4] = {Oscillator(Oscillator::Wave::Sine), Oscillator(Oscillator::Wave::Sine),
                       Oscillator(Oscillator::Wave::Sine), Oscillator(Oscillator::Wave::Sine)};
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = TimeOf(i);
    double v = Noise(rng) * std::exp(-t * 120);
    for (int k = 0; k < 4; ++k) v += 0.4 * osc[k].Next(partials[k], kRate) * std::exp(-t * (8 + 5 * k));
    s[i] = static_cast<float>(v);
  }
  return s;
}

// Charged attack: a rising whine that bursts into a roaring beam.
Samples Beam() {
  Samples s = Blank(0.7);
  Rng rng(0xBEA);
  Oscillator saw(Oscillator::Wave::Saw), sub(Oscillator::Wave::Sine);
  LowPass lp, roar;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = TimeOf(i);
    double v;
    if (t < 0.15) {
      v = 0.5 * lp.Run(saw.Next(200 + 1000 * t / 0.15, kRate), 4000, kRate) * (t / 0.15);
    } else {
      const double u = t - 0.15;
      v = (roar.Run(Noise(rng), 2500 * std::exp(-u * 3), kRate) * 1.5 + 0.5 * sub.Next(90, kRate)) *
          std::exp(-u * 5);
    }
    s[i] = static_cast<float>(v);
  }
  return s;
}

// Explosions from small to huge: low-passed noise with a falling cutoff, a thump, and
// crackle for the larger ones.
Samples Blast(double seconds, double bright, double thumpHz, double crackle, std::uint64_t seed) {
  Samples s = Blank(seconds);
  Rng rng(seed);
  LowPass lp, lp2;
  Oscillator thump(Oscillator::Wave::Sine);
  const double decay = 4.5 / seconds;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = TimeOf(i);
    const double n = Noise(rng);
    const double cutoff = 300 + bright * std::exp(-t * 6);
    double v = lp2.Run(lp.Run(n, cutoff, kRate), cutoff, kRate) * 2.5;
    v += 0.6 * thump.Next(thumpHz * (0.5 + 0.5 * std::exp(-t * 8)), kRate) * std::exp(-t * 7);
    if (rng.Unit() < crackle * std::exp(-t * 3)) v += Noise(rng) * 0.8;
    s[i] = static_cast<float>(std::tanh(v * 1.3) * std::exp(-t * decay) * std::min(1.0, t * 400));
  }
  return s;
}

Samples SmallBlast() { return Blast(0.35, 3000, 140, 0.0, 0xE01); }
Samples MediumBlast() { return Blast(0.55, 2200, 110, 0.002, 0xE02); }
Samples LargeBlast() { return Blast(0.8, 1800, 80, 0.004, 0xE03); }
Samples HugeBlast() { return Blast(0.95, 1400, 60, 0.006, 0xE04); }

// Barrier raised: a shimmering upward sweep.
Samples Shimmer() {
  Samples s = Blank(0.45);
  Oscillator a(Oscillator::Wave::Sine), b(Oscillator::Wave::Sine), c(Oscillator::Wave::Sine);
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = TimeOf(i);
    const double f = 400 * std::pow(4.0, t / 0.45) * (1 + 0.02 * std::sin(t * 2 * 3.14159 * 30));
    const double env = std::min(1.0, t * 40) * std::exp(-t * 4);
    s[i] = static_cast<float>((a.Next(f, kRate) + 0.6 * b.Next(f * 1.505, kRate) + 0.3 * c.Next(f * 2.01, kRate)) *
                              env);
  }
  return s;
}

constexpr SoundEffectDef kEffects[] = {
    {"Data02/Sys04.wav", Chime},        {"Data02/Shot01.wav", Laser},       {"Data02/Shot02.wav", Whoosh},
    {"Data02/Hit01.wav", Tick},         {"Data02/Hit02.wav", Clang},        {"Data02/Shot04.wav", Beam},
    {"Data02/Exp01.wav", SmallBlast},   {"Data02/Exp02.wav", MediumBlast},  {"Data02/Exp03.wav", LargeBlast},
    {"Data02/Exp04.wav", HugeBlast},    {"Data02/Exp05.wav", Shimmer},
};

}  // namespace

std::span<const SoundEffectDef> SoundEffects() { return kEffects; }

Bytes MakeSoundEffect(const SoundEffectDef& effect) {
  Samples s = effect.make();
  // A few milliseconds of fade at the end so no effect stops with a click.
  const std::size_t fade = std::min<std::size_t>(s.size(), 110);
  for (std::size_t i = 0; i < fade; ++i) s[s.size() - 1 - i] *= static_cast<float>(i) / fade;
  Normalise(s, kEffectPeak);
  return EncodeWav16(s, kEffectRate);
}

}  // namespace gamedata
