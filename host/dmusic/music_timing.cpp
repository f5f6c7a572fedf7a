#include "host/dmusic/music_timing.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace host {

namespace {

// The standard 120 beats a minute, for SMPTE-timed files and for time after the tempo map.
constexpr double kDefaultSecondsPerTick = 0.5 / DMUS_PPQ;
// A grid is a quarter of a beat, the division a MIDI file brings no setting for.
constexpr int kGridsPerBeat = 4;

// The last entry whose `key` is at or before `at` (the first when none is).
template <class T>
const T& Governing(const std::vector<T>& list, double at, double T::*key) {
    auto after = std::upper_bound(list.begin(), list.end(), at, [key](double v, const T& t) { return v < t.*key; });
    return after == list.begin() ? list.front() : *(after - 1);
}

}  // namespace

MusicTiming::MusicTiming(const MidiSequence& sequence) : lengthSeconds_(sequence.lengthSeconds) {
    beat_ = 4.0 * DMUS_PPQ / std::max<int>(sequence.beatNote, 1);
    beatsPerMeasure_ = std::max<int>(sequence.beatsPerMeasure, 1);
    if ((sequence.division & 0x8000) || sequence.division == 0) {
        lengthMusic_ = sequence.lengthSeconds / kDefaultSecondsPerTick;
        return;
    }
    const double ticksPerMusic = double(sequence.division) / DMUS_PPQ;
    for (const MidiTempo& t : sequence.tempos)
        tempos_.push_back({double(t.tick) / ticksPerMusic, t.seconds,
                           t.microsPerQuarter / 1e6 / DMUS_PPQ});
    lengthMusic_ = double(sequence.lengthTicks) / ticksPerMusic;
}

double MusicTiming::SecondsAt(double music) const {
    if (tempos_.empty()) return music * kDefaultSecondsPerTick;
    const Tempo& t = Governing(tempos_, music, &Tempo::music);
    return t.seconds + (music - t.music) * t.secondsPerTick;
}

double MusicTiming::MusicAt(double seconds) const {
    if (tempos_.empty()) return seconds / kDefaultSecondsPerTick;
    const Tempo& t = Governing(tempos_, seconds, &Tempo::seconds);
    return t.music + (seconds - t.seconds) / t.secondsPerTick;
}

MUSIC_TIME MusicTiming::Length() const {
    return MUSIC_TIME(std::min<long long>(std::llround(lengthMusic_), INT32_MAX));
}

double MusicTiming::Resolution(uint32_t flags) const {
    if (flags & DMUS_SEGF_GRID) return beat_ / kGridsPerBeat;
    if (flags & DMUS_SEGF_BEAT) return beat_;
    if (flags & DMUS_SEGF_MEASURE) return beat_ * beatsPerMeasure_;
    return 0;
}

}  // namespace host
