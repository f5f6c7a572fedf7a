// The block loops on AVX2: the SSE2 operations' twins over 256-bit registers. This file
// alone is built with -mavx2, and everything it defines that could be shared with other
// files lives in an unnamed namespace, so no AVX2 code can stand in for a baseline copy.
#include "engine/softrender/walkers/run_code_walker.h"
#include "engine/softrender/walkers/texel_walker.h"
#include "engine/softrender/simd/simd_rows.h"

#if defined(__AVX2__)
#include <immintrin.h>

#include <array>
#include <utility>

namespace orvik::soft {
namespace {

struct Avx2 {
    using V = __m256i;
    static constexpr int kBytes = 32;

    static V Load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
    static void Store(void* p, V v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
    static V Zero() { return _mm256_setzero_si256(); }
    static V Set32(uint32_t v) { return _mm256_set1_epi32(static_cast<int>(v)); }
    static V Set16(uint32_t v) { return _mm256_set1_epi16(static_cast<short>(v)); }
    static V Set64(uint64_t v) { return _mm256_set1_epi64x(static_cast<long long>(v)); }
    // Four-byte values at base + each lane's byte offset, and what the offsets are made of.
    // A gather keeps the lanes its mask leaves out from its destination register, whose
    // old value is thus an input: with a mask the compiler can see is whole it leaves the
    // register as it was, and each gather of a row waits for the one before. A mask it
    // cannot see through keeps the destination cleared first, and gathers overlap.
    static constexpr bool kGathers = true;
    static V Gather32(const uint8_t* base, V offsets) {
        V all = _mm256_set1_epi32(-1);
        asm("" : "+x"(all));
        return _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), reinterpret_cast<const int*>(base), offsets, all, 1);
    }
    static V Mul32(V a, V b) { return _mm256_mullo_epi32(a, b); }

    static V And(V a, V b) { return _mm256_and_si256(a, b); }
    static V Or(V a, V b) { return _mm256_or_si256(a, b); }
    static V AndNot(V a, V b) { return _mm256_andnot_si256(a, b); }
    static V Xor(V a, V b) { return _mm256_xor_si256(a, b); }

    static V Add16(V a, V b) { return _mm256_add_epi16(a, b); }
    static V Sub16(V a, V b) { return _mm256_sub_epi16(a, b); }
    static V Mul16(V a, V b) { return _mm256_mullo_epi16(a, b); }
    static V MulHi16(V a, V b) { return _mm256_mulhi_epu16(a, b); }
    static V MulHiSigned16(V a, V b) { return _mm256_mulhi_epi16(a, b); }
    static V Avg16(V a, V b) { return _mm256_avg_epu16(a, b); }
    static V SubSatU16(V a, V b) { return _mm256_subs_epu16(a, b); }
    static V Add32(V a, V b) { return _mm256_add_epi32(a, b); }
    static V Sub32(V a, V b) { return _mm256_sub_epi32(a, b); }
    template <int N>
    static V Srl16(V a) { return _mm256_srli_epi16(a, N); }
    template <int N>
    static V Sll16(V a) { return _mm256_slli_epi16(a, N); }
    template <int N>
    static V Sra16(V a) { return _mm256_srai_epi16(a, N); }
    template <int N>
    static V Srl32(V a) { return _mm256_srli_epi32(a, N); }
    template <int N>
    static V Sll32(V a) { return _mm256_slli_epi32(a, N); }
    template <int N>
    static V Sra32(V a) { return _mm256_srai_epi32(a, N); }

    static V Eq16(V a, V b) { return _mm256_cmpeq_epi16(a, b); }
    static V Eq32(V a, V b) { return _mm256_cmpeq_epi32(a, b); }
    static V Gt16(V a, V b) { return _mm256_cmpgt_epi16(a, b); }
    static bool AllSet(V m) { return _mm256_movemask_epi8(m) == -1; }

    static V Widen8Lo(V a) { return _mm256_unpacklo_epi8(a, _mm256_setzero_si256()); }
    static V Widen8Hi(V a) { return _mm256_unpackhi_epi8(a, _mm256_setzero_si256()); }
    static V Narrow16(V lo, V hi) { return _mm256_packus_epi16(lo, hi); }
    // Packing works within halves: the quarters are put back in the order of a, then b.
    static V NarrowSigned32(V a, V b) {
        return _mm256_permute4x64_epi64(_mm256_packs_epi32(a, b), 0xD8);
    }
    static V SpreadFourth16(V a) {
        return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(a, 0xFF), 0xFF);
    }
};

template <Flavour F, size_t I>
constexpr SimdRowFn EntryAt() {
    using V = VariantAt<F, I>;
    if constexpr (kSimdRows<V>) return &BlockRows<Avx2, V>;
    else return nullptr;
}

struct Table {
    SimdRowFn at[kVariantSlots];
};

template <Flavour F, size_t... I>
constexpr Table Build(std::index_sequence<I...>) {
    return Table{{EntryAt<F, I>()...}};
}

// Indexed by flavour; the stretched draw has no block loops.
constexpr Table kTables[] = {
    Build<Flavour::Point>(std::make_index_sequence<kVariantSlots>{}),
    Table{},
    Build<Flavour::Textured>(std::make_index_sequence<kVariantSlots>{}),
};

// The texel walks, by the slot of their textured variant.
template <size_t I>
constexpr TexelSpanFn TexelEntryAt() {
    using V = VariantAt<Flavour::Textured, I>;
    if constexpr (kSimdRows<V>) return &TexelWalker<V>::template Blocks<Avx2>;
    else return nullptr;
}

template <size_t... I>
constexpr std::array<TexelSpanFn, kVariantSlots> BuildTexels(std::index_sequence<I...>) {
    return {{TexelEntryAt<I>()...}};
}

constexpr std::array<TexelSpanFn, kVariantSlots> kTexelLoops =
    BuildTexels(std::make_index_sequence<kVariantSlots>{});

// The run-coded draw's walks, by the slot of their stretched-draw variant.
template <size_t I>
constexpr RunCodeFn RunCodeEntryAt() {
    using W = RunCodeWalker<VariantAt<Flavour::Stretch, I>>;
    if constexpr (VariantAt<Flavour::Stretch, I>::valid && W::applies && W::kCoveredBlocks &&
                  !W::kWholeImage)
        return &W::template RunBlocks<Avx2>;
    else
        return nullptr;
}

template <size_t... I>
constexpr std::array<RunCodeFn, kVariantSlots> BuildRunCodes(std::index_sequence<I...>) {
    return {{RunCodeEntryAt<I>()...}};
}

constexpr std::array<RunCodeFn, kVariantSlots> kRunCodeLoops =
    BuildRunCodes(std::make_index_sequence<kVariantSlots>{});

}  // namespace

SimdRowFn Avx2Rows(Flavour flavour, size_t slot) {
    return slot < kVariantSlots ? kTables[static_cast<int>(flavour)].at[slot] : nullptr;
}

TexelSpanFn Avx2TexelSpans(size_t slot) { return slot < kVariantSlots ? kTexelLoops[slot] : nullptr; }

RunCodeFn Avx2RunCodeLoop(size_t slot) { return slot < kVariantSlots ? kRunCodeLoops[slot] : nullptr; }

}  // namespace orvik::soft

#else

namespace orvik::soft {

SimdRowFn Avx2Rows(Flavour, size_t) { return nullptr; }

TexelSpanFn Avx2TexelSpans(size_t) { return nullptr; }

RunCodeFn Avx2RunCodeLoop(size_t) { return nullptr; }

}  // namespace orvik::soft

#endif
