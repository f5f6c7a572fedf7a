#include "host/d3d9/vertex/vertex_blend.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/d3d9/vertex/ff_vertex.h"
#include "host/d3d9/vertex/vertex_element.h"

namespace host {
namespace {

Vec4 ReadPart(const ElementPlace& e, const VertexStreams& streams, UINT i) {
    return ReadDeclElement(e.type, streams.Vertex(e.stream, i) + e.offset);
}

// Blend indices as whole numbers: bytes, or a colour's bytes (read as 0 to 1).
int BlendIndex(const ElementPlace& e, const Vec4& v, int k) {
    const float scale = e.type == D3DDECLTYPE_D3DCOLOR ? 255.0f : 1.0f;
    return std::clamp(int(std::lround(v[k] * scale)), 0, kWorldMatrices - 1);
}

}  // namespace

VertexBlend::VertexBlend(const DWORD* rs, const FvfLayout& layout, const D3DMATRIX* worlds, const D3DMATRIX& view) {
    const DWORD mode = rs[D3DRS_VERTEXBLEND];
    if (layout.pretransformed || mode == D3DVBF_DISABLE) return;
    if (mode == D3DVBF_TWEENING) {
        tween_ = layout.position2.Present();
        std::memcpy(&tweenFactor_, &rs[D3DRS_TWEENFACTOR], 4);
    } else if (mode <= D3DVBF_3WEIGHTS || mode == D3DVBF_0WEIGHTS) {
        weights_ = mode == D3DVBF_0WEIGHTS ? 0 : int(mode);
        indexed_ = rs[D3DRS_INDEXEDVERTEXBLENDENABLE] && layout.blendIndices.Present();
    } else {
        return;
    }
    active_ = true;
    matrices_.resize(indexed_ ? kWorldMatrices : size_t(weights_ + 1));
    for (size_t k = 0; k < matrices_.size(); ++k) {
        matrices_[k].worldView = MultiplyMatrices(worlds[k], view);
        NormalMatrix(matrices_[k].worldView, matrices_[k].normal);
    }
}

void VertexBlend::Eye(const FvfLayout& l, const VertexStreams& streams, UINT i, const VertexInput& in, float position[4],
                      float normal[3]) const {
    float p[4], n[3];
    std::copy(in.position, in.position + 4, p);
    std::copy(in.normal, in.normal + 3, n);
    if (tween_) {
        const Vec4 p2 = ReadPart(l.position2, streams, i);
        for (int c = 0; c < 4; ++c) p[c] += (p2[c] - p[c]) * tweenFactor_;
        if (l.normal2.Present()) {
            const Vec4 n2 = ReadPart(l.normal2, streams, i);
            for (int c = 0; c < 3; ++c) n[c] += (n2[c] - n[c]) * tweenFactor_;
        }
    }
    // The vertex's weights, the last matrix taking what they leave of 1.
    float weight[kMaxBlendMatrices] = {1, 0, 0, 0};
    if (weights_ > 0) {
        const Vec4 w = l.blendWeight.Present() ? ReadPart(l.blendWeight, streams, i) : Vec4{};
        float rest = 1;
        for (int k = 0; k < weights_; ++k) rest -= weight[k] = w[k];
        weight[weights_] = rest;
    }
    const Vec4 indices = indexed_ ? ReadPart(l.blendIndices, streams, i) : Vec4{};
    std::fill(position, position + 4, 0.0f);
    std::fill(normal, normal + 3, 0.0f);
    for (int k = 0; k <= weights_; ++k) {
        const EyeMatrix& m = matrices_[size_t(indexed_ ? BlendIndex(l.blendIndices, indices, k) : k)];
        const D3DMATRIX& wv = m.worldView;
        for (int c = 0; c < 4; ++c)
            position[c] += weight[k] * (p[0] * wv.m[0][c] + p[1] * wv.m[1][c] + p[2] * wv.m[2][c] + p[3] * wv.m[3][c]);
        for (int c = 0; c < 3; ++c)
            normal[c] += weight[k] * (n[0] * m.normal[0][c] + n[1] * m.normal[1][c] + n[2] * m.normal[2][c]);
    }
}

}  // namespace host
