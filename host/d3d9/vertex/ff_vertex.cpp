#include "host/d3d9/vertex/ff_vertex.h"

#include <cmath>

namespace host {

void NormalMatrix(const D3DMATRIX& m, float out[3][3]) {
    auto a = [&](int r, int c) { return m.m[r % 3][c % 3]; };
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out[r][c] = a(r + 1, c + 1) * a(r + 2, c + 2) - a(r + 1, c + 2) * a(r + 2, c + 1);
    const float det = m.m[0][0] * out[0][0] + m.m[0][1] * out[0][1] + m.m[0][2] * out[0][2];
    if (det == 0 || !std::isfinite(det)) return;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) out[r][c] /= det;
}

void RunFixedVertexStage(const FixedVertexStage& s, const FvfLayout& l, const VertexInput& in, ClipVertex* v) {
    float position[3], normal[3];
    const float* object = in.position;
    const D3DMATRIX& wv = s.worldView;
    for (int c = 0; c < 3; ++c)
        position[c] = object[0] * wv.m[0][c] + object[1] * wv.m[1][c] + object[2] * wv.m[2][c] + object[3] * wv.m[3][c];
    const float* n = nullptr;
    if (l.normal.Present()) {
        const float* o = in.normal;
        for (int c = 0; c < 3; ++c)
            normal[c] = o[0] * s.normalMatrix[0][c] + o[1] * s.normalMatrix[1][c] + o[2] * s.normalMatrix[2][c];
        n = normal;
    }
    if (s.lighting.enabled) {
        const uint32_t diffuse = v->diffuse, specular = v->specular;
        const LitColors lit = LightVertex(s.lighting, position, n, l.diffuse.Present() ? &diffuse : nullptr,
                                          l.specular.Present() ? &specular : nullptr);
        v->diffuse = lit.diffuse;
        v->specular = lit.specular;
    }
    if (s.vertexFog) {
        const float distance =
            s.rangeFog ? std::sqrt(position[0] * position[0] + position[1] * position[1] + position[2] * position[2])
                       : position[2];
        v->specular = (v->specular & 0xFFFFFFu) | FogByte(FogFactor(s.fog, distance)) << 24;
    }
    if (s.texCoords.active) MakeTexCoords(s.texCoords, l, in, position, n, v->tc, v->tq);
}

}  // namespace host
