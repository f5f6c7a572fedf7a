// Mixer cost with the game's kind of load: 32 effects loaded through LoadSound's path
// (WAVE images decoded to memory sounds), playing looped through the engine at their
// own volumes, mixed into 44.1 kHz stereo 16-bit in pulls of 1024 frames as the SDL
// output pulls. "core_percent": mixing time per second of sound, in percent of one core.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "bench_sound_system.h"
#include "host/dsound/mixer.h"

namespace {

constexpr uint32_t kPull = 1024;
constexpr int kVoices = 32;

void Put(std::vector<uint8_t>& b, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// One second of a tone as a 16-bit stereo WAVE image at the given rate.
std::vector<uint8_t> ToneWave(uint32_t rate, double hz) {
    std::vector<uint8_t> w = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    Put(w, 16, 4);
    Put(w, 1, 2);
    Put(w, 2, 2);
    Put(w, rate, 4);
    Put(w, rate * 4, 4);
    Put(w, 4, 2);
    Put(w, 16, 2);
    w.insert(w.end(), {'d', 'a', 't', 'a'});
    Put(w, rate * 4, 4);
    for (uint32_t i = 0; i < rate; ++i) {
        const auto v = uint32_t(uint16_t(int16_t(8000 * std::sin(2 * M_PI * hz * i / rate))));
        Put(w, v, 2);
        Put(w, v, 2);
    }
    const uint32_t riff = uint32_t(w.size() - 8);
    std::memcpy(w.data() + 4, &riff, 4);
    return w;
}

void MixEffects(benchmark::State& state, uint32_t effectRate) {
    sound_bench::SoundSystem sound;
    std::vector<int> handles;
    for (int v = 0; v < kVoices; ++v) {
        const std::vector<uint8_t> wave = ToneWave(effectRate, 200 + 37 * v);
        const int h = orvik::LoadSoundFromImage(wave.data(), int32_t(wave.size()), 1, -1);
        orvik::SetSoundVolume(255 - 4 * v, h);
        orvik::PlaySoundHandle(h, orvik::kPlayLoop);
        handles.push_back(h);
    }
    std::vector<int16_t> out(kPull * 2);
    for (auto _ : state) {
        host::MixAudio(out);
        benchmark::DoNotOptimize(out.data());
    }
    const double hundredthsOfSound = double(state.iterations()) * kPull / host::MixerOutputRate() / 100;
    state.counters["core_percent"] =
        benchmark::Counter(hundredthsOfSound, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["voices"] = double(handles.size());
}

void BM_Mix32EngineEffectsAt44100(benchmark::State& s) { MixEffects(s, 44100); }
void BM_Mix32EngineEffectsAt22050(benchmark::State& s) { MixEffects(s, 22050); }

BENCHMARK(BM_Mix32EngineEffectsAt44100);
BENCHMARK(BM_Mix32EngineEffectsAt22050);

}  // namespace
