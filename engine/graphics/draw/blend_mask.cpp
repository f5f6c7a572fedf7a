#include "engine/graphics/draw/blend_mask.h"

#include <algorithm>
#include <cstring>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/platform/base/log.h"
#include "engine/softrender/pipeline/memimg.h"

namespace orvik {

namespace {

MEMIMG g_softMask{};

// The mask value of one pixel of a software image.
uint8_t MaskValue(const MemImgStore& s, const uint8_t* p) {
    if (s.useAlpha) return s.colorType == kMemImgRgb565 ? p[2] : p[3];
    uint32_t raw = p[0];
    if (!s.usePalette && s.colorType == kMemImgRgb565) raw = uint32_t(p[0] | p[1] << 8);
    if (!s.usePalette && s.colorType == kMemImgXrgb32) std::memcpy(&raw, p, 4);
    return raw == s.transColor ? 0 : 255;
}

}  // namespace

MaskRamp BlendMaskRamp(int border, int range) {
    // In the software ramp the weight is (256 / n)(v - border) + 256 - border with n =
    // range + 1; with the slope k taken for 256 / n that is k v - ((k + 1) border - 256),
    // so the weight leaves 0 at ((k + 1) border - 256) / k.
    MaskRamp r;
    r.scale = range <= 64 ? 4 : range <= 128 ? 2 : 1;
    r.threshold = ((r.scale + 1) * std::clamp(border, 0, 255) - 256) / r.scale;
    return r;
}

uint32_t BlendMaskTextureFactor(const MaskRamp& ramp) {
    const uint32_t alpha = uint32_t(std::min(255, ramp.threshold < 0 ? -ramp.threshold : ramp.threshold));
    return alpha << 24 | 0xFFFFFFu;
}

MEMIMG* MakeSoftBlendMask(const GraphImageSet* set) {
    ReleaseSoftBlendMask();
    if (!set) return nullptr;
    const MEMIMG& src = set->image;
    if (!IsMemImgValid(&src)) return nullptr;
    if (MakeMemImg(&g_softMask, src.width, src.height, kMemImgSingle8) < 0) {
        AddLogText("ブレンド画像の作成に失敗しました in SetBlendMaskGraph\n");
        return nullptr;
    }
    const MemImgStore& s = *src.store;
    const int bytes = MemImgBytesPerPixel(&src);
    for (int y = 0; y < src.height; ++y) {
        const uint8_t* row = src.pixels + size_t(y) * size_t(s.pitch);
        uint8_t* out = g_softMask.pixels + size_t(y) * size_t(g_softMask.store->pitch);
        for (int x = 0; x < src.width; ++x) out[x] = MaskValue(s, row + size_t(x) * size_t(bytes));
    }
    return &g_softMask;
}

host::Texture* LiveBlendMaskTexture() {
    const GraphRecord* r = GetGraphRecord(Draw().blendMaskGraph);
    if (!r || !r->images || !r->images->textured || r->images->pieces.empty()) return nullptr;
    return r->images->pieces[0].texture;
}

void ReleaseSoftBlendMask() {
    if (IsMemImgValid(&g_softMask)) ReleaseMemImg(&g_softMask);
    g_softMask = MEMIMG{};
}

}  // namespace orvik
