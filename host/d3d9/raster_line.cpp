#include <algorithm>
#include <cmath>

#include "host/d3d9/pixel_shade.h"
#include "host/d3d9/raster.h"
#include "host/d3d9/raster_common.h"

namespace host {
namespace {

bool InsideClip(const DrawState& st, int x, int y) {
    return x >= st.clipX0 && x < st.clipX1 && y >= st.clipY0 && y < st.clipY1;
}

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
        const TexelLevel& l = st.samplers[s].levels[lods[s].level];
        const int set = st.ops[s].texSet;
        in.tu[s] = ToFixed32((a.tc[set][0] + (b.tc[set][0] - a.tc[set][0]) * t) * l.width);
        in.tv[s] = ToFixed32((a.tc[set][1] + (b.tc[set][1] - a.tc[set][1]) * t) * l.height);
    }
    in.z = float(a.z + (b.z - a.z) * t);
    ShadePixel(st, lods, in, x, y);
}

}  // namespace

void RasterLine(const DrawState& st, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& flat) {
    int64_t X0, Y0, X1, Y1;
    if (!SnapPosition(a.x, &X0) || !SnapPosition(a.y, &Y0) || !SnapPosition(b.x, &X1) || !SnapPosition(b.y, &Y1))
        return;
    if (X0 == X1 && Y0 == Y1) return;
    // Work along the major axis, in the direction of travel (mirrored so it increases).
    const bool xMajor = std::llabs(X1 - X0) >= std::llabs(Y1 - Y0);
    const double s = double(kSubPixels);
    double m0 = (xMajor ? X0 : Y0) / s, m1 = (xMajor ? X1 : Y1) / s;
    const double n0 = (xMajor ? Y0 : X0) / s, n1 = (xMajor ? Y1 : X1) / s;
    const int dir = m1 > m0 ? 1 : -1;
    m0 *= dir;
    m1 *= dir;
    const double slope = (n1 - n0) / (m1 - m0);
    StageLod lods[kMaxStages];
    LinearLods(st, lods);
    // Only columns (rows for steep lines) inside the clip rectangle are visited.
    const int clipLow = xMajor ? st.clipX0 : st.clipY0, clipHigh = (xMajor ? st.clipX1 : st.clipY1) - 1;
    const int mLow = dir > 0 ? clipLow : -clipHigh, mHigh = dir > 0 ? clipHigh : -clipLow;
    const int first = std::max(int(std::ceil(m0 - 0.5)), mLow), last = std::min(int(std::floor(m1 + 0.5)), mHigh);
    for (int pm = first; pm <= last; ++pm) {
        const double nc = n0 + slope * (pm - m0);
        const int pn = int(std::floor(nc + 0.5));
        const double e = nc - pn;
        // Where the line leaves the diamond |dm| + |dn| < 0.5 around (pm, pn).
        double exit = (0.5 - e) / (1.0 + slope);
        if (!(1.0 + slope > 0) || e + slope * exit < 0) exit = (0.5 + e) / (1.0 - slope);
        const double exitAt = pm + exit;
        if (!(m0 < exitAt && m1 >= exitAt)) continue;
        const int x = xMajor ? pm * dir : pn, y = xMajor ? pn : pm * dir;
        if (!InsideClip(st, x, y)) continue;
        const double t = std::clamp((pm - m0) / (m1 - m0), 0.0, 1.0);
        ShadeAt(st, lods, a, b, flat, t, x, y);
    }
}

void RasterPoint(const DrawState& st, const ScreenVertex& v) {
    if (!(std::fabs(v.x) < kMaxScreenCoordinate && std::fabs(v.y) < kMaxScreenCoordinate)) return;
    const int x = int(std::ceil(v.x - 0.5f)), y = int(std::ceil(v.y - 0.5f));
    if (!InsideClip(st, x, y)) return;
    StageLod lods[kMaxStages];
    LinearLods(st, lods);
    ShadeAt(st, lods, v, v, v, 0.0, x, y);
}

}  // namespace host
