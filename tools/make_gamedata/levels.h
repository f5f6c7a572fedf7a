// The levels the sounds are made at. The game plays every effect and tune at a volume of
// its own (0-255, a gain of sqrt(volume / 255)), and plays each effect as one sound at a
// time (a new shot cuts the last). In stage play with rapid fire, the shot, the hit and
// an explosion sound together over the music: the music at 0.32 once played at its
// volume, and two effects at volume 160 meeting at their peaks (0.3 x 0.79 each), come to
// 0.79, -2 dBFS, which leaves room for a third effect's tail and for an MP3's decoded
// peaks exceeding the ones it was made from, so the mix stays under -1 dBFS.
#pragma once
#include <cmath>

namespace gamedata {

constexpr double kEffectPeak = 0.3;
// The music's peak once the game has applied its volume.
constexpr double kMusicPeakAtVolume = 0.32;

inline double VolumeGain(int volume) { return std::sqrt(volume / 255.0); }

}  // namespace gamedata
