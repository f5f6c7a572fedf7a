#include "tools/make_gamedata/music.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/make_gamedata/levels.h"

namespace gamedata {
namespace {

constexpr TuneDef kTunes[] = {
    {1, 150, 16, 62, true, {0, 5, 2, 6}, 4, 2, 0x101, 150},           // stage 1: D minor, i VI III VII
    {2, 140, 16, 64, true, {0, 3, 6, 2}, 4, 2, 0x202, 120},           // stage 2: E minor, i iv VII III
    {3, 128, 16, 66, true, {0, 6, 5, 6}, 4, 1, 0x303, 200},           // stage 3: F# minor, airy
    {4, 160, 20, 60, true, {0, 0, 5, 6, 0, 0, 3, 4}, 8, 2, 0x404, 200},  // stage 4: C minor, mechanical
    {5, 168, 20, 59, true, {0, 5, 6, 4}, 4, 2, 0x505, 200},           // stage 5: B minor
    {7, 176, 16, 57, true, {0, 5, 0, 6}, 4, 2, 0x707, 200},           // boss: A minor, urgent
    {8, 180, 20, 61, true, {0, 5, 3, 4}, 4, 2, 0x808, 240},           // last boss: C# minor
    {9, 84, 10, 55, false, {0, 4, 5, 3}, 4, 0, 0x909, 240},           // ending: G major, calm
    {10, 112, 14, 62, false, {0, 5, 3, 4}, 4, 1, 0xA0A, 220},         // credits: D major
};

constexpr int kMajor[7] = {0, 2, 4, 5, 7, 9, 11};
constexpr int kMinor[7] = {0, 2, 3, 5, 7, 8, 10};

// MIDI note of scale degree d (any integer; 7 is the octave) in the tune's key.
int DegreeNote(const TuneDef& t, int d) {
  const int* scale = t.minor ? kMinor : kMajor;
  const int octave = (d >= 0 ? d / 7 : (d - 6) / 7);
  return t.keyNote + 12 * octave + scale[d - 7 * octave];
}

class Mixer {
 public:
  Mixer(std::size_t length, std::size_t tail) : buf_(length + tail, 0.0f), length_(length) {}

  // A pitched note: waveform through a low-pass, shaped by an envelope.
  void Note(Oscillator::Wave wave, double note, double start, double hold, double gain, double cutoff,
            double attack, double decay, double sustain, double release) {
    Oscillator osc(wave);
    LowPass lp;
    const double hz = MidiToHz(note);
    const std::size_t first = static_cast<std::size_t>(start * kMusicRate);
    const std::size_t count = static_cast<std::size_t>((hold + release) * kMusicRate);
    for (std::size_t i = 0; i < count && first + i < buf_.size(); ++i) {
      const double t = static_cast<double>(i) / kMusicRate;
      const double v = lp.Run(osc.Next(hz, kMusicRate), cutoff, kMusicRate);
      buf_[first + i] += static_cast<float>(gain * v * Adsr(t, hold, attack, decay, sustain, release));
    }
  }

  void Kick(double start, double gain) {
    Oscillator osc(Oscillator::Wave::Sine);
    Span(start, 0.18, [&](double t) { return osc.Next(50 + 110 * std::exp(-t * 30), kMusicRate) * std::exp(-t * 16) * gain; });
  }

  void Snare(double start, double gain, Rng& rng) {
    Oscillator body(Oscillator::Wave::Triangle);
    LowPass lp;
    Span(start, 0.16, [&](double t) {
      const double n = Noise(rng);
      return ((n - lp.Run(n, 1200, kMusicRate)) * 0.8 + 0.4 * body.Next(185, kMusicRate)) * std::exp(-t * 22) * gain;
    });
  }

  void Hat(double start, double gain, Rng& rng) {
    LowPass lp;
    Span(start, 0.04, [&](double t) {
      const double n = Noise(rng);
      return (n - lp.Run(n, 7000, kMusicRate)) * std::exp(-t * 90) * gain;
    });
  }

