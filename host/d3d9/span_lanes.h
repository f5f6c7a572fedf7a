// The lane operations the vector spans and the window's row converters are written over:
// SSE2 (4 pixels a step) and AVX2 (8 pixels), each in the namespace HOST_SPAN_ISA of the
// copy including it.
#pragma once
#include <cstdint>

#include <emmintrin.h>
#if defined(__AVX2__)
#include <immintrin.h>
#endif

#ifndef HOST_SPAN_ISA
#error "HOST_SPAN_ISA names the namespace of this copy of the vector spans"
#endif

namespace host::HOST_SPAN_ISA {

struct Sse2 {
    using T = __m128i;
    static constexpr int kLanes = 4;
    static constexpr int kAllBytes = 0xFFFF;
    static T Zero() { return _mm_setzero_si128(); }
    static T Set32(uint32_t v) { return _mm_set1_epi32(int(v)); }
    static T Set16(int v) { return _mm_set1_epi16(short(v)); }
    static T Load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const T*>(p)); }
    static void Store(uint32_t* p, T v) { _mm_storeu_si128(reinterpret_cast<T*>(p), v); }
    static T Lo8(T v) { return _mm_unpacklo_epi8(v, Zero()); }
    static T Hi8(T v) { return _mm_unpackhi_epi8(v, Zero()); }
    static T Pack16(T lo, T hi) { return _mm_packus_epi16(lo, hi); }
    static T Mul16(T a, T b) { return _mm_mullo_epi16(a, b); }
    static T Add16(T a, T b) { return _mm_add_epi16(a, b); }
    static T Sub16(T a, T b) { return _mm_sub_epi16(a, b); }
    static T Shr16By8(T a) { return _mm_srli_epi16(a, 8); }
    template <int N>
    static T Shr16(T a) { return _mm_srli_epi16(a, N); }
    template <int N>
    static T Shl16(T a) { return _mm_slli_epi16(a, N); }
    // The 16-bit lanes of lo and hi side by side: 2 * kLanes pixels of lo | hi << 16.
    static void StoreZipped16(uint32_t* p, T lo, T hi) {
        Store(p, _mm_unpacklo_epi16(lo, hi));
        Store(p + kLanes, _mm_unpackhi_epi16(lo, hi));
    }
    static T Shr32By24(T a) { return _mm_srli_epi32(a, 24); }
    static T Shl32By24(T a) { return _mm_slli_epi32(a, 24); }
    static T AlphaToLanes16(T v) {
        return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
    }
    static T Greater32(T a, T b) { return _mm_cmpgt_epi32(a, b); }
    static T Equal32(T a, T b) { return _mm_cmpeq_epi32(a, b); }
    static T And(T a, T b) { return _mm_and_si128(a, b); }
    static T Or(T a, T b) { return _mm_or_si128(a, b); }
    static T Xor(T a, T b) { return _mm_xor_si128(a, b); }
    static T AndNot(T mask, T v) { return _mm_andnot_si128(mask, v); }
    static T AddSaturate8(T a, T b) { return _mm_adds_epu8(a, b); }
    static int ByteMask(T v) { return _mm_movemask_epi8(v); }
    static T FromLanes(const uint32_t* p) { return _mm_setr_epi32(int(p[0]), int(p[1]), int(p[2]), int(p[3])); }
    // SSE2 has no masked loads and stores: a span's last pixels are left to the caller.
    static constexpr bool kMaskedTail = false;
};

#if defined(__AVX2__)
// The same operations on 256 bits: unpacking and packing stay within each 128-bit half,
// so a widen-then-pack round trip keeps every pixel in place.
struct Avx2 {
    using T = __m256i;
    static constexpr int kLanes = 8;
    static constexpr int kAllBytes = -1;
    static T Zero() { return _mm256_setzero_si256(); }
    static T Set32(uint32_t v) { return _mm256_set1_epi32(int(v)); }
    static T Set16(int v) { return _mm256_set1_epi16(short(v)); }
    static T Load(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const T*>(p)); }
    static void Store(uint32_t* p, T v) { _mm256_storeu_si256(reinterpret_cast<T*>(p), v); }
    static T Lo8(T v) { return _mm256_unpacklo_epi8(v, Zero()); }
    static T Hi8(T v) { return _mm256_unpackhi_epi8(v, Zero()); }
    static T Pack16(T lo, T hi) { return _mm256_packus_epi16(lo, hi); }
    static T Mul16(T a, T b) { return _mm256_mullo_epi16(a, b); }
    static T Add16(T a, T b) { return _mm256_add_epi16(a, b); }
    static T Sub16(T a, T b) { return _mm256_sub_epi16(a, b); }
    static T Shr16By8(T a) { return _mm256_srli_epi16(a, 8); }
    template <int N>
    static T Shr16(T a) { return _mm256_srli_epi16(a, N); }
    template <int N>
    static T Shl16(T a) { return _mm256_slli_epi16(a, N); }
    // Unpacking zips lanes 0-3 and 8-11 in the low unpack, 4-7 and 12-15 in the high one;
    // the halves are put back in order.
    static void StoreZipped16(uint32_t* p, T lo, T hi) {
        const T a = _mm256_unpacklo_epi16(lo, hi), b = _mm256_unpackhi_epi16(lo, hi);
        Store(p, _mm256_permute2x128_si256(a, b, 0x20));
        Store(p + kLanes, _mm256_permute2x128_si256(a, b, 0x31));
    }
    static T Shr32By24(T a) { return _mm256_srli_epi32(a, 24); }
    static T Shl32By24(T a) { return _mm256_slli_epi32(a, 24); }
    static T AlphaToLanes16(T v) {
        return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(v, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
    }
    static T Greater32(T a, T b) { return _mm256_cmpgt_epi32(a, b); }
    static T Equal32(T a, T b) { return _mm256_cmpeq_epi32(a, b); }
    static T And(T a, T b) { return _mm256_and_si256(a, b); }
    static T Or(T a, T b) { return _mm256_or_si256(a, b); }
    static T Xor(T a, T b) { return _mm256_xor_si256(a, b); }
    static T AndNot(T mask, T v) { return _mm256_andnot_si256(mask, v); }
    static T AddSaturate8(T a, T b) { return _mm256_adds_epu8(a, b); }
    static int ByteMask(T v) { return _mm256_movemask_epi8(v); }
    static T FromLanes(const uint32_t* p) {
        return _mm256_setr_epi32(int(p[0]), int(p[1]), int(p[2]), int(p[3]), int(p[4]), int(p[5]), int(p[6]),
                                 int(p[7]));
    }
    // The last pixels of a span, fewer than a vector, are loaded and stored under a mask:
    // lanes outside it are neither read nor written, so memory after the span is safe.
    static constexpr bool kMaskedTail = true;
    static T LeadingMask(int n) { return _mm256_cmpgt_epi32(_mm256_set1_epi32(n), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)); }
    static T MaskLoad(const uint32_t* p, T mask) { return _mm256_maskload_epi32(reinterpret_cast<const int*>(p), mask); }
    static void MaskStore(uint32_t* p, T mask, T v) { _mm256_maskstore_epi32(reinterpret_cast<int*>(p), mask, v); }
};
#endif

}  // namespace host::HOST_SPAN_ISA
