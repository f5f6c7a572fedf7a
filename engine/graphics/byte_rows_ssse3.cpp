// The byte rows on SSSE3: four pixels a step, rearranged by one byte shuffle. This file
// alone is built with -mssse3 and is reached only where the processor has it; everything
// it defines but its one entry is in an unnamed namespace, so that no SSSE3 code stands
// in for a baseline copy of an inline function at link time.
#include "engine/graphics/byte_rows.h"

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
void Row(const ByteShuffle& s, uint8_t* dest, const uint8_t* source, int count) {
    const Masks m = MasksFor(s);
    int x = 0;
    // Each step loads 16 bytes, which must lie within the row.
    for (; size_t(x) * S + 16 <= size_t(count) * S; x += 4) {
        const __m128i v = _mm_or_si128(
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(source + size_t(x) * S)), m.pick), m.fill);
        uint8_t* out = dest + size_t(x) * D;
        if constexpr (D == 4) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
        } else {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), v);
            const int last = _mm_cvtsi128_si32(_mm_srli_si128(v, 8));
            std::memcpy(out + 8, &last, 4);
        }
    }
    ShuffleBytesRowReference(s, dest + size_t(x) * D, source + size_t(x) * S, count - x);
}

}  // namespace

ByteShuffleRowFn ByteShuffleRowSsse3(const ByteShuffle& s) {
    return RowForSizes<Row<3, 3>, Row<3, 4>, Row<4, 3>, Row<4, 4>>(s);
}

}  // namespace orvik
#endif
