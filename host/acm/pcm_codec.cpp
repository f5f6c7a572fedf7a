// PCM to PCM: 8 or 16 bits, one or two channels, at the same rate. Two channels become
// one by their average; one becomes two by copying.
#include "host/acm/acm_codec.h"

namespace host {
namespace {

bool IsPlainPcm(const WAVEFORMATEX& f) {
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
           f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8 && f.nSamplesPerSec > 0;
}

int32_t ReadPcm(const uint8_t* p, uint16_t bits) {
    if (bits == 8) return (int32_t(*p) - 128) * 256;
    return int16_t(ReadLe16(p));
}

void WritePcm(uint8_t* p, uint16_t bits, int32_t s) {
    if (bits == 8)
        *p = uint8_t((s >> 8) + 128);
    else
        WriteSample16(p, s);
}

class PcmCodec final : public BlockCodec {
public:
    PcmCodec(const WAVEFORMATEX& src, const WAVEFORMATEX& dst)
        : BlockCodec(src.nBlockAlign, dst.nBlockAlign), src_(src), dst_(dst) {}

private:
    void DecodeBlock(const uint8_t* in, uint8_t* out) override {
        const uint32_t inBytes = src_.wBitsPerSample / 8;
        const uint32_t outBytes = dst_.wBitsPerSample / 8;
        int32_t left = ReadPcm(in, src_.wBitsPerSample);
        int32_t right = src_.nChannels == 2 ? ReadPcm(in + inBytes, src_.wBitsPerSample) : left;
        if (dst_.nChannels == 1) {
            WritePcm(out, dst_.wBitsPerSample, (left + right) >> 1);
            return;
        }
        WritePcm(out, dst_.wBitsPerSample, left);
        WritePcm(out + outBytes, dst_.wBitsPerSample, right);
    }

    WAVEFORMATEX src_;
    WAVEFORMATEX dst_;
};

std::unique_ptr<AcmCodec> OpenPcm(const WAVEFORMATEX& src, const WAVEFORMATEX& dst) {
    return std::make_unique<PcmCodec>(src, dst);
}

}  // namespace

extern const AcmCodecInfo kPcmCodec = {WAVE_FORMAT_PCM, true, IsPlainPcm, OpenPcm};

}  // namespace host
