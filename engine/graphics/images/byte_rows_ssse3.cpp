// The byte rows on SSSE3: four pixels a step, rearranged by one byte shuffle. This file
// alone is built with -mssse3 and is reached only where the processor has it; everything
// it defines but its one entry is in an unnamed namespace, so that no SSSE3 code stands
// in for a baseline copy of an inline function at link time.
#include "engine/graphics/images/byte_rows.h"

#if defined(__SSSE3__)
#include <tmmintrin.h>

#include <cstddef>
#include <cstring>

namespace orvik {

namespace {

// The shuffle for four pixels and its fill bytes.
struct Masks {
    __m128i pick, fill;
};

Masks MasksFor(const ByteShuffle& s) {
    uint8_t pick[16], fill[16];
    ByteShuffleControl(s, pick, fill);
    return {_mm_loadu_si128(reinterpret_cast<const __m128i*>(pick)),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(fill))};
}

template <int S, int D>
void Rows(const ByteShuffle& s, const ByteRows& rows) {
    const Masks m = MasksFor(s);
    // Each step loads 16 bytes, which must lie within the row.
    const auto fits = [&](int x) { return size_t(x) * S + 16 <= size_t(rows.count) * S; };
    ForEachStep<S, D, 4>(rows, fits, [&](const uint8_t* in, uint8_t* out) {
        const __m128i v =
            _mm_or_si128(_mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)), m.pick), m.fill);
        if constexpr (D == 4) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
        } else {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), v);
            const int last = _mm_cvtsi128_si32(_mm_srli_si128(v, 8));
            std::memcpy(out + 8, &last, 4);
        }
    });
}

}  // namespace

ByteShuffleRowsFn ByteShuffleRowsSsse3(const ByteShuffle& s) {
    return RowsForSizes<Rows<3, 3>, Rows<3, 4>, Rows<4, 3>, Rows<4, 4>>(s);
}

}  // namespace orvik
#endif
