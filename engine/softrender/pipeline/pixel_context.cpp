#include "engine/softrender/pipeline/pixel_context.h"

#include <algorithm>

#include "engine/softrender/pipeline/soft_state.h"

namespace orvik::soft {

PixelContext MakePixelContext(const MemImgDrawState& ds, const MemImgStore* source) {
    const BlendTables& t = SoftRender().tables;
    PixelContext cx;
    const uint32_t p = static_cast<uint32_t>(std::clamp(ds.blendParam, 0, 255));
    for (int k = 0; k < 3; ++k) cx.tint[k] = t.mulDiv255[(ds.bright >> (8 * k)) & 0xFFu];
    cx.p = p;
    cx.param = t.mulDiv255[p];
    cx.diff = &t.diffScale[p][255];
    cx.mix6 = &t.mix6[p >> 2][0][0];
    cx.weight = t.weight;
    if (source != nullptr) {
        cx.palette = source->palette;
        cx.trans = source->transColor;
    }
    return cx;
}

bool BlendImageCovers(const MEMIMG* blend, const MEMIMG* src) {
    return IsMemImgValid(blend) && IsMemImgValid(src) &&
           blend->store->colorType == kMemImgSingle8 && blend->width >= src->width &&
           blend->height >= src->height;
}

bool GenericPathForced() { return SoftRender().forceGeneric; }

void ForceGenericPath(bool on) { SoftRender().forceGeneric = on; }

}  // namespace orvik::soft
