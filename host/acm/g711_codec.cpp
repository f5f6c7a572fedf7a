// G.711 A-law and mu-law: one byte a sample, expanded to 16 bits.
#include "host/acm/acm_codec.h"

namespace host {
namespace {

int16_t AlawToLinear(uint8_t a) {
    a ^= 0x55;
    int32_t t = (a & 0x0F) << 4;
    const int segment = (a & 0x70) >> 4;
    if (segment == 0)
        t += 8;
    else
        t = (t + 0x108) << (segment - 1);
    return int16_t((a & 0x80) ? t : -t);
}

int16_t MulawToLinear(uint8_t u) {
    u = uint8_t(~u);
    int32_t t = ((u & 0x0F) << 3) + 0x84;
    t <<= (u & 0x70) >> 4;
    return int16_t((u & 0x80) ? 0x84 - t : t - 0x84);
}

template <uint16_t Tag>
bool AcceptsG711(const WAVEFORMATEX& f) {
    return f.wFormatTag == Tag && (f.nChannels == 1 || f.nChannels == 2) &&
           f.wBitsPerSample == 8 && f.nBlockAlign == f.nChannels && f.nSamplesPerSec > 0;
}

template <int16_t (*Expand)(uint8_t)>
class G711Codec final : public BlockCodec {
public:
    explicit G711Codec(uint16_t channels) : BlockCodec(channels, channels * 2u), channels_(channels) {}

private:
    void DecodeBlock(const uint8_t* in, uint8_t* out) override {
        for (uint16_t c = 0; c < channels_; ++c) WriteSample16(out + 2 * c, Expand(in[c]));
    }
    uint16_t channels_;
};

template <int16_t (*Expand)(uint8_t)>
std::unique_ptr<AcmCodec> OpenG711(const WAVEFORMATEX& src, const WAVEFORMATEX&) {
    return std::make_unique<G711Codec<Expand>>(src.nChannels);
}

}  // namespace

extern const AcmCodecInfo kAlawCodec = {WAVE_FORMAT_ALAW, false, AcceptsG711<WAVE_FORMAT_ALAW>,
                                        OpenG711<AlawToLinear>};
extern const AcmCodecInfo kMulawCodec = {WAVE_FORMAT_MULAW, false,
                                         AcceptsG711<WAVE_FORMAT_MULAW>, OpenG711<MulawToLinear>};

}  // namespace host
