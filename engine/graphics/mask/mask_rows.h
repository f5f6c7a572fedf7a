// The mask screen's row work over a draw's rectangle. Software path: copying the target
// into the mask image before the draw, and putting the drawn pixels back afterwards where
// a mask byte lets the draw through. Device path: the mask bytes as bits, and the bits as
// the texels the composite reads. The references go one pixel at a time; the rows the
// draws use take several a step and must give the same pixels.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace orvik {

// One rectangle in the target, the mask image and the mask bytes, each pointer at the
// rectangle's top-left; pitches in bytes.
struct MaskRows {
    uint8_t* target;
    size_t targetPitch;
    uint8_t* image;
    size_t imagePitch;
    const uint8_t* mask;
    size_t maskPitch;
    int width, height;
};

// A byte lets the draw through when it is 0, or, reversed, when it is not.
template <class Pixel>
void CompositeMaskRowReference(Pixel* out, const Pixel* in, const uint8_t* mask, int count, bool reverse) {
    for (int x = 0; x < count; ++x)
        if ((mask[x] == 0) != reverse) out[x] = in[x];
}

// The mask bytes as texels for the device, `Texel` bytes each from `out`: `opaque` where
// the byte is not 0, `clear` where it is.
template <class Texel>
void MaskBytesToTexelsReference(uint8_t* out, const uint8_t* mask, int count, uint32_t clear, uint32_t opaque) {
    for (int x = 0; x < count; ++x) {
        const Texel texel = Texel(mask[x] ? opaque : clear);
        std::memcpy(out + size_t(x) * sizeof(Texel), &texel, sizeof(Texel));
    }
}

// The mask bytes one bit each: bit i % 8 of byte i / 8 is set where byte i is not 0.
// The device's composite reads a draw's rectangle of them: an eighth of the bytes' size,
// they stay in the cache where the bytes of a random rectangle mostly do not.
void PackMaskBits(uint8_t* bits, const uint8_t* mask, int count);
// The bytes a row of bits for `width` pixels takes, with room to read eight bytes from
// any byte that holds one of them.
constexpr size_t MaskBitPitch(int width) { return size_t(width + 7) / 8 + 8; }
// The 32 bits from bit `shift` (0 to 14) of `bits` on. Static: the AVX2 file's copy must
// not stand in for the baseline one.
static inline uint32_t MaskBitsWordAt(const uint8_t* bits, int shift) {
    uint64_t word;
    std::memcpy(&word, bits, sizeof(word));
    return uint32_t(word >> shift);
}
// A rectangle of mask bits and the 4-byte texels it becomes: `texels` at the rectangle's
// top-left, `bits` at the row of its top, its pixels from `x`; pitches in bytes.
struct MaskTexelRect {
    uint8_t* texels;
    size_t texelPitch;
    const uint8_t* bits;
    size_t bitPitch;
    int x, width, height;
};
// The rows of a rectangle's texels, each from its word of bits at a time: `pick` has
// Put32(out, word) for 32 texels, Put8(out, word) for 8 and PutFirst(out, word, count) for
// fewer. One loop for each instruction set's pickers, each file instantiating its own.
// The picker is a small value: a copy the stores cannot alias stays in registers.
template <class Picker>
void MaskTexelRows(const MaskTexelRect& r, const Picker pick) {
    // The rectangle's fields in locals: the texel stores may alias any memory, so the
    // fields would be read again after each one.
    uint8_t* texels = r.texels;
    const uint8_t* bits = r.bits + size_t(r.x) / 8;
    const size_t texelPitch = r.texelPitch, bitPitch = r.bitPitch;
    const int width = r.width, height = r.height, shift = r.x % 8;
    for (int y = 0; y < height; ++y, texels += texelPitch, bits += bitPitch) {
        int i = 0;
        for (; i + 32 <= width; i += 32) pick.Put32(texels + size_t(i) * 4, MaskBitsWordAt(bits + i / 8, shift));
        for (; i + 8 <= width; i += 8) pick.Put8(texels + size_t(i) * 4, MaskBitsWordAt(bits + i / 8, shift));
        if (i < width) pick.PutFirst(texels + size_t(i) * 4, MaskBitsWordAt(bits + i / 8, shift), width - i);
    }
}
// The texels MaskBytesToTexelsReference<uint32_t> makes of the bytes the bits came from,
// eight a step; on AVX2 where the software renderer's rows run on it.
void MaskBitsToTexels32(const MaskTexelRect& rect, uint32_t clear, uint32_t opaque);
// The AVX2 build of it; call only where the processor has AVX2.
void MaskBitsToTexels32Avx2(const MaskTexelRect& rect, uint32_t clear, uint32_t opaque);

// `bytes` is the pixel size, 2 or 4.
void CopyTargetToMaskRows(const MaskRows& rows, int bytes);
// Runs on AVX2 where the software renderer's rows do (see soft::UseAvx2Rows).
void CompositeMaskRows(const MaskRows& rows, int bytes, bool reverse);
// The AVX2 build of the composite; call only where the processor has AVX2.
void CompositeMaskRowsAvx2(const MaskRows& rows, int bytes, bool reverse);

}  // namespace orvik
