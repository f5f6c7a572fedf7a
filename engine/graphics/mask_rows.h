// The software mask screen's row work over a draw's rectangle: copying the target into
// the mask image before the draw, and putting the drawn pixels back afterwards where a
// mask byte lets the draw through. The reference goes one pixel at a time; the rows the
// draws use take 16 pixels a step and must give the same pixels.
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
// the byte is not 0, `clear` where it is. The 4-byte form takes 16 bytes a step.
template <class Texel>
void MaskBytesToTexelsReference(uint8_t* out, const uint8_t* mask, int count, uint32_t clear, uint32_t opaque) {
    for (int x = 0; x < count; ++x) {
        const Texel texel = Texel(mask[x] ? opaque : clear);
        std::memcpy(out + size_t(x) * sizeof(Texel), &texel, sizeof(Texel));
    }
}
void MaskBytesToTexels32(uint8_t* out, const uint8_t* mask, int count, uint32_t clear, uint32_t opaque);

// A rectangle of mask bytes and the texels it becomes, each pointer at the rectangle's
// top-left; pitches in bytes.
struct MaskTexelRect {
    uint8_t* texels;
    size_t texelPitch;
    const uint8_t* mask;
    size_t maskPitch;
    int width, height;
};
// The rectangle's bytes as 4-byte texels, as MaskBytesToTexels32 makes them row by row.
// Runs on AVX2 where the software renderer's rows do.
void MaskRectToTexels32(const MaskTexelRect& rect, uint32_t clear, uint32_t opaque);
// The AVX2 build; call only where the processor has AVX2.
void MaskRectToTexels32Avx2(const MaskTexelRect& rect, uint32_t clear, uint32_t opaque);

// Asks for the mask bytes of a rectangle (at its top-left, `width` by `height`) ahead of
// the composite that reads them after the draw, so that they arrive meanwhile.
void PrefetchMaskBytes(const uint8_t* mask, size_t pitch, int width, int height);

// `bytes` is the pixel size, 2 or 4.
void CopyTargetToMaskRows(const MaskRows& rows, int bytes);
// Runs on AVX2 where the software renderer's rows do (see soft::UseAvx2Rows).
void CompositeMaskRows(const MaskRows& rows, int bytes, bool reverse);
// The AVX2 build of the composite; call only where the processor has AVX2.
void CompositeMaskRowsAvx2(const MaskRows& rows, int bytes, bool reverse);

}  // namespace orvik
