// Three minutes of 128 kbit/s stereo MP3 shared by the sound benchmarks: encoded once with
// libmp3lame, decoded by libmpg123 as the peer to compare against, and the "x_realtime"
// counter (seconds of sound decoded per second).
#pragma once
#include <benchmark/benchmark.h>
#include <lame.h>
#include <mpg123.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace bench_mp3 {

constexpr int kRate = 44100;
constexpr int kSeconds = 180;

// A 220 Hz tone swelling on the left and a steady 330 Hz tone on the right. With
// `info_frame` lame leaves room for its leading info frame, as a file written by it has.
inline std::vector<uint8_t> EncodeThreeMinutes(bool info_frame) {
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, kRate);
    lame_set_num_channels(lame, 2);
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 7);
    if (!info_frame) lame_set_bWriteVbrTag(lame, 0);
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
}

inline void ReportRealtime(benchmark::State& state, uint64_t bytes) {
    benchmark::DoNotOptimize(bytes);
    state.counters["x_realtime"] =
        benchmark::Counter(double(state.iterations()) * kSeconds, benchmark::Counter::kIsRate);
}

// libmpg123 fed the whole file at once; returns the PCM bytes it decoded.
inline uint64_t DecodeWithLibmpg123(const std::vector<uint8_t>& mp3) {
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(h);
    mpg123_format(h, kRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    mpg123_open_feed(h);
    mpg123_feed(h, mp3.data(), mp3.size());
    off_t frame;
    unsigned char* audio;
    size_t bytes;
    uint64_t total = 0;
    for (int r; (r = mpg123_decode_frame(h, &frame, &audio, &bytes)) == MPG123_OK || r == MPG123_NEW_FORMAT;)
        total += bytes;
    mpg123_delete(h);
    return total;
}

}  // namespace bench_mp3
