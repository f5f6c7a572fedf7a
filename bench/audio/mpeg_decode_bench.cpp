// Decoding three minutes of 128 kbit/s stereo MPEG layer-3 (encoded once at start with
// libmp3lame) to 16-bit PCM: through the compression manager in the engine's steps of
// 2048 source bytes into 4/3 second blocks, against libmpg123 fed the whole file.
// "x_realtime" is seconds of sound decoded per second.
#include <algorithm>
#include <vector>

#include "bench/common/mp3_sample.h"
#include "host/acm/acm.h"

namespace {

using bench_mp3::kRate;
using bench_mp3::ReportRealtime;

const std::vector<uint8_t>& ThreeMinutes() {
    static const std::vector<uint8_t> mp3 = bench_mp3::EncodeThreeMinutes(true);
    return mp3;
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
    ReportRealtime(state, total);
}

void BM_MpegThroughLibmpg123(benchmark::State& state) {
    const std::vector<uint8_t>& mp3 = ThreeMinutes();
    uint64_t total = 0;
    for (auto _ : state) total += bench_mp3::DecodeWithLibmpg123(mp3);
    ReportRealtime(state, total);
}

BENCHMARK(BM_MpegThroughCompressionManager)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MpegThroughLibmpg123)->Unit(benchmark::kMillisecond);

}  // namespace
