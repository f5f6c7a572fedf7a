// The Y'CbCr 4:2:0 rows on AVX2: eight pixels a step, one 32-bit lane each, four chroma
// samples shared by pairs of them. Compiled with -mavx2 on x86-64; without the flag this
// file converts nothing.
#include "host/d3d9/yuv_rows.h"

#if defined(__AVX2__)
#include <immintrin.h>

#include <cstring>

namespace host {

namespace {

// Chroma samples 0 to 3 from p, each twice: one for each pixel of eight.
__m256i PairedChroma(const uint8_t* p) {
    int32_t four;
    std::memcpy(&four, p, 4);
    const __m128i c = _mm_cvtsi32_si128(four);
    return _mm256_sub_epi32(_mm256_cvtepu8_epi32(_mm_unpacklo_epi8(c, c)), _mm256_set1_epi32(128));
}

// The sum in 1/16384 to a channel: an arithmetic shift rounds a negative sum down where
// the division truncates it toward zero, but the clamp makes both 0.
__m256i Channel(__m256i sum) {
    return _mm256_min_epi32(_mm256_max_epi32(_mm256_srai_epi32(sum, 14), _mm256_setzero_si256()),
                            _mm256_set1_epi32(255));
}

}  // namespace

int ConvertYuv420RowHeadAvx2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint32_t* out, int width) {
    const __m256i k16 = _mm256_set1_epi32(16), yScale = _mm256_set1_epi32(19070);
    const __m256i rFromV = _mm256_set1_epi32(26148), gFromU = _mm256_set1_epi32(-6406);
    const __m256i gFromV = _mm256_set1_epi32(-13320), bFromU = _mm256_set1_epi32(33062);
    const __m256i opaque = _mm256_set1_epi32(int32_t(0xFF000000u));
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m128i luma = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(y + x));
        const __m256i l = _mm256_mullo_epi32(_mm256_sub_epi32(_mm256_cvtepu8_epi32(luma), k16), yScale);
        const __m256i cu = PairedChroma(u + x / 2), cv = PairedChroma(v + x / 2);
        const __m256i r = Channel(_mm256_add_epi32(l, _mm256_mullo_epi32(cv, rFromV)));
        const __m256i g = Channel(
            _mm256_add_epi32(l, _mm256_add_epi32(_mm256_mullo_epi32(cu, gFromU), _mm256_mullo_epi32(cv, gFromV))));
        const __m256i b = Channel(_mm256_add_epi32(l, _mm256_mullo_epi32(cu, bFromU)));
        const __m256i pixels = _mm256_or_si256(_mm256_or_si256(opaque, _mm256_slli_epi32(r, 16)),
                                               _mm256_or_si256(_mm256_slli_epi32(g, 8), b));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), pixels);
    }
    return x;
}

}  // namespace host

#else

namespace host {
int ConvertYuv420RowHeadAvx2(const uint8_t*, const uint8_t*, const uint8_t*, uint32_t*, int) { return 0; }
}  // namespace host

#endif
