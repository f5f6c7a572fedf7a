#include <algorithm>
#include <cmath>

#include "host/d3d9/raster/pixel_shade.h"
#include "host/d3d9/raster/raster.h"
#include "host/d3d9/raster/raster_common.h"
#include "host/d3d9/resources/texture_views.h"

namespace host {
namespace {

uint32_t LerpColor(uint32_t a, uint32_t b, double t) {
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i) {
        const double ca = (a >> (8 * i)) & 255, cb = (b >> (8 * i)) & 255;
        out |= uint32_t(std::clamp(std::lround(ca + (cb - ca) * t), 0L, 255L)) << (8 * i);
    }
    return out;
}

// Texture level choice for lines and points: level 0, the magnification filter.
void LinearLods(const DrawState& st, StageLod* lods) {
    for (int s = 0; s < st.stageCount; ++s) {
        lods[s].level = std::clamp(st.samplers[s].maxLevel, 0, std::max(0, st.samplers[s].levelCount - 1));
        lods[s].linear = st.samplers[s].magFilter >= D3DTEXF_LINEAR;
    }
}

void ShadeAt(const DrawState& st, const StageLod* lods, const ScreenVertex& a, const ScreenVertex& b,
             const ScreenVertex& flat, double t, int x, int y) {
    PixelInput in;
    in.diffuse = st.gouraud ? LerpColor(a.diffuse, b.diffuse, t) : flat.diffuse;
    in.specular = st.gouraud ? LerpColor(a.specular, b.specular, t) : flat.specular;
    for (int s = 0; s < st.stageCount; ++s) {
        if (!st.stageUsesTexture[s] || st.samplers[s].levelCount == 0) continue;
        double scale[kTexCoordComponents];
        TexelScale(st.samplers[s], lods[s].level, scale);
        const int set = st.ops[s].texSet;
        const double q = st.projectedStages >> s & 1 ? a.tq[set] + (b.tq[set] - a.tq[set]) * t : 1.0;
        int64_t* const out[kTexCoordComponents] = {&in.tu[s], &in.tv[s], &in.tw[s]};
        for (int k = 0; k < kTexCoordComponents; ++k)
            *out[k] = ToFixed32((a.tc[set][k] + (b.tc[set][k] - a.tc[set][k]) * t) / q * scale[k]);
    }
    in.z = float(a.z + (b.z - a.z) * t);
    in.w = float(1.0 / (a.rhw + (b.rhw - a.rhw) * t));
    ShadePixel(st, lods, in, x, y);
}

}  // namespace

void RasterLine(const DrawState& st, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& flat) {
    StageLod lods[kMaxStages];
    LinearLods(st, lods);
    WalkLine(st, a.x, a.y, b.x, b.y, [&](double t, int x, int y) { ShadeAt(st, lods, a, b, flat, t, x, y); });
}

void RasterPoint(const DrawState& st, const ScreenVertex& v) {
    int x, y;
    if (!PointPixel(st, v.x, v.y, &x, &y)) return;
    StageLod lods[kMaxStages];
    LinearLods(st, lods);
    ShadeAt(st, lods, v, v, v, 0.0, x, y);
}

}  // namespace host
