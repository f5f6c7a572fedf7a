// A minute of stereo 44.1 kHz Ogg Vorbis (encoded once at start with libvorbisenc) to
// 16-bit PCM: through the whole LoadSound path into a memory sound, and through
// vorbisfile reading the same file image from memory, the peer. "x_realtime" is seconds
// of sound decoded per second.
#include <benchmark/benchmark.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench_sound_system.h"
#include "tests/sound/ogg_encoder.h"

namespace {

constexpr long kRate = 44100;
constexpr int kSeconds = 60;

const std::vector<uint8_t>& OneMinute() {
    static const std::vector<uint8_t> ogg = sound_test::OggTone(kRate * kSeconds, 2, kRate, [](long i) {
        const double t = double(i) / kRate;
        return float(0.3 * std::sin(2 * M_PI * 220 * t) * std::sin(t) + 0.2 * std::sin(2 * M_PI * 331 * t));
    });
    return ogg;
}

void ReportRealtime(benchmark::State& state) {
    state.counters["x_realtime"] = benchmark::Counter(double(state.iterations()) * kSeconds, benchmark::Counter::kIsRate);
}

void BM_OggThroughLoadSound(benchmark::State& state) {
    sound_bench::SoundSystem sound;
    const std::vector<uint8_t>& ogg = OneMinute();
    for (auto _ : state) {
        const int h = orvik::LoadSoundFromImage(ogg.data(), int32_t(ogg.size()), 3, -1);
        if (h == -1) state.SkipWithError("the Ogg Vorbis file did not load");
        orvik::DeleteSound(h);
    }
    ReportRealtime(state);
}

// vorbisfile over the file image in memory.
struct MemoryFile {
    const std::vector<uint8_t>* bytes;
    size_t at = 0;
};

size_t ReadMemory(void* into, size_t size, size_t count, void* source) {
    auto* m = static_cast<MemoryFile*>(source);
    const size_t n = std::min(size * count, m->bytes->size() - m->at);
    std::memcpy(into, m->bytes->data() + m->at, n);
    m->at += n;
    return size ? n / size : 0;
}

int SeekMemory(void* source, ogg_int64_t offset, int whence) {
    auto* m = static_cast<MemoryFile*>(source);
    const ogg_int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? ogg_int64_t(m->at) : ogg_int64_t(m->bytes->size());
    if (base + offset < 0 || base + offset > ogg_int64_t(m->bytes->size())) return -1;
    m->at = size_t(base + offset);
    return 0;
}

long TellMemory(void* source) { return long(static_cast<MemoryFile*>(source)->at); }

void BM_OggThroughVorbisfile(benchmark::State& state) {
    const std::vector<uint8_t>& ogg = OneMinute();
    std::vector<char> pcm(4096);
    uint64_t total = 0;
    for (auto _ : state) {
        MemoryFile file{&ogg};
        OggVorbis_File vf;
        if (ov_open_callbacks(&file, &vf, nullptr, 0, {ReadMemory, SeekMemory, nullptr, TellMemory}) != 0) std::abort();
        int section = 0;
        for (long n; (n = ov_read(&vf, pcm.data(), int(pcm.size()), 0, 2, 1, &section)) > 0;) total += uint64_t(n);
        ov_clear(&vf);
    }
    benchmark::DoNotOptimize(total);
    ReportRealtime(state);
}

BENCHMARK(BM_OggThroughLoadSound)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OggThroughVorbisfile)->Unit(benchmark::kMillisecond);

}  // namespace
