// IMA (DVI) ADPCM: 4-bit codes with an adaptive step from an 89-entry table. A block
// starts with each channel's first sample and step index; the codes follow in 4-byte
// groups per channel, the low nibble first.
#include <algorithm>

#include "host/acm/acm_codec.h"

namespace host {
namespace {

struct ImaChannel {
    int32_t sample;
    int32_t index;  // 0 ... 88
};

constexpr int16_t kImaStepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr int8_t kImaIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

int32_t ImaExpand(ImaChannel& s, uint32_t code) {
    const int32_t step = kImaStepTable[s.index];
    int32_t diff = step >> 3;
    if (code & 1) diff += step >> 2;
    if (code & 2) diff += step >> 1;
    if (code & 4) diff += step;
    s.sample = std::clamp(code & 8 ? s.sample - diff : s.sample + diff, -32768, 32767);
    s.index = std::clamp(s.index + kImaIndexTable[code], 0, 88);
    return s.sample;
}

constexpr uint32_t kHeaderBytesPerChannel = 4;

uint32_t ImaSamplesPerBlock(uint32_t blockAlign, uint32_t channels) {
    return (blockAlign - kHeaderBytesPerChannel * channels) * 2 / channels + 1;
}

bool AcceptsImaAdpcm(const WAVEFORMATEX& f) {
    if (f.wFormatTag != WAVE_FORMAT_IMA_ADPCM || f.wBitsPerSample != 4) return false;
    if ((f.nChannels != 1 && f.nChannels != 2) || f.nSamplesPerSec == 0 || f.cbSize < 2) return false;
    const uint32_t groupBytes = 4u * f.nChannels;
    if (f.nBlockAlign <= groupBytes || f.nBlockAlign % groupBytes != 0) return false;
    const uint32_t samples = ReadLe16(FormatExtra(f));
    return samples >= 1 && samples <= ImaSamplesPerBlock(f.nBlockAlign, f.nChannels);
}

class ImaAdpcmCodec final : public BlockCodec {
public:
    ImaAdpcmCodec(const WAVEFORMATEX& f, uint16_t samplesPerBlock)
        : BlockCodec(f.nBlockAlign, samplesPerBlock * f.nChannels * 2u),
          channels_(f.nChannels),
          samplesPerBlock_(samplesPerBlock) {}

private:
    void DecodeBlock(const uint8_t* in, uint8_t* out) override {
        const uint32_t ch = channels_;
        for (uint32_t c = 0; c < ch; ++c) {
            ImaChannel s{int16_t(ReadLe16(in + 4 * c)), std::min<int32_t>(in[4 * c + 2], 88)};
            WriteSample16(out + 2 * c, s.sample);
            // Codes of this channel: 4-byte groups every 4 x channels bytes.
            const uint8_t* codes = in + kHeaderBytesPerChannel * ch + 4 * c;
            for (uint32_t n = 0; n + 1 < samplesPerBlock_; ++n) {
                const uint8_t byte = codes[(n / 8) * 4 * ch + (n % 8) / 2];
                const uint32_t code = n % 2 == 0 ? byte & 0x0F : byte >> 4;
                WriteSample16(out + 2 * ((n + 1) * ch + c), ImaExpand(s, code));
            }
        }
    }

    uint32_t channels_;
    uint32_t samplesPerBlock_;
};

std::unique_ptr<AcmCodec> OpenImaAdpcm(const WAVEFORMATEX& src, const WAVEFORMATEX&) {
    return std::make_unique<ImaAdpcmCodec>(src, ReadLe16(FormatExtra(src)));
}

}  // namespace

extern const AcmCodecInfo kImaAdpcmCodec = {WAVE_FORMAT_IMA_ADPCM, false, AcceptsImaAdpcm,
                                            OpenImaAdpcm};

}  // namespace host
