// The lane operations the vector spans, the window's row converters and the Y'CbCr rows
// are written over: SSE2 (4 pixels a step) and AVX2 (8 pixels), each in the namespace
// HOST_SPAN_ISA of the copy including it.
#pragma once
#include <cstdint>
#include <cstring>

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
    // The words of each 64 bits placed as `Order` (_MM_SHUFFLE) tells.
    template <int Order>
    static T ShuffleWords(T v) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, Order), Order); }
    static T AlphaToLanes16(T v) { return ShuffleWords<_MM_SHUFFLE(3, 3, 3, 3)>(v); }
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

    // 2 * kLanes bytes into 16-bit lanes.
    static T LoadBytes16(const uint8_t* p) { return Lo8(_mm_loadl_epi64(reinterpret_cast<const T*>(p))); }
    // kLanes bytes of a and of b, taken in turn (a0 b0 a1 b1 ...), into 16-bit lanes.
    static T LoadBytePairs16(const uint8_t* a, const uint8_t* b) {
        int32_t x, y;
        std::memcpy(&x, a, 4);
        std::memcpy(&y, b, 4);
        return Lo8(_mm_unpacklo_epi8(_mm_cvtsi32_si128(x), _mm_cvtsi32_si128(y)));
    }
    static T MulAdd16(T a, T b) { return _mm_madd_epi16(a, b); }
    static T MulHigh16(T a, T b) { return _mm_mulhi_epu16(a, b); }
    static T Greater16(T a, T b) { return _mm_cmpgt_epi16(a, b); }
    static T Add32(T a, T b) { return _mm_add_epi32(a, b); }
    template <int N>
    static T Shl32(T a) { return _mm_slli_epi32(a, N); }
    template <int N>
    static T Sar32(T a) { return _mm_srai_epi32(a, N); }
    static T PackSigned32(T lo, T hi) { return _mm_packs_epi32(lo, hi); }
    // Each 32 bits' high (low) word in both its words: by shifts, which leave the one
    // shuffle unit free for the packs and zips.
    static T HighWordsTwice(T v) { return Or(And(v, Set32(0xFFFF0000u)), _mm_srli_epi32(v, 16)); }
    static T LowWordsTwice(T v) { return Or(And(v, Set32(0xFFFFu)), _mm_slli_epi32(v, 16)); }
    static T ZipLo8(T a, T b) { return _mm_unpacklo_epi8(a, b); }
    static T ZipHi8(T a, T b) { return _mm_unpackhi_epi8(a, b); }
    static T ZipLo16(T a, T b) { return _mm_unpacklo_epi16(a, b); }
    static T ZipHi16(T a, T b) { return _mm_unpackhi_epi16(a, b); }
    // 2 * kLanes pixels, their channels in 16-bit lanes (saturated to bytes here), as
    // blue, green, red bytes. Without a byte shuffle, each pair of pixels is closed up by
    // 64-bit shifts into six bytes, and the pairs are stored six bytes apart, each store
    // of eight bytes but the last overwritten by the next; the last pair goes with the
    // end of the one before, so nothing is written past the pixels.
    static void StoreBgr24(uint8_t* p, T b, T g, T r) {
        const T bg = _mm_packus_epi16(b, g), rr = _mm_packus_epi16(r, r);                   // b0-7 g0-7, r0-7 r0-7
        const T pairs = _mm_unpacklo_epi8(bg, _mm_srli_si128(bg, 8)), reds = Lo8(rr);         // b g, r 0 a pixel
        const T head = PairsOf24(_mm_unpacklo_epi16(pairs, reds)), tail = PairsOf24(_mm_unpackhi_epi16(pairs, reds));
        const T last = Or(_mm_srli_epi64(tail, 32), _mm_unpackhi_epi64(_mm_slli_epi64(tail, 16), tail));
        _mm_storel_epi64(reinterpret_cast<T*>(p), head);
        std::memcpy(p + 6, reinterpret_cast<const uint8_t*>(&head) + 8, 8);
        _mm_storel_epi64(reinterpret_cast<T*>(p + 12), tail);
        _mm_storel_epi64(reinterpret_cast<T*>(p + 16), last);
    }
    // Four 32-bit pixels into the low three bytes of each, each pair as six bytes at the
    // start of its 64 bits.
    static T PairsOf24(T p) {
        const T first = _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF), second = _mm_set_epi32(0xFFFF, int(0xFF000000), 0xFFFF, int(0xFF000000));
        return Or(And(p, first), And(_mm_srli_epi64(p, 8), second));
    }
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
    template <int Order>
    static T ShuffleWords(T v) { return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(v, Order), Order); }
    static T AlphaToLanes16(T v) { return ShuffleWords<_MM_SHUFFLE(3, 3, 3, 3)>(v); }
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

    // The widening loads take their bytes whole and spread them over both halves.
    static T LoadBytes16(const uint8_t* p) { return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))); }
    static T LoadBytePairs16(const uint8_t* a, const uint8_t* b) {
        return _mm256_cvtepu8_epi16(_mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a)),
                                                      _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b))));
    }
    static T MulAdd16(T a, T b) { return _mm256_madd_epi16(a, b); }
    static T MulHigh16(T a, T b) { return _mm256_mulhi_epu16(a, b); }
    static T Greater16(T a, T b) { return _mm256_cmpgt_epi16(a, b); }
    static T Add32(T a, T b) { return _mm256_add_epi32(a, b); }
    template <int N>
    static T Shl32(T a) { return _mm256_slli_epi32(a, N); }
    template <int N>
    static T Sar32(T a) { return _mm256_srai_epi32(a, N); }
    static T PackSigned32(T lo, T hi) { return _mm256_packs_epi32(lo, hi); }
    static T HighWordsTwice(T v) {
        return _mm256_shuffle_epi8(v, _mm256_broadcastsi128_si256(_mm_setr_epi8(2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15)));
    }
    static T LowWordsTwice(T v) {
        return _mm256_shuffle_epi8(v, _mm256_broadcastsi128_si256(_mm_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13)));
    }
    static T ZipLo8(T a, T b) { return _mm256_unpacklo_epi8(a, b); }
    static T ZipHi8(T a, T b) { return _mm256_unpackhi_epi8(a, b); }
    static T ZipLo16(T a, T b) { return _mm256_unpacklo_epi16(a, b); }
    static T ZipHi16(T a, T b) { return _mm256_unpackhi_epi16(a, b); }
    // Each half of sixteen pixels is 24 bytes: the first 16 (pixels 0-4 and the blue of 5)
    // and the last 8 are shuffled out of the packed blues and greens and the packed reds.
    static void StoreBgr24(uint8_t* p, T b, T g, T r) {
        const T bg = _mm256_packus_epi16(b, g);  // b0-7 g0-7 | b8-15 g8-15
        const T rr = _mm256_packus_epi16(r, r);  // r0-7 r0-7 | r8-15 r8-15
        const T headFromBg = _mm256_broadcastsi128_si256(_mm_setr_epi8(0, 8, -1, 1, 9, -1, 2, 10, -1, 3, 11, -1, 4, 12, -1, 5));
        const T headFromR = _mm256_broadcastsi128_si256(_mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1));
        const T tailFromBg = _mm256_broadcastsi128_si256(_mm_setr_epi8(13, -1, 6, 14, -1, 7, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1));
        const T tailFromR = _mm256_broadcastsi128_si256(_mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, -1, -1, -1, -1, -1, -1));
        const T head = Or(_mm256_shuffle_epi8(bg, headFromBg), _mm256_shuffle_epi8(rr, headFromR));
        const T tail = Or(_mm256_shuffle_epi8(bg, tailFromBg), _mm256_shuffle_epi8(rr, tailFromR));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(head));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 16), _mm256_castsi256_si128(tail));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 24), _mm256_extracti128_si256(head, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 40), _mm256_extracti128_si256(tail, 1));
    }
};
#endif

}  // namespace host::HOST_SPAN_ISA
