// The tessellator's output for N-patch draws: each triangle of a draw refined into
// segments x segments triangles of the curved patch. Parts with a tessellation method are
// computed from the patch: the partial derivatives (PARTIALU, PARTIALV), their cross
// product (CROSSUV), the patch parameters (UV) and the displacement map's texel at the
// part's coordinate interpolated linearly (LOOKUP); the position and normal follow the
// patch's degrees, and every other part is interpolated linearly.
#pragma once
#include <array>
#include <span>
#include <vector>

#include "host/d3d9/device/draw_state.h"
#include "host/d3d9/shader/shader_run.h"
#include "host/d3d9/vertex/npatch.h"
#include "host/d3d9/vertex/tessellator_output.h"

namespace host {

// Why an element's method cannot go with its type, stream, offset or usage (null when it
// can). Presampled displacement maps are refused: the device has none.
const char* TessellationMethodFault(const D3DVERTEXELEMENT9& e);
// Whether any element has a method other than the default.
bool HasTessellationMethod(std::span<const D3DVERTEXELEMENT9> elements);

class NPatchVertices : public TessellatorOutput {
public:
    NPatchVertices(std::span<const D3DVERTEXELEMENT9> elements, const VertexStreams& streams, NPatchDegrees degrees,
                   int segments, const StageSampler* displacementMap);

    // Vertices `a`, `b` and `c` of the streams as a patch, in that order.
    void AddTriangle(UINT a, UINT b, UINT c);
    // Vertices one patch adds.
    UINT VerticesPerPatch() const { return UINT((segments_ + 1) * (segments_ + 2) / 2); }

private:
    void WriteVertex(const NPatch& patch, float u, float v);

    NPatchDegrees degrees_;
    int segments_;
    const StageSampler* map_;  // the displacement map's sampler (without texels: none set)
    std::vector<std::array<Vec4, 3>> corners_;  // each part's value at the patch's corners
};

}  // namespace host
