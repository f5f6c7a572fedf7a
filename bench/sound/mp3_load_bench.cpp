// Three minutes of 128 kbit/s stereo MP3 (encoded once at start with libmp3lame) to
// 16-bit PCM: through the engine's conversion record (frame walk, compression manager,
// blocks), through the whole LoadSound path into a memory sound, and through libmpg123
// fed the whole file. "x_realtime" is seconds of sound decoded per second.
#include <benchmark/benchmark.h>
#include <lame.h>
#include <mpg123.h>

#include <cmath>
#include <vector>

#include "bench_sound_system.h"
#include "engine/platform/memory.h"
#include "engine/platform/stream.h"
#include "engine/sound/sound_convert.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 180;

const std::vector<uint8_t>& ThreeMinutes() {
    static const std::vector<uint8_t> mp3 = [] {
        lame_global_flags* lame = lame_init();
        lame_set_in_samplerate(lame, kRate);
        lame_set_num_channels(lame, 2);
        lame_set_brate(lame, 128);
        lame_set_quality(lame, 7);
        lame_set_bWriteVbrTag(lame, 0);
        lame_init_params(lame);
        std::vector<int16_t> pcm(size_t(kRate) * 2);
        std::vector<uint8_t> out, chunk(size_t(kRate) * 2);
        for (int s = 0; s < kSeconds; ++s) {
            for (int i = 0; i < kRate; ++i) {
                const double t = double(s * kRate + i) / kRate;
                pcm[2 * size_t(i)] = int16_t(9000 * std::sin(2 * M_PI * 220 * t) * std::sin(t));
                pcm[2 * size_t(i) + 1] = int16_t(7000 * std::sin(2 * M_PI * 330 * t));
            }
            const int n = lame_encode_buffer_interleaved(lame, pcm.data(), kRate, chunk.data(), int(chunk.size()));
            out.insert(out.end(), chunk.begin(), chunk.begin() + n);
        }
        const int n = lame_encode_flush(lame, chunk.data(), int(chunk.size()));
        out.insert(out.end(), chunk.begin(), chunk.begin() + n);
        lame_close(lame);
        return out;
    }();
    return mp3;
}

void Report(benchmark::State& state, uint64_t bytes) {
    benchmark::DoNotOptimize(bytes);
    state.counters["x_realtime"] = benchmark::Counter(double(state.iterations()) * kSeconds, benchmark::Counter::kIsRate);
}

void BM_Mp3ThroughConversionRecord(benchmark::State& state) {
    sound_bench::SoundSystem sound;
    const std::vector<uint8_t>& mp3 = ThreeMinutes();
    std::vector<uint8_t> pcm(size_t(kSeconds + 1) * kRate * 4);
    uint64_t total = 0;
    for (auto _ : state) {
        orvik::MemImageStreamRecord* m = orvik::OpenMemImageStream(mp3.data(), int32_t(mp3.size()));
        const orvik::StreamDescriptor s{*orvik::GetMemImageStreamFunctions(), orvik::ToStreamHandle(m)};
        orvik::SoundConvert c{};
        orvik::SetupSoundConvert(&s, &c);
        total += uint64_t(orvik::ReadSoundConvert(&c, pcm.data(), int32_t(pcm.size())));
        orvik::TerminateSoundConvert(&c);
        orvik::CloseMemImageStream(orvik::ToStreamHandle(m));
    }
    Report(state, total);
}

void BM_Mp3ThroughLoadSound(benchmark::State& state) {
    sound_bench::SoundSystem sound;
    const std::vector<uint8_t>& mp3 = ThreeMinutes();
    for (auto _ : state) {
        const int h = orvik::LoadSoundFromImage(mp3.data(), int32_t(mp3.size()), 3, -1);
        if (h == -1) state.SkipWithError("the MP3 did not load");
        orvik::DeleteSound(h);
    }
    Report(state, 0);
}

void BM_Mp3ThroughLibmpg123(benchmark::State& state) {
    const std::vector<uint8_t>& mp3 = ThreeMinutes();
    uint64_t total = 0;
    for (auto _ : state) {
        mpg123_handle* h = mpg123_new(nullptr, nullptr);
        mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
        mpg123_format_none(h);
        mpg123_format(h, kRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
        mpg123_open_feed(h);
        mpg123_feed(h, mp3.data(), mp3.size());
        off_t frame;
        unsigned char* audio;
        size_t bytes;
        for (int r; (r = mpg123_decode_frame(h, &frame, &audio, &bytes)) == MPG123_OK || r == MPG123_NEW_FORMAT;)
            total += bytes;
        mpg123_delete(h);
    }
    Report(state, total);
}

BENCHMARK(BM_Mp3ThroughConversionRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mp3ThroughLoadSound)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mp3ThroughLibmpg123)->Unit(benchmark::kMillisecond);

}  // namespace
