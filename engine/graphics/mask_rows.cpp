#include "engine/graphics/mask_rows.h"

#include "engine/softrender/simd_rows.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orvik {

namespace {

#if defined(__SSE2__)
__m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
void Store(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }

// The lanes of `through` that are all ones take the drawn pixel.
void Select(void* out, const void* in, __m128i through) {
    Store(out, _mm_or_si128(_mm_and_si128(through, Load(in)), _mm_andnot_si128(through, Load(out))));
}

// Sixteen pixels: each mask byte widened to its pixel's lanes. Runs the mask keeps whole
// are not touched, and runs it lets through whole are copied without reading the target.
template <class Pixel>
void CompositeStep(Pixel* out, const Pixel* in, __m128i through) {
    constexpr int kLanes = 16 / int(sizeof(Pixel));
    const int bits = _mm_movemask_epi8(through);
    if (bits == 0) return;
    if (bits == 0xFFFF) {
        for (int i = 0; i < 16; i += kLanes) Store(out + i, Load(in + i));
        return;
    }
    const __m128i low = _mm_unpacklo_epi8(through, through), high = _mm_unpackhi_epi8(through, through);
    if constexpr (sizeof(Pixel) == 2) {
        Select(out, in, low);
        Select(out + 8, in + 8, high);
    } else {
        Select(out, in, _mm_unpacklo_epi16(low, low));
        Select(out + 4, in + 4, _mm_unpackhi_epi16(low, low));
        Select(out + 8, in + 8, _mm_unpacklo_epi16(high, high));
        Select(out + 12, in + 12, _mm_unpackhi_epi16(high, high));
    }
}
#endif

template <class Pixel>
void CompositeRow(Pixel* out, const Pixel* in, const uint8_t* mask, int count, bool reverse) {
    int x = 0;
#if defined(__SSE2__)
    const __m128i flip = reverse ? _mm_set1_epi8(-1) : _mm_setzero_si128();
    for (; x + 16 <= count; x += 16)
        CompositeStep(out + x, in + x, _mm_xor_si128(_mm_cmpeq_epi8(Load(mask + x), _mm_setzero_si128()), flip));
#endif
    CompositeMaskRowReference(out + x, in + x, mask + x, count - x, reverse);
}

// A short row: whole vectors, then the last vector again where it overlaps the rest.
void CopyRow(uint8_t* to, const uint8_t* from, size_t size) {
#if defined(__SSE2__)
    if (size >= 16) {
        for (size_t i = 0; i + 16 <= size; i += 16) Store(to + i, Load(from + i));
        Store(to + size - 16, Load(from + size - 16));
        return;
    }
#endif
    std::memcpy(to, from, size);
}

template <class Pixel>
void CompositeRows(const MaskRows& r, bool reverse) {
    for (int y = 0; y < r.height; ++y)
        CompositeRow(reinterpret_cast<Pixel*>(r.target + size_t(y) * r.targetPitch),
                     reinterpret_cast<const Pixel*>(r.image + size_t(y) * r.imagePitch), r.mask + size_t(y) * r.maskPitch,
                     r.width, reverse);
}

}  // namespace

void PackMaskBits(uint8_t* bits, const uint8_t* mask, int count) {
    int x = 0;
#if defined(__SSE2__)
    for (; x + 16 <= count; x += 16) {
        const uint16_t set = uint16_t(~_mm_movemask_epi8(_mm_cmpeq_epi8(Load(mask + x), _mm_setzero_si128())));
        std::memcpy(bits + x / 8, &set, sizeof(set));
    }
#endif
    for (; x < count; x += 8) {
        uint8_t byte = 0;
        for (int k = 0; k < 8 && x + k < count; ++k) byte = uint8_t(byte | (mask[x + k] != 0) << k);
        bits[x / 8] = byte;
    }
}

void MaskBitsToTexels32(const MaskTexelRect& r, uint32_t clear, uint32_t opaque) {
#if defined(ORVIK_AVX2_ROWS)
    if (soft::Avx2RowsInUse()) {
        MaskBitsToTexels32Avx2(r, clear, opaque);
        return;
    }
#endif
#if defined(__SSE2__)
    // Four texels a step, eight steps to a word of bits read once: a lane is all ones where
    // its bit is clear, and picks `clear` there.
    const __m128i clears = _mm_set1_epi32(int(clear)), opaques = _mm_set1_epi32(int(opaque));
    __m128i lanes[8];
    for (int k = 0; k < 8; ++k) lanes[k] = _mm_slli_epi32(_mm_setr_epi32(1, 2, 4, 8), 4 * k);
#endif
    for (int y = 0; y < r.height; ++y) {
        uint8_t* out = r.texels + size_t(y) * r.texelPitch;
        const uint8_t* bits = r.bits + size_t(y) * r.bitPitch;
        int i = 0;
#if defined(__SSE2__)
        while (i + 4 <= r.width) {
            const __m128i word = _mm_set1_epi32(int(MaskBitsFrom(bits, uint32_t(r.x + i))));
            for (int k = 0; k < 8 && i + 4 <= r.width; ++k, i += 4) {
                const __m128i clearLanes = _mm_cmpeq_epi32(_mm_and_si128(word, lanes[k]), _mm_setzero_si128());
                Store(out + size_t(i) * 4,
                      _mm_or_si128(_mm_and_si128(clearLanes, clears), _mm_andnot_si128(clearLanes, opaques)));
            }
        }
#endif
        for (; i < r.width; ++i) MaskBitToTexel32(out + size_t(i) * 4, bits, uint32_t(r.x + i), clear, opaque);
    }
}

void CopyTargetToMaskRows(const MaskRows& r, int bytes) {
    const size_t size = size_t(r.width) * size_t(bytes);
    for (int y = 0; y < r.height; ++y)
        CopyRow(r.image + size_t(y) * r.imagePitch, r.target + size_t(y) * r.targetPitch, size);
}

void CompositeMaskRows(const MaskRows& r, int bytes, bool reverse) {
#if defined(ORVIK_AVX2_ROWS)
    if (soft::Avx2RowsInUse()) {
        CompositeMaskRowsAvx2(r, bytes, reverse);
        return;
    }
#endif
    if (bytes == 4) CompositeRows<uint32_t>(r, reverse);
    else if (bytes == 2) CompositeRows<uint16_t>(r, reverse);
}

}  // namespace orvik