  // The loop: what rings on past the end is folded onto the start.
  Samples Fold() {
    Samples out(buf_.begin(), buf_.begin() + static_cast<std::ptrdiff_t>(length_));
    for (std::size_t i = length_; i < buf_.size(); ++i) out[(i - length_) % length_] += buf_[i];
    return out;
  }

 private:
  template <typename F>
  void Span(double start, double seconds, F sample) {
    const std::size_t first = static_cast<std::size_t>(start * kMusicRate);
    const std::size_t count = static_cast<std::size_t>(seconds * kMusicRate);
    for (std::size_t i = 0; i < count && first + i < buf_.size(); ++i)
      buf_[first + i] += static_cast<float>(sample(static_cast<double>(i) / kMusicRate));
  }

  Samples buf_;
  std::size_t length_;
};

// Rhythms of one bar in eighths (1 = a note starts).
constexpr int kRhythms[6][8] = {{1, 0, 1, 0, 1, 1, 0, 1}, {1, 0, 0, 1, 0, 0, 1, 0}, {1, 1, 1, 0, 1, 0, 1, 0},
                                {1, 0, 1, 1, 0, 1, 1, 0}, {1, 0, 0, 0, 1, 0, 1, 1}, {1, 0, 0, 1, 1, 0, 1, 0}};

// A four-bar phrase as (eighth index, scale-degree offset from the bar's chord root).
struct Phrase {
  int rhythm[4];
  int steps[4][8];
};

Phrase MakePhrase(Rng& rng, bool slow) {
  Phrase p{};
  int degree = 2 + rng.Below(3);
  for (int bar = 0; bar < 4; ++bar) {
    p.rhythm[bar] = slow ? (bar % 2 ? 1 : 4) : rng.Below(6);
    for (int e = 0; e < 8; ++e) {
      degree += rng.Below(5) - 2;
      degree = std::clamp(degree, 0, 9);
      // Strong beats land on chord tones (root, third, fifth).
      if (e % 4 == 0) degree = (degree / 2) * 2 % 6;
      p.steps[bar][e] = degree;
    }
  }
  return p;
}

}  // namespace

std::span<const TuneDef> Tunes() { return kTunes; }

std::string TunePath(int track) {
  char name[32];
  std::snprintf(name, sizeof name, "Data03/BGM%02d.mp3", track);
  return name;
}

std::size_t TuneSamples(const TuneDef& tune) {
  return static_cast<std::size_t>(std::llround(tune.bars * 4 * 60.0 / tune.bpm * kMusicRate));
}

Samples RenderTune(const TuneDef& t) {
  const double beat = 60.0 / t.bpm, eighth = beat / 2, bar = beat * 4;
  Mixer mix(TuneSamples(t), static_cast<std::size_t>(2.0 * kMusicRate));
  Rng rng(t.seed);
  const bool slow = t.drive == 0;
  const Phrase phrases[2] = {MakePhrase(rng, slow), MakePhrase(rng, slow)};
  for (int b = 0; b < t.bars; ++b) {
    const double t0 = b * bar;
    const int chord = t.chords[b % t.chordCount];
    const int root = DegreeNote(t, chord) - 24;
    // Bass: driving eighths, or long notes for the calm tunes.
    if (slow) {
      mix.Note(Oscillator::Wave::Triangle, root, t0, bar * 0.95, 0.35, 800, 0.02, 0.3, 0.7, 0.3);
    } else {
      for (int e = 0; e < 8; ++e)
        mix.Note(Oscillator::Wave::Saw, root + ((e % 4 == 3) ? 12 : 0), t0 + e * eighth, eighth * 0.8, 0.22, 700,
                 0.005, 0.08, 0.6, 0.04);
    }
    // Chord arpeggio in sixteenths (eighths when slow), soft square.
    const int steps = slow ? 8 : 16;
    for (int s = 0; s < steps; ++s) {
      const int tone = chord + 2 * ((s % 4 == 3) ? 1 : s % 4) + 7;
      mix.Note(Oscillator::Wave::Square, DegreeNote(t, tone), t0 + s * bar / steps, bar / steps * 0.6, slow ? 0.06 : 0.05,
               2500, 0.005, 0.05, 0.4, 0.05);
    }
    if (slow) {
      for (int k = 0; k < 3; ++k)
        mix.Note(Oscillator::Wave::Saw, DegreeNote(t, chord + 2 * k), t0, bar, 0.05, 1200, 0.4, 0.5, 0.8, 0.6);
    }
    // Lead: phrase A, B, A, B over the tune, resting in the first bars of the loop.
    if (b >= 2 || slow) {
      const Phrase& ph = phrases[(b / 4) % 2];
      const int* rhythm = kRhythms[ph.rhythm[b % 4]];
      for (int e = 0; e < 8; ++e) {
        if (!rhythm[e]) continue;
        int len = 1;
        while (e + len < 8 && !rhythm[e + len]) ++len;
        const int note = DegreeNote(t, chord + ph.steps[b % 4][e]) + 12;
        mix.Note(slow ? Oscillator::Wave::Triangle : Oscillator::Wave::Square, note, t0 + e * eighth,
                 len * eighth * 0.85, slow ? 0.22 : 0.12, slow ? 3000 : 3500, 0.01, 0.1, 0.7, 0.12);
      }
    }
    // Drums.
    if (t.drive > 0) {
      for (int e = 0; e < 8; ++e) {
        const double at = t0 + e * eighth;
        mix.Hat(at, e % 2 ? 0.10 : 0.16, rng);
        if (e == 0 || e == 4 || (t.drive == 2 && e == 5)) mix.Kick(at, 0.7);
        if (e == 2 || e == 6) mix.Snare(at, t.drive == 2 ? 0.45 : 0.3, rng);
      }
    }
  }
  Samples out = mix.Fold();
  for (float& v : out) v = static_cast<float>(std::tanh(v * 1.2));
  Normalise(out, kMusicPeakAtVolume / VolumeGain(t.volume));
  return out;
}

Bytes EncodeMp3(const Samples& pcm, int rate) {
  lame_global_flags* gf = lame_init();
  lame_set_in_samplerate(gf, rate);
  lame_set_out_samplerate(gf, rate);
  lame_set_num_channels(gf, 1);
  lame_set_mode(gf, MONO);
  lame_set_brate(gf, 96);
  lame_set_quality(gf, 7);
  lame_set_bWriteVbrTag(gf, 1);  // the LAME tag carries the delay and padding for gapless decoders
  Bytes out;
  if (lame_init_params(gf) < 0) {
    lame_close(gf);
    return out;
  }
  std::vector<unsigned char> buf(pcm.size() * 5 / 4 + 7200 + 16384);
  const int written = lame_encode_buffer_ieee_float(gf, pcm.data(), pcm.data(), static_cast<int>(pcm.size()),
                                                    buf.data(), static_cast<int>(buf.size()));
  if (written >= 0) {
    out.assign(buf.begin(), buf.begin() + written);
    const int tail = lame_encode_flush(gf, buf.data(), static_cast<int>(buf.size()));
    if (tail > 0) out.insert(out.end(), buf.begin(), buf.begin() + tail);
    // The first frame was left empty for the tag; fill it in now that the length is known.
    unsigned char tag[4096];
    const std::size_t tagBytes = lame_get_lametag_frame(gf, tag, sizeof tag);
    if (tagBytes > 0 && tagBytes <= out.size()) std::copy(tag, tag + tagBytes, out.begin());
  }
  lame_close(gf);
  return out;
}

}  // namespace gamedata
