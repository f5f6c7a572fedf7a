#include "host/d3d9/vertex/vertex_pipeline.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/d3d9/vertex/vertex_element.h"

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

namespace {

// Finds a part's bytes in one vertex: in the stream-0 vertex at `p`, or in each stream.
struct InOneStream {
    const uint8_t* p;
    const uint8_t* operator()(const ElementPlace& e) const { return p + e.offset; }
};
struct InEachStream {
    const VertexStreams& streams;
    UINT i;
    const uint8_t* operator()(const ElementPlace& e) const { return streams.Vertex(e.stream, i) + e.offset; }
};

// Up to `Limit` of a present part's components into `out`, leaving the others as they are.
// Floats are copied as they lie, a component at a time as the part has it; other types are
// converted. `Plain` layouts (floats and D3DCOLOR only, as every FVF's) skip the test.
template <int Limit, bool Plain, class At>
void ReadComponents(const ElementPlace& e, At at, float* out) {
    const uint8_t* p = at(e);
    if (Plain || e.type <= D3DDECLTYPE_FLOAT4) {
        out[0] = ReadFloat(p);
        if (Limit > 1 && e.components > 1) out[1] = ReadFloat(p + 4);
        if (Limit > 2 && e.components > 2) out[2] = ReadFloat(p + 8);
        if (Limit > 3 && e.components > 3) out[3] = ReadFloat(p + 12);
        return;
    }
    const Vec4 v = ReadDeclElement(e.type, p);
    std::copy(v.v, v.v + std::min(int(e.components), Limit), out);
}

// A colour of another type than D3DCOLOR as 0xAARRGGBB, from its (red, green, blue,
// alpha) clamped to 0..1.
uint32_t ConvertedColor(BYTE type, const uint8_t* p) {
    const Vec4 v = ReadDeclElement(type, p);
    auto byte = [&](int c) { return uint32_t(std::lround(Saturate(v[c]) * 255.0f)); };
    return byte(3) << 24 | byte(0) << 16 | byte(1) << 8 | byte(2);
}

// D3DCOLOR is read as it lies.
template <bool Plain, class At>
uint32_t ReadColor(const ElementPlace& e, At at, uint32_t absent) {
    if (!e.Present()) return absent;
    const uint8_t* p = at(e);
    return Plain || e.type == D3DDECLTYPE_D3DCOLOR ? ReadU32(p) : ConvertedColor(e.type, p);
}

// With `Clear` every set is cleared, then the vertex's own written over it; without, only
// the vertex's own are written.
template <bool Plain, bool Clear = true, class At>
void ReadTexCoords(const FvfLayout& l, At at, float tc[kMaxTexCoordSets][kTexCoordComponents]) {
    // A copy of fixed zeros compiles to a few vector moves, where a clear of this size
    // became a string store whose start-up cost more than the rest of the vertex.
    static constexpr float kZeroSets[kMaxTexCoordSets][kTexCoordComponents] = {};
    if constexpr (Clear) std::memcpy(tc, kZeroSets, sizeof(kZeroSets));
    for (int i = 0; i < l.texCount; ++i)
        if (l.tex[i].Present()) ReadComponents<kTexCoordComponents, Plain>(l.tex[i], at, tc[i]);
}

// With `Whole` every field of the vertex is written; without, only those the layout
// holds, the others keeping a default vertex's values.
template <bool Plain, bool Whole = true, class At>
void FetchScreen(const FvfLayout& l, At at, ScreenVertex* s) {
    float pos[4] = {0, 0, 0, 1};
    ReadComponents<4, Plain>(l.position, at, pos);
    s->x = pos[0];
    s->y = pos[1];
    s->z = pos[2];
    s->rhw = pos[3];
    s->diffuse = ReadColor<Plain>(l.diffuse, at, 0xFFFFFFFFu);
    s->specular = ReadColor<Plain>(l.specular, at, 0);
    ReadTexCoords<Plain, Whole>(l, at, s->tc);
    if constexpr (!Whole) return;
    static constexpr ScreenVertex kUnprojected{};
    std::memcpy(s->tq, kUnprojected.tq, sizeof(s->tq));
}

template <bool Plain>
ClipVertex FetchClip(const FvfLayout& l, const InEachStream& at, const D3DMATRIX& m) {
    ClipVertex v;
    float p[4] = {0, 0, 0, 1};
    ReadComponents<4, Plain>(l.position, at, p);
    for (int c = 0; c < 4; ++c) v.pos[c] = p[0] * m.m[0][c] + p[1] * m.m[1][c] + p[2] * m.m[2][c] + p[3] * m.m[3][c];
    v.diffuse = ReadColor<Plain>(l.diffuse, at, v.diffuse);
    v.specular = ReadColor<Plain>(l.specular, at, v.specular);
    ReadTexCoords<Plain>(l, at, v.tc);
    return v;
}

// Layouts that need conversions take calls and stack space that plain ones do without:
// read out of line, so the plain reads (every FVF's, every sprite's) stay as short as
// they are.
template <bool Whole, class At>
[[gnu::noinline]] void FetchScreenConverted(const FvfLayout& l, At at, ScreenVertex* s) {
    FetchScreen<false, Whole>(l, at, s);
}

[[gnu::noinline]] ClipVertex FetchClipConverted(const FvfLayout& l, const InEachStream& at, const D3DMATRIX& m) {
    return FetchClip<false>(l, at, m);
}

}  // namespace

ClipVertex FetchVertex(const FvfLayout& l, const VertexStreams& streams, UINT i, const D3DMATRIX& m) {
    const InEachStream at{streams, i};
    return l.plain ? FetchClip<true>(l, at, m) : FetchClipConverted(l, at, m);
}

void FetchVertexInput(const FvfLayout& l, const VertexStreams& streams, UINT i, VertexInput* in) {
    const InEachStream at{streams, i};
    *in = VertexInput{};
    ReadComponents<4, false>(l.position, at, in->position);
    if (l.normal.Present()) ReadComponents<3, false>(l.normal, at, in->normal);
    for (int s = 0; s < l.texCount; ++s)
        if (l.tex[s].Present()) ReadComponents<4, false>(l.tex[s], at, in->sets[s]);
}

void FetchPretransformed(const FvfLayout& l, const VertexStreams& streams, UINT i, ScreenVertex* s) {
    const InEachStream at{streams, i};
    l.plain ? FetchScreen<true>(l, at, s) : FetchScreenConverted<true>(l, at, s);
}

void FetchPretransformedParts(const FvfLayout& l, const uint8_t* vertex, ScreenVertex* s) {
    const InOneStream at{vertex};
    l.plain ? FetchScreen<true, false>(l, at, s) : FetchScreenConverted<false>(l, at, s);
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
