#include "host/d3d9/vertex/ff_fog.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/d3d9/device/color_math.h"

namespace host {

float FogFactor(const FogCurve& c, float d) {
    float f = 1.0f;
    switch (c.mode) {
        case D3DFOG_LINEAR:
            // A range of no length is a wall: clear before it, fog from it on.
            f = c.end != c.start ? (c.end - d) / (c.end - c.start) : (d < c.end ? 1.0f : 0.0f);
            break;
        case D3DFOG_EXP: f = std::exp(-c.density * d); break;
        case D3DFOG_EXP2: f = std::exp(-(c.density * d) * (c.density * d)); break;
        default: break;
    }
    return std::isnan(f) ? 1.0f : std::clamp(f, 0.0f, 1.0f);
}

uint32_t FogByte(float factor) { return uint32_t(std::lround(std::clamp(factor, 0.0f, 1.0f) * 255.0f)); }

FogCurve MakeFogCurve(const DWORD* rs, DWORD mode) {
    FogCurve c;
    c.mode = mode;
    std::memcpy(&c.start, &rs[D3DRS_FOGSTART], 4);
    std::memcpy(&c.end, &rs[D3DRS_FOGEND], 4);
    std::memcpy(&c.density, &rs[D3DRS_FOGDENSITY], 4);
    return c;
}

PixelFog MakePixelFog(const DWORD* rs, const D3DMATRIX& p) {
    PixelFog fog;
    fog.enabled = rs[D3DRS_FOGENABLE] != 0;
    if (!fog.enabled) return fog;
    const DWORD table = rs[D3DRS_FOGTABLEMODE];
    fog.table = table >= D3DFOG_EXP && table <= D3DFOG_LINEAR;
    fog.curve = MakeFogCurve(rs, table);
    // An affine projection (last column 0, 0, 0, 1) leaves w at 1: its fog reads z.
    fog.fromW = !(p.m[0][3] == 0 && p.m[1][3] == 0 && p.m[2][3] == 0 && p.m[3][3] == 1);
    fog.color = rs[D3DRS_FOGCOLOR];
    return fog;
}

uint32_t ApplyFog(const PixelFog& fog, uint32_t color, uint32_t specular, float z, float w) {
    const uint32_t f = fog.table ? FogByte(FogFactor(fog.curve, fog.fromW ? w : z)) : specular >> 24;
    uint32_t out = color & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t c = (color >> shift) & 255, g = (fog.color >> shift) & 255;
        out |= Div255(c * f + g * (255 - f)) << shift;
    }
    return out;
}

}  // namespace host
