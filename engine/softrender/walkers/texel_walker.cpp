#include "engine/softrender/walkers/texel_walker.h"

#include <algorithm>

namespace orvik::soft {

TexelSpanFn FindTexelLoop(const VariantKey& key) {
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
