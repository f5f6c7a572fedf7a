#include <algorithm>

#include "host/acm/acm_codec.h"

namespace host {

void BlockCodec::Convert(std::span<const uint8_t> src, std::span<uint8_t> dst, uint32_t,
                         uint32_t& srcUsed, uint32_t& dstUsed) {
    const size_t blocks = std::min(src.size() / inBlock_, dst.size() / outBlock_);
    for (size_t i = 0; i < blocks; ++i)
        DecodeBlock(src.data() + i * inBlock_, dst.data() + i * outBlock_);
    srcUsed = uint32_t(blocks * inBlock_);
    dstUsed = uint32_t(blocks * outBlock_);
}

uint64_t BlockCodec::DstSizeFor(uint32_t srcBytes) const {
    return (uint64_t(srcBytes) + inBlock_ - 1) / inBlock_ * outBlock_;
}

uint64_t BlockCodec::SrcSizeFor(uint32_t dstBytes) const {
    return uint64_t(dstBytes) / outBlock_ * inBlock_;
}

const AcmCodecInfo* FindAcmCodec(uint16_t tag) {
    static const AcmCodecInfo* const kCodecs[] = {&kPcmCodec,   &kMsAdpcmCodec, &kImaAdpcmCodec,
                                                  &kAlawCodec,  &kMulawCodec,   &kMpegAudioCodec};
    for (const AcmCodecInfo* c : kCodecs)
        if (c->tag == tag) return c;
    return nullptr;
}

}  // namespace host
