#include "host/d3d9/vertex_pipeline.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace host {
namespace {

// Guard band in units of the half viewport: keeps screen positions far inside the
// rasteriser's range while clipping almost nothing that could be seen.
constexpr float kGuardBand = 64.0f;
constexpr float kMinW = 1e-6f;

float ReadFloat(const uint8_t* p) {
    float f;
    std::memcpy(&f, p, 4);
    return f;
}
uint32_t ReadU32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

uint32_t LerpColor(uint32_t a, uint32_t b, float t) {
    uint32_t out = 0;
    for (int i = 0; i < 32; i += 8) {
        const float ca = float((a >> i) & 255), cb = float((b >> i) & 255);
        out |= uint32_t(std::clamp(std::lround(ca + (cb - ca) * t), 0L, 255L)) << i;
    }
    return out;
}

}  // namespace

float ClipPlaneDistance(const float pos[4], int plane) {
    const float x = pos[0], y = pos[1], z = pos[2], w = pos[3];
    switch (plane) {
        case 0: return z;
        case 1: return w - z;
        case 2: return kGuardBand * w - x;
        case 3: return kGuardBand * w + x;
        case 4: return kGuardBand * w - y;
        case 5: return kGuardBand * w + y;
        default: return w - kMinW;
    }
}

ClipVertex LerpVertex(const ClipVertex& a, const ClipVertex& b, float t) {
    ClipVertex v;
    for (int i = 0; i < 4; ++i) v.pos[i] = a.pos[i] + (b.pos[i] - a.pos[i]) * t;
    v.diffuse = LerpColor(a.diffuse, b.diffuse, t);
    v.specular = LerpColor(a.specular, b.specular, t);
    for (int s = 0; s < kMaxTexCoordSets; ++s)
        for (int k = 0; k < kTexCoordComponents; ++k) v.tc[s][k] = a.tc[s][k] + (b.tc[s][k] - a.tc[s][k]) * t;
    for (int s = 0; s < kMaxTexCoordSets; ++s) v.tq[s] = a.tq[s] + (b.tq[s] - a.tq[s]) * t;
    return v;
}

FvfLayout DecodeFvf(DWORD fvf) {
    FvfLayout l;
    int offset;
    switch (fvf & D3DFVF_POSITION_MASK) {
        case D3DFVF_XYZ: offset = 12; break;
        case D3DFVF_XYZRHW: offset = 16; l.pretransformed = true; break;
        case D3DFVF_XYZB1: offset = 16; break;
        case D3DFVF_XYZB2: offset = 20; break;
        case D3DFVF_XYZB3: offset = 24; break;
        case D3DFVF_XYZB4: offset = 28; break;
        case D3DFVF_XYZB5: offset = 32; break;
        default: return l;
    }
    if (fvf & D3DFVF_NORMAL) l.normal = offset, offset += 12;
    if (fvf & D3DFVF_PSIZE) offset += 4;
    if (fvf & D3DFVF_DIFFUSE) l.diffuse = offset, offset += 4;
    if (fvf & D3DFVF_SPECULAR) l.specular = offset, offset += 4;
    l.texCount = int((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
    if (l.texCount > kMaxTexCoordSets) return l;
    static const int kDims[4] = {2, 3, 4, 1};
    for (int i = 0; i < l.texCount; ++i) {
        l.tex[i] = offset;
        const int dims = kDims[(fvf >> (16 + 2 * i)) & 3];
        l.texDims[i] = dims;
        offset += 4 * dims;
    }
    l.stride = offset;
    l.valid = true;
    return l;
}

namespace {

void ReadTexCoords(const FvfLayout& l, const uint8_t* p, float tc[kMaxTexCoordSets][kTexCoordComponents]) {
    // Every set cleared, then the vertex's own written over it. A copy of fixed zeros
    // compiles to a few vector moves, where a clear of this size became a string store
    // whose start-up cost more than the rest of the vertex.
    static constexpr float kZeroSets[kMaxTexCoordSets][kTexCoordComponents] = {};
    std::memcpy(tc, kZeroSets, sizeof(kZeroSets));
    for (int i = 0; i < l.texCount; ++i) {
        const uint8_t* set = p + l.tex[i];
        tc[i][0] = ReadFloat(set);
        if (l.texDims[i] > 1) tc[i][1] = ReadFloat(set + 4);
        if (l.texDims[i] > 2) tc[i][2] = ReadFloat(set + 8);
    }
}

}  // namespace

ClipVertex FetchVertex(const FvfLayout& l, const uint8_t* p, const D3DMATRIX& m) {
    ClipVertex v;
    const float x = ReadFloat(p), y = ReadFloat(p + 4), z = ReadFloat(p + 8);
    for (int c = 0; c < 4; ++c) v.pos[c] = x * m.m[0][c] + y * m.m[1][c] + z * m.m[2][c] + m.m[3][c];
    if (l.diffuse >= 0) v.diffuse = ReadU32(p + l.diffuse);
    if (l.specular >= 0) v.specular = ReadU32(p + l.specular);
    ReadTexCoords(l, p, v.tc);
    return v;
}

void FetchPretransformed(const FvfLayout& l, const uint8_t* p, ScreenVertex* s) {
    s->x = ReadFloat(p);
    s->y = ReadFloat(p + 4);
    s->z = ReadFloat(p + 8);
    s->rhw = ReadFloat(p + 12);
    s->diffuse = l.diffuse >= 0 ? ReadU32(p + l.diffuse) : 0xFFFFFFFFu;
    s->specular = l.specular >= 0 ? ReadU32(p + l.specular) : 0;
    ReadTexCoords(l, p, s->tc);
    static constexpr ScreenVertex kUnprojected{};
    std::memcpy(s->tq, kUnprojected.tq, sizeof(s->tq));
}

bool InsideClipVolume(const float pos[4]) {
    for (int p = 0; p < kClipPlaneCount; ++p)
        if (!(ClipPlaneDistance(pos, p) >= 0)) return false;
    return true;
}

void MapPosition(const float pos[4], const ViewportMap& map, float out[4]) {
    const float rhw = 1.0f / pos[3];
    out[0] = map.x + (1.0f + pos[0] * rhw) * map.width * 0.5f;
    out[1] = map.y + (1.0f - pos[1] * rhw) * map.height * 0.5f;
    out[2] = map.minZ + pos[2] * rhw * (map.maxZ - map.minZ);
    out[3] = rhw;
}

ScreenVertex MapToScreen(const ClipVertex& v, const ViewportMap& map) {
    float p[4];
    MapPosition(v.pos, map, p);
    ScreenVertex s;
    s.x = p[0];
    s.y = p[1];
    s.z = p[2];
    s.rhw = p[3];
    s.diffuse = v.diffuse;
    s.specular = v.specular;
    std::memcpy(s.tc, v.tc, sizeof(s.tc));
    std::memcpy(s.tq, v.tq, sizeof(s.tq));
    return s;
}

void ClipAndMap(const ClipVertex* in, int count, const ViewportMap& map, std::vector<ScreenVertex>* out) {
    out->clear();
    std::vector<ClipVertex> poly;
    ClipPolygon(in, count, &poly);
    for (const ClipVertex& v : poly) out->push_back(MapToScreen(v, map));
}

D3DMATRIX MultiplyMatrices(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += a.m[i][k] * b.m[k][j];
            r.m[i][j] = sum;
        }
    return r;
}

}  // namespace host
