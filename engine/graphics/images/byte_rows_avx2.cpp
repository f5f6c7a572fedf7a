// The byte rows on AVX2: eight pixels a step, four in each half of the register,
// rearranged by one byte shuffle. This file alone is built with -mavx2 and is reached
// only where the processor has it; everything it defines but its one entry is in an
// unnamed namespace, so that no AVX2 code stands in for a baseline copy of an inline
// function at link time.
#include "engine/graphics/images/byte_rows.h"

#if defined(__AVX2__)
#include <immintrin.h>

#include <cstddef>
#include <cstring>

namespace orvik {

namespace {

// The shuffle for four pixels in each half and its fill bytes.
struct Masks {
    __m256i pick, fill;
};

Masks MasksFor(const ByteShuffle& s) {
    uint8_t pick[16], fill[16];
    ByteShuffleControl(s, pick, fill);
    return {_mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pick))),
            _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(fill)))};
}

__m128i Load16(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

template <int S, int D>
void Rows(const ByteShuffle& s, const ByteRows& rows) {
    const Masks m = MasksFor(s);
    // Each step loads 16 bytes at the first pixel and at the fifth, which must lie within
    // the row.
    const auto fits = [&](int x) { return size_t(x + 4) * S + 16 <= size_t(rows.count) * S; };
    ForEachStep<S, D, 8>(rows, fits, [&](const uint8_t* in, uint8_t* out) {
        __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(Load16(in)), Load16(in + 4 * S), 1);
        v = _mm256_or_si256(_mm256_shuffle_epi8(v, m.pick), m.fill);
        if constexpr (D == 4) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), v);
        } else {
            // The two halves' twelve bytes side by side: 24 bytes from the start.
            v = _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(v));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 16), _mm256_extracti128_si256(v, 1));
        }
    });
}

}  // namespace

ByteShuffleRowsFn ByteShuffleRowsAvx2(const ByteShuffle& s) {
    return RowsForSizes<Rows<3, 3>, Rows<3, 4>, Rows<4, 3>, Rows<4, 4>>(s);
}

}  // namespace orvik
#endif
