#include "engine/graphics/images/byte_rows.h"

#include <cstring>

#include "engine/softrender/simd/simd_rows.h"
#include "host/system_info.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orvik {

namespace {

// Whether every byte stays where it is or is filled: the one shuffle SSE2 can do.
bool KeepsOrFills(const ByteShuffle& s) {
    if (s.sourceBytes != 4 || s.destBytes != 4) return false;
    for (int j = 0; j < 4; ++j)
        if (s.pick[j] >= 0 && s.pick[j] != j) return false;
    return true;
}

#if defined(__SSE2__)
void KeepOrFillRowsSse2(const ByteShuffle& s, const ByteRows& rows) {
    uint8_t keep[16], fill[16];
    for (int i = 0; i < 16; ++i) {
        keep[i] = s.pick[i % 4] >= 0 ? 0xFF : 0;
        fill[i] = s.pick[i % 4] >= 0 ? 0 : s.fill[i % 4];
    }
    const __m128i k = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keep));
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(fill));
    ForEachStep<4, 4, 4>(rows, [](int) { return true; }, [&](const uint8_t* in, uint8_t* out) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(_mm_and_si128(v, k), f));
    });
}
#endif

}  // namespace

void ShuffleBytesRowsReference(const ByteShuffle& s, const ByteRows& rows) {
    for (int y = 0; y < rows.rows; ++y) {
        const uint8_t* source = rows.source + y * rows.sourcePitch;
        uint8_t* dest = rows.dest + y * rows.destPitch;
        for (int x = 0; x < rows.count; ++x, dest += s.destBytes, source += s.sourceBytes)
            for (int j = 0; j < s.destBytes; ++j) dest[j] = s.pick[j] < 0 ? s.fill[j] : source[s.pick[j]];
    }
}

void ByteShuffleControl(const ByteShuffle& s, uint8_t pick[16], uint8_t fill[16]) {
    std::memset(pick, 0x80, 16);
    std::memset(fill, 0, 16);
    for (int p = 0; p < 4; ++p)
        for (int j = 0; j < s.destBytes; ++j) {
            pick[p * s.destBytes + j] = s.pick[j] < 0 ? 0x80 : uint8_t(p * s.sourceBytes + s.pick[j]);
            fill[p * s.destBytes + j] = s.pick[j] < 0 ? s.fill[j] : 0;
        }
}

ByteShuffleRowsFn ByteShuffleRowsAt(ByteRowsLevel level, const ByteShuffle& shuffle) {
    switch (level) {
#if defined(__SSE2__)
        case ByteRowsLevel::Sse2: return KeepsOrFills(shuffle) ? KeepOrFillRowsSse2 : nullptr;
#endif
#if defined(ORVIK_VECTOR_BYTE_ROWS)
        case ByteRowsLevel::Ssse3:
            return host::ProcessorHas(host::CpuFeature::Ssse3) ? ByteShuffleRowsSsse3(shuffle) : nullptr;
        case ByteRowsLevel::Avx2:
            return host::ProcessorHas(host::CpuFeature::Avx2) ? ByteShuffleRowsAvx2(shuffle) : nullptr;
#endif
        default: return nullptr;
    }
}

ByteShuffleRowsFn ByteShuffleRows(const ByteShuffle& shuffle) {
    if (soft::Avx2RowsInUse())
        if (ByteShuffleRowsFn rows = ByteShuffleRowsAt(ByteRowsLevel::Avx2, shuffle)) return rows;
    for (ByteRowsLevel level : {ByteRowsLevel::Ssse3, ByteRowsLevel::Sse2})
        if (ByteShuffleRowsFn rows = ByteShuffleRowsAt(level, shuffle)) return rows;
    return ShuffleBytesRowsReference;
}

}  // namespace orvik
