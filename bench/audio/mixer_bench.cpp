// Mixer cost: 32 playing voices into 44.1 kHz stereo 16-bit, pulled 1024 frames at a
// time as the SDL output does. "core_percent" is the time taken per second of sound, in
// percent: the share of one core that mixing takes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "host/dsound/dsound_config.h"
#include "host/dsound/dsound_device.h"
#include "host/dsound/mixer.h"

namespace {

constexpr uint32_t kOutputRate = 44100;
constexpr uint32_t kPull = 1024;
constexpr int kVoices = 32;

struct Voices {
    host::IDirectSound* ds = nullptr;
    std::vector<host::IDirectSoundBuffer*> buffers;

    // Every voice one second long, looping; `resampled` voices play 22050 Hz sound at
    // other rates, the rest play at the output rate. Gains vary unless `unity`.
    Voices(int resampled, bool unity) {
        host::ResetDirectSoundHost();
        host::SetMixerOutputRate(kOutputRate);
        host::DirectSoundCreate(nullptr, &ds, nullptr);
        ds->SetCooperativeLevel(reinterpret_cast<host::HWND>(uintptr_t(1)), host::DSSCL_PRIORITY);
        for (int v = 0; v < kVoices; ++v) {
            const uint32_t rate = v < resampled ? 22050 : kOutputRate;
            const host::WAVEFORMATEX f{host::WAVE_FORMAT_PCM, 2, rate, rate * 4, 4, 16, 0};
            host::DSBUFFERDESC desc;
            desc.dwFlags = host::DSBCAPS_STATIC | host::DSBCAPS_CTRLFREQUENCY |
                           host::DSBCAPS_CTRLPAN | host::DSBCAPS_CTRLVOLUME;
            desc.dwBufferBytes = rate * 4;
            desc.lpwfxFormat = &f;
            host::IDirectSoundBuffer* b = nullptr;
            ds->CreateSoundBuffer(&desc, &b, nullptr);
            void* p = nullptr;
            uint32_t n = 0;
            b->Lock(0, rate * 4, &p, &n, nullptr, nullptr, 0);
            auto* s = static_cast<int16_t*>(p);
            for (uint32_t i = 0; i < rate * 2; ++i) s[i] = int16_t(8000 * std::sin(i * (0.01 + v * 0.001)));
            b->Unlock(p, n, nullptr, 0);
            if (!unity) {
                b->SetVolume(-100 * (v % 10));
                b->SetPan((v % 5 - 2) * 500);
            }
            if (v < resampled) b->SetFrequency(22050 + 997 * uint32_t(v));
            b->Play(0, 0, host::DSBPLAY_LOOPING);
            buffers.push_back(b);
        }
    }
    ~Voices() {
        for (host::IDirectSoundBuffer* b : buffers) b->Release();
        ds->Release();
    }
};

void Mix(benchmark::State& state, int resampled, bool unity) {
    Voices voices(resampled, unity);
    std::vector<int16_t> out(kPull * 2);
    for (auto _ : state) {
        host::MixAudio(out);
        benchmark::DoNotOptimize(out.data());
    }
    // Seconds of sound per hundred, as an inverted rate: run time / sound time x 100.
    const double hundredthsOfSound = double(state.iterations()) * kPull / kOutputRate / 100;
    state.counters["core_percent"] = benchmark::Counter(
        hundredthsOfSound, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Mix32VoicesAtOutputRateUnityGain(benchmark::State& s) { Mix(s, 0, true); }
void BM_Mix32VoicesAtOutputRateWithVolumeAndPan(benchmark::State& s) { Mix(s, 0, false); }
void BM_Mix32VoicesHalfResampled(benchmark::State& s) { Mix(s, 16, false); }
void BM_Mix32VoicesAllResampled(benchmark::State& s) { Mix(s, 32, false); }

BENCHMARK(BM_Mix32VoicesAtOutputRateUnityGain);
BENCHMARK(BM_Mix32VoicesAtOutputRateWithVolumeAndPan);
BENCHMARK(BM_Mix32VoicesHalfResampled);
BENCHMARK(BM_Mix32VoicesAllResampled);

}  // namespace


BENCHMARK_MAIN();
