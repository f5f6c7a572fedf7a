#include "engine/softrender/walkers/texel_walker.h"

#include <algorithm>

namespace orvik::soft {

namespace {

#if defined(__SSE2__)
template <class V>
struct Sse2Spans {
    static constexpr bool applies = kSimdRows<V>;
    static void Run(const TexelJob& j, uint8_t* dst, int32_t count, uint32_t u, uint32_t v) {
        TexelWalker<V>::template Blocks<Sse2>(j, dst, count, u, v);
    }
};
#endif

}  // namespace

TexelSpanFn FindTexelLoop(const VariantKey& key) {
    if (!GenericPathForced()) {
        if (Avx2RowsInUse())
            if (const TexelSpanFn f = Avx2TexelSpans(VariantSlot(key))) return f;
#if defined(__SSE2__)
        if (const TexelSpanFn f = DispatchTable<Sse2Spans, Flavour::Textured, TexelSpanFn>::Find(key)) return f;
#endif
    }
    return DispatchTable<TexelWalker, Flavour::Textured, TexelSpanFn>::Find(key);
}

TexelJob MakeTexelJob(const PixelContext& cx, const MEMIMG& src, const MEMIMG* blend) {
    TexelJob j;
    j.cx = cx;
    j.src = src.pixels;
    j.srcPitch = src.store->pitch;
    if (blend != nullptr) {
        j.blend = blend->pixels;
        j.blendPitch = blend->store->pitch;
    }
    j.uLimit = static_cast<uint64_t>(std::max(src.width, 0)) << kTexelShift;
    j.vLimit = static_cast<uint64_t>(std::max(src.height, 0)) << kTexelShift;
    return j;
}

}  // namespace orvik::soft
