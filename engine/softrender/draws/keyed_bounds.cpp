#include "engine/softrender/draws/keyed_bounds.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orvik::soft {
namespace {

template <int Bytes>
struct Texels {
    using Raw = std::conditional_t<Bytes == 1, uint8_t, std::conditional_t<Bytes == 2, uint16_t, uint32_t>>;
    // Texels compared at once: 16 bytes of them.
    static constexpr int32_t kChunk = 16 / Bytes;

    const MEMIMG& src;
    Raw trans;

    const uint8_t* At(int32_t x, int32_t y) const {
        return src.pixels + ptrdiff_t{y} * src.store->pitch + ptrdiff_t{x} * Bytes;
    }
    bool Shown(int32_t x, int32_t y) const {
        Raw v;
        std::memcpy(&v, At(x, y), Bytes);
        return v != trans;
    }
    // Whether all kChunk texels from (x, y) on are transparent.
    bool ChunkHidden(int32_t x, int32_t y) const {
#if defined(__SSE2__)
        const __m128i texels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(At(x, y)));
        __m128i same;
        if constexpr (Bytes == 1) same = _mm_cmpeq_epi8(texels, _mm_set1_epi8(static_cast<char>(trans)));
        else if constexpr (Bytes == 2) same = _mm_cmpeq_epi16(texels, _mm_set1_epi16(static_cast<short>(trans)));
        else same = _mm_cmpeq_epi32(texels, _mm_set1_epi32(static_cast<int>(trans)));
        return _mm_movemask_epi8(same) == 0xFFFF;
#else
        for (int32_t i = 0; i < kChunk; ++i)
            if (Shown(x + i, y)) return false;
        return true;
#endif
    }
    // The first shown texel of row y in columns from..to - 1, or `to` when none is.
    int32_t FirstShown(int32_t y, int32_t from, int32_t to) const {
        while (from + kChunk <= to && ChunkHidden(from, y)) from += kChunk;
        while (from < to && !Shown(from, y)) ++from;
        return from;
    }
    // One past the last shown texel of row y in columns from..to - 1, or `from`.
    int32_t EndShown(int32_t y, int32_t from, int32_t to) const {
        while (to - kChunk >= from && ChunkHidden(to - kChunk, y)) to -= kChunk;
        while (to > from && !Shown(to - 1, y)) --to;
        return to;
    }
};

template <int Bytes>
Rect Bounds(const MEMIMG& src, uint32_t trans) {
    const Texels<Bytes> t{src, static_cast<typename Texels<Bytes>::Raw>(trans)};
    const int32_t w = src.width;
    int32_t top = 0, bottom = src.height;
    while (top < bottom && t.FirstShown(top, 0, w) == w) ++top;
    if (top == bottom) return Rect{0, 0, 0, 0};
    while (t.FirstShown(bottom - 1, 0, w) == w) --bottom;
    // Each row only needs a look left of the leftmost shown texel so far, and right of
    // the rightmost.
    int32_t left = t.FirstShown(top, 0, w), right = t.EndShown(top, left, w);
    for (int32_t y = top + 1; y < bottom; ++y) {
        left = t.FirstShown(y, 0, left);
        right = t.EndShown(y, right, w);
    }
    return Rect{left, top, right, bottom};
}

}  // namespace

Rect KeyedSourceBounds(const MEMIMG& src, int bytes, uint32_t trans) {
    if (bytes == 1) return Bounds<1>(src, trans);
    if (bytes == 2) return Bounds<2>(src, trans);
    return Bounds<4>(src, trans);
}

}  // namespace orvik::soft
