// What every codec of the compression manager offers the stream calls.
#pragma once
#include <cstdint>
#include <memory>
#include <span>

#include "host/acm/acm_types.h"

namespace host {

class AcmCodec {
public:
    virtual ~AcmCodec() = default;
    // Converts as much of src as fits into dst; sets the bytes used of each.
    virtual void Convert(std::span<const uint8_t> src, std::span<uint8_t> dst, uint32_t flags,
                         uint32_t& srcUsed, uint32_t& dstUsed) = 0;
    // At least the output bytes that `srcBytes` more source bytes can give.
    virtual uint64_t DstSizeFor(uint32_t srcBytes) const = 0;
    // Source bytes whose output surely fits `dstBytes`; 0 when none fits.
    virtual uint64_t SrcSizeFor(uint32_t dstBytes) const = 0;
};

// A codec whose source comes in blocks of fixed size that each give a fixed number of
// output bytes (PCM, G.711, the ADPCMs): only whole blocks are converted, and only as
// many as the destination holds.
class BlockCodec : public AcmCodec {
public:
    BlockCodec(uint32_t inBlock, uint32_t outBlock) : inBlock_(inBlock), outBlock_(outBlock) {}
    void Convert(std::span<const uint8_t> src, std::span<uint8_t> dst, uint32_t flags,
                 uint32_t& srcUsed, uint32_t& dstUsed) final;
    uint64_t DstSizeFor(uint32_t srcBytes) const final;
    uint64_t SrcSizeFor(uint32_t dstBytes) const final;

protected:
    virtual void DecodeBlock(const uint8_t* in, uint8_t* out) = 0;

private:
    uint32_t inBlock_;
    uint32_t outBlock_;
};

// One codec per source format tag.
struct AcmCodecInfo {
    uint16_t tag;
    // PCM can also change width and channel count; the others give only their own
    // output (16-bit, the source's channels).
    bool flexibleOutput;
    // The source format is one this codec can decode (its extra bytes included).
    bool (*acceptsSource)(const WAVEFORMATEX& src);
    std::unique_ptr<AcmCodec> (*open)(const WAVEFORMATEX& src, const WAVEFORMATEX& dst);
};

// The codec for a format tag, or null.
const AcmCodecInfo* FindAcmCodec(uint16_t tag);

// Each codec's entry.
extern const AcmCodecInfo kPcmCodec, kMsAdpcmCodec, kImaAdpcmCodec, kAlawCodec, kMulawCodec,
    kMpegAudioCodec;

// The extra bytes that follow an 18-byte format record.
inline const uint8_t* FormatExtra(const WAVEFORMATEX& f) {
    return reinterpret_cast<const uint8_t*>(&f) + sizeof(WAVEFORMATEX);
}
inline uint16_t ReadLe16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline void WriteSample16(uint8_t* out, int32_t s) {
    out[0] = uint8_t(s & 0xFF);
    out[1] = uint8_t((s >> 8) & 0xFF);
}

}  // namespace host
