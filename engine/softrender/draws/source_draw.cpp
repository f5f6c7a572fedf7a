#include "engine/softrender/draws/source_draw.h"

#include <algorithm>
#include <cstring>

#include "engine/platform/base/log.h"
#include "engine/softrender/pipeline/pixel_context.h"

namespace orvik::soft {

Rect TargetArea(const MEMIMG& dst, const MemImgDrawState& ds) {
    Rect area = ds.clipRect;
    const Rect image{0, 0, dst.width, dst.height};
    ClipRect(&area, &image);
    return area;
}

Rect RectFrom64(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    auto held = [](int64_t v) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    };
    return Rect{held(left), held(top), held(right), held(bottom)};
}

bool TargetFits(const MEMIMG* dst, const char* caller) {
    if (!IsMemImgValid(dst)) {
        AddLogFormat("%s: no valid destination image", caller);
        return false;
    }
    const MemImgStore& d = *dst->store;
    return !d.usePalette && !d.useAlpha &&
           (d.colorType == kMemImgRgb565 || d.colorType == kMemImgXrgb32);
}

bool SourceFitsTarget(const MEMIMG* dst, const MEMIMG* src, const char* caller) {
    if (!IsMemImgValid(src)) {
        AddLogFormat("%s: no valid source image", caller);
        return false;
    }
    return TargetFits(dst, caller) && src->store->colorType == dst->store->colorType;
}

int SourceBytes(const MemImgStore& st) {
    if (st.usePalette) return 1;
    return st.colorType == kMemImgXrgb32 || st.useAlpha ? 4 : 2;
}

bool ChooseSourceVariant(const MemImgDrawState& ds, const MEMIMG& src, bool keyed,
                         const MEMIMG* blend, Flavour flavour, SourceVariant* out) {
    if (blend != nullptr && !BlendImageCovers(blend, &src)) return false;
    const MemImgStore& st = *src.store;
    VariantKey& key = out->key;
    key.depth = DepthOf(src);
    key.pal = st.usePalette != 0;
    key.blend = blend != nullptr;
    key.tint = IsTinted(ds);
    key.alpha = !key.pal && st.useAlpha != 0;
    key.keyed = keyed;
    const KernelChoice choice = SelectKernel(ds.blendMode, ds.blendParam, flavour,
                                             !key.blend && !key.tint && !key.alpha, key.depth);
    if (!choice.draw) return false;
    key.kernel = choice.kernel;
    out->cx = MakePixelContext(ds, &st);
    return true;
}

void CopyWorkPalette(const MemImgStore& st, uint32_t* work) {
    const int32_t count = std::clamp(st.paletteCount, 0, 256);
    const size_t entry = st.colorType == kMemImgXrgb32 ? 4 : 2;
    if (st.palette != nullptr) std::memcpy(work, st.palette, static_cast<size_t>(count) * entry);
}

}  // namespace orvik::soft
