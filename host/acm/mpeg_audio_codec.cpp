// MPEG audio (format tag 0x55) through libmpg123's feed interface: source bytes are fed
// in small pieces, and no more are taken while decoded PCM waits for room in the
// destination, so nothing decoded is ever dropped.
#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "host/acm/acm_codec.h"

namespace host {
namespace {

constexpr uint32_t kFeedPiece = 512;
// The most PCM samples (per channel) one source byte can stand for: an MPEG-2 layer III
// or layer II frame at 8 kbit/s and 24 kHz (24 bytes or 48 bytes for 576 or 1152
// samples); and two frames the decoder may still hold.
constexpr uint64_t kMaxSamplesPerByte = 24;
constexpr uint64_t kHeldBackSamples = 2 * 1152;

bool IsMpegRate(uint32_t rate) {
    constexpr uint32_t kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    return std::find(std::begin(kRates), std::end(kRates), rate) != std::end(kRates);
}

bool AcceptsMpegAudio(const WAVEFORMATEX& f) {
    return f.wFormatTag == WAVE_FORMAT_MPEGLAYER3 && (f.nChannels == 1 || f.nChannels == 2) &&
           IsMpegRate(f.nSamplesPerSec) && f.cbSize >= MPEGLAYER3_WFX_EXTRA_BYTES;
}

class MpegAudioCodec final : public AcmCodec {
public:
    MpegAudioCodec(mpg123_handle* handle, uint16_t channels)
        : handle_(handle), frameBytes_(channels * 2u) {}
    ~MpegAudioCodec() override { mpg123_delete(handle_); }

    void Convert(std::span<const uint8_t> src, std::span<uint8_t> dst, uint32_t flags,
                 uint32_t& srcUsed, uint32_t& dstUsed) override {
        if (flags & ACM_STREAMCONVERTF_START) Restart();
        srcUsed = 0;
        dstUsed = 0;
        Drain(dst, dstUsed);
        while (srcUsed < src.size() && pending_.size() < frameBytes_ && dstUsed < dst.size()) {
            const size_t piece = std::min<size_t>(kFeedPiece, src.size() - srcUsed);
            if (mpg123_feed(handle_, src.data() + srcUsed, piece) != MPG123_OK) break;
            srcUsed += uint32_t(piece);
            DecodeAvailable();
            Drain(dst, dstUsed);
        }
    }

    uint64_t DstSizeFor(uint32_t srcBytes) const override {
        return (srcBytes * kMaxSamplesPerByte + kHeldBackSamples) * frameBytes_ + pending_.size();
    }

    uint64_t SrcSizeFor(uint32_t) const override { return 0; }

private:
    void Restart() {
        pending_.clear();
        mpg123_close(handle_);
        mpg123_open_feed(handle_);
    }

    // Takes every frame the decoder can give from what it has been fed.
    void DecodeAvailable() {
        for (;;) {
            off_t frame = 0;
            unsigned char* audio = nullptr;
            size_t bytes = 0;
            const int result = mpg123_decode_frame(handle_, &frame, &audio, &bytes);
            if (result == MPG123_OK || result == MPG123_NEW_FORMAT) {
                if (audio && bytes) pending_.insert(pending_.end(), audio, audio + bytes);
                continue;
            }
            return;  // needs more data, or a damaged frame it will resync after
        }
    }

    // Moves whole frames of pending PCM into the destination.
    void Drain(std::span<uint8_t> dst, uint32_t& dstUsed) {
        const size_t room = (dst.size() - dstUsed) / frameBytes_ * frameBytes_;
        const size_t n = std::min(room, pending_.size() / frameBytes_ * frameBytes_);
        if (n == 0) return;
        std::memcpy(dst.data() + dstUsed, pending_.data(), n);
        pending_.erase(pending_.begin(), pending_.begin() + ptrdiff_t(n));
        dstUsed += uint32_t(n);
    }

    mpg123_handle* handle_;
    uint32_t frameBytes_;
    std::vector<uint8_t> pending_;
};

std::unique_ptr<AcmCodec> OpenMpegAudio(const WAVEFORMATEX& src, const WAVEFORMATEX&) {
    int error = MPG123_OK;
    mpg123_handle* h = mpg123_new(nullptr, &error);
    if (!h) return nullptr;
    const int channels = src.nChannels == 1 ? MPG123_MONO : MPG123_STEREO;
    if (mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0) != MPG123_OK ||
        mpg123_format_none(h) != MPG123_OK ||
        mpg123_format(h, long(src.nSamplesPerSec), channels, MPG123_ENC_SIGNED_16) != MPG123_OK ||
        mpg123_open_feed(h) != MPG123_OK) {
        mpg123_delete(h);
        return nullptr;
    }
    return std::make_unique<MpegAudioCodec>(h, src.nChannels);
}

}  // namespace

extern const AcmCodecInfo kMpegAudioCodec = {WAVE_FORMAT_MPEGLAYER3, false, AcceptsMpegAudio,
                                             OpenMpegAudio};

}  // namespace host
