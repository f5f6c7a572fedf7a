// Three minutes of 128 kbit/s stereo MP3 (encoded once at start with libmp3lame) to
// 16-bit PCM: through the engine's conversion record (frame walk, compression manager,
// blocks), through the whole LoadSound path into a memory sound, and through libmpg123
// fed the whole file. "x_realtime" is seconds of sound decoded per second.
#include <vector>

#include "bench/common/mp3_sample.h"
#include "bench_sound_system.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/files/stream.h"
#include "engine/sound/decoders/sound_convert.h"

namespace {

using bench_mp3::kRate;
using bench_mp3::kSeconds;
using bench_mp3::ReportRealtime;

const std::vector<uint8_t>& ThreeMinutes() {
    static const std::vector<uint8_t> mp3 = bench_mp3::EncodeThreeMinutes(false);
    return mp3;
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
    ReportRealtime(state, total);
}

void BM_Mp3ThroughLoadSound(benchmark::State& state) {
    sound_bench::SoundSystem sound;
    const std::vector<uint8_t>& mp3 = ThreeMinutes();
    for (auto _ : state) {
        const int h = orvik::LoadSoundFromImage(mp3.data(), int32_t(mp3.size()), 3, -1);
        if (h == -1) state.SkipWithError("the MP3 did not load");
        orvik::DeleteSound(h);
    }
    ReportRealtime(state, 0);
}

void BM_Mp3ThroughLibmpg123(benchmark::State& state) {
    const std::vector<uint8_t>& mp3 = ThreeMinutes();
    uint64_t total = 0;
    for (auto _ : state) total += bench_mp3::DecodeWithLibmpg123(mp3);
    ReportRealtime(state, total);
}

BENCHMARK(BM_Mp3ThroughConversionRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mp3ThroughLoadSound)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mp3ThroughLibmpg123)->Unit(benchmark::kMillisecond);

}  // namespace
