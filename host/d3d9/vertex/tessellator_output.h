// What the tessellator writes for a draw: the patch vertices, as floats in one stream under
// a declaration of their own, and the triangle list over them. Each part of the draw's
// declaration becomes one part of the output; the tessellators fill them (npatch_vertices.h,
// surface_patch_vertices.h).
#pragma once
#include <span>
#include <vector>

#include "host/d3d9/shader/shader_types.h"
#include "host/d3d9/vertex/vertex_pipeline.h"

namespace host {

class TessellatorOutput {
public:
    void Clear();

    // The output's declaration (no end marker), stride and data.
    const std::vector<D3DVERTEXELEMENT9>& Elements() const { return elements_; }
    UINT Stride() const { return UINT(floats_ * sizeof(float)); }
    const float* Data() const { return data_.data(); }
    UINT VertexCount() const { return UINT(data_.size() / floats_); }
    // The output's triangle list, indices into its vertices.
    const std::vector<uint32_t>& Indices() const { return indices_; }
    UINT TriangleCount() const { return UINT(indices_.size() / 3); }

protected:
    enum class Kind : uint8_t { Linear, Position, Normal, PartialU, PartialV, CrossUV, UV, Lookup };
    struct Part {
        D3DVERTEXELEMENT9 source;
        Kind kind;
        bool onPosition;  // a derivative of the position's patch rather than of its own data
        int components;
    };
    // Parts in streams without the draw's vertices, or reaching past their stride, are
    // left out.
    TessellatorOutput(std::span<const D3DVERTEXELEMENT9> elements, const VertexStreams& streams);
    // Room for one more vertex's floats, to be written in the parts' order.
    float* NewVertex();

    std::vector<Part> parts_;
    const VertexStreams& streams_;
    int position_ = -1, normal_ = -1;  // parts giving the patch's corners, if any
    std::vector<uint32_t> indices_;

private:
    std::vector<D3DVERTEXELEMENT9> elements_;
    size_t floats_ = 0;
    std::vector<float> data_;
};

}  // namespace host
