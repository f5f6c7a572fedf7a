// The music tracks in "Data03": short looping tunes, synthesised and encoded to MP3
// with LAME. Tracks 1-5 are the stages, 7 the boss, 8 the last boss, 9 the ending and
// 10 the credits; there is no track 6.
#pragma once
#include <span>
#include <string>

#include "tools/make_gamedata/bytes.h"
#include "tools/make_gamedata/synth.h"

namespace gamedata {

constexpr int kMusicRate = 44100;

struct TuneDef {
  int track;
  double bpm;
  int bars;
  int keyNote;  // MIDI note of the key's root
  bool minor;
  int chords[8];  // scale degree (0-6) of each bar's chord, repeating
  int chordCount;
  int drive;  // 0 no drums, 1 light, 2 driving
  std::uint64_t seed;
  int volume;  // what the game plays it at (0-255), which its level is made for
};

std::span<const TuneDef> Tunes();
std::string TunePath(int track);
// The tune's length in samples at kMusicRate: whole bars.
std::size_t TuneSamples(const TuneDef& tune);
Samples RenderTune(const TuneDef& tune);
Bytes EncodeMp3(const Samples& pcm, int rate);

}  // namespace gamedata
