// Four 32-bit pixels at a time for the sprite loops a frame spends most of its time in:
// the keyed copy, the keyed copy of a source with alpha, the alpha blend by the parameter
// and the add at full parameter. Each gives exactly the per-pixel pipeline's result:
// skipped pixels are written back with their own value, and the mixes are the same
// floor((d * 256 + (c - d) * k) / 256), which fits 16-bit lanes (it never exceeds
// 255 * 256). Rows end on the per-pixel pipeline, so any width is handled.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/softrender/pixel_pipeline.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orvik::soft {

#if defined(__SSE2__)

template <class V>
inline constexpr bool kSimdRows =
    V::depth == 32 && !V::pal && !V::blend && !V::tint &&
    ((V::kernel == Kernel::Copy && V::keyed) ||
     (!V::alpha && (V::kernel == Kernel::Alpha || V::kernel == Kernel::AddNoLowBits)));

namespace simd {

inline __m128i Select(__m128i mask, __m128i ifSet, __m128i ifClear) {
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}

// Bytes of d moved toward c by k / 256, k given per 16-bit lane (0 to 256).
inline __m128i Mix(__m128i d, __m128i c, __m128i kLo, __m128i kHi) {
    const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(256);
    auto half = [&](__m128i dh, __m128i ch, __m128i k) {
        return _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(dh, _mm_sub_epi16(full, k)), _mm_mullo_epi16(ch, k)), 8);
    };
    return _mm_packus_epi16(half(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(c, zero), kLo),
                            half(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi8(c, zero), kHi));
}

// The colour bytes of mixed, with the fourth byte of d.
inline __m128i KeepFourth(__m128i mixed, __m128i d) {
    const __m128i fourth = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    return Select(fourth, d, mixed);
}

template <class V>
inline __m128i Pixels4(const PixelContext& cx, __m128i d, __m128i c) {
    const __m128i trans = _mm_set1_epi32(static_cast<int>(cx.trans));
    __m128i r;
    if constexpr (V::kernel == Kernel::Copy && !V::alpha) {
        r = c;
    } else if constexpr (V::kernel == Kernel::Copy) {
        // Alpha 255 copies the whole pixel; alpha 0 mixes by 0, which leaves d as a skip
        // would; any other alpha mixes by a / 256.
        const __m128i a = _mm_srli_epi32(c, 24);
        const __m128i opaque = _mm_cmpeq_epi32(a, _mm_set1_epi32(255));
        // Sprites are mostly wholly opaque or wholly clear: such blocks need no mix.
        if (_mm_movemask_epi8(opaque) == 0xFFFF) return c;
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, _mm_setzero_si128())) == 0xFFFF) return d;
        // Each pixel's alpha in the four 16-bit lanes of its bytes.
        const __m128i pairs = _mm_unpacklo_epi16(_mm_packs_epi32(a, a), _mm_packs_epi32(a, a));
        const __m128i kLo = _mm_unpacklo_epi32(pairs, pairs), kHi = _mm_unpackhi_epi32(pairs, pairs);
        return Select(opaque, c, KeepFourth(Mix(d, c, kLo, kHi), d));
    } else if constexpr (V::kernel == Kernel::Alpha) {
        const __m128i k = _mm_set1_epi16(static_cast<short>(cx.p));
        r = KeepFourth(Mix(d, c, k, k), d);
    } else {
        // The add without the low bits: carries into bits 8, 16 and 24 fill the channels
        // that overflowed.
        const __m128i m = _mm_set1_epi32(0x00FEFEFF);
        const __m128i u = _mm_add_epi32(_mm_and_si128(d, m), _mm_and_si128(c, m));
        const __m128i v = _mm_and_si128(u, _mm_set1_epi32(0x01010100));
        r = _mm_or_si128(_mm_sub_epi32(v, _mm_srli_epi32(v, 8)), u);
    }
    if constexpr (V::keyed) r = Select(_mm_cmpeq_epi32(c, trans), d, r);
    return r;
}

}  // namespace simd

template <class V>
void SimdRows(const PixelContext& cx, uint8_t* dst, ptrdiff_t dstPitch, const uint8_t* src,
              ptrdiff_t srcPitch, int32_t width, int32_t height) {
    const int32_t blocks = width & ~3;
    for (int32_t y = 0; y < height; ++y, dst += dstPitch, src += srcPitch) {
        int32_t x = 0;
        for (; x < blocks; x += 4) {
            __m128i* at = reinterpret_cast<__m128i*>(dst + 4 * x);
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * x));
            _mm_storeu_si128(at, simd::Pixels4<V>(cx, _mm_loadu_si128(at), c));
        }
        for (; x < width; ++x) BlendPixel<V>(cx, dst + 4 * x, src + 4 * x, nullptr);
    }
}

#else

template <class V>
inline constexpr bool kSimdRows = false;

template <class V>
void SimdRows(const PixelContext&, uint8_t*, ptrdiff_t, const uint8_t*, ptrdiff_t, int32_t, int32_t) {}

#endif

}  // namespace orvik::soft
