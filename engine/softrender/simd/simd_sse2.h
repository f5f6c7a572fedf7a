// The SSE2 instruction set in the shape the block kernels expect: every x86-64 machine has
// it, so it is the baseline. The AVX2 twin (simd_avx2.cpp) has the same names over
// 256-bit registers; unpacking and packing work within 128-bit halves on both, and the
// kernels only ever pack what they unpacked, so the two give the same bytes.
#pragma once
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>

namespace orvik::soft {

struct Sse2 {
    using V = __m128i;
    static constexpr int kBytes = 16;

    static V Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
    static void Store(void* p, V v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
    static V Zero() { return _mm_setzero_si128(); }
    static V Set32(uint32_t v) { return _mm_set1_epi32(static_cast<int>(v)); }
    static V Set16(uint32_t v) { return _mm_set1_epi16(static_cast<short>(v)); }
    static V Set64(uint64_t v) { return _mm_set1_epi64x(static_cast<long long>(v)); }
    // No gathering of values from offsets in the lanes: texels are read one at a time.
    static constexpr bool kGathers = false;

    static V And(V a, V b) { return _mm_and_si128(a, b); }
    static V Or(V a, V b) { return _mm_or_si128(a, b); }
    static V AndNot(V a, V b) { return _mm_andnot_si128(a, b); }  // ~a & b
    static V Xor(V a, V b) { return _mm_xor_si128(a, b); }

    static V Add16(V a, V b) { return _mm_add_epi16(a, b); }
    static V Sub16(V a, V b) { return _mm_sub_epi16(a, b); }
    static V Mul16(V a, V b) { return _mm_mullo_epi16(a, b); }
    static V MulHi16(V a, V b) { return _mm_mulhi_epu16(a, b); }
    static V MulHiSigned16(V a, V b) { return _mm_mulhi_epi16(a, b); }
    static V Avg16(V a, V b) { return _mm_avg_epu16(a, b); }  // (a + b + 1) >> 1, unsigned
    static V SubSatU16(V a, V b) { return _mm_subs_epu16(a, b); }
    static V Add32(V a, V b) { return _mm_add_epi32(a, b); }
    static V Sub32(V a, V b) { return _mm_sub_epi32(a, b); }
    template <int N>
    static V Srl16(V a) { return _mm_srli_epi16(a, N); }
    template <int N>
    static V Sll16(V a) { return _mm_slli_epi16(a, N); }
    template <int N>
    static V Sra16(V a) { return _mm_srai_epi16(a, N); }
    template <int N>
    static V Srl32(V a) { return _mm_srli_epi32(a, N); }
    template <int N>
    static V Sll32(V a) { return _mm_slli_epi32(a, N); }
    template <int N>
    static V Sra32(V a) { return _mm_srai_epi32(a, N); }

    static V Eq16(V a, V b) { return _mm_cmpeq_epi16(a, b); }
    static V Eq32(V a, V b) { return _mm_cmpeq_epi32(a, b); }
    static V Gt16(V a, V b) { return _mm_cmpgt_epi16(a, b); }  // signed
    static bool AllSet(V m) { return _mm_movemask_epi8(m) == 0xFFFF; }

    // Bytes to 16-bit lanes and back (saturating, so only values up to 255 survive).
    static V Widen8Lo(V a) { return _mm_unpacklo_epi8(a, _mm_setzero_si128()); }
    static V Widen8Hi(V a) { return _mm_unpackhi_epi8(a, _mm_setzero_si128()); }
    static V Narrow16(V lo, V hi) { return _mm_packus_epi16(lo, hi); }
    // 32-bit lanes holding signed 16-bit values to 16-bit lanes: those of a, then of b.
    static V NarrowSigned32(V a, V b) { return _mm_packs_epi32(a, b); }
    // Each group of four 16-bit lanes takes the value of its fourth.
    static V SpreadFourth16(V a) {
        return _mm_shufflehi_epi16(_mm_shufflelo_epi16(a, 0xFF), 0xFF);
    }
};

}  // namespace orvik::soft

#endif
