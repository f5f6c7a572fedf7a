// Decoding three minutes of 128 kbit/s stereo MPEG layer-3 (encoded once at start with
// libmp3lame) to 16-bit PCM: through the compression manager in the engine's steps of
// 2048 source bytes into 4/3 second blocks, against libmpg123 fed the whole file.
// "x_realtime" is seconds of sound decoded per second.
#include <benchmark/benchmark.h>
#include <lame.h>
#include <mpg123.h>

#include <cmath>
#include <vector>

#include "host/acm/acm.h"

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
        lame_init_params(lame);
        std::vector<int16_t> pcm(size_t(kRate) * 2);
        std::vector<uint8_t> out;
        std::vector<uint8_t> chunk(size_t(kRate) * 2);
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
    state.counters["x_realtime"] =
        benchmark::Counter(double(state.iterations()) * kSeconds, benchmark::Counter::kIsRate);
}

void BM_MpegThroughCompressionManager(benchmark::State& state) {
    const std::vector<uint8_t>& mp3 = ThreeMinutes();
    host::MPEGLAYER3WAVEFORMAT f;
    f.wfx = {host::WAVE_FORMAT_MPEGLAYER3, 2, kRate, 16000, 1, 0, host::MPEGLAYER3_WFX_EXTRA_BYTES};
    f.wID = host::MPEGLAYER3_ID_MPEG;
    f.nBlockSize = 417;
    f.nFramesPerBlock = 1;
    f.nCodecDelay = 700;
    host::WAVEFORMATEX dst{};
    dst.wFormatTag = host::WAVE_FORMAT_PCM;
    host::acmFormatSuggest(nullptr, &f.wfx, &dst, sizeof dst, host::ACM_FORMATSUGGESTF_WFORMATTAG);
    std::vector<uint8_t> block(dst.nAvgBytesPerSec * 4 / 3);
    uint64_t total = 0;
    for (auto _ : state) {
        host::HACMSTREAM s = nullptr;
        host::acmStreamOpen(&s, nullptr, &f.wfx, &dst, nullptr, 0, 0, host::ACM_STREAMOPENF_NONREALTIME);
        for (size_t at = 0; at < mp3.size();) {
            host::ACMSTREAMHEADER h;
            h.pbSrc = const_cast<uint8_t*>(mp3.data()) + at;
            h.cbSrcLength = uint32_t(std::min<size_t>(2048, mp3.size() - at));
            h.pbDst = block.data();
            h.cbDstLength = uint32_t(block.size());
            host::acmStreamPrepareHeader(s, &h, 0);
            host::acmStreamConvert(s, &h, host::ACM_STREAMCONVERTF_BLOCKALIGN);
            host::acmStreamUnprepareHeader(s, &h, 0);
            at += h.cbSrcLengthUsed;
            total += h.cbDstLengthUsed;
            if (h.cbSrcLengthUsed == 0 && h.cbDstLengthUsed == 0) break;
        }
        host::acmStreamClose(s, 0);
    }
    Report(state, total);
}

void BM_MpegThroughLibmpg123(benchmark::State& state) {
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
        for (int r; (r = mpg123_decode_frame(h, &frame, &audio, &bytes)) == MPG123_OK ||
                    r == MPG123_NEW_FORMAT;)
            total += bytes;
        mpg123_delete(h);
    }
    Report(state, total);
}

BENCHMARK(BM_MpegThroughCompressionManager)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MpegThroughLibmpg123)->Unit(benchmark::kMillisecond);

}  // namespace
