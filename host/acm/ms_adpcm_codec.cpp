// Microsoft ADPCM: 4-bit codes predicted from the two previous samples with a
// coefficient pair chosen per block from the format's own table (its extra bytes:
// samples per block, coefficient count, then the pairs).
#include <algorithm>
#include <vector>

#include "host/acm/acm_codec.h"

namespace host {
namespace {

constexpr int32_t kAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                     768, 614, 512, 409, 307, 230, 230, 230};
constexpr uint32_t kHeaderBytesPerChannel = 7;
constexpr int32_t kMaxDelta = 1 << 20;

struct MsAdpcmLayout {
    uint16_t samplesPerBlock;
    uint16_t coefficientCount;
};

// Samples a block of this size holds at most.
uint32_t MaxSamplesPerBlock(const WAVEFORMATEX& f) {
    return (f.nBlockAlign - kHeaderBytesPerChannel * f.nChannels) * 2 / f.nChannels + 2;
}

bool AcceptsMsAdpcm(const WAVEFORMATEX& f) {
    if (f.wFormatTag != WAVE_FORMAT_ADPCM || f.wBitsPerSample != 4) return false;
    if (f.nChannels != 1 && f.nChannels != 2) return false;
    if (f.nSamplesPerSec == 0 || f.nBlockAlign <= kHeaderBytesPerChannel * f.nChannels) return false;
    if (f.cbSize < 4) return false;
    const uint8_t* extra = FormatExtra(f);
    const MsAdpcmLayout layout{ReadLe16(extra), ReadLe16(extra + 2)};
    if (layout.coefficientCount == 0 || layout.coefficientCount > 256) return false;
    if (f.cbSize < 4u + 4u * layout.coefficientCount) return false;
    return layout.samplesPerBlock >= 2 && layout.samplesPerBlock <= MaxSamplesPerBlock(f);
}

struct ChannelState {
    int32_t coef1, coef2, delta, sample1, sample2;
};

class MsAdpcmCodec final : public BlockCodec {
public:
    MsAdpcmCodec(const WAVEFORMATEX& f, uint16_t samplesPerBlock,
                 std::vector<std::pair<int32_t, int32_t>> coefficients)
        : BlockCodec(f.nBlockAlign, samplesPerBlock * f.nChannels * 2u),
          channels_(f.nChannels),
          samplesPerBlock_(samplesPerBlock),
          coefficients_(std::move(coefficients)) {}

private:
    void DecodeBlock(const uint8_t* in, uint8_t* out) override {
        const uint32_t ch = channels_;
        ChannelState state[2] = {};
        for (uint32_t c = 0; c < ch; ++c) {
            const uint32_t predictor = in[c];
            if (predictor >= coefficients_.size()) {
                // A block naming a coefficient pair the format lacks decodes as silence.
                std::fill(out, out + samplesPerBlock_ * ch * 2, uint8_t(0));
                return;
            }
            state[c].coef1 = coefficients_[predictor].first;
            state[c].coef2 = coefficients_[predictor].second;
            state[c].delta = int16_t(ReadLe16(in + ch + 2 * c));
            state[c].sample1 = int16_t(ReadLe16(in + 3 * ch + 2 * c));
            state[c].sample2 = int16_t(ReadLe16(in + 5 * ch + 2 * c));
        }
        // The header's two samples come first, the older one before the newer.
        for (uint32_t c = 0; c < ch; ++c) {
            WriteSample16(out + 2 * c, state[c].sample2);
            WriteSample16(out + 2 * (ch + c), state[c].sample1);
        }
        const uint8_t* codes = in + kHeaderBytesPerChannel * ch;
        const uint32_t nibbles = (samplesPerBlock_ - 2) * ch;
        uint8_t* o = out + 4 * ch;
        for (uint32_t n = 0; n < nibbles; ++n) {
            const uint32_t code = n % 2 == 0 ? codes[n / 2] >> 4 : codes[n / 2] & 0x0F;
            WriteSample16(o + 2 * n, Expand(state[n % ch], code));
        }
    }

    static int32_t Expand(ChannelState& s, uint32_t code) {
        const int32_t signedCode = code >= 8 ? int32_t(code) - 16 : int32_t(code);
        const int64_t predicted =
            (int64_t(s.sample1) * s.coef1 + int64_t(s.sample2) * s.coef2) >> 8;
        const int32_t sample =
            int32_t(std::clamp<int64_t>(predicted + int64_t(signedCode) * s.delta, -32768, 32767));
        s.sample2 = s.sample1;
        s.sample1 = sample;
        // Damaged data can make the step grow without end; no real stream comes near the cap.
        s.delta = std::clamp((kAdaptation[code] * s.delta) >> 8, 16, kMaxDelta);
        return sample;
    }

    uint32_t channels_;
    uint32_t samplesPerBlock_;
    std::vector<std::pair<int32_t, int32_t>> coefficients_;
};

std::unique_ptr<AcmCodec> OpenMsAdpcm(const WAVEFORMATEX& src, const WAVEFORMATEX&) {
    const uint8_t* extra = FormatExtra(src);
    std::vector<std::pair<int32_t, int32_t>> coefficients(ReadLe16(extra + 2));
    for (size_t i = 0; i < coefficients.size(); ++i)
        coefficients[i] = {int16_t(ReadLe16(extra + 4 + 4 * i)),
                           int16_t(ReadLe16(extra + 6 + 4 * i))};
    return std::make_unique<MsAdpcmCodec>(src, ReadLe16(extra), std::move(coefficients));
}

}  // namespace

extern const AcmCodecInfo kMsAdpcmCodec = {WAVE_FORMAT_ADPCM, false, AcceptsMsAdpcm, OpenMsAdpcm};

}  // namespace host
