// Which pipeline variants have block loops, and which instruction set runs them. SSE2 is
// the baseline; when the processor has AVX2 the same kernels run twice as wide, chosen at
// run time (simd_avx2.cpp is the only file built for AVX2, and nothing reaches it unless
// the processor has it). Both give the per-pixel pipeline's bytes exactly.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/softrender/pipeline/pipeline_dispatch.h"
#include "engine/softrender/simd/simd_blocks.h"
#include "engine/softrender/simd/simd_sse2.h"
#include "engine/softrender/simd/simd_texels.h"

namespace orvik::soft {

using SimdRowFn = void (*)(const PixelContext& cx, uint8_t* dst, ptrdiff_t dstPitch,
                           const uint8_t* src, ptrdiff_t srcPitch, int32_t width, int32_t height);

// Variants without palette or blend image: every kernel at both depths, keyed or not,
// tinted or not, with or without source alpha (on 16-bit pixels only in the point draw,
// whose rules for it have no textured twist); for the walkers whose source advances with
// the destination (the stretched draw steps its source unevenly).
template <class V>
inline constexpr bool kSimdRows =
#if defined(__SSE2__)
    V::valid && V::flavour != Flavour::Stretch && !V::pal && !V::blend &&
    (!V::alpha || V::depth == 32 || V::flavour == Flavour::Point);
#else
    false;
#endif

// The AVX2 loop of a flavour's variant slot; null when there is none or the build has no
// AVX2. Call only when Avx2RowsInUse().
SimdRowFn Avx2Rows(Flavour flavour, size_t slot);

// True when the processor has AVX2 and the build has its loops.
bool Avx2RowsAvailable();
// True when they are available and nothing turned them off.
bool Avx2RowsInUse();
// Tests run every block loop on both instruction sets; returns whether AVX2 is in use.
bool UseAvx2Rows(bool on);

template <class V>
inline constexpr size_t kSlotOf =
    VariantSlot({V::depth, V::pal, V::kernel, V::blend, V::tint, V::alpha, V::keyed});

template <class V>
SimdRowFn PickSimdRows() {
    static_assert(kSimdRows<V>);
#if defined(__SSE2__)
    if (Avx2RowsInUse())
        if (const SimdRowFn f = Avx2Rows(V::flavour, kSlotOf<V>)) return f;
    return &BlockRows<Sse2, V>;
#else
    return nullptr;  // never reached: without SSE2 no variant has block loops
#endif
}

}  // namespace orvik::soft
