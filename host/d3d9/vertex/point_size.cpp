#include "host/d3d9/vertex/point_size.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace host {
namespace {

float StateFloat(const DWORD* rs, DWORD state) {
    float f;
    std::memcpy(&f, &rs[state], 4);
    return f;
}

}  // namespace

PointSizing MakePointSizing(const DWORD* rs, float viewportHeight) {
    PointSizing p;
    p.size = StateFloat(rs, D3DRS_POINTSIZE);
    p.min = StateFloat(rs, D3DRS_POINTSIZE_MIN);
    p.max = std::min(StateFloat(rs, D3DRS_POINTSIZE_MAX), kMaxPointSize);
    p.scale = rs[D3DRS_POINTSCALEENABLE] != 0;
    p.a = StateFloat(rs, D3DRS_POINTSCALE_A);
    p.b = StateFloat(rs, D3DRS_POINTSCALE_B);
    p.c = StateFloat(rs, D3DRS_POINTSCALE_C);
    p.viewportHeight = viewportHeight;
    return p;
}

float ScreenPointSize(const PointSizing& p, float size, float distance, bool scaled) {
    if (scaled) {
        const float falloff = p.a + p.b * distance + p.c * distance * distance;
        size = falloff > 0 ? p.viewportHeight * size * std::sqrt(1.0f / falloff) : kMaxPointSize;
    }
    // A size that is no number draws as small as the bounds let it.
    if (std::isnan(size)) size = 0;
    return std::clamp(std::max(size, p.min), 0.0f, std::max(p.max, 0.0f));
}

}  // namespace host
