// The tessellator's output for N-patch draws: each triangle of a draw refined into
// segments x segments triangles of the curved patch, their vertices written as floats in
// one stream under a declaration of their own. Parts with a tessellation method are
// computed from the patch: the partial derivatives (PARTIALU, PARTIALV), their cross
// product (CROSSUV) and the patch parameters (UV); the position and normal follow the
// patch's degrees, and every other part is interpolated linearly.
#pragma once
#include <array>
#include <span>
#include <vector>

#include "host/d3d9/shader/shader_run.h"
#include "host/d3d9/shader/shader_types.h"
#include "host/d3d9/vertex/npatch.h"
#include "host/d3d9/vertex/vertex_pipeline.h"

namespace host {

// Why an element's method cannot go with its type, stream, offset or usage (null when it
// can). The displacement lookups are refused: the device has no displacement maps.
const char* TessellationMethodFault(const D3DVERTEXELEMENT9& e);
// Whether any element has a method other than the default.
bool HasTessellationMethod(std::span<const D3DVERTEXELEMENT9> elements);

class NPatchVertices {
public:
    // Parts in streams without the draw's vertices, or reaching past their stride, are
    // left out.
    NPatchVertices(std::span<const D3DVERTEXELEMENT9> elements, const VertexStreams& streams, NPatchDegrees degrees,
                   int segments);

    // Vertices `a`, `b` and `c` of the streams as a patch, in that order.
    void AddTriangle(UINT a, UINT b, UINT c);
    void Clear();

    // The output's declaration (no end marker), stride and data.
    const std::vector<D3DVERTEXELEMENT9>& Elements() const { return elements_; }
    UINT Stride() const { return UINT(floats_ * sizeof(float)); }
    const float* Data() const { return data_.data(); }
    UINT VertexCount() const { return UINT(data_.size() / floats_); }
    // The output's triangle list, indices into its vertices.
    const std::vector<uint32_t>& Indices() const { return indices_; }
    UINT TriangleCount() const { return UINT(indices_.size() / 3); }
    // Vertices one patch adds.
    UINT VerticesPerPatch() const { return UINT((segments_ + 1) * (segments_ + 2) / 2); }

private:
    enum class Kind : uint8_t { Linear, Position, Normal, PartialU, PartialV, CrossUV, UV };
    struct Part {
        D3DVERTEXELEMENT9 source;
        Kind kind;
        bool onPosition;  // a derivative of the position's patch rather than of its own data
        int components;
    };
    void WriteVertex(const NPatch& patch, float u, float v);

    std::vector<Part> parts_;
    std::vector<D3DVERTEXELEMENT9> elements_;
    size_t floats_ = 0;
    const VertexStreams& streams_;
    NPatchDegrees degrees_;
    int segments_;
    int position_ = -1, normal_ = -1;  // parts giving the patch's corners, if any
    std::vector<std::array<Vec4, 3>> corners_;  // each part's value at the patch's corners
    std::vector<float> data_;
    std::vector<uint32_t> indices_;
};

}  // namespace host
