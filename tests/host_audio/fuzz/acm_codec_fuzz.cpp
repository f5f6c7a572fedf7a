// Feeds any bytes to the compression manager's codecs: the first bytes choose the codec
// and the fields of its format (extra bytes included), the rest is the source, converted
// in steps and destination sizes also taken from the input. Nothing may crash, read or
// write out of bounds, or report more bytes used than it was given.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/acm/acm.h"

namespace {

constexpr uint16_t kTags[] = {host::WAVE_FORMAT_PCM,       host::WAVE_FORMAT_ADPCM,
                              host::WAVE_FORMAT_ALAW,      host::WAVE_FORMAT_MULAW,
                              host::WAVE_FORMAT_IMA_ADPCM, host::WAVE_FORMAT_MPEGLAYER3};
constexpr size_t kFormatBytes = 18 + 64;
constexpr size_t kHeadBytes = 1 + kFormatBytes + 4;

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHeadBytes) return 0;
    // The format block, padded to its full room so its extra bytes can be read.
    std::vector<uint8_t> format(data + 1, data + 1 + kFormatBytes);
    const uint16_t tag = kTags[data[0] % std::size(kTags)];
    std::memcpy(format.data(), &tag, 2);
    format[16] = uint8_t(format[16] % 65);  // cbSize within the room
    format[17] = 0;
    const auto* src = reinterpret_cast<const host::WAVEFORMATEX*>(format.data());
    const uint32_t step = 1 + (data[1 + kFormatBytes] | data[2 + kFormatBytes] << 8);
    const uint32_t room = 1 + (data[3 + kFormatBytes] | data[4 + kFormatBytes] << 8) * 4;
    std::vector<uint8_t> source(data + kHeadBytes, data + size);

    host::WAVEFORMATEX dst{};
    dst.wFormatTag = host::WAVE_FORMAT_PCM;
    if (host::acmFormatSuggest(nullptr, src, &dst, sizeof dst, host::ACM_FORMATSUGGESTF_WFORMATTAG))
        return 0;
    host::HACMSTREAM stream = nullptr;
    if (host::acmStreamOpen(&stream, nullptr, src, &dst, nullptr, 0, 0, 0)) return 0;
    uint32_t bound = 0;
    host::acmStreamSize(stream, uint32_t(source.size()), &bound, host::ACM_STREAMSIZEF_SOURCE);
    std::vector<uint8_t> out(room);
    size_t at = 0;
    uint64_t produced = 0;
    for (int guard = 0; guard < 100000; ++guard) {
        host::ACMSTREAMHEADER h;
        h.pbSrc = source.data() + at;
        h.cbSrcLength = uint32_t(std::min<size_t>(step, source.size() - at));
        h.pbDst = out.data();
        h.cbDstLength = room;
        Check(host::acmStreamPrepareHeader(stream, &h, 0) == host::MMSYSERR_NOERROR);
        Check(host::acmStreamConvert(stream, &h, host::ACM_STREAMCONVERTF_BLOCKALIGN) ==
              host::MMSYSERR_NOERROR);
        Check(h.cbSrcLengthUsed <= h.cbSrcLength && h.cbDstLengthUsed <= room);
        Check(host::acmStreamUnprepareHeader(stream, &h, 0) == host::MMSYSERR_NOERROR);
        at += h.cbSrcLengthUsed;
        produced += h.cbDstLengthUsed;
        if (h.cbSrcLengthUsed == 0 && h.cbDstLengthUsed == 0) break;
    }
    // The estimate bounds what the whole source gave.
    Check(bound == 0 || produced <= bound);
    host::acmStreamClose(stream, 0);
    return 0;
}
