// MPEG audio (format tag 0x55) through libmpg123's feed interface: source bytes are fed
// in small pieces, and no more are taken while decoded PCM waits for room in the
// destination, so nothing decoded is ever dropped. The sound is in the format's own rate
// and channel count: frames in another are converted to it.
#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "host/acm/acm_codec.h"
#include "host/acm/mpg123_feed.h"

namespace host {
namespace {

constexpr uint32_t kFeedPiece = 512;
// The lowest bit rate, 8 kbit/s, is 1000 bytes a second, so one source byte stands for at
// most a thousandth of a second of output, whatever rate its frame has; and the decoder
// may still hold two frames of 1152 samples, made up to six times as many by the
// conversion (8 kHz to 48 kHz).
constexpr uint64_t kLowestBytesPerSecond = 1000;
constexpr uint64_t kHeldBackFrames = 2 * 1152 * 6;

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
    MpegAudioCodec(std::unique_ptr<Mpg123Feed> feed, const WAVEFORMATEX& format)
        : feed_(std::move(feed)), frameBytes_(format.nChannels * 2u), rate_(format.nSamplesPerSec) {}

    void Convert(std::span<const uint8_t> src, std::span<uint8_t> dst, uint32_t flags,
                 uint32_t& srcUsed, uint32_t& dstUsed) override {
        if (flags & ACM_STREAMCONVERTF_START) Restart();
        srcUsed = 0;
        dstUsed = 0;
        Drain(dst, dstUsed);
        while (srcUsed < src.size() && pending_.size() < frameBytes_ && dstUsed < dst.size() &&
               !feed_->Ended()) {
            const size_t piece = std::min<size_t>(kFeedPiece, src.size() - srcUsed);
            if (!feed_->Feed(src.subspan(srcUsed, piece))) break;
            srcUsed += uint32_t(piece);
            DecodeAvailable();
            Drain(dst, dstUsed);
        }
    }

    uint64_t DstSizeFor(uint32_t srcBytes) const override {
        const uint64_t framesPerByte = (rate_ + kLowestBytesPerSecond - 1) / kLowestBytesPerSecond;
        return (srcBytes * framesPerByte + kHeldBackFrames) * frameBytes_ + pending_.size();
    }

    uint64_t SrcSizeFor(uint32_t) const override { return 0; }

private:
    void Restart() {
        pending_.clear();
        feed_->Restart();
    }

    // Takes every frame the decoder can give from what it has been fed; it stops at the
    // end, or for more data, or at a damaged frame it will resync after.
    void DecodeAvailable() {
        std::span<uint8_t> samples;
        while (feed_->Next(&samples) == Mpg123Feed::Step::kFrame)
            pending_.insert(pending_.end(), samples.begin(), samples.end());
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

    std::unique_ptr<Mpg123Feed> feed_;
    uint32_t frameBytes_;
    uint32_t rate_;
    std::vector<uint8_t> pending_;
};

std::unique_ptr<AcmCodec> OpenMpegAudio(const WAVEFORMATEX& src, const WAVEFORMATEX&) {
    std::unique_ptr<Mpg123Feed> feed =
        Mpg123Feed::Open(MPG123_ENC_SIGNED_16, {long(src.nSamplesPerSec), int(src.nChannels)});
    return feed ? std::make_unique<MpegAudioCodec>(std::move(feed), src) : nullptr;
}

}  // namespace

extern const AcmCodecInfo kMpegAudioCodec = {WAVE_FORMAT_MPEGLAYER3, false, AcceptsMpegAudio,
                                             OpenMpegAudio};

}  // namespace host
