// Vertex blending and tweening of untransformed vertices drawn without a vertex shader:
// each vertex's position and normal in camera space from up to four world matrices
// weighted by its blend weights (picked by its blend indices when indexed), or from its
// two positions and normals mixed by the tween factor under world matrix 0.
#pragma once
#include <vector>

#include "host/d3d9/vertex/vertex_pipeline.h"

namespace host {

// What the caps report: matrices blended at once, and world matrices 0 to 255.
constexpr int kMaxBlendMatrices = 4;
constexpr int kWorldMatrices = 256;

class VertexBlend {
public:
    // `worlds`: the kWorldMatrices world matrices. Inactive unless the states ask for
    // blending or tweening and `layout` has untransformed vertices.
    VertexBlend(const DWORD* renderStates, const FvfLayout& layout, const D3DMATRIX* worlds, const D3DMATRIX& view);
    bool Active() const { return active_; }
    // Vertex `i`'s position (x, y, z, w) and normal in camera space; `in` holds its first
    // position and normal as fetched.
    void Eye(const FvfLayout& layout, const VertexStreams& streams, UINT i, const VertexInput& in, float position[4],
             float normal[3]) const;

private:
    struct EyeMatrix {
        D3DMATRIX worldView;
        float normal[3][3];  // its inverse transpose
    };
    bool active_ = false;
    bool tween_ = false, indexed_ = false;
    int weights_ = 0;  // read from each vertex; one matrix more is blended
    float tweenFactor_ = 0;
    std::vector<EyeMatrix> matrices_;  // every world matrix when indexed, else the first few
};

}  // namespace host
